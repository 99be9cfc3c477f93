// Writes the seeds of fuzz_secret_open: secrets made by the engine under the
// target's fixed password and for its fixed key pair, at a fixed clock.
// Built beside the fuzz targets; run from the source root:
//   build-fuzz/bin/make_secret_open_seeds fuzz/seeds/fuzz_secret_open
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "EngineTables.h"
#include "SecretOpenKit.h"
#include "tests/SeamTestSupport.h"

namespace {

uint32_t FixedNow() { return 1765432100u; }

struct Seed {
  const char* name;
  uint8_t contentType;
  bool rsa;
  uint8_t cipher;
  uint8_t hash;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
    return 2;
  }
  zk::engine::SetClockForTests(&FixedNow);
  secretopen::Kit kit;
  const std::string disk = kit.Path("notes.txt");
  std::ofstream(disk) << "a short file for the seeds\n";
  const Seed seeds[] = {
      {"password_message", zk::kContentMessage, false, zk::kCipherBlowfish, zk::kHashSHA},
      {"password_file_aes", zk::kContentFile, false, zk::kCipherAES32, zk::kHashSHA32},
      {"password_safe_3way", zk::kContentSafe, false, zk::kCipher3Way, zk::kHashGOST},
      {"rsa_message", zk::kContentMessage, true, zk::kCipherBlowfish, zk::kHashSHA},
      {"rsa_file_cast", zk::kContentFile, true, zk::kCipherCAST128, zk::kHashMD5},
      {"rsa_message_aes", zk::kContentMessage, true, zk::kCipherAES32, zk::kHashSHA},
  };
  mkdir(argv[1], 0755);
  for (const Seed& s : seeds) {
    zk::SecretParams p = secretopen::Params();
    p.contentType = s.contentType;
    p.cipherIndex = s.cipher;
    p.hashIndex = s.hash;
    if (s.rsa) {
      p.flags = 1;
      std::memset(p.key, 0, sizeof p.key);
      uint32_t length = 0;
      if (kit.driver->keys->GetPublicKeyBlob(p.key, 1, 0, &length) != 0) std::abort();
      p.keyLength = uint16_t(length);
    }
    const std::string path = kit.Path("seed.kvs");
    unlink(path.c_str());
    zk::IKivSecret* secret = kit.NewSecret();
    zk::IBase* content = nullptr;
    if (secret->Create(path.c_str(), &p, &content) != 0) std::abort();
    StatusCode st = -1;
    if (s.contentType == zk::kContentMessage) {
      zk::IMessage* m = zktest::MustFace<zk::IMessage>(content, zk::id::KivIMessage);
      st = m->SetText("Hello from the seed maker.");
      m->Release();
    } else if (s.contentType == zk::kContentFile) {
      zk::IKivFile* f = zktest::MustFace<zk::IKivFile>(content, zk::id::KivIKivFile);
      st = f->LoadFromDisk(disk.c_str(), 0, nullptr);
      f->Release();
    } else {
      zk::ISafe* safe = zktest::MustFace<zk::ISafe>(content, zk::id::KivISafe);
      st = safe->CreateFolder("\\", "Docs");
      if (st == 0) st = safe->AddFile("\\Docs", disk.c_str(), 1, nullptr);
      if (st == 0) st = safe->Commit();
      safe->Release();
    }
    content->Release();
    secret->Release();
    if (st != 0) {
      std::fprintf(stderr, "%s: %d\n", s.name, st);
      return 1;
    }
    // Each seed opens as the target opens it.
    zk::IKivSecret* again = kit.NewSecret();
    zk::SecretParams open = secretopen::Params();
    content = nullptr;
    st = again->Open(path.c_str(), &open, &content);
    if (content) content->Release();
    again->Release();
    if (st != 0) {
      std::fprintf(stderr, "%s does not open: %d\n", s.name, st);
      return 1;
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(std::string(argv[1]) + "/" + s.name, std::ios::binary)
        .write(bytes.data(), std::streamsize(bytes.size()));
    std::printf("%s: %zu bytes\n", s.name, bytes.size());
  }
  return 0;
}
