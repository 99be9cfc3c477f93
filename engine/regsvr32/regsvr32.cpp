// regsvr32: registers or unregisters a library of the system by loading it
// and calling its DllRegisterServer or DllUnregisterServer.
//
//   regsvr32 [-s] [-u] <library>
//
// -u unregisters; -s leaves out the message on success. Blanks at the end
// of the library name are dropped (the engine's command line quotes the
// name with a blank before the closing quote). Failures are written to
// standard error and to the program's log. Exit codes: 0 done, 1 usage,
// 3 the library cannot be loaded, 4 it has no such entry, 5 the entry
// reported a failure.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "zk5main.h"

namespace {

void Report(const std::string& text) {
  std::fprintf(stderr, "regsvr32: %s\n", text.c_str());
  zk_WriteToLog(("regsvr32: " + text).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  bool silent = false, unregister = false;
  std::string library;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "-s" || a == "/s") {
      silent = true;
    } else if (a == "-u" || a == "/u") {
      unregister = true;
    } else if (library.empty() && !a.empty() && a[0] != '-') {
      library = a;
    } else {
      library.clear();
      break;
    }
  }
  while (!library.empty() && (library.back() == ' ' || library.back() == '\t')) library.pop_back();
  if (library.empty()) {
    std::fprintf(stderr, "usage: regsvr32 [-s] [-u] <library>\n");
    return 1;
  }
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    Report("cannot load " + library + (why ? std::string(": ") + why : std::string()));
    return 3;
  }
  const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  using EntryFunction = int32_t (*)();
  auto function = reinterpret_cast<EntryFunction>(dlsym(handle, entry));
  if (!function) {
    Report(library + " has no " + entry);
    return 4;
  }
  int32_t result = function();
  if (result != 0) {
    Report(std::string(entry) + " in " + library + " failed with " + std::to_string(result));
    return 5;
  }
  if (!silent) std::printf("%s in %s succeeded.\n", entry, library.c_str());
  return 0;
}
