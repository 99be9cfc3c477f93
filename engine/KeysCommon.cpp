#include "KeysCommon.h"

#include <cstring>
#include <memory>

#include "SecretFiles.h"
#include "zk5Cipher.h"

namespace zk::engine {
StatusCode ReadExact(zk::IStream* s, void* buffer, uint32_t n) {
  uint8_t* p = static_cast<uint8_t*>(buffer);
  uint32_t done = 0;
  while (done < n) {
    uint32_t got = 0;
    StatusCode st = s->Read(p + done, n - done, &got);
    if (st == zk::kEndOfStream) return zk::kInvalidFormat;
    if (st != zk::kOk) return st;
    if (got == 0 || got > n - done) return zk::kInvalidFormat;
    done += got;
  }
  return zk::kOk;
}

StatusCode WriteBeside(zk::IFileSystem* fs, const char* path,
                       const std::function<StatusCode(zk::IFileStrem*)>& fill) {
  ZK_REQUIRE(fs, zk::id::StreamIFileSystem);
  FileReplacement file(fs);
  StatusCode st = file.Begin(path);
  if (st == zk::kOk) st = fill(file.stream());
  if (st == zk::kOk) st = file.Commit();
  return st;
}

StatusCode AttachAtTen(zk::IFileStrem* file, zk::IBlockCipher* cipher, zk::IFileStrem** out) {
  *out = nullptr;
  Held<zk::ICipherFileStream> cfb;
  StatusCode st = CreateFace(zk::id::CipherFileStreamCFB, zk::id::CryptoICipherFileStream, &cfb);
  if (st != zk::kOk) return st;
  st = file->Seek(0, zk::kSeekSet);
  if (st == zk::kOk) st = cfb->Attach(file, cipher, nullptr, 0);
  if (st != zk::kOk) return st;
  Held<zk::IFileStrem> stream;
  st = cfb->QueryInterface(zk::id::StreamIFileStrem, reinterpret_cast<void**>(&stream.p));
  if (st != zk::kOk) return st;
  if (!stream.p) return zk::kNoInterface;
  st = stream->Seek(10, zk::kSeekSet);
  if (st != zk::kOk) return st;
  *out = stream.p;
  stream.p = nullptr;
  return zk::kOk;
}

StatusCode MakeKeyHash(uint32_t hashIndex, zk::IHash** out) {
  *out = nullptr;
  if (hashIndex < 1 || hashIndex > 4) return zk::kInvalidArg;
  return MakeHash(static_cast<int32_t>(hashIndex), out);
}

StatusCode HashRest(zk::IHash* hash, zk::IStream* stream, uint8_t digest[32]) {
  std::memset(digest, 0, 32);
  constexpr uint32_t kPiece = 65536;
  std::unique_ptr<uint8_t[]> chunk(new uint8_t[kPiece]);
  StatusCode st = hash->Init();
  while (st == zk::kOk) {
    uint32_t got = 0;
    st = stream->Read(chunk.get(), kPiece, &got);
    if (st == zk::kEndOfStream) st = zk::kOk;
    if (st != zk::kOk || got == 0) break;
    st = hash->Update(chunk.get(), got > kPiece ? kPiece : got);
  }
  zk::Wipe(chunk.get(), kPiece);
  if (st == zk::kOk) st = hash->Final(digest, 32);
  return st;
}

}  // namespace zk::engine
