// kiv.Safe: a tree of folders and files in a flow container. Flow 1 holds
// the catalogue (engine/SafeCatalogue.h), every other flow one file's data.
// Made only inside the engine, by the secret, which starts or loads the
// catalogue through kiv.ISafeCallback and binds itself as provider.
#pragma once
#include <string>
#include <vector>

#include "ToolkitObject.h"
#include "SafeTree.h"
#include "kvSafeDriver.h"

namespace zk::engine {

class Safe final : public zk::ToolkitObject<Safe, zk::ISafe, zk::ISetProvider, zk::ISafeCallback> {
 public:
  static constexpr const char* kClassId = zk::id::KivSafe;
  static constexpr zk::InterfaceSlot kInterfaces[] = {
      {zk::id::KivISafe, 0}, {zk::id::KivISetProvider, 1}, {zk::id::KivISafeCallback, 2}};

  Safe();
  ~Safe();

  // kiv.ISafe
  StatusCode AddFile(const char* folderPath, const char* diskPath, uint32_t flags,
                         zk::IProgress* progress) override;
  StatusCode CopyFile(const char* filePath, const char* newFilePath, zk::IProgress* progress) override;
  uint32_t GetFileCount(const char* folderPath) override;
  uint32_t GetFolderCount(const char* folderPath) override;
  StatusCode CreateFolder(const char* parentPath, const char* name) override;
  StatusCode DeleteFile(const char* filePath) override;
  StatusCode DeleteFolder(const char* folderPath) override;
  StatusCode GetCurrentFolder(char** pathOut) override;
  StatusCode GetFileAt(const char* folderPath, uint32_t index, char** nameOut,
                           zk::SafeFileInfo* info) override;
  StatusCode GetFolderAt(const char* folderPath, uint32_t index, char** nameOut) override;
  StatusCode ExtractFile(const char* filePath, const char* diskPath, zk::IProgress* progress) override;
  StatusCode MoveFile(const char* filePath, const char* folderPath) override;
  StatusCode MoveFolder(const char* folderPath, const char* targetPath) override;
  StatusCode RenameFile(const char* filePath, const char* newName) override;
  StatusCode RenameFolder(const char* folderPath, const char* newName) override;
  StatusCode Commit() override;
  StatusCode ChangeFolder(const char* path) override;
  StatusCode FolderUp() override;
  StatusCode GetFileInfo(const char* folderPath, const char* fileName, zk::SafeFileInfo* info) override;
  StatusCode GetFolderStats(const char* folderPath, uint32_t* foldersOut, uint32_t* filesOut,
                                uint32_t* totalSizeOut, uint32_t* totalStoredOut) override;
  StatusCode ReadFile(const char* filePath, char** dataOut, zk::IProgress* progress) override;

  // kiv.ISetProvider
  StatusCode SetProvider(zk::IBase* source) override;

  // kiv.ISafeCallback
  StatusCode SaveCatalogue(zk::IBase* flowControlSource, zk::IBase* containerStreamSource) override;
  StatusCode LoadCatalogue(zk::IBase* flowControlSource, zk::IBase* containerStreamSource) override;

  // Seam for tests: the file system used from now on (one reference is
  // taken); otherwise fos.FileSys from the class registry.
  void UseFileSystem(zk::IFileSystem* fs);
  // The tree, for tests that look at it directly.
  FolderNode& Root() { return root_; }

 private:
  struct Found {
    Resolved folder;
    size_t index = 0;  // of the entry in folder.node->files
    FileEntry* entry() const { return folder.node->files[index].get(); }
  };

  StatusCode Resolve(const char* path, Resolved& out, bool wantChain = false);
  StatusCode FindFile(const char* path, Found& out);
  StatusCode KeepSources(zk::IBase* flowControlSource, zk::IBase* containerStreamSource);
  StatusCode MakeHelpers();
  StatusCode FillInfo(const FileEntry& e, zk::SafeFileInfo* info);
  StatusCode StoredSize(const FileEntry& e, uint32_t* out);
  // Writes a file's data (restored when compressed) into target.
  StatusCode Restore(const FileEntry& e, zk::IStream* target, zk::IProgress* progress);
  void DropFlows(const FolderNode& node);

  StatusCode DoAddFile(const char* folderPath, const char* diskPath, uint32_t flags, zk::IProgress* progress);
  StatusCode DoCopyFile(const char* filePath, const char* newFilePath, zk::IProgress* progress);
  StatusCode DoExtractFile(const char* filePath, const char* diskPath, zk::IProgress* progress);
  StatusCode DoReadFile(const char* filePath, char** dataOut, zk::IProgress* progress);
  StatusCode DoChangeFolder(const char* path);

  FolderNode root_;
  zk::IFlowControl* flows_ = nullptr;
  std::string current_;
  bool hasCurrent_ = false;
  zk::IFileSystem* fs_ = nullptr;
  zk::IArc* arc_ = nullptr;
  zk::IStreamProvider* provider_ = nullptr;
  zk::IFileStrem* container_ = nullptr;
  // Files extracted to new names, renamed into place without a flush of
  // their own: flushed together (SyncFiles) when the safe is committed or
  // released, unless the caller has flushed its batch already.
  std::vector<std::string> unsynced_;
};

// Copies a stream to its end in 64 KiB pieces, reporting 0, rising whole
// percentages and 100; a non-zero answer to a rising percentage stops the
// copy with that answer. Its buffer is allocated plainly: callers run it
// under Guard.
StatusCode CopyWithProgress(zk::IFileStrem* source, zk::IStream* target, zk::IProgress* progress);

}  // namespace zk::engine
