#include "Platform.h"

#include <dlfcn.h>

#include "ProgramFolder.h"

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
  return zk::ProgramPath();
}

std::string ProgramFolder() { return zk::FolderOf(ProgramPath()); }

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
