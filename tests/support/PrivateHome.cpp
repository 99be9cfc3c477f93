// Built into every test program: before any test runs, HOME,
// XDG_CONFIG_HOME and XDG_DATA_HOME point into a fresh private folder
// (removed at exit), so nothing a test starts (the engine driver, the
// program, the registration) writes into the real home of whoever runs
// the tests. Tests that need folders of their own set them again.
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace {

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
    std::error_code ec;
    if (!folder.empty()) std::filesystem::remove_all(folder, ec);
  }
};

const PrivateHome kPrivateHome;

}  // namespace
