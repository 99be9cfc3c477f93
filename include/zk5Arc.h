// Coder interfaces of zk5arc: arc.IArc (every stream coder) and
// arc.IProgress (the progress object a caller hands to long operations).
#pragma once
#include <cstdint>

#include "zk5Base.h"
#include "zk5Stream.h"

namespace zk {

struct IProgress : IBase {
  // percent 0-100; a non-zero result stops the operation with that code.
  virtual StatusCode OnProgress(int32_t percent) = 0;
};

struct IArc : IBase {
  // Prepares the coder; the meaning of the parameter is the coder's own.
  virtual StatusCode Init(int32_t parameter) = 0;
  // Codes all of in into out; total is the expected input size, used only
  // for percentages (0: unknown). progress may be null.
  virtual StatusCode Encode(IStream* in, IStream* out, IProgress* progress, uint32_t total) = 0;
  // count is the number of uncompressed bytes (for the percentages, and for
  // the coders that store no end mark, the number of bytes to write).
  virtual StatusCode Decode(uint32_t count, IStream* in, IStream* out, IProgress* progress) = 0;
};

}  // namespace zk
