// kiv.SafeDriverApp: the engine driver, the one engine object the desktop
// program creates by class id.
#pragma once
#include <string>

#include "ToolkitObject.h"
#include "kvSafeDriver.h"

namespace zk::engine {

class SafeDriverApp final : public ToolkitObject<SafeDriverApp, ISafeDriverApp> {
 public:
  static constexpr const char* kClassId = id::KivSafeDriverApp;
  static constexpr InterfaceSlot kInterfaces[] = {{id::KivISafeDriverApp, 0}};

  SafeDriverApp() = default;
  ~SafeDriverApp();

  StatusCode Start() override;
  StatusCode CreateSecret(IKivSecret** out) override;
  StatusCode GetKeysCtrl(IKeysCtrl** out) override;
  StatusCode GetAppParam(IAppParam** out) override;
  StatusCode GetTextRes(ITextRes** out) override;
  StatusCode IsFileTypeRegistered() override;
  StatusCode RegisterFileType() override;
  StatusCode UnregisterFileType() override;
  StatusCode IsShellExtRegistered() override;
  StatusCode RegisterShellExt() override;
  StatusCode UnregisterShellExt() override;
  StatusCode CreateTextEncoder(ITextEncoder** out) override;

 private:
  StatusCode LoadConfiguration(IFileSystem* fs);

  bool started_ = false;
  IAppParam* params_ = nullptr;
  ITextRes* texts_ = nullptr;
  IKeysCtrl* keys_ = nullptr;
  std::string folder_;  // the program folder, with its trailing "/"
};

}  // namespace zk::engine
