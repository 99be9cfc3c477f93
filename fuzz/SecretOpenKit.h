// What fuzz_secret_open and its seed maker share: the libraries a secret
// needs, a private folder (in /dev/shm when there is one), a key storage
// holding the fixed 512-bit key pair of the known key files, a driver that
// hands it out, and the fixed password of the password mode.
#pragma once
#include <dlfcn.h>
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "EngineFactories.h"
#include "FuzzSupport.h"
#include "kvSafeDriver.h"
#include "tests/FakeKeysDriver.h"
#include "tests/KnownKeyFiles.h"

namespace secretopen {

inline constexpr char kPassword[] = "fuzzed";

// Parameters of Open (Create takes the same, with the fields it needs).
inline zk::SecretParams Params() {
  zk::SecretParams p;
  std::memset(&p, 0, sizeof p);
  p.format = zk::kFormatSecretFile;
  p.headerByte = 1;
  p.keyLength = sizeof kPassword - 1;
  std::memcpy(p.key, kPassword, sizeof kPassword - 1);
  return p;
}

struct Kit {
  std::string dir;
  enginetest::FakeKeysDriver* driver = nullptr;

  Kit() {
    for (const char* lib : {"zk5storage", "zk5cipher", "zk5arc"}) zkfuzz::LoadBeside(lib);
    char shm[] = "/dev/shm/kivfuzz.XXXXXX";
    char tmp[] = "/tmp/kivfuzz.XXXXXX";
    const char* d = mkdtemp(shm);
    if (!d) d = mkdtemp(tmp);
    if (!d) std::abort();
    dir = d;
    driver = enginetest::FakeKeysDriver::Create();
    if (!driver || zk::engine::MakeKeys(Path("keys.kst").c_str(), &driver->keys) != 0) std::abort();
    const std::string pair = Path("pair.kvk");
    std::vector<uint8_t> bytes;
    for (const char* h = enginetest::known::kPairFile; h[0] && h[1]; h += 2)
      bytes.push_back(uint8_t(std::strtoul(std::string(h, 2).c_str(), nullptr, 16)));
    if (FILE* f = std::fopen(pair.c_str(), "wb")) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    if (driver->keys->ImportKeys(pair.c_str(), "") != 0 || driver->keys->GetPrivateKeyCount() != 1) std::abort();
    unlink(pair.c_str());
  }
  ~Kit() {
    driver->Release();
    // Whatever was made in the folder goes with it.
    if (DIR* d = opendir(dir.c_str())) {
      while (const dirent* e = readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) unlink(Path(e->d_name).c_str());
      closedir(d);
    }
    rmdir(dir.c_str());
  }
  std::string Path(const char* name) const { return dir + "/" + name; }
  zk::IKivSecret* NewSecret() const {
    zk::IKivSecret* s = nullptr;
    if (zk::engine::MakeSecret(driver, &s) != 0 || !s) std::abort();
    return s;
  }
};

}  // namespace secretopen
