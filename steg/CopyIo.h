// The positional reader and the writer of the copy carriers that walk a
// file's structure (GIF, JPEG, PNG, MP3), on the toolkit's buffered input
// and output. The reader knows the carrier's size and its own position, so every
// skip is checked against the end and done by an absolute seek: memory
// streams refuse seeks past their end while file streams allow them, and the
// two count seeks from the end in opposite directions.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "BufferedIo.h"
#include "zk5Stream.h"

namespace zk::steg {

constexpr uint32_t kCopyPiece = 65536;

class Reader {
 public:
  explicit Reader(IFileStrem* s) : s_(s) { in_.source = s; }

  // Takes the size and stands at pos; -4 without a buffer.
  StatusCode Start(uint64_t pos = 0) {
    if (!buf_) {
      buf_.reset(new uint8_t[kCopyPiece]);
      in_.readBuffer = buf_.get();
      in_.readCapacity = kCopyPiece;
    }
    StatusCode st = s_->GetSize(&size_);
    if (st != kOk) return st;
    return SeekTo(pos);
  }
  uint64_t Size() const { return size_; }
  uint64_t Pos() const { return pos_; }
  uint64_t Left() const { return pos_ < size_ ? size_ - pos_ : 0; }
  bool AtEnd() const { return pos_ >= size_; }

  StatusCode SeekTo(uint64_t pos) {
    // Inside what is buffered: just move.
    if (pos >= bufStart_ && pos <= bufStart_ + in_.readFill && in_.readFill != 0) {
      in_.readPosition = static_cast<uint32_t>(pos - bufStart_);
      pos_ = pos;
      return kOk;
    }
    in_.readFill = in_.readPosition = 0;
    bufStart_ = pos;
    pos_ = pos;
    if (pos > size_) return kOk;  // reads will come up short
    return s_->Seek(static_cast<int64_t>(pos), kSeekSet);
  }

  // Up to n bytes (fewer only at the end of the stream).
  StatusCode Read(void* out, uint64_t n, uint64_t* got) {
    uint8_t* p = static_cast<uint8_t*>(out);
    *got = 0;
    return Pass(n, kOk, [&](const uint8_t* data, uint32_t len) {
      std::memcpy(p, data, len);
      p += len;
      *got += len;
      return kOk;
    });
  }

  // Exactly n bytes, else shortCode.
  StatusCode ReadExact(void* out, uint64_t n, StatusCode shortCode) {
    if (n > Left()) return shortCode;
    uint64_t got = 0;
    StatusCode st = Read(out, n, &got);
    if (st != kOk) return st;
    return got == n ? kOk : shortCode;
  }

  StatusCode ReadByte(uint8_t* b, StatusCode shortCode) { return ReadExact(b, 1, shortCode); }

  StatusCode Skip(uint64_t n, StatusCode shortCode) {
    if (n > Left()) return shortCode;
    return SeekTo(pos_ + n);
  }

  // Hands n bytes to fn(ptr, len) piece by piece; shortCode when the carrier
  // ends first (with shortCode 0: stops there without error).
  template <class Fn>
  StatusCode Pass(uint64_t n, StatusCode shortCode, Fn&& fn) {
    if (shortCode != kOk && n > Left()) return shortCode;
    while (n > 0) {
      if (in_.readPosition == in_.readFill) {
        StatusCode st = Refill();
        if (st != kOk) return st;
        if (in_.readFill == 0) return shortCode;
      }
      uint32_t take = in_.readFill - in_.readPosition;
      if (take > n) take = static_cast<uint32_t>(n);
      StatusCode st = fn(in_.readBuffer + in_.readPosition, take);
      if (st != kOk) return st;
      in_.readPosition += take;
      pos_ += take;
      n -= take;
    }
    return kOk;
  }

 private:
  // Never asks for bytes past the size taken at Start.
  StatusCode Refill() {
    bufStart_ = pos_;
    in_.readFill = in_.readPosition = 0;
    if (pos_ >= size_) return kOk;
    uint64_t want = size_ - pos_;
    if (want > kCopyPiece) want = kCopyPiece;
    return in_.Refill(static_cast<uint32_t>(want));
  }

  IFileStrem* s_;
  std::unique_ptr<uint8_t[]> buf_;
  BufferedInput in_;
  uint64_t size_ = 0;
  uint64_t pos_ = 0;
  uint64_t bufStart_ = 0;
};

// Collects small writes into 64 KiB pieces; counts what it was given.
class Writer {
 public:
  explicit Writer(IStream* s) { out_.target = s; }
  StatusCode Start() {
    if (!buf_) {
      buf_.reset(new uint8_t[kCopyPiece]);
      out_.writeBuffer = buf_.get();
      out_.writeCapacity = kCopyPiece;
    }
    return kOk;
  }
  StatusCode Write(const void* data, uint64_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
      const uint32_t take = n < kCopyPiece ? static_cast<uint32_t>(n) : kCopyPiece;
      StatusCode st = out_.WriteBlock(p, take);
      if (st != kOk) return st;
      p += take;
      n -= take;
    }
    return kOk;
  }
  StatusCode Byte(uint8_t b) { return out_.WriteByte(b); }
  StatusCode Flush() { return out_.Flush(); }
  uint64_t Written() const { return out_.bytesWritten; }

 private:
  std::unique_ptr<uint8_t[]> buf_;
  BufferedOutput out_;
};

// Copies n bytes of the carrier to the writer.
inline StatusCode CopyBytes(Reader& r, Writer& w, uint64_t n, StatusCode shortCode) {
  return r.Pass(n, shortCode, [&](const uint8_t* p, uint32_t len) { return w.Write(p, len); });
}

// Copies exactly n bytes of src (from its position) to the writer, handing
// each piece to seen(ptr, len) first. The size fields before the data are
// already written, so data that ends early is a read error (-104), never a
// damaged file reported as success.
template <class Fn>
StatusCode CopyExactFrom(IStream* src, Writer& w, uint64_t n, Fn&& seen) {
  std::unique_ptr<uint8_t[]> piece(new uint8_t[kCopyPiece]);
  while (n > 0) {
    const uint32_t want = n < kCopyPiece ? static_cast<uint32_t>(n) : kCopyPiece;
    StatusCode st = zk::ReadExact(src, piece.get(), want, kReadError);
    if (st != kOk) return st;
    seen(piece.get(), want);
    st = w.Write(piece.get(), want);
    if (st != kOk) return st;
    n -= want;
  }
  return kOk;
}

// Cuts out at the current end of what was written.
inline StatusCode CutHere(IFileStrem* out) { return out->SetEnd(); }

}  // namespace zk::steg
