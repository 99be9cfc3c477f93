// steg.Text: hidden bits in the spacing of a plain text, written to a copy.
//
// A gap is a run of blanks (0x20) between two words: not at the start of
// the text and not directly after a line break (CR or LF). It ends at the
// next byte that is not a blank, a line break included; a run of blanks at
// the very end of the text is a gap too. The gaps in order carry the bits
// (bit 0 of each hidden byte first): one blank is 0, two or more are 1.
// Words, tabs and line breaks are copied; Embed and Wipe rewrite every gap
// as one or two blanks and drop the blanks that open a line. No length is
// stored: the hidden size is the capacity, whole bytes of gaps.
//
// Every operation first walks the text to count what it needs, so that a
// carrier too small for the request is refused before out is touched.
#include <algorithm>
#include <bit>

#include "CarrierBase.h"

namespace zk::steg {
namespace {

constexpr uint32_t kPiece = 65536;
constexpr uint8_t kBlank = 0x20;
// A visitor's answer that ends a walk early; not an error.
constexpr StatusCode kEnough = 1;

inline bool IsLineBreak(uint8_t b) { return (b == 0x0D) | (b == 0x0A); }
// Control bytes other than tab, CR and LF: the text is not a plain text.
inline bool IsForbidden(uint8_t b) { return (b < 0x20) & (b != 0x09) & !IsLineBreak(b); }

constexpr uint64_t kOnes = 0x0101010101010101ull;

// Bit 7 of every byte of x that is 0, exactly (no carry between bytes).
inline uint64_t ZeroBytes(uint64_t x) {
  const uint64_t low7 = kOnes * 0x7F;
  return ~(((x & low7) + low7) | x) & (kOnes << 7);
}

// The first blank in [p, end), or end; eight bytes at a time.
inline const uint8_t* FindBlank(const uint8_t* p, const uint8_t* end) {
  for (; end - p >= 8; p += 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    const uint64_t x = w ^ (kOnes * kBlank);  // a blank becomes a zero byte
    // The lowest set bit marks the first zero byte exactly.
    const uint64_t zero = (x - kOnes) & ~x & (kOnes << 7);
    if (zero != 0) return p + std::countr_zero(zero) / 8;
  }
  while (p < end && *p != kBlank) ++p;
  return p;
}

// Reads the text from its start in 64 KiB pieces and hands it to the
// visitor: Copy(p, n) for each run of bytes copied as they are (words,
// tabs, line breaks), Gap(blanks) at the end of each gap. Blanks that open
// a line are dropped. A visitor's kEnough stops the walk (the result is
// then kEnough).
template <class Visitor>
StatusCode Walk(IFileStrem* carrier, uint8_t* piece, Visitor& visitor) {
  StatusCode st = carrier->Seek(0, kSeekSet);
  if (st != kOk) return st;
  bool lineStart = true;
  uint32_t blanks = 0;  // of the current gap, counted up to 2
  for (;;) {
    uint32_t got = 0;
    st = ReadFull(carrier, piece, kPiece, &got);
    if (st != kOk) return st;
    const uint8_t* p = piece;
    const uint8_t* const end = piece + got;
    while (p < end) {
      if (*p == kBlank) {
        if (!lineStart && blanks < 2) ++blanks;
        ++p;
        continue;
      }
      if (blanks != 0) {
        st = visitor.Gap(blanks);
        blanks = 0;
        if (st != kOk) return st;
      }
      const uint8_t* q = FindBlank(p, end);
      lineStart = IsLineBreak(q[-1]);
      st = visitor.Copy(p, uint32_t(q - p));
      if (st != kOk) return st;
      p = q;
    }
    if (got < kPiece) break;  // the end of the text
  }
  return blanks != 0 ? visitor.Gap(blanks) : kOk;
}

// Counts the gaps of the carrier, stopping once limit of them are found.
// A gap is counted at its first blank: a blank right after a word
// character (neither blank nor line break). The text starts as if after a
// line break. With refuseControls a forbidden control byte is -14.
StatusCode CountGaps(IFileStrem* carrier, bool refuseControls, uint64_t limit, uint64_t* gaps) {
  *gaps = 0;
  if (limit == 0) return kOk;
  // One byte in front of every piece: the last byte of the piece before.
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[kPiece + 1]);
  StatusCode st = carrier->Seek(0, kSeekSet);
  if (st != kOk) return st;
  uint8_t* const piece = buffer.get() + 1;
  buffer[0] = 0x0A;
  uint64_t found = 0;
  for (;;) {
    uint32_t got = 0;
    st = ReadFull(carrier, piece, kPiece, &got);
    if (st != kOk) return st;
    // Eight bytes at a time, each beside the eight bytes one before it.
    uint32_t bad = 0, starts = 0, i = 0;
    for (; got - i >= 8; i += 8) {
      uint64_t w, before;
      std::memcpy(&w, piece + i, 8);
      std::memcpy(&before, piece + i - 1, 8);
      const uint64_t breakBefore = ZeroBytes(before ^ (kOnes * 0x0D)) | ZeroBytes(before ^ (kOnes * 0x0A));
      const uint64_t start = ZeroBytes(w ^ (kOnes * kBlank)) & ~ZeroBytes(before ^ (kOnes * kBlank)) & ~breakBefore;
      starts += uint32_t((((start >> 7) * kOnes) >> 56));  // the sum of the eight 0/1 bytes
      if (refuseControls) {
        const uint64_t lineBreak = ZeroBytes(w ^ (kOnes * 0x0D)) | ZeroBytes(w ^ (kOnes * 0x0A));
        bad |= uint32_t((ZeroBytes(w & (kOnes * 0xE0)) & ~ZeroBytes(w ^ (kOnes * 0x09)) & ~lineBreak) != 0);
      }
    }
    for (; i < got; ++i) {
      const uint8_t before = piece[int64_t(i) - 1];
      starts += uint32_t(piece[i] == kBlank) & uint32_t(before != kBlank) & uint32_t(!IsLineBreak(before));
      bad |= uint32_t(refuseControls && IsForbidden(piece[i]));
    }
    if (bad != 0) return kInvalidFormat;
    found += starts;
    if (found >= limit || got < kPiece) break;
    buffer[0] = piece[got - 1];
  }
  *gaps = found;
  return kOk;
}

// Decodes the bits of the gaps into bytes, bitsLeft of them.
struct Decoder {
  explicit Decoder(CarrierStreamBuffer* out) : sink(out) {}
  BitSink sink;
  uint64_t bitsLeft = 0;
  StatusCode Copy(const uint8_t*, uint32_t) { return kOk; }
  StatusCode Gap(uint32_t blanks) {
    StatusCode st = sink.Put(blanks >= 2 ? 1u : 0u);
    if (st != kOk) return st;
    return --bitsLeft == 0 ? kEnough : kOk;
  }
};

// Writes the text with every gap rewritten: while bits are left, one
// blank for 0 and two for 1; then (and always for Wipe) one blank. Words
// and blanks are gathered in a stage of 64 KiB before they are handed on.
struct Rewriter {
  CarrierStreamBuffer* out = nullptr;
  BitSource* bits = nullptr;  // null for Wipe
  uint64_t bitsLeft = 0;
  uint8_t* stage = nullptr;  // kPiece bytes
  uint32_t staged = 0;
  StatusCode Room(uint32_t n) {
    if (kPiece - staged >= n) return kOk;
    StatusCode st = out->WriteBlock(stage, staged);
    staged = 0;
    return st;
  }
  StatusCode Copy(const uint8_t* p, uint32_t n) {
    StatusCode st = Room(n);
    if (st != kOk) return st;
    std::memcpy(stage + staged, p, n);
    staged += n;
    return kOk;
  }
  StatusCode Gap(uint32_t) {
    StatusCode st = Room(2);
    if (st != kOk) return st;
    uint32_t bit = 0;
    if (bitsLeft != 0) {
      --bitsLeft;
      st = bits->Next(&bit);
      if (st != kOk) return st;
    }
    // Both blanks are stored; the second counts only for a 1.
    stage[staged] = kBlank;
    stage[staged + 1] = kBlank;
    staged += 1 + bit;
    return kOk;
  }
  StatusCode Finish() { return out->WriteBlock(stage, staged); }
};

struct TextFormat {
  static constexpr const char* kClassId = id::StegText;

