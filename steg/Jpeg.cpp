// steg.JPEG: a copy carrier that drops every comment segment before the
// start of scan and writes the hidden bytes there as comment segments of its
// own (payload 0x00 and up to 65,532 hidden bytes). The scan data and
// everything after it are copied unchanged.
#include <cstring>
#include <new>

#include "CopyIo.h"
#include "CarrierBase.h"
#include "ToolkitObject.h"
#include "zk5Steg.h"
#include "JpegCarrier.h"

namespace zk::steg {
namespace {

constexpr uint8_t kCom = 0xFE;
constexpr uint8_t kSos = 0xDA;
constexpr uint8_t kEoi = 0xD9;
constexpr int64_t kLimit = 0x7FFFFFFF;

struct Segment {
  uint64_t start = 0;  // offset of the first 0xFF
  uint8_t marker = 0;
  bool hasLength = false;
  uint32_t payload = 0;  // bytes after the length field
  bool Ends() const { return marker == kSos || marker == kEoi; }
};

// One marker (fill bytes allowed) and, where the marker has one, its
// length; the payload must lie within the carrier. The reader stands at the
// payload afterwards. The start of scan and the end of image end the walk:
// nothing after their marker byte is read.
StatusCode Next(Reader& r, Segment& s) {
  s = Segment{};
  s.start = r.Pos();
  uint8_t b = 0;
  StatusCode st = r.ReadByte(&b, kInvalidFormat);
  if (st != kOk) return st;
  if (b != 0xFF) return kInvalidFormat;
  do {
    st = r.ReadByte(&b, kInvalidFormat);
    if (st != kOk) return st;
  } while (b == 0xFF);
  s.marker = b;
  if (b == 0x01 || (b >= 0xD0 && b <= 0xD7) || s.Ends()) return kOk;
  uint8_t len[2];
  st = r.ReadExact(len, 2, kInvalidFormat);
  if (st != kOk) return st;
  uint32_t l = LoadBE16(len);
  if (l < 2) return kInvalidFormat;  // a length counts its own two bytes
  s.hasLength = true;
  s.payload = l - 2;
  if (s.payload > r.Left()) return kInvalidFormat;
  return kOk;
}

// Checks the start of image and the JFIF APP0 segment; the reader then
// stands after APP0.
StatusCode Head(Reader& r, Segment& app0) {
  StatusCode st = r.Start(0);
  if (st != kOk) return st;
  uint8_t soi[2];
  st = r.ReadExact(soi, 2, kInvalidFormat);
  if (st != kOk) return st;
  if (soi[0] != 0xFF || soi[1] != 0xD8) return kInvalidFormat;
  st = Next(r, app0);
  if (st != kOk) return st;
  if (app0.marker != 0xE0 || !app0.hasLength || app0.payload <= 4) return kInvalidFormat;
  uint8_t id[4];
  st = r.ReadExact(id, 4, kInvalidFormat);
  if (st != kOk) return st;
  if (std::memcmp(id, "JFIF", 4) != 0) return kInvalidFormat;
  return r.Skip(app0.payload - 4, kInvalidFormat);
}

StatusCode Capacity(Reader& r, uint64_t* size) {
  Segment s;
  StatusCode st = Head(r, s);
  if (st != kOk) return st;
  int64_t comments = 0;
  for (;;) {
    st = Next(r, s);
    if (st != kOk) return st;
    if (s.Ends()) break;
    if (s.marker == kCom) comments += s.payload;
    st = r.Skip(s.payload, kInvalidFormat);
    if (st != kOk) return st;
  }
  int64_t cap = kLimit - static_cast<int64_t>(r.Size()) + comments;
  *size = cap > 0 ? static_cast<uint64_t>(cap) : 0;
  return kOk;
}

// Walks to the start of scan, handing every hidden-data segment's bytes
// (after the 0x00) to fn(reader, bytes), which must consume exactly what it
// reads of them; stops early when fn sets done.
template <class Fn>
StatusCode WalkHidden(Reader& r, Fn&& fn) {
  Segment s;
  StatusCode st = Head(r, s);
  if (st != kOk) return st;
  for (;;) {
    st = Next(r, s);
    if (st != kOk) return st;
    if (s.Ends()) return kOk;
    uint64_t end = r.Pos() + s.payload;
    if (s.marker == kCom && s.payload > 1) {
      uint8_t first = 0;
      st = r.ReadByte(&first, kInvalidFormat);
      if (st != kOk) return st;
      if (first == 0) {
        bool done = false;
        st = fn(r, s.payload - 1, done);
        if (st != kOk || done) return st;
      }
    }
    st = r.SeekTo(end);
    if (st != kOk) return st;
  }
}

StatusCode WriteHidden(Writer& w, IFileStrem* data, uint64_t n) {
  std::unique_ptr<uint8_t[]> piece(new uint8_t[Jpeg::kSegmentData]);
  while (n > 0) {
    uint32_t want = n < Jpeg::kSegmentData ? static_cast<uint32_t>(n) : Jpeg::kSegmentData;
    uint32_t got = 0;
    StatusCode st = zk::ReadFull(data, piece.get(), want, &got);
    if (st != kOk) return st;
    if (got == 0) break;
    uint32_t l = got + 3;
    const uint8_t head[5] = {0xFF, kCom, uint8_t(l >> 8), uint8_t(l), 0x00};
    st = w.Write(head, 5);
    if (st == kOk) st = w.Write(piece.get(), got);
    if (st != kOk) return st;
    n -= got;
  }
  return kOk;
}

StatusCode Copy(IFileStrem* carrier, IFileStrem* data, IFileStrem* out, bool withData) {
  if (!carrier || !out || (withData && !data)) return kInvalidArg;
  if (steg::SameStream(carrier, out)) return kInvalidArg;
  Reader r(carrier);
  uint64_t cap = 0;
  StatusCode st = Capacity(r, &cap);
  if (st != kOk) return st;
  uint64_t n = 0;
  if (withData) {
    st = steg::RemainingBytes(data, &n);
    if (st != kOk) return st;
    if (n > cap) return kTooMuch;
  }
  Writer w(out);
  st = w.Start();
  if (st != kOk) return st;
  st = out->Seek(0, kSeekSet);
  if (st == kOk) st = out->SetEnd();
  if (st != kOk) return st;
  const uint8_t soi[2] = {0xFF, 0xD8};
  st = w.Write(soi, 2);
  if (st != kOk) return st;
  st = r.SeekTo(2);
  if (st != kOk) return st;
  // The segments before the start of scan, fill bytes and comments left out.
  Segment s;
  for (;;) {
    st = Next(r, s);
    if (st != kOk) return st;
    if (s.Ends()) break;
    if (s.marker == kCom) {
      st = r.Skip(s.payload, kInvalidFormat);
      if (st != kOk) return st;
      continue;
    }
    uint8_t head[4] = {0xFF, s.marker, 0, 0};
    if (!s.hasLength) {
      st = w.Write(head, 2);
    } else {
      uint32_t l = s.payload + 2;
      head[2] = uint8_t(l >> 8);
      head[3] = uint8_t(l);
      st = w.Write(head, 4);
      if (st == kOk) st = CopyBytes(r, w, s.payload, kInvalidFormat);
    }
    if (st != kOk) return st;
  }
  if (withData) {
    st = WriteHidden(w, data, n);
    if (st != kOk) return st;
  }
  // The start of scan (or end of image) and everything after it.
  st = r.SeekTo(s.start);
  if (st == kOk) st = CopyBytes(r, w, r.Left(), kReadError);
  if (st == kOk) st = w.Flush();
  if (st == kOk) st = out->SetEnd();
  if (st != kOk) return st;
  return out->Commit();
}

}  // namespace

StatusCode Jpeg::GetCapacity(IFileStrem* carrier, uint64_t* size) {
  if (!carrier || !size) return kInvalidArg;
  Reader r(carrier);
  return Capacity(r, size);
}

StatusCode Jpeg::GetHiddenSize(IFileStrem* carrier, uint64_t* size) {
  if (!carrier || !size) return kInvalidArg;
  Reader r(carrier);
  uint64_t total = 0;
  StatusCode st = WalkHidden(r, [&](Reader&, uint64_t n, bool&) {
    total += n;
    return kOk;
  });
  if (st != kOk) return st;
  *size = total;
  return kOk;
}

StatusCode Jpeg::Extract(IFileStrem* carrier, IStream* out, uint64_t count) {
  if (!carrier || !out) return kInvalidArg;
  if (count == 0) return kOk;
  Reader r(carrier);
  uint64_t cap = 0;
  StatusCode st = Capacity(r, &cap);
  if (st != kOk) return st;
  if (count > cap) return kInvalidArg;
  uint64_t left = count;
  st = WalkHidden(r, [&](Reader& rr, uint64_t n, bool& done) {
    uint64_t take = n < left ? n : left;
    StatusCode s = rr.Pass(take, kInvalidFormat,
                           [&](const uint8_t* p, uint32_t len) { return out->Write(p, len); });
    left -= take;
    done = left == 0;
    return s;
  });
  if (st != kOk) return st;
  // Fewer hidden bytes than asked for is a failure, not a short success.
  return left == 0 ? kOk : kTooMuch;
}

StatusCode Jpeg::Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out) {
  return Copy(carrier, data, out, true);
}

StatusCode Jpeg::Wipe(IFileStrem* carrier, IFileStrem* out) {
  return Copy(carrier, nullptr, out, false);
}

using JpegCarrier = CopyCarrierOf<Jpeg>;
ZK_REGISTER_CLASS(JpegCarrier)

}  // namespace zk::steg
