// The word-wide moves of hidden bits into and out of bit 0 of carrier
// bytes against a plain bit-by-bit model: every step, phase and count, and
// hidden bytes split between pieces.
#include <gtest/gtest.h>

#include "LsbPlaces.h"
#include "CarrierTestSupport.h"

using namespace zktest;
using namespace stegtest;

namespace {

uint32_t Bit(const std::vector<uint8_t>& v, uint64_t i) { return (v[i / 8] >> (i % 8)) & 1u; }

TEST(LsbPlacesTest, PutGetAndClearMatchTheBitByBitModel) {
  const auto hidden = Pattern(16, 1);
  for (uint32_t step = 1; step <= 5; ++step) {
    for (uint32_t phase = 0; phase < 8; ++phase) {
      for (uint32_t count = 0; count <= 40; ++count) {
        SCOPED_TRACE(testing::Message() << "step " << step << " phase " << phase << " count " << count);
        const auto piece = Pattern(size_t(count) * step + 9, step * 100 + count);
        auto model = piece;
        for (uint32_t i = 0; i < count; ++i)
          model[size_t(i) * step] = uint8_t((model[size_t(i) * step] & 0xFE) | Bit(hidden, phase + i));
        auto put = piece;
        zk::steg::PutPlaceBits(put.data(), step, count, hidden.data(), phase);
        ASSERT_EQ(put, model);
        std::vector<uint8_t> got(8, 0);
        got[0] = uint8_t(hidden[0] & ((1u << phase) - 1));  // the bits before phase
        zk::steg::GetPlaceBits(model.data(), step, count, got.data(), phase);
        for (uint32_t i = 0; i < phase + count; ++i) ASSERT_EQ(Bit(got, i), Bit(hidden, i)) << i;
        auto cleared = piece;
        zk::steg::ClearPlaceBits(cleared.data(), step, uint32_t(cleared.size()));
        for (size_t i = 0; i < cleared.size(); ++i)
          ASSERT_EQ(cleared[i], i % step == 0 ? (piece[i] & 0xFE) : piece[i]) << i;
      }
    }
  }
}

TEST(LsbPlacesTest, BytesSplitBetweenPiecesAreCarriedOver) {
  // Pieces of 3, 21,846 (a 24-bit piece of 64 KiB), 5, 13 and 37 places.
  const std::vector<uint32_t> counts = {3, 21846, 5, 13, 37};
  uint64_t total = 0;
  for (uint32_t c : counts) total += c;
  const auto secret = Pattern(total / 8, 9);
  const uint64_t bits = secret.size() * 8;
  Ref<FakeStream> data(FakeStream::Make(secret));
  Ref<FakeStream> out(FakeStream::Make());
  std::unique_ptr<zk::CarrierStreamBuffer> in(zk::CarrierStreamBuffer::Create(data.get(), nullptr));
  std::unique_ptr<zk::CarrierStreamBuffer> sink(zk::CarrierStreamBuffer::Create(nullptr, out.get()));
  std::vector<uint8_t> hw(zk::steg::PlaceWriter::BufferBytes(21846)), hr(zk::steg::PlaceReader::BufferBytes(21846));
  zk::steg::PlaceWriter writer(in.get(), hw.data());
  zk::steg::PlaceReader reader(sink.get(), hr.data());
  uint64_t done = 0;
  for (uint32_t c : counts) {
    const uint32_t n = uint32_t(std::min<uint64_t>(c, bits - done));
    auto piece = Pattern(size_t(c) * 3, c);
    ASSERT_EQ(writer.Put(piece.data(), 3, n), 0);
    for (uint32_t i = 0; i < n; ++i) ASSERT_EQ(piece[size_t(i) * 3] & 1u, Bit(secret, done + i));
    ASSERT_EQ(reader.Take(piece.data(), 3, n), 0);
    done += n;
  }
  ASSERT_EQ(sink->Flush(), 0);
  EXPECT_EQ(out->data, secret);
  // One more bit than the data holds: the data ended early.
  std::vector<uint8_t> piece(8);
  EXPECT_EQ(writer.Put(piece.data(), 1, 8), zk::kReadError);
}

}  // namespace
