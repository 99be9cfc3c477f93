// kiv.SafeDriverApp: the engine driver, the one engine object the desktop
// program creates by class id.
#pragma once
#include <string>
#include <vector>

#include "ToolkitObject.h"
#include "kvSafeDriver.h"

namespace zk::engine {

class SafeDriverApp final : public ToolkitObject<SafeDriverApp, ISafeDriverApp, IStartNotes> {
 public:
  static constexpr const char* kClassId = id::KivSafeDriverApp;
  static constexpr InterfaceSlot kInterfaces[] = {{id::KivISafeDriverApp, 0},
                                                  {id::KivIStartNotes, 1}};

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
  StatusCode GetStartNotes(char** notesOut) override;

 private:
  StatusCode LoadConfiguration(IFileSystem* fs);
  StatusCode MergeShipped(IFileSystem* fs, const std::string& shippedText, IAppParam* params);
  void MigrateKeys(IAppParam* params, std::vector<std::string>* notes);

  bool started_ = false;
  IAppParam* params_ = nullptr;
  ITextRes* texts_ = nullptr;
  IKeysCtrl* keys_ = nullptr;
  std::string folder_;  // the program folder, with its trailing "/"
  std::vector<std::string> notes_;  // of the last Start, for the user
};

}  // namespace zk::engine
