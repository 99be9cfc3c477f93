// Internal pieces shared by the cipher-mode, file-stream, entropy and
// password sources of zk5cipher (which create objects through the base's
// CreateFace).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ModesFaces.h"
#include "ToolkitObject.h"
#include "Wipe.h"

namespace zk::cipher {

// Frees a runtime-independent new[] block after wiping it.
inline void WipeAndDelete(uint8_t*& p, size_t n) {
  if (p) {
    Wipe(p, n);
    delete[] p;
    p = nullptr;
  }
}

// Largest block size the modes accept (the chunk of n x 65536 bytes must
// stay within 32 bits).
inline constexpr uint32_t kMaxModeBlock = 256;

}  // namespace zk::cipher
