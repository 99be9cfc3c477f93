#include "SecretFiles.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "EngineTables.h"
#include "ToolkitObject.h"
#include "Wipe.h"
#include "SecretFormat.h"

namespace zk::engine {

namespace seam {
uint64_t failAt = 0;
uint64_t opCount = 0;
void (*onStage)(uint64_t, bool) = nullptr;
bool (*refuseWrite)(const char*) = nullptr;
}  // namespace seam

namespace {

// Open flags of fos.FileSys beyond the public ones: exclusive creation.
constexpr int32_t kOpenExclusive = 0x0400;
// Permission bits of the system's permission mode (read, write).
constexpr int32_t kPermOwner = 0x0180;

// A file stream that the fault seam can fail: every operation goes to the
// wrapped stream, Write and Commit are counted first.
class GuardedFile final : public ToolkitObject<GuardedFile, IFileStrem> {
 public:
  static constexpr const char* kClassId = "local.kiv.GuardedFile";
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIFileStrem, 0}, {id::StreamIStream, 0}};
  ~GuardedFile() { ReleaseAndNull(file_); }
  void Wrap(IFileStrem* file) { file_ = file; }

  StatusCode IsEnd() override { return file_->IsEnd(); }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    return file_->Read(buffer, size, gotOut);
  }
  StatusCode Write(const void* data, uint32_t length) override {
    if (FaultHere()) return kWriteError;
    return file_->Write(data, length);
  }
  StatusCode Close() override { return file_->Close(); }
  StatusCode CopyFrom(IStream* source, uint64_t count) override {
    // Through this object's Write, so that every piece is counted.
    std::unique_ptr<uint8_t[]> buffer;
    StatusCode st = zk::Guard([&] {
      buffer.reset(new uint8_t[65536]);
      return kOk;
    });
    if (st != kOk) return st;
    bool limited = count != 0;
    while (source->IsEnd() == 0) {
      uint32_t want = limited && count < 65536 ? uint32_t(count) : 65536;
      uint32_t got = 0;
      st = source->Read(buffer.get(), want, &got);
      if (st != kOk || got == 0) break;
      st = Write(buffer.get(), got);
      if (st != kOk) break;
      if (limited && (count -= got) == 0) break;
    }
    Wipe(buffer.get(), 65536);
    return st;
  }
  StatusCode Commit() override {
    if (FaultHere()) return kWriteError;
    return file_->Commit();
  }
  StatusCode GetSize(uint64_t* sizeOut) override { return file_->GetSize(sizeOut); }
  StatusCode GetPosition(uint64_t* positionOut) override { return file_->GetPosition(positionOut); }
  StatusCode Seek(int64_t offset, int32_t origin) override { return file_->Seek(offset, origin); }
  StatusCode SetEnd() override { return file_->SetEnd(); }

 private:
  IFileStrem* file_ = nullptr;
};

StatusCode Guard(IFileStrem* file, IFileStrem** out) {
  GuardedFile* g = GuardedFile::Create();
  if (!g) {
    file->Release();
    return kNoMemory;
  }
  g->Wrap(file);
  *out = g;
  return kOk;
}

std::string RandomTag() {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  uint8_t random[10] = {};
  if (getrandom(random, sizeof random, 0) != ssize_t(sizeof random)) {
    for (uint8_t& r : random) r = uint8_t(std::rand());
  }
  std::string tag;
  for (uint8_t r : random) tag += kChars[r % 36];
  return tag;
}

void SyncFolderOf(const std::string& path) {
  std::string folder = ".";
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos) folder = slash == 0 ? "/" : path.substr(0, slash);
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

}  // namespace

bool FaultHere() {
  ++seam::opCount;
  return seam::failAt != 0 && seam::opCount == seam::failAt;
}

