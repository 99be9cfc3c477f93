// fos.FileSys: the one door to the file system. Paths are byte strings;
// open flags arrive in the system's own values and are translated here.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "FileStream.h"
#include "ToolkitObject.h"
#include "zk5Stream.h"

namespace zk {
namespace {

constexpr int32_t kAccessMask = 0x0003;
constexpr int32_t kOpenWriteOnly = 0x0001;
constexpr int32_t kOpenExclusive = 0x0400;
// Permission bits of the system's permission mode.
constexpr int32_t kPermRead = 0x0100;
constexpr int32_t kPermWrite = 0x0080;

// Frees what an out-parameter holds and stores a copy of text there.
StatusCode PutName(char** out, const char* text) {
  if (*out) {
    zk_free(*out);
    *out = nullptr;
  }
  *out = zk_DupString(text);
  return *out ? kOk : kNoMemory;
}

struct Translated {
  int flags;
  bool temporary;
};

// Every flag the system knows, turned into the platform's one by one;
// anything else is dropped, never passed through.
bool TranslateFlags(int32_t oflag, Translated& t) {
  t = {O_CLOEXEC, false};
  switch (oflag & kAccessMask) {
    case kOpenReadOnly: t.flags |= O_RDONLY; break;
    case kOpenWriteOnly: t.flags |= O_WRONLY; break;
    case kOpenReadWrite: t.flags |= O_RDWR; break;
    default: return false;
  }
  if (oflag & kOpenCreate) t.flags |= O_CREAT;
  if (oflag & kOpenTruncate) t.flags |= O_TRUNC;
  if (oflag & kOpenExclusive) t.flags |= O_EXCL;
  if (oflag & kOpenTemporary) {
    // A staging file: made afresh, never through a planted link, and gone
    // once closed (its name is removed as soon as it is open).
    t.temporary = true;
    if (t.flags & O_CREAT) t.flags |= O_EXCL;
    t.flags |= O_NOFOLLOW;
  }
  // kOpenBinary: files have no text mode here.
  return true;
}

mode_t TranslateMode(int32_t pmode) {
  mode_t m = 0;
  if (pmode & kPermRead) m |= S_IRUSR | S_IRGRP | S_IROTH;
  if (pmode & kPermWrite) m |= S_IWUSR | S_IWGRP | S_IWOTH;
  return m;  // narrowed further by the process's umask
}

// Removes everything inside the open directory dfd, then nothing else.
// Links are removed, never followed; depth is bounded.
StatusCode ClearDir(int dfd, int depth) {
  if (depth > 256) return kFatal;
  DIR* dir = fdopendir(dfd);
  if (!dir) {
    ::close(dfd);
    return kFatal;
  }
  std::vector<std::string> names;
  StatusCode failed = Guard([&]() -> StatusCode {
    while (dirent* e = readdir(dir)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      names.emplace_back(e->d_name);
    }
    return kOk;
  });
  if (failed != kOk) {
    closedir(dir);
    return failed;
  }
  StatusCode result = kOk;
  int fd = dirfd(dir);
  for (const std::string& name : names) {
    struct stat st;
    if (fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // already gone
    if (S_ISDIR(st.st_mode)) {
      int sub = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub < 0) {
        result = kFatal;
        break;
      }
      result = ClearDir(sub, depth + 1);
      if (result != kOk) break;
      if (unlinkat(fd, name.c_str(), AT_REMOVEDIR) != 0) {
        result = kFatal;
        break;
      }
    } else if (unlinkat(fd, name.c_str(), 0) != 0) {
      result = kCannotDelete;
      break;
    }
  }
  closedir(dir);
  return result;
}

class FileSys final : public ToolkitObject<FileSys, IFileSystem> {
 public:
  static constexpr const char* kClassId = id::FosFileSys;
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIFileSystem, 0}};

  ~FileSys() {
    CloseSearch();
    zk_free(mask_);
  }

  StatusCode MakeDir(const char* path) override {
    if (!path) return kInvalidArg;
    return mkdir(path, 0777) == 0 ? kOk : kFatal;
  }

