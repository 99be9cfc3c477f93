// steg.MP3: a copy carrier that keeps the hidden bytes in one frame of the
// ID3 version 2 tag whose identifier is made of blanks. It never decodes
// audio: it walks the tag's frames, copies every other frame byte for byte
// and writes the hidden frame after them; the audio follows unchanged. A
// file without a tag gets a new version-3 tag holding just the hidden frame.
#include <cstring>
#include <new>

#include "CopyIo.h"
#include "Mp3Carrier.h"
#include "CarrierBase.h"
#include "ToolkitObject.h"
#include "zk5Steg.h"

namespace zk::steg {
namespace {

constexpr uint8_t kExtendedHeader = 0x40;  // tag flag of versions 3 and 4
constexpr uint8_t kFooter = 0x10;          // tag flag of version 4
constexpr uint64_t kHeader = 10;           // "ID3", version, revision, flags, size
constexpr uint64_t kNoTagCapacity = Mp3::kTagLimit - 10;  // the new tag also holds a frame header

// The readings of a four-byte size field that its bits allow: bit 7 set
// can only be the carrier's own encoding, bit 0 set only the standard one.
constexpr unsigned kOwn = 1;
constexpr unsigned kStandard = 2;
unsigned Readings(const uint8_t* p) {
  unsigned ways = kOwn | kStandard;
  for (int i = 0; i < 4; ++i) {
    if (p[i] & 0x80) ways &= ~kStandard;
    if (p[i] & 0x01) ways &= ~kOwn;
  }
  return ways;
}

bool IsSync(const uint8_t* p) { return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0; }

bool IsBlankId(const uint8_t* id, uint32_t n) {
  for (uint32_t i = 0; i < n; ++i)
    if (id[i] != ' ') return false;
  return true;
}

struct Tag {
  uint8_t version = 0;
  uint8_t flags = 0;
  uint64_t end = 0;     // just after the tag: 10 + its size
  uint64_t frames = 0;  // the first frame, after any extended header
  bool footer = false;  // a version-4 footer ("3DI") follows at end
  uint32_t IdLength() const { return version == 2 ? 3 : 4; }
  uint32_t FrameHeader() const { return version == 2 ? 6 : 10; }
  uint64_t After() const { return end + (footer ? 10 : 0); }
};

struct Frame {
  uint64_t start = 0;
  uint32_t header = 0;
  uint64_t data = 0;
  bool hidden = false;
  uint64_t Whole() const { return header + data; }
};

// How a frame walk ended: at the tag's end, at padding (an identifier
// beginning with 0x00), or at a frame that would cross the tag's end.
enum class Stop { kEnd, kPadding, kCut };
struct Walked {
  uint64_t at = 0;
  Stop how = Stop::kEnd;
};

// A version-4 size field (frame sizes, the extended header's size) that
// may carry either encoding: where its bits allow both, hidden frames are
// read in the carrier's own encoding and everything else, written by other
// tools, in the standard one. valid = false when the bits allow neither.
uint64_t FieldSize(const uint8_t* field, bool own, bool& valid) {
  const unsigned ways = Readings(field);
  valid = ways != 0;
  if (ways == (kOwn | kStandard)) return own ? Mp3::TagSizeOf(field) : Mp3::SyncsafeOf(field);
  return ways == kOwn ? Mp3::TagSizeOf(field) : Mp3::SyncsafeOf(field);
}

// Walks the frames from t.frames, handing each to fn(frame, done) with the
// reader at the frame's data; fn may read and may set done to stop. A frame
// that would cross the tag's end stops the walk.
template <class Fn>
StatusCode Walk(Reader& r, const Tag& t, Walked& w, Fn&& fn) {
  const uint32_t headerLength = t.FrameHeader();
  uint64_t pos = t.frames;
  for (;;) {
    w.at = pos;
    if (pos >= t.end) {
      w.how = Stop::kEnd;
      return kOk;
    }
    uint8_t h[10];
    StatusCode st = r.SeekTo(pos);
    if (st == kOk) st = r.ReadByte(h, kReadError);
    if (st != kOk) return st;
    if (h[0] == 0) {
      w.how = Stop::kPadding;
      return kOk;
    }
    w.how = Stop::kCut;
    if (t.end - pos < headerLength) return kOk;
    st = r.ReadExact(h + 1, headerLength - 1, kReadError);
    if (st != kOk) return st;
    Frame f;
    f.start = pos;
    f.header = headerLength;
    f.hidden = IsBlankId(h, t.IdLength());
    if (t.version == 2) {
      f.data = (uint64_t(h[3]) << 16) | (uint64_t(h[4]) << 8) | h[5];
    } else if (t.version == 3) {
      f.data = LoadBE32(h + 4);
    } else {
      bool valid = false;
      f.data = FieldSize(h + 4, f.hidden, valid);
      if (!valid) return kOk;
    }
    if (f.data > t.end - pos - headerLength) return kOk;
    st = r.SeekTo(pos + headerLength);
    if (st != kOk) return st;
    bool done = false;
    st = fn(static_cast<const Frame&>(f), done);
    if (st != kOk || done) return st;
    pos += f.Whole();
  }
}

StatusCode AllZero(Reader& r, uint64_t from, uint64_t to, bool& zero) {
  zero = true;
  StatusCode st = r.SeekTo(from);
  if (st != kOk) return st;
  st = r.Pass(to - from, kReadError, [&](const uint8_t* p, uint32_t n) -> StatusCode {
    for (uint32_t i = 0; i < n; ++i)
      if (p[i] != 0) {
        zero = false;
        return kNotExecuted;  // stops the pass
      }
    return kOk;
  });
  return zero ? st : kOk;
}

// Lays the tag out for one reading of its size and scores how well the
// file bears that reading out: 0 when the tag cannot be (it runs past the
// file, or its extended header does not fit); then higher when the frame
// walk ends exactly at the tag's end or at padding of zeros up to it, and
// one more when a frame sync or the end of the file follows the tag.
StatusCode Layout(Reader& r, const uint8_t* header, uint64_t size, Tag& t, int& score) {
  score = 0;
  t = Tag{};
  t.version = header[3];
  t.flags = header[5];
  t.end = kHeader + size;
  t.frames = kHeader;
  if (t.end > r.Size()) return kOk;
  if (t.version >= 3 && (t.flags & kExtendedHeader)) {
    if (t.end - kHeader < 4) return kOk;
    uint8_t e[4];
    StatusCode st = r.SeekTo(kHeader);
    if (st == kOk) st = r.ReadExact(e, 4, kReadError);
    if (st != kOk) return st;
    uint64_t length = 0;
    if (t.version == 3) {
      length = 4 + uint64_t(LoadBE32(e));  // the size leaves itself out
    } else {
      bool valid = false;  // the size counts itself
      length = FieldSize(e, false, valid);
      if (!valid || length < 4) return kOk;
    }
    if (length > t.end - kHeader) return kOk;
    t.frames = kHeader + length;
  }
  if (t.version == 4 && (t.flags & kFooter) && r.Size() - t.end >= 10) {
    uint8_t f[3];
    StatusCode st = r.SeekTo(t.end);
    if (st == kOk) st = r.ReadExact(f, 3, kReadError);
    if (st != kOk) return st;
    t.footer = std::memcmp(f, "3DI", 3) == 0;
  }
  Walked w;
  StatusCode st = Walk(r, t, w, [](const Frame&, bool&) -> StatusCode { return kOk; });
  if (st != kOk) return st;
  int fit = 1;
  if (w.how == Stop::kEnd) {
    fit = 3;
  } else if (w.how == Stop::kPadding) {
    bool zero = false;
    st = AllZero(r, w.at, t.end, zero);
    if (st != kOk) return st;
    fit = zero ? 3 : 2;
  }
  int follows = 0;
  if (t.After() == r.Size()) {
    follows = 1;
  } else if (r.Size() - t.After() >= 2) {
    uint8_t s[2];
    st = r.SeekTo(t.After());
    if (st == kOk) st = r.ReadExact(s, 2, kReadError);
    if (st != kOk) return st;
    follows = IsSync(s) ? 1 : 0;
  }
  score = 2 * fit + follows;
  return kOk;
}

// Reads the start of the carrier: tagged = false when it begins with a
// frame sync (its first 11 bits set); otherwise the tag's layout. Tags of
// this carrier store their size in the carrier's own encoding, tags of
// other writers in the standard one, which the own reading takes for about
// half the size; the bits tell them apart where they can, and otherwise the
// reading the file bears out better is taken (the own one on a tie).
StatusCode Open(Reader& r, bool& tagged, Tag& t) {
  StatusCode st = r.Start(0);
  if (st != kOk) return st;
  uint8_t h[kHeader];
  st = r.ReadExact(h, 2, kInvalidFormat);
  if (st != kOk) return st;
  tagged = !IsSync(h);
  if (!tagged) return kOk;
  st = r.ReadExact(h + 2, kHeader - 2, kInvalidFormat);
  if (st != kOk) return st;
  if (std::memcmp(h, "ID3", 3) != 0 || h[3] < 2 || h[3] > 4) return kInvalidFormat;
  const unsigned ways = Readings(h + 6);
  int best = 0;
  if (ways & kOwn) {
    st = Layout(r, h, Mp3::TagSizeOf(h + 6), t, best);
    if (st != kOk) return st;
  }
  if (ways & kStandard) {
    Tag other;
    int score = 0;
    st = Layout(r, h, Mp3::SyncsafeOf(h + 6), other, score);
    if (st != kOk) return st;
    if (score > best) {
      t = other;
      best = score;
    }
  }
  return best > 0 ? kOk : kInvalidFormat;
}

// What the frame walk finds: the bytes of the frames that are kept and
// where it stopped.
struct Census {
  uint64_t kept = 0;
  Walked walked;
};

StatusCode Count(Reader& r, const Tag& t, Census& c) {
  return Walk(r, t, c.walked, [&](const Frame& f, bool&) -> StatusCode {
    if (!f.hidden) c.kept += f.Whole();
    return kOk;
  });
}

// The bytes of a rewritten tag other than the hidden data: extended header,
// kept frames, the hidden frame's header, and what lies between the end of
// the walk and the tag's end (padding), which stays inside the tag.
uint64_t TagOverhead(const Tag& t, const Census& c) {
  return (t.frames - kHeader) + c.kept + t.FrameHeader() + (t.end - c.walked.at);
}

// The most the tag size field and the hidden frame's size field can hold.
uint64_t Capacity(const Tag& t, const Census& c) {
  const uint64_t used = TagOverhead(t, c);
  uint64_t cap = used < Mp3::kTagLimit ? Mp3::kTagLimit - used : 0;
  if (t.version == 2 && cap > 0xFFFFFF) cap = 0xFFFFFF;  // 3-byte frame sizes
  return cap;
}

// The first hidden frame: -3 without a tag or when padding comes first;
// found = false when the tag ends without one.
StatusCode FindHidden(Reader& r, Frame& hidden, bool& found) {
  found = false;
  bool tagged = false;
  Tag t;
  StatusCode st = Open(r, tagged, t);
  if (st != kOk) return st;
  if (!tagged) return kNotExecuted;
  Walked w;
  st = Walk(r, t, w, [&](const Frame& f, bool& done) -> StatusCode {
    if (f.hidden) hidden = f;
    found = done = f.hidden;
    return kOk;
  });
  if (st != kOk) return st;
  if (!found && w.how == Stop::kPadding) return kNotExecuted;
  return kOk;
}

StatusCode Copy(IFileStrem* carrier, IFileStrem* data, IFileStrem* out, bool withData) {
  if (!carrier || !out || (withData && !data)) return kInvalidArg;
  if (steg::SameStream(carrier, out)) return kInvalidArg;
  Reader r(carrier);
  bool tagged = false;
  Tag t;
  StatusCode st = Open(r, tagged, t);
  if (st != kOk) return st;
  Census c;
  uint64_t cap = kNoTagCapacity;
  if (tagged) {
    st = Count(r, t, c);
    if (st != kOk) return st;
    cap = Capacity(t, c);
  }
  uint64_t n = 0;
  if (withData) {
    st = steg::RemainingBytes(data, &n);
    if (st != kOk) return st;
    if (n > cap) return kTooMuch;
  }
  // The tag size counts exactly the bytes written after the tag header,
  // never the old declared size. It is written in the carrier's own
  // encoding rather than the standard one: carriers already stored use it,
  // and the programs that read them know only that one and would take a
  // standard size for about half, cutting the hidden frame out of the tag.
  // Stock tag readers, which expect the standard encoding, misread it.
  const uint64_t size = tagged ? TagOverhead(t, c) + n : 10 + n;
  if (size > Mp3::kTagLimit) return kTooMuch;
  Writer w(out);
  st = w.Start();
  if (st == kOk) st = out->Seek(0, kSeekSet);
  if (st == kOk) st = out->SetEnd();
  if (st != kOk) return st;
  const auto none = [](const uint8_t*, uint32_t) {};
  if (!tagged) {
    if (withData) {
      uint8_t head[20] = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0, ' ', ' ', ' ', ' ', 0, 0, 0, 0, 0, 0};
      Mp3::PutTagSize(head + 6, static_cast<uint32_t>(size));
      StoreBE32(head + 14, static_cast<uint32_t>(n));
      st = w.Write(head, sizeof head);
      if (st == kOk) st = CopyExactFrom(data, w, n, none);
      if (st != kOk) return st;
    }
    st = r.SeekTo(0);
    if (st == kOk) st = CopyBytes(r, w, r.Size(), kReadError);
  } else {
    uint8_t head[10] = {'I', 'D', '3', t.version, 0, t.flags};
    Mp3::PutTagSize(head + 6, static_cast<uint32_t>(size));
    st = w.Write(head, kHeader);
    if (st == kOk) st = r.SeekTo(kHeader);
    if (st == kOk) st = CopyBytes(r, w, t.frames - kHeader, kReadError);
    Walked again;
    if (st == kOk) {
      st = Walk(r, t, again, [&](const Frame& f, bool&) -> StatusCode {
        if (f.hidden) return kOk;
        StatusCode s = r.SeekTo(f.start);
        return s == kOk ? CopyBytes(r, w, f.Whole(), kReadError) : s;
      });
    }
    if (st != kOk) return st;
    uint8_t frame[10] = {' ', ' ', ' ', ' ', 0, 0, 0, 0, 0, 0};
    if (t.version == 2) {
      frame[3] = uint8_t(n >> 16);
      frame[4] = uint8_t(n >> 8);
      frame[5] = uint8_t(n);
    } else if (t.version == 3) {
      StoreBE32(frame + 4, static_cast<uint32_t>(n));
    } else {
      Mp3::PutTagSize(frame + 4, static_cast<uint32_t>(n));
    }
    st = w.Write(frame, t.FrameHeader());
    if (st == kOk) st = CopyExactFrom(data, w, n, none);
    // Padding stays inside the tag, after the hidden frame.
    if (st == kOk) st = r.SeekTo(c.walked.at);
    if (st == kOk) st = CopyBytes(r, w, t.end - c.walked.at, kReadError);
    if (st != kOk) return st;
    if (t.footer) {
      uint8_t foot[10] = {'3', 'D', 'I', t.version, 0, t.flags};
      Mp3::PutTagSize(foot + 6, static_cast<uint32_t>(size));
      st = w.Write(foot, sizeof foot);
      if (st != kOk) return st;
    }
    st = r.SeekTo(t.After());
    if (st == kOk) st = CopyBytes(r, w, r.Left(), kReadError);
  }
  if (st == kOk) st = w.Flush();
  if (st == kOk) st = out->SetEnd();
  if (st != kOk) return st;
  return out->Commit();
}

}  // namespace

