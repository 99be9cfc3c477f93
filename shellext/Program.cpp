#include "Program.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "ProgramFolder.h"
#include "kvMessageSocket.h"

namespace kiv::shellext {

namespace {

void Pause(int milliseconds) {
  timespec t{milliseconds / 1000, long(milliseconds % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

int Connect() {
  std::string folder = wm::RuntimeFolder();
  return folder.empty() ? -1 : wm::ConnectTo(wm::SocketPath(folder));
}

// Starts the program as a grandchild in a session of its own, so it
// outlives the file manager and nobody has to wait for it. Only
// async-signal-safe calls between fork and exec: the host may run threads.
bool StartDetached(const std::string& program) {
  if (access(program.c_str(), X_OK) != 0) return false;
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    setsid();
    pid_t grandchild = fork();
    if (grandchild == 0) {
      int null = open("/dev/null", O_RDONLY);
      if (null >= 0) dup2(null, 0);
      execv(argv[0], argv);
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::string ModulePath() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&ModulePath), &info) || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  if (!path.empty() && path[0] == '/') return path;
  char full[PATH_MAX];
  return realpath(path.c_str(), full) ? std::string(full) : std::string();
}

std::string ModuleFolder() { return zk::FolderOf(ModulePath()); }

int FindOrStartProgram() {
  int fd = Connect();
  if (fd >= 0) return fd;
  // A program file that cannot be started is not waited for.
  if (!StartDetached(ModuleFolder() + kProgramName)) return -1;
  for (int i = 0; i < kStartPolls; ++i) {
    Pause(kPollMilliseconds);
    fd = Connect();
    if (fd >= 0) return fd;
  }
  return -1;
}

}  // namespace kiv::shellext
