#include "Launcher.h"

#include "ToolkitObject.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>
#include <vector>

#include "Platform.h"

namespace zk::engine {

namespace {

LaunchFunction& Current() {
  static LaunchFunction launcher;
  return launcher;
}

bool Executable(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string FindProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return Executable(name) ? name : std::string();
  std::string local = ProgramFolder() + name;
  if (Executable(local)) return local;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    size_t end = dirs.find(':', start);
    std::string dir = dirs.substr(start, end - start);
    if (!dir.empty()) {
      std::string candidate = dir + "/" + name;
      if (Executable(candidate)) return candidate;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return std::string();
}

// Starts the program as a grandchild, so nobody has to wait for it and it
// leaves no zombie behind.
StatusCode Spawn(const std::string& commandLine) {
  std::vector<std::string> args = SplitCommandLine(commandLine);
  if (args.empty()) return kInvalidArg;
  std::string program = FindProgram(args[0]);
  if (program.empty()) return kNotFound;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child < 0) return kNotExecuted;
  if (child == 0) {
    pid_t grandchild = fork();
    if (grandchild == 0) {
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno == ECHILD) return kOk;  // the host reaps its children itself
    if (errno != EINTR) return kNotExecuted;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kOk : kNotExecuted;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> args;
  std::string current;
  bool inArg = false, quoted = false;
  for (char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inArg = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inArg) args.push_back(current);
      current.clear();
      inArg = false;
    } else {
      current += c;
      inArg = true;
    }
  }
  if (inArg) args.push_back(current);
  return args;
}

StatusCode Launch(const std::string& commandLine) {
  return Guard([&] { return Current() ? Current()(commandLine) : Spawn(commandLine); });
}

void SetLauncherForTests(LaunchFunction launcher) { Current() = std::move(launcher); }

}  // namespace zk::engine
