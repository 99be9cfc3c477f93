// kiv.Keys: the raw RSA operations of the key pairs (kiv.IKeyOperations).
#include "Keys.h"

namespace zk::engine {

StatusCode Keys::RunOperation(RsaOp op, uint32_t keyIndex, const uint32_t* in, uint32_t inCount,
                              uint32_t** out, uint32_t* outCount) {
  if (outCount) *outCount = 0;
  if (!in || inCount == 0 || !out || !outCount) return zk::kInvalidArg;
  if (*out) {
    zk_free(*out);
    *out = nullptr;
  }
  if (keyIndex >= pairs_.size()) return zk::kInvalidArg;
  const PairRecord& pair = pairs_[keyIndex];
  Held<zk::IAsymmetrical> rsa;
  StatusCode st = CreateFace(zk::id::CipherRSA, zk::id::CryptoIAsymmetrical, &rsa);
  if (st != zk::kOk) return st;
  const bool privateKey = op == RsaOp::kPrivateDecrypt || op == RsaOp::kPrivateEncrypt;
  st = privateKey ? rsa->ImportPrivateKey(pair.Blob(), pair.BlobLength())
                  : rsa->ImportPublicKey(pair.Blob(), pair.BlobLength());
  if (st != zk::kOk) return st;
  switch (op) {
    case RsaOp::kPrivateDecrypt: return rsa->PrivateDecrypt(in, inCount, out, outCount);
    case RsaOp::kPublicDecrypt: return rsa->PublicDecrypt(in, inCount, out, outCount);
    case RsaOp::kPublicEncrypt: return rsa->PublicEncrypt(in, inCount, out, outCount);
    case RsaOp::kPrivateEncrypt: return rsa->PrivateEncrypt(in, inCount, out, outCount);
  }
  return zk::kInvalidArg;
}

StatusCode Keys::PrivateDecrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount, uint32_t** out,
                                uint32_t* outCount) {
  return RunOperation(RsaOp::kPrivateDecrypt, keyIndex, in, inCount, out, outCount);
}
StatusCode Keys::PublicDecrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount, uint32_t** out,
                               uint32_t* outCount) {
  return RunOperation(RsaOp::kPublicDecrypt, keyIndex, in, inCount, out, outCount);
}
StatusCode Keys::PublicEncrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount, uint32_t** out,
                               uint32_t* outCount) {
  return RunOperation(RsaOp::kPublicEncrypt, keyIndex, in, inCount, out, outCount);
}
StatusCode Keys::PrivateEncrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount, uint32_t** out,
                                uint32_t* outCount) {
  return RunOperation(RsaOp::kPrivateEncrypt, keyIndex, in, inCount, out, outCount);
}

}  // namespace zk::engine
