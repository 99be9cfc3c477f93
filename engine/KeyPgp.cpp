// kiv.Keys: keys to and from OpenPGP key files through the optional
// component opgp.Key (the registry's -6 when it is not loaded).
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "Keys.h"

namespace zk::engine {
namespace {

// Frees what a key-parts record holds (the numbers wiped first).
void FreeParts(zk::RsaKeyParts& parts) {
  for (zk::RsaKeyPart* part : {&parts.n, &parts.e, &parts.d, &parts.p, &parts.q, &parts.u}) {
    if (part->data) {
      zk::Wipe(part->data, part->byteLength);
      zk_free(part->data);
    }
    *part = zk::RsaKeyPart{};
  }
  zk_free(parts.userId);
  parts.userId = nullptr;
}

struct HeldParts {
  zk::RsaKeyParts parts{};
  ~HeldParts() { FreeParts(parts); }
};

// The local calendar of a stored time in the OpenPGP record's fields.
void FillPgpCalendar(uint32_t time, zk::PgpCalendarTime* out) {
  const zk::CalendarTime c = LocalCalendar(time);
  *out = zk::PgpCalendarTime{static_cast<uint16_t>(c.year + 1900),
                             static_cast<uint16_t>(c.month + 1),
                             0,
                             static_cast<uint16_t>(c.day),
                             static_cast<uint16_t>(c.hour),
                             static_cast<uint16_t>(c.minute),
                             static_cast<uint16_t>(c.second),
                             0};
}

StatusCode MakePgp(zk::IOpenPGPKey** out) { return CreateFace(zk::id::OpgpKey, zk::id::OpgpIOpenPGPKey, out); }

}  // namespace

StatusCode Keys::GetPgpKeyInfo(const char* path, int32_t* isPrivateOut, int32_t* bitsOut, char** userIdOut,
                               zk::PgpCalendarTime* createdOut, zk::PgpCalendarTime* secondOut) {
  if (!path) return zk::kInvalidArg;
  Held<zk::IOpenPGPKey> pgp;
  StatusCode st = MakePgp(&pgp.p);
  if (st != zk::kOk) return st;
  zk::PgpKeyInfo info{};
  st = pgp->GetKeyInfo(path, &info);
  if (st != zk::kOk) {
    zk_free(info.userId);
    return st;
  }
  if (isPrivateOut) *isPrivateOut = info.kind == 2 ? 1 : 0;
  if (bitsOut) *bitsOut = info.bits;
  if (userIdOut) {
    zk_free(*userIdOut);
    *userIdOut = info.userId;
  } else {
    zk_free(info.userId);
  }
  if (createdOut) FillPgpCalendar(info.created, createdOut);
  if (secondOut) FillPgpCalendar(info.second, secondOut);
  return zk::kOk;
}

StatusCode Keys::ImportPgpKey(const char* path, const char* passphrase, const zk::KeyOwner* owner) {
  if (!path || !owner) return zk::kInvalidArg;
  Held<zk::IOpenPGPKey> pgp;
  StatusCode st = MakePgp(&pgp.p);
  if (st != zk::kOk) return st;
  zk::PgpKeyInfo info{};
  st = pgp->GetKeyInfo(path, &info);
  zk_free(info.userId);
  if (st != zk::kOk) return st;
  HeldParts held;
  st = pgp->ReadKey(path, passphrase, &held.parts);
  if (st != zk::kOk) return st;
  Held<zk::IAsymmetrical> rsa;
  st = CreateFace(zk::id::CipherRSA, zk::id::CryptoIAsymmetrical, &rsa);
  if (st == zk::kOk) st = rsa->SetKeyParts(&held.parts);
  if (st != zk::kOk) return st;
  uint8_t ownerBytes[kOwnerSize];
  std::memcpy(ownerBytes, owner, kOwnerSize);
  for (uint32_t f = 0; f < 4; ++f) ownerBytes[f * kOwnerField + kOwnerField - 1] = 0;
  RuntimeBlock<uint8_t> blob;
  if (held.parts.kind == zk::kRsaPrivateKey) {
    st = rsa->ExportPrivateKey(&blob.p, &blob.bytes);
    if (st != zk::kOk) return st;
    if (blob.bytes > kMaxPrivateBlob) return zk::kNotExecuted;
    auto record = std::make_unique<PairRecord>();
    record->Set(info.created, static_cast<uint32_t>(info.bits), ownerBytes, blob.p, blob.bytes);
    st = Insert(pairs_, *record);
    zk::Wipe(record.get(), sizeof(PairRecord));
    return st;
  }
  if (held.parts.kind == zk::kRsaPublicKey) {
    st = rsa->ExportPublicKey(&blob.p, &blob.bytes);
    if (st != zk::kOk) return st;
    // A key above 4096 bits does not fit the record: refused, not cut.
    if (blob.bytes > kMaxPublicBlob) return zk::kNotExecuted;
    PublicRecord record;
    record.Set(info.created, static_cast<uint32_t>(info.bits), ownerBytes, blob.p, blob.bytes);
    return Insert(publics_, record);
  }
  return zk::kFatal;
}

StatusCode Keys::WritePgp(const char* path, const char* passphrase, bool isPair, uint32_t index,
                          uint32_t kind) {
  if (!path || index >= (isPair ? pairs_.size() : publics_.size())) return zk::kInvalidArg;
  const uint8_t* blob = isPair ? pairs_[index].Blob() : publics_[index].Blob();
  const uint32_t blobLength = isPair ? pairs_[index].BlobLength() : publics_[index].BlobLength();
  const uint8_t* owner = isPair ? pairs_[index].Owner() : publics_[index].Owner();
  const uint32_t created = isPair ? pairs_[index].Created() : publics_[index].Created();
  Held<zk::IOpenPGPKey> pgp;
  StatusCode st = MakePgp(&pgp.p);
  if (st != zk::kOk) return st;
  Held<zk::IAsymmetrical> rsa;
  st = CreateFace(zk::id::CipherRSA, zk::id::CryptoIAsymmetrical, &rsa);
  if (st != zk::kOk) return st;
  st = isPair ? rsa->ImportPrivateKey(blob, blobLength) : rsa->ImportPublicKey(blob, blobLength);
  if (st != zk::kOk) return st;
  HeldParts held;
  st = rsa->GetKeyParts(&held.parts);
  if (st != zk::kOk) return st;
  held.parts.kind = kind;
  try {
    held.parts.userId = zk_DupString(UserIdText(owner).c_str());
  } catch (...) {
    return zk::kNoMemory;
  }
  if (!held.parts.userId) return zk::kNoMemory;
  return pgp->WriteKey(path, passphrase, created, &held.parts);
}

StatusCode Keys::ExportPgpPublicKey(const char* path, int32_t isPair, uint32_t index) {
  return WritePgp(path, nullptr, isPair != 0, index, zk::kRsaPublicKey);
}

StatusCode Keys::ExportPgpPrivateKey(const char* path, const char* passphrase, uint32_t index) {
  return WritePgp(path, passphrase, true, index, zk::kRsaPrivateKey);
}

}  // namespace zk::engine
