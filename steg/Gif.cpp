// steg.GIF: a copy carrier. Wipe copies the GIF without any application
// extension; Embed does that and then writes one marked application
// extension holding the hidden bytes before a new trailer.
#include <cstring>
#include <ctime>
#include <new>

#include "GifCarrier.h"
#include "CopyIo.h"
#include "CarrierBase.h"
#include "ToolkitObject.h"
#include "zk5Steg.h"

namespace zk::steg {
namespace {

constexpr StatusCode kShort = kReadError;  // the file ends inside a structure

uint32_t Check(uint32_t r1, uint32_t r2) {
  uint32_t bits = 0;
  for (uint32_t v = r1; v; v &= v - 1) ++bits;
  return (0x464947u + bits * r2) & 0xFFFFFFu;
}

// The C library's rand() of the system's platform, seeded with the time:
// two successive values in 0..32767.
void TimeRandomPair(uint32_t* r1, uint32_t* r2) {
  uint32_t state = static_cast<uint32_t>(std::time(nullptr));
  state = state * 214013u + 2531011u;
  *r1 = (state >> 16) & 0x7FFF;
  state = state * 214013u + 2531011u;
  *r2 = (state >> 16) & 0x7FFF;
}

// Header, logical screen descriptor and global colour table. With w, they
// are copied.
StatusCode Head(Reader& r, Writer* w) {
  StatusCode st = r.Start(0);
  if (st != kOk) return st;
  uint8_t h[13];
  st = r.ReadExact(h, 6, kShort);
  if (st != kOk) return st;
  if (std::memcmp(h, "GIF", 3) != 0) return kInvalidFormat;
  st = r.ReadExact(h + 6, 7, kShort);
  if (st != kOk) return st;
  if (w && (st = w->Write(h, 13)) != kOk) return st;
  if (h[10] & 0x80) {
    uint64_t table = 3ull << ((h[10] & 7) + 1);
    st = w ? CopyBytes(r, *w, table, kShort) : r.Skip(table, kShort);
  }
  return st;
}

// Data sub-blocks up to and including the 0 terminator; with w, copied.
StatusCode SubBlocks(Reader& r, Writer* w) {
  for (;;) {
    uint8_t n = 0;
    StatusCode st = r.ReadByte(&n, kShort);
    if (st == kOk && w) st = w->Byte(n);
    if (st != kOk || n == 0) return st;
    st = w ? CopyBytes(r, *w, n, kShort) : r.Skip(n, kShort);
    if (st != kOk) return st;
  }
}

// An image after its 0x2C: descriptor, local colour table, LZW code size,
// data sub-blocks.
StatusCode Image(Reader& r, Writer* w) {
  uint8_t d[10];
  StatusCode st = r.ReadExact(d, 9, kShort);
  if (st != kOk) return st;
  if (w && (st = w->Write(d, 9)) != kOk) return st;
  if (d[8] & 0x80) {
    uint64_t table = 3ull << ((d[8] & 7) + 1);
    st = w ? CopyBytes(r, *w, table, kShort) : r.Skip(table, kShort);
    if (st != kOk) return st;
  }
  st = r.ReadByte(&d[9], kShort);
  if (st == kOk && w) st = w->Byte(d[9]);
  if (st != kOk) return st;
  return SubBlocks(r, w);
}

// Walks every block to the trailer. For each application extension
// onApp(reader) is called standing after its label; it must read the
// extension to its end. With w, every other block is copied.
template <class OnApp>
StatusCode Walk(Reader& r, Writer* w, OnApp&& onApp) {
  StatusCode st = Head(r, w);
  if (st != kOk) return st;
  for (;;) {
    uint8_t b = 0;
    st = r.ReadByte(&b, kShort);
    if (st != kOk) return st;
    if (b == 0x3B) return w ? w->Byte(b) : kOk;
    if (b == 0x2C) {
      if (w && (st = w->Byte(b)) != kOk) return st;
      st = Image(r, w);
    } else if (b == 0x21) {
      uint8_t label = 0;
      st = r.ReadByte(&label, kShort);
      if (st != kOk) return st;
      if (label == 0xFF) {
        st = onApp(r);
      } else {
        const uint8_t head[2] = {b, label};
        if (w && (st = w->Write(head, 2)) != kOk) return st;
        st = SubBlocks(r, w);
      }
    } else {
      return kInvalidFormat;
    }
    if (st != kOk) return st;
  }
}

StatusCode SkipApp(Reader& r) { return SubBlocks(r, nullptr); }

// The 11-byte first sub-block of an application extension; -14 when the
// first sub-block has another size.
StatusCode AppHead(Reader& r, bool& marked) {
  uint8_t n = 0;
  StatusCode st = r.ReadByte(&n, kShort);
  if (st != kOk) return st;
  if (n != 11) return kInvalidFormat;
  uint8_t m[11];
  st = r.ReadExact(m, 11, kShort);
  if (st != kOk) return st;
  marked = Gif::IsMarker(m);
  return kOk;
}

StatusCode CopyWithoutApps(IFileStrem* carrier, IFileStrem* out) {
  if (!carrier || !out) return kInvalidArg;
  if (steg::SameStream(carrier, out)) return kInvalidArg;
  Reader r(carrier);
  // The whole file is checked first, so a damaged one leaves out alone.
  StatusCode st = Walk(r, nullptr, SkipApp);
  if (st != kOk) return st;
  Writer w(out);
  st = w.Start();
  if (st != kOk) return st;
  st = out->Seek(0, kSeekSet);
  if (st == kOk) st = out->SetEnd();
  if (st == kOk) st = Walk(r, &w, SkipApp);
  if (st == kOk) st = w.Flush();
  if (st == kOk) st = out->SetEnd();
  return st;
}

}  // namespace

void Gif::MakeMarker(uint32_t r1, uint32_t r2, uint8_t m[11]) {
  uint32_t c = Check(r1, r2);
  for (int i = 0; i < 4; ++i) {
    m[i] = uint8_t(r1 >> (8 * i));
    m[4 + i] = uint8_t(r2 >> (8 * i));
  }
  m[8] = uint8_t(c);
  m[9] = uint8_t(c >> 8);
  m[10] = uint8_t(c >> 16);
}

bool Gif::IsMarker(const uint8_t m[11]) {
  uint32_t c = uint32_t(m[8]) | (uint32_t(m[9]) << 8) | (uint32_t(m[10]) << 16);
  return Check(LoadLE32(m), LoadLE32(m + 4)) == c;
}

StatusCode Gif::GetCapacity(IFileStrem* carrier, uint64_t* size) {
  if (!carrier || !size) return kInvalidArg;
  Reader r(carrier);
  StatusCode st = Walk(r, nullptr, SkipApp);
  if (st != kOk) return st;
  *size = (0x100000000ull - r.Size() - 256) & 0xFFFFFFFFull;
  return kOk;
}

StatusCode Gif::GetHiddenSize(IFileStrem* carrier, uint64_t* size) {
  if (!carrier || !size) return kInvalidArg;
  Reader r(carrier);
  uint64_t total = 0;
  StatusCode st = Walk(r, nullptr, [&](Reader& rr) -> StatusCode {
    bool marked = false;
    StatusCode s = AppHead(rr, marked);
    if (s != kOk || !marked) return s != kOk ? s : SkipApp(rr);
    for (;;) {
      uint8_t n = 0;
      s = rr.ReadByte(&n, kShort);
      if (s != kOk || n == 0) return s;
      total += n;
      s = rr.Skip(n, kShort);
      if (s != kOk) return s;
    }
  });
  if (st != kOk) return st;
  *size = total;
  return kOk;
}

StatusCode Gif::Extract(IFileStrem* carrier, IStream* out, uint64_t count) {
  if (!carrier || !out || count == 0) return kInvalidArg;
  Reader r(carrier);
  uint64_t left = count;
  StatusCode st = Walk(r, nullptr, [&](Reader& rr) -> StatusCode {
    bool marked = false;
    StatusCode s = AppHead(rr, marked);
    if (s != kOk || !marked) return s != kOk ? s : SkipApp(rr);
    for (;;) {
      uint8_t n = 0;
      s = rr.ReadByte(&n, kShort);
      if (s != kOk || n == 0) return s;
      uint64_t take = n < left ? n : left;
      if (take) {
        s = rr.Pass(take, kShort, [&](const uint8_t* p, uint32_t len) { return out->Write(p, len); });
        if (s != kOk) return s;
        left -= take;
      }
      s = rr.Skip(n - take, kShort);
      if (s != kOk) return s;
      // Done: the rest of the file is not needed.
      if (left == 0) return kNotExecuted;
    }
  });
  if (st == kNotExecuted && left == 0) return kOk;
  if (st != kOk) return st;
  return kTooMuch;  // the trailer came first
}

StatusCode Gif::Wipe(IFileStrem* carrier, IFileStrem* out) {
  StatusCode st = CopyWithoutApps(carrier, out);
  return st != kOk ? st : out->Commit();
}

StatusCode Gif::Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out) {
  if (!carrier || !data || !out) return kInvalidArg;
  StatusCode st = CopyWithoutApps(carrier, out);
  if (st != kOk) return st;
  // Over the trailer: found by the size and an absolute seek.
  uint64_t size = 0;
  st = out->GetSize(&size);
  if (st != kOk) return st;
  if (size == 0) return kWriteError;
  st = out->Seek(static_cast<int64_t>(size - 1), kSeekSet);
  if (st != kOk) return st;
  Writer w(out);
  st = w.Start();
  if (st != kOk) return st;
  uint8_t head[14] = {0x21, 0xFF, 0x0B};
  uint32_t r1 = 0, r2 = 0;
  TimeRandomPair(&r1, &r2);
  MakeMarker(r1, r2, head + 3);
  st = w.Write(head, sizeof head);
  if (st != kOk) return st;
  uint8_t piece[256];
  for (;;) {
    uint32_t got = 0;
    st = zk::ReadFull(data, piece + 1, 255, &got);
    if (st != kOk) return st;
    if (got == 0) break;  // never an empty sub-block before the end
    piece[0] = uint8_t(got);
    st = w.Write(piece, got + 1);
    if (st != kOk) return st;
    if (got < 255) break;
  }
  const uint8_t tail[2] = {0x00, 0x3B};
  st = w.Write(tail, 2);
  if (st == kOk) st = w.Flush();
  if (st == kOk) st = out->SetEnd();
  if (st != kOk) return st;
  return out->Commit();
}

using GifCarrier = CopyCarrierOf<Gif>;
ZK_REGISTER_CLASS(GifCarrier)

}  // namespace zk::steg
