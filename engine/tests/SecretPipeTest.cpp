// The stage queues of a save or an open: bytes arrive whole and in order
// through many wraps of the bounded ring, a stage's failure reaches the
// other side after exactly the bytes before it, a caller that stops or
// fails ends the stage without hanging, and a write-behind stage passes
// seeks and reads straight on until its first write.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "SecretCopy.h"
#include "SecretPipe.h"
#include "StorageTestSupport.h"
#include "tests/SecretTestSupport.h"

using namespace enginetest;
using zktest::NewMem;
using zktest::ReadAll;
using zk::engine::ReadAhead;
using zk::engine::WriteBehind;

namespace {

// More than the ring holds several times over, in pieces of odd sizes.
std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t((i * 2654435761u) >> 11);
  return v;
}

StatusCode WritePieces(zk::IStream* out, const std::vector<uint8_t>& data, size_t from, size_t to) {
  static const uint32_t sizes[] = {1, 7, 4096, 65537, 300001, 13};
  size_t at = from;
  for (int i = 0; at < to; ++i) {
    uint32_t n = uint32_t(std::min<size_t>(sizes[i % 6], to - at));
    StatusCode st = out->Write(data.data() + at, n);
    if (st != 0) return st;
    at += n;
  }
  return 0;
}

// A stream that takes writes until the nth, which fails with -105.
class FailingSink final : public zk::ToolkitObject<FailingSink, zk::IFileStrem> {
 public:
  static constexpr const char* kClassId = "test.FailingSink";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::StreamIFileStrem, 0}, {zk::id::StreamIStream, 0}};
  int failAt = 0;
  int writes = 0;
  std::vector<uint8_t> got;
  StatusCode IsEnd() override { return zk::kEndOfStream; }
  StatusCode Read(void*, uint32_t, uint32_t* n) override {
    *n = 0;
    return zk::kReadError;
  }
  StatusCode Write(const void* data, uint32_t length) override {
    if (++writes == failAt) return -105;
    got.insert(got.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
    return 0;
  }
  StatusCode Close() override { return 0; }
  StatusCode CopyFrom(zk::IStream*, uint64_t) override { return zk::kNotImplemented; }
  StatusCode Commit() override { return 0; }
  StatusCode GetSize(uint64_t* s) override {
    *s = got.size();
    return 0;
  }
  StatusCode GetPosition(uint64_t* p) override { return GetSize(p); }
  StatusCode Seek(int64_t, int32_t) override { return zk::kNotImplemented; }
  StatusCode SetEnd() override { return zk::kNotImplemented; }
};

}  // namespace

TEST(SecretPipe, ReadAheadDeliversEveryByteInOrderThenItsFailure) {
  LoadLibraries();
  const std::vector<uint8_t> data = Pattern(5 * 1000 * 1000 + 3);
  for (StatusCode end : {0, -104}) {
    SCOPED_TRACE(end);
    ReadAhead ahead;
    ASSERT_EQ(ahead.Start(data.size(), [&](zk::IFileStrem* w) {
      StatusCode st = WritePieces(w, data, 0, data.size());
      return st != 0 ? st : end;
    }), 0);
    uint64_t size = 0;
    ahead.stream()->GetSize(&size);
    EXPECT_EQ(size, data.size());
    Ref<zk::IFileStrem> out(NewMem({}));
    const StatusCode copied = zk::engine::CopyWithProgress(ahead.stream(), out.get(), 0, nullptr);
    EXPECT_EQ(copied, end);
    EXPECT_EQ(ahead.Finish(copied), end);
    EXPECT_EQ(ReadAll(out.get()), data);
  }
}

TEST(SecretPipe, ACallerThatStopsEndsTheStage) {
  LoadLibraries();
  const std::vector<uint8_t> data = Pattern(8 * 1000 * 1000);
  // The caller gives up (a cancel) after a little: the stage, blocked on
  // the full ring, is stopped and the caller's code is answered.
  {
    std::atomic<StatusCode> seen{1};
    ReadAhead ahead;
    ASSERT_EQ(ahead.Start(data.size(), [&](zk::IFileStrem* w) {
      StatusCode st = WritePieces(w, data, 0, data.size());
      seen = st;
      return st;
    }), 0);
    uint8_t buf[1000];
    ASSERT_EQ(zk::engine::ReadFully(ahead.stream(), buf, sizeof buf), 0);
    EXPECT_EQ(std::memcmp(buf, data.data(), sizeof buf), 0);
    EXPECT_EQ(ahead.Finish(-5), -5);
    EXPECT_EQ(seen.load(), -5);
  }
  // The caller needs only the start; the rest is still read, and the
  // stage's failure after it still counts.
  {
    ReadAhead ahead;
    ASSERT_EQ(ahead.Start(data.size(), [&](zk::IFileStrem* w) {
      StatusCode st = WritePieces(w, data, 0, data.size());
      return st != 0 ? st : -104;
    }), 0);
    uint8_t buf[10];
    ASSERT_EQ(zk::engine::ReadFully(ahead.stream(), buf, sizeof buf), 0);
    EXPECT_EQ(ahead.Finish(0), -104);
  }
  // A stage that fails first wins over the caller's failure it caused.
  {
    ReadAhead ahead;
    ASSERT_EQ(ahead.Start(100, [&](zk::IFileStrem* w) {
      StatusCode st = w->Write(data.data(), 50);
      return st != 0 ? st : -104;
    }), 0);
    uint8_t buf[100];
    EXPECT_EQ(zk::engine::ReadFully(ahead.stream(), buf, sizeof buf), -104);
    EXPECT_EQ(ahead.Finish(-6), -104);
  }
}

