#include "desktop/testing/FakeChainSecret.h"

#include "zk5main.h"

namespace desktoptest {

StatusCode ChainMessage::GetText(char** out) {
  *out = zk_DupString(text.c_str());
  return zk::kOk;
}

StatusCode ChainSecret::Probe(const char* path, int32_t format, int32_t* version, int32_t* content,
                             int32_t* flags) {
  log_->calls.push_back("probe " + std::string(path) + " " + std::to_string(format));
  *version = log_->probeVersion;
  *content = log_->probeContent;
  *flags = log_->probeKeyKind;
  return log_->probeResult;
}

StatusCode ChainSecret::Create(const char* path, const zk::SecretParams* params, zk::IBase** out) {
  log_->calls.push_back("create " + std::string(path));
  log_->created.push_back(*params);
  if (log_->createResult != 0) return log_->createResult;
  *out = new ChainMessage();
  return zk::kOk;
}

StatusCode ChainSecret::Open(const char* path, const zk::SecretParams* params, zk::IBase** out) {
  log_->calls.push_back("open " + std::string(path));
  log_->opened.push_back(*params);
  if (log_->openResult != 0) return log_->openResult;
  auto* m = new ChainMessage();
  m->text = log_->openedText;
  *out = m;
  return zk::kOk;
}

StatusCode ChainSecret::GetProperties(zk::SecretProperties* out) {
  *out = {};
  return zk::kOk;
}

StatusCode ChainSecret::GetCapacity(const char* path, int32_t format, uint64_t* out) {
  log_->calls.push_back("capacity " + std::string(path) + " " + std::to_string(format));
  *out = log_->capacity;
  return zk::kOk;
}

}  // namespace desktoptest
