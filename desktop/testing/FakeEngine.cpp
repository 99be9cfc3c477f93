#include "desktop/testing/FakeEngine.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "ToolkitObject.h"
#include "zk5main.h"

namespace desktoptest {

namespace {

StatusCode Give(const std::string& s, char** out) {
  if (!out) return zk::kInvalidArg;
  zk_free(*out);
  *out = zk_DupString(s.c_str());
  return zk::kOk;
}

}  // namespace

StatusCode FakeTextRes::GetText(int32_t id, char** out) {
  asked.push_back(id);
  if (!out || missing.count(id)) return zk::kInvalidArg;
  auto it = given.find(id);
  return Give(it != given.end() ? it->second : "T" + std::to_string(id), out);
}

StatusCode FakeAppParam::Add(const char* name, const char*) {
  if (!name) return zk::kInvalidArg;
  if (values.count(name)) return zk::kAlreadyExists;
  values[name] = "";
  return zk::kOk;
}

StatusCode FakeAppParam::GetInt(const char* name, int32_t* out) {
  auto it = name ? values.find(name) : values.end();
  if (it == values.end() || !out) return zk::kNotFound;
  char* end = nullptr;
  long v = std::strtol(it->second.c_str(), &end, 10);
  if (it->second.empty() || *end) return zk::kInvalidFormat;
  *out = int32_t(v);
  return zk::kOk;
}

StatusCode FakeAppParam::GetHex(const char* name, uint32_t* out) {
  auto it = name ? values.find(name) : values.end();
  if (it == values.end() || !out) return zk::kNotFound;
  *out = uint32_t(std::strtoul(it->second.c_str(), nullptr, 16));
  return zk::kOk;
}

StatusCode FakeAppParam::GetString(const char* name, char** out) {
  auto it = name ? values.find(name) : values.end();
  if (it == values.end()) return zk::kNotFound;
  return Give(it->second, out);
}

StatusCode FakeAppParam::SetInt(const char* name, int32_t value) {
  return SetString(name, std::to_string(value).c_str());
}

StatusCode FakeAppParam::SetHex(const char* name, uint32_t value) {
  char b[16];
  std::snprintf(b, sizeof b, "%X", value);
  return SetString(name, b);
}

StatusCode FakeAppParam::SetString(const char* name, const char* value) {
  auto it = name ? values.find(name) : values.end();
  if (it == values.end()) return zk::kNotFound;  // setters never create a name
  it->second = value ? value : "";
  return zk::kOk;
}

StatusCode FakeAppParam::Delete(const char* name) {
  return name && values.erase(name) ? zk::kOk : zk::kNotFound;
}

StatusCode FakeAppParam::GetName(int32_t index, char** out) {
  if (index < 0 || index >= GetCount()) return zk::kOutOfRange;
  auto it = values.begin();
  std::advance(it, index);
  return Give(it->first, out);
}

FakeDriver::FakeDriver()
    : texts(new FakeTextRes()), params(new FakeAppParam()), keys(new FakeKeysCtrl()) {}

FakeDriver::~FakeDriver() {
  texts->Release();
  params->Release();
  keys->Release();
}

StatusCode FakeDriver::Start() {
  if (startResult != 0) return startResult;
  started = true;
  return zk::kOk;
}

StatusCode FakeDriver::CreateSecret(zk::IKivSecret** out) {
  if (!out) return zk::kInvalidArg;
  zk::ReleaseAndNull(*out);
  if (started && secretFactory) {
    *out = secretFactory();
    return *out ? zk::kOk : zk::kNotFound;
  }
  return started ? zk::kNotFound : zk::kNotExecuted;
}

template <class T>
static StatusCode HandOut(T* object, T** out) {
  if (!out) return zk::kInvalidArg;
  zk::ReleaseAndNull(*out);
  object->AddRef();
  *out = object;
  return zk::kOk;
}

StatusCode FakeDriver::GetKeysCtrl(zk::IKeysCtrl** out) {
  ++keysHandedOut;
  return HandOut<zk::IKeysCtrl>(keys, out);
}

StatusCode FakeDriver::GetAppParam(zk::IAppParam** out) {
  if (appParamResult != 0) return appParamResult;
  return HandOut<zk::IAppParam>(params, out);
}

StatusCode FakeDriver::GetTextRes(zk::ITextRes** out) {
  if (textResResult != 0) return textResResult;
  return HandOut<zk::ITextRes>(texts, out);
}

StatusCode FakeDriver::CreateTextEncoder(zk::ITextEncoder** out) {
  if (!out) return zk::kInvalidArg;
  zk::ReleaseAndNull(*out);
  return zk::kNotFound;
}

}  // namespace desktoptest
