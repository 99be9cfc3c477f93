// The part shared by cipher.FileStreamCFB and cipher.FileStreamOFB: a file
// stream over another one, encrypting writes and decrypting reads through a
// cipher.Cipher object of its own. Positions are those of the underlying
// stream (no header, no padding).
#pragma once
#include <new>

#include "ModesInternal.h"
#include "StreamCopy.h"
#include "ToolkitObject.h"

namespace zk::cipher {

template <class Self>
class CipherFileStreamBase : public ToolkitObject<Self, ICipherFileStream, IFileStrem> {
 public:
  static constexpr InterfaceSlot kInterfaces[] = {{id::CryptoICipherFileStream, 0},
                                                  {id::StreamIFileStrem, 1},
                                                  {id::StreamIStream, 1}};

  StatusCode IsEnd() override { return File()->IsEnd(); }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    IFileStrem* file = File();
    ZK_REQUIRE(cipher_, id::CryptoICipher);
    uint32_t got = 0;
    StatusCode st = file->Read(buffer, size, &got);
    if (st != kOk) return st;
    if (got > size) got = size;
    if (gotOut) *gotOut = got;
    return cipher_->Decrypt(buffer, got);
  }
  StatusCode Write(const void* data, uint32_t length) override {
    IFileStrem* file = File();
    ZK_REQUIRE(cipher_, id::CryptoICipher);
    if (!data) return kInvalidArg;
    if (length == 0) return kOk;
    return Guard([&]() -> StatusCode {
      if (!work_) work_ = new uint8_t[kPiece];
      const uint8_t* p = static_cast<const uint8_t*>(data);
      while (length > 0) {
        const uint32_t piece = length < kPiece ? length : kPiece;
        std::memcpy(work_, p, piece);
        StatusCode st = cipher_->Encrypt(work_, piece);
        if (st == kOk) st = file->Write(work_, piece);
        if (st != kOk) return st;
        p += piece;
        length -= piece;
      }
      return kOk;
    });
  }
  StatusCode Close() override { return File()->Close(); }
  StatusCode CopyFrom(IStream* source, uint64_t count) override {
    return CopyStream(static_cast<IFileStrem*>(this), source, count);
  }
  StatusCode Commit() override { return File()->Commit(); }
  StatusCode GetSize(uint64_t* sizeOut) override { return File()->GetSize(sizeOut); }
  StatusCode GetPosition(uint64_t* positionOut) override { return File()->GetPosition(positionOut); }
  StatusCode SetEnd() override { return File()->SetEnd(); }

 protected:
  static constexpr uint32_t kPiece = 65536;
  ~CipherFileStreamBase() {
    WipeAndDelete(work_, kPiece);
    ReleaseAndNull(cipher_);
    ReleaseAndNull(file_);
  }
  IFileStrem* File() {
    ZK_REQUIRE(file_, id::StreamIFileStrem);
    return file_;
  }
  // Attach steps shared by both: bind the file stream, make a fresh cipher
  // object and attach the block cipher in the given mode.
  StatusCode Bind(IFileStrem* fileStream, IBlockCipher* blockCipher, int32_t mode, const void* iv,
                  uint32_t ivLength) {
    if (!fileStream) return kInvalidArg;
    if (fileStream != file_) {
      void* face = nullptr;
      StatusCode st = fileStream->QueryInterface(id::StreamIFileStrem, &face);
      if (st != kOk) return st;
      if (!face) return kNoInterface;
      ReleaseAndNull(file_);
      file_ = static_cast<IFileStrem*>(face);
    }
    ReleaseAndNull(cipher_);
    StatusCode st = CreateFace(id::CipherCipher, id::CryptoICipher, &cipher_);
    if (st != kOk) return st;
    st = cipher_->SetBlockCipher(blockCipher, mode, iv, ivLength);
    // Without a working cipher object the stream is not to be used: its
    // operations take the fatal stop rather than run an unkeyed register.
    if (st != kOk) ReleaseAndNull(cipher_);
    return st;
  }
  // Moves the underlying stream and reports the positions before and after.
  StatusCode Move(int64_t offset, int32_t origin, uint64_t* oldPos, uint64_t* newPos) {
    IFileStrem* file = File();
    ZK_REQUIRE(cipher_, id::CryptoICipher);
    StatusCode st = file->GetPosition(oldPos);
    if (st == kOk) st = file->Seek(offset, origin);
    if (st == kOk) st = file->GetPosition(newPos);
    return st;
  }

  IFileStrem* file_ = nullptr;
  ICipher* cipher_ = nullptr;
  uint8_t* work_ = nullptr;
};

}  // namespace zk::cipher
