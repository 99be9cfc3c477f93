#include "UserConfig.h"

#include "PrivateFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "FileReplacement.h"
#include "StreamCopy.h"
#include "ToolkitObject.h"
#include "UserFolders.h"

namespace zk::engine {

namespace {

// A settings file larger than this is not taken for one.
constexpr uint64_t kMaxConfigBytes = 16u << 20;

// The parameters' stream: the file's bytes in memory; only Commit touches
// the disk, writing everything beside the file and renaming it over, so a
// save that fails part-way leaves the old file as it was.
class ConfigFileStream final : public ToolkitObject<ConfigFileStream, IFileStrem> {
 public:
  static constexpr const char* kClassId = "local.kiv.ConfigFileStream";
  static constexpr InterfaceSlot kInterfaces[] = {
      {id::StreamIFileStrem, 0}, {id::StreamIStream, 0}, {id::StdIBase, 0}};

  ~ConfigFileStream() { ReleaseAndNull(fs_); }

  std::string data;
  std::string target;
  void SetFileSystem(IFileSystem* fs) {
    if (fs) fs->AddRef();
    ReleaseAndNull(fs_);
    fs_ = fs;
  }

  StatusCode IsEnd() override { return position_ < data.size() ? kOk : kEndOfStream; }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    if (gotOut) *gotOut = 0;
    if (size == 0) return kOk;
    if (!buffer) return kInvalidArg;
    size_t take = position_ < data.size() ? std::min<size_t>(size, data.size() - position_) : 0;
    if (take) std::memcpy(buffer, data.data() + position_, take);
    position_ += take;
    if (gotOut) *gotOut = uint32_t(take);
    return kOk;
  }
  StatusCode Write(const void* bytes, uint32_t length) override {
    if (length == 0) return kOk;
    if (!bytes) return kInvalidArg;
    if (position_ + length > kMaxConfigBytes) return kTooMuch;
    return Guard([&]() -> StatusCode {
      if (data.size() < position_ + length) data.resize(position_ + length);
      std::memcpy(data.data() + position_, bytes, length);
      position_ += length;
      return kOk;
    });
  }
  StatusCode Close() override { return kOk; }
  StatusCode CopyFrom(IStream* source, uint64_t count) override {
    return CopyStream(this, source, count);
  }
  StatusCode Commit() override {
    if (target.empty()) return kAccessDenied;
    return Guard([&] { return WritePrivateFile(fs_, target, data); });
  }
  StatusCode GetSize(uint64_t* sizeOut) override {
    if (!sizeOut) return kInvalidArg;
    *sizeOut = data.size();
    return kOk;
  }
  StatusCode GetPosition(uint64_t* positionOut) override {
    if (!positionOut) return kInvalidArg;
    *positionOut = position_;
    return kOk;
  }
  StatusCode Seek(int64_t offset, int32_t origin) override {
    int64_t base = origin == kSeekSet ? 0
                   : origin == kSeekCur ? int64_t(position_)
                   : origin == kSeekEnd ? int64_t(data.size())
                                        : -1;
    if (base < 0 || (offset < 0 && -offset > base)) return kInvalidArg;
    uint64_t to = uint64_t(base + offset);
    if (to > kMaxConfigBytes) return kInvalidArg;
    position_ = to;
    return kOk;
  }
  StatusCode SetEnd() override {
    return Guard([&]() -> StatusCode {
      data.resize(position_);
      return kOk;
    });
  }

 private:
  IFileSystem* fs_ = nullptr;
  uint64_t position_ = 0;
};

// The whole of a regular file (through a link) that its owner may read;
// why it failed otherwise.
bool ReadWhole(const std::string& path, std::string* text, std::string* why,
               uint64_t limit = kMaxConfigBytes) {
  text->clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *why = std::strerror(errno);
    return false;
  }
  struct stat st;
  bool ok = fstat(fd, &st) == 0;
  if (!ok) {
    *why = std::strerror(errno);
  } else if (S_ISDIR(st.st_mode)) {
    *why = "it is a folder, not a file";
    ok = false;
  } else if (!S_ISREG(st.st_mode)) {
    *why = "it is not a regular file";
    ok = false;
  } else if ((st.st_mode & S_IRUSR) == 0) {
    // Read permission taken away is respected even where it would not
    // stop the process (the superuser).
    *why = std::strerror(EACCES);
    ok = false;
  } else if (uint64_t(st.st_size) > limit) {
    *why = "it is too large";
    ok = false;
  }
  char buffer[65536];
  while (ok) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = std::strerror(errno);
      ok = false;
    } else if (n == 0) {
      break;
    } else {
      text->append(buffer, size_t(n));
      if (text->size() > limit) {
        *why = "it is too large";
        ok = false;
      }
    }
  }
  close(fd);
  return ok;
}