TEST(SecretPipe, WriteBehindPassesBytesOnAndAnswersTheNextStreamsFailure) {
  LoadLibraries();
  const std::vector<uint8_t> data = Pattern(3 * 1000 * 1000 + 11);
  // Everything arrives, in pieces cut on multiples of 16 from where the
  // next stream stood (here 5).
  {
    Ref<zk::IFileStrem> next(NewMem({1, 2, 3, 4, 5}));
    next->Seek(0, zk::kSeekEnd);
    WriteBehind behind;
    ASSERT_EQ(behind.Start(next.get(), 16), 0);
    ASSERT_EQ(WritePieces(behind.stream(), data, 0, data.size()), 0);
    uint64_t position = 0;
    ASSERT_EQ(behind.stream()->GetPosition(&position), 0);  // waits for the stage
    EXPECT_EQ(position, data.size() + 5);
    ASSERT_EQ(WritePieces(behind.stream(), data, 0, 1000), 0);
    ASSERT_EQ(behind.Finish(0), 0);
    std::vector<uint8_t> want = {1, 2, 3, 4, 5};
    want.insert(want.end(), data.begin(), data.end());
    want.insert(want.end(), data.begin(), data.begin() + 1000);
    EXPECT_EQ(ReadAll(next.get()), want);
  }
  // The next stream's failure at its nth write: the bytes before it are
  // there, and the caller learns it from a later write or from Finish.
  for (int n : {1, 2, 30}) {
    SCOPED_TRACE(n);
    Ref<FailingSink> sink(new FailingSink());
    sink->failAt = n;
    WriteBehind behind;
    ASSERT_EQ(behind.Start(sink.get()), 0);
    const StatusCode wrote = WritePieces(behind.stream(), data, 0, data.size());
    EXPECT_EQ(behind.Finish(wrote), -105);
    EXPECT_EQ(sink->writes, n);
    EXPECT_EQ(sink->got, std::vector<uint8_t>(data.begin(), data.begin() + sink->got.size()));
    EXPECT_EQ(sink->got.size(), size_t(n - 1) * 65536);
  }
  // The caller's own failure stops the stage and is answered.
  {
    Ref<zk::IFileStrem> next(NewMem({}));
    WriteBehind behind;
    ASSERT_EQ(behind.Start(next.get()), 0);
    ASSERT_EQ(WritePieces(behind.stream(), data, 0, data.size()), 0);
    EXPECT_EQ(behind.Finish(-5), -5);
  }
}

TEST(SecretPipe, WriteBehindSeeksAndReadsStraightThroughBeforeItsFirstWrite) {
  LoadLibraries();
  Ref<zk::IFileStrem> next(NewMem({10, 20, 30, 40}));
  WriteBehind behind;
  ASSERT_EQ(behind.Start(next.get()), 0);
  zk::IFileStrem* s = behind.stream();
  ASSERT_EQ(s->Seek(2, zk::kSeekSet), 0);
  uint8_t b[2] = {};
  uint32_t got = 0;
  ASSERT_EQ(s->Read(b, 2, &got), 0);
  EXPECT_EQ(got, 2u);
  EXPECT_EQ(b[0], 30);
  EXPECT_EQ(b[1], 40);
  ASSERT_EQ(s->Write("xy", 2), 0);
  uint64_t size = 0;
  ASSERT_EQ(s->GetSize(&size), 0);
  EXPECT_EQ(size, 6u);
  ASSERT_EQ(s->Commit(), 0);
  EXPECT_EQ(behind.Finish(0), 0);
  EXPECT_EQ(ReadAll(next.get()), (std::vector<uint8_t>{10, 20, 30, 40, 'x', 'y'}));
}