StatusCode PrivateTempFolder(std::string* out) {
  const char* base = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (!base || base[0] != '/' || stat(base, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
    base = std::getenv("TMPDIR");
  if (!base || base[0] != '/') base = "/tmp";
  std::string folder = std::string(base) + "/kivora-" + std::to_string(getuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return kCannotOpen;
  if (lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()) return kAccessDenied;
  // The user's own folder, opened to others since: closed again.
  if ((st.st_mode & 077) != 0 && chmod(folder.c_str(), 0700) != 0) return kAccessDenied;
  *out = folder;
  return kOk;
}

StatusCode MakeTempFile(IFileSystem* fs, IFileStrem** out) {
  *out = nullptr;
  ZK_REQUIRE(fs, id::StreamIFileSystem);
  std::string folder;
  StatusCode st = PrivateTempFolder(&folder);
  if (st != kOk) return st;
  IFileStrem* file = nullptr;
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string name = folder + "/kv" + RandomTag() + ".tmp";
    st = fs->CreateFile(name.c_str(), kOpenBinary | kOpenReadWrite | kOpenTemporary, kPermOwner, &file);
    if (st == kOk) break;
  }
  if (st != kOk) return st;
  if (!file) return kNoMemory;
  return Guard(file, out);
}

StatusCode MakeStage(IFileSystem* fs, uint64_t size, IFileStrem** out) {
  *out = nullptr;
  const bool file = size > kStageLimit;
  if (seam::onStage) seam::onStage(size, file);
  if (file) return MakeTempFile(fs, out);
  return CreateFace(id::StorageMemStream, id::StreamIFileStrem, out);
}

void WipeStream(IFileStrem* stream) {
  if (!stream) return;
  IMemStream* mem = nullptr;
  if (stream->QueryInterface(id::StreamIMemStream, reinterpret_cast<void**>(&mem)) == kOk && mem) {
    uint32_t size = 0;
    void* data = mem->GetBuffer(&size);
    Wipe(data, size);
    mem->Release();
  }
  stream->Seek(0, kSeekSet);
  stream->SetEnd();
}

StatusCode FileReplacement::Begin(const char* target) {
  Abandon();
  committed_ = false;
  if (!target || !*target) return kInvalidArg;
  target_ = target;
  std::string folder, base = target_;
  size_t slash = target_.find_last_of('/');
  if (slash != std::string::npos) {
    folder = target_.substr(0, slash + 1);
    base = target_.substr(slash + 1);
  }
  struct stat st;
  const bool exists = stat(target, &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return kCannotOpen;
  // A file that could not be opened for writing is not replaced either,
  // though the rename would get past its permissions.
  if (exists && access(target, W_OK) != 0) return kCannotOpen;
  IFileStrem* file = nullptr;
  StatusCode rc = kCannotOpen;
  for (int attempt = 0; attempt < 8 && rc != kOk; ++attempt) {
    sibling_ = folder + "." + base + "." + RandomTag() + ".part";
    rc = fs_->CreateFile(sibling_.c_str(), kOpenBinary | kOpenReadWrite | kOpenExclusive, kPermOwner, &file);
  }
  if (rc != kOk) {
    sibling_.clear();
    return rc;
  }
  if (!file) {
    unlink(sibling_.c_str());
    sibling_.clear();
    return kNoMemory;
  }
  if (exists) chmod(sibling_.c_str(), st.st_mode & 07777);
  rc = Guard(file, &stream_);
  if (rc != kOk) {
    unlink(sibling_.c_str());
    sibling_.clear();
  }
  return rc;
}

StatusCode FileReplacement::Commit() {
  if (!stream_) return kNotOpen;
  StatusCode st = flushLater_ ? kOk : stream_->Commit();
  if (st != kOk) return st;
  if (FaultHere()) return kWriteError;
  if (rename(sibling_.c_str(), target_.c_str()) != 0) return kWriteError;
  committed_ = true;
  sibling_.clear();
  if (!flushLater_) SyncFolderOf(target_);
  return kOk;
}

StatusCode SyncFiles(const std::vector<std::string>& paths) {
  StatusCode result = kOk;
  std::vector<dev_t> synced;
  std::vector<std::string> folders;
  for (const std::string& path : paths) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) continue;  // gone since: nothing to keep
    if (std::find(synced.begin(), synced.end(), st.st_dev) == synced.end()) {
      const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0 || syncfs(fd) != 0) result = kWriteError;
      if (fd >= 0) close(fd);
      synced.push_back(st.st_dev);
    }
    const size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(std::move(folder));
  }
  for (const std::string& folder : folders) SyncFolderOf(folder + "/");
  return result;
}

IFileStrem* FileReplacement::TakeStream() {
  IFileStrem* s = stream_;
  stream_ = nullptr;
  return s;
}

void FileReplacement::Abandon() {
  ReleaseAndNull(stream_);
  if (!committed_ && !sibling_.empty()) unlink(sibling_.c_str());
  sibling_.clear();
}

}  // namespace zk::engine
