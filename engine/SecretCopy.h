// The secret's copy streams: one that takes at most a given number of
// bytes and one that drops a given number first. The copies themselves are
// in EngineCommon.h.
#pragma once
#include <cstdint>

#include "EngineCommon.h"
#include "zk5Stream.h"

namespace zk::engine {

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
