#include "UserFolders.h"

#include "PrivateFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace zk::engine {

namespace {

// $HOME when absolute, else the password database's home of the user.
std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  const passwd* pw = getpwuid(getuid());
  if (pw && pw->pw_dir && pw->pw_dir[0] == '/') return pw->pw_dir;
  return std::string();
}

std::string XdgFolder(const char* variable, const char* fallback) {
  const char* base = std::getenv(variable);
  if (base && base[0] == '/') return std::string(base) + "/kivora";
  std::string home = HomeFolder();
  if (home.empty()) return std::string();
  if (home.size() > 1 && home.back() == '/') home.pop_back();
  return home + fallback + "/kivora";
}

}  // namespace

std::string UserConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", "/.config"); }

std::string UserDataFolder() { return XdgFolder("XDG_DATA_HOME", "/.local/share"); }

StatusCode MakePrivateFolder(const std::string& path) {
  if (path.empty() || path[0] != '/') return kCannotOpen;
  return PreparePrivateFolder(path, true) == FolderRefusal::kNone ? kOk : kCannotOpen;
}

unsigned PrivateFileModeBeforeSave(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return 0600;
  const unsigned own = st.st_mode & 0700;
  if ((st.st_mode & 07777) != own) chmod(path.c_str(), own);
  return own;
}

void SetPrivateFileMode(const std::string& path, unsigned mode) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 07777) != mode)
    chmod(path.c_str(), mode);
}

}  // namespace zk::engine
