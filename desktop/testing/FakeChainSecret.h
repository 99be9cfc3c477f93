// A fake secret for the chain tests: records what the desktop hands to
// Probe, Create, Open and GetCapacity, answers from its fields, and gives a
// message content that keeps its text.
#pragma once
#include <string>
#include <vector>

#include "desktop/testing/FakeEngine.h"

namespace desktoptest {

class ChainMessage : public Counted<zk::IMessage> {
 public:
  const char* InterfaceId() const override { return zk::id::KivIMessage; }
  StatusCode GetText(char** out) override;
  StatusCode SetText(const char* text) override {
    this->text = text ? text : "";
    return zk::kOk;
  }
  std::string text;
};

// What every fake secret of one test wrote down, kept after the secrets go.
struct SecretLog {
  std::vector<std::string> calls;  // "probe <path>", "create <path>", ...
  std::vector<zk::SecretParams> created, opened;
  int alive = 0;
  // Answers.
  StatusCode probeResult = zk::kOk;
  int32_t probeContent = zk::kContentMessage, probeKeyKind = 0, probeVersion = 1;
  StatusCode createResult = zk::kOk, openResult = zk::kOk;
  uint64_t capacity = 1234567;
  std::string openedText = "opened text";
};

class ChainSecret : public Counted<zk::IKivSecret> {
 public:
  explicit ChainSecret(SecretLog* log) : log_(log) { ++log_->alive; }
  const char* InterfaceId() const override { return zk::id::KivIKivSecret; }
  StatusCode Probe(const char* path, int32_t format, int32_t* version, int32_t* content,
                   int32_t* flags) override;
  StatusCode Close() override { return zk::kOk; }
  StatusCode Create(const char* path, const zk::SecretParams* params, zk::IBase** out) override;
  StatusCode Delete() override { return zk::kOk; }
  StatusCode Open(const char* path, const zk::SecretParams* params, zk::IBase** out) override;
  StatusCode GetProperties(zk::SecretProperties* out) override;
  StatusCode GetCapacity(const char* path, int32_t format, uint64_t* out) override;

 protected:
  ~ChainSecret() override { --log_->alive; }

 private:
  SecretLog* log_;
};

}  // namespace desktoptest
