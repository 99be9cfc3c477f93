// cipher.Cipher: a block cipher worked in ECB, CBC, or in cipher or output
// feedback byte by byte on full blocks, on buffers, streams and as a stream.
//
// The feedback register R of the byte-wise modes is kept in a form that
// needs constant work per byte (no shifting of the whole register):
//  - CFB: ks = E(R) of the last register encryption and ct = the bytes fed
//    back since then; R[m] = m < c ? ct[c-1-m] : ks[m-c]. At c = n, R is
//    ct reversed, which is exactly what the next encryption takes in.
//  - OFB: ks = E(R); R[m] = ks[(m - c) mod n] (the register is rotated c
//    times), so at c = n R equals ks again and is encrypted in place.
// Either way the keystream byte at count c is ks[n-1-c].
#include <memory>
#include <new>

#include "ModesInternal.h"
#include "StreamCopy.h"
#include "ToolkitObject.h"

namespace zk::cipher {
namespace {

constexpr uint32_t kPiece = 65536;

class CipherModes final
    : public ToolkitObject<CipherModes, ICipher, ICipherStream, IStream, ISeekCipherOFB> {
 public:
  static constexpr const char* kClassId = id::CipherCipher;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoICipher, 0},
                                                  {id::CryptoICipherStream, 1},
                                                  {id::StreamIStream, 2},
                                                  {id::CryptoISeekCipherOFB, 3}};
  ~CipherModes() {
    WipeAndDelete(reg_, regSize_);
    ReleaseAndNull(stream_);
    ReleaseAndNull(cipher_);
  }

  // crypto.ICipher
  StatusCode SetBlockCipher(IBlockCipher* cipher, int32_t mode, const void* iv,
                            uint32_t ivLength) override {
    if (!cipher || mode < kModeECB || mode > kModeOFB) return kInvalidArg;
    const uint32_t n = cipher->GetBlockSize();
    if (n == 0 || n > kMaxModeBlock) return kInvalidArg;
    // The new register is made first, so a failure leaves the object as it was.
    const size_t size = mode == kModeECB ? 0 : mode == kModeCBC ? n : 2 * size_t(n);
    return Guard([&]() -> StatusCode {
      std::unique_ptr<uint8_t[]> reg(size ? new uint8_t[size] : nullptr);
      if (cipher != cipher_) {
        void* face = nullptr;
        StatusCode st = cipher->QueryInterface(id::CryptoIBlockCipher, &face);
        if (st != kOk || !face) return st != kOk ? st : kNoInterface;
        ReleaseAndNull(cipher_);
        cipher_ = static_cast<IBlockCipher*>(face);
      }
      WipeAndDelete(reg_, regSize_);
      reg_ = reg.release();
      regSize_ = size;
      n_ = n;
      mode_ = mode;
      Load(iv, ivLength);
      return kOk;
    });
  }

  StatusCode ResetIV(const void* iv, uint32_t ivLength) override {
    Load(iv, ivLength);
    return kOk;
  }

  StatusCode Encrypt(void* buffer, uint32_t length) override { return Transform(buffer, length, true); }
  StatusCode Decrypt(void* buffer, uint32_t length) override { return Transform(buffer, length, false); }
  StatusCode EncryptStream(IStream* in, IStream* out) override {
    return Guard([&] { return StreamThrough(in, out, true); });
  }
  StatusCode DecryptStream(IStream* in, IStream* out) override {
    return Guard([&] { return StreamThrough(in, out, false); });
  }

  // crypto.ICipherStream
  StatusCode SetStream(IStream* stream) override {
    if (stream == stream_) return kOk;
    IStream* held = nullptr;
    if (stream) {
      void* face = nullptr;
      if (stream->QueryInterface(id::StreamIStream, &face) == kOk) held = static_cast<IStream*>(face);
    }
    ReleaseAndNull(stream_);
    stream_ = held;
    return kOk;
  }

