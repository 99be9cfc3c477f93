// Drop-file lists of arbitrary bytes: never a read outside the block, and
// every name read back is non-empty.
#include <cstdint>
#include <cstdlib>

#include "DropFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const std::string& name : zk::DropFileNames(data, size))
    if (name.empty()) std::abort();
  return 0;
}