bool IsNameStart(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The comment as Add takes it: without the line end of its last line
// (Add puts CR LF there).
std::string WithoutLastLineEnd(std::string c) {
  if (c.size() >= 2 && c.compare(c.size() - 2, 2, "\r\n") == 0)
    c.resize(c.size() - 2);
  else if (!c.empty() && c.back() == '\n')
    c.pop_back();
  return c;
}

}  // namespace

StatusCode WritePrivateFile(IFileSystem* fs, const std::string& path, const std::string& bytes) {
  ZK_REQUIRE(fs, id::StreamIFileSystem);
  const unsigned mode = PrivateFileModeBeforeSave(path);
  FileReplacement file(fs);
  StatusCode rc = file.Begin(path.c_str());
  for (size_t done = 0; rc == kOk && done < bytes.size();) {
    uint32_t piece = static_cast<uint32_t>(std::min<size_t>(bytes.size() - done, 1u << 20));
    rc = file.stream()->Write(bytes.data() + done, piece);
    done += piece;
  }
  if (rc == kOk) rc = file.Commit();
  if (rc != kOk) return rc;
  SetPrivateFileMode(path, mode);
  return kOk;
}

StatusCode MakeConfigStream(IFileSystem* fs, const std::string& bytes, const std::string& target,
                            IFileStrem** out) {
  if (!out) return kInvalidArg;
  *out = nullptr;
  return Guard([&]() -> StatusCode {
    ConfigFileStream* s = ConfigFileStream::Create();
    if (!s) return kNoMemory;
    s->data = bytes;
    s->target = target;
    s->SetFileSystem(fs);
    *out = s;
    return kOk;
  });
}

bool ConfigTextIsWhole(const std::string& text) {
  if (text.find('\0') != std::string::npos) return false;
  const size_t n = text.size();
  auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  size_t pos = 0;
  while (pos < n) {
    unsigned char c = at(pos);
    if (c == '#') {
      size_t lf = text.find('\n', pos);
      pos = lf == std::string::npos ? n : lf + 1;
      continue;
    }
    if (!IsNameStart(c)) {
      ++pos;
      continue;
    }
    while (pos < n && (IsNameStart(at(pos)) || IsBlank(at(pos)))) ++pos;
    if (pos >= n) return false;  // ends inside a name
    if (at(pos) != '=') {
      size_t lf = text.find('\n', pos);
      pos = lf == std::string::npos ? n : lf;
      continue;
    }
    ++pos;
    while (pos < n && IsBlank(at(pos))) ++pos;
    if (pos >= n) return false;  // ends after "="
    if (at(pos) != '"') continue;
    size_t close = text.find('"', pos + 1);
    if (close == std::string::npos) return false;  // ends inside a value
    pos = close + 1;
  }
  return true;
}

