// A fake engine for the desktop tests: objects that implement the engine's
// interfaces in memory, made without the class registry.
//  - FakeTextRes: the fixture language, in which id N reads "T<N>" (ids set
//    missing read as absent);
//  - FakeAppParam: named values in memory; like the real parameters, a
//    setter never creates a name.
// Strings handed out come from the runtime's heap (zk_DupString), as the
// real engine's do.
#pragma once
#include <atomic>
#include <functional>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "zk5Clsid.h"
#include "zk5Status.h"
#include "kvSafeDriver.h"
#include "zk5script.h"

namespace desktoptest {

// Reference counting and QueryInterface over a fixed list of ids.
template <class I>
class Counted : public I {
 public:
  StatusCode QueryInterface(const char* id, void** out) override {
    if (!id || !out) return zk::kInvalidArg;
    *out = nullptr;
    if (std::strcmp(id, zk::id::StdIBase) == 0 || std::strcmp(id, InterfaceId()) == 0) {
      *out = static_cast<I*>(this);
      AddRef();
      return zk::kOk;
    }
    return zk::kNotImplemented;
  }
  int32_t AddRef() override { return ++count_; }
  int32_t Release() override {
    int32_t n = --count_;
    if (n == 0) delete this;
    return n;
  }
  int32_t GetRefCount() override { return count_; }
  const char* GetClassId() override { return "fake.Object"; }
  virtual const char* InterfaceId() const = 0;

 protected:
  virtual ~Counted() = default;

 private:
  std::atomic<int32_t> count_{1};
};

class FakeTextRes : public Counted<zk::ITextRes> {
 public:
  const char* InterfaceId() const override { return zk::id::ScriptITextRes; }
  StatusCode Load(zk::IFileStrem*) override { return zk::kOk; }
  StatusCode GetText(int32_t id, char** out) override;

  std::set<int32_t> missing;  // ids the language lacks
  std::map<int32_t, std::string> given;  // ids read otherwise than "T<N>"
  std::vector<int32_t> asked;  // every id asked for, in order
};

class FakeAppParam : public Counted<zk::IAppParam> {
 public:
  const char* InterfaceId() const override { return zk::id::ScriptIAppParam; }
  StatusCode Load(zk::IFileStrem*) override { return zk::kOk; }
  StatusCode Save() override {
    ++saves;
    return zk::kOk;
  }
  StatusCode Add(const char* name, const char*) override;
  StatusCode GetComment(const char*, char**) override { return zk::kNotFound; }
  StatusCode GetInt(const char* name, int32_t* out) override;
  StatusCode GetHex(const char* name, uint32_t* out) override;
  StatusCode GetLong(const char* name, int32_t* out) override { return GetInt(name, out); }
  StatusCode GetString(const char* name, char** out) override;
  StatusCode GetDouble(const char*, double*) override { return zk::kNotFound; }
  StatusCode GetBinary(const char*, void**, uint32_t*) override { return zk::kNotFound; }
  StatusCode SetInt(const char* name, int32_t value) override;
  StatusCode SetHex(const char* name, uint32_t value) override;
  StatusCode SetLong(const char* name, int32_t value) override { return SetInt(name, value); }
  StatusCode SetString(const char* name, const char* value) override;
  StatusCode SetDouble(const char*, double) override { return zk::kNotFound; }
  StatusCode SetBinary(const char*, const void*, uint32_t) override { return zk::kNotFound; }
  StatusCode Delete(const char* name) override;
  int32_t GetCount() override { return int32_t(values.size()); }
  StatusCode GetName(int32_t index, char** out) override;

