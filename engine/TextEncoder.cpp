// kiv.CTextEncoder. A block is a masked outer prefix (content type 16),
// then, encrypted in cipher feedback from an all-zero register, a 10-byte
// inner header, the text's digest and the text (coded by arc.Lzpxj when
// longer than 64 bytes); the whole block is armoured as Radix-64 text.
#include "TextEncoder.h"

#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "ByteOrder.h"
#include "EngineCommon.h"
#include "EngineTables.h"
#include "MemoryStreams.h"
#include "ToolkitObject.h"
#include "Wipe.h"
#include "zk5Arc.h"
#include "zk5BlockCipher.h"
#include "zk5Cipher.h"

namespace zk::engine {

namespace {

constexpr uint32_t kInnerHeaderSize = 10;
constexpr uint32_t kStoredLimit = 64;  // longer texts are compressed
constexpr uint32_t kMaxDigest = 32;


// Wipes a working copy of plain text when the call ends.
struct WipedString {
  std::string s;
  ~WipedString() { Wipe(s.data(), s.size()); }
};

// The block cipher of the (lenient) index keyed with the password, inside a
// cipher.Cipher in cipher feedback with no iv.
StatusCode MakeCipher(int32_t cipherIndex, const char* password, ICipher** out) {
  Held<IBlockCipher> block;
  StatusCode st = MakeBlockCipher(cipherIndex, &block.p);
  if (st != kOk) return st;
  Held<IPassword> keying;
  st = CreateFace(id::CipherSetPassword, id::CryptoIPassword, &keying.p);
  if (st != kOk) return st;
  st = keying->SetPassword(block.p, password, uint32_t(std::strlen(password)));
  if (st != kOk) return st;
  Held<ICipher> cipher;
  st = CreateFace(id::CipherCipher, id::CryptoICipher, &cipher.p);
  if (st != kOk) return st;
  st = cipher->SetBlockCipher(block.p, kModeCFB, nullptr, 0);
  if (st != kOk) return st;
  *out = cipher.p;
  cipher.p = nullptr;
  return kOk;
}

StatusCode Digest(int32_t hashIndex, const std::string& text, uint8_t* out, uint32_t* size) {
  Held<IHash> hash;
  StatusCode st = MakeHash(hashIndex, &hash.p);
  if (st != kOk) return st;
  *size = hash->GetDigestSize();
  if (*size > kMaxDigest) return kInvalidFormat;
  st = hash->Init();
  if (st == kOk && !text.empty()) st = hash->Update(text.data(), uint32_t(text.size()));
  if (st == kOk) st = hash->Final(out, kMaxDigest);
  return st;
}

StatusCode MakeCoder(IArc** out) {
  StatusCode st = CreateFace(id::ArcLzpxj, id::ArcIArc, out);
  if (st == kOk) st = (*out)->Init(0);
  return st;
}

// Runs arc.Lzpxj over in (encoding it, or decoding count bytes of it) into
// out, which receives at most limit bytes; in is left as it was, and no
// other copy of the bytes stays behind.
StatusCode RunCoder(bool encode, std::string& in, uint32_t count, uint64_t limit,
                    std::string& out) {
  Held<IArc> coder;
  StatusCode st = MakeCoder(&coder.p);
  if (st != kOk) return st;
  Held<ByteSource> source;
  Held<ByteSink> sink;
  source.p = ByteSource::Create();
  sink.p = ByteSink::Create();
  if (!source.p || !sink.p) return kNoMemory;
  sink.p->limit = limit;
  source.p->data.swap(in);
  st = encode ? coder->Encode(source.p, sink.p, nullptr, count)
              : coder->Decode(count, source.p, sink.p, nullptr);
  source.p->data.swap(in);
  out.swap(sink.p->data);
  Wipe(sink.p->data.data(), sink.p->data.size());
  return st;
}

// An opgp.Radix64 stream over the given one.
StatusCode MakeRadix64(IStream* over, IStream** out) {
  Held<IStream> radix;
  StatusCode st = CreateFace(id::OpgpRadix64, id::StreamIStream, &radix.p);
  if (st != kOk) return st;
  Held<IStreamProcessor> attach;
  if ((st = radix->QueryInterface(id::StreamIStreamProcessor, reinterpret_cast<void**>(&attach.p))))
    return st;
  if ((st = attach->SetStream(over))) return st;
  *out = radix.p;
  radix.p = nullptr;
  return kOk;
}

}  // namespace

class CTextEncoder final : public ToolkitObject<CTextEncoder, ITextEncoder> {
 public:
  static constexpr const char* kClassId = id::KivCTextEncoder;
  static constexpr InterfaceSlot kInterfaces[] = {{id::KivITextEncoder, 0}};

