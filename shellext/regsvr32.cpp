// regsvr32 [-s] [-u] LIBRARY: registers an in-process server library by
// calling its DllRegisterServer (or, with -u, DllUnregisterServer). -s
// leaves out the success message; failures are always written to stderr.
// Blanks around the library's path are trimmed (the engine's command line
// has one before its closing quote).
//
// Exit codes: 0 done, 1 bad arguments, 3 the library does not load, 4 it
// lacks the function, 5 the function failed.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string Trimmed(const std::string& s) {
  size_t from = s.find_first_not_of(" \t");
  if (from == std::string::npos) return {};
  return s.substr(from, s.find_last_not_of(" \t") - from + 1);
}

}  // namespace

int main(int argc, char** argv) {
  bool silent = false, unregister = false;
  std::string library;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-s") == 0 || std::strcmp(argv[i], "/s") == 0)
      silent = true;
    else if (std::strcmp(argv[i], "-u") == 0 || std::strcmp(argv[i], "/u") == 0)
      unregister = true;
    else if (library.empty())
      library = Trimmed(argv[i]);
    else
      library.clear(), i = argc;  // more than one library
  }
  if (library.empty()) {
    std::fprintf(stderr, "usage: regsvr32 [-s] [-u] LIBRARY\n");
    return 1;
  }
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    std::fprintf(stderr, "regsvr32: cannot load %s: %s\n", library.c_str(), dlerror());
    return 3;
  }
  const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  auto function = reinterpret_cast<int32_t (*)()>(dlsym(handle, name));
  if (!function) {
    std::fprintf(stderr, "regsvr32: %s has no %s\n", library.c_str(), name);
    return 4;
  }
  int32_t result = function();
  if (result < 0) {
    std::fprintf(stderr, "regsvr32: %s in %s failed: 0x%08X\n", name, library.c_str(),
                 unsigned(result));
    return 5;
  }
  if (!silent) std::printf("%s in %s succeeded.\n", name, library.c_str());
  return 0;
}
