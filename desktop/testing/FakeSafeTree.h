// An in-memory kiv.ISafe for the safe view's tests: a folder tree with the
// engine's rules (names compared without letter case and kept in that
// order, "\" paths relative to the current folder, -10 for a name taken,
// -6 for one missing), files added from and extracted to disk, every call
// recorded and any operation made to fail.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "desktop/testing/FakeEngine.h"

namespace desktoptest {

class FakeSafeTree : public Counted<zk::ISafe> {
 public:
  struct File {
    std::string name;
    std::string data;
    uint32_t flags = 0;
  };
  struct Folder {
    std::string name;
    std::vector<Folder> folders;
    std::vector<File> files;
  };

  const char* InterfaceId() const override { return zk::id::KivISafe; }
  StatusCode AddFile(const char* folderPath, const char* diskPath, uint32_t flags,
                     zk::IProgress* progress) override;
  StatusCode CopyFile(const char*, const char*, zk::IProgress*) override { return zk::kNotImplemented; }
  uint32_t GetFileCount(const char* folderPath) override;
  uint32_t GetFolderCount(const char* folderPath) override;
  StatusCode CreateFolder(const char* parentPath, const char* name) override;
  StatusCode DeleteFile(const char* filePath) override;
  StatusCode DeleteFolder(const char* folderPath) override;
  StatusCode GetCurrentFolder(char** pathOut) override;
  StatusCode GetFileAt(const char* folderPath, uint32_t index, char** nameOut,
                       zk::SafeFileInfo* info) override;
  StatusCode GetFolderAt(const char* folderPath, uint32_t index, char** nameOut) override;
  StatusCode ExtractFile(const char* filePath, const char* diskPath,
                         zk::IProgress* progress) override;
  StatusCode MoveFile(const char* filePath, const char* folderPath) override;
  StatusCode MoveFolder(const char* folderPath, const char* targetPath) override;
  StatusCode RenameFile(const char* filePath, const char* newName) override;
  StatusCode RenameFolder(const char* folderPath, const char* newName) override;
  StatusCode Commit() override;
  StatusCode ChangeFolder(const char* path) override;
  StatusCode FolderUp() override;
  StatusCode GetFileInfo(const char* folderPath, const char* fileName,
                         zk::SafeFileInfo* info) override;
  StatusCode GetFolderStats(const char* folderPath, uint32_t* folders, uint32_t* files,
                            uint32_t* totalSize, uint32_t* totalStored) override;
  StatusCode ReadFile(const char* filePath, char** dataOut, zk::IProgress* progress) override;

  // Fixture helpers: a folder path made with its parents, a file put in.
  void MakeFolders(const std::string& path);
  void PutFile(const std::string& folder, const std::string& name, const std::string& data,
               uint32_t flags = 0);
  // The whole tree, one line per entry: "\A\" for a folder, "\A\x=data"
  // for a file, depth first in the tree's order.
  std::vector<std::string> Dump() const;
  // The calls of the operations that change the tree, as "Name(arg,arg)".
  std::vector<std::string> Changes() const;

  Folder root{"\\", {}, {}};
  std::string current;               // empty: the root
  std::map<std::string, StatusCode> fail;  // operation name -> its answer
  std::vector<std::string> calls;    // every operation, "Name(arg,arg)"
  int commits = 0;

 private:
  std::string Full(const char* path) const;
  Folder* Resolve(const char* path, Folder** parent = nullptr, size_t* index = nullptr);
  StatusCode FindFile(const char* path, Folder** folder, size_t* index);
  bool Failing(const std::string& op, StatusCode& rc) const;
};

}  // namespace desktoptest