  StatusCode CreateFile(const char* path, int32_t oflag, int32_t pmode, IFileStrem** streamOut) override {
    return Open(path, oflag | kOpenCreate | kOpenTruncate, TranslateMode(pmode), streamOut);
  }

  StatusCode RemoveDirTree(const char* path) override {
    if (!path) return kInvalidArg;
    struct stat st;
    if (lstat(path, &st) != 0) return kNotFound;
    // A link to a directory is removed itself; its target is left alone.
    if (!S_ISDIR(st.st_mode)) return unlink(path) == 0 ? kOk : kCannotDelete;
    int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return kFatal;  // cannot be entered: nothing is deleted
    StatusCode st2 = ClearDir(fd, 0);
    if (st2 != kOk) return st2;
    return rmdir(path) == 0 ? kOk : kFatal;
  }

  StatusCode DeleteFile(const char* path) override {
    if (!path) return kInvalidArg;
    return unlink(path) == 0 ? kOk : kCannotDelete;
  }

  StatusCode SetFindMask(const char* pattern) override {
    if (!pattern) return kInvalidArg;
    CloseSearch();
    if (pattern == mask_) return kOk;
    char* copy = zk_DupString(pattern);
    if (!copy) return kNoMemory;
    zk_free(mask_);
    mask_ = copy;
    return kOk;
  }

  StatusCode FindNextFile(char** nameOut, FindRecord* recordOut) override {
    if (!nameOut) return kInvalidArg;
    return FindNext(false, nameOut, recordOut);
  }

  StatusCode FindNextDir(char** nameOut) override {
    if (!nameOut) return kInvalidArg;
    return FindNext(true, nameOut, nullptr);
  }

  StatusCode GetCurrentDir(char** nameOut) override {
    if (!nameOut) return kInvalidArg;
    char buffer[4096];
    if (!getcwd(buffer, sizeof buffer)) return kFatal;
    return PutName(nameOut, buffer);
  }

  StatusCode GetFileSize(const char* path, uint64_t* sizeOut) override {
    if (!path || !sizeOut) return kInvalidArg;
    struct stat st;
    if (stat(path, &st) != 0) return kInvalidArg;
    *sizeOut = static_cast<uint64_t>(st.st_size);
    return kOk;
  }

  StatusCode GetFileTimes(const char* path, uint32_t* createdOut, uint32_t* modifiedOut) override {
    if (!path) return kInvalidArg;
    struct stat st;
    if (stat(path, &st) != 0) return kInvalidArg;
    // No settable creation time here: it reads back as the modification time.
    if (createdOut) *createdOut = static_cast<uint32_t>(st.st_mtime);
    if (modifiedOut) *modifiedOut = static_cast<uint32_t>(st.st_mtime);
    return kOk;
  }

