// The CopyFrom shared by every stream of the toolkit: copies from a source
// into a stream in 64 KiB pieces, up to count bytes (0: to the source's end).
#pragma once
#include <cstdint>
#include <memory>
#include <new>

#include "zk5Stream.h"

namespace zk {

// write(data, length) takes each piece read; its status ends the copy
// when not 0.
template <class WriteFn>
StatusCode CopyStreamWith(WriteFn&& write, IStream* source, uint64_t count) {
  if (!source) return kInvalidArg;
  constexpr uint32_t kPiece = 65536;
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kPiece]);
  if (!buffer) return kNoMemory;
  if (source->IsEnd() != 0) return kOk;
  const bool limited = count != 0;
  while (source->IsEnd() == 0) {
    uint32_t want = limited && count < kPiece ? static_cast<uint32_t>(count) : kPiece;
    uint32_t got = 0;
    StatusCode st = source->Read(buffer.get(), want, &got);
    if (st != kOk) return st;
    // A read that yields nothing ends the copy, so a source that never
    // reports its end cannot keep it going.
    if (got == 0) return kOk;
    st = write(buffer.get(), got);
    if (st != kOk) return st;
    if (limited) {
      // Counted by the bytes really read: a short read does not shorten the copy.
      count -= got;
      if (count == 0) return kOk;
    }
  }
  return kOk;
}

inline StatusCode CopyStream(IStream* target, IStream* source, uint64_t count) {
  return CopyStreamWith([target](const void* data, uint32_t length) { return target->Write(data, length); },
                        source, count);
}

}  // namespace zk
