// Random operations on a safe against a plain tree in memory, compared
// after every commit and every reopen.
#include <gtest/gtest.h>

#include "tests/SafeModel.h"

namespace {

// The safe over a container in memory, stored by a stand-in secret.
struct RigMedium : enginetest::SafeMedium {
  enginetest::Rig rig;
  RigMedium() { rig.New(); }
  zk::ISafe* safe() override { return rig.safe; }
  void Reopen() override { rig.CommitAndReopen(); }
  size_t FlowCount() override { return rig.FlowNumbers().size(); }
};

TEST(SafeModelTest, ThousandsOfRandomOperationsInMemory) {
  enginetest::LoadLibraries();
  for (uint32_t seed : {1u, 2u}) {
    zktest::TempDir dir;
    RigMedium medium;
    enginetest::SafeModel model(medium, dir.path(), seed);
    model.Run(3000);
    EXPECT_GT(model.compares_, 50) << seed;
  }
}

}  // namespace