void Mp3::PutTagSize(uint8_t* p, uint32_t value) {
  for (int i = 3; i >= 0; --i) {
    p[i] = uint8_t((value & 0x7F) << 1);
    value >>= 7;
  }
}

uint32_t Mp3::TagSizeOf(const uint8_t* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 7) | (p[i] >> 1);
  return v;
}

uint32_t Mp3::SyncsafeOf(const uint8_t* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 7) | (p[i] & 0x7F);
  return v;
}

StatusCode Mp3::GetCapacity(IFileStrem* carrier, uint64_t* size) {
  if (!carrier || !size) return kInvalidArg;
  Reader r(carrier);
  bool tagged = false;
  Tag t;
  StatusCode st = Open(r, tagged, t);
  if (st != kOk) return st;
  if (!tagged) {
    *size = kNoTagCapacity;
    return kOk;
  }
  Census c;
  st = Count(r, t, c);
  if (st != kOk) return st;
  *size = Capacity(t, c);
  return kOk;
}

StatusCode Mp3::GetHiddenSize(IFileStrem* carrier, uint64_t* size) {
  if (!carrier || !size) return kInvalidArg;
  Reader r(carrier);
  Frame f;
  bool found = false;
  StatusCode st = FindHidden(r, f, found);
  if (st != kOk) return st;
  *size = found ? f.data : 0;
  return kOk;
}

StatusCode Mp3::Extract(IFileStrem* carrier, IStream* out, uint64_t count) {
  if (!carrier || !out) return kInvalidArg;
  Reader r(carrier);
  Frame f;
  bool found = false;
  StatusCode st = FindHidden(r, f, found);
  if (st != kOk) return st;
  if (count > (found ? f.data : 0)) return kTooMuch;
  if (count == 0) return kOk;
  st = r.SeekTo(f.start + f.header);
  if (st != kOk) return st;
  return r.Pass(count, kReadError, [&](const uint8_t* p, uint32_t n) -> StatusCode { return out->Write(p, n); });
}

StatusCode Mp3::Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out) {
  return Copy(carrier, data, out, true);
}

StatusCode Mp3::Wipe(IFileStrem* carrier, IFileStrem* out) {
  return Copy(carrier, nullptr, out, false);
}

using Mp3Carrier = CopyCarrierOf<Mp3>;
ZK_REGISTER_CLASS(Mp3Carrier)

}  // namespace zk::steg