  StatusCode MakeTempName(char** nameOut) override {
    if (!nameOut) return kInvalidArg;
    const char* dir = std::getenv("TMPDIR");
    if (!dir || dir[0] != '/') dir = "/tmp";
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    uint8_t random[12];
    if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
      // Unpredictable enough for a name; exclusive creation guards the rest.
      for (uint8_t& r : random) r = static_cast<uint8_t>(std::rand());
    }
    std::string name = std::string(dir) + "/kv";
    for (uint8_t r : random) name += kChars[r % 36];
    name += ".tmp";
    return PutName(nameOut, name.c_str());
  }

  StatusCode OpenFile(const char* path, int32_t oflag, IFileStrem** streamOut) override {
    return Open(path, oflag, 0666, streamOut);
  }

  StatusCode ChangeDir(const char* path) override {
    if (!path) return kInvalidArg;
    [[maybe_unused]] int r = chdir(path);
    return kOk;
  }

  StatusCode GetDiskFree(uint64_t* bytesOut) override {
    if (!bytesOut) return kInvalidArg;
    *bytesOut = 0;
    struct statvfs v;
    if (statvfs(".", &v) != 0) return kNotExecuted;
    *bytesOut = static_cast<uint64_t>(v.f_bavail) * static_cast<uint64_t>(v.f_frsize);
    return kOk;
  }

  StatusCode SetFileTimes(const char* path, uint32_t created, uint32_t modified) override {
    (void)created;  // no settable creation time on this platform
    if (!path) return kInvalidArg;
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return kInvalidArg;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_NOW;
    times[1].tv_sec = static_cast<time_t>(modified);  // unsigned: dates past 2038 work
    times[1].tv_nsec = 0;
    int r = futimens(fd, times);
    ::close(fd);
    return r == 0 ? kOk : kInvalidArg;
  }

 private:
  struct Entry {
    std::string name;
    bool isDir;
    uint32_t modified;
    uint64_t size;
  };

  StatusCode Open(const char* path, int32_t oflag, mode_t mode, IFileStrem** streamOut) {
    if (!path || !streamOut) return kInvalidArg;
    ReleaseAndNull(*streamOut);
    Translated t;
    if (!TranslateFlags(oflag, t)) return kCannotOpen;
    int fd = open(path, t.flags, mode);
    if (fd < 0) return kCannotOpen;
    if (t.temporary) unlink(path);  // deleted on close
    FileStream* s = FileStream::Create();
    if (!s) {
      ::close(fd);
      return kOk;
    }
    s->Adopt(fd);
    *streamOut = s;
    return kOk;
  }

  void CloseSearch() {
    searching_ = false;
    found_.clear();
    next_ = 0;
  }

  // Starts a search: every entry of the mask's folder whose name matches
  // the mask's last part, as the folder listed it.
  StatusCode StartSearch() {
    const char* mask = mask_ ? mask_ : "";
    std::string folder = ".";
    std::string pattern = mask;
    if (const char* slash = std::strrchr(mask, '/')) {
      folder.assign(mask, slash - mask);
      if (folder.empty()) folder = "/";
      pattern = slash + 1;
    }
    if (pattern == "*.*") pattern = "*";  // every name, with or without a dot
    DIR* dir = opendir(folder.c_str());
    if (!dir) return kNotFound;
    StatusCode failed = Guard([&]() -> StatusCode {
      while (dirent* e = readdir(dir)) {
        if (fnmatch(pattern.c_str(), e->d_name, 0) != 0) continue;
        std::string full = folder + "/" + e->d_name;
        struct stat st;
        if (lstat(full.c_str(), &st) != 0) continue;
        Entry entry{e->d_name, S_ISDIR(st.st_mode), 0, 0};
        // A link is listed as a file, with what it points to.
        if (S_ISLNK(st.st_mode)) stat(full.c_str(), &st);
        entry.modified = static_cast<uint32_t>(st.st_mtime);
        entry.size = static_cast<uint64_t>(st.st_size);
        found_.push_back(std::move(entry));
      }
      return kOk;
    });
    if (failed != kOk) {
      closedir(dir);
      found_.clear();
      return failed;
    }
    closedir(dir);
    if (found_.empty()) return kNotFound;
    searching_ = true;
    next_ = 0;
    return kOk;
  }

  StatusCode FindNext(bool wantDir, char** nameOut, FindRecord* recordOut) {
    if (!searching_) {
      StatusCode st = StartSearch();
      if (st != kOk) return st;
    }
    while (next_ < found_.size()) {
      const Entry& e = found_[next_++];
      if (e.isDir != wantDir) continue;
      StatusCode st = PutName(nameOut, e.name.c_str());
      if (st != kOk) return st;
      if (recordOut) {
        recordOut->created = e.modified;
        recordOut->modified = e.modified;
        recordOut->size = e.size;
      }
      return kOk;
    }
    return kNotFound;
  }

  char* mask_ = nullptr;
  bool searching_ = false;
  std::vector<Entry> found_;
  size_t next_ = 0;
};

}  // namespace
}  // namespace zk

using zk::FileSys;
ZK_REGISTER_CLASS(FileSys)
