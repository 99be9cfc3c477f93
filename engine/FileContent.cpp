// kiv.File: the one disk file of a file secret. Stored as an 18-byte info
// block (size, flags, creation and modification time, name length), the
// name without its folder, then the file's bytes as they are or coded by
// arc.Lzpxj (flags bit 0).
#include <cstring>
#include <memory>

#include "ByteOrder.h"
#include "EngineTables.h"
#include "ToolkitObject.h"
#include "Wipe.h"
#include "ContentBase.h"
#include "SecretContents.h"
#include "SecretCopy.h"
#include "FileReplacement.h"
#include "SecretFormat.h"
#include "RunningDigest.h"
#include "SecretPipe.h"

namespace zk::engine {
namespace {

constexpr int32_t kModeReadOnly = kOpenBinary;

struct FileInfo {
  uint32_t size = 0;
  uint32_t flags = 0;
  uint32_t created = 0;
  uint32_t modified = 0;
  uint16_t nameLength = 0;
};

// Reads the info block from a stream standing at the content's start; -6
// when it is short.
StatusCode ReadInfo(IStream* s, FileInfo* out) {
  uint8_t b[kFileInfoSize];
  if (ReadFully(s, b, kFileInfoSize) != kOk) return kNotFound;
  out->size = LoadLE32(b);
  out->flags = LoadLE32(b + 4);
  out->created = LoadLE32(b + 8);
  out->modified = LoadLE32(b + 12);
  out->nameLength = LoadLE16(b + 16);
  return kOk;
}

// The content size and the info block of a stored file content.
StatusCode LoadInfo(IStreamProvider* provider, uint32_t* size, FileInfo* info) {
  StatusCode st = provider->GetContentSize(size);
  if (st != kOk) return st;
  WorkStream head;
  if ((st = provider->CreateStream(0, &head.p)) != kOk) return st;
  if ((st = provider->Load(head.p, kFileInfoSize, nullptr)) != kOk) return st;
  head.p->Seek(0, kSeekSet);
  return ReadInfo(head.p, info);
}

class File final : public ContentBase<File, IKivFile> {
 public:
  static constexpr const char* kClassId = id::KivFile;
  static constexpr InterfaceSlot kInterfaces[] = {{id::KivIKivFile, 0}, {id::KivISetProvider, 1}};

  ~File() { ReleaseAndNull(fs_); }

  StatusCode SaveToDisk(const char* path, IProgress* progress) override {
    if (!path) return kInvalidArg;
    IStreamProvider* provider = Provider();
    StatusCode st = FileSystem();
    if (st != kOk) return st;
    uint32_t size = 0;
    FileInfo info;
    if ((st = LoadInfo(provider, &size, &info)) != kOk) return st;
    const uint64_t skip = kFileInfoSize + uint64_t(info.nameLength);
    if (skip > size) return kNotFound;
    // Written beside the target and renamed over it when complete.
    FileReplacement replacement(fs_);
    if ((st = replacement.Begin(path)) != kOk) return st;
    // The file is written on a thread of its own.
    WriteBehind disk;
    if ((st = disk.Start(replacement.stream())) != kOk) return st;
    if (info.flags & 1) {
      // The secret is decrypted on a thread of its own straight into the
      // decoder here, which reports the progress.
      ReadAhead decrypted;
      st = decrypted.Start(size, [provider](IFileStrem* w) { return provider->Load(w, 0, nullptr); });
      if (st == kOk) st = SkipBytes(decrypted.stream(), skip);
      if (st == kOk) st = DecodeBounded(decrypted.stream(), disk.stream(), info.size, progress);
      st = decrypted.Finish(st);
    } else {
      // Stored bytes go straight from the secret to the file, past the
      // info block and the name.
      if (size - skip != info.size) return disk.Finish(kNotFound);
      IFileStrem* skipping = nullptr;
      if ((st = MakeSkippingStream(disk.stream(), skip, &skipping)) != kOk) return disk.Finish(st);
      st = provider->Load(skipping, 0, progress);
      const uint64_t passed = SkippingPassed(skipping);
      skipping->Release();
      if (st == kOk && passed != info.size) st = kNotFound;
    }
    if ((st = disk.Finish(st)) != kOk) return st;
    if ((st = replacement.Commit()) != kOk) return st;
    IFileStrem* written = replacement.TakeStream();
    written->Close();
    written->Release();
    return fs_->SetFileTimes(path, info.created, info.modified);
  }

