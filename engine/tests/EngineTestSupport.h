// A test suite whose tests need the libraries of the program's driver
// (storage, cipher, arc and script), loaded once before the suite.
#pragma once
#include <gtest/gtest.h>

#include "ZkTestSupport.h"

namespace enginetest {

class AppLibrariesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* lib : {"zk5storage", "zk5cipher", "zk5arc", "zk5script"})
      ASSERT_TRUE(zktest::LoadToolkit(lib));
  }
};

}  // namespace enginetest
