// steg.PNG: a copy carrier that appends one "tEXt" chunk (keyword
// "Comment", then 0x00 0x00, then the hidden bytes) after the last chunk.
#include <cstring>
#include <new>

#include "CopyIo.h"
#include "CarrierBase.h"
#include "ToolkitObject.h"
#include "zk5Steg.h"
#include "PngCarrier.h"

namespace zk::steg {
namespace {

const uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
const uint8_t kText[4] = {'t', 'E', 'X', 't'};
const uint8_t kKeyword[9] = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};

struct Chunk {
  uint64_t start = 0;  // offset of the length field
  uint32_t length = 0;
  uint8_t type[4] = {};
  bool IsText() const { return std::memcmp(type, kText, 4) == 0; }
  uint64_t Whole() const { return 12 + uint64_t(length); }
};

// The next chunk header; more = false at the end of the carrier. A header,
// data or CRC cut short is -14.
StatusCode Next(Reader& r, Chunk& c, bool& more) {
  more = false;
  if (r.AtEnd()) return kOk;
  c.start = r.Pos();
  uint8_t h[8];
  StatusCode st = r.ReadExact(h, 8, kInvalidFormat);
  if (st != kOk) return st;
  c.length = LoadBE32(h);
  std::memcpy(c.type, h + 4, 4);
  if (uint64_t(c.length) + 4 > r.Left()) return kInvalidFormat;
  more = true;
  return kOk;
}

StatusCode CheckSignature(Reader& r) {
  uint8_t sig[8];
  StatusCode st = r.ReadExact(sig, 8, kInvalidFormat);
  if (st != kOk) return st;
  return std::memcmp(sig, kSignature, 8) == 0 ? kOk : kInvalidFormat;
}

// Whole-file check: signature and every chunk complete.
StatusCode Check(Reader& r) {
  StatusCode st = r.Start(0);
  if (st != kOk) return st;
  st = CheckSignature(r);
  if (st != kOk) return st;
  for (;;) {
    Chunk c;
    bool more = false;
    st = Next(r, c, more);
    if (st != kOk || !more) return st;
    st = r.Skip(uint64_t(c.length) + 4, kInvalidFormat);
    if (st != kOk) return st;
  }
}

// A "tEXt" chunk long enough for the keyword, its 0x00 and the one further
// byte, whose keyword is "Comment".
StatusCode IsComment(Reader& r, const Chunk& c, bool& yes) {
  yes = false;
  if (!c.IsText() || c.length < 9) return kOk;
  uint8_t k[8];
  StatusCode st = r.ReadExact(k, 8, kInvalidFormat);
  if (st != kOk) return st;
  yes = std::memcmp(k, kKeyword, 8) == 0;
  return kOk;
}

StatusCode Copy(const uint32_t* table, IFileStrem* carrier, IFileStrem* data, IFileStrem* out,
                bool withData) {
  if (!carrier || !out || (withData && !data)) return kInvalidArg;
  if (steg::SameStream(carrier, out)) return kInvalidArg;
  uint64_t n = 0;
  StatusCode st;
  if (withData) {
    st = steg::RemainingBytes(data, &n);
    if (st != kOk) return st;
    if (n > Png::kCapacity) return kTooMuch;
  }
  Reader r(carrier);
  st = Check(r);
  if (st != kOk) return st;
  Writer w(out);
  st = w.Start();
  if (st != kOk) return st;
  st = r.SeekTo(0);
  if (st != kOk) return st;
  st = out->Seek(0, kSeekSet);
  if (st != kOk) return st;
  st = out->SetEnd();
  if (st != kOk) return st;
  st = CopyBytes(r, w, 8, kInvalidFormat);
  if (st != kOk) return st;
  for (;;) {
    Chunk c;
    bool more = false;
    st = Next(r, c, more);
    if (st != kOk) return st;
    if (!more) break;
    if (c.IsText()) {
      st = r.Skip(uint64_t(c.length) + 4, kInvalidFormat);
    } else {
      // Header, data and CRC exactly as they were, in 64 KiB pieces.
      st = r.SeekTo(c.start);
      if (st == kOk) st = CopyBytes(r, w, c.Whole(), kInvalidFormat);
    }
    if (st != kOk) return st;
  }
  if (withData && n > 0) {
    uint8_t head[8 + 9];
    StoreBE32(head, static_cast<uint32_t>(n + 9));
    std::memcpy(head + 4, kText, 4);
    std::memcpy(head + 8, kKeyword, 9);
    uint32_t crc = Png::Crc(table, 0xFFFFFFFFu, head + 4, 13);
    st = w.Write(head, sizeof head);
    if (st != kOk) return st;
    st = CopyExactFrom(data, w, n,
                               [&](const uint8_t* p, uint32_t len) { crc = Png::Crc(table, crc, p, len); });
    if (st != kOk) return st;
    uint8_t tail[4];
    StoreBE32(tail, crc ^ 0xFFFFFFFFu);
    st = w.Write(tail, 4);
    if (st != kOk) return st;
  }
  st = w.Flush();
  if (st != kOk) return st;
  st = out->SetEnd();
  if (st != kOk) return st;
  return out->Commit();
}

}  // namespace

