// The user's staging folder moved into a test's own folder for a scope:
// TMPDIR names dir/tmp and XDG_RUNTIME_DIR is unset, so the staging folder
// is dir/tmp/kivora-<uid> (not made here); dir/elsewhere is a folder a link
// there can point to. Both variables come back at the end of the scope.
// Header-only.
#pragma once
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "ZkTestSupport.h"

namespace zktest {

class StagingFolderScope {
 public:
  explicit StagingFolderScope(const TempDir& dir)
      : tmp(dir.File("tmp")), elsewhere(dir.File("elsewhere")),
        staging(tmp + "/kivora-" + std::to_string(getuid())), xdg_("XDG_RUNTIME_DIR", nullptr),
        tmpdir_("TMPDIR", tmp.c_str()) {
    EXPECT_EQ(mkdir(tmp.c_str(), 0700), 0);
    EXPECT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
  }
  StagingFolderScope(const StagingFolderScope&) = delete;
  StagingFolderScope& operator=(const StagingFolderScope&) = delete;

  const std::string tmp, elsewhere, staging;

 private:
  ScopedEnv xdg_, tmpdir_;
};

}  // namespace zktest
