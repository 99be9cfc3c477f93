// kiv.Keys: the object, its lists and the storage file.
#include "Keys.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "ByteOrder.h"
#include "EngineFactories.h"
#include "FileReplacement.h"
#include "UserFolders.h"

namespace zk::engine {
namespace {

// A zeroed heap block of n bytes, wiped when it goes.
struct SecretBuffer {
  uint8_t* p = nullptr;
  size_t n = 0;
  SecretBuffer() = default;
  // Allocates under Guard: -4 when memory runs out.
  StatusCode Allocate(size_t size) {
    return zk::Guard([&] {
      p = new uint8_t[size ? size : 1]();
      n = size;
      return zk::kOk;
    });
  }
  SecretBuffer(const SecretBuffer&) = delete;
  SecretBuffer& operator=(const SecretBuffer&) = delete;
  ~SecretBuffer() {
    zk::Wipe(p, n);
    delete[] p;
  }
};

// The owner as given, each text cut to 32 characters so that the record
// can always be read back.
void CopyOwner(const zk::KeyOwner* owner, uint8_t out[kOwnerSize]) {
  std::memcpy(out, owner, kOwnerSize);
  for (uint32_t f = 0; f < 4; ++f) out[f * kOwnerField + kOwnerField - 1] = 0;
}

}  // namespace

StatusCode Keys::Make(const char* storagePath, Keys** out) {
  *out = nullptr;
  if (!storagePath) return zk::kInvalidArg;
  Keys* keys = Create();
  if (!keys) return zk::kNoMemory;
  keys->path_ = zk_DupString(storagePath);
  if (!keys->path_) {
    keys->Release();
    return zk::kNoMemory;
  }
  // A service that cannot be made stays absent: its use is the fatal
  // null-interface fault.
  CreateFace(zk::id::FosFileSys, zk::id::StreamIFileSystem, &keys->fs_);
  CreateFace(zk::id::CRCStdCRC, zk::id::CryptoICRC, &keys->crc_);
  CreateFace(zk::id::CipherBlowfish, zk::id::CryptoIBlockCipher, &keys->blowfish_);
  CreateFace(zk::id::HashSHA, zk::id::CryptoIHash, &keys->sha_);
  CreateFace(zk::id::CipherSetPassword, zk::id::CryptoIPassword, &keys->setPassword_);
  *out = keys;
  return zk::kOk;
}

Keys::~Keys() {
  KeepPassword(nullptr);
  zk_free(path_);
  zk::ReleaseAndNull(fs_);
  zk::ReleaseAndNull(crc_);
  zk::ReleaseAndNull(blowfish_);
  zk::ReleaseAndNull(sha_);
  zk::ReleaseAndNull(setPassword_);
}

StatusCode Keys::KeepPassword(const char* password) {
  char* copy = nullptr;
  if (password) {
    copy = zk_DupString(password);
    if (!copy) return zk::kNoMemory;
  }
  if (password_) {
    zk::Wipe(password_, std::strlen(password_));
    zk_free(password_);
  }
  password_ = copy;
  return zk::kOk;
}

uint32_t Keys::GetPrivateKeyCount() { return static_cast<uint32_t>(pairs_.size()); }
uint32_t Keys::GetPublicKeyCount() { return static_cast<uint32_t>(publics_.size()); }

StatusCode Keys::ChangePassword(const char* password) {
  if (!password || !*password) return zk::kInvalidArg;
  if (!password_) return zk::kNotInitialized;
  char* old = zk_DupString(password_);
  if (!old) return zk::kNoMemory;
  StatusCode st = KeepPassword(password);
  if (st == zk::kOk) st = WriteStorage();
  // A storage that was not rewritten keeps its old password.
  if (st != zk::kOk) KeepPassword(old);
  zk::Wipe(old, std::strlen(old));
  zk_free(old);
  return st;
}

StatusCode Keys::StorageExists() {
  ZK_REQUIRE(fs_, zk::id::StreamIFileSystem);
  Held<zk::IFileStrem> file;
  return fs_->OpenFile(path_, 0, &file);
}

StatusCode Keys::DeletePrivateKey(uint32_t index) {
  if (index >= pairs_.size()) return zk::kInvalidArg;
  pairs_.erase(pairs_.begin() + index);
  return zk::kOk;
}

StatusCode Keys::DeletePublicKey(uint32_t index) {
  if (index >= publics_.size()) return zk::kInvalidArg;
  publics_.erase(publics_.begin() + index);
  return zk::kOk;
}

template <class Record>
StatusCode Keys::Insert(RecordList<Record>& list, const Record& record) {
  auto at = std::upper_bound(list.begin(), list.end(), record, [](const Record& a, const Record& b) {
    return CompareOwnerNames(a.Owner(), b.Owner()) < 0;
  });
  try {
    list.insert(at, record);
  } catch (...) {
    return zk::kNoMemory;
  }
  return zk::kOk;
}
template StatusCode Keys::Insert(RecordList<PairRecord>&, const PairRecord&);
template StatusCode Keys::Insert(RecordList<PublicRecord>&, const PublicRecord&);

StatusCode Keys::GenerateKeyPair(const zk::KeyOwner* owner, int32_t bits) {
  if (!owner || bits < 512 || bits > 4096) return zk::kInvalidArg;
  Held<zk::IAsymmetrical> rsa;
  StatusCode st = CreateFace(zk::id::CipherRSA, zk::id::CryptoIAsymmetrical, &rsa);
  if (st != zk::kOk) return st;
  st = rsa->GenerateKey(static_cast<uint32_t>(bits));
  if (st != zk::kOk) return st;
  const uint32_t created = KeyClock();
  RuntimeBlock<uint8_t> blob;
  st = rsa->ExportPrivateKey(&blob.p, &blob.bytes);
  if (st != zk::kOk) return st;
  if (blob.bytes > kMaxPrivateBlob) return zk::kNotExecuted;
  uint8_t ownerBytes[kOwnerSize];
  CopyOwner(owner, ownerBytes);
  auto record = std::make_unique<PairRecord>();
  record->Set(created, static_cast<uint32_t>(bits), ownerBytes, blob.p, blob.bytes);
  st = Insert(pairs_, *record);
  zk::Wipe(record.get(), sizeof(PairRecord));
  return st;
}

StatusCode Keys::GetPrivateKeyInfo(uint32_t index, zk::KeyInfo* info) {
  if (index >= pairs_.size() || !info) return zk::kInvalidArg;
  const PairRecord& r = pairs_[index];
  FillKeyInfo(r.Created(), r.Bits(), r.Owner(), info);
  return zk::kOk;
}

StatusCode Keys::GetPublicKeyInfo(uint32_t index, zk::KeyInfo* info) {
  if (index >= publics_.size() || !info) return zk::kInvalidArg;
  const PublicRecord& r = publics_[index];
  FillKeyInfo(r.Created(), r.Bits(), r.Owner(), info);
  return zk::kOk;
}

StatusCode Keys::Open(const char* password) {
  if (!password || !*password) return zk::kInvalidArg;
  struct stat info;
  if (::stat(path_, &info) != 0) {
    // Only a storage that is not there is made anew.
    if (errno != ENOENT) return zk::kCannotOpen;
    char* old = password_;
    password_ = nullptr;
    StatusCode st = KeepPassword(password);
    if (st == zk::kOk) st = WriteStorage();
    if (st != zk::kOk) {
      KeepPassword(nullptr);
      password_ = old;
      return st;
    }
    if (old) {
      zk::Wipe(old, std::strlen(old));
      zk_free(old);
    }
    return zk::kOk;
  }

  // Part files of saves that were cut short go.
  RemoveStaleParts(path_);
  KeyedFile in;
  StatusCode st = OpenKeyed(path_, password, true, &in);
  if (st != zk::kOk) return st;
  const uint64_t size = in.size;
  const uint8_t* header = in.header;

  // The header's length and the two counts must account for the file
  // exactly, so no count can run a read past the records.
  const uint64_t length = zk::LoadLE32(header + 12);
  if (size != kPrefixSize + kHeaderSize + 8 + length || length + 8 > UINT32_MAX) return zk::kInvalidFormat;
  const size_t bodySize = static_cast<size_t>(length + 8);
  SecretBuffer body;
  if ((st = body.Allocate(bodySize)) != zk::kOk) return st;
  st = EndIsDamage(ReadFully(in.stream.p, body.p, static_cast<uint32_t>(bodySize)));
  if (st != zk::kOk) return st;
  uint8_t digest[32];
  st = ShaOf(body.p, static_cast<uint32_t>(bodySize), digest);
  if (st != zk::kOk) return st;
  if (std::memcmp(digest, header + 16, 32) != 0) return zk::kDigestMismatch;

  const uint64_t pairCount = zk::LoadLE32(body.p);
  const uint64_t pairBytes = pairCount * kPairRecordSize;
  if (pairBytes > length) return zk::kInvalidFormat;
  const uint8_t* publicAt = body.p + 4 + pairBytes;
  const uint64_t publicCount = zk::LoadLE32(publicAt);
  if (pairBytes + publicCount * kPublicRecordSize != length) return zk::kInvalidFormat;

  RecordList<PairRecord> pairs;
  RecordList<PublicRecord> publics;
  try {
    pairs.resize(pairCount);
    publics.resize(publicCount);
  } catch (...) {
    return zk::kNoMemory;
  }
  if (pairCount) std::memcpy(pairs.data(), body.p + 4, pairBytes);
  if (publicCount) std::memcpy(publics.data(), publicAt + 4, publicCount * kPublicRecordSize);
  for (const PairRecord& r : pairs)
    if (!r.Valid()) return zk::kInvalidFormat;
  for (const PublicRecord& r : publics)
    if (!r.Valid()) return zk::kInvalidFormat;

  st = KeepPassword(password);
  if (st != zk::kOk) return st;
  pairs_.swap(pairs);
  publics_.swap(publics);
  return zk::kOk;
}

StatusCode Keys::Save() {
  if (!password_) return zk::kNotInitialized;
  return WriteStorage();
}

StatusCode Keys::WriteStorage() {
  const uint64_t pairBytes = uint64_t(pairs_.size()) * kPairRecordSize;
  const uint64_t publicBytes = uint64_t(publics_.size()) * kPublicRecordSize;
  const uint64_t length = pairBytes + publicBytes;
  if (length + 8 > 0xFFFFFFFFull) return zk::kTooMuch;
  const uint32_t bodySize = static_cast<uint32_t>(length + 8);
  SecretBuffer body;
  if (StatusCode st = body.Allocate(bodySize); st != zk::kOk) return st;
  zk::StoreLE32(body.p, static_cast<uint32_t>(pairs_.size()));
  if (pairBytes) std::memcpy(body.p + 4, pairs_.data(), pairBytes);
  zk::StoreLE32(body.p + 4 + pairBytes, static_cast<uint32_t>(publics_.size()));
  if (publicBytes) std::memcpy(body.p + 8 + pairBytes, publics_.data(), publicBytes);

  // The storage holds private keys: the user's alone, whatever the umask
  // or an earlier file's mode (the replacement takes the old file's mode).
  const unsigned mode = PrivateFileModeBeforeSave(path_);
  StatusCode st =
      WriteKeyed(path_, password_, kKindStorage, body.p, bodySize, static_cast<uint32_t>(length));
  if (st == zk::kOk) SetPrivateFileMode(path_, mode);
  return st;
}

StatusCode Keys::KeyBlowfish(const char* password, const uint8_t plain[kPrefixSize]) {
  ZK_REQUIRE(blowfish_, zk::id::CryptoIBlockCipher);
  if (!password || !*password) return blowfish_->SetKey(plain, kPrefixSize);
  ZK_REQUIRE(setPassword_, zk::id::CryptoIPassword);
  return setPassword_->SetPassword(blowfish_, password, static_cast<uint32_t>(std::strlen(password)));
}

StatusCode Keys::ShaOf(const uint8_t* data, uint32_t size, uint8_t digest[32]) {
  ZK_REQUIRE(sha_, zk::id::CryptoIHash);
  std::memset(digest, 0, 32);
  StatusCode st = sha_->Init();
  if (st == zk::kOk) st = sha_->Update(data, size);
  if (st == zk::kOk) st = sha_->Final(digest, 32);
  return st;
}

StatusCode Keys::OpenKeyed(const char* path, const char* password, bool storage, KeyedFile* out) {
  ZK_REQUIRE(fs_, zk::id::StreamIFileSystem);
  ZK_REQUIRE(crc_, zk::id::CryptoICRC);
  StatusCode st = fs_->OpenFile(path, zk::kOpenBinary, &out->file.p);
  if (st == zk::kOk) st = out->file->GetSize(&out->size);
  if (st != zk::kOk) return st;
  uint8_t stored[kPrefixSize];
  st = EndIsDamage(ReadFully(out->file.p, stored, kPrefixSize));
  if (st != zk::kOk) return st;
  if (CheckPrefix(crc_, stored, 1, out->plain) != zk::kOk) return zk::kInvalidFormat;
  const uint8_t kind = out->plain[6];
  if (storage ? kind != kKindStorage : kind != kKindPublicKey && kind != kKindKeyPair)
    return zk::kInvalidFormat;
  st = KeyBlowfish(password, out->plain);
  if (st == zk::kOk) st = AttachAtTen(out->file.p, blowfish_, &out->stream.p);
  if (st == zk::kOk) st = EndIsDamage(ReadFully(out->stream.p, out->header, kHeaderSize));
  if (st != zk::kOk) return st;
  if (!HeaderCrcHolds(crc_, out->header)) return storage ? zk::kAccessDenied : zk::kHeaderCheck;
  if (out->header[8] != 2) return zk::kInvalidFormat;
  return zk::kOk;
}

StatusCode Keys::WriteKeyed(const char* path, const char* password, uint8_t kind, const uint8_t* body,
                            uint32_t bodySize, uint32_t headerLength) {
  ZK_REQUIRE(fs_, zk::id::StreamIFileSystem);
  ZK_REQUIRE(crc_, zk::id::CryptoICRC);
  if (!path) return zk::kInvalidArg;
  uint8_t digest[32];
  StatusCode st = ShaOf(body, bodySize, digest);
  if (st != zk::kOk) return st;
  const uint32_t now = KeyClock();
  uint8_t plain[kPrefixSize], stored[kPrefixSize], header[kHeaderSize];
  BuildPrefix(crc_, static_cast<uint16_t>(now), 1, kind, plain, stored);
  BuildHeader(crc_, now, 2, headerLength, digest, header);
  st = KeyBlowfish(password, plain);
  if (st != zk::kOk) return st;
  return WriteBeside(fs_, path, [&](zk::IFileStrem* file) {
    StatusCode s = file->Write(stored, kPrefixSize);
    if (s != zk::kOk) return s;
    Held<zk::IFileStrem> cs;
    s = AttachAtTen(file, blowfish_, &cs.p);
    if (s == zk::kOk) s = cs->Write(header, kHeaderSize);
    if (s == zk::kOk) s = cs->Write(body, bodySize);
    return s;
  });
}

StatusCode MakeKeys(const char* storagePath, IKeysCtrl** out) {
  if (!out) return kInvalidArg;
  *out = nullptr;
  Keys* keys = nullptr;
  StatusCode st = Keys::Make(storagePath, &keys);
  if (st != kOk) return st;
  *out = keys;
  return kOk;
}

}  // namespace zk::engine
