// cipher.Cipher: register loading, the four modes, OFB seeking, the stream
// faces, and a second, literal implementation of the feedback modes.
#include <gtest/gtest.h>

#include <random>

#include "ModesTestSupport.h"
#include "ZkTestSupport.h"

namespace {

using ciphertest::LiteralModes;
using zktest::FakeStream;
using ciphertest::ToyCipher;
using zktest::FromHex;
using zktest::ToHex;

class Modes : public ::testing::Test {
 protected:
  void SetUp() override { Make(8); }
  void TearDown() override {
    zk::ReleaseAndNull(cipher);
    zk::ReleaseAndNull(bc);
  }
  void Make(uint32_t n) {
    zk::ReleaseAndNull(cipher);
    zk::ReleaseAndNull(bc);
    bc = ToyCipher::Make(n);
    cipher = zktest::Create<zk::ICipher>(zk::id::CipherCipher, zk::id::CryptoICipher);
    ASSERT_NE(cipher, nullptr);
  }
  std::vector<uint8_t> Seq(size_t count, int start = 0) {
    std::vector<uint8_t> v(count);
    for (size_t i = 0; i < count; ++i) v[i] = uint8_t(start + i);
    return v;
  }
  ToyCipher* bc = nullptr;
  zk::ICipher* cipher = nullptr;
};

TEST_F(Modes, RegisterIsTheIvReversedAndRightAligned) {
  struct Case {
    uint32_t n;
    int mode;
    std::vector<uint8_t> iv;
    const char* firstInput;  // first block the cipher encrypts, over zero data
  };
  const Case cases[] = {
      {8, 2, Seq(8), "0706050403020100"},
      {8, 2, {0xA0, 0xA1, 0xA2, 0xA3}, "00000000a3a2a1a0"},
      {8, 3, Seq(10), "0706050403020100"},  // iv bytes beyond n are not used
      {8, 2, {}, "0000000000000000"},
      {16, 1, Seq(16), "0f0e0d0c0b0a09080706050403020100"},
      {12, 2, Seq(12, 0x10), "1b1a19181716151413121110"},
  };
  for (const Case& t : cases) {
    Make(t.n);
    bc->record = true;
    ASSERT_EQ(cipher->SetBlockCipher(bc, t.mode, t.iv.empty() ? nullptr : t.iv.data(),
                                     uint32_t(t.iv.size())), 0);
    std::vector<uint8_t> data(t.n, 0);
    ASSERT_EQ(cipher->Encrypt(data.data(), t.n), 0);
    ASSERT_EQ(bc->inputs.size(), 1u);
    EXPECT_EQ(ToHex(bc->inputs[0]), t.firstInput) << "n=" << t.n << " mode=" << t.mode;
  }
}

// Every mode with every kind of iv, on one object re-attached case after
// case: the register each mode starts from (none in ECB, whatever the iv),
// after SetBlockCipher and again after ResetIV, and the way back.
TEST_F(Modes, EveryModeTakesEveryIvLengthOnEveryPath) {
  struct Size {
    uint32_t n;
    const char* reg[4];  // iv absent, 5 bytes, n bytes, n + 4 bytes
  };
  const Size sizes[] = {
      {8, {"0000000000000000", "000000a4a3a2a1a0", "a7a6a5a4a3a2a1a0", "a7a6a5a4a3a2a1a0"}},
      {12,
       {"000000000000000000000000", "00000000000000a4a3a2a1a0", "abaaa9a8a7a6a5a4a3a2a1a0",
        "abaaa9a8a7a6a5a4a3a2a1a0"}},
      {16,
       {"00000000000000000000000000000000", "0000000000000000000000a4a3a2a1a0",
        "afaeadacabaaa9a8a7a6a5a4a3a2a1a0", "afaeadacabaaa9a8a7a6a5a4a3a2a1a0"}},
  };
  for (const Size& size : sizes) {
    const uint32_t n = size.n;
    Make(n);
    const std::vector<uint8_t> plain = Seq(2 * n + 3, 0x40);
    std::vector<uint8_t> ecb = plain;  // ECB of the whole blocks, the tail left
    bc->EncryptBlocks(ecb.data(), 2 * n);
    bc->encrypted = 0;
    for (int mode = 0; mode <= 3; ++mode) {
      for (int kind = 0; kind < 4; ++kind) {
        const std::vector<uint8_t> ivBytes = Seq(kind == 0 ? 0 : kind == 1 ? 5 : kind == 2 ? n : n + 4, 0xA0);
        const uint8_t* iv = kind == 0 ? nullptr : ivBytes.data();
        const uint32_t ivLength = uint32_t(ivBytes.size());
        const std::vector<uint8_t> reg = FromHex(size.reg[kind]);
        SCOPED_TRACE("n=" + std::to_string(n) + " mode=" + std::to_string(mode) +
                     " iv=" + std::to_string(ivLength));
        // The first block the cipher encrypts: the plaintext block in ECB,
        // the block XOR R in CBC, R itself in the feedback modes.
        std::vector<uint8_t> first(plain.begin(), plain.begin() + n);
        if (mode == 1)
          for (uint32_t i = 0; i < n; ++i) first[i] ^= reg[i];
        if (mode >= 2) first = reg;
        auto encrypt = [&] {
          bc->inputs.clear();
          std::vector<uint8_t> d = plain;
          EXPECT_EQ(cipher->Encrypt(d.data(), uint32_t(d.size())), 0);
          EXPECT_FALSE(bc->inputs.empty());
          if (!bc->inputs.empty()) {
            EXPECT_EQ(ToHex(bc->inputs[0]), ToHex(first));
          }
          return d;
        };
        bc->record = true;
        ASSERT_EQ(cipher->SetBlockCipher(bc, mode, iv, ivLength), 0);
        std::vector<uint8_t> data = encrypt();
        if (mode == 0) {
          EXPECT_EQ(data, ecb);
        }
        ASSERT_EQ(cipher->ResetIV(iv, ivLength), 0);
        std::vector<uint8_t> back = data;
        bc->inputs.clear();
        ASSERT_EQ(cipher->Decrypt(back.data(), uint32_t(back.size())), 0);
        EXPECT_EQ(back, plain);
        if (mode >= 2 && !bc->inputs.empty()) {
          EXPECT_EQ(ToHex(bc->inputs[0]), ToHex(reg));
        }
        ASSERT_EQ(cipher->ResetIV(iv, ivLength), 0);
        EXPECT_EQ(encrypt(), data);
        bc->record = false;
        // Only output feedback has a keystream to move; in the other modes
        // (ECB has no register at all) the skips refuse.
        auto* seek = zktest::Face<zk::ISeekCipherOFB>(cipher, zk::id::CryptoISeekCipherOFB);
        ASSERT_NE(seek, nullptr);
        const StatusCode skip = mode == 3 ? 0 : zk::kInvalidArg;
        EXPECT_EQ(seek->SkipForward(n + 1), skip);
        EXPECT_EQ(seek->SkipBackward(n + 1), skip);
        seek->Release();
      }
    }
  }
}

TEST_F(Modes, CfbThreeThenFiveBytesEqualsEightAtOnceWithOneEncryption) {
  std::vector<uint8_t> iv = Seq(8), plain = Seq(8, 0x40);
  ASSERT_EQ(cipher->SetBlockCipher(bc, 2, iv.data(), 8), 0);
  std::vector<uint8_t> whole = plain;
  ASSERT_EQ(cipher->Encrypt(whole.data(), 8), 0);
  EXPECT_EQ(bc->encrypted, 1);
  ASSERT_EQ(cipher->ResetIV(iv.data(), 8), 0);
  std::vector<uint8_t> split = plain;
  ASSERT_EQ(cipher->Encrypt(split.data(), 3), 0);
  ASSERT_EQ(cipher->Encrypt(split.data() + 3, 5), 0);
  EXPECT_EQ(bc->encrypted, 2);
  EXPECT_EQ(split, whole);
  // The keystream is E(07 06 .. 00) used from its last byte to its first.
  std::vector<uint8_t> ks = FromHex("0706050403020100");
  bc->EncryptBlocks(ks.data(), 8);
  for (int j = 0; j < 8; ++j) EXPECT_EQ(whole[j], plain[j] ^ ks[7 - j]) << j;
}

TEST_F(Modes, CbcTransformsWholeBlocksOnlyAndChainsAcrossCalls) {
  std::vector<uint8_t> iv = Seq(8, 0x80), plain = Seq(28, 1);
  ASSERT_EQ(cipher->SetBlockCipher(bc, 1, iv.data(), 8), 0);
  std::vector<uint8_t> a(plain.begin(), plain.begin() + 20);
  ASSERT_EQ(cipher->Encrypt(a.data(), 20), 0);
  EXPECT_TRUE(std::equal(a.begin() + 16, a.end(), plain.begin() + 16));
  std::vector<uint8_t> next(plain.begin() + 16, plain.begin() + 24);
  ASSERT_EQ(cipher->Encrypt(next.data(), 8), 0);  // R = ciphertext bytes 8-15
  ASSERT_EQ(cipher->ResetIV(iv.data(), 8), 0);
  std::vector<uint8_t> b(plain.begin(), plain.begin() + 24);
  ASSERT_EQ(cipher->Encrypt(b.data(), 24), 0);
  EXPECT_TRUE(std::equal(b.begin(), b.begin() + 16, a.begin()));
  EXPECT_TRUE(std::equal(b.begin() + 16, b.end(), next.begin()));
  ASSERT_EQ(cipher->ResetIV(iv.data(), 8), 0);
  ASSERT_EQ(cipher->Decrypt(b.data(), 24), 0);
  EXPECT_TRUE(std::equal(b.begin(), b.end(), plain.begin()));
  std::vector<uint8_t> seven = Seq(7);
  ASSERT_EQ(cipher->Encrypt(seven.data(), 7), 0);
  EXPECT_EQ(seven, Seq(7));
}

TEST_F(Modes, EcbLeavesTheTailAndNeedsNoRegister) {
  ASSERT_EQ(cipher->SetBlockCipher(bc, 0, nullptr, 0), 0);
  std::vector<uint8_t> d = Seq(20), expect = Seq(20);
  bc->EncryptBlocks(expect.data(), 16);
  ASSERT_EQ(cipher->Encrypt(d.data(), 20), 0);
  EXPECT_EQ(d, expect);
  ASSERT_EQ(cipher->Decrypt(d.data(), 20), 0);
  EXPECT_EQ(d, Seq(20));
  EXPECT_EQ(cipher->ResetIV(nullptr, 0), 0);
}

TEST_F(Modes, OfbSkipsMatchEncryptingTheSameBytes) {
  std::vector<uint8_t> iv = Seq(8, 9);
  ASSERT_EQ(cipher->SetBlockCipher(bc, 3, iv.data(), 8), 0);
  std::vector<uint8_t> ref(40, 0);
  ASSERT_EQ(cipher->Encrypt(ref.data(), 40), 0);  // the keystream itself
  auto* seek = zktest::Create<zk::ISeekCipherOFB>(zk::id::CipherCipher, zk::id::CryptoISeekCipherOFB);
  ASSERT_NE(seek, nullptr);
  seek->Release();
  auto* s = zktest::Face<zk::ISeekCipherOFB>(cipher, zk::id::CryptoISeekCipherOFB);
  ASSERT_NE(s, nullptr);
  auto next = [&](uint32_t count) {
    std::vector<uint8_t> v(count, 0);
    EXPECT_EQ(cipher->Encrypt(v.data(), count), 0);
    return v;
  };
  auto slice = [&](size_t from, size_t count) {
    return std::vector<uint8_t>(ref.begin() + from, ref.begin() + from + count);
  };
  cipher->ResetIV(iv.data(), 8);
  ASSERT_EQ(s->SkipForward(13), 0);
  EXPECT_EQ(next(3), slice(13, 3));
  ASSERT_EQ(s->SkipBackward(13), 0);  // 16 -> 3
  EXPECT_EQ(next(5), slice(3, 5));
  ASSERT_EQ(s->SkipBackward(1), 0);  // 8 -> 7
  EXPECT_EQ(next(2), slice(7, 2));
  ASSERT_EQ(s->SkipForward(1), 0);  // 9 -> 10
  EXPECT_EQ(next(1), slice(10, 1));
  // A table of starts and distances, forward and back.
  for (uint32_t start : {0u, 1u, 7u, 8u, 9u, 16u, 23u}) {
    for (uint32_t dist : {1u, 7u, 8u, 9u, 15u, 16u, 17u}) {
      if (start + dist + 4 > 40) continue;
      cipher->ResetIV(iv.data(), 8);
      ASSERT_EQ(s->SkipForward(start), 0);
      ASSERT_EQ(s->SkipForward(dist), 0);
      EXPECT_EQ(next(4), slice(start + dist, 4)) << start << "+" << dist;
      if (start + 4 >= dist) {
        ASSERT_EQ(s->SkipBackward(dist), 0);  // at start + dist + 4
        EXPECT_EQ(next(3), slice(start + 4, 3)) << start << "-" << dist;
      }
    }
  }
  ASSERT_EQ(cipher->SetBlockCipher(bc, 2, iv.data(), 8), 0);
  EXPECT_EQ(s->SkipForward(1), zk::kInvalidArg);
  EXPECT_EQ(s->SkipBackward(1), zk::kInvalidArg);
  s->Release();
}

TEST_F(Modes, FeedbackModesAgreeWithTheLiteralRegisterRules) {
  std::mt19937 rng(20261210);
  for (uint32_t n : {8u, 12u, 16u}) {
    for (int mode : {2, 3}) {
      Make(n);
      std::vector<uint8_t> iv(rng() % (n + 3));
      for (auto& b : iv) b = uint8_t(rng());
      std::vector<uint8_t> plain(600 + rng() % 100);  // over 32 blocks of 16
      for (auto& b : plain) b = uint8_t(rng());
      ToyCipher* other = ToyCipher::Make(n);
      LiteralModes lit(other, mode, iv);
      std::vector<uint8_t> expect = plain;
      lit.Run(expect, true);
      ASSERT_EQ(cipher->SetBlockCipher(bc, mode, iv.data(), uint32_t(iv.size())), 0);
      std::vector<uint8_t> got = plain;
      for (size_t at = 0; at < got.size();) {
        size_t piece = std::min<size_t>(got.size() - at, rng() % (2 * n + 2));
        ASSERT_EQ(cipher->Encrypt(got.data() + at, uint32_t(piece)), 0);
        at += piece;
      }
      EXPECT_EQ(got, expect) << "n=" << n << " mode=" << mode;
      EXPECT_EQ(bc->encrypted, other->encrypted);
      // Decryption, split differently, against the literal decryption.
      LiteralModes litDec(other, mode, iv);
      std::vector<uint8_t> back = expect;
      litDec.Run(back, false);
      EXPECT_EQ(back, plain);
      ASSERT_EQ(cipher->ResetIV(iv.data(), uint32_t(iv.size())), 0);
      for (size_t at = 0; at < got.size();) {
        size_t piece = std::min<size_t>(got.size() - at, 1 + rng() % (3 * n));
        ASSERT_EQ(cipher->Decrypt(got.data() + at, uint32_t(piece)), 0);
        at += piece;
      }
      EXPECT_EQ(got, plain) << "n=" << n << " mode=" << mode;
      // Each way in one call, many whole blocks after a partial one.
      ASSERT_EQ(cipher->ResetIV(iv.data(), uint32_t(iv.size())), 0);
      ASSERT_EQ(cipher->Encrypt(got.data(), 3), 0);
      ASSERT_EQ(cipher->Encrypt(got.data() + 3, uint32_t(got.size() - 3)), 0);
      EXPECT_EQ(got, expect) << "n=" << n << " mode=" << mode;
      ASSERT_EQ(cipher->ResetIV(iv.data(), uint32_t(iv.size())), 0);
      ASSERT_EQ(cipher->Decrypt(got.data(), uint32_t(got.size())), 0);
      EXPECT_EQ(got, plain) << "n=" << n << " mode=" << mode;
      other->Release();
    }
  }
}

TEST_F(Modes, RefusalsLeaveTheObjectAsItWas) {
  std::vector<uint8_t> iv = Seq(8);
  ASSERT_EQ(cipher->SetBlockCipher(bc, 2, iv.data(), 8), 0);
  std::vector<uint8_t> a = Seq(5);
  ASSERT_EQ(cipher->Encrypt(a.data(), 5), 0);
  EXPECT_EQ(cipher->SetBlockCipher(bc, 4, nullptr, 0), zk::kInvalidArg);
  EXPECT_EQ(cipher->SetBlockCipher(bc, -1, nullptr, 0), zk::kInvalidArg);
  EXPECT_EQ(cipher->SetBlockCipher(nullptr, 2, nullptr, 0), zk::kInvalidArg);
  std::vector<uint8_t> b = Seq(3, 5);
  ASSERT_EQ(cipher->Encrypt(b.data(), 3), 0);
  cipher->ResetIV(iv.data(), 8);
  std::vector<uint8_t> whole = Seq(8);
  cipher->Encrypt(whole.data(), 8);
  EXPECT_TRUE(std::equal(a.begin(), a.end(), whole.begin()));
  EXPECT_TRUE(std::equal(b.begin(), b.end(), whole.begin() + 5));
  // Length 0, no buffer: nothing happens.
  EXPECT_EQ(cipher->Encrypt(nullptr, 8), 0);
  std::vector<uint8_t> c = Seq(8);
  EXPECT_EQ(cipher->Encrypt(c.data(), 0), 0);
  EXPECT_EQ(c, Seq(8));
  // A block-cipher failure is passed on.
  bc->failWith = -7;
  cipher->ResetIV(iv.data(), 8);
  EXPECT_EQ(cipher->Encrypt(c.data(), 8), -7);
}

TEST(ModesNoCipher, BufferFormIsANoOpButTheStreamFaceStops) {
  auto* cipher = zktest::Create<zk::ICipher>(zk::id::CipherCipher, zk::id::CryptoICipher);
  ASSERT_NE(cipher, nullptr);
  std::vector<uint8_t> d = {1, 2, 3};
  EXPECT_EQ(cipher->Encrypt(d.data(), 3), 0);
  EXPECT_EQ(cipher->Decrypt(d.data(), 3), 0);
  EXPECT_EQ(d, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(cipher->ResetIV(d.data(), 3), 0);
  auto* stream = zktest::Face<zk::IStream>(cipher, zk::id::StreamIStream);
  ASSERT_NE(stream, nullptr);
  EXPECT_DEATH(stream->Write(d.data(), 3), "");  // no stream
  auto* cs = zktest::Face<zk::ICipherStream>(cipher, zk::id::CryptoICipherStream);
  ASSERT_NE(cs, nullptr);
  FakeStream* f = FakeStream::Make({}, true);
  EXPECT_EQ(cs->SetStream(f), 0);
  EXPECT_DEATH(stream->Write(d.data(), 3), "");  // no block cipher: nothing plain is written
  EXPECT_TRUE(f->data.empty());
  EXPECT_EQ(cs->SetStream(nullptr), 0);
  EXPECT_EQ(f->GetRefCount(), 1);
  f->Release();
  cs->Release();
  stream->Release();
  cipher->Release();
}

TEST_F(Modes, StreamFaceEncryptsWritesAndDecryptsReads) {
  std::vector<uint8_t> iv = Seq(8, 3);
  ASSERT_EQ(cipher->SetBlockCipher(bc, 2, iv.data(), 8), 0);
  auto* cs = zktest::Face<zk::ICipherStream>(cipher, zk::id::CryptoICipherStream);
  ASSERT_NE(cs, nullptr);
  auto* stream = zktest::Face<zk::IStream>(cipher, zk::id::StreamIStream);
  ASSERT_NE(stream, nullptr);
  FakeStream* f = FakeStream::Make({}, true);
  ASSERT_EQ(cs->SetStream(f), 0);
  std::vector<uint8_t> plain(150000);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i * 31 + (i >> 9));
  std::vector<uint8_t> copy = plain;
  ASSERT_EQ(stream->Write(plain.data(), uint32_t(plain.size())), 0);
  EXPECT_EQ(plain, copy);  // the caller's buffer is not changed
  EXPECT_EQ(f->writes, 3);  // pieces of 65536
  std::vector<uint8_t> expect = plain;
  ToyCipher* other = ToyCipher::Make(8);
  LiteralModes(other, 2, iv).Run(expect, true);
  other->Release();
  EXPECT_EQ(f->data, expect);
  // Read it back through the face.
  f->position = 0;
  cipher->ResetIV(iv.data(), 8);
  std::vector<uint8_t> back(plain.size() + 10);
  uint32_t got = 0, total = 0;
  while (stream->IsEnd() == 0) {
    ASSERT_EQ(stream->Read(back.data() + total, 7000, &got), 0);
    total += got;
  }
  back.resize(total);
  EXPECT_EQ(back, plain);
  // EncryptStream and DecryptStream copy through in chunks.
  FakeStream* out = FakeStream::Make({}, true);
  f->position = 0;
  f->maxRead = 1000;  // short reads keep the state running across chunks
  cipher->ResetIV(iv.data(), 8);
  ASSERT_EQ(cipher->DecryptStream(f, out), 0);
  EXPECT_EQ(out->data, plain);
  FakeStream* out2 = FakeStream::Make({}, true);
  out->position = 0;
  cipher->ResetIV(iv.data(), 8);
  ASSERT_EQ(cipher->EncryptStream(out, out2), 0);
  EXPECT_EQ(out2->data, expect);
  out2->failWrite = true;
  out->position = 0;
  EXPECT_EQ(cipher->EncryptStream(out, out2), zk::kWriteError);
  out->failRead = true;
  out->position = 0;
  EXPECT_EQ(cipher->EncryptStream(out, out2), 0);  // read failures end the copy quietly
  cs->SetStream(nullptr);
  EXPECT_EQ(f->GetRefCount(), 1);
  for (auto* m : {f, out, out2}) m->Release();
  cs->Release();
  stream->Release();
}

}  // namespace
