// kiv.Keys: key files (.kvk), public key blobs and the selection.
#include <cstring>
#include <memory>

#include "ByteOrder.h"
#include "engine/Keys.h"

namespace kiv {

StatusCode Keys::WriteKeyFile(const char* path, const char* password, uint8_t kind, const uint8_t* record,
                              uint32_t size) {
  ZK_REQUIRE(fs_, zk::id::StreamIFileSystem);
  ZK_REQUIRE(crc_, zk::id::CryptoICRC);
  ZK_REQUIRE(blowfish_, zk::id::CryptoIBlockCipher);
  ZK_REQUIRE(sha_, zk::id::CryptoIHash);
  ZK_REQUIRE(setPassword_, zk::id::CryptoIPassword);
  if (!path) return zk::kInvalidArg;
  const uint32_t now = KeyClock();
  uint8_t plain[kPrefixSize], stored[kPrefixSize], header[kHeaderSize];
  BuildPrefix(crc_, static_cast<uint16_t>(now), 1, kind, plain, stored);
  StatusCode st = password && *password
                      ? setPassword_->SetPassword(blowfish_, password,
                                                  static_cast<uint32_t>(std::strlen(password)))
                      : blowfish_->SetKey(plain, kPrefixSize);
  if (st != zk::kOk) return st;
  uint8_t digest[32] = {};
  st = sha_->Init();
  if (st == zk::kOk) st = sha_->Update(record, size);
  if (st == zk::kOk) st = sha_->Final(digest, sizeof digest);
  if (st != zk::kOk) return st;
  BuildHeader(crc_, now, 2, size, digest, header);
  return WriteBeside(fs_, path, [&](zk::IFileStrem* file) {
    StatusCode s = file->Write(stored, kPrefixSize);
    if (s != zk::kOk) return s;
    Held<zk::IFileStrem> cs;
    s = AttachAtTen(file, blowfish_, &cs.p);
    if (s == zk::kOk) s = cs->Write(header, kHeaderSize);
    if (s == zk::kOk) s = cs->Write(record, size);
    return s;
  });
}

StatusCode Keys::ExportPrivateKey(const char* path, const char* password, uint32_t index) {
  if (index >= pairs_.size()) return zk::kInvalidArg;
  auto copy = std::make_unique<PairRecord>(pairs_[index]);
  StatusCode st = WriteKeyFile(path, password, kKindKeyPair, copy->bytes, kPairRecordSize);
  zk::Wipe(copy.get(), sizeof(PairRecord));
  return st;
}

StatusCode Keys::ExportPublicKey(const char* path, uint32_t index) {
  if (index >= publics_.size()) return zk::kInvalidArg;
  const PublicRecord copy = publics_[index];
  return WriteKeyFile(path, nullptr, kKindPublicKey, copy.bytes, kPublicRecordSize);
}

StatusCode Keys::PublicPartOf(const PairRecord& pair, PublicRecord* out) {
  Held<zk::IAsymmetrical> rsa;
  StatusCode st = CreateFace(zk::id::CipherRSA, zk::id::CryptoIAsymmetrical, &rsa);
  if (st == zk::kOk) st = rsa->ImportPrivateKey(pair.Blob(), pair.BlobLength());
  if (st != zk::kOk) return st;
  RuntimeBlock<uint8_t> blob;
  st = rsa->ExportPublicKey(&blob.p, &blob.bytes);
  if (st != zk::kOk) return st;
  if (blob.bytes > kMaxPublicBlob) return zk::kNotExecuted;
  out->Set(pair.Created(), pair.Bits(), pair.Owner(), blob.p, blob.bytes);
  return zk::kOk;
}

StatusCode Keys::ExportPublicPart(const char* path, uint32_t index) {
  if (index >= pairs_.size()) return zk::kInvalidArg;
  PublicRecord record;
  StatusCode st = PublicPartOf(pairs_[index], &record);
  if (st != zk::kOk) return st;
  return WriteKeyFile(path, nullptr, kKindPublicKey, record.bytes, kPublicRecordSize);
}

StatusCode Keys::ImportKeys(const char* path, const char* password) {
  ZK_REQUIRE(fs_, zk::id::StreamIFileSystem);
  ZK_REQUIRE(crc_, zk::id::CryptoICRC);
  ZK_REQUIRE(blowfish_, zk::id::CryptoIBlockCipher);
  ZK_REQUIRE(sha_, zk::id::CryptoIHash);
  ZK_REQUIRE(setPassword_, zk::id::CryptoIPassword);
  if (!path) return zk::kInvalidArg;
  Held<zk::IFileStrem> file;
  StatusCode st = fs_->OpenFile(path, zk::kOpenBinary, &file);
  if (st != zk::kOk) return st;
  uint64_t size = 0;
  st = file->GetSize(&size);
  if (st != zk::kOk) return st;
  uint8_t stored[kPrefixSize], plain[kPrefixSize];
  st = ReadExact(file.p, stored, kPrefixSize);
  if (st != zk::kOk) return st;
  if (CheckPrefix(crc_, stored, 1, plain) != zk::kOk ||
      (plain[6] != kKindPublicKey && plain[6] != kKindKeyPair))
    return zk::kInvalidFormat;
  const uint8_t kind = plain[6];
  st = password && *password
           ? setPassword_->SetPassword(blowfish_, password, static_cast<uint32_t>(std::strlen(password)))
           : blowfish_->SetKey(plain, kPrefixSize);
  if (st != zk::kOk) return st;
  Held<zk::IFileStrem> cs;
  st = AttachAtTen(file.p, blowfish_, &cs.p);
  if (st != zk::kOk) return st;
  uint8_t header[kHeaderSize];
  st = ReadExact(cs.p, header, kHeaderSize);
  if (st != zk::kOk) return st;
  if (!HeaderCrcHolds(crc_, header)) return zk::kHeaderCheck;
  if (header[8] != 2) return zk::kInvalidFormat;
  const uint32_t want = kind == kKindKeyPair ? kPairRecordSize : kPublicRecordSize;
  if (zk::LoadLE32(header + 12) != want || size < uint64_t(kPrefixSize) + kHeaderSize + want)
    return zk::kInvalidFormat;
  auto pair = std::make_unique<PairRecord>();  // room for either record
  uint8_t* record = pair->bytes;
  st = ReadExact(cs.p, record, want);
  if (st == zk::kOk) {
    uint8_t digest[32] = {};
    st = sha_->Init();
    if (st == zk::kOk) st = sha_->Update(record, want);
    if (st == zk::kOk) st = sha_->Final(digest, sizeof digest);
    if (st == zk::kOk && std::memcmp(digest, header + 16, 32) != 0) st = zk::kDigestMismatch;
  }
  if (st == zk::kOk) {
    if (kind == kKindKeyPair) {
      st = pair->Valid() ? Insert(pairs_, *pair) : zk::kInvalidFormat;
    } else {
      PublicRecord pub;
      std::memcpy(pub.bytes, record, kPublicRecordSize);
      st = pub.Valid() ? Insert(publics_, pub) : zk::kInvalidFormat;
    }
  }
  zk::Wipe(pair.get(), sizeof(PairRecord));
  return st;
}

StatusCode Keys::GetPublicKeyBlob(void* blob, int32_t isPair, uint32_t index, uint32_t* lengthOut) {
  if (lengthOut) *lengthOut = 0;
  if (!blob) return zk::kInvalidArg;
  selectedIsPair_ = isPair;
  if (isPair) {
    if (index >= pairs_.size()) return zk::kInvalidArg;
    PublicRecord pub;
    StatusCode st = PublicPartOf(pairs_[index], &pub);
    if (st != zk::kOk) return st;
    std::memcpy(blob, pub.Blob(), pub.BlobLength());
    if (lengthOut) *lengthOut = pub.BlobLength();
    const PairRecord& r = pairs_[index];
    FillKeyInfo(r.Created(), r.Bits(), r.Owner(), selectedInfo_);
    return zk::kOk;
  }
  if (index >= publics_.size()) return zk::kInvalidArg;
  const PublicRecord& r = publics_[index];
  std::memcpy(blob, r.Blob(), r.BlobLength());
  if (lengthOut) *lengthOut = r.BlobLength();
  FillKeyInfo(r.Created(), r.Bits(), r.Owner(), selectedInfo_);
  return zk::kOk;
}

StatusCode Keys::GetSelectedKeyInfo(int32_t* isPairOut, zk::KeyInfo* info) {
  if (isPairOut) *isPairOut = selectedIsPair_;
  if (info) std::memcpy(info, selectedInfo_, kKeyInfoSize);
  return zk::kOk;
}

}  // namespace kiv
