// kiv.Keys: detached signatures of files (.kvg) made with a key pair and
// checked against every key of the storage (kiv.IKeySign).
#include <cstring>
#include <memory>
#include <string>

#include "ByteOrder.h"
#include "Keys.h"
#include "EngineCommon.h"

namespace zk::engine {
namespace {

constexpr uint32_t kBlockSize = 44;  // the signed block: 11 limbs
constexpr uint32_t kBlockLimbs = 11;
constexpr uint32_t kCheckWord = 0x5356494B;  // "KIVS" read as a little-endian word
// A stored name longer than any file name is a damaged file, not a name.
constexpr uint64_t kMaxStoredName = 4096;

// What follows the last path separator ("/" here, "\" as the system
// writes names), all of it when there is none.
const char* BaseName(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '/' || *p == '\\') name = p + 1;
  return name;
}

// Digests the 2-byte signature length, the signature and the name.
StatusCode DigestSignature(zk::IHash* hash, const uint8_t* sig, uint16_t sigLength, const void* name,
                           uint32_t nameLength, uint8_t digest[32]) {
  std::memset(digest, 0, 32);
  uint8_t length[2];
  zk::StoreLE16(length, sigLength);
  StatusCode st = hash->Init();
  if (st == zk::kOk) st = hash->Update(length, 2);
  if (st == zk::kOk) st = hash->Update(sig, sigLength);
  if (st == zk::kOk && nameLength) st = hash->Update(name, nameLength);
  if (st == zk::kOk) st = hash->Final(digest, 32);
  return st;
}

// A file's whole content through the hash of a HashIndex.
StatusCode DigestFile(zk::IFileSystem* fs, const char* path, zk::IHash* hash, uint8_t digest[32]) {
  Held<zk::IFileStrem> file;
  StatusCode st = fs->OpenFile(path, zk::kOpenBinary, &file);
  if (st != zk::kOk) return st;
  return DigestRest(hash, file.p, digest);
}

// The signed block when `limbs` (at most 11, fewer zero-extended) hold one.
bool IsSignedBlock(zk::ICRC* crc, const uint32_t* limbs, uint32_t count, uint8_t block[kBlockSize]) {
  if (count > kBlockLimbs) return false;
  std::memset(block, 0, kBlockSize);
  for (uint32_t i = 0; i < count; ++i) zk::StoreLE32(block + 4 * i, limbs[i]);
  return zk::LoadLE32(block + 4) == kCheckWord && crc->Crc32(0, block, 40) == zk::LoadLE32(block + 40);
}

}  // namespace

StatusCode Keys::SignFile(const char* filePath, const char* signaturePath, uint32_t keyIndex,
                          int32_t hashIndex) {
  return zk::Guard([&] { return DoSignFile(filePath, signaturePath, keyIndex, hashIndex); });
}

StatusCode Keys::DoSignFile(const char* filePath, const char* signaturePath, uint32_t keyIndex,
                            int32_t hashIndex) {
  ZK_REQUIRE(fs_, zk::id::StreamIFileSystem);
  ZK_REQUIRE(crc_, zk::id::CryptoICRC);
  if (!filePath || !signaturePath) return zk::kInvalidArg;
  Held<zk::IHash> hash;
  uint8_t block[kBlockSize] = {};
  {
    Held<zk::IFileStrem> file;
    StatusCode st = fs_->OpenFile(filePath, zk::kOpenBinary, &file);
    if (st != zk::kOk) return st;
    st = MakeKeyHash(static_cast<uint32_t>(hashIndex), &hash.p);
    if (st != zk::kOk) return st;
    st = DigestRest(hash.p, file.p, block + 8);
    if (st != zk::kOk) return st;
  }
  const char* name = BaseName(filePath);
  const uint32_t nameLength = static_cast<uint32_t>(std::strlen(name));
  const uint32_t now = KeyClock();
  zk::StoreLE32(block, now);
  zk::StoreLE32(block + 4, kCheckWord);
  zk::StoreLE32(block + 40, crc_->Crc32(0, block, 40));
  uint32_t limbs[kBlockLimbs];
  for (uint32_t i = 0; i < kBlockLimbs; ++i) limbs[i] = zk::LoadLE32(block + 4 * i);

  RuntimeBlock<uint32_t> sig;
  StatusCode st = PrivateEncrypt(keyIndex, limbs, kBlockLimbs, &sig.p, &sig.bytes);
  if (st != zk::kOk) return st;
  const uint32_t count = sig.bytes;  // the limb count, until made a byte count
  sig.bytes = count * 4;
  if (count == 0 || count * 4 > 0xFFFF) return zk::kNotExecuted;
  const uint16_t sigLength = static_cast<uint16_t>(count * 4);
  std::unique_ptr<uint8_t[]> sigBytes(new uint8_t[sigLength]);
  for (uint32_t i = 0; i < count; ++i) zk::StoreLE32(sigBytes.get() + 4 * i, sig.p[i]);

  uint8_t digest[32];
  st = DigestSignature(hash.p, sigBytes.get(), sigLength, name, nameLength, digest);
  if (st != zk::kOk) return st;
  uint8_t plain[kPrefixSize], stored[kPrefixSize], header[kHeaderSize], length[2];
  BuildPrefix(crc_, static_cast<uint16_t>(now), 0, kKindSignature, plain, stored);
  BuildHeader(crc_, now, static_cast<uint32_t>(hashIndex), 2u + sigLength + nameLength, digest, header);
  zk::StoreLE16(length, sigLength);
  return WriteBeside(fs_, signaturePath, [&](zk::IFileStrem* file) {
    StatusCode s = file->Write(stored, kPrefixSize);
    if (s == zk::kOk) s = file->Write(header, kHeaderSize);
    if (s == zk::kOk) s = file->Write(length, 2);
    if (s == zk::kOk) s = file->Write(sigBytes.get(), sigLength);
    if (s == zk::kOk && nameLength) s = file->Write(name, nameLength);
    return s;
  });
}

