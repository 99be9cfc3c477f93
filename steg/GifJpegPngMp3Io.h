// Reading and writing helpers shared by the copy carriers (GIF, JPEG, PNG,
// MP3). The reader knows the carrier's size and its own position, so every
// skip is checked against the end and done by an absolute seek: memory
// streams refuse seeks past their end while file streams allow them, and the
// two count seeks from the end in opposite directions.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "zk5Stream.h"

namespace zk::copyio {

constexpr uint32_t kPiece = 65536;

class Reader {
 public:
  explicit Reader(IFileStrem* s) : s_(s) {}

  // Takes the size and stands at pos; -4 without a buffer.
  StatusCode Start(uint64_t pos = 0) {
    if (!buf_) {
      buf_.reset(new (std::nothrow) uint8_t[kPiece]);
      if (!buf_) return kNoMemory;
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
    if (pos >= bufStart_ && pos <= bufStart_ + fill_ && fill_ != 0) {
      at_ = static_cast<uint32_t>(pos - bufStart_);
      pos_ = pos;
      return kOk;
    }
    fill_ = at_ = 0;
    bufStart_ = pos;
    pos_ = pos;
    if (pos > size_) return kOk;  // reads will come up short
    return s_->Seek(static_cast<int64_t>(pos), kSeekSet);
  }

  // Up to n bytes (fewer only at the end of the stream).
  StatusCode Read(void* out, uint64_t n, uint64_t* got) {
    uint8_t* p = static_cast<uint8_t*>(out);
    *got = 0;
    while (n > 0) {
      if (at_ == fill_) {
        StatusCode st = Refill();
        if (st != kOk) return st;
        if (fill_ == 0) break;
      }
      uint32_t take = fill_ - at_;
      if (take > n) take = static_cast<uint32_t>(n);
      std::memcpy(p, buf_.get() + at_, take);
      p += take;
      at_ += take;
      pos_ += take;
      *got += take;
      n -= take;
    }
    return kOk;
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
  // ends first.
  template <class Fn>
  StatusCode Pass(uint64_t n, StatusCode shortCode, Fn&& fn) {
    if (n > Left()) return shortCode;
    while (n > 0) {
      if (at_ == fill_) {
        StatusCode st = Refill();
        if (st != kOk) return st;
        if (fill_ == 0) return shortCode;
      }
      uint32_t take = fill_ - at_;
      if (take > n) take = static_cast<uint32_t>(n);
      StatusCode st = fn(buf_.get() + at_, take);
      if (st != kOk) return st;
      at_ += take;
      pos_ += take;
      n -= take;
    }
    return kOk;
  }

 private:
  StatusCode Refill() {
    bufStart_ = pos_;
    at_ = fill_ = 0;
    if (pos_ >= size_) return kOk;
    uint64_t want = size_ - pos_;
    if (want > kPiece) want = kPiece;
    uint32_t got = 0;
    StatusCode st = s_->Read(buf_.get(), static_cast<uint32_t>(want), &got);
    if (st != kOk) return st;
    fill_ = got > want ? static_cast<uint32_t>(want) : got;
    return kOk;
  }

  IFileStrem* s_;
  std::unique_ptr<uint8_t[]> buf_;
  uint64_t size_ = 0;
  uint64_t pos_ = 0;
  uint64_t bufStart_ = 0;
  uint32_t fill_ = 0;
  uint32_t at_ = 0;
};

// Collects small writes into 64 KiB pieces; counts what it was given.
class Writer {
 public:
  explicit Writer(IStream* s) : s_(s) {}
  StatusCode Start() {
    if (!buf_) {
      buf_.reset(new (std::nothrow) uint8_t[kPiece]);
      if (!buf_) return kNoMemory;
    }
    return kOk;
  }
  StatusCode Write(const void* data, uint64_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    written_ += n;
    while (n > 0) {
      if (len_ == kPiece) {
        StatusCode st = Flush();
        if (st != kOk) return st;
      }
      uint32_t take = kPiece - len_;
      if (take > n) take = static_cast<uint32_t>(n);
      std::memcpy(buf_.get() + len_, p, take);
      len_ += take;
      p += take;
      n -= take;
    }
    return kOk;
  }
  StatusCode Byte(uint8_t b) { return Write(&b, 1); }
  StatusCode Flush() {
    if (len_ == 0) return kOk;
    StatusCode st = s_->Write(buf_.get(), len_);
    len_ = 0;
    return st;
  }
  uint64_t Written() const { return written_; }

 private:
  IStream* s_;
  std::unique_ptr<uint8_t[]> buf_;
  uint32_t len_ = 0;
  uint64_t written_ = 0;
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
  std::unique_ptr<uint8_t[]> piece(new (std::nothrow) uint8_t[kPiece]);
  if (!piece) return kNoMemory;
  while (n > 0) {
    const uint32_t want = n < kPiece ? static_cast<uint32_t>(n) : kPiece;
    uint32_t done = 0;
    while (done < want) {
      uint32_t got = 0;
      StatusCode st = src->Read(piece.get() + done, want - done, &got);
      if (st != kOk) return st;
      if (got == 0 || got > want - done) return kReadError;
      done += got;
    }
    seen(piece.get(), want);
    StatusCode st = w.Write(piece.get(), want);
    if (st != kOk) return st;
    n -= want;
  }
  return kOk;
}

// Cuts out at the current end of what was written.
inline StatusCode CutHere(IFileStrem* out) { return out->SetEnd(); }

}  // namespace zk::copyio
