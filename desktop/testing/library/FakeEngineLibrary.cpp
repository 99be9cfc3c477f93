// A stand-in for kiv_safe.so in the program's process tests: registers
// kiv.SafeDriverApp as the fake driver, whose Start fails with kCannotOpen when the
// program's folder holds no kiv_config.txt, as the engine's does.
// KIVFAKE_FAIL=textres or appparam makes that call fail. Its secrets are
// the chain tests' fakes; with KIVFAKE_CALLS=<file> each probe and open is
// written there as a line "probe <path>" or "open <path>".
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ProgramFolder.h"
#include "desktop/testing/FakeChainSecret.h"
#include "desktop/testing/FakeEngine.h"
#include "zk5main.h"

namespace {

desktoptest::SecretLog g_log;

void Note(const std::string& line) {
  const char* file = std::getenv("KIVFAKE_CALLS");
  if (!file || !*file) return;
  if (FILE* f = std::fopen(file, "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

class LibrarySecret : public desktoptest::ChainSecret {
 public:
  LibrarySecret() : ChainSecret(&g_log) {}
  StatusCode Probe(const char* path, int32_t format, int32_t* version, int32_t* content,
                   int32_t* flags) override {
    Note(std::string("probe ") + path);
    return ChainSecret::Probe(path, format, version, content, flags);
  }
  StatusCode Open(const char* path, const zk::SecretParams* params, zk::IBase** out) override {
    Note(std::string("open ") + path);
    return ChainSecret::Open(path, params, out);
  }
};

class LibraryDriver : public desktoptest::FakeDriver {
 public:
  LibraryDriver() {
    secretFactory = [] { return new LibrarySecret(); };
    const char* fail = std::getenv("KIVFAKE_FAIL");
    std::string f = fail ? fail : "";
    if (f == "textres") textResResult = zk::kNotFound;
    if (f == "appparam") appParamResult = zk::kNotFound;
  }
  StatusCode Start() override {
    struct stat st;
    if (stat((zk::ProgramFolder() + "kiv_config.txt").c_str(), &st) != 0) return zk::kCannotOpen;
    return FakeDriver::Start();
  }
};

StatusCode Factory(zk::IBase** out) {
  if (!out) return zk::kInvalidArg;
  *out = new LibraryDriver();
  return zk::kOk;
}

[[maybe_unused]] const int registered = (zk_RegistryClass(zk::id::KivSafeDriverApp, &Factory), 0);

}  // namespace
