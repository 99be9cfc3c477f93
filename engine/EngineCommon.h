// The engine's common stream and runtime helpers, used by the secret, the
// key storage, the signatures and the safe: the exact read, the copy with
// percentage progress, the digest of a stream's rest, the cipher stream
// attached over a stored text, the local calendar of a stored time and the
// hand-out of a string to the runtime.
//
// The end of a stream: a Read that delivers no bytes (or an IsEnd that
// answers non-zero, for the loops that run to the end). An error a Read
// answers is passed on as it is.
#pragma once
#include <cstdint>
#include <string>

#include "BufferedIo.h"
#include "kvSafeDriver.h"
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

// Reads exactly n bytes (several reads when a stream delivers less): 0, the
// stream's own error as it is, or kInvalidFormat when the stream ends first
// (or claims more bytes than were asked for). The toolkit's exact read with
// the engine's code for a short stream: its data is damaged.
inline StatusCode ReadFully(IStream* stream, void* out, uint32_t n) {
  return ReadExact(stream, out, n, kInvalidFormat);
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

// Adds the rest of a stream (from its position to its end) to a running
// hash in 64 KiB pieces; counts the bytes. Pieces end on multiples of align
// counted from alignBase, the stream's absolute position (see AlignedPiece).
// Its buffer is allocated plainly: callers run it under Guard.
StatusCode HashRest(IHash* hash, IStream* stream, uint64_t* countOut, uint32_t align = 1,
                    uint64_t alignBase = 0);

// A cipher.FileStreamCFB attached at offset 0 of stream (which is rewound
// first) with the given iv (null: none) and positioned at `at` by its own
// Seek, so that its feedback state is the one the stored bytes before `at`
// produce.
StatusCode AttachCipher(IFileStrem* stream, IBlockCipher* cipher, const uint8_t* iv, uint32_t ivLength,
                        uint64_t at, IFileStrem** out);

// A stored time as local calendar fields; a time the conversion cannot
// take gives zeros.
CalendarTime LocalCalendar(uint32_t seconds);

// Frees what *out holds and stores there a runtime block (zk_malloc) with
// the bytes of text and a terminating zero; kNoMemory when it cannot be had
// (or would reach 2 GiB).
StatusCode PutString(char** out, const std::string& text);

}  // namespace zk::engine
