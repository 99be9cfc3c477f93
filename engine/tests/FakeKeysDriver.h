// A driver that only hands out a key storage, as the secret asks it for
// one: used where a secret's key trial runs without a started engine.
#pragma once
#include "ToolkitObject.h"
#include "kvSafeDriver.h"

namespace enginetest {

class FakeKeysDriver final : public zk::ToolkitObject<FakeKeysDriver, zk::ISafeDriverApp> {
 public:
  static constexpr const char* kClassId = "test.FakeKeysDriver";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::KivISafeDriverApp, 0}};
  zk::IKeysCtrl* keys = nullptr;  // one reference, released with the driver
  ~FakeKeysDriver() { zk::ReleaseAndNull(keys); }
  StatusCode Start() override { return 0; }
  StatusCode CreateSecret(zk::IKivSecret**) override { return zk::kNotImplemented; }
  StatusCode GetKeysCtrl(zk::IKeysCtrl** out) override {
    if (!out) return zk::kInvalidArg;
    zk::ReleaseAndNull(*out);
    *out = keys;
    if (keys) keys->AddRef();
    return keys ? 0 : zk::kNotFound;
  }
  StatusCode GetAppParam(zk::IAppParam**) override { return zk::kNotImplemented; }
  StatusCode GetTextRes(zk::ITextRes**) override { return zk::kNotImplemented; }
  StatusCode IsFileTypeRegistered() override { return zk::kNotImplemented; }
  StatusCode RegisterFileType() override { return zk::kNotImplemented; }
  StatusCode UnregisterFileType() override { return zk::kNotImplemented; }
  StatusCode IsShellExtRegistered() override { return zk::kNotImplemented; }
  StatusCode RegisterShellExt() override { return zk::kNotImplemented; }
  StatusCode UnregisterShellExt() override { return zk::kNotImplemented; }
  StatusCode CreateTextEncoder(zk::ITextEncoder**) override { return zk::kNotImplemented; }
};

}  // namespace enginetest
