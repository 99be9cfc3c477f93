// cipher.FileStreamCFB: cipher feedback over a file stream. The feedback
// register depends on the ciphertext before the position, so Seek rebuilds
// it from the file: the register is the n ciphertext bytes before the block
// start (in the order ResetIV loads them, which is the order cipher feedback
// leaves them), then the bytes from the block start up to the position are
// run through the cipher.
#include "FileStreamCommon.h"

namespace zk::cipher {
namespace {

class FileStreamCFB final : public CipherFileStreamBase<FileStreamCFB> {
 public:
  static constexpr const char* kClassId = id::CipherFileStreamCFB;
  ~FileStreamCFB() { WipeAndDelete(iv_, n_); }

  StatusCode Attach(IFileStrem* fileStream, IBlockCipher* blockCipher, const void* iv,
                    uint32_t ivLength) override {
    WipeAndDelete(iv_, n_);
    StatusCode st = Bind(fileStream, blockCipher, kModeCFB, iv, ivLength);
    if (st != kOk) return st;
    n_ = blockCipher->GetBlockSize();
    if (!iv || ivLength == 0) return kOk;
    if (ivLength != n_) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      iv_ = new uint8_t[n_];
      std::memcpy(iv_, iv, n_);
      return kOk;
    });
  }

  StatusCode Seek(int64_t offset, int32_t origin) override {
    uint64_t from = 0, to = 0;
    StatusCode st = Move(offset, origin, &from, &to);
    if (st != kOk || to == from) return st;
    const uint64_t start = to - to % n_;
    uint8_t bytes[kMaxModeBlock];
    if (start > 0) {
      st = ReadBack(start - n_, n_, bytes);
      if (st == kOk) st = cipher_->ResetIV(bytes, n_);
    } else {
      st = file_->Seek(0, kSeekSet);
      if (st == kOk) st = cipher_->ResetIV(iv_, iv_ ? n_ : 0);
    }
    if (st == kOk && start != to) {
      const uint32_t rest = uint32_t(to - start);
      st = ReadBack(start, rest, bytes);
      if (st == kOk) st = cipher_->Decrypt(bytes, rest);
    }
    Wipe(bytes, sizeof bytes);
    return st;
  }

 private:
  // Reads count ciphertext bytes from position at; a short read is -104.
  StatusCode ReadBack(uint64_t at, uint32_t count, uint8_t* out) {
    StatusCode st = file_->Seek(int64_t(at), kSeekSet);
    uint32_t got = 0;
    if (st == kOk) st = file_->Read(out, count, &got);
    if (st == kOk && got != count) st = kReadError;
    return st;
  }

  uint8_t* iv_ = nullptr;
  uint32_t n_ = 0;
};

}  // namespace
}  // namespace zk::cipher

using zk::cipher::FileStreamCFB;
ZK_REGISTER_CLASS(FileStreamCFB)
