// The in-memory fake stream of the tests, fuzz targets and benchmarks: a
// stream.IFileStrem over a byte vector that behaves like the toolkit memory
// stream (Seek from the end counts back, no seek past the end) or, when
// asked, like a file stream (Seek from the end adds the offset to the size,
// seeks past the end allowed). Switches make reads, writes, seeks, the size,
// the end, SetEnd, Commit and QueryInterface fail or misbehave the ways a real
// medium can, to exercise the error paths.
#pragma once
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "StreamCopy.h"
#include "ToolkitObject.h"
#include "zk5Stream.h"

namespace zktest {

class FakeStream final : public zk::ToolkitObject<FakeStream, zk::IFileStrem> {
 public:
  static constexpr const char* kClassId = "test.FakeStream";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::StreamIFileStrem, 0},
                                                      {zk::id::StreamIStream, 0}};

  std::vector<uint8_t> data;
  uint64_t position = 0;
  bool fileSeek = false;       // Seek from the end as a file stream does
  uint32_t maxRead = 0;        // deliver at most this many bytes per Read (0: no limit)
  int failReadAfter = -1;      // the n-th Read (0-based) fails with -104
  int failWriteAfter = -1;     // the n-th Write fails with -105
  bool failRead = false;       // every Read fails with -104
  bool failWrite = false;      // every Write fails with -105
  uint64_t readFailAt = UINT64_MAX;   // reads stop short of this byte; a Read from it fails with -104
  uint64_t writeFailAt = UINT64_MAX;  // a Write that would grow the data past this size fails with -105
  int64_t writeBudget = -1;    // bytes written in all before a Write stops short and fails with -105 (-1: no limit)
  bool stalled = false;        // every Read delivers no bytes, though the end is not reached
  bool neverEnd = false;       // IsEnd never reports the end
  uint64_t claimedSize = 0;    // GetSize reports this when non-zero
  StatusCode sizeError = 0;    // GetSize answers this when non-zero
  StatusCode seekError = 0;    // Seek answers this when non-zero
  StatusCode setEndError = 0;  // SetEnd answers this when non-zero
  StatusCode commitError = 0;  // Commit answers this when non-zero
  bool refuseQuery = false;    // QueryInterface answers -7 for every interface
  int reads = 0, writes = 0, commits = 0;
  std::vector<uint32_t> readAsks;    // size asked by every Read
  std::vector<uint32_t> writeSizes;  // length of every Write

  static FakeStream* Make(std::vector<uint8_t> bytes = {}, bool fileLike = false) {
    FakeStream* s = Create();
    s->data = std::move(bytes);
    s->fileSeek = fileLike;
    return s;
  }
  static FakeStream* MakeText(std::string_view text, bool fileLike = false) {
    return Make(std::vector<uint8_t>(text.begin(), text.end()), fileLike);
  }
  std::string Text() const { return std::string(data.begin(), data.end()); }
  void SetText(std::string_view text) { data.assign(text.begin(), text.end()); }

  StatusCode QueryInterface(const char* iid, void** out) override {
    if (!refuseQuery) return ToolkitObject::QueryInterface(iid, out);
    if (out) *out = nullptr;
    return zk::kNotImplemented;
  }
  StatusCode IsEnd() override { return !neverEnd && position >= data.size() ? zk::kEndOfStream : zk::kOk; }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    if (gotOut) *gotOut = 0;
    if (size == 0) return zk::kOk;
    if (!buffer) return zk::kInvalidArg;
    readAsks.push_back(size);
    if (reads++ == failReadAfter || failRead || position >= readFailAt) return zk::kReadError;
    uint64_t left = position < data.size() ? data.size() - position : 0;
    uint64_t n = size < left ? size : left;
    if (maxRead && n > maxRead) n = maxRead;
    if (position + n > readFailAt) n = readFailAt - position;
    if (stalled) n = 0;
    if (n) std::memcpy(buffer, data.data() + position, n);
    position += n;
    if (gotOut) *gotOut = static_cast<uint32_t>(n);
    return zk::kOk;
  }
  StatusCode Write(const void* src, uint32_t length) override {
    if (length == 0) return zk::kOk;
    if (!src) return zk::kInvalidArg;
    writeSizes.push_back(length);
    if (writes++ == failWriteAfter || failWrite) return zk::kWriteError;
    if (std::max<uint64_t>(data.size(), position + length) > writeFailAt) return zk::kWriteError;
    uint32_t n = length;
    if (writeBudget >= 0 && n > writeBudget) n = static_cast<uint32_t>(writeBudget);
    if (position + n > data.size()) data.resize(position + n);
    if (n) std::memcpy(data.data() + position, src, n);
    position += n;
    if (writeBudget >= 0) writeBudget -= n;
    return n < length ? zk::kWriteError : zk::kOk;
  }
  StatusCode Close() override { return zk::kOk; }
  StatusCode CopyFrom(zk::IStream* source, uint64_t count) override { return zk::CopyStream(this, source, count); }
  StatusCode Commit() override {
    ++commits;
    return commitError;
  }
  StatusCode GetSize(uint64_t* sizeOut) override {
    if (!sizeOut) return zk::kInvalidArg;
    if (sizeError) return sizeError;
    *sizeOut = claimedSize ? claimedSize : data.size();
    return zk::kOk;
  }
  StatusCode GetPosition(uint64_t* positionOut) override {
    if (!positionOut) return zk::kInvalidArg;
    *positionOut = position;
    return zk::kOk;
  }
  StatusCode Seek(int64_t offset, int32_t origin) override {
    if (seekError) return seekError;
    int64_t base = origin == 0 ? 0 : origin == 1 ? int64_t(position) : int64_t(data.size());
    int64_t target = origin == 2 && !fileSeek ? base - offset : base + offset;
    if (origin < 0 || origin > 2) return zk::kInvalidArg;
    if (fileSeek) {
      // A file may be positioned past its end; a failed seek is not reported.
      if (target >= 0) position = uint64_t(target);
      return zk::kOk;
    }
    if (target < 0 || uint64_t(target) > data.size()) return zk::kInvalidArg;
    position = uint64_t(target);
    return zk::kOk;
  }
  StatusCode SetEnd() override {
    if (setEndError) return setEndError;
    data.resize(position);
    return zk::kOk;
  }
};

}  // namespace zktest
