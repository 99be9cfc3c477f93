// Built into every test program: before any test runs, HOME,
// XDG_CONFIG_HOME and XDG_DATA_HOME point into a fresh private folder
// (removed at exit), so nothing a test starts (the engine driver, the
// program, the registration) writes into the real home of whoever runs
// the tests. Tests that need folders of their own set them again.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

// The test program itself, as against a child it forks.
const pid_t kTestProcess = getpid();

struct PrivateHome {
  std::string folder;
  PrivateHome() {
    char tmpl[] = "/tmp/kivhome.XXXXXX";
    if (!mkdtemp(tmpl)) return;
    folder = tmpl;
    chmod(folder.c_str(), 0700);
    setenv("HOME", folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (folder + "/.local/share").c_str(), 1);
  }
  ~PrivateHome() {
    // A forked child that exits (a death test, a process test) leaves the
    // folder to the test program that made it.
    if (getpid() != kTestProcess) return;
    std::error_code ec;
    if (!folder.empty()) std::filesystem::remove_all(folder, ec);
  }
};

const PrivateHome kPrivateHome;

}  // namespace

// LeakSanitizer's check at a forked child's exit takes the allocator's lock,
// which another thread of the test program may have held at the fork (the
// entropy sampler draws all the time): in such a child it would wait
// forever. The check runs in the test program itself; forked children skip it.
extern "C" __attribute__((visibility("default"), used)) int __lsan_is_turned_off() {
  return getpid() != kTestProcess;
}
