// The content readers of a secret (kiv.Message GetText, kiv.File
// GetFileInfo and SaveToDisk) over arbitrary plaintext content. The first
// byte chooses the kind (bit 0: file) and the rest is the content: it is
// stored through the secret's Save under a fixed password, the secret is
// opened again (its digest must hold) and read back. Never a crash, a hang,
// a read outside memory or more output than the stored sizes allow.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "EngineFactories.h"
#include "FuzzSupport.h"
#include "kvSafeDriver.h"

namespace {

using zktest::ProgramDir;

struct Setup {
  std::string dir;
  zk::IKivSecret* secret[2] = {};
  zk::IBase* content[2] = {};
  zk::SecretParams params;

  Setup() {
    for (const char* lib : {"zk5storage", "zk5cipher", "zk5arc"}) {
      std::string path = ProgramDir() + "/" + lib + ".so";
      if (!dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) std::abort();
    }
    char tmpl[] = "/dev/shm/kivfuzz.XXXXXX";
    char tmpl2[] = "/tmp/kivfuzz.XXXXXX";
    const char* d = mkdtemp(tmpl);
    if (!d) d = mkdtemp(tmpl2);
    if (!d) std::abort();
    dir = d;
    std::memset(&params, 0, sizeof params);
    params.format = zk::kFormatSecretFile;
    params.hashIndex = zk::kHashSHA;
    params.cipherIndex = zk::kCipherBlowfish;
    params.headerByte = 1;
    params.keyLength = 6;
    std::memcpy(params.key, "fuzzed", 6);
    for (int kind = 0; kind < 2; ++kind) {
      params.contentType = uint8_t(kind ? zk::kContentFile : zk::kContentMessage);
      if (zk::engine::MakeSecret(nullptr, &secret[kind]) != 0) std::abort();
      if (secret[kind]->Create(Path(kind).c_str(), &params, &content[kind]) != 0) std::abort();
    }
  }
  ~Setup() {
    for (int kind = 0; kind < 2; ++kind) {
      if (content[kind]) content[kind]->Release();
      if (secret[kind]) secret[kind]->Release();
      unlink(Path(kind).c_str());
    }
    rmdir(dir.c_str());
  }
  std::string Path(int kind) const { return dir + (kind ? "/f.kvs" : "/m.kvs"); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Setup setup;
  if (size < 1 || size > (1u << 20)) return 0;
  const int kind = data[0] & 1;
  // The content, stored through the provider.
  zk::IBase* base = nullptr;
  if (zk_CreateInstance(zk::id::StorageMemStream, &base) != 0) std::abort();
  zk::IFileStrem* mem = zktest::MustFace<zk::IFileStrem>(base, zk::id::StreamIFileStrem);
  base->Release();
  if (size > 1) mem->Write(data + 1, uint32_t(size - 1));
  mem->Seek(0, zk::kSeekSet);
  zk::IStreamProvider* provider = zktest::MustFace<zk::IStreamProvider>(setup.secret[kind], zk::id::KivIStreamProvider);
  if (provider->Save(mem, nullptr, nullptr, 0) != 0) std::abort();
  provider->Release();
  mem->Release();

  // Opened again: the digest holds, so the reader sees these bytes.
  zk::IKivSecret* secret = nullptr;
  if (zk::engine::MakeSecret(nullptr, &secret) != 0) std::abort();
  zk::IBase* content = nullptr;
  if (secret->Open(setup.Path(kind).c_str(), &setup.params, &content) != 0) std::abort();
  if (kind == 0) {
    zk::IMessage* message = zktest::MustFace<zk::IMessage>(content, zk::id::KivIMessage);
    char* text = nullptr;
    if (message->GetText(&text) == 0 && text) {
      // The text is what the length says, within what a decoder may give.
      if (size - 1 < 4) std::abort();
      zk_free(text);
    }
    message->Release();
  } else {
    zk::IKivFile* file = zktest::MustFace<zk::IKivFile>(content, zk::id::KivIKivFile);
    char* name = nullptr;
    zk::FileContentInfo info;
    if (file->GetFileInfo(&name, &info) == 0) {
      if (!name || std::strlen(name) + 18 > size - 1) std::abort();
    }
    if (name) zk_free(name);
    const std::string out = setup.dir + "/out.bin";
    if (file->SaveToDisk(out.c_str(), nullptr) == 0) {
      struct stat st;
      if (stat(out.c_str(), &st) != 0) std::abort();
      // A stored file is exactly its recorded size.
      if (size - 1 >= 18 && !(data[5] & 1) && uint64_t(st.st_size) != (uint64_t(data[1]) | uint64_t(data[2]) << 8 |
                                                                         uint64_t(data[3]) << 16 | uint64_t(data[4]) << 24))
        std::abort();
    }
    unlink(out.c_str());
    file->Release();
  }
  content->Release();
  secret->Release();
  return 0;
}
