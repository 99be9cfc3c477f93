// What the key storage tests share: the toolkit loaded, a key storage over
// a file of a temporary folder, owners, and the fixed clock.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "EngineFactories.h"
#include "EngineTestSupport.h"
#include "KeysCommon.h"
#include "kvSafeDriver.h"
#include "ZkTestSupport.h"
#include "tests/SeamTestSupport.h"

namespace enginetest {

inline zk::KeyOwner Owner(const char* name, const char* second = "", const char* country = "",
                          const char* city = "") {
  zk::KeyOwner o{};
  std::strncpy(o.name, name, 32);
  std::strncpy(o.secondName, second, 32);
  std::strncpy(o.country, country, 32);
  std::strncpy(o.city, city, 32);
  return o;
}

// One kiv.Keys over a storage path, with its three interfaces.
struct Storage {
  zk::IKeysCtrl* ctrl = nullptr;
  zk::IKeyOperations* ops = nullptr;
  zk::IKeySign* sign = nullptr;
  explicit Storage(const std::string& path) {
    EXPECT_EQ(zk::engine::MakeKeys(path.c_str(), &ctrl), 0);
    if (!ctrl) return;
    ops = zktest::Face<zk::IKeyOperations>(ctrl, zk::id::KivIKeyOperations);
    sign = zktest::Face<zk::IKeySign>(ctrl, zk::id::KivIKeySign);
  }
  ~Storage() {
    zk::ReleaseAndNull(sign);
    zk::ReleaseAndNull(ops);
    zk::ReleaseAndNull(ctrl);
  }
  zk::IKeysCtrl* operator->() const { return ctrl; }
  std::string OwnerName(bool pair, uint32_t i) {
    zk::KeyInfo info{};
    EXPECT_EQ(pair ? ctrl->GetPrivateKeyInfo(i, &info) : ctrl->GetPublicKeyInfo(i, &info), 0);
    return info.owner.name;
  }
};

inline uint32_t g_clock = 0;
inline uint32_t FixedClock() { return g_clock; }

class KeysTest : public LibrariesTest {
 protected:
  void TearDown() override { zk::engine::SetClockForTests(nullptr); }
  // Fixes the clock of key, storage and signature files.
  void FixClock(uint32_t t) {
    g_clock = t;
    zk::engine::SetClockForTests(&FixedClock);
  }
  std::string File(const char* name) const { return dir.File(name); }
  zktest::TempDir dir;
};

}  // namespace enginetest
