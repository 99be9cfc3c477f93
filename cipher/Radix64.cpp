// opgp.Radix64: a stream filter that writes bytes as Radix-64 text (the
// Base64 alphabet with "=" padding, CR LF after every 64 characters, no
// armour) and reads such text back as bytes, through a buffered stream pair.
#include <memory>
#include <new>

#include "ModesInternal.h"
#include "BufferedStreamPair.h"
#include "ToolkitObject.h"

namespace zk::cipher {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int8_t kPad = 64;  // "=" in a group
constexpr uint32_t kLine = 64;

// Value of each character: 0..63, kPad for "=", -1 for characters skipped.
struct DecodeTable {
  int8_t v[256];
  constexpr DecodeTable() : v() {
    for (int i = 0; i < 256; ++i) v[i] = -1;
    for (int i = 0; i < 64; ++i) v[static_cast<uint8_t>(kAlphabet[i])] = int8_t(i);
    v[static_cast<uint8_t>('=')] = kPad;
  }
};
constexpr DecodeTable kDecode;

class Radix64 final : public ToolkitObject<Radix64, IStream, IStreamProcessor> {
 public:
  static constexpr const char* kClassId = id::OpgpRadix64;
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIStream, 0},
                                                  {id::StreamIStreamProcessor, 1}};
  ~Radix64() { Finish(); }

  // stream.IStream
  StatusCode IsEnd() override {
    if (decPos_ < decCount_) return kOk;
    ZK_REQUIRE(pair_, id::StreamIStream);
    return end_ || pair_->reader.AtEnd() ? kEndOfStream : kOk;
  }

  StatusCode Read(void* buffer, uint32_t size, uint32_t* countOut) override {
    if (!buffer) return kInvalidArg;
    ZK_REQUIRE(pair_, id::StreamIStream);
    uint8_t* out = static_cast<uint8_t*>(buffer);
    uint32_t handed = 0;
    StatusCode st = kOk;
    while (handed < size) {
      if (decPos_ < decCount_) {
        out[handed++] = dec_[decPos_++];
        continue;
      }
      if (end_ || pair_->reader.AtEnd()) break;
      st = DecodeGroup();
      if (st != kOk) break;
    }
    if (countOut) *countOut = handed;
    return st;
  }

  StatusCode Write(const void* data, uint32_t length) override {
    if (!data) return kInvalidArg;
    if (length == 0) return kOk;
    ZK_REQUIRE(pair_, id::StreamIStream);
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (uint32_t i = 0; i < length; ++i) {
      enc_[encCount_++] = p[i];
      if (encCount_ == 3) {
        StatusCode st = EmitGroup(3);
        if (st != kOk) return st;
      }
    }
    return kOk;
  }

  StatusCode Close() override { return Finish(); }

  StatusCode CopyFrom(IStream* source, uint64_t count) override {
    if (!source) return kInvalidArg;
    ZK_REQUIRE(pair_, id::StreamIStream);
    constexpr uint32_t kPiece = 65536;
    const bool limited = count != 0;
    const uint32_t cap = limited && count < kPiece ? uint32_t(count) : kPiece;
    return Guard([&]() -> StatusCode {
      std::unique_ptr<uint8_t[]> piece(new uint8_t[cap]);
      while (source->IsEnd() == 0) {
        const uint32_t want = limited && count < cap ? uint32_t(count) : cap;
        uint32_t got = 0;
        StatusCode st = source->Read(piece.get(), want, &got);
        if (st != kOk) return st;
        if (got == 0) break;
        if (got > want) got = want;
        st = Write(piece.get(), got);
        if (st != kOk) return st;
        if (limited && (count -= got) == 0) break;
      }
      return pair_->writer.Flush();
    });
  }

  // stream.IStreamProcessor
  StatusCode SetStream(IStream* stream) override {
    StatusCode st = Finish();
    (void)st;  // the old stream's write error has no caller to go to
    if (!stream) return kOk;
    return Guard([&]() -> StatusCode {
      auto pair = std::make_unique<BufferedStreamPair>();
      StatusCode attached = pair->Attach(stream);
      if (attached == kOk) pair_ = pair.release();
      return attached;
    });
  }

 private:
  // Writes the pending bytes (1 to 3) as one group of four characters.
  StatusCode EmitGroup(int count) {
    const uint8_t b0 = enc_[0], b1 = count > 1 ? enc_[1] : 0, b2 = count > 2 ? enc_[2] : 0;
    uint8_t text[6] = {uint8_t(kAlphabet[b0 >> 2]), uint8_t(kAlphabet[(b0 & 3) << 4 | b1 >> 4]),
                       uint8_t(count > 1 ? kAlphabet[(b1 & 15) << 2 | b2 >> 6] : '='),
                       uint8_t(count > 2 ? kAlphabet[b2 & 63] : '='), '\r', '\n'};
    encCount_ = 0;
    lineCount_ += 4;
    uint32_t length = 4;
    if (lineCount_ == kLine) {
      length = 6;
      lineCount_ = 0;
    }
    return pair_->writer.Write(text, length);
  }

  // Decodes the next group of four characters into dec_.
  StatusCode DecodeGroup() {
    decPos_ = decCount_ = 0;
    end_ = true;
    int8_t v[4];
    int got = 0;
    while (got < 4) {
      uint8_t c = 0;
      StatusCode st = pair_->reader.ReadByte(&c);
      if (st == kNotExecuted) return kOk;  // input ended: a partial group is dropped
      if (st != kOk) return st;
      if (kDecode.v[c] >= 0) v[got++] = kDecode.v[c];
    }
    if (v[0] == kPad || v[1] == kPad) return kInvalidFormat;
    dec_[0] = uint8_t(v[0] << 2 | v[1] >> 4);
    decCount_ = 1;
    if (v[2] == kPad) return kOk;
    dec_[1] = uint8_t((v[1] & 15) << 4 | v[2] >> 2);
    decCount_ = 2;
    if (v[3] == kPad) return kOk;
    dec_[2] = uint8_t((v[2] & 3) << 6 | v[3]);
    decCount_ = 3;
    end_ = false;
    return kOk;
  }

  // Writes a pending group with its padding, flushes and drops the pair.
  StatusCode Finish() {
    StatusCode st = kOk;
    if (pair_) {
      if (encCount_ > 0) st = EmitGroup(int(encCount_));
      StatusCode fl = pair_->writer.Flush();
      if (st == kOk) st = fl;
      pair_->Detach();
      delete pair_;
      pair_ = nullptr;
    }
    Wipe(enc_, sizeof enc_);
    Wipe(dec_, sizeof dec_);
    encCount_ = lineCount_ = 0;
    decCount_ = decPos_ = 0;
    end_ = false;
    return st;
  }

  BufferedStreamPair* pair_ = nullptr;
  uint8_t enc_[3] = {};
  uint32_t encCount_ = 0;
  uint32_t lineCount_ = 0;
  uint8_t dec_[3] = {};
  uint32_t decCount_ = 0;
  uint32_t decPos_ = 0;
  bool end_ = false;
};

}  // namespace
}  // namespace zk::cipher

using zk::cipher::Radix64;
ZK_REGISTER_CLASS(Radix64)
