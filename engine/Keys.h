// kiv.Keys: the user's key storage (key pairs and other people's public
// keys, each list kept in owner order), its encrypted storage file, key
// files, the raw RSA operations of the key pairs and file signatures.
#pragma once
#include <cstdint>
#include <new>
#include <vector>

#include "kvSafeDriver.h"
#include "zk5BlockCipher.h"
#include "zk5Cipher.h"
#include "ToolkitObject.h"
#include "Wipe.h"
#include "KeyFormat.h"
#include "KeysCommon.h"

namespace zk::engine {

// An allocator that zeroes what it gives back: key records hold private
// numbers in plain.
template <class T>
struct WipingAllocator {
  using value_type = T;
  WipingAllocator() = default;
  template <class U>
  WipingAllocator(const WipingAllocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T))); }
  void deallocate(T* p, size_t n) {
    zk::Wipe(p, n * sizeof(T));
    ::operator delete(p);
  }
  template <class U>
  bool operator==(const WipingAllocator<U>&) const { return true; }
};

template <class Record>
using RecordList = std::vector<Record, WipingAllocator<Record>>;

class Keys final
    : public zk::ToolkitObject<Keys, zk::IKeysCtrl, zk::IKeyOperations, zk::IKeySign> {
 public:
  static constexpr const char* kClassId = zk::id::KivKeys;
  static constexpr zk::InterfaceSlot kInterfaces[] = {
      {zk::id::KivIKeysCtrl, 0}, {zk::id::KivIKeyOperations, 1}, {zk::id::KivIKeySign, 2}};

  // Makes the object for a storage path and its service objects.
  static StatusCode Make(const char* storagePath, Keys** out);
  ~Keys();

  // kiv.IKeysCtrl
  uint32_t GetPrivateKeyCount() override;
  uint32_t GetPublicKeyCount() override;
  StatusCode ChangePassword(const char* password) override;
  StatusCode StorageExists() override;
  StatusCode DeletePrivateKey(uint32_t index) override;
  StatusCode DeletePublicKey(uint32_t index) override;
  StatusCode GenerateKeyPair(const zk::KeyOwner* owner, int32_t bits) override;
  StatusCode GetPrivateKeyInfo(uint32_t index, zk::KeyInfo* info) override;
  StatusCode GetPublicKeyInfo(uint32_t index, zk::KeyInfo* info) override;
  StatusCode ImportKeys(const char* path, const char* password) override;
  StatusCode Open(const char* password) override;
  StatusCode Save() override;
  StatusCode ExportPrivateKey(const char* path, const char* password, uint32_t index) override;
  StatusCode ExportPublicKey(const char* path, uint32_t index) override;
  StatusCode GetPublicKeyBlob(void* blob, int32_t isPair, uint32_t index, uint32_t* lengthOut) override;
  StatusCode ExportPublicPart(const char* path, uint32_t index) override;
  StatusCode GetSelectedKeyInfo(int32_t* isPairOut, zk::KeyInfo* info) override;
  StatusCode GetPgpKeyInfo(const char* path, int32_t* isPrivateOut, int32_t* bitsOut, char** userIdOut,
                           zk::PgpCalendarTime* createdOut, zk::PgpCalendarTime* secondOut) override;
  StatusCode ImportPgpKey(const char* path, const char* passphrase, const zk::KeyOwner* owner) override;
  StatusCode ExportPgpPublicKey(const char* path, int32_t isPair, uint32_t index) override;
  StatusCode ExportPgpPrivateKey(const char* path, const char* passphrase, uint32_t index) override;

  // kiv.IKeyOperations
  StatusCode PrivateDecrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount, uint32_t** out,
                            uint32_t* outCount) override;
  StatusCode PublicDecrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount, uint32_t** out,
                           uint32_t* outCount) override;
  StatusCode PublicEncrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount, uint32_t** out,
                           uint32_t* outCount) override;
  StatusCode PrivateEncrypt(uint32_t keyIndex, const uint32_t* in, uint32_t inCount, uint32_t** out,
                            uint32_t* outCount) override;

  // kiv.IKeySign
  StatusCode SignFile(const char* filePath, const char* signaturePath, uint32_t keyIndex,
                      int32_t hashIndex) override;
  StatusCode ReadSignature(const char* signaturePath, char** fileNameOut, zk::CalendarTime* signTimeOut,
                           int32_t* signerIsPairOut, int32_t* reservedOut, int32_t* hashIndexOut) override;
  StatusCode VerifyFile(const char* filePath, const char* signaturePath) override;

 private:
  friend class zk::ToolkitObject<Keys, zk::IKeysCtrl, zk::IKeyOperations, zk::IKeySign>;
  Keys() = default;

  // Writes the storage file under the kept password (no check of it).
  StatusCode WriteStorage();

  // A storage or key file opened for reading: its prefix checked, the
  // Blowfish keyed, the cipher stream at byte 10 and the header read.
  struct KeyedFile {
    Held<zk::IFileStrem> file, stream;
    uint64_t size = 0;
    uint8_t plain[kPrefixSize] = {};
    uint8_t header[kHeaderSize] = {};
  };
  // Opens `path` as the storage (kind 14; a header that fails its CRC is a
  // wrong password, -13) or as a key file (kind 5 or 6; -22); a format byte
  // other than 2 gives -14.
  StatusCode OpenKeyed(const char* path, const char* password, bool storage, KeyedFile* out);
  // Writes prefix, header and body (digested whole; the header's length
  // field says headerLength) as a storage or key file of `kind`.
  StatusCode WriteKeyed(const char* path, const char* password, uint8_t kind, const uint8_t* body,
                        uint32_t bodySize, uint32_t headerLength);
  // Keys the Blowfish from a non-empty password, else with the 10 plain
  // prefix bytes as the key.
  StatusCode KeyBlowfish(const char* password, const uint8_t plain[kPrefixSize]);
  // The hash.SHA digest of a buffer in a zeroed 32-byte field.
  StatusCode ShaOf(const uint8_t* data, uint32_t size, uint8_t digest[32]);
  // Keeps a copy of a password (the old one wiped), or drops it for null.
  StatusCode KeepPassword(const char* password);

  // Inserts after every record of an equal owner name.
  template <class Record>
  static StatusCode Insert(RecordList<Record>& list, const Record& record);

  // The public record of a key pair.
  StatusCode PublicPartOf(const PairRecord& pair, PublicRecord* out);
  // Applies one raw operation of a key pair's key to limbs.
  enum class RsaOp { kPrivateDecrypt, kPublicDecrypt, kPublicEncrypt, kPrivateEncrypt };
  StatusCode RunOperation(RsaOp op, uint32_t keyIndex, const uint32_t* in, uint32_t inCount,
                          uint32_t** out, uint32_t* outCount);
  // Reads and checks a signature file and finds its signer; block gets the
  // 44-byte signed block.
  StatusCode LoadSignature(const char* signaturePath, char** nameOut, uint8_t block[44],
                           int32_t* signerIsPair, int32_t* signerIndex, uint32_t* hashIndex);
  // The bodies of the signature operations, run under Guard.
  StatusCode DoSignFile(const char* filePath, const char* signaturePath, uint32_t keyIndex, int32_t hashIndex);
  StatusCode DoReadSignature(const char* signaturePath, char** fileNameOut, zk::CalendarTime* signTimeOut,
                             int32_t* signerIsPairOut, int32_t* reservedOut, int32_t* hashIndexOut);
  StatusCode DoVerifyFile(const char* filePath, const char* signaturePath);
  // Writes the key as an OpenPGP file through the component.
  StatusCode WritePgp(const char* path, const char* passphrase, bool isPair, uint32_t index, uint32_t kind);

  RecordList<PairRecord> pairs_;
  RecordList<PublicRecord> publics_;
  char* path_ = nullptr;
  char* password_ = nullptr;  // kept only once a storage was opened or made
  zk::IFileSystem* fs_ = nullptr;
  zk::ICRC* crc_ = nullptr;
  zk::IBlockCipher* blowfish_ = nullptr;
  zk::IHash* sha_ = nullptr;
  zk::IPassword* setPassword_ = nullptr;
  int32_t selectedIsPair_ = 0;
  zk::KeyInfo selectedInfo_ = {};
};

}  // namespace zk::engine
