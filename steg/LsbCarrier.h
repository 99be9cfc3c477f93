// The in-place bit carriers (BMP, WAVE) written once: hidden bits in bit 0
// of the places of one run of carrier bytes, changed in place.
//
// A Format names the class (kClassId, kKind), the piece size (kPiece: the
// bytes read and written at a time) and reads its headers:
//   static StatusCode ReadLayout(IFileStrem* carrier, LsbLayout* layout);
// which checks the format, fills the layout and leaves the carrier at the
// run's first byte, and
//   static uint32_t PieceBytes(const LsbLayout& l, uint64_t offset, uint64_t bitsLeft);
// the bytes of the piece at offset in the run that hold (at most) the next
// bitsLeft bits. The places of a piece are its bytes 0, step, 2 x step, ...
// counted from each piece's first byte.
//
// Extract past the capacity answers Format::kPastCapacity and a short read
// of the places Format::kShortPlaces: the two formats' callers were given
// different codes (BMP -3 and -14, WAVE -2 and -104) and the codes stay.
#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "CarrierBase.h"
#include "LsbPlaces.h"

namespace zk::steg {

struct LsbLayout {
  uint64_t start = 0;     // first byte of the run
  uint64_t run = 0;       // bytes in the run
  uint64_t capacity = 0;  // hidden bytes it holds
  uint32_t step = 1;      // distance between places
  uint32_t unit = 1;      // bytes of one pixel or sample
};

template <class Format>
class LsbCarrier final : public DirectCarrier<LsbCarrier<Format>> {
 public:
  static constexpr const char* kClassId = Format::kClassId;
  static constexpr uint32_t kPiece = Format::kPiece;

  int32_t GetCarrierKind() override { return Format::kKind; }

  StatusCode GetCapacity(IFileStrem* carrier, uint64_t* sizeOut) override {
    if (!carrier || !sizeOut) return kInvalidArg;
    LsbLayout l;
    StatusCode st = Format::ReadLayout(carrier, &l);
    if (st != kOk) return st;
    *sizeOut = l.capacity;
    return kOk;
  }

  // No length is stored: the hidden size is the capacity.
  StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* sizeOut) override {
    return GetCapacity(carrier, sizeOut);
  }

  StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count) override {
    return Guard([&] { return DoExtract(carrier, out, count); });
  }
  StatusCode Embed(IFileStrem* carrier, IFileStrem* data) override {
    return Guard([&] { return DoEmbed(carrier, data); });
  }
  StatusCode Wipe(IFileStrem* carrier) override {
    return Guard([&] { return DoWipe(carrier); });
  }

 private:
  // Places in a piece of len bytes, at most bitsLeft.
  static uint32_t Places(const LsbLayout& l, uint32_t len, uint64_t bitsLeft) {
    return uint32_t(std::min<uint64_t>((uint64_t(len) + l.step - 1) / l.step, bitsLeft));
  }

  // Reads the run from its first byte on (the carrier stands there after
  // ReadLayout), piece by piece, until count bytes are collected.
  StatusCode DoExtract(IFileStrem* carrier, IStream* out, uint64_t count) {
    if (!carrier || !out) return kInvalidArg;
    LsbLayout l;
    StatusCode st = Format::ReadLayout(carrier, &l);
    if (st != kOk) return st;
    if (count > l.capacity) return Format::kPastCapacity;
    std::unique_ptr<CarrierStreamBuffer> buffer(CarrierStreamBuffer::Create(nullptr, out));
    std::unique_ptr<uint8_t[]> piece(new uint8_t[kPiece]);
    std::unique_ptr<uint8_t[]> hidden(new uint8_t[PlaceReader::BufferBytes(kPiece)]);
    if (!buffer) return kNoMemory;
    PlaceReader reader(buffer.get(), hidden.get());
    uint64_t bitsLeft = count * 8;
    for (uint64_t offset = 0; bitsLeft != 0 && offset < l.run;) {
      const uint32_t len = Format::PieceBytes(l, offset, bitsLeft);
      uint32_t got = 0;
      st = ReadFull(carrier, piece.get(), len, &got);
      if (st != kOk) return st;
      if (got != len) return Format::kShortPlaces;
      const uint32_t places = Places(l, len, bitsLeft);
      st = reader.Take(piece.get(), l.step, places);
      if (st != kOk) return st;
      bitsLeft -= places;
      offset += len;
    }
    if (bitsLeft != 0) return kReadError;
    return buffer->Flush();
  }

  // Reads, changes and writes back the pieces that take the data's bits;
  // the carrier's bytes past the last bit keep their values.
  StatusCode DoEmbed(IFileStrem* carrier, IFileStrem* data) {
    if (!carrier || !data) return kInvalidArg;
    LsbLayout l;
    StatusCode st = Format::ReadLayout(carrier, &l);
    if (st != kOk) return st;
    uint64_t size = 0;
    st = RemainingBytes(data, &size);
    if (st != kOk) return st;
    if (size > l.capacity) return kTooMuch;
    st = CheckReadable(data, size);
    if (st != kOk) return st;
    std::unique_ptr<CarrierStreamBuffer> buffer(CarrierStreamBuffer::Create(data, nullptr));
    std::unique_ptr<uint8_t[]> piece(new uint8_t[kPiece]);
    std::unique_ptr<uint8_t[]> hidden(new uint8_t[PlaceWriter::BufferBytes(kPiece)]);
    if (!buffer) return kNoMemory;
    PlaceWriter writer(buffer.get(), hidden.get());
    uint64_t bitsLeft = size * 8;
    for (uint64_t offset = 0; bitsLeft != 0 && offset < l.run;) {
      const uint32_t len = Format::PieceBytes(l, offset, bitsLeft);
      const int64_t at = int64_t(l.start + offset);
      st = carrier->Seek(at, kSeekSet);
      if (st == kOk) st = ReadExact(carrier, piece.get(), len);
      if (st != kOk) return st;
      const uint32_t places = Places(l, len, bitsLeft);
      st = writer.Put(piece.get(), l.step, places);
      if (st != kOk) return st;
      bitsLeft -= places;
      st = carrier->Seek(at, kSeekSet);
      if (st == kOk) st = carrier->Write(piece.get(), len);
      if (st != kOk) return st;
      offset += len;
    }
    return bitsLeft == 0 ? kOk : kReadError;
  }

  // Clears bit 0 of every place of the whole run.
  StatusCode DoWipe(IFileStrem* carrier) {
    if (!carrier) return kInvalidArg;
    LsbLayout l;
    StatusCode st = Format::ReadLayout(carrier, &l);
    if (st != kOk) return st;
    std::unique_ptr<uint8_t[]> piece(new uint8_t[kPiece]);
    for (uint64_t offset = 0; offset < l.run; offset += kPiece) {
      const uint32_t len = uint32_t(std::min<uint64_t>(l.run - offset, kPiece));
      const int64_t at = int64_t(l.start + offset);
      st = carrier->Seek(at, kSeekSet);
      if (st == kOk) st = ReadExact(carrier, piece.get(), len);
      if (st != kOk) return st;
      ClearPlaceBits(piece.get(), l.step, len);
      st = carrier->Seek(at, kSeekSet);
      if (st == kOk) st = carrier->Write(piece.get(), len);
      if (st != kOk) return st;
    }
    return kOk;
  }
};

}  // namespace zk::steg
