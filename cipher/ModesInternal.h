// Internal pieces shared by the cipher-mode, file-stream, entropy and
// password sources of zk5cipher.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Wipe.h"
#include "ModesFaces.h"

namespace zk::cipher {

// Frees a runtime-independent new[] block after wiping it.
inline void WipeAndDelete(uint8_t*& p, size_t n) {
  if (p) {
    Wipe(p, n);
    delete[] p;
    p = nullptr;
  }
}

// Creates a registered class and asks for one interface: 0 with *out set,
// or the registry's or QueryInterface's error (-8 if it answers null).
template <class T>
StatusCode CreateFace(const char* classId, const char* interfaceId, T** out) {
  *out = nullptr;
  IBase* base = nullptr;
  StatusCode st = zk_CreateInstance(classId, &base);
  if (st != kOk) return st;
  if (!base) return kNoMemory;
  void* face = nullptr;
  st = base->QueryInterface(interfaceId, &face);
  base->Release();
  if (st != kOk) return st;
  if (!face) return kNoInterface;
  *out = static_cast<T*>(face);
  return kOk;
}

// Largest block size the modes accept (the chunk of n x 65536 bytes must
// stay within 32 bits).
inline constexpr uint32_t kMaxModeBlock = 256;

}  // namespace zk::cipher
