// Zeroes memory that held a secret (key, password, plain content) before it
// is released; the compiler may not drop it as a dead store.
#pragma once
#include <cstddef>
#include <string.h>

namespace zk {

inline void Wipe(void* p, size_t n) {
  if (p && n) explicit_bzero(p, n);
}

}  // namespace zk
