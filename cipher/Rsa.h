// cipher.RSA: one RSA key (public, or public and private) and its blobs.
#pragma once
#include "BigNum.h"
#include "Prime.h"
#include "ToolkitObject.h"
#include "zk5Rsa.h"

namespace zk::cipher {

class Rsa final : public ToolkitObject<Rsa, IAsymmetrical> {
 public:
  static constexpr const char* kClassId = id::CipherRSA;
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoIAsymmetrical, 0}};

  StatusCode GenerateKey(uint32_t bits) override;
  StatusCode ExportPrivateKey(uint8_t** blob, uint32_t* size) override;
  StatusCode ExportPublicKey(uint8_t** blob, uint32_t* size) override;
  StatusCode PrivateDecrypt(const uint32_t* limbs, uint32_t count, uint32_t** out,
                            uint32_t* outCount) override;
  StatusCode PrivateEncrypt(const uint32_t* limbs, uint32_t count, uint32_t** out,
                            uint32_t* outCount) override;
  StatusCode PublicEncrypt(const uint32_t* limbs, uint32_t count, uint32_t** out,
                           uint32_t* outCount) override;
  StatusCode PublicDecrypt(const uint32_t* limbs, uint32_t count, uint32_t** out,
                           uint32_t* outCount) override;
  StatusCode ImportPrivateKey(const uint8_t* blob, uint32_t size) override;
  StatusCode ImportPublicKey(const uint8_t* blob, uint32_t size) override;
  StatusCode SetKeyParts(const RsaKeyParts* parts) override;
  StatusCode GetKeyParts(RsaKeyParts* parts) override;

  // Key generation from a given random source (GenerateKey makes its own).
  StatusCode GenerateKeyFrom(uint32_t bits, bn::EntropySource* random);

  // The six numbers in blob order n, e, d, p, q, u (for tests).
  const bn::BigNumber& Number(int i) const { return *numbers_[i]; }
  bool HasPrivate() const { return private_ != 0; }

  ~Rsa();

 private:
  void ClearKey();
  StatusCode Import(const uint8_t* blob, uint32_t size, int numbers);
  StatusCode Export(uint8_t** blob, uint32_t* size, int numbers);
  StatusCode PrivateOp(const uint32_t* limbs, uint32_t count, uint32_t** out, uint32_t* outCount);
  StatusCode PublicOp(const uint32_t* limbs, uint32_t count, uint32_t** out, uint32_t* outCount);
  StatusCode Generate(uint32_t bits, bn::EntropySource* random);

  uint8_t private_ = 0;
  bn::BigNumber n_, e_, d_, p_, q_, u_;
  bn::BigNumber* const numbers_[6] = {&n_, &e_, &d_, &p_, &q_, &u_};
  bn::EntropySource* entropy_ = nullptr;
  // Exponentiation setups for n, p and q, made on first use after a key change.
  bn::BigNumber rrN_, rrP_, rrQ_;
  StatusCode Setup(bn::BigNumber& rr, const bn::BigNumber& m, const bn::BigNumber** out);
};

}  // namespace zk::cipher
