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
        staging(tmp + "/kivora-" + std::to_string(getuid())) {
    EXPECT_EQ(mkdir(tmp.c_str(), 0700), 0);
    EXPECT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    oldXdg_ = xdg ? xdg : "";
    const char* tmpdir = std::getenv("TMPDIR");
    oldTmpdir_ = tmpdir ? tmpdir : "";
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", tmp.c_str(), 1);
  }
  ~StagingFolderScope() {
    oldXdg_.empty() ? unsetenv("XDG_RUNTIME_DIR") : setenv("XDG_RUNTIME_DIR", oldXdg_.c_str(), 1);
    oldTmpdir_.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", oldTmpdir_.c_str(), 1);
  }
  StagingFolderScope(const StagingFolderScope&) = delete;
  StagingFolderScope& operator=(const StagingFolderScope&) = delete;

  const std::string tmp, elsewhere, staging;

 private:
  std::string oldXdg_, oldTmpdir_;
};

}  // namespace zktest
