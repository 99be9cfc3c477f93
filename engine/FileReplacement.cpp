#include "FileReplacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "ToolkitObject.h"
#include "Wipe.h"

namespace zk::engine {

// The tests' fault seam (declared in tests/SeamTestSupport.h).
namespace seam {
uint64_t failAt = 0;
uint64_t opCount = 0;
}  // namespace seam

namespace {

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

}  // namespace

StatusCode GuardWrites(IFileStrem* file, IFileStrem** out) {
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

namespace {

// The length of RandomTag's tags.
constexpr size_t kTagLength = 10;

// The folder (with its trailing slash, or empty) and the name of a path.
void SplitPath(const std::string& path, std::string* folder, std::string* base) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    folder->clear();
    *base = path;
  } else {
    *folder = path.substr(0, slash + 1);
    *base = path.substr(slash + 1);
  }
}

// True for the names FileReplacement gives the part files of the target
// whose name makes `head` ("." name "."): head, a tag, ".part".
bool IsPartName(const char* name, const std::string& head) {
  static constexpr char kTail[] = ".part";
  const size_t tail = sizeof kTail - 1;
  const size_t length = std::strlen(name);
  if (length != head.size() + kTagLength + tail) return false;
  if (std::memcmp(name, head.data(), head.size()) != 0) return false;
  if (std::memcmp(name + head.size() + kTagLength, kTail, tail) != 0) return false;
  for (size_t i = head.size(); i < head.size() + kTagLength; ++i) {
    const char c = name[i];
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

// Removes the part file `name` of the folder dfd when it is the user's own
// regular file and nobody holds its lock. The lock is kept until the name
// is gone, and only the file that was locked is removed: a name that has
// come to stand for another file since it was opened stays.
void RemoveWhenUnheld(int dfd, const char* name) {
  const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = openat(dfd, name, O_RDONLY | flags);
  if (fd < 0 && errno == EACCES) fd = openat(dfd, name, O_WRONLY | flags);
  if (fd < 0) return;
  struct stat held, named;
  if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == geteuid() &&
      flock(fd, LOCK_EX | LOCK_NB) == 0 && fstatat(dfd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
      named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
    unlinkat(dfd, name, 0);
  }
  close(fd);
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

void RemoveStaleParts(const char* target) {
  if (!target || !*target) return;
  std::string folder, base;
  SplitPath(target, &folder, &base);
  if (base.empty()) return;
  const int dfd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return;
  const int listed = dup(dfd);
  DIR* dir = listed >= 0 ? fdopendir(listed) : nullptr;
  if (!dir) {
    if (listed >= 0) close(listed);
    close(dfd);
    return;
  }
  const std::string head = "." + base + ".";
  std::vector<std::string> names;
  zk::Guard([&] {
    while (const dirent* e = readdir(dir))
      if (IsPartName(e->d_name, head)) names.emplace_back(e->d_name);
    return kOk;
  });
  closedir(dir);
  for (const std::string& name : names) RemoveWhenUnheld(dfd, name.c_str());
  close(dfd);
}

StatusCode FileReplacement::MakeSibling(const std::string& folder, const std::string& base) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    sibling_ = folder + "." + base + "." + RandomTag() + ".part";
    const int fd = open(sibling_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    // Locked before anything is written (on a file system without locks it
    // stays unlocked, and no cleaner can lock and so remove it either). The
    // new file was unlocked for a moment, so a cleaner may have taken and
    // removed it: then the name no longer stands for it, and another name
    // is tried.
    int locked;
    do locked = flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    struct stat mine, named;
    if (fstat(fd, &mine) != 0 || lstat(sibling_.c_str(), &named) != 0 || named.st_dev != mine.st_dev ||
        named.st_ino != mine.st_ino) {
      close(fd);
      continue;
    }
    // The owner can read and write it whatever the umask took away.
    if ((mine.st_mode & 0600) != 0600) fchmod(fd, 0600);
    lock_ = fd;
    return kOk;
  }
  sibling_.clear();
  return kCannotOpen;
}

void FileReplacement::Unlock() {
  if (lock_ >= 0) close(lock_);
  lock_ = -1;
}

StatusCode FileReplacement::Begin(const char* target) {
  Abandon();
  committed_ = false;
  if (!target || !*target) return kInvalidArg;
  target_ = target;
  std::string folder, base;
  SplitPath(target_, &folder, &base);
  RemoveStaleParts(target);
  struct stat st;
  const bool exists = stat(target, &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return kCannotOpen;
  // A file that could not be opened for writing is not replaced either,
  // though the rename would get past its permissions.
  if (exists && access(target, W_OK) != 0) return kCannotOpen;
  StatusCode rc = MakeSibling(folder, base);
  if (rc != kOk) return rc;
  IFileStrem* file = nullptr;
  rc = fs_->OpenFile(sibling_.c_str(), kOpenBinary | kOpenReadWrite, &file);
  if (rc == kOk && !file) rc = kNoMemory;
  if (rc == kOk) {
    if (exists) fchmod(lock_, st.st_mode & 07777);
    rc = GuardWrites(file, &stream_);
  }
  if (rc != kOk) {
    unlink(sibling_.c_str());
    sibling_.clear();
    Unlock();
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
  Unlock();
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
  // Removed while still locked, so no cleaner takes it meanwhile.
  if (!committed_ && !sibling_.empty()) unlink(sibling_.c_str());
  sibling_.clear();
  Unlock();
}

}  // namespace zk::engine
