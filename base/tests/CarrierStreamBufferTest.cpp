// The buffered carrier stream: bit order, buffer refills and hand-overs,
// stepping back, rewinding over both seek conventions, and error paths.
#include <gtest/gtest.h>

#include <memory>
#include <algorithm>

#include "CarrierStreamBuffer.h"
#include "FakeStream.h"
#include "ZkTestSupport.h"

using zk::CarrierStreamBuffer;
using zktest::FakeStream;

namespace {

struct Holder {
  FakeStream* s;
  explicit Holder(FakeStream* p) : s(p) {}
  ~Holder() { s->Release(); }
  FakeStream* operator->() { return s; }
};

std::vector<uint8_t> Ramp(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  return v;
}

// A plain stream.IStream without stream.IFileStrem.
class PlainStream final : public zk::ToolkitObject<PlainStream, zk::IStream> {
 public:
  static constexpr const char* kClassId = "test.PlainStream";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::StreamIStream, 0}};
  StatusCode IsEnd() override { return zk::kEndOfStream; }
  StatusCode Read(void*, uint32_t, uint32_t* got) override {
    if (got) *got = 0;
    return zk::kOk;
  }
  StatusCode Write(const void*, uint32_t) override { return zk::kOk; }
  StatusCode Close() override { return zk::kOk; }
  StatusCode CopyFrom(zk::IStream*, uint64_t) override { return zk::kOk; }
};

TEST(BufferTest, BitsGoFromBitZeroUp) {
  Holder out(FakeStream::Make());
  {
    std::unique_ptr<CarrierStreamBuffer> b(CarrierStreamBuffer::Create(nullptr, out.s));
    for (uint32_t bit : {1, 0, 0, 0, 0, 0, 0, 0}) ASSERT_EQ(b->WriteBit(bit), 0);
    ASSERT_EQ(b->Flush(), 0);
    EXPECT_EQ(zktest::ToHex(out->data), "01");
    // Three bits then Flush: one byte, bits 3-7 clear.
    for (uint32_t bit : {1, 1, 1}) ASSERT_EQ(b->WriteBit(bit), 0);
    ASSERT_EQ(b->Flush(), 0);
    EXPECT_EQ(zktest::ToHex(out->data), "0107");
    // WriteBits: bit 0 of the value first; a byte write closes pending bits.
    ASSERT_EQ(b->WriteBits(0x2D5, 10), 0);  // 1011010101b: d5 then 2 bits "10"
    ASSERT_EQ(b->WriteByte(0xAA), 0);
    ASSERT_EQ(b->Flush(), 0);
    EXPECT_EQ(b->bytesWritten, 5u);
    // Nothing is written for an empty buffer.
    size_t writes = out->writeSizes.size();
    ASSERT_EQ(b->Flush(), 0);
    EXPECT_EQ(out->writeSizes.size(), writes);
  }
  EXPECT_EQ(zktest::ToHex(out->data), "0107d502aa");
  EXPECT_EQ(out->GetRefCount(), 1);  // the buffer gave its reference back
}

TEST(BufferTest, ReadsBitsInBothOrders) {
  Holder in(FakeStream::Make({0x01, 0x80, 0xC5, 0x3A}));
  std::unique_ptr<CarrierStreamBuffer> b(CarrierStreamBuffer::Create(in.s, nullptr));
  uint32_t bit = 9, v = 0;
  ASSERT_EQ(b->ReadBit(&bit), 0);
  EXPECT_EQ(bit, 1u);
  ASSERT_EQ(b->ReadBits(7, &v), 0);
  EXPECT_EQ(v, 0u);
  ASSERT_EQ(b->ReadBitMsb(&bit), 0);  // 0x80, bit 7 first
  EXPECT_EQ(bit, 1u);
  ASSERT_EQ(b->ReadBitsMsb(7, &v), 0);
  EXPECT_EQ(v, 0u);
  ASSERT_EQ(b->ReadBits(8, &v), 0);
  EXPECT_EQ(v, 0xC5u);
  // 0x3A = 00111010b taken from bit 7 down: 0,0,1,1,1,0,1,0; the first bit read is bit 0.
  ASSERT_EQ(b->ReadBitsMsb(8, &v), 0);
  EXPECT_EQ(v, 0x5Cu);
  EXPECT_EQ(b->bytesRead, 4u);
  EXPECT_EQ(b->ReadBit(&bit), zk::kNotExecuted);
  uint8_t byte = 0;
  EXPECT_EQ(b->ReadByte(&byte), zk::kNotExecuted);
}

