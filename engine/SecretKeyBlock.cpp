// Weak stand-ins of the key block: RSA-mode secrets fail with -6 until the
// RSA mode's own file defines these functions.
#include "SecretKeyBlock.h"

namespace zk::engine {

__attribute__((weak)) StatusCode MakeKeyBlock(ISafeDriverApp*, const SecretParams&, uint8_t*, KeyBlockResult*) {
  return kNotFound;
}

__attribute__((weak)) StatusCode OpenKeyBlock(ISafeDriverApp*, int32_t, const uint8_t*, KeyBlockResult*) {
  return kNotFound;
}

}  // namespace zk::engine