  // stream.IStream over the attached stream
  StatusCode IsEnd() override {
    ZK_REQUIRE(stream_, id::StreamIStream);
    return stream_->IsEnd();
  }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    ZK_REQUIRE(stream_, id::StreamIStream);
    ZK_REQUIRE(cipher_, id::CryptoIBlockCipher);
    uint32_t got = 0;
    StatusCode st = stream_->Read(buffer, size, &got);
    if (st != kOk) return st;
    if (got > size) got = size;
    if (gotOut) *gotOut = got;
    return Decrypt(buffer, got);
  }
  StatusCode Write(const void* data, uint32_t length) override {
    ZK_REQUIRE(stream_, id::StreamIStream);
    ZK_REQUIRE(cipher_, id::CryptoIBlockCipher);
    if (!data) return kInvalidArg;
    if (length == 0) return kOk;
    return Guard([&]() -> StatusCode {
      const uint32_t cap = length < kPiece ? length : kPiece;
      std::unique_ptr<uint8_t[]> work(new uint8_t[cap]);
      const uint8_t* p = static_cast<const uint8_t*>(data);
      StatusCode st = kOk;
      while (length > 0 && st == kOk) {
        uint32_t piece = length < cap ? length : cap;
        std::memcpy(work.get(), p, piece);
        st = Encrypt(work.get(), piece);
        if (st == kOk) st = stream_->Write(work.get(), piece);
        p += piece;
        length -= piece;
      }
      Wipe(work.get(), cap);
      return st;
    });
  }
  StatusCode Close() override {
    ZK_REQUIRE(stream_, id::StreamIStream);
    return stream_->Close();
  }
  StatusCode CopyFrom(IStream* source, uint64_t count) override {
    return CopyStream(static_cast<IStream*>(this), source, count);
  }

  // crypto.ISeekCipherOFB
  StatusCode SkipForward(uint32_t length) override {
    if (mode_ != kModeOFB || !reg_) return kInvalidArg;
    while (c_ < n_ && length > 0) {
      ++c_;
      --length;
    }
    if (length == 0) return kOk;
    uint32_t blocks = length / n_;
    for (uint32_t b = 0; b < blocks; ++b) {
      StatusCode st = cipher_->EncryptBlocks(reg_, n_);
      if (st != kOk) return st;
    }
    if (blocks > 0) {
      c_ = n_;
      length -= blocks * n_;
    }
    for (; length > 0; --length) {
      if (c_ >= n_) {
        StatusCode st = cipher_->EncryptBlocks(reg_, n_);
        if (st != kOk) return st;
        c_ = 0;
      }
      ++c_;
    }
    return kOk;
  }
  StatusCode SkipBackward(uint32_t length) override {
    if (mode_ != kModeOFB || !reg_) return kInvalidArg;
    while (c_ > 0 && length > 0) {
      --c_;
      --length;
    }
    if (length == 0) return kOk;
    for (uint32_t b = 0, times = length / n_ + 1; b < times; ++b) {
      StatusCode st = cipher_->DecryptBlocks(reg_, n_);
      if (st != kOk) return st;
    }
    c_ = n_;
    for (uint32_t rest = length % n_; rest > 0; --rest) {
      --c_;
      if (c_ == 0) {
        StatusCode st = cipher_->DecryptBlocks(reg_, n_);
        if (st != kOk) return st;
        c_ = n_;
      }
    }
    return kOk;
  }

 private:
  // Register loading: R[n-1-k] = iv[k] for k below both ivLength and n,
  // zero elsewhere; then c = n. ECB keeps no register and ignores any iv.
  void Load(const void* iv, uint32_t ivLength) {
    c_ = n_;
    if (mode_ == kModeECB || !reg_) return;
    const uint8_t* v = static_cast<const uint8_t*>(iv);
    const uint32_t used = v ? (ivLength < n_ ? ivLength : n_) : 0;
    std::memset(reg_, 0, regSize_);
    if (mode_ == kModeCFB) {
      // R is ct reversed at c = n: ct holds the iv bytes in order.
      if (used) std::memcpy(reg_ + n_, v, used);
    } else {
      for (uint32_t k = 0; k < used; ++k) reg_[n_ - 1 - k] = v[k];
    }
  }

  StatusCode Transform(void* buffer, uint32_t length, bool encrypt) {
    if (!buffer || length == 0 || !cipher_) return kOk;
    uint8_t* p = static_cast<uint8_t*>(buffer);
    switch (mode_) {
      case kModeECB:
        return encrypt ? cipher_->EncryptBlocks(p, length) : cipher_->DecryptBlocks(p, length);
      case kModeCBC:
        return encrypt ? CbcEncrypt(p, length) : CbcDecrypt(p, length);
      case kModeCFB:
        return encrypt ? Cfb<true>(p, length) : Cfb<false>(p, length);
      default:
        return Ofb(p, length);
    }
  }

  StatusCode CbcEncrypt(uint8_t* p, uint32_t length) {
    const uint32_t blocks = length / n_;
    for (uint32_t b = 0; b < blocks; ++b, p += n_) {
      for (uint32_t i = 0; i < n_; ++i) p[i] ^= reg_[i];
      StatusCode st = cipher_->EncryptBlocks(p, n_);
      if (st != kOk) return st;
      std::memcpy(reg_, p, n_);
    }
    return kOk;
  }

  StatusCode CbcDecrypt(uint8_t* p, uint32_t length) {
    const uint32_t blocks = length / n_;
    uint8_t keep[kMaxModeBlock];
    StatusCode st = kOk;
    for (uint32_t b = 0; b < blocks && st == kOk; ++b, p += n_) {
      std::memcpy(keep, p, n_);
      st = cipher_->DecryptBlocks(p, n_);
      if (st != kOk) break;
      for (uint32_t i = 0; i < n_; ++i) p[i] ^= reg_[i];
      std::memcpy(reg_, keep, n_);
    }
    Wipe(keep, n_);
    return st;
  }

  template <bool kEncrypt>
  StatusCode Cfb(uint8_t* p, uint32_t length) {
    const uint32_t n = n_;
    uint8_t* ks = reg_;
    uint8_t* ct = reg_ + n;
    if (c_ >= n && length >= n) {
      const uint32_t blocks = length / n;
      StatusCode st;
      if constexpr (kEncrypt) {
        st = n == 8    ? CfbWhole<kEncrypt, 8>(p, blocks)
             : n == 16 ? CfbWhole<kEncrypt, 16>(p, blocks)
                       : CfbWhole<kEncrypt, 0>(p, blocks);
      } else {
        st = n == 8    ? CfbDecryptWhole<8>(p, blocks)
             : n == 16 ? CfbDecryptWhole<16>(p, blocks)
                       : CfbDecryptWhole<0>(p, blocks);
      }
      if (st != kOk) return st;
      p += size_t(blocks) * n;
      length -= blocks * n;
    }
    while (length > 0) {
      if (c_ >= n) {
        for (uint32_t m = 0; m < n; ++m) ks[m] = ct[n - 1 - m];
        StatusCode st = cipher_->EncryptBlocks(ks, n);
        if (st != kOk) return st;
        c_ = 0;
      }
      uint32_t run = n - c_;
      if (run > length) run = length;
      const uint8_t* k = ks + (n - 1 - c_);
      uint8_t* fed = ct + c_;
      for (uint32_t j = 0; j < run; ++j) {
        const uint8_t in = p[j];
        const uint8_t out = uint8_t(in ^ k[-int32_t(j)]);
        fed[j] = kEncrypt ? out : in;
        p[j] = out;
      }
      c_ += run;
      p += run;
      length -= run;
    }
    return kOk;
  }

  // Whole blocks from a block start (c = n): the register is the previous
  // ciphertext block reversed, and the block's keystream is its encryption
  // reversed. Done a word at a time for blocks of 8 and 16 bytes. Leaves
  // ct = the last ciphertext block and c = n, as the byte loop would.
  template <bool kEncrypt, uint32_t kN>
  StatusCode CfbWhole(uint8_t* p, uint32_t blocks) {
    const uint32_t n = kN ? kN : n_;
    uint8_t* ks = reg_;
    uint8_t* ct = reg_ + n;
    uint8_t held[kMaxModeBlock];  // the last ciphertext block, in order
    std::memcpy(held, ct, n);
    uint8_t key[kN ? kN : 1];       // the keystream block, in output order
    StatusCode st = kOk;
    for (uint32_t b = 0; b < blocks; ++b, p += n) {
      ReverseBlock<kN>(ks, held, n);
      st = cipher_->EncryptBlocks(ks, n);
      if (st != kOk) break;
      if constexpr (kN == 8 || kN == 16) {
        ReverseBlock<kN>(key, ks, n);
        for (uint32_t w = 0; w < kN; w += 8) {
          uint64_t in, k;
          std::memcpy(&in, p + w, 8);
          std::memcpy(&k, key + w, 8);
          const uint64_t out = in ^ k;
          std::memcpy(p + w, &out, 8);
          std::memcpy(held + w, kEncrypt ? &out : &in, 8);
        }
      } else {
        for (uint32_t j = 0; j < n; ++j) {
          const uint8_t in = p[j];
          const uint8_t out = uint8_t(in ^ ks[n - 1 - j]);
          p[j] = out;
          held[j] = kEncrypt ? out : in;
        }
      }
    }
    std::memcpy(ct, held, n);
    Wipe(key, sizeof key);
    c_ = n;
    return st;
  }

  // Decryption of whole blocks from a block start: every block's register
  // is the ciphertext block before it (reversed), all known in advance, so
  // a batch of registers is encrypted in one call and the cipher can work
  // several blocks abreast. Same bytes and final state as CfbWhole.
  template <uint32_t kN>
  StatusCode CfbDecryptWhole(uint8_t* p, uint32_t blocks) {
    constexpr uint32_t kBatch = 32;
    const uint32_t n = kN ? kN : n_;
    uint8_t* ks = reg_;
    uint8_t* ct = reg_ + n;
    uint8_t batch[kBatch * kMaxModeBlock];
    uint8_t key[kMaxModeBlock];
    StatusCode st = kOk;
    while (blocks > 0) {
      const uint32_t count = blocks < kBatch ? blocks : kBatch;
      ReverseBlock<kN>(batch, ct, n);
      for (uint32_t b = 1; b < count; ++b) ReverseBlock<kN>(batch + b * n, p + (b - 1) * n, n);
      st = cipher_->EncryptBlocks(batch, count * n);
      if (st != kOk) break;
      std::memcpy(ct, p + (count - 1) * n, n);
      std::memcpy(ks, batch + (count - 1) * n, n);
      for (uint32_t b = 0; b < count; ++b, p += n) {
        ReverseBlock<kN>(key, batch + b * n, n);
        if constexpr (kN == 8 || kN == 16) {
          for (uint32_t w = 0; w < kN; w += 8) {
            uint64_t in, k;
            std::memcpy(&in, p + w, 8);
            std::memcpy(&k, key + w, 8);
            in ^= k;
            std::memcpy(p + w, &in, 8);
          }
        } else {
          for (uint32_t j = 0; j < n; ++j) p[j] ^= key[j];
        }
      }
      blocks -= count;
    }
    Wipe(batch, sizeof batch);
    Wipe(key, sizeof key);
    c_ = n;
    return st;
  }

  template <uint32_t kN>
  static void ReverseBlock(uint8_t* dst, const uint8_t* src, uint32_t n) {
    if constexpr (kN == 8) {
      uint64_t v;
      std::memcpy(&v, src, 8);
      v = __builtin_bswap64(v);
      std::memcpy(dst, &v, 8);
    } else if constexpr (kN == 16) {
      uint64_t lo, hi;
      std::memcpy(&lo, src, 8);
      std::memcpy(&hi, src + 8, 8);
      lo = __builtin_bswap64(lo);
      hi = __builtin_bswap64(hi);
      std::memcpy(dst, &hi, 8);
      std::memcpy(dst + 8, &lo, 8);
    } else {
      for (uint32_t j = 0; j < n; ++j) dst[j] = src[n - 1 - j];
    }
  }

  StatusCode Ofb(uint8_t* p, uint32_t length) {
    const uint32_t n = n_;
    uint8_t* ks = reg_;
    while (length > 0) {
      if (c_ >= n) {
        StatusCode st = cipher_->EncryptBlocks(ks, n);
        if (st != kOk) return st;
        c_ = 0;
      }
      uint32_t run = n - c_;
      if (run > length) run = length;
      const uint8_t* k = ks + (n - 1 - c_);
      for (uint32_t j = 0; j < run; ++j) p[j] ^= k[-int32_t(j)];
      c_ += run;
      p += run;
      length -= run;
    }
    return kOk;
  }

  StatusCode StreamThrough(IStream* in, IStream* out, bool encrypt) {
    ZK_REQUIRE(cipher_, id::CryptoIBlockCipher);
    if (!in || !out) return kInvalidArg;
    const uint32_t chunk = n_ * kPiece;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[chunk]);
    StatusCode result = kOk;
    uint32_t got = 0;
    if (in->Read(buffer.get(), chunk, &got) != kOk) got = 0;
    while (got > 0) {
      if (got > chunk) got = chunk;
      StatusCode st = Transform(buffer.get(), got, encrypt);
      if (st == kOk) st = out->Write(buffer.get(), got);
      if (st != kOk) {
        result = st;
        break;
      }
      got = 0;
      if (in->Read(buffer.get(), chunk, &got) != kOk) break;
    }
    Wipe(buffer.get(), chunk);
    return result;
  }

  IBlockCipher* cipher_ = nullptr;
  uint8_t* reg_ = nullptr;
  size_t regSize_ = 0;
  uint32_t n_ = 0;
  int32_t mode_ = kModeECB;
  uint32_t c_ = 0;
  IStream* stream_ = nullptr;
};

}  // namespace
}  // namespace zk::cipher

using zk::cipher::CipherModes;
ZK_REGISTER_CLASS(CipherModes)
