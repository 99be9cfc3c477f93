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

#include "LsbPlaces.h"
#include "CarrierBase.h"

namespace zk::steg {
namespace {

constexpr uint32_t kPiece = 65536;

struct WaveLayout {
  uint32_t sampleBytes = 0;  // n
  uint64_t dataStart = 0;    // first byte of the first "data" chunk
  uint64_t dataBytes = 0;    // its size, cut to the bytes really present
  uint64_t capacity = 0;
};

// Places inside a piece of len bytes.
inline uint64_t PlacesIn(uint64_t len, uint32_t n) { return (len + n - 1) / n; }

// Reads the headers from offset 0 and walks the chunks up to the first
// "data" chunk; the carrier is left at that chunk's first byte.
StatusCode ReadLayout(IFileStrem* carrier, WaveLayout* layout) {
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
  layout->sampleBytes = bits / 8u;
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
      layout->dataStart = position;
      layout->dataBytes = std::min<uint64_t>(chunk, size - position);
      break;
    }
    position += chunk;  // grows by at least 8 each round: the walk ends
  }
  layout->capacity = layout->dataBytes / layout->sampleBytes / 8;
  if (layout->capacity == 0) return kInvalidFormat;
  return kOk;
}

class Wave final : public DirectCarrier<Wave> {
 public:
  static constexpr const char* kClassId = id::StegWAVE;

  int32_t GetCarrierKind() override { return kCarrierSound; }

  StatusCode GetCapacity(IFileStrem* carrier, uint64_t* sizeOut) override {
    if (!carrier || !sizeOut) return kInvalidArg;
    WaveLayout l;
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
    WaveLayout l;
    StatusCode st = ReadLayout(carrier, &l);
    if (st != kOk) return st;
    if (count > l.capacity) return kInvalidArg;
    std::unique_ptr<CarrierStreamBuffer> buffer(CarrierStreamBuffer::Create(nullptr, out));
    std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[kPiece]);
    std::unique_ptr<uint8_t[]> hidden(new (std::nothrow) uint8_t[PlaceReader::BufferBytes(kPiece)]);
    if (!buffer || !piece || !hidden) return kNoMemory;
    PlaceReader reader(buffer.get(), hidden.get());
    const uint32_t n = l.sampleBytes;
    uint64_t bitsLeft = count * 8;
    for (uint64_t offset = 0; bitsLeft != 0 && offset < l.dataBytes; offset += kPiece) {
      uint32_t len = uint32_t(std::min<uint64_t>(l.dataBytes - offset, kPiece));
      if (PlacesIn(len, n) > bitsLeft) len = uint32_t((bitsLeft - 1) * n + 1);
      uint32_t got = 0;
      st = ReadFull(carrier, piece.get(), len, &got);
      if (st != kOk) return st;
      if (got != len) return kReadError;
      const uint32_t places = uint32_t(PlacesIn(len, n));
      st = reader.Take(piece.get(), n, places);
      if (st != kOk) return st;
      bitsLeft -= places;
    }
    if (bitsLeft != 0) return kReadError;
    return buffer->Flush();
  }

  StatusCode Embed(IFileStrem* carrier, IFileStrem* data) override {
    if (!carrier || !data) return kInvalidArg;
    WaveLayout l;
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
    const uint32_t n = l.sampleBytes;
    uint64_t bitsLeft = size * 8;
    for (uint64_t offset = 0; bitsLeft != 0 && offset < l.dataBytes; offset += kPiece) {
      uint32_t len = uint32_t(std::min<uint64_t>(l.dataBytes - offset, kPiece));
      if (PlacesIn(len, n) > bitsLeft) len = uint32_t((bitsLeft - 1) * n + 1);
      const int64_t at = int64_t(l.dataStart + offset);
      st = carrier->Seek(at, kSeekSet);
      if (st == kOk) st = ReadExact(carrier, piece.get(), len);
      if (st != kOk) return st;
      const uint32_t places = uint32_t(PlacesIn(len, n));
      st = writer.Put(piece.get(), n, places);
      if (st != kOk) return st;
      bitsLeft -= places;
      st = carrier->Seek(at, kSeekSet);
      if (st == kOk) st = carrier->Write(piece.get(), len);
      if (st != kOk) return st;
    }
    return bitsLeft == 0 ? kOk : kReadError;
  }

  StatusCode Wipe(IFileStrem* carrier) override {
    if (!carrier) return kInvalidArg;
    WaveLayout l;
    StatusCode st = ReadLayout(carrier, &l);
    if (st != kOk) return st;
    std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[kPiece]);
    if (!piece) return kNoMemory;
    const uint32_t n = l.sampleBytes;
    for (uint64_t offset = 0; offset < l.dataBytes; offset += kPiece) {
      uint32_t len = uint32_t(std::min<uint64_t>(l.dataBytes - offset, kPiece));
      const int64_t at = int64_t(l.dataStart + offset);
      st = carrier->Seek(at, kSeekSet);
      if (st == kOk) st = ReadExact(carrier, piece.get(), len);
      if (st != kOk) return st;
      ClearPlaceBits(piece.get(), n, len);
      st = carrier->Seek(at, kSeekSet);
      if (st == kOk) st = carrier->Write(piece.get(), len);
      if (st != kOk) return st;
    }
    return kOk;
  }
};

ZK_REGISTER_CLASS(Wave)

}  // namespace
}  // namespace zk::steg