  ~CTextEncoder() {
    ReleaseAndNull(params_);
    ReleaseAndNull(crc_);
  }

  StatusCode Init(IAppParam* params) {
    if (params) {
      params->AddRef();
      params_ = params;
    }
    return CreateFace(id::CRCStdCRC, id::CryptoICRC, &crc_);
  }

  StatusCode EncodeText(const char* text, const char* password, char** out) override {
    return Call(&CTextEncoder::Encode, text, password, out);
  }

  StatusCode DecodeText(const char* armoured, const char* password, char** out) override {
    return Call(&CTextEncoder::Decode, armoured, password, out);
  }

 private:
  // The checks and the freeing of the old out that both operations share.
  StatusCode Call(StatusCode (CTextEncoder::*operation)(const char*, const char*, char**),
                  const char* text, const char* password, char** out) {
    if (!text || !password || !out) return kInvalidArg;
    zk_free(*out);
    *out = nullptr;
    return Guard([&] { return (this->*operation)(text, password, out); });
  }

  StatusCode Encode(const char* text, const char* password, char** out) {
    int32_t cipherIndex = kCipherBlowfish, hashIndex = kHashSHA32;
    if (params_) {
      if (StatusCode st = params_->GetInt("cipher", &cipherIndex)) return st;
      if (StatusCode st = params_->GetInt("hash", &hashIndex)) return st;
    }
    cipherIndex = LenientCipherIndex(cipherIndex);
    hashIndex = LenientHashIndex(hashIndex);
    size_t length = std::strlen(text);
    if (length > UINT32_MAX - 1024) return kTooMuch;
    WipedString plain;
    plain.s.assign(text, length);
    const bool compressed = length > kStoredLimit;

    // Inner header and digest.
    WipedString body;
    body.s.resize(kInnerHeaderSize + kMaxDigest);
    uint8_t* header = reinterpret_cast<uint8_t*>(body.s.data());
    header[0] = uint8_t(hashIndex);
    header[1] = compressed ? 1 : 0;
    StoreLE32(header + 2, uint32_t(length));
    header[6] = 'K';
    header[7] = 'V';
    StoreLE16(header + 8, uint16_t(crc_->Crc16(0, header, 8)));
    uint32_t digestSize = 0;
    StatusCode st = Digest(hashIndex, plain.s, header + kInnerHeaderSize, &digestSize);
    if (st != kOk) return st;
    body.s.resize(kInnerHeaderSize + digestSize);

    // The text, as it is or coded.
    if (compressed) {
      WipedString coded;
      if ((st = RunCoder(true, plain.s, uint32_t(length), UINT64_MAX, coded.s))) return st;
      if (coded.s.size() > UINT32_MAX - body.s.size()) return kTooMuch;
      body.s += coded.s;
    } else {
      body.s += plain.s;
    }

    Held<ICipher> cipher;
    if ((st = MakeCipher(cipherIndex, password, &cipher.p))) return st;
    if ((st = cipher->Encrypt(body.s.data(), uint32_t(body.s.size())))) return st;

    uint8_t prefix[kPrefixSize];
    BuildMaskedPrefix(crc_, uint16_t(Now() & 0xFFFF), 1, uint8_t(cipherIndex), kContentText, 0,
                      prefix);

    // Armour.
    Held<ByteSink> armour;
    armour.p = ByteSink::Create();
    if (!armour.p) return kNoMemory;
    Held<IStream> radix;
    if ((st = MakeRadix64(armour.p, &radix.p))) return st;
    st = radix->Write(prefix, kPrefixSize);
    if (st == kOk) st = radix->Write(body.s.data(), uint32_t(body.s.size()));
    StatusCode closed = radix->Close();
    if (st == kOk) st = closed;
    if (st != kOk) return st;
    return PutString(out, armour.p->data);
  }

