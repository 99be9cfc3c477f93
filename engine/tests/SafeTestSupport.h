// Helpers of the safe tests: a safe over a flow container in memory, a
// stand-in secret that keeps what the safe commits, and progress objects.
#pragma once
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <functional>
#include <string>
#include <vector>

#include "ToolkitObject.h"
#include "Safe.h"
#include "kvSafeDriver.h"
#include "tests/SecretTestSupport.h"
#include "StorageTestSupport.h"
#include "ZkTestSupport.h"

namespace enginetest {

using zktest::Ref;
using zktest::NewMem;
using zktest::Pattern;
using zktest::ReadAll;

// A disk file with the given bytes and modification time.
inline void WriteDiskFile(const std::string& path, const std::vector<uint8_t>& bytes, uint32_t mtime) {
  zktest::WriteFile(path, bytes);
  struct utimbuf t = {static_cast<time_t>(mtime), static_cast<time_t>(mtime)};
  utime(path.c_str(), &t);
}

// Stands in for the secret: keeps the bytes of every container it is
// asked to store; a set answer makes Save fail.
class FakeSecret final : public zk::ToolkitObject<FakeSecret, zk::IStreamProvider> {
 public:
  static constexpr const char* kClassId = "test.FakeSecret";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::KivIStreamProvider, 0}};

  StatusCode CreateStream(int32_t, zk::IFileStrem** out) override {
    *out = NewMem();
    return 0;
  }
  StatusCode Save(zk::IFileStrem* content, zk::IProgress*, const void*, uint32_t) override {
    ++saves;
    if (answer != 0) return answer;
    stored = ReadAll(content);
    return 0;
  }
  StatusCode Load(zk::IFileStrem*, uint64_t, zk::IProgress*) override { return zk::kNotImplemented; }
  StatusCode GetContentSize(uint32_t*) override { return zk::kNotImplemented; }

  std::vector<uint8_t> stored;
  int saves = 0;
  StatusCode answer = 0;
};

// Progress objects: enginetest::Progress (cancelAt counts from 1).
using enginetest::Progress;

// A safe over a storage.DynFlowCtrl whose streams are memory streams, as
// the secret lays it out (one-sector blocks, no prefix, no limit).
struct Rig {
  Ref<zk::IFileStrem> container, work;
  Ref<zk::IFlowControl> flows;
  zk::engine::Safe* safe = nullptr;
  FakeSecret* secret = nullptr;

  Rig() { secret = FakeSecret::Create(); }
  ~Rig() {
    if (safe) safe->Release();
    secret->Release();
  }
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  void Attach() {
    container.reset(NewMem());
    work.reset(NewMem());
    flows.reset(zktest::Create<zk::IFlowControl>(zk::id::StorageDynFlowCtrl, zk::id::StreamIFlowControl));
    ASSERT_TRUE(container.get() && work.get() && flows.get());
    if (safe) safe->Release();
    safe = zk::engine::Safe::Create();
  }
  // A new, empty safe.
  void New() {
    Attach();
    ASSERT_EQ(flows->Create(container.get(), work.get(), 0, 0, 1), 0);
    ASSERT_EQ(safe->SaveCatalogue(flows.get(), container.get()), 0);
    ASSERT_EQ(safe->SetProvider(secret), 0);
  }
  // A safe opened from stored container bytes; the result of LoadCatalogue.
  StatusCode Open(const std::vector<uint8_t>& bytes) {
    Attach();
    if (!bytes.empty()) {
      EXPECT_EQ(container->Write(bytes.data(), uint32_t(bytes.size())), 0);
    }
    EXPECT_EQ(container->Seek(0, 0), 0);
    StatusCode st = flows->Open(container.get(), work.get(), 0, 0);
    if (st != 0) return st;
    st = safe->LoadCatalogue(flows.get(), container.get());
    safe->SetProvider(secret);
    return st;
  }
  // Commits, then opens what was stored.
  void CommitAndReopen() {
    ASSERT_EQ(safe->Commit(), 0);
    std::vector<uint8_t> bytes = secret->stored;
    ASSERT_EQ(Open(bytes), 0);
  }
  std::vector<uint8_t> Flow(uint32_t n) {
    Ref<zk::IFileStrem> s;
    if (flows->OpenFlow(n, s.out()) != 0) return {};
    return ReadAll(s.get());
  }
  // The flow numbers in use: 1 up to the last one, those that open.
  std::vector<uint32_t> FlowNumbers() {
    std::vector<uint32_t> out;
    for (uint32_t n = 1; n < flows->NextFlowNumber(); ++n) {
      Ref<zk::IFileStrem> s;
      if (flows->OpenFlow(n, s.out()) == 0) out.push_back(n);
    }
    return out;
  }
};

}  // namespace enginetest
