// The base's plain system part: the program folder and the rule of the
// user's private folders.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "PrivateFolder.h"
#include "ProgramFolder.h"
#include "ZkTestSupport.h"

namespace {

using zk::FolderRefusal;

TEST(ProgramFolder, FolderOfKeepsTheTrailingSlash) {
  const struct {
    const char* path;
    const char* folder;
  } cases[] = {
      {"/Kivora", "/"},  // a program in the root folder
      {"/opt/kivora/Kivora", "/opt/kivora/"},
      {"/opt/kivora/", "/opt/kivora/"},
      {"Kivora", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(zk::FolderOf(c.path), c.folder) << c.path;
}

TEST(ProgramFolder, IsTheRunningProgramsFolder) {
  const std::string path = zk::ProgramPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path[0], '/');
  struct stat st;
  EXPECT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(zk::ProgramFolder(), zk::FolderOf(path));
  EXPECT_EQ(zk::ProgramFolder() + "base_SystemBaseTest", path);
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(PrivateFolder, OneRuleForEveryKindOfFolder) {
  umask(022);
  zktest::TempDir dir;
  mkdir(dir.File("own").c_str(), 0700);
  mkdir(dir.File("open").c_str(), 0700);
  chmod(dir.File("open").c_str(), 0755);
  mkdir(dir.File("target").c_str(), 0700);
  chmod(dir.File("target").c_str(), 0755);
  ASSERT_EQ(symlink(dir.File("target").c_str(), dir.File("link").c_str()), 0);
  zktest::WriteFile(dir.File("file"), {'x'});
  const struct {
    const char* name;
    FolderRefusal inspect;  // as it is found
    FolderRefusal prepare;  // after the rule is applied
    mode_t mode;            // its mode afterwards (0: none)
  } cases[] = {
      {"missing", FolderRefusal::kCannotMake, FolderRefusal::kNone, 0700},
      {"own", FolderRefusal::kNone, FolderRefusal::kNone, 0700},
      {"open", FolderRefusal::kNone, FolderRefusal::kNone, 0700},  // closed again
      {"link", FolderRefusal::kLink, FolderRefusal::kLink, 0777},  // the link itself
      {"file", FolderRefusal::kNotFolder, FolderRefusal::kNotFolder, 0644},
      {"no/such/parent", FolderRefusal::kCannotMake, FolderRefusal::kCannotMake, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File(c.name);
    EXPECT_EQ(zk::InspectPrivateFolder(path), c.inspect);
    EXPECT_EQ(zk::PreparePrivateFolder(path), c.prepare);
    EXPECT_EQ(ModeOf(path), c.mode);
  }
  // The link is never followed: its target stays as it was.
  EXPECT_EQ(ModeOf(dir.File("target")), 0755u);
}

TEST(PrivateFolder, AnotherUsersFolderIsRefused) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
  zktest::TempDir dir;
  const std::string path = dir.File("theirs");
  ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
  ASSERT_EQ(chown(path.c_str(), 4321, 4321), 0);
  EXPECT_EQ(zk::InspectPrivateFolder(path), FolderRefusal::kOtherOwner);
  EXPECT_EQ(zk::PreparePrivateFolder(path), FolderRefusal::kOtherOwner);
  EXPECT_EQ(ModeOf(path), 0755u);  // not closed: it is not ours
}

TEST(PrivateFolder, StagingFolderFollowsTheEnvironment) {
  zktest::TempDir dir;
  const std::string user = "/kivora-" + std::to_string(getuid());
  const std::string runtime = dir.File("runtime"), tmp = dir.File("tmp"), missing = dir.File("missing");
  mkdir(runtime.c_str(), 0700);
  const struct {
    const char* xdg;
    const char* tmpdir;
    std::string folder;
  } cases[] = {
      {runtime.c_str(), tmp.c_str(), runtime + user},
      {nullptr, tmp.c_str(), tmp + user},
      {missing.c_str(), tmp.c_str(), tmp + user},  // no folder: $TMPDIR
      {"runtime", "tmp", "/tmp" + user},                        // relative: ignored
      {nullptr, nullptr, "/tmp" + user},
  };
  for (const auto& c : cases) {
    zktest::ScopedEnv xdg("XDG_RUNTIME_DIR", c.xdg), tmpdir("TMPDIR", c.tmpdir);
    EXPECT_EQ(zk::StagingFolder(), c.folder);
  }
}

}  // namespace