  StatusCode GetFileInfo(char** nameOut, FileContentInfo* infoOut) override {
    if (!nameOut || !infoOut) return kInvalidArg;
    if (*nameOut) {
      zk_free(*nameOut);
      *nameOut = nullptr;
    }
    std::memset(infoOut, 0, sizeof *infoOut);
    IStreamProvider* provider = Provider();
    uint32_t size = 0;
    FileInfo info;
    StatusCode st = LoadInfo(provider, &size, &info);
    if (st != kOk) return st;
    const uint32_t n = info.nameLength;
    if (n == 0 || kFileInfoSize + uint64_t(n) > size) return kNotFound;
    WorkStream withName;
    if ((st = provider->CreateStream(0, &withName.p)) != kOk) return st;
    if ((st = provider->Load(withName.p, kFileInfoSize + n, nullptr)) != kOk) return st;
    char* name = static_cast<char*>(zk_malloc(int32_t(n + 1)));
    if (!name) return kNoMemory;
    withName.p->Seek(kFileInfoSize, kSeekSet);
    if (ReadFully(withName.p, name, n) != kOk) {
      zk_free(name);
      return kNotFound;
    }
    name[n] = 0;
    *nameOut = name;
    infoOut->size = info.size;
    infoOut->storedSize = size - kFileInfoSize - n;
    infoOut->flags = info.flags;
    infoOut->created = LocalCalendar(info.created);
    infoOut->modified = LocalCalendar(info.modified);
    return kOk;
  }

  StatusCode LoadFromDisk(const char* path, int32_t flags, IProgress* progress) override {
    IStreamProvider* provider = Provider();
    if (!path) {
      // An empty info block and no name.
      WorkStream empty;
      uint8_t zeros[kFileInfoSize] = {};
      StatusCode st = provider->CreateStream(0, &empty.p);
      if (st == kOk) st = empty.p->Write(zeros, kFileInfoSize);
      if (st != kOk) return st;
      empty.p->Seek(0, kSeekSet);
      return provider->Save(empty.p, progress, nullptr, 0);
    }
    const char* slash = std::strrchr(path, '/');
    const char* name = slash ? slash + 1 : path;
    const size_t n = std::strlen(name);
    if (n >= 65536) return kInvalidArg;
    StatusCode st = FileSystem();
    if (st != kOk) return st;
    FileInfo info;
    if ((st = fs_->GetFileTimes(path, &info.created, &info.modified)) != kOk) return st;
    IFileStrem* file = nullptr;
    if ((st = fs_->OpenFile(path, kModeReadOnly, &file)) != kOk) return st;
    if (!file) return kNoMemory;
    uint64_t size = 0;
    st = file->GetSize(&size);
    if (st == kOk && size >= kFileSizeLimit) st = kTooMuch;
    if (st != kOk) {
      file->Release();
      return st;
    }
    const uint32_t blockSize = kFileInfoSize + uint32_t(n);
    std::unique_ptr<uint8_t[]> block;
    if ((st = Guard([&] {
           block.reset(new uint8_t[blockSize]);
           return kOk;
         })) != kOk) {
      file->Release();
      return st;
    }
    StoreLE32(block.get(), uint32_t(size));
    StoreLE32(block.get() + 4, uint32_t(flags & 1));
    StoreLE32(block.get() + 8, info.created);
    StoreLE32(block.get() + 12, info.modified);
    StoreLE16(block.get() + 16, uint16_t(n));
    std::memcpy(block.get() + kFileInfoSize, name, n);
    if (!(flags & 1)) {
      // The file's bytes are encrypted straight from the disk file.
      st = provider->Save(file, progress, block.get(), blockSize);
      file->Release();
      Wipe(block.get(), blockSize);
      return st;
    }
    WorkStream work;
    IArc* coder = nullptr;
    // The work stream digests the coding as it is written, so the save
    // that follows needs no digest pass of its own.
    st = CreateSaveStream(provider, size > kStageLimit, &work.p);
    if (st == kOk) st = work.p->Write(block.get(), blockSize);
    Wipe(block.get(), blockSize);
    if (st == kOk) st = Coder(&coder);
    if (st == kOk) st = coder->Init(0);
    if (st == kOk) {
      // The file is read on one thread and the coding written (and
      // digested) on another, while the coder here reports the progress.
      ReadAhead reading;
      WriteBehind writing;
      st = reading.Start(size, [file](IFileStrem* w) { return CopyWithProgress(file, w, 0, nullptr); });
      if (st == kOk) st = writing.Start(work.p);
      if (st == kOk) st = coder->Encode(reading.stream(), writing.stream(), progress, uint32_t(size));
      st = writing.Finish(reading.Finish(st));
    }
    file->Release();
    if (st != kOk) return st;
    work.p->Seek(0, kSeekSet);
    return provider->Save(work.p, progress, nullptr, 0);
  }

 private:
  // Reads and drops the first n bytes of a stream; -6 when it ends first.
  static StatusCode SkipBytes(IStream* s, uint64_t n) {
    uint8_t piece[4096];
    StatusCode st = kOk;
    while (n > 0 && st == kOk) {
      const uint32_t want = n < sizeof piece ? uint32_t(n) : uint32_t(sizeof piece);
      st = ReadFully(s, piece, want);
      if (st == kInvalidFormat) st = kNotFound;
      n -= want;
    }
    Wipe(piece, sizeof piece);
    return st;
  }

  StatusCode FileSystem() {
    if (fs_) return kOk;
    return CreateFace(id::FosFileSys, id::StreamIFileSystem, &fs_);
  }

  IFileSystem* fs_ = nullptr;
};

}  // namespace

StatusCode MakeFile(ISetProvider** out) {
  *out = nullptr;
  File* f = File::Create();
  if (!f) return kNoMemory;
  *out = f;
  return kOk;
}

}  // namespace zk::engine
