// What every engine test may need first: the toolkit libraries the engine
// uses (storage, cipher, steg, arc, script) loaded once, by a call or by a
// fixture base for a whole suite.
#pragma once
#include <gtest/gtest.h>

#include "ZkTestSupport.h"

namespace enginetest {

// Loads the libraries once; fails the test when one cannot be loaded.
inline void LoadLibraries() {
  static const bool loaded = [] {
    bool all = true;
    for (const char* lib : {"zk5storage", "zk5cipher", "zk5steg", "zk5arc", "zk5script"})
      all = zktest::LoadToolkit(lib) && all;
    return all;
  }();
  ASSERT_TRUE(loaded);
}

// A suite whose tests all need the libraries: loaded before the suite.
class LibrariesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { LoadLibraries(); }
};

}  // namespace enginetest