StatusCode Keys::LoadSignature(const char* signaturePath, char** nameOut, uint8_t block[44],
                               int32_t* signerIsPair, int32_t* signerIndex, uint32_t* hashIndex) {
  ZK_REQUIRE(fs_, zk::id::StreamIFileSystem);
  ZK_REQUIRE(crc_, zk::id::CryptoICRC);
  if (!signaturePath) return zk::kInvalidArg;
  Held<zk::IFileStrem> file;
  StatusCode st = fs_->OpenFile(signaturePath, zk::kOpenBinary, &file);
  if (st != zk::kOk) return st;
  uint64_t size = 0;
  st = file->GetSize(&size);
  if (st != zk::kOk) return st;
  uint8_t stored[kPrefixSize], plain[kPrefixSize], header[kHeaderSize], length[2];
  st = EndIsDamage(ReadFully(file.p, stored, kPrefixSize));
  if (st != zk::kOk) return st;
  if (CheckPrefix(crc_, stored, 0, plain) != zk::kOk || plain[6] != kKindSignature)
    return zk::kInvalidFormat;
  st = EndIsDamage(ReadFully(file.p, header, kHeaderSize));
  if (st != zk::kOk) return st;
  if (!HeaderCrcHolds(crc_, header)) return zk::kHeaderCheck;
  st = EndIsDamage(ReadFully(file.p, length, 2));
  if (st != zk::kOk) return st;
  const uint16_t sigLength = zk::LoadLE16(length);
  const uint64_t fixed = uint64_t(kPrefixSize) + kHeaderSize + 2;
  if (sigLength == 0 || sigLength % 4 != 0 || size < fixed + sigLength) return zk::kInvalidFormat;
  const uint64_t nameLength = size - fixed - sigLength;
  if (nameLength > kMaxStoredName || zk::LoadLE32(header + 12) != 2 + sigLength + nameLength)
    return zk::kInvalidFormat;
  std::unique_ptr<uint8_t[]> sig(new uint8_t[sigLength]);
  std::unique_ptr<char[]> name(new char[nameLength + 1]);
  st = EndIsDamage(ReadFully(file.p, sig.get(), sigLength));
  if (st == zk::kOk && nameLength)
    st = EndIsDamage(ReadFully(file.p, name.get(), static_cast<uint32_t>(nameLength)));
  if (st != zk::kOk) return st;
  name[nameLength] = 0;

  Held<zk::IHash> hash;
  st = MakeKeyHash(header[8], &hash.p);
  if (st != zk::kOk) return st;
  uint8_t digest[32];
  st = DigestSignature(hash.p, sig.get(), sigLength, name.get(), static_cast<uint32_t>(nameLength), digest);
  if (st != zk::kOk) return st;
  if (std::memcmp(digest, header + 16, 32) != 0) return zk::kDigestMismatch;

  // The signer: public keys first, then the key pairs, each in list order.
  const uint32_t count = sigLength / 4;
  std::unique_ptr<uint32_t[]> limbs(new uint32_t[count]);
  for (uint32_t i = 0; i < count; ++i) limbs[i] = zk::LoadLE32(sig.get() + 4 * i);
  Held<zk::IAsymmetrical> rsa;
  st = CreateFace(zk::id::CipherRSA, zk::id::CryptoIAsymmetrical, &rsa);
  if (st != zk::kOk) return st;
  auto tryKey = [&](const uint8_t* blob, uint32_t blobLength, bool pair) {
    StatusCode s = pair ? rsa->ImportPrivateKey(blob, blobLength) : rsa->ImportPublicKey(blob, blobLength);
    if (s != zk::kOk) return false;
    RuntimeBlock<uint32_t> out;
    uint32_t outCount = 0;
    if (rsa->PublicEncrypt(limbs.get(), count, &out.p, &outCount) != zk::kOk) return false;
    out.bytes = outCount * 4;
    return IsSignedBlock(crc_, out.p, outCount, block);
  };
  int32_t found = -1, index = 0;
  for (const PublicRecord& r : publics_) {
    if (tryKey(r.Blob(), r.BlobLength(), false)) {
      found = 0;
      break;
    }
    ++index;
  }
  if (found < 0) {
    index = 0;
    for (const PairRecord& r : pairs_) {
      if (tryKey(r.Blob(), r.BlobLength(), true)) {
        found = 1;
        break;
      }
      ++index;
    }
  }
  if (found < 0) return zk::kNotFound;
  if (nameOut) {
    *nameOut = zk_DupString(name.get());
    if (!*nameOut) return zk::kNoMemory;
  }
  *signerIsPair = found;
  *signerIndex = index;
  *hashIndex = header[8];
  return zk::kOk;
}