StatusCode PrepareUserConfig(IFileSystem* fs, const std::string& programFolder,
                             const std::string& userFolder, UserConfig* out,
                             std::vector<std::string>* notes) {
  ZK_REQUIRE(fs, id::StreamIFileSystem);
  const std::string shipped = programFolder + kConfigFileName;
  std::string why;
  out->shippedRead = ReadWhole(shipped, &out->shippedText, &why);
  const char* const kDefaults =
      " It is left as it is: Kivora runs on the shipped settings, and changes to them are not "
      "saved until the file is mended or removed.";

  std::string problem;  // why the user's file cannot be used
  if (userFolder.empty()) {
    problem = "Kivora found no home folder for your settings.";
  } else if (FolderRefusal refused = PreparePrivateFolder(userFolder, true);
             refused != FolderRefusal::kNone) {
    const char* reason = " cannot be made.";
    if (refused == FolderRefusal::kLink) reason = " is a link, not a folder.";
    if (refused == FolderRefusal::kNotFolder) reason = " is not a folder.";
    if (refused == FolderRefusal::kOtherOwner) reason = " belongs to another user.";
    if (refused == FolderRefusal::kCannotClose) reason = " is open to others and cannot be closed.";
    problem = "Your settings folder " + userFolder + reason +
              " Kivora runs on the shipped settings, and changes to them are not saved.";
  } else {
    const std::string file = userFolder + "/" + kConfigFileName;
    struct stat st;
    if (lstat(file.c_str(), &st) != 0 && errno == ENOENT) {
      // The first start: the user's copy is the shipped file as it is.
      if (!out->shippedRead) return kCannotOpen;
      if (WritePrivateFile(fs, file, out->shippedText) != kOk) {
        problem = "Your settings file " + file +
                  " cannot be made. Kivora runs on the shipped settings, and changes to them are "
                  "not saved.";
      } else {
        out->userFile = file;
        out->madeNow = true;
        // An earlier build saved its settings into the program folder's
        // file (CR LF after every entry; the shipped file has none).
        out->fromEarlierBuild = access(programFolder.c_str(), W_OK) == 0 &&
                                out->shippedText.find("\r\n") != std::string::npos;
        if (out->fromEarlierBuild)
          notes->push_back("Your settings were copied from " + shipped + " to " + file +
                           ", where Kivora keeps them from now on. The old file is left as it "
                           "is.");
        return MakeConfigStream(fs, out->shippedText, file, &out->stream);
      }
    } else {
      std::string text;
      if (!ReadWhole(file, &text, &why)) {
        problem = "Your settings file " + file + " cannot be read (" + why + ")." + kDefaults;
      } else if (!ConfigTextIsWhole(text) || text.empty()) {
        problem = "Your settings file " + file +
                  (text.empty() ? " is empty" : " is cut short or damaged") + "." + kDefaults;
      } else {
        out->userFile = file;
        return MakeConfigStream(fs, text, file, &out->stream);
      }
    }
  }
  if (!out->shippedRead) return kCannotOpen;
  notes->push_back(problem);
  return MakeConfigStream(fs, out->shippedText, std::string(), &out->stream);
}

StatusCode MergeShippedNames(IAppParam* params, IAppParam* shipped, int* addedOut) {
  ZK_REQUIRE(params, id::ScriptIAppParam);
  ZK_REQUIRE(shipped, id::ScriptIAppParam);
  int added = 0;
  StatusCode result = kOk;
  const int32_t count = shipped->GetCount();
  for (int32_t i = 0; i < count; ++i) {
    char* name = nullptr;
    char* comment = nullptr;
    char* value = nullptr;
    // The compressed extensions are a list the options dialog deletes and
    // adds again under its own count: entries the user removed stay removed.
    if (shipped->GetName(i, &name) == kOk && name && std::strncmp(name, "arc_ext_", 8) != 0 &&
        params->GetComment(name, &comment) == kNotFound) {
      StatusCode st = shipped->GetComment(name, &comment);
      if (st == kOk) st = shipped->GetString(name, &value);
      if (st == kOk) {
        std::string c = comment ? WithoutLastLineEnd(comment) : std::string();
        st = params->Add(name, comment ? c.c_str() : nullptr);
      }
      if (st == kOk) st = params->SetString(name, value);
      if (st == kOk) ++added;
      if (st == kNoMemory) result = st;
    }
    zk_free(name);
    zk_free(comment);
    zk_free(value);
    if (result != kOk) break;
  }
  if (addedOut) *addedOut = added;
  return result;
}

void MigrateKeyStorage(const std::string& programFolder, const std::string& value,
                       const std::string& dataFolder, std::vector<std::string>* notes) {
  if (value.empty() || value[0] == '/' || dataFolder.empty()) return;
  const std::string old = programFolder + value;
  const std::string now = dataFolder + "/" + value;
  struct stat st;
  if (stat(old.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  if (lstat(now.c_str(), &st) == 0 || errno != ENOENT) return;
  std::string bytes, why;
  if (MakePrivateFolder(dataFolder) != kOk) return;
  if (!ReadWhole(old, &bytes, &why, uint64_t(1) << 31)) {
    notes->push_back("Your key storage " + old + " cannot be read (" + why +
                     "), so it was not copied to " + now + ".");
    return;
  }
  Held<IFileSystem> fs;
  if (CreateFace(id::FosFileSys, id::StreamIFileSystem, &fs) != kOk) return;
  if (WritePrivateFile(fs, now, bytes) != kOk) {
    notes->push_back("Your key storage " + old + " could not be copied to " + now + ".");
    return;
  }
  notes->push_back("Your key storage was copied from " + old + " to " + now +
                   " (readable by you alone), where Kivora keeps it from now on. The old file is "
                   "left as it is: remove it once you no longer need it, as others may be able "
                   "to read it.");
}

}  // namespace zk::engine
