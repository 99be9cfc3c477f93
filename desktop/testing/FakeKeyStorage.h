// Fakes for the key, signature and tool windows: a key storage with rows
// that records every command, its signature interface, a text encoder whose
// "armour" is readable, and a driver that hands both out and records the
// registration calls.
#pragma once
#include <string>
#include <vector>

#include "desktop/testing/FakeEngine.h"

namespace desktoptest {

zk::KeyInfo MakeKey(const char* name, const char* second, const char* country, const char* city,
                    int32_t bits, int32_t year = 126, int32_t month = 11, int32_t day = 11);

class FakeKeySign : public Counted<zk::IKeySign> {
 public:
  const char* InterfaceId() const override { return zk::id::KivIKeySign; }
  StatusCode SignFile(const char* file, const char* signature, uint32_t key, int32_t hash) override;
  StatusCode ReadSignature(const char* signature, char** name, zk::CalendarTime* when,
                           int32_t* isPair, int32_t* index, int32_t* hash) override;
  StatusCode VerifyFile(const char* file, const char* signature) override;

  StatusCode signResult = zk::kOk, readResult = zk::kOk, verifyResult = zk::kOk;
  std::string signedName = "report.final.txt";
  zk::CalendarTime signTime{126, 0, 2, 3, 4, 5};
  int32_t signerIsPair = 1, signerIndex = 0, hashCode = 3;
  std::vector<std::string> calls;  // "sign file sig key hash", "read sig", "verify file sig"
};

class FakeKeyStorage : public FakeKeysCtrl {
 public:
  FakeKeyStorage();
  StatusCode QueryInterface(const char* id, void** out) override;
  uint32_t GetPrivateKeyCount() override { return uint32_t(pairs.size()); }
  uint32_t GetPublicKeyCount() override { return uint32_t(publics.size()); }
  StatusCode ChangePassword(const char* p) override;
  StatusCode DeletePrivateKey(uint32_t i) override;
  StatusCode DeletePublicKey(uint32_t i) override;
  StatusCode GenerateKeyPair(const zk::KeyOwner* owner, int32_t bits) override;
  StatusCode GetPrivateKeyInfo(uint32_t i, zk::KeyInfo* info) override;
  StatusCode GetPublicKeyInfo(uint32_t i, zk::KeyInfo* info) override;
  StatusCode ImportKeys(const char* path, const char* password) override;
  StatusCode Save() override;
  StatusCode ExportPrivateKey(const char* path, const char* password, uint32_t i) override;
  StatusCode ExportPublicKey(const char* path, uint32_t i) override;
  StatusCode ExportPublicPart(const char* path, uint32_t i) override;
  StatusCode GetPgpKeyInfo(const char* path, int32_t* isPrivate, int32_t* bits, char** userId,
                           zk::PgpCalendarTime* created, zk::PgpCalendarTime* second) override;
  StatusCode ImportPgpKey(const char* path, const char* pass, const zk::KeyOwner* owner) override;
  StatusCode ExportPgpPublicKey(const char* path, int32_t isPair, uint32_t i) override;
  StatusCode ExportPgpPrivateKey(const char* path, const char* pass, uint32_t i) override;

  std::vector<zk::KeyInfo> pairs, publics;
  std::vector<std::string> calls;  // one line per changing or exporting call
  int saves = 0;
  StatusCode saveResult = zk::kOk, generateResult = zk::kOk, importResult = zk::kOk,
             exportResult = zk::kOk, pgpInfoResult = zk::kOk;
  int32_t pgpIsPrivate = 0;
  FakeKeySign* sign;  // one reference held here

 protected:
  ~FakeKeyStorage() override;
};

class FakeTextEncoder : public Counted<zk::ITextEncoder> {
 public:
  const char* InterfaceId() const override { return zk::id::KivITextEncoder; }
  // "KIV[" password "]" text; decoding checks the password (-22 when it
  // differs, -14 when the text is no such block).
  StatusCode EncodeText(const char* text, const char* password, char** out) override;
  StatusCode DecodeText(const char* armoured, const char* password, char** out) override;
  int encodes = 0, decodes = 0;
};

class FakeToolDriver : public FakeDriver {
 public:
  FakeToolDriver();
  StatusCode CreateTextEncoder(zk::ITextEncoder** out) override;
  StatusCode IsFileTypeRegistered() override { return fileType ? zk::kOk : zk::kNegative; }
  StatusCode RegisterFileType() override { calls.push_back("RegisterFileType"); fileType = true; return zk::kOk; }
  StatusCode UnregisterFileType() override { calls.push_back("UnregisterFileType"); fileType = false; return zk::kOk; }
  StatusCode IsShellExtRegistered() override { return shellExt ? zk::kOk : zk::kNegative; }
  StatusCode RegisterShellExt() override { calls.push_back("RegisterShellExt"); shellExt = true; return zk::kOk; }
  StatusCode UnregisterShellExt() override { calls.push_back("UnregisterShellExt"); shellExt = false; return zk::kOk; }

  bool fileType = true, shellExt = false;
  std::vector<std::string> calls;
  FakeTextEncoder* encoder;  // one reference held here
  StatusCode encoderResult = zk::kOk;

 protected:
  ~FakeToolDriver() override;
};

}  // namespace desktoptest
