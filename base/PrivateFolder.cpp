#include "PrivateFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace zk {

namespace {

FolderRefusal Judge(const struct stat& st) {
  if (S_ISLNK(st.st_mode)) return FolderRefusal::kLink;
  if (!S_ISDIR(st.st_mode)) return FolderRefusal::kNotFolder;
  if (st.st_uid != getuid()) return FolderRefusal::kOtherOwner;
  return FolderRefusal::kNone;
}

std::string UserFolderName() { return "kivora-" + std::to_string(getuid()); }

}  // namespace

FolderRefusal InspectPrivateFolder(const std::string& path) {
  struct stat st;
  if (path.empty() || lstat(path.c_str(), &st) != 0) return FolderRefusal::kCannotMake;
  return Judge(st);
}

FolderRefusal PreparePrivateFolder(const std::string& path, bool withParents) {
  if (path.empty()) return FolderRefusal::kCannotMake;
  if (withParents && path[0] == '/') {
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
      mkdir(path.substr(0, at).c_str(), 0700);
  }
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return FolderRefusal::kCannotMake;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return FolderRefusal::kCannotMake;
  FolderRefusal why = Judge(st);
  if (why != FolderRefusal::kNone) return why;
  if ((st.st_mode & 077) != 0 && chmod(path.c_str(), 0700) != 0) return FolderRefusal::kCannotClose;
  return FolderRefusal::kNone;
}

std::string StagingFolder() {
  const char* base = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (!base || base[0] != '/' || stat(base, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid())
    base = std::getenv("TMPDIR");
  if (!base || base[0] != '/') base = "/tmp";
  return std::string(base) + "/" + UserFolderName();
}

}  // namespace zk
