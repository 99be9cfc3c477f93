// The running digest of a work stream: a stream that hashes what is written
// into it while the writes follow one another from position 0, so that a
// save finds the digest of its content ready instead of reading it all
// once more before it encrypts. The hashing happens in the writes, on the
// thread that writes (a WriteBehind's stage when the content is coded
// through one), overlapping the coding.
//
// Any other use that can change what the stream holds (a write anywhere
// but at the end of the bytes hashed, SetEnd elsewhere, a failed write, a
// Close, the memory block handed out or replaced) drops the running digest
// for good; the save then digests the stream as a whole, as it always did.
// Reads and seeks that write nothing keep it.
#pragma once
#include <cstdint>

#include "kvSafeDriver.h"
#include "zk5BlockCipher.h"
#include "zk5Stream.h"

namespace zk::engine {

// The face of a stream provider that can hand out digesting work streams
// (the secret, for the hash kind of its header).
inline constexpr const char* kIdDigestingStreams = "local.kiv.IDigestingStreams";
struct IDigestingStreams : IBase {
  // As IStreamProvider::CreateStream, the stream digesting its writes.
  virtual StatusCode CreateDigestingStream(int32_t large, IFileStrem** out) = 0;
};

// Wraps inner (the reference is taken; released when no wrapper can be had:
// kNoMemory) into a stream whose writes go on to inner and, while they run
// in order from 0, into hash (started afresh here; the reference is
// taken). hashIndex names the hash's kind for TakeRunningDigest. inner must
// stand at 0 and be empty.
StatusCode MakeDigestingStream(IFileStrem* inner, IHash* hash, int32_t hashIndex, IFileStrem** out);

// A work stream for content about to be saved through provider: a
// digesting one when the provider makes them, else its plain CreateStream.
StatusCode CreateSaveStream(IStreamProvider* provider, int32_t large, IFileStrem** out);

// When stream is a digesting stream whose running digest still holds, of
// the kind hashIndex, over all of its bytes: its digest (the hash's Final
// into 32 bytes, zeros after the digest's size) into digest, and true. The
// running digest ends there (a later call answers false). Else false and
// digest untouched. Not to be called while another thread writes stream.
bool TakeRunningDigest(IFileStrem* stream, int32_t hashIndex, uint8_t digest[32]);

}  // namespace zk::engine