void Png::BuildCrcTable(uint32_t table[256]) {
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
}

uint32_t Png::Crc(const uint32_t table[256], uint32_t crc, const uint8_t* p, uint64_t n) {
  for (uint64_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

StatusCode Png::GetCapacity(IFileStrem* carrier, uint64_t* size) {
  if (!carrier || !size) return kInvalidArg;
  Reader r(carrier);
  StatusCode st = Check(r);
  if (st != kOk) return st;
  *size = kCapacity;
  return kOk;
}

StatusCode Png::GetHiddenSize(IFileStrem* carrier, uint64_t* size) {
  if (!carrier || !size) return kInvalidArg;
  Reader r(carrier);
  StatusCode st = Check(r);
  if (st != kOk) return st;
  st = r.SeekTo(8);
  if (st != kOk) return st;
  for (;;) {
    Chunk c;
    bool more = false;
    st = Next(r, c, more);
    if (st != kOk) return st;
    if (!more) break;
    bool comment = false;
    st = IsComment(r, c, comment);
    if (st != kOk) return st;
    if (comment) {
      *size = uint64_t(c.length) - 9;
      return kOk;
    }
    st = r.SeekTo(c.start + c.Whole());
    if (st != kOk) return st;
  }
  *size = 0;
  return kOk;
}

StatusCode Png::Extract(IFileStrem* carrier, IStream* out, uint64_t count) {
  if (!carrier || !out || count > kCapacity) return kInvalidArg;
  if (count == 0) return kOk;
  Reader r(carrier);
  StatusCode st = Check(r);
  if (st != kOk) return st;
  st = r.SeekTo(8);
  if (st != kOk) return st;
  for (;;) {
    Chunk c;
    bool more = false;
    st = Next(r, c, more);
    if (st != kOk) return st;
    if (!more) break;
    bool comment = false;
    if (uint64_t(c.length) >= count + 9) {
      st = IsComment(r, c, comment);
      if (st != kOk) return st;
    }
    if (comment) {
      st = r.Skip(1, kInvalidFormat);
      if (st != kOk) return st;
      return r.Pass(count, kInvalidFormat,
                    [&](const uint8_t* p, uint32_t n) { return out->Write(p, n); });
    }
    st = r.SeekTo(c.start + c.Whole());
    if (st != kOk) return st;
  }
  // No chunk holds that many bytes.
  return kTooMuch;
}

Png::Png() { BuildCrcTable(crc_); }

StatusCode Png::Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out) const {
  return Copy(crc_, carrier, data, out, true);
}

StatusCode Png::Wipe(IFileStrem* carrier, IFileStrem* out) const {
  return Copy(crc_, carrier, nullptr, out, false);
}

using PngCarrier = CopyCarrierOf<Png>;
ZK_REGISTER_CLASS(PngCarrier)

}  // namespace zk::steg
