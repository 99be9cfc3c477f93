#include "ProgramFolder.h"

#include <limits.h>
#include <unistd.h>

namespace zk {

std::string ProgramPath() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  // A full buffer may be a cut path: none is better than a wrong one.
  if (n <= 0 || size_t(n) >= sizeof buffer) return std::string();
  return std::string(buffer, size_t(n));
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ProgramFolder() { return FolderOf(ProgramPath()); }

}  // namespace zk
