// cipher.RSA: key generation, raw RSA operations and the key blobs.
#include "Rsa.h"

#include <cstring>

#include "zk5main.h"

namespace zk::cipher {

using namespace bn;

namespace {

constexpr uint32_t kPublicExponent = 65537;

// Hands a number out as a new runtime block of limbs (at least one limb).
StatusCode HandOut(const BigNumber& r, uint32_t** out, uint32_t* outCount) {
  int32_t n = Length(r);
  auto* block = static_cast<uint32_t*>(zk_malloc((n ? n : 1) * 4));
  if (!block) return kNoMemory;
  block[0] = 0;
  if (n) std::memcpy(block, r.limbs, size_t(n) * 4);
  *out = block;
  *outCount = uint32_t(n);
  return kOk;
}

// Common argument handling of the four raw operations.
StatusCode RawArgs(const uint32_t* limbs, uint32_t count, uint32_t** out, uint32_t* outCount) {
  if (outCount) *outCount = 0;
  if (!limbs || count == 0 || !out || !outCount) return kInvalidArg;
  if (count > uint32_t(kMaxLimbs)) return kInvalidArg;
  if (*out) {
    zk_free(*out);
    *out = nullptr;
  }
  return kOk;
}

// Reads an arithmetic status as the one RSA callers get.
StatusCode Upward(StatusCode s) { return s == kNoMemory ? kNoMemory : s; }

}  // namespace

Rsa::~Rsa() {
  ClearKey();
  ReleaseAndNull(entropy_);
}

void Rsa::ClearKey() {
  private_ = 0;
  for (BigNumber* b : numbers_) Clear(*b);
  Clear(rrN_);
  Clear(rrP_);
  Clear(rrQ_);
}

StatusCode Rsa::Setup(BigNumber& rr, const BigNumber& m, const BigNumber** out) {
  *out = nullptr;
  if (!IsOdd(m)) return kOk;  // the exponentiation reports the modulus
  if (IsZero(rr)) {
    StatusCode s = MontgomerySquare(rr, m);
    if (s) return s;
  }
  *out = &rr;
  return kOk;
}

// --- key generation --------------------------------------------------------

StatusCode Rsa::GenerateKey(uint32_t bits) {
  ClearKey();
  if (bits < 64 || bits > 0xffff * 32) return kInvalidArg;
  IBase* base = nullptr;
  StatusCode s = zk_CreateInstance(id::CipherEntropy, &base);
  if (s) return s;
  if (!base) return kNoMemory;
  void* iface = nullptr;
  s = base->QueryInterface(id::CryptoICipherEntropy, &iface);
  base->Release();
  if (s) return s;
  // A later generation replaces the source kept so far.
  ReleaseAndNull(entropy_);
  entropy_ = static_cast<EntropySource*>(iface);
  base = nullptr;
  if ((s = zk_CreateInstance(id::CipherBlowfish, &base))) return s;
  if (!base) return kNoMemory;
  iface = nullptr;
  s = base->QueryInterface(id::CryptoIBlockCipher, &iface);
  base->Release();
  if (s) return s;
  auto* cipher = static_cast<IBlockCipher*>(iface);
  s = entropy_->SetCipher(cipher);
  static_cast<IBase*>(iface)->Release();
  if (s) return s;
  return Generate(bits, entropy_);
}

StatusCode Rsa::GenerateKeyFrom(uint32_t bits, EntropySource* random) {
  ClearKey();
  if (bits < 64 || bits > 0xffff * 32) return kInvalidArg;
  if (!random) return kInvalidArg;
  return Generate(bits, random);
}

StatusCode Rsa::Generate(uint32_t bits, EntropySource* random) {
  const uint32_t excluded[] = {kPublicExponent};
  BigNumber diff, pm1, qm1, g, t, lcm;
  StatusCode s = SetWord(e_, kPublicExponent);
  auto fail = [&](StatusCode code) {
    ClearKey();
    return code;
  };
  if (s) return fail(s);
  // p: a random start of bits/2 bits, then the search.
  if ((s = RandomStart(p_, bits / 2, random))) return fail(s);
  if (FindPrime(p_, p_, excluded, 1, random)) return fail(kNotExecuted);
  if (ModWord(p_, kPublicExponent) == 1) return fail(kNotExecuted);
  // q: a start far enough from p.
  for (;;) {
    if ((s = RandomStart(q_, (bits + 1) / 2, random))) return fail(s);
    s = Compare(q_, p_) >= 0 ? Sub(diff, q_, p_) : Sub(diff, p_, q_);
    if (s) return fail(s);
    if (int64_t(BitLength(diff)) >= int64_t(bits / 2) - 5) break;
  }
  if (FindPrime(q_, q_, excluded, 1, random)) return fail(kNotExecuted);
  if (ModWord(q_, kPublicExponent) == 1) return fail(kNotExecuted);
  if (Compare(p_, q_) > 0) Swap(p_, q_);
  // d = e^-1 mod lcm(p - 1, q - 1); u = p^-1 mod q; n = p q.
  if ((s = SubWord(pm1, p_, 1)) || (s = SubWord(qm1, q_, 1)) || (s = Gcd(g, pm1, qm1)) ||
      (s = DivMod(&t, nullptr, pm1, g)) || (s = Mul(lcm, qm1, t)) || (s = ModInverse(d_, e_, lcm)) ||
      (s = ModInverse(u_, p_, q_)) || (s = Mul(n_, p_, q_)))
    return fail(Upward(s));
  private_ = 1;
  return kOk;
}

// --- raw operations --------------------------------------------------------

StatusCode Rsa::PublicOp(const uint32_t* limbs, uint32_t count, uint32_t** out, uint32_t* outCount) {
  StatusCode s = RawArgs(limbs, count, out, outCount);
  if (s) return s;
  BigNumber x, r;
  if ((s = SetLimbs(x, limbs, int32_t(count)))) return s;
  const BigNumber* rr = nullptr;
  if ((s = Setup(rrN_, n_, &rr)) || (s = ModExp(r, x, e_, n_, rr))) return s;
  return HandOut(r, out, outCount);
}

StatusCode Rsa::PrivateOp(const uint32_t* limbs, uint32_t count, uint32_t** out, uint32_t* outCount) {
  StatusCode s = RawArgs(limbs, count, out, outCount);
  if (s) return s;
  if (!private_) return kInvalidType;
  // An imported key must hold odd primes above 1 whose product is n, or
  // the remainders below would divide by zero or mean nothing.
  if (CompareWord(p_, 1) <= 0 || CompareWord(q_, 1) <= 0 || !IsOdd(p_) || !IsOdd(q_))
    return kInvalidArg;
  BigNumber x, t, dp, dq, m1, m2, h;
  if ((s = Mul(t, p_, q_))) return s;
  if (Compare(t, n_) != 0) return kInvalidArg;
  if ((s = SetLimbs(x, limbs, int32_t(count)))) return s;
  // m1 = (x mod p)^(d mod (p - 1)) mod p, m2 likewise mod q.
  const BigNumber *rp = nullptr, *rq = nullptr;
  if ((s = Setup(rrP_, p_, &rp)) || (s = Setup(rrQ_, q_, &rq))) return s;
  if ((s = SubWord(t, p_, 1)) || (s = Mod(dp, d_, t)) || (s = SubWord(t, q_, 1)) || (s = Mod(dq, d_, t)) ||
      (s = ModExpPair(m1, x, dp, p_, rp, m2, x, dq, q_, rq)))
    return s;
  // h = u (m2 - m1) mod q, in 0 to q - 1; m = m1 + p h.
  if ((s = Mod(t, m1, q_))) return s;
  if (Compare(m2, t) >= 0) {
    s = Sub(h, m2, t);
  } else if (!(s = Add(h, m2, q_))) {
    s = Sub(h, h, t);
  }
  if (s || (s = Mul(t, u_, h)) || (s = Mod(h, t, q_)) || (s = Mul(t, p_, h)) || (s = Add(t, t, m1)))
    return s;
  return HandOut(t, out, outCount);
}

StatusCode Rsa::PrivateDecrypt(const uint32_t* limbs, uint32_t count, uint32_t** out, uint32_t* outCount) {
  return PrivateOp(limbs, count, out, outCount);
}
StatusCode Rsa::PrivateEncrypt(const uint32_t* limbs, uint32_t count, uint32_t** out, uint32_t* outCount) {
  return PrivateOp(limbs, count, out, outCount);
}
StatusCode Rsa::PublicEncrypt(const uint32_t* limbs, uint32_t count, uint32_t** out, uint32_t* outCount) {
  return PublicOp(limbs, count, out, outCount);
}
StatusCode Rsa::PublicDecrypt(const uint32_t* limbs, uint32_t count, uint32_t** out, uint32_t* outCount) {
  return PublicOp(limbs, count, out, outCount);
}

// --- blobs -----------------------------------------------------------------

StatusCode Rsa::Export(uint8_t** blob, uint32_t* size, int numbers) {
  if (!blob || !size) return kInvalidArg;
  if (*blob) {
    zk_free(*blob);
    *blob = nullptr;
  }
  *size = 0;
  uint64_t total = 0;
  for (int i = 0; i < numbers; ++i) {
    // Imported numbers keep their stored counts, so blobs round-trip.
    if (numbers_[i]->count > 0xffff) return kInvalidArg;
    total += 2 + 4 * uint64_t(numbers_[i]->count);
  }
  if (total > 0x7fffffff) return kNoMemory;
  auto* out = static_cast<uint8_t*>(zk_malloc(int32_t(total)));
  if (!out) return kNoMemory;
  uint8_t* w = out;
  for (int i = 0; i < numbers; ++i) {
    const BigNumber& b = *numbers_[i];
    uint32_t c = uint32_t(b.count);
    *w++ = uint8_t(c);
    *w++ = uint8_t(c >> 8);
    for (uint32_t k = 0; k < c; ++k) {
      uint32_t v = b.limbs[k];
      *w++ = uint8_t(v);
      *w++ = uint8_t(v >> 8);
      *w++ = uint8_t(v >> 16);
      *w++ = uint8_t(v >> 24);
    }
  }
  *blob = out;
  *size = uint32_t(total);
  return kOk;
}

StatusCode Rsa::ExportPrivateKey(uint8_t** blob, uint32_t* size) {
  if (!blob || !size) return kInvalidArg;
  if (!private_) {
    *size = 0;
    return kInvalidType;
  }
  return Export(blob, size, 6);
}

StatusCode Rsa::ExportPublicKey(uint8_t** blob, uint32_t* size) { return Export(blob, size, 2); }

StatusCode Rsa::Import(const uint8_t* blob, uint32_t size, int numbers) {
  ClearKey();
  if (!blob || size == 0) return kInvalidArg;
  uint32_t pos = 0;
  for (int i = 0; i < numbers; ++i) {
    if (size - pos < 2) {
      ClearKey();
      return kInvalidArg;
    }
    uint32_t c = uint32_t(blob[pos]) | uint32_t(blob[pos + 1]) << 8;
    pos += 2;
    if (uint64_t(size - pos) < 4 * uint64_t(c)) {
      ClearKey();
      return kInvalidArg;
    }
    BigNumber& b = *numbers_[i];
    if (Reserve(b, int32_t(c))) {
      ClearKey();
      return kNoMemory;
    }
    for (uint32_t k = 0; k < c; ++k, pos += 4)
      b.limbs[k] = uint32_t(blob[pos]) | uint32_t(blob[pos + 1]) << 8 | uint32_t(blob[pos + 2]) << 16 |
                   uint32_t(blob[pos + 3]) << 24;
    b.count = int32_t(c);
  }
  return kOk;
}

StatusCode Rsa::ImportPrivateKey(const uint8_t* blob, uint32_t size) {
  StatusCode s = Import(blob, size, 6);
  if (s == kOk) private_ = 1;
  return s;
}

StatusCode Rsa::ImportPublicKey(const uint8_t* blob, uint32_t size) { return Import(blob, size, 2); }

// --- parts record ----------------------------------------------------------

namespace {
RsaKeyPart RsaKeyParts::*const kParts[6] = {&RsaKeyParts::n, &RsaKeyParts::e, &RsaKeyParts::d,
                                            &RsaKeyParts::p, &RsaKeyParts::q, &RsaKeyParts::u};
}

StatusCode Rsa::SetKeyParts(const RsaKeyParts* parts) {
  if (!parts) return kInvalidArg;
  ClearKey();
  int numbers = parts->kind == kRsaPrivateKey ? 6 : 2;
  for (int i = 0; i < numbers; ++i) {
    const RsaKeyPart& part = parts->*kParts[i];
    uint32_t len = part.byteLength;
    if (len && !part.data) {
      ClearKey();
      return kInvalidArg;
    }
    int32_t c = int32_t((len + 3) / 4);
    BigNumber& b = *numbers_[i];
    if (Reserve(b, c)) {
      ClearKey();
      return kNoMemory;
    }
    for (uint32_t k = 0; k < len; ++k) b.limbs[k / 4] |= uint32_t(part.data[k]) << (8 * (k % 4));
    b.count = c;
  }
  private_ = numbers == 6;
  return kOk;
}

StatusCode Rsa::GetKeyParts(RsaKeyParts* parts) {
  if (!parts) return kInvalidArg;
  for (auto member : kParts) {
    RsaKeyPart& part = parts->*member;
    zk_free(part.data);
    part = RsaKeyPart{nullptr, 0, 0, 0};
  }
  zk_free(parts->userId);
  parts->userId = nullptr;
  parts->kind = private_ ? kRsaPrivateKey : kRsaPublicKey;
  int numbers = private_ ? 6 : 2;
  for (int i = 0; i < numbers; ++i) {
    const BigNumber& b = *numbers_[i];
    RsaKeyPart& part = parts->*kParts[i];
    if (b.count > 0x3fff) return kInvalidArg;
    auto* data = static_cast<uint8_t*>(zk_malloc(b.count ? b.count * 4 : 4));
    if (!data) return kNoMemory;
    for (int32_t k = 0; k < b.count; ++k)
      for (int j = 0; j < 4; ++j) data[4 * k + j] = uint8_t(b.limbs[k] >> (8 * j));
    part.data = data;
    part.byteLength = uint16_t(b.count * 4);
    part.bitLength = BitLength(b);
    part.reserved = 0;
  }
  return kOk;
}

ZK_REGISTER_CLASS(Rsa)

}  // namespace zk::cipher