  std::map<std::string, std::string> values;
  int saves = 0;
};

// The key storage as OpenKeyStorage sees it.
class FakeKeysCtrl : public Counted<zk::IKeysCtrl> {
 public:
  const char* InterfaceId() const override { return zk::id::KivIKeysCtrl; }
  uint32_t GetPrivateKeyCount() override { return 0; }
  uint32_t GetPublicKeyCount() override { return 0; }
  StatusCode ChangePassword(const char*) override { return zk::kOk; }
  // 0 when the storage file exists.
  StatusCode StorageExists() override { return exists ? zk::kOk : zk::kCannotOpen; }
  StatusCode DeletePrivateKey(uint32_t) override { return zk::kOk; }
  StatusCode DeletePublicKey(uint32_t) override { return zk::kOk; }
  StatusCode GenerateKeyPair(const zk::KeyOwner*, int32_t) override { return zk::kOk; }
  StatusCode GetPrivateKeyInfo(uint32_t, zk::KeyInfo*) override { return zk::kOutOfRange; }
  StatusCode GetPublicKeyInfo(uint32_t, zk::KeyInfo*) override { return zk::kOutOfRange; }
  StatusCode ImportKeys(const char*, const char*) override { return zk::kOk; }
  StatusCode Open(const char* password) override {
    opened.push_back(password ? password : "<null>");
    return openResult;
  }
  StatusCode Save() override { return zk::kOk; }
  StatusCode ExportPrivateKey(const char*, const char*, uint32_t) override { return zk::kOk; }
  StatusCode ExportPublicKey(const char*, uint32_t) override { return zk::kOk; }
  StatusCode GetPublicKeyBlob(void*, int32_t, uint32_t, uint32_t*) override { return zk::kOutOfRange; }
  StatusCode ExportPublicPart(const char*, uint32_t) override { return zk::kOk; }
  StatusCode GetSelectedKeyInfo(int32_t*, zk::KeyInfo*) override { return zk::kNotFound; }
  StatusCode GetPgpKeyInfo(const char*, int32_t*, int32_t*, char**, zk::PgpCalendarTime*,
                           zk::PgpCalendarTime*) override { return zk::kNotFound; }
  StatusCode ImportPgpKey(const char*, const char*, const zk::KeyOwner*) override { return zk::kNotFound; }
  StatusCode ExportPgpPublicKey(const char*, int32_t, uint32_t) override { return zk::kNotFound; }
  StatusCode ExportPgpPrivateKey(const char*, const char*, uint32_t) override { return zk::kNotFound; }

  bool exists = true;
  StatusCode openResult = zk::kOk;
  std::vector<std::string> opened;  // the passwords Open was given
};

// The driver: hands out the fixture language, in-memory parameters and the
// fake key storage; each step can be made to fail.
class FakeDriver : public Counted<zk::ISafeDriverApp> {
 public:
  FakeDriver();
  const char* InterfaceId() const override { return zk::id::KivISafeDriverApp; }
  const char* GetClassId() override { return zk::id::KivSafeDriverApp; }
  StatusCode Start() override;
  StatusCode CreateSecret(zk::IKivSecret** out) override;
  StatusCode GetKeysCtrl(zk::IKeysCtrl** out) override;
  StatusCode GetAppParam(zk::IAppParam** out) override;
  StatusCode GetTextRes(zk::ITextRes** out) override;
  StatusCode IsFileTypeRegistered() override { return zk::kNegative; }
  StatusCode RegisterFileType() override { return zk::kOk; }
  StatusCode UnregisterFileType() override { return zk::kOk; }
  StatusCode IsShellExtRegistered() override { return zk::kNegative; }
  StatusCode RegisterShellExt() override { return zk::kOk; }
  StatusCode UnregisterShellExt() override { return zk::kOk; }
  StatusCode CreateTextEncoder(zk::ITextEncoder** out) override;

  // Failures to play, 0 for success.
  StatusCode startResult = zk::kOk;
  StatusCode textResResult = zk::kOk;
  StatusCode appParamResult = zk::kOk;
  bool started = false;
  FakeTextRes* texts;       // one reference held by the driver
  FakeAppParam* params;     // one reference held by the driver
  FakeKeysCtrl* keys;       // one reference held by the driver
  int keysHandedOut = 0;
  // When set, CreateSecret hands out what it makes.
  std::function<zk::IKivSecret*()> secretFactory;

 protected:
  ~FakeDriver() override;
};

}  // namespace desktoptest
