// cipher.FileStreamOFB: output feedback over a file stream. The keystream
// does not depend on the data, so Seek moves it by the distance travelled.
#include "FileStreamCommon.h"

namespace zk::cipher {
namespace {

class FileStreamOFB final : public CipherFileStreamBase<FileStreamOFB> {
 public:
  static constexpr const char* kClassId = id::CipherFileStreamOFB;

  StatusCode Attach(IFileStrem* fileStream, IBlockCipher* blockCipher, const void* iv,
                    uint32_t ivLength) override {
    return Bind(fileStream, blockCipher, kModeOFB, iv, ivLength);
  }

  StatusCode Seek(int64_t offset, int32_t origin) override {
    uint64_t from = 0, to = 0;
    StatusCode st = Move(offset, origin, &from, &to);
    if (st != kOk || to == from) return st;
    void* face = nullptr;
    st = cipher_->QueryInterface(id::CryptoISeekCipherOFB, &face);
    if (st != kOk) return st;
    if (!face) return kNoInterface;
    auto* seek = static_cast<ISeekCipherOFB*>(face);
    const bool forward = to > from;
    uint64_t distance = forward ? to - from : from - to;
    while (distance > 0 && st == kOk) {
      const uint32_t step = distance > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(distance);
      st = forward ? seek->SkipForward(step) : seek->SkipBackward(step);
      distance -= step;
    }
    seek->Release();
    return st;
  }
};

}  // namespace
}  // namespace zk::cipher

using zk::cipher::FileStreamOFB;
ZK_REGISTER_CLASS(FileStreamOFB)
