// A file stream in memory for the script tests, with switches that make its
// operations fail the ways a real medium can.
#pragma once
#include <algorithm>
#include <cstring>
#include <string>

#include "ToolkitObject.h"
#include "zk5Stream.h"

namespace scripttest {

class TestStream final : public zk::ToolkitObject<TestStream, zk::IFileStrem> {
 public:
  static constexpr const char* kClassId = "test.TestStream";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::StreamIFileStrem, 0},
                                                      {zk::id::StreamIStream, 0}};

  static TestStream* Make(const std::string& bytes = std::string()) {
    TestStream* s = Create();
    s->data = bytes;
    return s;
  }

  // Contents and position.
  std::string data;
  uint64_t pos = 0;
  // Faults.
  StatusCode sizeError = 0;        // GetSize answers this
  uint64_t claimedSize = 0;        // GetSize reports this when non-zero
  StatusCode readError = 0;        // every Read answers this
  int readsBeforeError = 0;        // Reads that succeed before readError comes
  bool neverEnd = false;           // IsEnd never reports the end
  uint32_t readPiece = 0;          // a Read hands out at most this many (0: all)
  StatusCode seekError = 0;
  int64_t writeBudget = -1;        // bytes written before Write fails with -105
  StatusCode setEndError = 0;
  StatusCode commitError = 0;
  bool refuseQuery = false;        // QueryInterface answers -7
  int commits = 0;
  int reads = 0;

  StatusCode QueryInterface(const char* iid, void** out) override {
    if (!refuseQuery) return ToolkitObject::QueryInterface(iid, out);
    if (out) *out = nullptr;
    return zk::kNotImplemented;
  }
  StatusCode IsEnd() override { return !neverEnd && pos >= data.size() ? zk::kEndOfStream : 0; }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    ++reads;
    if (gotOut) *gotOut = 0;
    if (!buffer) return zk::kInvalidArg;
    if (readError) {
      if (readsBeforeError == 0) return readError;
      --readsBeforeError;
    }
    uint64_t n = std::min<uint64_t>(size, pos < data.size() ? data.size() - pos : 0);
    if (readPiece) n = std::min<uint64_t>(n, readPiece);
    std::memcpy(buffer, data.data() + pos, n);
    pos += n;
    if (gotOut) *gotOut = static_cast<uint32_t>(n);
    return 0;
  }
  StatusCode Write(const void* src, uint32_t length) override {
    if (!src) return zk::kInvalidArg;
    uint32_t n = length;
    if (writeBudget >= 0 && n > writeBudget) n = static_cast<uint32_t>(writeBudget);
    if (pos + n > data.size()) data.resize(pos + n);
    std::memcpy(data.data() + pos, src, n);
    pos += n;
    if (writeBudget >= 0) writeBudget -= n;
    return n < length ? zk::kWriteError : 0;
  }
  StatusCode Close() override { return 0; }
  StatusCode CopyFrom(zk::IStream*, uint64_t) override { return zk::kNotImplemented; }
  StatusCode Commit() override {
    ++commits;
    return commitError;
  }
  StatusCode GetSize(uint64_t* sizeOut) override {
    if (!sizeOut) return zk::kInvalidArg;
    if (sizeError) return sizeError;
    *sizeOut = claimedSize ? claimedSize : data.size();
    return 0;
  }
  StatusCode GetPosition(uint64_t* positionOut) override {
    if (!positionOut) return zk::kInvalidArg;
    *positionOut = pos;
    return 0;
  }
  StatusCode Seek(int64_t offset, int32_t origin) override {
    if (seekError) return seekError;
    int64_t base = origin == zk::kSeekSet ? 0 : origin == zk::kSeekCur ? int64_t(pos) : int64_t(data.size());
    pos = static_cast<uint64_t>(std::max<int64_t>(0, base + offset));
    return 0;
  }
  StatusCode SetEnd() override {
    if (setEndError) return setEndError;
    data.resize(pos);
    return 0;
  }

};

}  // namespace scripttest
