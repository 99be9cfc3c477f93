// kiv_make_secret <path> <password> <text>: writes a message secret file
// with the engine beside this program (Blowfish, SHA-1), for the install
// test to open with the installed program. Exit 0 on success.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ZkTestSupport.h"
#include "kvSafeDriver.h"
#include "zk5main.h"

namespace {

std::string OwnFolder() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  std::string path(buffer, size_t(n));
  return path.substr(0, path.rfind('/') + 1);
}

int Fail(const char* what, int32_t code) {
  std::fprintf(stderr, "kiv_make_secret: %s failed (%d)\n", what, code);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: kiv_make_secret <path> <password> <text>\n");
    return 2;
  }
  if (!dlopen((OwnFolder() + "kiv_safe.so").c_str(), RTLD_NOW | RTLD_NODELETE))
    return Fail("loading kiv_safe.so", -1);
  zk::IBase* base = nullptr;
  if (int32_t st = zk_CreateInstance(zk::id::KivSafeDriverApp, &base); st != 0) return Fail("the driver", st);
  zk::ISafeDriverApp* driver = zktest::Face<zk::ISafeDriverApp>(base, zk::id::KivISafeDriverApp);
  base->Release();
  if (!driver) return Fail("the driver's interface", -7);
  if (int32_t st = driver->Start(); st != 0) return Fail("Start", st);
  zk::IKivSecret* secret = nullptr;
  if (int32_t st = driver->CreateSecret(&secret); st != 0) return Fail("CreateSecret", st);
  zk::SecretParams p{};
  p.contentType = zk::kContentMessage;
  p.format = zk::kFormatSecretFile;
  p.hashIndex = zk::kHashSHA;
  p.cipherIndex = zk::kCipherBlowfish;
  p.headerByte = 1;
  p.keyLength = uint16_t(std::strlen(argv[2]));
  std::memcpy(p.key, argv[2], p.keyLength);
  zk::IBase* content = nullptr;
  if (int32_t st = secret->Create(argv[1], &p, &content); st != 0) return Fail("Create", st);
  zk::IMessage* message = zktest::Face<zk::IMessage>(content, zk::id::KivIMessage);
  content->Release();
  if (!message) return Fail("the message's interface", -7);
  int32_t st = message->SetText(argv[3]);
  message->Release();
  secret->Close();
  secret->Release();
  driver->Release();
  return st == 0 ? 0 : Fail("SetText", st);
}
