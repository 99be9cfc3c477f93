// steg.WAVE: hidden bits in bit 0 of the samples of a PCM RIFF WAVE file,
// changed in place.
//
// The format chunk is taken as 18 bytes when its extra-size field is 0 and
// as 16 bytes otherwise, whatever its size field says, and chunk sizes are
// followed without pad bytes. The first "data" chunk is processed in pieces
// of 64 KiB; inside every piece the places are the bytes at offsets 0, n,
// 2n, ... (n = bits per sample / 8), counted again from 0 in each piece, so
// 24-bit samples drift from piece to piece. All of that is how stored
// carriers are laid out and stays.
#include <algorithm>

#include "LsbCarrier.h"

namespace zk::steg {
namespace {

struct WaveFormat {
  static constexpr const char* kClassId = id::StegWAVE;
  static constexpr int32_t kKind = kCarrierSound;
  static constexpr uint32_t kPiece = 65536;
  static constexpr StatusCode kPastCapacity = kInvalidArg;
  static constexpr StatusCode kShortPlaces = kReadError;

  // Reads the headers from offset 0 and walks the chunks up to the first
  // "data" chunk; the carrier is left at that chunk's first byte.
  static StatusCode ReadLayout(IFileStrem* carrier, LsbLayout* layout) {
    StatusCode st = carrier->Seek(0, kSeekSet);
    if (st != kOk) return st;
    uint64_t size = 0;
    st = carrier->GetSize(&size);
    if (st != kOk) return st;
    uint8_t h[38];
    uint32_t got = 0;
    st = ReadFull(carrier, h, sizeof h, &got);
    if (st != kOk) return st;
    if (got != sizeof h || std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0 ||
        std::memcmp(h + 12, "fmt ", 4) != 0 || LoadLE16(h + 20) != 1)
      return kInvalidFormat;
    const uint16_t bits = LoadLE16(h + 34);
    // Fewer than 8 bits per sample would make the sample width 0.
    if (bits < 8) return kInvalidFormat;
    layout->unit = layout->step = bits / 8u;
    uint64_t position = LoadLE16(h + 36) != 0 ? 36 : 38;
    for (;;) {
      if (size < position + 8) return kInvalidFormat;  // no (complete) "data" chunk
      st = carrier->Seek(int64_t(position), kSeekSet);
      if (st != kOk) return st;
      uint8_t c[8];
      st = ReadFull(carrier, c, 8, &got);
      if (st != kOk) return st;
      if (got != 8) return kInvalidFormat;
      const uint64_t chunk = LoadLE32(c + 4);
      position += 8;
      if (std::memcmp(c, "data", 4) == 0) {
        layout->start = position;
        layout->run = std::min<uint64_t>(chunk, size - position);
        break;
      }
      position += chunk;  // grows by at least 8 each round: the walk ends
    }
    layout->capacity = layout->run / layout->unit / 8;
    if (layout->capacity == 0) return kInvalidFormat;
    return kOk;
  }

  // A whole piece, or just the bytes up to the last place needed.
  static uint32_t PieceBytes(const LsbLayout& l, uint64_t offset, uint64_t bitsLeft) {
    const uint32_t n = l.unit;
    uint32_t len = uint32_t(std::min<uint64_t>(l.run - offset, kPiece));
    if ((uint64_t(len) + n - 1) / n > bitsLeft) len = uint32_t((bitsLeft - 1) * n + 1);
    return len;
  }
};

using Wave = LsbCarrier<WaveFormat>;
ZK_REGISTER_CLASS(Wave)

}  // namespace
}  // namespace zk::steg