  StatusCode Decode(const char* armoured, const char* password, char** out) {
    // Radix-64 text to bytes.
    WipedString block;
    {
      Held<ByteSource> source;
      source.p = ByteSource::Create();
      if (!source.p) return kNoMemory;
      source.p->data.assign(armoured);
      Held<IStream> radix;
      StatusCode st = MakeRadix64(source.p, &radix.p);
      if (st != kOk) return st;
      char piece[4096];
      for (;;) {
        uint32_t got = 0;
        if ((st = radix->Read(piece, sizeof piece, &got))) return st;
        if (got == 0) break;
        block.s.append(piece, got);
      }
      Wipe(piece, sizeof piece);
    }

    // Outer prefix.
    if (block.s.size() < kPrefixSize) return kInvalidFormat;
    uint8_t prefix[kPrefixSize];
    UnmaskPrefix(reinterpret_cast<const uint8_t*>(block.s.data()), prefix);
    if (!PrefixMagicOk(prefix)) return kInvalidFormat;
    if (prefix[4] > 1) return kBadVersion;
    if (!PrefixCrcOk(crc_, prefix)) return kHeaderCheck;

    // Everything after the prefix is one cipher-feedback text.
    uint8_t* body = reinterpret_cast<uint8_t*>(block.s.data()) + kPrefixSize;
    const uint64_t bodySize = block.s.size() - kPrefixSize;
    Held<ICipher> cipher;
    StatusCode st = MakeCipher(LenientCipherIndex(prefix[5]), password, &cipher.p);
    if (st != kOk) return st;
    if (bodySize > UINT32_MAX) return kTooMuch;
    if ((st = cipher->Decrypt(body, uint32_t(bodySize)))) return st;

    if (bodySize < kInnerHeaderSize) return kInvalidFormat;
    const uint8_t* header = body;
    if (header[6] != 'K' || header[7] != 'V' ||
        uint16_t(crc_->Crc16(0, header, 8)) != LoadLE16(header + 8))
      return kAccessDenied;
    const int32_t hashIndex = LenientHashIndex(header[0]);
    const bool compressed = header[1] != 0;
    const uint64_t length = LoadLE32(header + 2);
    // The text is handed out in one runtime block, so it stays below 2 GiB.
    if (length >= uint64_t(INT32_MAX)) return kNoMemory;
    Held<IHash> hash;
    if ((st = MakeHash(hashIndex, &hash.p))) return st;
    const uint64_t digestSize = hash->GetDigestSize();
    if (digestSize > kMaxDigest) return kInvalidFormat;
    if (bodySize - kInnerHeaderSize < digestSize) return kInvalidFormat;
    const uint8_t* stored = body + kInnerHeaderSize;
    const char* text = reinterpret_cast<const char*>(stored + digestSize);
    const uint64_t textBytes = bodySize - kInnerHeaderSize - digestSize;

    WipedString plain;
    if (compressed) {
      // Decoded to at most the stored length.
      WipedString packed;
      packed.s.assign(text, textBytes);
      if ((st = RunCoder(false, packed.s, uint32_t(length), length, plain.s))) return st;
      if (plain.s.size() != length) return kNotExecuted;
    } else {
      if (textBytes < length) return kNotExecuted;
      plain.s.assign(text, length);
    }

    uint8_t digest[kMaxDigest] = {};
    uint32_t size = 0;
    if ((st = Digest(hashIndex, plain.s, digest, &size))) return st;
    if (std::memcmp(digest, stored, size) != 0) return kDigestMismatch;
    return PutString(out, plain.s);
  }

  IAppParam* params_ = nullptr;
  ICRC* crc_ = nullptr;
};

StatusCode MakeTextEncoder(IAppParam* params, ITextEncoder** out) {
  if (!out) return kInvalidArg;
  *out = nullptr;
  CTextEncoder* encoder = CTextEncoder::Create();
  if (!encoder) return kNoMemory;
  StatusCode st = encoder->Init(params);
  if (st != kOk) {
    encoder->Release();
    return st;
  }
  *out = encoder;
  return kOk;
}

}  // namespace zk::engine
