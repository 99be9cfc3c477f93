// The engine's stream copies with percentage progress, and a stream that
// takes at most a given number of bytes.
#pragma once
#include <cstdint>

#include "zk5Arc.h"
#include "zk5BlockCipher.h"
#include "zk5Stream.h"

namespace zk::engine {

// The size of the next piece of at most `want` bytes of a stream at
// absolute position `at`: cut so that it ends on a multiple of `align`
// (the cipher's block size), which keeps every later piece on block
// boundaries, where cipher feedback works whole blocks at a time.
inline uint32_t AlignedPiece(uint64_t at, uint32_t want, uint32_t align) {
  if (align <= 1) return want;
  const uint64_t end = at + want;
  const uint64_t cut = end - end % align;
  return cut > at ? uint32_t(cut - at) : want;
}

// Copies from the source's position towards its end in 64 KiB pieces: at
// most limit bytes when limit is non-zero. Pieces end on multiples of align
// counted from alignBase, the absolute position where the copy starts. Reports 0, every growing whole
// percentage and 100 to progress (may be null); a non-zero answer stops the
// copy with that code. When check is given every byte copied is added to
// it. copiedOut (may be null) receives the count copied. Its buffer is
// allocated plainly: callers run it under Guard.
StatusCode CopyWithProgress(IFileStrem* source, IStream* target, uint64_t limit, IProgress* progress,
                            IHash* check = nullptr, uint64_t* copiedOut = nullptr, uint32_t align = 1,
                            uint64_t alignBase = 0);

// Reads exactly n bytes (several reads when a stream delivers less); -14
// when the stream ends first.
StatusCode ReadFully(IStream* stream, void* out, uint32_t n);

// Reports percentages of a known total, each only when it grows.
class ProgressSteps {
 public:
  ProgressSteps(IProgress* progress, uint64_t total) : progress_(progress), total_(total) {}
  StatusCode Start() { return Report(0); }
  StatusCode At(uint64_t done);
  StatusCode Finish() { return Report(100); }

 private:
  StatusCode Report(int32_t percent);
  IProgress* progress_;
  uint64_t total_;
  int32_t last_ = -1;
};

// A stream.IStream that passes writes to target until `limit` bytes have
// gone through; a write beyond fails with -15 and writes nothing more.
StatusCode MakeLimitedStream(IStream* target, uint64_t limit, IStream** out);
// The bytes written through a stream made by MakeLimitedStream.
uint64_t LimitedWritten(IStream* limited);

// A stream.IFileStrem that drops the first `skip` bytes written to it and
// passes the rest to target (Commit too); reading is refused.
StatusCode MakeSkippingStream(IFileStrem* target, uint64_t skip, IFileStrem** out);
// The bytes passed on by a stream made by MakeSkippingStream.
uint64_t SkippingPassed(IFileStrem* skipping);

}  // namespace zk::engine
