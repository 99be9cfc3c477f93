// hash.MD5: the MD5 compression function and padding of RFC 1321 with the
// sixteen message words of every block read big-endian (padding and the
// two length words included; word 14 holds the low and word 15 the high
// half of the bit count). The digest is A, B, C, D little-endian as in
// RFC 1321. Keys and signatures depend on these bytes, so the word order
// stays although it matches no published MD5 value.
#include "Digest64.h"

namespace zk::cipher {
namespace {

#define ZK_MD5_STEP(f, a, b, c, d, k, s, t) \
  a += f(b, c, d) + x[k] + t;               \
  a = Rotl32(a, s) + b

inline uint32_t Md5F(uint32_t b, uint32_t c, uint32_t d) { return d ^ (b & (c ^ d)); }
inline uint32_t Md5G(uint32_t b, uint32_t c, uint32_t d) { return c ^ (d & (b ^ c)); }
inline uint32_t Md5H(uint32_t b, uint32_t c, uint32_t d) { return b ^ c ^ d; }
inline uint32_t Md5I(uint32_t b, uint32_t c, uint32_t d) { return c ^ (b | ~d); }

constexpr DigestShape kMd5Shape{.chainWords = 4, .digestSize = 16, .nullDataFails = false};

class Md5 final : public Digest64<Md5, kMd5Shape> {
 public:
  static constexpr const char* kClassId = id::HashMD5;

  static void Reset(uint32_t* h) {
    h[0] = 0x67452301;
    h[1] = 0xefcdab89;
    h[2] = 0x98badcfe;
    h[3] = 0x10325476;
  }

  static void StoreBitCount(uint8_t* p, uint64_t bits) {
    StoreBE32(p, uint32_t(bits));
    StoreBE32(p + 4, uint32_t(bits >> 32));
  }

  static void Output(const uint32_t* h, uint8_t* out) {
    for (int i = 0; i < 4; ++i) StoreLE32(out + 4 * i, h[i]);
  }

