// steg.BMP: hidden bits in bit 0 of the pixel bytes of an uncompressed
// Windows bitmap, changed in place.
//
// The pixels are always taken as one unpadded run of width x height pixels
// from offset 54, whatever the header says about the pixel offset, header
// size, colour table or row padding: that placement is what carriers
// written earlier hold, so it stays even where it is odd for a file (with
// a larger header the first places are header bytes).
#include <algorithm>

#include "LsbCarrier.h"

namespace zk::steg {
namespace {

constexpr uint32_t kPixelOffset = 54;
constexpr int32_t kMaxSide = 37837;

struct BmpFormat {
  static constexpr const char* kClassId = id::StegBMP;
  static constexpr int32_t kKind = kCarrierImage;
  // Pieces of whole pixels at every depth (2, 3 and 4 bytes) and of whole
  // hidden bytes (a multiple of eight places at every depth).
  static constexpr uint32_t kPiece = 65520;
  static constexpr StatusCode kPastCapacity = kNotExecuted;
  static constexpr StatusCode kShortPlaces = kInvalidFormat;

  // Reads and checks both headers from offset 0; the carrier is left at 54.
  // The run is every pixel byte; the places are every byte at 24 and 32
  // bits, bit 0 of every pixel word at 16.
  static StatusCode ReadLayout(IFileStrem* carrier, LsbLayout* layout) {
    StatusCode st = carrier->Seek(0, kSeekSet);
    if (st != kOk) return st;
    uint8_t h[kPixelOffset];
    uint32_t got = 0;
    st = ReadFull(carrier, h, sizeof h, &got);
    if (st != kOk) return st;
    if (got != sizeof h) return kInvalidFormat;
    uint64_t size = 0;
    st = carrier->GetSize(&size);
    if (st != kOk) return st;
    const int32_t width = int32_t(LoadLE32(h + 18));
    const int32_t height = int32_t(LoadLE32(h + 22));
    const uint16_t bits = LoadLE16(h + 28);
    if (h[0] != 'B' || h[1] != 'M' || LoadLE32(h + 2) != size || LoadLE32(h + 14) < 40 || width < 1 ||
        width > kMaxSide || height < 1 || height > kMaxSide || LoadLE16(h + 26) != 1 ||
        (bits != 16 && bits != 24 && bits != 32) || LoadLE32(h + 30) != 0)
      return kInvalidFormat;
    const uint32_t bytesPerPixel = bits / 8u;
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    layout->start = kPixelOffset;
    layout->run = pixels * bytesPerPixel;
    layout->unit = bytesPerPixel;
    layout->step = bytesPerPixel == 2 ? 2 : 1;
    // A header may promise more pixels than the file holds: refuse it here,
    // so no operation reads, allocates or writes past the real data.
    if (kPixelOffset + layout->run > size) return kReadError;
    layout->capacity = bits == 16 ? pixels / 8 : layout->run / 8;
    return kOk;
  }

  // Just the bytes that hold the remaining bits, in whole pixels.
  static uint32_t PieceBytes(const LsbLayout& l, uint64_t offset, uint64_t bitsLeft) {
    const uint32_t n = l.unit;
    const uint64_t need = n == 2 ? bitsLeft * 2 : (bitsLeft + n - 1) / n * n;
    return uint32_t(std::min<uint64_t>({need, kPiece, l.run - offset}));
  }
};

using Bmp = LsbCarrier<BmpFormat>;
ZK_REGISTER_CLASS(Bmp)

}  // namespace
}  // namespace zk::steg