TEST(BufferTest, UnreadBitsStepsBackWithinTheBuffer) {
  Holder in(FakeStream::Make({0xF0, 0x0F, 0x55}));
  std::unique_ptr<CarrierStreamBuffer> b(CarrierStreamBuffer::Create(in.s, nullptr));
  EXPECT_EQ(b->UnreadBits(1), zk::kNotExecuted);  // nothing read yet
  uint32_t v = 0;
  ASSERT_EQ(b->ReadBits(12, &v), 0);
  EXPECT_EQ(v, 0xFF0u);
  EXPECT_EQ(b->bytesRead, 1u);
  ASSERT_EQ(b->UnreadBits(6), 0);  // back over the byte boundary
  EXPECT_EQ(b->bytesRead, 0u);
  EXPECT_EQ(b->readPosition, 0u);
  EXPECT_EQ(b->readBitIndex, 6u);
  ASSERT_EQ(b->ReadBits(4, &v), 0);
  EXPECT_EQ(v, 0xFu);  // bits 6,7 of 0xF0 then bits 0,1 of 0x0F
  EXPECT_EQ(b->UnreadBits(11), zk::kNotExecuted);
  EXPECT_EQ(b->UnreadBits(10), 0);
  uint8_t byte = 0;
  ASSERT_EQ(b->ReadByte(&byte), 0);
  EXPECT_EQ(byte, 0xF0);
}

TEST(BufferTest, ReadBlockRefillsWithFullRequestsAndStopsAtTheEnd) {
  const auto bytes = Ramp(200000);
  for (uint32_t piece : {0u, 1000u}) {  // whole reads, then a source giving short pieces
    Holder in(FakeStream::Make(bytes));
    in->maxRead = piece;
    std::unique_ptr<CarrierStreamBuffer> b(CarrierStreamBuffer::Create(in.s, nullptr));
    std::vector<uint8_t> got(250000, 0xEE);
    uint32_t delivered = 0;
    uint8_t first = 0;
    ASSERT_EQ(b->ReadByte(&first), 0);
    EXPECT_EQ(first, bytes[0]);
    ASSERT_EQ(b->ReadBlock(got.data(), 250000, &delivered), 0);
    ASSERT_EQ(delivered, 199999u);
    EXPECT_TRUE(std::equal(bytes.begin() + 1, bytes.end(), got.begin()));
    EXPECT_EQ(got[199999], 0xEE);
    EXPECT_EQ(b->bytesRead, 200000u);
    for (uint32_t ask : in->readAsks) EXPECT_EQ(ask, 65536u);
    EXPECT_NE(b->AtEnd(), 0);
  }
  Holder in(FakeStream::Make({1, 2}));
  std::unique_ptr<CarrierStreamBuffer> b(CarrierStreamBuffer::Create(in.s, nullptr));
  uint32_t delivered = 7;
  EXPECT_EQ(b->ReadBlock(nullptr, 1, &delivered), zk::kInvalidArg);
  EXPECT_EQ(b->ReadBlock(nullptr, 0, &delivered), 0);
  EXPECT_EQ(b->AtEnd(), 0);  // the source has not been asked yet: not at its end
  uint8_t v = 0;
  ASSERT_EQ(b->ReadByte(&v), 0);
  EXPECT_EQ(b->AtEnd(), 0);  // one byte still buffered
  ASSERT_EQ(b->ReadByte(&v), 0);
  EXPECT_EQ(b->AtEnd(), zk::kEndOfStream);
}

