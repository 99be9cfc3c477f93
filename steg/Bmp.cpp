// steg.BMP: hidden bits in bit 0 of the pixel bytes of an uncompressed
// Windows bitmap, changed in place.
//
// The pixels are always taken as one unpadded run of width x height pixels
// from offset 54, whatever the header says about the pixel offset, header
// size, colour table or row padding: that placement is what carriers
// written earlier hold, so it stays even where it is odd for a file (with
// a larger header the first places are header bytes).
#include <algorithm>

#include "LsbPlaces.h"
#include "CarrierBase.h"

namespace zk::steg {
namespace {

constexpr uint32_t kPixelOffset = 54;
constexpr int32_t kMaxSide = 37837;
// Pieces of whole pixels at every depth (2, 3 and 4 bytes) and of whole
// hidden bytes (a multiple of eight places at every depth).
constexpr uint32_t kPiece = 65520;

struct BmpLayout {
  uint32_t bytesPerPixel = 0;  // 2, 3 or 4
  uint64_t pixels = 0;         // width x height
  uint64_t capacity = 0;
  uint64_t RunBytes() const { return pixels * bytesPerPixel; }
  // Places per pixel: every byte at 24 and 32 bits, one per pixel word at 16.
  uint32_t Places() const { return bytesPerPixel == 2 ? 1 : bytesPerPixel; }
};

// Reads and checks both headers from offset 0; the carrier is left at 54.
StatusCode ReadLayout(IFileStrem* carrier, BmpLayout* layout) {
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
  layout->bytesPerPixel = bits / 8u;
  layout->pixels = uint64_t(width) * uint64_t(height);
  // A header may promise more pixels than the file holds: refuse it here,
  // so no operation reads, allocates or writes past the real data.
  if (kPixelOffset + layout->RunBytes() > size) return kReadError;
  layout->capacity = bits == 16 ? layout->pixels / 8 : layout->RunBytes() / 8;
  return kOk;
}

class Bmp final : public DirectCarrier<Bmp> {
 public:
  static constexpr const char* kClassId = id::StegBMP;

  int32_t GetCarrierKind() override { return kCarrierImage; }

  StatusCode GetCapacity(IFileStrem* carrier, uint64_t* sizeOut) override {
    if (!carrier || !sizeOut) return kInvalidArg;
    BmpLayout l;
    StatusCode st = ReadLayout(carrier, &l);
    if (st != kOk) return st;
    *sizeOut = l.capacity;
    return kOk;
  }

  StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* sizeOut) override {
    return GetCapacity(carrier, sizeOut);
  }

  StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count) override {
    if (!carrier || !out) return kInvalidArg;
    BmpLayout l;
    StatusCode st = ReadLayout(carrier, &l);
    if (st != kOk) return st;
    if (count > l.capacity) return kNotExecuted;
    std::unique_ptr<CarrierStreamBuffer> buffer(CarrierStreamBuffer::Create(nullptr, out));
    std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[kPiece]);
    std::unique_ptr<uint8_t[]> hidden(new (std::nothrow) uint8_t[PlaceReader::BufferBytes(kPiece)]);
    if (!buffer || !piece || !hidden) return kNoMemory;
    PlaceReader reader(buffer.get(), hidden.get());
    const uint32_t n = l.bytesPerPixel;
    const uint32_t step = n == 2 ? 2 : 1;  // distance between places
    uint64_t bitsLeft = count * 8;
    while (bitsLeft != 0) {
      // Just the bytes that hold the remaining bits, in whole pixels.
      uint64_t need = n == 2 ? bitsLeft * 2 : (bitsLeft + n - 1) / n * n;
      uint32_t len = uint32_t(std::min<uint64_t>(need, kPiece));
      uint32_t got = 0;
      st = ReadFull(carrier, piece.get(), len, &got);
      if (st != kOk) return st;
      if (got != len) return kInvalidFormat;  // a short pixel read
      const uint32_t places = uint32_t(std::min<uint64_t>(len / step, bitsLeft));
      st = reader.Take(piece.get(), step, places);
      if (st != kOk) return st;
      bitsLeft -= places;
    }
    return buffer->Flush();
  }

  StatusCode Embed(IFileStrem* carrier, IFileStrem* data) override {
    if (!carrier || !data) return kInvalidArg;
    BmpLayout l;
    StatusCode st = ReadLayout(carrier, &l);
    if (st != kOk) return st;
    uint64_t size = 0;
    st = RemainingBytes(data, &size);
    if (st != kOk) return st;
    if (size > l.capacity) return kTooMuch;
    st = CheckReadable(data, size);
    if (st != kOk) return st;
    std::unique_ptr<CarrierStreamBuffer> buffer(CarrierStreamBuffer::Create(data, nullptr));
    std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[kPiece]);
    std::unique_ptr<uint8_t[]> hidden(new (std::nothrow) uint8_t[PlaceWriter::BufferBytes(kPiece)]);
    if (!buffer || !piece || !hidden) return kNoMemory;
    PlaceWriter writer(buffer.get(), hidden.get());
    const uint32_t n = l.bytesPerPixel;
    const uint64_t totalBits = size * 8;
    // The first ceil(bits / places) pixels are touched.
    const uint64_t touched = std::min<uint64_t>(l.pixels, (totalBits + l.Places() - 1) / l.Places()) * n;
    const uint32_t step = n == 2 ? 2 : 1;
    uint64_t bitsLeft = totalBits;
    for (uint64_t offset = 0; offset < touched; offset += kPiece) {
      uint32_t len = uint32_t(std::min<uint64_t>(touched - offset, kPiece));
      st = carrier->Seek(int64_t(kPixelOffset + offset), kSeekSet);
      if (st == kOk) st = ReadExact(carrier, piece.get(), len);
      if (st != kOk) return st;
      const uint32_t places = uint32_t(std::min<uint64_t>(len / step, bitsLeft));
      st = writer.Put(piece.get(), step, places);
      if (st != kOk) return st;
      bitsLeft -= places;
      st = carrier->Seek(int64_t(kPixelOffset + offset), kSeekSet);
      if (st == kOk) st = carrier->Write(piece.get(), len);
      if (st != kOk) return st;
    }
    return kOk;
  }

  StatusCode Wipe(IFileStrem* carrier) override {
    if (!carrier) return kInvalidArg;
    BmpLayout l;
    StatusCode st = ReadLayout(carrier, &l);
    if (st != kOk) return st;
    std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[kPiece]);
    if (!piece) return kNoMemory;
    const uint64_t run = l.RunBytes();
    const uint32_t step = l.bytesPerPixel == 2 ? 2 : 1;
    for (uint64_t offset = 0; offset < run; offset += kPiece) {
      uint32_t len = uint32_t(std::min<uint64_t>(run - offset, kPiece));
      st = carrier->Seek(int64_t(kPixelOffset + offset), kSeekSet);
      if (st == kOk) st = ReadExact(carrier, piece.get(), len);
      if (st != kOk) return st;
      ClearPlaceBits(piece.get(), step, len);
      st = carrier->Seek(int64_t(kPixelOffset + offset), kSeekSet);
      if (st == kOk) st = carrier->Write(piece.get(), len);
      if (st != kOk) return st;
    }
    return kOk;
  }
};

ZK_REGISTER_CLASS(Bmp)

}  // namespace
}  // namespace zk::steg
