// kiv.Keys: key files (.kvk), public key blobs and the selection.
#include <cstring>
#include <memory>

#include "ByteOrder.h"
#include "Keys.h"

namespace zk::engine {

StatusCode Keys::ExportPrivateKey(const char* path, const char* password, uint32_t index) {
  if (index >= pairs_.size()) return zk::kInvalidArg;
  auto copy = std::make_unique<PairRecord>(pairs_[index]);
  StatusCode st = WriteKeyed(path, password, kKindKeyPair, copy->bytes, kPairRecordSize, kPairRecordSize);
  zk::Wipe(copy.get(), sizeof(PairRecord));
  return st;
}

StatusCode Keys::ExportPublicKey(const char* path, uint32_t index) {
  if (index >= publics_.size()) return zk::kInvalidArg;
  const PublicRecord copy = publics_[index];
  return WriteKeyed(path, nullptr, kKindPublicKey, copy.bytes, kPublicRecordSize, kPublicRecordSize);
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
  return WriteKeyed(path, nullptr, kKindPublicKey, record.bytes, kPublicRecordSize, kPublicRecordSize);
}

StatusCode Keys::ImportKeys(const char* path, const char* password) {
  if (!path) return zk::kInvalidArg;
  KeyedFile in;
  StatusCode st = OpenKeyed(path, password, false, &in);
  if (st != zk::kOk) return st;
  const uint8_t kind = in.plain[6];
  const uint32_t want = kind == kKindKeyPair ? kPairRecordSize : kPublicRecordSize;
  // The header and the one record account for the whole file: a byte more
  // or less is a damaged file.
  if (zk::LoadLE32(in.header + 12) != want || in.size != uint64_t(kPrefixSize) + kHeaderSize + want)
    return zk::kInvalidFormat;
  auto pair = std::make_unique<PairRecord>();  // room for either record
  uint8_t* record = pair->bytes;
  st = EndIsDamage(ReadFully(in.stream.p, record, want));
  if (st == zk::kOk) {
    uint8_t digest[32];
    st = ShaOf(record, want, digest);
    if (st == zk::kOk && std::memcmp(digest, in.header + 16, 32) != 0) st = zk::kDigestMismatch;
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
    FillKeyInfo(r.Created(), r.Bits(), r.Owner(), &selectedInfo_);
    return zk::kOk;
  }
  if (index >= publics_.size()) return zk::kInvalidArg;
  const PublicRecord& r = publics_[index];
  std::memcpy(blob, r.Blob(), r.BlobLength());
  if (lengthOut) *lengthOut = r.BlobLength();
  FillKeyInfo(r.Created(), r.Bits(), r.Owner(), &selectedInfo_);
  return zk::kOk;
}

StatusCode Keys::GetSelectedKeyInfo(int32_t* isPairOut, zk::KeyInfo* info) {
  if (isPairOut) *isPairOut = selectedIsPair_;
  if (info) *info = selectedInfo_;
  return zk::kOk;
}

}  // namespace zk::engine
