#include "desktop/testing/FakeKeyStorage.h"

#include <cstdio>

#include "zk5main.h"

namespace desktoptest {

namespace {
std::string S(const char* s) { return s ? s : "<null>"; }
StatusCode Give(const std::string& s, char** out) {
  if (!out) return zk::kInvalidArg;
  zk_free(*out);
  *out = zk_DupString(s.c_str());
  return zk::kOk;
}
}  // namespace

zk::KeyInfo MakeKey(const char* name, const char* second, const char* country, const char* city,
                    int32_t bits, int32_t year, int32_t month, int32_t day) {
  zk::KeyInfo k{};
  k.created = {year, month, day, 9, 8, 7};
  k.bits = bits;
  std::snprintf(k.owner.name, 33, "%s", name);
  std::snprintf(k.owner.secondName, 33, "%s", second);
  std::snprintf(k.owner.country, 33, "%s", country);
  std::snprintf(k.owner.city, 33, "%s", city);
  return k;
}

StatusCode FakeKeySign::SignFile(const char* file, const char* signature, uint32_t key, int32_t hash) {
  calls.push_back("sign " + S(file) + " " + S(signature) + " " + std::to_string(key) + " " +
                  std::to_string(hash));
  return signResult;
}

StatusCode FakeKeySign::ReadSignature(const char* signature, char** name, zk::CalendarTime* when,
                                      int32_t* isPair, int32_t* index, int32_t* hash) {
  calls.push_back("read " + S(signature));
  if (readResult != 0) return readResult;
  Give(signedName, name);
  *when = signTime;
  *isPair = signerIsPair;
  *index = signerIndex;
  *hash = hashCode;
  return zk::kOk;
}

StatusCode FakeKeySign::VerifyFile(const char* file, const char* signature) {
  calls.push_back("verify " + S(file) + " " + S(signature));
  return verifyResult;
}

FakeKeyStorage::FakeKeyStorage() : sign(new FakeKeySign()) {
  pairs = {MakeKey("Anna", "Berg", "Norway", "Bergen", 1024),
           MakeKey("Carl", "Dahl", "Sweden", "Lund", 2048, 125, 0, 3)};
  publics = {MakeKey("Eva", "Falk", "Denmark", "Aarhus", 4096, 124, 5, 30)};
}

FakeKeyStorage::~FakeKeyStorage() { sign->Release(); }

StatusCode FakeKeyStorage::QueryInterface(const char* id, void** out) {
  if (id && out && std::strcmp(id, zk::id::KivIKeySign) == 0) {
    *out = static_cast<zk::IKeySign*>(sign);
    sign->AddRef();
    return zk::kOk;
  }
  return FakeKeysCtrl::QueryInterface(id, out);
}

StatusCode FakeKeyStorage::ChangePassword(const char* p) {
  calls.push_back("password " + S(p));
  return exportResult;
}

StatusCode FakeKeyStorage::DeletePrivateKey(uint32_t i) {
  calls.push_back("delete pair " + std::to_string(i));
  if (i >= pairs.size()) return zk::kInvalidArg;
  pairs.erase(pairs.begin() + i);
  return zk::kOk;
}

StatusCode FakeKeyStorage::DeletePublicKey(uint32_t i) {
  calls.push_back("delete public " + std::to_string(i));
  if (i >= publics.size()) return zk::kInvalidArg;
  publics.erase(publics.begin() + i);
  return zk::kOk;
}

StatusCode FakeKeyStorage::GenerateKeyPair(const zk::KeyOwner* owner, int32_t bits) {
  calls.push_back("generate " + S(owner->name) + " " + std::to_string(bits));
  if (generateResult != 0) return generateResult;
  zk::KeyInfo k{};
  k.bits = bits;
  k.owner = *owner;
  pairs.push_back(k);
  return zk::kOk;
}

StatusCode FakeKeyStorage::GetPrivateKeyInfo(uint32_t i, zk::KeyInfo* info) {
  if (i >= pairs.size() || !info) return zk::kInvalidArg;
  *info = pairs[i];
  return zk::kOk;
}

StatusCode FakeKeyStorage::GetPublicKeyInfo(uint32_t i, zk::KeyInfo* info) {
  if (i >= publics.size() || !info) return zk::kInvalidArg;
  *info = publics[i];
  return zk::kOk;
}

StatusCode FakeKeyStorage::ImportKeys(const char* path, const char* password) {
  calls.push_back("import " + S(path) + " " + S(password));
  return importResult;
}

StatusCode FakeKeyStorage::Save() {
  ++saves;
  return saveResult;
}

StatusCode FakeKeyStorage::ExportPrivateKey(const char* path, const char* password, uint32_t i) {
  calls.push_back("export pair " + S(path) + " " + S(password) + " " + std::to_string(i));
  return exportResult;
}

StatusCode FakeKeyStorage::ExportPublicKey(const char* path, uint32_t i) {
  calls.push_back("export public " + S(path) + " " + std::to_string(i));
  return exportResult;
}

StatusCode FakeKeyStorage::ExportPublicPart(const char* path, uint32_t i) {
  calls.push_back("export part " + S(path) + " " + std::to_string(i));
  return exportResult;
}

StatusCode FakeKeyStorage::GetPgpKeyInfo(const char* path, int32_t* isPrivate, int32_t* bits,
                                         char** userId, zk::PgpCalendarTime* created,
                                         zk::PgpCalendarTime* second) {
  calls.push_back("pgp info " + S(path));
  if (pgpInfoResult != 0) return pgpInfoResult;
  *isPrivate = pgpIsPrivate;
  *bits = 2048;
  Give("Gina Holm <gina@example.org>", userId);
  *created = {2024, 3, 0, 14, 15, 16, 17, 0};
  *second = {};
  return zk::kOk;
}

StatusCode FakeKeyStorage::ImportPgpKey(const char* path, const char* pass, const zk::KeyOwner* owner) {
  calls.push_back("pgp import " + S(path) + " " + S(pass) + " " + S(owner->name) + " " + S(owner->city));
  return importResult;
}

StatusCode FakeKeyStorage::ExportPgpPublicKey(const char* path, int32_t isPair, uint32_t i) {
  calls.push_back("pgp export public " + S(path) + " " + std::to_string(isPair) + " " + std::to_string(i));
  return exportResult;
}

StatusCode FakeKeyStorage::ExportPgpPrivateKey(const char* path, const char* pass, uint32_t i) {
  calls.push_back("pgp export pair " + S(path) + " " + S(pass) + " " + std::to_string(i));
  return exportResult;
}

StatusCode FakeTextEncoder::EncodeText(const char* text, const char* password, char** out) {
  ++encodes;
  return Give("KIV[" + S(password) + "]" + S(text), out);
}

StatusCode FakeTextEncoder::DecodeText(const char* armoured, const char* password, char** out) {
  ++decodes;
  std::string a = S(armoured), head = "KIV[" + S(password) + "]";
  if (a.rfind("KIV[", 0) != 0) return zk::kInvalidFormat;
  if (a.rfind(head, 0) != 0) return zk::kHeaderCheck;
  return Give(a.substr(head.size()), out);
}

FakeToolDriver::FakeToolDriver() : encoder(new FakeTextEncoder()) {}
FakeToolDriver::~FakeToolDriver() { encoder->Release(); }

StatusCode FakeToolDriver::CreateTextEncoder(zk::ITextEncoder** out) {
  if (!out) return zk::kInvalidArg;
  if (encoderResult != 0) return encoderResult;
  encoder->AddRef();
  *out = encoder;
  return zk::kOk;
}

}  // namespace desktoptest
