// Weak stand-ins of the engine factories: a file that defines the real one
// replaces its stand-in when the engine is linked.
#include "EngineFactories.h"

namespace zk::engine {

__attribute__((weak)) StatusCode MakeSecret(ISafeDriverApp*, IKivSecret** out) {
  if (out) *out = nullptr;
  return kNotFound;
}

__attribute__((weak)) StatusCode MakeKeys(const char*, IKeysCtrl** out) {
  if (out) *out = nullptr;
  return kNotFound;
}

__attribute__((weak)) StatusCode MakeSafe(ISafe** out) {
  if (out) *out = nullptr;
  return kNotFound;
}

}  // namespace zk::engine
