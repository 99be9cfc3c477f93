#include "FileWrap.h"

#include "ToolkitObject.h"
#include "kvSafeDriver.h"

namespace zk::engine {
namespace {

class CFileWrap final : public ToolkitObject<CFileWrap, IFileStrem> {
 public:
  static constexpr const char* kClassId = id::KivCFileWrap;
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIStream, 0}, {id::StreamIFileStrem, 0}};

  ~CFileWrap() {
    ReleaseAndNull(file_);
    PutTimesBack();
    ReleaseAndNull(fs_);
    if (path_) zk_free(path_);
  }

  StatusCode Bind(IFileSystem* fs, IFileStrem* file, const char* path, bool readTimes, uint32_t created,
                  uint32_t modified) {
    path_ = zk_DupString(path);
    if (!path_) return kNoMemory;
    fs->AddRef();
    fs_ = fs;
    file->AddRef();
    file_ = file;
    created_ = created;
    modified_ = modified;
    if (readTimes) return fs_->GetFileTimes(path_, &created_, &modified_);
    return kOk;
  }
  uint32_t created() const { return created_; }
  uint32_t modified() const { return modified_; }

  StatusCode IsEnd() override { return F()->IsEnd(); }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    return F()->Read(buffer, size, gotOut);
  }
  StatusCode Write(const void* data, uint32_t length) override { return F()->Write(data, length); }
  StatusCode Close() override {
    StatusCode st = F()->Close();
    PutTimesBack();
    return st;
  }
  StatusCode CopyFrom(IStream* source, uint64_t count) override { return F()->CopyFrom(source, count); }
  StatusCode Commit() override { return F()->Commit(); }
  StatusCode GetSize(uint64_t* sizeOut) override { return F()->GetSize(sizeOut); }
  StatusCode GetPosition(uint64_t* positionOut) override { return F()->GetPosition(positionOut); }
  StatusCode Seek(int64_t offset, int32_t origin) override { return F()->Seek(offset, origin); }
  StatusCode SetEnd() override { return F()->SetEnd(); }

 private:
  IFileStrem* F() {
    ZK_REQUIRE(file_, id::StreamIFileStrem);
    return file_;
  }
  void PutTimesBack() {
    if (fs_ && path_) fs_->SetFileTimes(path_, created_, modified_);
  }

  IFileStrem* file_ = nullptr;
  IFileSystem* fs_ = nullptr;
  char* path_ = nullptr;
  uint32_t created_ = 0;
  uint32_t modified_ = 0;
};

StatusCode Make(IFileSystem* fs, IFileStrem* file, const char* path, bool readTimes, uint32_t created,
                uint32_t modified, IFileStrem** out) {
  *out = nullptr;
  if (!fs || !file || !path) return kInvalidArg;
  CFileWrap* w = CFileWrap::Create();
  if (!w) return kNoMemory;
  StatusCode st = w->Bind(fs, file, path, readTimes, created, modified);
  if (st != kOk) {
    w->Release();
    return st;
  }
  *out = w;
  return kOk;
}

}  // namespace

StatusCode MakeFileWrap(IFileSystem* fs, IFileStrem* file, const char* path, IFileStrem** out) {
  return Make(fs, file, path, true, 0, 0, out);
}

StatusCode MakeFileWrapWithTimes(IFileSystem* fs, IFileStrem* file, const char* path, uint32_t created,
                                 uint32_t modified, IFileStrem** out) {
  return Make(fs, file, path, false, created, modified, out);
}

void FileWrapTimes(IFileStrem* wrap, uint32_t* created, uint32_t* modified) {
  auto* w = static_cast<CFileWrap*>(wrap);
  *created = w->created();
  *modified = w->modified();
}

}  // namespace zk::engine
