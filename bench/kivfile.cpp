// A small command-line driver over the engine for timing whole commands
// beside gpg, 7z and the like: saves a file secret and opens one, as the
// program does for a user. A benchmark tool, not a shipped program.
//
//   bench_kivfile save [--stored] [--cipher N] [--hash N] INPUT SECRET
//   bench_kivfile open SECRET OUTPUT
//
// The password comes from KIV_PASSWORD. Cipher and hash default to those
// of the shipped kiv_config.txt. Loads zk5storage, zk5cipher, zk5steg and
// zk5arc from its own folder.
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchSupport.h"
#include "EngineFactories.h"
#include "kvSafeDriver.h"

namespace {

using namespace zk;

int Fail(const char* what, StatusCode st) {
  std::fprintf(stderr, "bench_kivfile: %s failed with %d\n", what, st);
  return 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: bench_kivfile save [--stored] [--cipher N] [--hash N] INPUT SECRET\n"
               "       bench_kivfile open SECRET OUTPUT\n"
               "(password in KIV_PASSWORD)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string verb = argv[1];
  bool stored = false;
  const zkbench::ShippedSettings shipped = zkbench::ReadShippedSettings();
  int cipher = shipped.cipher, hash = shipped.hash;
  std::string paths[2];
  int n = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--stored") stored = true;
    else if (a == "--cipher" && i + 1 < argc) cipher = std::atoi(argv[++i]);
    else if (a == "--hash" && i + 1 < argc) hash = std::atoi(argv[++i]);
    else if (n < 2) paths[n++] = a;
    else return Usage();
  }
  const char* password = std::getenv("KIV_PASSWORD");
  if (n != 2 || !password || (verb != "save" && verb != "open")) return Usage();
  for (const char* lib : {"zk5storage", "zk5cipher", "zk5steg", "zk5arc"}) {
    const std::string path = zktest::ProgramDir() + "/" + lib + ".so";
    if (!dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) return Fail(path.c_str(), -1);
  }
  IKivSecret* secret = nullptr;
  StatusCode st = engine::MakeSecret(nullptr, &secret);
  if (st != kOk) return Fail("MakeSecret", st);
  SecretParams p;
  std::memset(&p, 0, sizeof p);
  p.format = kFormatSecretFile;
  p.hashIndex = uint8_t(hash);
  p.cipherIndex = uint8_t(cipher);
  p.headerByte = 1;
  p.keyLength = uint16_t(std::min<size_t>(std::strlen(password), sizeof p.key));
  std::memcpy(p.key, password, p.keyLength);
  IBase* content = nullptr;
  if (verb == "save") {
    p.contentType = kContentFile;
    if ((st = secret->Create(paths[1].c_str(), &p, &content)) != kOk) return Fail("Create", st);
    IKivFile* file = zktest::Face<IKivFile>(content, id::KivIKivFile);
    if (!file) return Fail("IKivFile", -1);
    st = file->LoadFromDisk(paths[0].c_str(), stored ? 0 : 1, nullptr);
    file->Release();
    if (st != kOk) return Fail("LoadFromDisk", st);
  } else {
    if ((st = secret->Open(paths[0].c_str(), &p, &content)) != kOk) return Fail("Open", st);
    IKivFile* file = zktest::Face<IKivFile>(content, id::KivIKivFile);
    if (!file) return Fail("IKivFile", -1);
    st = file->SaveToDisk(paths[1].c_str(), nullptr);
    file->Release();
    if (st != kOk) return Fail("SaveToDisk", st);
  }
  content->Release();
  secret->Release();
  return 0;
}