  static constexpr int32_t kKind = kCarrierText;

  StatusCode GetCapacity(IFileStrem* carrier, uint64_t* sizeOut) {
    if (!carrier || !sizeOut) return kInvalidArg;
    uint64_t gaps = 0;
    StatusCode st = CountGaps(carrier, true, UINT64_MAX, &gaps);
    if (st != kOk) return st;
    *sizeOut = gaps / 8;
    return kOk;
  }

  StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* sizeOut) {
    return GetCapacity(carrier, sizeOut);
  }

  StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count) {
    if (!carrier || !out || SameStream(carrier, out)) return kInvalidArg;
    if (count == 0) return kOk;
    if (count > UINT64_MAX / 8) return kTooMuch;
    // The text must hold every bit asked for before anything is written.
    uint64_t gaps = 0;
    StatusCode st = CountGaps(carrier, false, count * 8, &gaps);
    if (st != kOk) return st;
    if (gaps < count * 8) return kTooMuch;
    std::unique_ptr<CarrierStreamBuffer> buffer(CarrierStreamBuffer::Create(nullptr, out));
    std::unique_ptr<uint8_t[]> piece(new uint8_t[kPiece]);
    if (!buffer) return kNoMemory;
    Decoder decoder(buffer.get());
    decoder.bitsLeft = count * 8;
    st = Walk(carrier, piece.get(), decoder);
    if (st != kEnough) return st == kOk ? kTooMuch : st;  // the text changed under us
    return buffer->Flush();
  }

  StatusCode Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out) {
    if (!carrier || !data || !out || SameStream(carrier, out) || SameStream(data, out))
      return kInvalidArg;
    uint64_t carrierSize = 0, size = 0;
    StatusCode st = carrier->GetSize(&carrierSize);
    if (st == kOk) st = RemainingBytes(data, &size);
    if (st != kOk) return st;
    if (carrierSize == 0 || size > UINT64_MAX / 8) return kTooMuch;
    uint64_t gaps = 0;
    st = CountGaps(carrier, false, size * 8, &gaps);
    if (st != kOk) return st;
    if (gaps < size * 8) return kTooMuch;
    st = CheckReadable(data, size);
    if (st != kOk) return st;
    std::unique_ptr<CarrierStreamBuffer> source(CarrierStreamBuffer::Create(data, nullptr));
    if (!source) return kNoMemory;
    BitSource bits(source.get());
    return Rewrite(carrier, out, &bits, size * 8, false);
  }

  StatusCode Wipe(IFileStrem* carrier, IFileStrem* out) {
    if (!carrier || !out || SameStream(carrier, out)) return kInvalidArg;
    return Rewrite(carrier, out, nullptr, 0, true);
  }

 private:
  // Writes the rewritten text to out (from its start when fromStart, else
  // from its position) and cuts out at the end of what was written.
  StatusCode Rewrite(IFileStrem* carrier, IFileStrem* out, BitSource* bits, uint64_t bitCount,
                     bool fromStart) {
    std::unique_ptr<CarrierStreamBuffer> target(CarrierStreamBuffer::Create(nullptr, out));
    std::unique_ptr<uint8_t[]> piece(new uint8_t[kPiece]);
    std::unique_ptr<uint8_t[]> stage(new uint8_t[kPiece]);
    if (!target) return kNoMemory;
    StatusCode st = fromStart ? out->Seek(0, kSeekSet) : kOk;
    if (st != kOk) return st;
    Rewriter rewriter;
    rewriter.out = target.get();
    rewriter.bits = bits;
    rewriter.bitsLeft = bitCount;
    rewriter.stage = stage.get();
    st = Walk(carrier, piece.get(), rewriter);
    if (st != kOk) return st;
    if (rewriter.bitsLeft != 0) return kTooMuch;  // the text changed under us
    st = rewriter.Finish();
    if (st == kOk) st = target->Flush();
    if (st == kOk) st = out->SetEnd();
    return st;
  }
};

using Text = CopyCarrierOf<TextFormat>;
ZK_REGISTER_CLASS(Text)

}  // namespace
}  // namespace zk::steg
