#include "Platform.h"

#include <dlfcn.h>
#include <unistd.h>

namespace zk::engine {

namespace {
std::string& PathOverride() {
  static std::string path;
  return path;
}
}  // namespace

void SetProgramPathForTests(const std::string& path) { PathOverride() = path; }

std::string ProgramPath() {
  if (!PathOverride().empty()) return PathOverride();
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, size_t(n));
}

std::string ProgramFolder() {
  std::string path = ProgramPath();
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void LoadFromProgramFolder(const char* name) {
  std::string path = ProgramFolder() + name + ".so";
  // Libraries stay loaded while the program runs.
  [[maybe_unused]] void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
}

std::string JoinPath(const std::string& folder, const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  return folder + path;
}

}  // namespace zk::engine
