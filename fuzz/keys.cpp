// The key storage's readers over arbitrary bytes: never a crash, a hang, a
// read past a record or a huge allocation. The first input byte picks how
// the rest becomes a file: as it stands, or (most runs) as the plain text
// behind a valid prefix, encrypted as the system does, with the header's
// CRC and digest made to match, so that the record parsing is reached.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ByteOrder.h"
#include "FuzzSupport.h"
#include "EngineFactories.h"
#include "KeyFormat.h"
#include "KeysCommon.h"
#include "tests/KnownKeyFiles.h"
#include "kvSafeDriver.h"
#include "zk5Cipher.h"

namespace {

void Put(const std::string& path, const uint8_t* p, size_t n);
std::vector<uint8_t> FromHex(const char* hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) out.push_back(static_cast<uint8_t>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
  return out;
}

struct World {
  zktest::TempDir temp;
  std::string dir = temp.path(), storage, input, signedFile;
  zk::IKeysCtrl* keys = nullptr;
  zk::IKeySign* sign = nullptr;
  zk::ICRC* crc = nullptr;
  zk::IHash* sha = nullptr;
  zk::IFileSystem* fs = nullptr;
  World() {
    if (dir == "/tmp") std::abort();  // no directory of its own
    zkfuzz::LoadBeside("zk5storage");
    zkfuzz::LoadBeside("zk5cipher");
    storage = dir + "/keys.kst";
    input = dir + "/input";
    signedFile = dir + "/signed.txt";
    crc = zktest::MustCreate<zk::ICRC>(zk::id::CRCStdCRC, zk::id::CryptoICRC);
    sha = zktest::MustCreate<zk::IHash>(zk::id::HashSHA, zk::id::CryptoIHash);
    fs = zktest::MustCreate<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
    if (zk::engine::MakeKeys(storage.c_str(), &keys) != 0) std::abort();
    sign = zktest::Face<zk::IKeySign>(keys, zk::id::KivIKeySign);
    // The known pair (the seeds' signer) and the public part of another
    // pair, so the signer search runs over both lists.
    const std::string pair = dir + "/pair.kvk", part = dir + "/part.kvk";
    const std::vector<uint8_t> pairBytes = FromHex(enginetest::known::kPairFile);
    Put(pair, pairBytes.data(), pairBytes.size());
    zk::KeyOwner owner{};
    std::strcpy(owner.name, "fuzz");
    if (keys->ImportKeys(pair.c_str(), "") != 0 || keys->GenerateKeyPair(&owner, 512) != 0 ||
        keys->ExportPublicPart(part.c_str(), 1) != 0 || keys->ImportKeys(part.c_str(), "") != 0 ||
        keys->DeletePrivateKey(1) != 0)
      std::abort();
    Put(signedFile, reinterpret_cast<const uint8_t*>(enginetest::known::kSignedText), std::strlen(enginetest::known::kSignedText));
  }
};

World& W() {
  static World w;
  return w;
}

void Put(const std::string& path, const uint8_t* p, size_t n) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (n) std::fwrite(p, 1, n, f);
  std::fclose(f);
}

// Header CRC and digest of the bytes after it made right (when long enough).
void FixHeader(std::vector<uint8_t>& plain, zk::IHash* hash, bool digest) {
  if (plain.size() < zk::engine::kHeaderSize) return;
  if (digest) {
    uint8_t d[32] = {};
    hash->Init();
    hash->Update(plain.data() + zk::engine::kHeaderSize, static_cast<uint32_t>(plain.size() - zk::engine::kHeaderSize));
    hash->Final(d, 32);
    std::memcpy(plain.data() + 16, d, 32);
  }
  zk::StoreLE16(plain.data() + 50, static_cast<uint16_t>(W().crc->Crc16(0, plain.data(), 50)));
}

// prefix + plain encrypted from byte 10 under a password or the prefix key.
[[maybe_unused]] void WriteEncrypted(const std::string& path, uint8_t kind, const char* password,
                    const std::vector<uint8_t>& plainRest) {
  World& w = W();
  uint8_t plain[10], stored[10];
  zk::engine::BuildPrefix(w.crc, 0x1234, 1, kind, plain, stored);
  zk::IBlockCipher* bf = zktest::MustCreate<zk::IBlockCipher>(zk::id::CipherBlowfish, zk::id::CryptoIBlockCipher);
  if (password) {
    zk::IPassword* pw = zktest::MustCreate<zk::IPassword>(zk::id::CipherSetPassword, zk::id::CryptoIPassword);
    pw->SetPassword(bf, password, static_cast<uint32_t>(std::strlen(password)));
    pw->Release();
  } else {
    bf->SetKey(plain, 10);
  }
  zk::IFileStrem* file = nullptr;
  if (w.fs->CreateFile(path.c_str(), 0x8002, 0x180, &file) != 0) std::abort();
  file->Write(stored, 10);
  zk::IFileStrem* cs = nullptr;
  if (zk::engine::AttachAtTen(file, bf, &cs) != 0) std::abort();
  if (!plainRest.empty()) cs->Write(plainRest.data(), static_cast<uint32_t>(plainRest.size()));
  cs->Release();
  file->Release();
  bf->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 1 << 20) return 0;
  World& w = W();
  const uint8_t mode = data[0];
  std::vector<uint8_t> rest(data + 1, data + size);
  const bool raw = (mode & 3) == 0;
  const bool digest = (mode & 4) != 0;
