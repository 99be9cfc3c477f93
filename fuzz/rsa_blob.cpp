// Key blobs from outside: import must refuse malformed blobs with -2, and
// an accepted blob exports the bytes it was read from; raw operations on
// small hostile keys must not crash.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "Rsa.h"
#include "zk5main.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  zk::cipher::Rsa* rsa = zk::cipher::Rsa::Create();
  if (!rsa) return 0;
  bool priv = data[0] & 1;
  const uint8_t* blob = data + 1;
  uint32_t n = uint32_t(size - 1);
  StatusCode s = priv ? rsa->ImportPrivateKey(blob, n) : rsa->ImportPublicKey(blob, n);
  if (s == zk::kOk) {
    uint8_t* out = nullptr;
    uint32_t outSize = 0;
    s = priv ? rsa->ExportPrivateKey(&out, &outSize) : rsa->ExportPublicKey(&out, &outSize);
    if (s != zk::kOk || outSize > n || std::memcmp(out, blob, outSize) != 0) std::abort();
    zk_free(out);
    // Exponentiations stay cheap for keys of a few limbs.
    bool small = true;
    for (int i = 0; i < 6; ++i) small = small && rsa->Number(i).count <= 8;
    if (small) {
      uint32_t x[2] = {0x12345678u, 3};
      uint32_t* r = nullptr;
      uint32_t count = 0;
      if (priv) rsa->PrivateDecrypt(x, 2, &r, &count);
      rsa->PublicEncrypt(x, 2, &r, &count);
      zk_free(r);
    }
  } else if (s != zk::kInvalidArg) {
    std::abort();
  }
  rsa->Release();
  return 0;
}