StatusCode Keys::ReadSignature(const char* signaturePath, char** fileNameOut, zk::CalendarTime* signTimeOut,
                               int32_t* signerIsPairOut, int32_t* reservedOut, int32_t* hashIndexOut) {
  return zk::Guard([&] {
    return DoReadSignature(signaturePath, fileNameOut, signTimeOut, signerIsPairOut, reservedOut, hashIndexOut);
  });
}

StatusCode Keys::DoReadSignature(const char* signaturePath, char** fileNameOut, zk::CalendarTime* signTimeOut,
                                 int32_t* signerIsPairOut, int32_t* reservedOut, int32_t* hashIndexOut) {
  if (!fileNameOut) return zk::kInvalidArg;
  if (*fileNameOut) {
    zk_free(*fileNameOut);
    *fileNameOut = nullptr;
  }
  if (signTimeOut) *signTimeOut = zk::CalendarTime{};
  if (signerIsPairOut) *signerIsPairOut = 0;
  if (reservedOut) *reservedOut = 0;
  if (hashIndexOut) *hashIndexOut = 0;
  uint8_t block[kBlockSize];
  int32_t isPair = 0, signer = 0;
  uint32_t hashIndex = 0;
  StatusCode st = LoadSignature(signaturePath, fileNameOut, block, &isPair, &signer, &hashIndex);
  if (st != zk::kOk) return st;
  if (signTimeOut) *signTimeOut = LocalCalendar(zk::LoadLE32(block));
  if (signerIsPairOut) *signerIsPairOut = isPair;
  // The signer's place in its list, so a caller can show whose key it is.
  if (reservedOut) *reservedOut = signer;
  if (hashIndexOut) *hashIndexOut = static_cast<int32_t>(hashIndex);
  return zk::kOk;
}

StatusCode Keys::VerifyFile(const char* filePath, const char* signaturePath) {
  return zk::Guard([&] { return DoVerifyFile(filePath, signaturePath); });
}

StatusCode Keys::DoVerifyFile(const char* filePath, const char* signaturePath) {
  if (!filePath) return zk::kInvalidArg;
  uint8_t block[kBlockSize];
  int32_t isPair = 0, signer = 0;
  uint32_t hashIndex = 0;
  StatusCode st = LoadSignature(signaturePath, nullptr, block, &isPair, &signer, &hashIndex);
  if (st != zk::kOk) return st;
  Held<zk::IHash> hash;
  st = MakeKeyHash(hashIndex, &hash.p);
  if (st != zk::kOk) return st;
  uint8_t digest[32];
  st = DigestFile(fs_, filePath, hash.p, digest);
  if (st != zk::kOk) return st;
  return std::memcmp(digest, block + 8, 32) == 0 ? zk::kOk : zk::kDigestMismatch;
}

}  // namespace zk::engine
