#include "SecretFiles.h"

#include "EngineTables.h"
#include "FileReplacement.h"
#include "PrivateFolder.h"
#include "ToolkitObject.h"
#include "Wipe.h"
#include "SecretFormat.h"

namespace zk::engine {

namespace {

// Permission bits of the system's permission mode (read, write).
constexpr int32_t kPermOwner = 0x0180;

}  // namespace

StatusCode PrivateTempFolder(std::string* out) {
  std::string folder = StagingFolder();
  // A folder the rule refuses (a link, another user's) cannot be used for
  // the staging files: the secret cannot be opened or written.
  if (PreparePrivateFolder(folder) != FolderRefusal::kNone) return kCannotOpen;
  *out = folder;
  return kOk;
}

StatusCode MakeTempFile(IFileSystem* fs, IFileStrem** out) {
  *out = nullptr;
  ZK_REQUIRE(fs, id::StreamIFileSystem);
  std::string folder;
  StatusCode st = PrivateTempFolder(&folder);
  if (st != kOk) return st;
  IFileStrem* file = nullptr;
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string name = folder + "/kv" + RandomTag() + ".tmp";
    st = fs->CreateFile(name.c_str(), kOpenBinary | kOpenReadWrite | kOpenTemporary, kPermOwner, &file);
    if (st == kOk) break;
  }
  if (st != kOk) return st;
  if (!file) return kNoMemory;
  return GuardWrites(file, out);
}

StatusCode MakeStage(IFileSystem* fs, uint64_t size, IFileStrem** out) {
  *out = nullptr;
  const bool file = size > kStageLimit;
  if (file) return MakeTempFile(fs, out);
  return CreateFace(id::StorageMemStream, id::StreamIFileStrem, out);
}

void WipeStream(IFileStrem* stream) {
  if (!stream) return;
  IMemStream* mem = nullptr;
  if (stream->QueryInterface(id::StreamIMemStream, reinterpret_cast<void**>(&mem)) == kOk && mem) {
    uint32_t size = 0;
    void* data = mem->GetBuffer(&size);
    Wipe(data, size);
    mem->Release();
  }
  stream->Seek(0, kSeekSet);
  stream->SetEnd();
}

}  // namespace zk::engine
