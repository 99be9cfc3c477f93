// kiv_shell_cmd add|put|wipe FILES...: what the file managers' action
// files run. It loads the extension kiv_shell_ext.so from its own folder
// through the library's exports, builds its menu and invokes the chosen
// command on the files, as a file manager with in-process extensions
// would.
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ProgramFolder.h"
#include "ShellExtHost.h"

namespace {

// The program running the command has a working folder of its own.
std::string Absolute(const std::string& name) {
  if (!name.empty() && name[0] == '/') return name;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return name;
  std::string folder = cwd;
  return folder + (folder.back() == '/' ? "" : "/") + name;
}

int Usage() {
  std::fprintf(stderr, "usage: kiv_shell_cmd add|put|wipe FILES...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const char* const words[] = {"add", "put", "wipe"};
  int command = -1;
  for (int i = 0; i < 3; ++i)
    if (std::strcmp(argv[1], words[i]) == 0) command = i;
  if (command < 0) return Usage();
  std::vector<std::string> names;
  for (int i = 2; i < argc; ++i)
    if (argv[i][0]) names.push_back(Absolute(argv[i]));
  if (names.empty()) return Usage();

  kiv::shellext::ShellExtModule module;
  std::string error;
  if (!module.Load(zk::ProgramFolder() + "kiv_shell_ext.so", &error)) {
    std::fprintf(stderr, "kiv_shell_cmd: %s\n", error.c_str());
    return 1;
  }
  kiv::shellext::HostRun run = kiv::shellext::RunCommand(module, names, command);
  if (run.result != kiv::com::S_OK) {
    std::fprintf(stderr, "kiv_shell_cmd: %s (0x%08X)\n", run.error.c_str(), unsigned(run.result));
    return 1;
  }
  return 0;
}