  static void Compress(uint32_t* h, const uint8_t* p, size_t blocks) {
    uint32_t x[16];
    for (; blocks; --blocks, p += 64) {
      for (int i = 0; i < 16; ++i) x[i] = LoadBE32(p + 4 * i);
      uint32_t a = h[0], b = h[1], c = h[2], d = h[3];

      ZK_MD5_STEP(Md5F, a, b, c, d, 0, 7, 0xd76aa478);
      ZK_MD5_STEP(Md5F, d, a, b, c, 1, 12, 0xe8c7b756);
      ZK_MD5_STEP(Md5F, c, d, a, b, 2, 17, 0x242070db);
      ZK_MD5_STEP(Md5F, b, c, d, a, 3, 22, 0xc1bdceee);
      ZK_MD5_STEP(Md5F, a, b, c, d, 4, 7, 0xf57c0faf);
      ZK_MD5_STEP(Md5F, d, a, b, c, 5, 12, 0x4787c62a);
      ZK_MD5_STEP(Md5F, c, d, a, b, 6, 17, 0xa8304613);
      ZK_MD5_STEP(Md5F, b, c, d, a, 7, 22, 0xfd469501);
      ZK_MD5_STEP(Md5F, a, b, c, d, 8, 7, 0x698098d8);
      ZK_MD5_STEP(Md5F, d, a, b, c, 9, 12, 0x8b44f7af);
      ZK_MD5_STEP(Md5F, c, d, a, b, 10, 17, 0xffff5bb1);
      ZK_MD5_STEP(Md5F, b, c, d, a, 11, 22, 0x895cd7be);
      ZK_MD5_STEP(Md5F, a, b, c, d, 12, 7, 0x6b901122);
      ZK_MD5_STEP(Md5F, d, a, b, c, 13, 12, 0xfd987193);
      ZK_MD5_STEP(Md5F, c, d, a, b, 14, 17, 0xa679438e);
      ZK_MD5_STEP(Md5F, b, c, d, a, 15, 22, 0x49b40821);

      ZK_MD5_STEP(Md5G, a, b, c, d, 1, 5, 0xf61e2562);
      ZK_MD5_STEP(Md5G, d, a, b, c, 6, 9, 0xc040b340);
      ZK_MD5_STEP(Md5G, c, d, a, b, 11, 14, 0x265e5a51);
      ZK_MD5_STEP(Md5G, b, c, d, a, 0, 20, 0xe9b6c7aa);
      ZK_MD5_STEP(Md5G, a, b, c, d, 5, 5, 0xd62f105d);
      ZK_MD5_STEP(Md5G, d, a, b, c, 10, 9, 0x02441453);
      ZK_MD5_STEP(Md5G, c, d, a, b, 15, 14, 0xd8a1e681);
      ZK_MD5_STEP(Md5G, b, c, d, a, 4, 20, 0xe7d3fbc8);
      ZK_MD5_STEP(Md5G, a, b, c, d, 9, 5, 0x21e1cde6);
      ZK_MD5_STEP(Md5G, d, a, b, c, 14, 9, 0xc33707d6);
      ZK_MD5_STEP(Md5G, c, d, a, b, 3, 14, 0xf4d50d87);
      ZK_MD5_STEP(Md5G, b, c, d, a, 8, 20, 0x455a14ed);
      ZK_MD5_STEP(Md5G, a, b, c, d, 13, 5, 0xa9e3e905);
      ZK_MD5_STEP(Md5G, d, a, b, c, 2, 9, 0xfcefa3f8);
      ZK_MD5_STEP(Md5G, c, d, a, b, 7, 14, 0x676f02d9);
      ZK_MD5_STEP(Md5G, b, c, d, a, 12, 20, 0x8d2a4c8a);

      ZK_MD5_STEP(Md5H, a, b, c, d, 5, 4, 0xfffa3942);
      ZK_MD5_STEP(Md5H, d, a, b, c, 8, 11, 0x8771f681);
      ZK_MD5_STEP(Md5H, c, d, a, b, 11, 16, 0x6d9d6122);
      ZK_MD5_STEP(Md5H, b, c, d, a, 14, 23, 0xfde5380c);
      ZK_MD5_STEP(Md5H, a, b, c, d, 1, 4, 0xa4beea44);
      ZK_MD5_STEP(Md5H, d, a, b, c, 4, 11, 0x4bdecfa9);
      ZK_MD5_STEP(Md5H, c, d, a, b, 7, 16, 0xf6bb4b60);
      ZK_MD5_STEP(Md5H, b, c, d, a, 10, 23, 0xbebfbc70);
      ZK_MD5_STEP(Md5H, a, b, c, d, 13, 4, 0x289b7ec6);
      ZK_MD5_STEP(Md5H, d, a, b, c, 0, 11, 0xeaa127fa);
      ZK_MD5_STEP(Md5H, c, d, a, b, 3, 16, 0xd4ef3085);
      ZK_MD5_STEP(Md5H, b, c, d, a, 6, 23, 0x04881d05);
      ZK_MD5_STEP(Md5H, a, b, c, d, 9, 4, 0xd9d4d039);
      ZK_MD5_STEP(Md5H, d, a, b, c, 12, 11, 0xe6db99e5);
      ZK_MD5_STEP(Md5H, c, d, a, b, 15, 16, 0x1fa27cf8);
      ZK_MD5_STEP(Md5H, b, c, d, a, 2, 23, 0xc4ac5665);

      ZK_MD5_STEP(Md5I, a, b, c, d, 0, 6, 0xf4292244);
      ZK_MD5_STEP(Md5I, d, a, b, c, 7, 10, 0x432aff97);
      ZK_MD5_STEP(Md5I, c, d, a, b, 14, 15, 0xab9423a7);
      ZK_MD5_STEP(Md5I, b, c, d, a, 5, 21, 0xfc93a039);
      ZK_MD5_STEP(Md5I, a, b, c, d, 12, 6, 0x655b59c3);
      ZK_MD5_STEP(Md5I, d, a, b, c, 3, 10, 0x8f0ccc92);
      ZK_MD5_STEP(Md5I, c, d, a, b, 10, 15, 0xffeff47d);
      ZK_MD5_STEP(Md5I, b, c, d, a, 1, 21, 0x85845dd1);
      ZK_MD5_STEP(Md5I, a, b, c, d, 8, 6, 0x6fa87e4f);
      ZK_MD5_STEP(Md5I, d, a, b, c, 15, 10, 0xfe2ce6e0);
      ZK_MD5_STEP(Md5I, c, d, a, b, 6, 15, 0xa3014314);
      ZK_MD5_STEP(Md5I, b, c, d, a, 13, 21, 0x4e0811a1);
      ZK_MD5_STEP(Md5I, a, b, c, d, 4, 6, 0xf7537e82);
      ZK_MD5_STEP(Md5I, d, a, b, c, 11, 10, 0xbd3af235);
      ZK_MD5_STEP(Md5I, c, d, a, b, 2, 15, 0x2ad7d2bb);
      ZK_MD5_STEP(Md5I, b, c, d, a, 9, 21, 0xeb86d391);

      h[0] += a;
      h[1] += b;
      h[2] += c;
      h[3] += d;
    }
    Wipe(x, sizeof x);
  }
};

#undef ZK_MD5_STEP

}  // namespace
}  // namespace zk::cipher

using Md5Hash = zk::cipher::Md5;
ZK_REGISTER_CLASS(Md5Hash)
