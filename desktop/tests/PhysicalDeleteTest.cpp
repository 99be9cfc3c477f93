// Wiping disk files: zeros on disk before the unlink, growing percentages,
// links and folders left alone, write errors keep the file.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/ZkTestSupport.h"
#include "desktop/PhysicalDeleteUnit.h"

namespace {

bool Exists(const std::string& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0;
}

TEST(PhysicalDeleteTest, WipesWithZerosAndGrowingPercentages) {
  for (size_t size : {size_t{0}, size_t{200000}, size_t{65536}}) {
    SCOPED_TRACE(size);
    zktest::TempDir dir;
    const std::string path = dir.File("victim.bin");
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
    zktest::WriteFile(path, bytes);

    std::vector<int32_t> percents;
    std::vector<uint8_t> onDisk;
    bool sawBeforeUnlink = false;
    kiv::WipeHooks hooks;
    hooks.percent = [&](int32_t p) { percents.push_back(p); };
    hooks.beforeUnlink = [&](const std::string& p) {
      sawBeforeUnlink = true;
      onDisk = zktest::ReadFile(p);
    };
    ASSERT_EQ(kiv::WipeFile(path, hooks), kiv::WipeResult::kWiped);
    EXPECT_TRUE(sawBeforeUnlink);
    EXPECT_EQ(onDisk, std::vector<uint8_t>(size, 0));  // same size, all zeros
    EXPECT_FALSE(Exists(path));
    ASSERT_GE(percents.size(), 2u);
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end()), percents.end());
  }
}

TEST(PhysicalDeleteTest, LinksFoldersAndMissingFilesAreSkippedAndReported) {
  zktest::TempDir dir;
  const std::string target = dir.File("target.txt"), link = dir.File("link.txt"),
                    folder = dir.File("folder"), missing = dir.File("missing"),
                    plain = dir.File("plain.txt");
  std::ofstream(target) << "must stay";
  std::ofstream(plain) << "goes";
  ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);

  kiv::WipeReport r = kiv::WipeFiles({link, folder, missing, plain});
  EXPECT_EQ(r.skipped, (std::vector<std::string>{link, folder, missing}));
  EXPECT_TRUE(r.failed.empty());
  EXPECT_TRUE(Exists(link));
  EXPECT_TRUE(Exists(folder));
  EXPECT_FALSE(Exists(plain));
  // The link's target is untouched.
  std::ifstream in(target);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "must stay");
}

TEST(PhysicalDeleteTest, WriteErrorKeepsTheFile) {
  // A full disk can't be made here without privileges: a file size limit
  // in a child process makes the second block's write fail.
  zktest::TempDir dir;
  const std::string path = dir.File("big.bin");
  zktest::WriteFile(path, std::vector<uint8_t>(200000, 0x55));
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // In the child: writes past 64 KiB fail (SIGXFSZ ignored gives EFBIG).
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim {65536, 65536};
    setrlimit(RLIMIT_FSIZE, &lim);
    _exit(kiv::WipeFile(path) == kiv::WipeResult::kFailed ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(Exists(path));
}

}  // namespace
