// A secret and its contents for the main window's tests: each records what
// it was asked and answers a result the test sets.
#pragma once
#include <string>
#include <vector>

#include "desktop/MainFormUnit.h"
#include "desktop/testing/FakeEngine.h"
#include "zk5main.h"

namespace kivfake {

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

class FakeFile : public Counted<zk::IKivFile> {
 public:
  const char* InterfaceId() const override { return zk::id::KivIKivFile; }
  StatusCode SaveToDisk(const char*, zk::IProgress*) override { return zk::kOk; }
  StatusCode GetFileInfo(char**, zk::FileContentInfo*) override { return zk::kNotFound; }
  StatusCode LoadFromDisk(const char*, int32_t, zk::IProgress*) override { return zk::kOk; }
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

}  // namespace kivfake