#if defined(KIV_KEYS_STORAGE)
  if (raw) {
    Put(w.storage, rest.data(), rest.size());
  } else {
    FixHeader(rest, w.sha, digest);
    WriteEncrypted(w.storage, zk::engine::kKindStorage, "pw", rest);
  }
  zk::IKeysCtrl* keys = nullptr;
  if (zk::engine::MakeKeys(w.storage.c_str(), &keys) != 0) std::abort();
  if (keys->Open("pw") == 0) {
    zk::KeyInfo info;
    for (uint32_t i = 0; i < keys->GetPrivateKeyCount(); ++i) keys->GetPrivateKeyInfo(i, &info);
    for (uint32_t i = 0; i < keys->GetPublicKeyCount(); ++i) {
      uint8_t blob[520];
      uint32_t n = 0;
      keys->GetPublicKeyBlob(blob, 0, i, &n);
    }
    if (keys->GetPrivateKeyCount()) {
      uint8_t blob[520];
      uint32_t n = 0;
      keys->GetPublicKeyBlob(blob, 1, 0, &n);
    }
  }
  keys->Release();
#elif defined(KIV_KEYS_IMPORT)
  const uint8_t kind = (mode & 8) ? zk::engine::kKindKeyPair : zk::engine::kKindPublicKey;
  if (raw) {
    Put(w.input, rest.data(), rest.size());
  } else {
    FixHeader(rest, w.sha, digest);
    WriteEncrypted(w.input, kind, (mode & 16) ? "pw" : nullptr, rest);
  }
  const uint32_t pairs = w.keys->GetPrivateKeyCount(), publics = w.keys->GetPublicKeyCount();
  if (w.keys->ImportKeys(w.input.c_str(), (mode & 16) ? "pw" : "") == 0) {
    if (w.keys->GetPrivateKeyCount() > pairs) {
      uint8_t blob[520];
      uint32_t n = 0;
      w.keys->GetPublicKeyBlob(blob, 1, pairs, &n);
      w.keys->DeletePrivateKey(w.keys->GetPrivateKeyCount() - 1);
    }
    // Drop the new entries again so every run starts from the same storage.
    while (w.keys->GetPrivateKeyCount() > pairs) w.keys->DeletePrivateKey(pairs);
    while (w.keys->GetPublicKeyCount() > publics) w.keys->DeletePublicKey(0);
  }
#elif defined(KIV_KEYS_SIGNATURE)
  if (!raw && rest.size() >= zk::engine::kPrefixSize + zk::engine::kHeaderSize) {
    // A valid prefix and header over the fuzzed signature and name.
    uint8_t plain[10];
    zk::engine::BuildPrefix(w.crc, 0x4321, 0, zk::engine::kKindSignature, plain, rest.data());
    std::vector<uint8_t> tail(rest.begin() + zk::engine::kPrefixSize, rest.end());
    uint32_t hashIndex = 1 + (mode >> 4) % 4;
    zk::StoreLE32(tail.data() + 8, hashIndex);
    zk::StoreLE32(tail.data() + 12, static_cast<uint32_t>(tail.size() - zk::engine::kHeaderSize));
    zk::IHash* hash = nullptr;
    if (zk::engine::MakeKeyHash(hashIndex, &hash) != 0) std::abort();
    FixHeader(tail, hash, digest);
    hash->Release();
    std::memcpy(rest.data() + zk::engine::kPrefixSize, tail.data(), tail.size());
  }
  Put(w.input, rest.data(), rest.size());
  char* name = nullptr;
  zk::CalendarTime when;
  int32_t isPair, reserved, hashIndex;
  w.sign->ReadSignature(w.input.c_str(), &name, &when, &isPair, &reserved, &hashIndex);
  zk_free(name);
  w.sign->VerifyFile(w.signedFile.c_str(), w.input.c_str());
#endif
  return 0;
}
