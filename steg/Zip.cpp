// steg.ZIP: hidden bytes in the archive comment of a ZIP file, written to
// a copy. Entries and the central directory are copied byte for byte; the
// end-of-central-directory record gets a new comment: length n + 1, one
// 0x00 byte that tells hidden data from an ordinary comment, and the n
// hidden bytes (n at most 0xFFFE).
//
// The archive is walked record by record from its start. Every record is
// checked against the real length of the file before anything is written,
// so a damaged carrier is refused without a half-written copy.
#include <algorithm>

#include "CarrierBase.h"

namespace zk::steg {
namespace {

constexpr uint32_t kLocalHeader = 0x04034B50;
constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr uint32_t kEndRecord = 0x06054B50;
constexpr uint32_t kDescriptor = 0x08074B50;
constexpr uint64_t kCapacity = 0xFFFE;

struct EndRecord {
  bool found = false;
  uint8_t bytes[22] = {};  // signature and the 18 fixed bytes
  uint16_t commentLength = 0;
  uint64_t commentAt = 0;
};

class Walker {
 public:
  // out null: only check; else copy every record before the end record.
  Walker(IFileStrem* carrier, IFileStrem* out) : carrier_(carrier), out_(out) {}

  StatusCode Run(EndRecord* end) {
    StatusCode st = carrier_->GetSize(&size_);
    if (st == kOk) st = carrier_->Seek(0, kSeekSet);
    if (st != kOk) return st;
    position_ = 0;
    for (;;) {
      // The end of the stream before an end record: an empty carrier is
      // accepted; any other archive without its end record is refused.
      if (position_ == size_) return size_ == 0 ? kOk : kInvalidFormat;
      uint8_t r[46];
      st = Fixed(r, 4);
      if (st != kOk) return st;
      const uint32_t signature = LoadLE32(r);
      if (signature == kLocalHeader) {
        st = Fixed(r + 4, 26);
        if (st == kOk) st = Emit(r, 30);
        if (st == kOk) st = Pass(LoadLE16(r + 26));
        if (st == kOk) st = Pass(LoadLE16(r + 28));
        const uint32_t packed = LoadLE32(r + 18);
        if (st == kOk) st = Pass(packed);
        if (st == kOk && (LoadLE16(r + 6) & 8u) != 0) st = Descriptor(packed);
      } else if (signature == kCentralHeader) {
        st = Fixed(r + 4, 42);
        if (st == kOk) st = Emit(r, 46);
        if (st == kOk) st = Pass(LoadLE16(r + 28));
        if (st == kOk) st = Pass(LoadLE16(r + 30));
        if (st == kOk) st = Pass(LoadLE16(r + 32));
      } else if (signature == kEndRecord) {
        st = Fixed(r + 4, 18);
        if (st != kOk) return st;
        end->found = true;
        std::memcpy(end->bytes, r, 22);
        end->commentLength = LoadLE16(r + 20);
        end->commentAt = position_;
        // A comment promised beyond the file is a record cut short.
        if (size_ - position_ < end->commentLength) return kInvalidFormat;
        return kOk;
      } else {
        return kInvalidFormat;
      }
      if (st != kOk) return st;
    }
  }

 private:
  // Reads n fixed bytes of a record; a short read is a record cut short.
  StatusCode Fixed(uint8_t* p, uint32_t n) {
    if (size_ - position_ < n) return kInvalidFormat;
    uint32_t got = 0;
    StatusCode st = ReadFull(carrier_, p, n, &got);
    if (st != kOk) return st;
    if (got != n) return kInvalidFormat;
    position_ += n;
    return kOk;
  }
  StatusCode Emit(const uint8_t* p, uint32_t n) { return out_ ? out_->Write(p, n) : kOk; }
  // Passes over (or copies) n bytes of a variable part; parts of length 0
  // are skipped (a copy of count 0 would run to the end).
  StatusCode Pass(uint64_t n) {
    if (n == 0) return kOk;
    if (size_ - position_ < n) return kInvalidFormat;
    StatusCode st;
    if (out_) {
      st = out_->CopyFrom(carrier_, n);
      if (st == kOk) {
        uint64_t now = 0;
        st = carrier_->GetPosition(&now);
        if (st == kOk && now != position_ + n) st = kReadError;
      }
    } else {
      st = carrier_->Seek(int64_t(position_ + n), kSeekSet);
    }
    if (st != kOk) return st;
    position_ += n;
    return kOk;
  }
  // The data descriptor after an entry whose sizes follow its data: 12
  // bytes, or 16 when it opens with its own signature. An entry that gives
  // no size of its own cannot be walked and is refused.
  StatusCode Descriptor(uint32_t packed) {
    uint8_t d[16];
    StatusCode st = Fixed(d, 4);
    if (st != kOk) return st;
    const bool signed_ = LoadLE32(d) == kDescriptor;
    if (packed == 0 && !signed_) return kInvalidFormat;
    uint32_t rest = signed_ ? 12 : 8;
    st = Fixed(d + 4, rest);
    if (st == kOk) st = Emit(d, 4 + rest);
    return st;
  }