TEST(BufferTest, WritesHandOverWholeBuffers) {
  const auto bytes = Ramp(2 * 65536 + 10);
  Holder out(FakeStream::Make());
  std::unique_ptr<CarrierStreamBuffer> b(CarrierStreamBuffer::Create(nullptr, out.s));
  EXPECT_EQ(b->WriteBlock(nullptr, 0), 0);
  EXPECT_EQ(b->WriteBlock(nullptr, 3), zk::kInvalidArg);
  ASSERT_EQ(b->WriteBlock(bytes.data(), 100000), 0);
  ASSERT_EQ(b->WriteBlock(bytes.data() + 100000, uint32_t(bytes.size() - 100000)), 0);
  ASSERT_EQ(b->Flush(), 0);
  EXPECT_EQ(out->data, bytes);
  EXPECT_EQ(out->writeSizes, (std::vector<uint32_t>{65536, 65536, 10}));
  EXPECT_EQ(b->bytesWritten, bytes.size());

  // Bit writes over a buffer boundary: the buffer is zero again after each hand-over.
  Holder bits(FakeStream::Make());
  std::unique_ptr<CarrierStreamBuffer> w(CarrierStreamBuffer::Create(nullptr, bits.s));
  for (uint32_t i = 0; i < 8 * 65536 + 4; ++i) ASSERT_EQ(w->WriteBit(i % 8 == 0 ? 1 : 0), 0);
  ASSERT_EQ(w->Flush(), 0);
  ASSERT_EQ(bits->data.size(), 65537u);
  EXPECT_EQ(std::count(bits->data.begin(), bits->data.end(), 1), 65537);
}

TEST(BufferTest, RewindFollowsTheSourcesSeek) {
  const auto bytes = Ramp(1000);
  for (bool fileLike : {false, true}) {
    SCOPED_TRACE(fileLike ? "file stream" : "memory stream");
    Holder in(FakeStream::Make(bytes, fileLike));
    std::unique_ptr<CarrierStreamBuffer> b(CarrierStreamBuffer::Create(in.s, nullptr));
    uint8_t v = 0;
    for (int i = 0; i < 10; ++i) ASSERT_EQ(b->ReadByte(&v), 0);
    // The whole source sits in the buffer; Rewind puts it back at 10 first.
    ASSERT_EQ(b->Rewind(5, zk::kSeekCur), 0);
    EXPECT_EQ(in->position, 15u);
    ASSERT_EQ(b->ReadByte(&v), 0);
    EXPECT_EQ(v, bytes[15]);
    ASSERT_EQ(b->Rewind(fileLike ? -4 : 4, zk::kSeekEnd), 0);
    ASSERT_EQ(b->ReadByte(&v), 0);
    EXPECT_EQ(v, bytes[996]);
    ASSERT_EQ(b->Rewind(0, zk::kSeekSet), 0);
    ASSERT_EQ(b->ReadByte(&v), 0);
    EXPECT_EQ(v, bytes[0]);
  }
  PlainStream* plain = PlainStream::Create();
  {
    std::unique_ptr<CarrierStreamBuffer> b(CarrierStreamBuffer::Create(plain, nullptr));
    EXPECT_EQ(b->Rewind(0, 0), zk::kNotExecuted);
  }
  EXPECT_EQ(plain->Release(), 0);
}

TEST(BufferTest, StreamErrorsComeBackUnchanged) {
  Holder in(FakeStream::Make(Ramp(10)));
  in->failReadAfter = 0;
  std::unique_ptr<CarrierStreamBuffer> r(CarrierStreamBuffer::Create(in.s, nullptr));
  uint8_t v = 0;
  EXPECT_EQ(r->ReadByte(&v), zk::kReadError);
  uint32_t bit = 0;
  EXPECT_EQ(r->ReadBit(&bit), 0);  // the next read succeeds

  Holder out(FakeStream::Make());
  out->failWriteAfter = 0;
  std::unique_ptr<CarrierStreamBuffer> w(CarrierStreamBuffer::Create(nullptr, out.s));
  ASSERT_EQ(w->WriteByte(1), 0);
  EXPECT_EQ(w->Flush(), zk::kWriteError);
}

TEST(BufferDeathTest, MissingStreamIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        CarrierStreamBuffer b(nullptr, nullptr);
        uint8_t v;
        b.ReadByte(&v);
      },
      "");
  EXPECT_DEATH(
      {
        CarrierStreamBuffer b(nullptr, nullptr);
        b.WriteByte(1);
        b.Flush();
      },
      "");
}

}  // namespace
