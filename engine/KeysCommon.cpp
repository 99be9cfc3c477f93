#include "KeysCommon.h"

#include <cstring>

#include "FileReplacement.h"

namespace zk::engine {

StatusCode WriteBeside(zk::IFileSystem* fs, const char* path,
                       const std::function<StatusCode(zk::IFileStrem*)>& fill) {
  ZK_REQUIRE(fs, zk::id::StreamIFileSystem);
  FileReplacement file(fs);
  StatusCode st = file.Begin(path);
  if (st == zk::kOk) st = fill(file.stream());
  if (st == zk::kOk) st = file.Commit();
  return st;
}

StatusCode MakeKeyHash(uint32_t hashIndex, zk::IHash** out) {
  *out = nullptr;
  if (hashIndex < 1 || hashIndex > 4) return zk::kInvalidArg;
  return MakeHash(static_cast<int32_t>(hashIndex), out);
}

StatusCode DigestRest(zk::IHash* hash, zk::IStream* stream, uint8_t digest[32]) {
  std::memset(digest, 0, 32);
  StatusCode st = hash->Init();
  if (st == zk::kOk) st = HashRest(hash, stream, nullptr);
  if (st == zk::kOk) st = hash->Final(digest, 32);
  return st;
}

}  // namespace zk::engine