  IFileStrem* carrier_;
  IFileStrem* out_;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
};

struct ZipFormat {
  static constexpr const char* kClassId = id::StegZIP;

  static constexpr int32_t kKind = kCarrierArchive;

  StatusCode GetCapacity(IFileStrem* carrier, uint64_t* sizeOut) {
    if (!carrier || !sizeOut) return kInvalidArg;
    EndRecord end;
    StatusCode st = Walker(carrier, nullptr).Run(&end);
    if (st != kOk) return st;
    *sizeOut = kCapacity;
    return kOk;
  }

  StatusCode GetHiddenSize(IFileStrem* carrier, uint64_t* sizeOut) {
    if (!carrier || !sizeOut) return kInvalidArg;
    uint64_t n = 0;
    bool present = false;
    StatusCode st = Hidden(carrier, &n, &present);
    if (st == kOk) *sizeOut = n;
    return st;
  }

  StatusCode Extract(IFileStrem* carrier, IStream* out, uint64_t count) {
    if (!carrier || !out) return kInvalidArg;
    if (count == 0) return kOk;
    uint64_t n = 0;
    bool present = false;
    StatusCode st = Hidden(carrier, &n, &present);
    if (st != kOk) return st;
    if (!present) return kOk;  // no hidden data: nothing written
    if (n < count) return kTooMuch;
    return out->CopyFrom(carrier, count);
  }

  StatusCode Embed(IFileStrem* carrier, IFileStrem* data, IFileStrem* out) {
    if (!carrier || !data || !out || SameStream(carrier, out) || SameStream(data, out))
      return kInvalidArg;
    uint64_t size = 0;
    StatusCode st = data->GetSize(&size);
    if (st != kOk) return st;
    if (size > kCapacity) return kTooMuch;
    return Rewrite(carrier, data, size, out);
  }

  StatusCode Wipe(IFileStrem* carrier, IFileStrem* out) {
    if (!carrier || !out || SameStream(carrier, out)) return kInvalidArg;
    return Rewrite(carrier, nullptr, 0, out);
  }

 private:
  // The hidden size; present tells whether there is a hidden-data comment,
  // and then the carrier is left at its first hidden byte.
  StatusCode Hidden(IFileStrem* carrier, uint64_t* n, bool* present) {
    *present = false;
    *n = 0;
    EndRecord end;
    StatusCode st = Walker(carrier, nullptr).Run(&end);
    if (st != kOk || !end.found || end.commentLength == 0) return st;
    uint8_t first = 0;
    uint32_t got = 0;
    st = ReadFull(carrier, &first, 1, &got);
    if (st != kOk) return st;
    if (got != 1) return kInvalidFormat;
    if (first != 0) return kOk;  // an ordinary comment
    *present = true;
    *n = end.commentLength - 1u;
    return kOk;
  }

  StatusCode Rewrite(IFileStrem* carrier, IFileStrem* data, uint64_t size, IFileStrem* out) {
    // Everything that can fail on the inputs is found before out is touched.
    EndRecord end;
    StatusCode st = Walker(carrier, nullptr).Run(&end);
    if (st != kOk) return st;
    if (data) {
      st = data->Seek(0, kSeekSet);
      if (st == kOk) st = CheckReadable(data, size);
      if (st != kOk) return st;
    }
    st = out->Seek(0, kSeekSet);
    if (st == kOk) st = out->SetEnd();
    if (st == kOk) st = Walker(carrier, out).Run(&end);
    if (st != kOk) return st;
    if (!end.found) {
      if (!data) return kOk;  // an empty carrier stays empty
      // An empty carrier becomes an empty archive holding the data.
      std::memset(end.bytes, 0, sizeof end.bytes);
      end.bytes[0] = 0x50;
      end.bytes[1] = 0x4B;
      end.bytes[2] = 0x05;
      end.bytes[3] = 0x06;
    }
    StoreLE16(end.bytes + 20, data ? uint16_t(size + 1) : uint16_t(0));
    st = out->Write(end.bytes, sizeof end.bytes);
    if (st != kOk || !data) return st;
    const uint8_t marker = 0;
    st = out->Write(&marker, 1);
    if (st == kOk && size != 0) st = out->CopyFrom(data, size);
    return st;
  }
};

using Zip = CopyCarrierOf<ZipFormat>;
ZK_REGISTER_CLASS(Zip)

}  // namespace
}  // namespace zk::steg
