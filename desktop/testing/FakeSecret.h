// A secret and its contents for the main window's tests: each records what
// it was asked and answers a result the test sets.
#pragma once
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "desktop/MainFormUnit.h"
#include "desktop/testing/FakeEngine.h"
#include "zk5main.h"

namespace desktoptest {

// The main window's engine: the fake driver (one more reference each time).
inline kiv::EngineSource FakeSource(FakeDriver* driver) {
  return {[] { return true; },
          [driver](zk::IBase** out) {
            driver->AddRef();
            *out = driver;
            return 0;
          }};
}

class FakeSecret : public Counted<zk::IKivSecret> {
 public:
  const char* InterfaceId() const override { return zk::id::KivIKivSecret; }
  StatusCode Probe(const char*, int32_t, int32_t*, int32_t*, int32_t*) override { return zk::kOk; }
  StatusCode Close() override {
    calls.push_back("Close");
    return zk::kOk;
  }
  StatusCode Create(const char*, const zk::SecretParams*, zk::IBase**) override { return zk::kNotFound; }
  StatusCode Delete() override {
    calls.push_back("Delete");
    return deleteResult;
  }
  StatusCode Open(const char*, const zk::SecretParams*, zk::IBase**) override { return zk::kNotFound; }
  StatusCode GetProperties(zk::SecretProperties* out) override {
    calls.push_back("GetProperties");
    if (out) *out = {};
    return zk::kOk;
  }
  StatusCode GetCapacity(const char*, int32_t, uint64_t*) override { return zk::kNotFound; }

  StatusCode deleteResult = zk::kOk;
  std::vector<std::string> calls;
};

class FakeMessage : public Counted<zk::IMessage> {
 public:
  const char* InterfaceId() const override { return zk::id::KivIMessage; }
  StatusCode GetText(char** out) override {
    zk_free(*out);
    *out = zk_DupString(text.c_str());
    return zk::kOk;
  }
  StatusCode SetText(const char* t) override {
    ++sets;
    if (setResult != 0) return setResult;
    text = t;
    return zk::kOk;
  }
  std::string text;
  StatusCode setResult = zk::kOk;
  int sets = 0;
};

// A file secret's content: holds no file (GetFileInfo answers -6) until a
// test sets one or LoadFromDisk takes one; SaveToDisk writes its bytes.
class FakeFile : public Counted<zk::IKivFile> {
 public:
  const char* InterfaceId() const override { return zk::id::KivIKivFile; }
  StatusCode SaveToDisk(const char* path, zk::IProgress* progress) override {
    saves.push_back(path ? path : "");
    if (progress) progress->OnProgress(0);
    if (saveResult != 0) return saveResult;
    if (FILE* f = path ? std::fopen(path, "wb") : nullptr) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    if (progress) progress->OnProgress(100);
    return zk::kOk;
  }
  StatusCode GetFileInfo(char** name, zk::FileContentInfo* out) override {
    if (infoResult != 0) return infoResult;
    zk_free(*name);
    *name = zk_DupString(this->name.c_str());
    *out = info;
    return zk::kOk;
  }
  StatusCode LoadFromDisk(const char* path, int32_t flags, zk::IProgress* progress) override {
    loads.push_back({path ? path : "", flags});
    if (progress) progress->OnProgress(0);
    if (loadResult != 0 || !path) return loadResult;
    const char* slash = std::strrchr(path, '/');
    name = slash ? slash + 1 : path;
    bytes.clear();
    if (FILE* f = std::fopen(path, "rb")) {
      char buf[4096];
      for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
      std::fclose(f);
    }
    info = {};
    info.size = uint32_t(bytes.size());
    info.storedSize = info.size;
    info.flags = uint32_t(flags & 1);
    infoResult = zk::kOk;
    if (progress) progress->OnProgress(100);
    return zk::kOk;
  }
  struct Load {
    std::string path;
    int32_t flags;
  };
  std::string name;
  std::string bytes;
  zk::FileContentInfo info{};
  StatusCode infoResult = zk::kNotFound;
  StatusCode loadResult = zk::kOk;
  StatusCode saveResult = zk::kOk;
  std::vector<Load> loads;
  std::vector<std::string> saves;
};

class FakeSafe : public Counted<zk::ISafe> {
 public:
  const char* InterfaceId() const override { return zk::id::KivISafe; }
  StatusCode AddFile(const char*, const char*, uint32_t, zk::IProgress*) override { return 0; }
  StatusCode CopyFile(const char*, const char*, zk::IProgress*) override { return 0; }
  uint32_t GetFileCount(const char*) override { return 0; }
  uint32_t GetFolderCount(const char*) override { return 0; }
  StatusCode CreateFolder(const char*, const char*) override { return 0; }
  StatusCode DeleteFile(const char*) override { return 0; }
  StatusCode DeleteFolder(const char*) override { return 0; }
  StatusCode GetCurrentFolder(char**) override { return zk::kNotFound; }
  StatusCode GetFileAt(const char*, uint32_t, char**, zk::SafeFileInfo*) override { return zk::kNotFound; }
  StatusCode GetFolderAt(const char*, uint32_t, char**) override { return zk::kNotFound; }
  StatusCode ExtractFile(const char*, const char*, zk::IProgress*) override { return 0; }
  StatusCode MoveFile(const char*, const char*) override { return 0; }
  StatusCode MoveFolder(const char*, const char*) override { return 0; }
  StatusCode RenameFile(const char*, const char*) override { return 0; }
  StatusCode RenameFolder(const char*, const char*) override { return 0; }
  StatusCode Commit() override {
    ++commits;
    return commitResult;
  }
  StatusCode ChangeFolder(const char*) override { return 0; }
  StatusCode FolderUp() override { return 0; }
  StatusCode GetFileInfo(const char*, const char*, zk::SafeFileInfo*) override { return zk::kNotFound; }
  StatusCode GetFolderStats(const char*, uint32_t*, uint32_t*, uint32_t*, uint32_t*) override { return zk::kNotFound; }
  StatusCode ReadFile(const char*, char**, zk::IProgress*) override { return zk::kNotFound; }
  StatusCode commitResult = zk::kOk;
  int commits = 0;
};

}  // namespace desktoptest
