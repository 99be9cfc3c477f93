// Part files of saves: a save holds a lock on its ".<name>.<tag>.part" file
// while it writes. One that nobody holds (its save was killed) is removed by
// the next save, open or extraction of its target; one that another process
// is still writing stays, and that process's save still completes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "SecretFiles.h"
#include "tests/SafeTestSupport.h"
#include "tests/SecretTestSupport.h"

using namespace enginetest;

namespace {

namespace fs = std::filesystem;

// The names in folder that look like part files of `name`.
std::vector<std::string> PartsOf(const std::string& folder, const std::string& name) {
  std::vector<std::string> out;
  const std::string head = "." + name + ".";
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string n = e.path().filename().string();
    if (n.size() > head.size() + 5 && n.compare(0, head.size(), head) == 0 && n.ends_with(".part"))
      out.push_back(n);
  }
  return out;
}

// A save of `target` in a child process: it begins the replacement, writes
// 5000 bytes into its part file and says so, then waits for the word to
// commit, or is killed.
class OtherProcessSave {
 public:
  explicit OtherProcessSave(const std::string& target) {
    Ref<zk::IFileSystem> files(zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem));
    if (pipe(toChild_) != 0 || pipe(fromChild_) != 0) ADD_FAILURE() << "pipe";
    pid_ = fork();
    if (pid_ == 0) {
      close(toChild_[1]);
      close(fromChild_[0]);
      int code = 1;
      {
        zk::engine::FileReplacement r(files.get());
        if (r.Begin(target.c_str()) == 0) {
          const std::vector<uint8_t> bytes(5000, 'x');
          if (r.stream()->Write(bytes.data(), uint32_t(bytes.size())) == 0 && write(fromChild_[1], "r", 1) == 1) {
            char word = 0;
            if (read(toChild_[0], &word, 1) == 1 && word == 'c' && r.Commit() == 0) code = 0;
          }
        }
      }
      _exit(code);
    }
    close(toChild_[0]);
    close(fromChild_[1]);
    char ready = 0;
    ready_ = read(fromChild_[0], &ready, 1) == 1 && ready == 'r';
  }
  ~OtherProcessSave() {
    if (pid_ > 0) Kill();
    close(toChild_[1]);
    close(fromChild_[0]);
  }
  bool ready() const { return ready_; }
  // Lets the save commit; its exit status (0: committed).
  int Finish() {
    if (write(toChild_[1], "c", 1) != 1) return -1;
    return Wait();
  }
  void Kill() {
    kill(pid_, SIGKILL);
    Wait();
  }

 private:
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  pid_t pid_ = -1;
  int toChild_[2] = {-1, -1};
  int fromChild_[2] = {-1, -1};
  bool ready_ = false;
};

class PartFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    LoadLibraries();
    enginetest::LoadLibraries();
  }
  // A save of target killed after writing: its part file stays behind.
  void LeaveKilledPart(const std::string& target) {
    OtherProcessSave save(target);
    ASSERT_TRUE(save.ready());
    save.Kill();
    const auto parts = PartsOf(dir.path(), fs::path(target).filename().string());
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(fs::file_size(dir.File(parts[0])), 5000u);
  }
  zktest::TempDir dir;
};

TEST_F(PartFiles, APartFileStillBeingWrittenByAnotherProcessStays) {
  const std::string target = dir.File("m.kvs");
  ASSERT_EQ(SaveMessage(target, zk::kFormatSecretFile, 2, 1, "pw", "old"), 0);
  OtherProcessSave other(target);
  ASSERT_TRUE(other.ready());
  const auto held = PartsOf(dir.path(), "m.kvs");
  ASSERT_EQ(held.size(), 1u);
  // A save, an open and a plain clean-up of the same target meanwhile.
  ASSERT_EQ(SaveMessage(target, zk::kFormatSecretFile, 2, 1, "pw", "new"), 0);
  std::string text;
  ASSERT_EQ(ReadMessage(target, zk::kFormatSecretFile, "pw", &text), 0);
  EXPECT_EQ(text, "new");
  zk::engine::RemoveStaleParts(target.c_str());
  EXPECT_EQ(PartsOf(dir.path(), "m.kvs"), held);
  EXPECT_EQ(fs::file_size(dir.File(held[0])), 5000u);
  // The other save completes over the target.
  EXPECT_EQ(other.Finish(), 0);
  EXPECT_TRUE(PartsOf(dir.path(), "m.kvs").empty());
  EXPECT_EQ(zktest::ReadFile(target), std::vector<uint8_t>(5000, 'x'));
}

TEST_F(PartFiles, APartFileLeftByAKilledSaveGoesAtTheNextTouch) {
  const std::string disk = dir.File("data.bin");
  zktest::WriteFile(disk, AllByteValues(3));
  const struct {
    const char* what;
    const char* target;
    std::function<StatusCode(const std::string&)> touch;
  } cases[] = {
      {"save of a secret", "s.kvs",
       [&](const std::string& t) { return SaveMessage(t, zk::kFormatSecretFile, 2, 1, "pw", "text"); }},
      {"open of a secret", "o.kvs",
       [&](const std::string& t) {
         std::string text;
         return ReadMessage(t, zk::kFormatSecretFile, "pw", &text);
       }},
      {"extraction of a file secret", "out.bin",
       [&](const std::string& t) {
         const std::string secret = dir.File("f.kvs");
         StatusCode st = SaveFile(secret, zk::kFormatSecretFile, 2, 1, "pw", disk, 0);
         return st != 0 ? st : ReadFileBack(secret, zk::kFormatSecretFile, "pw", t);
       }},
      {"extraction from a safe", "safe-out.bin",
       [&](const std::string& t) {
         enginetest::Rig rig;
         rig.New();
         StatusCode st = rig.safe->AddFile("\\", disk.c_str(), 0, nullptr);
         return st != 0 ? st : rig.safe->ExtractFile("\\data.bin", t.c_str(), nullptr);
       }},
      {"save of the key storage", "keys.kst",
       [&](const std::string& t) {
         Ref<zk::IKeysCtrl> keys;
         StatusCode st = zk::engine::MakeKeys(t.c_str(), keys.out());
         if (st == 0) st = keys->Open("pw");
         return st != 0 ? st : keys->Save();
       }},
      {"open of the key storage", "open.kst",
       [&](const std::string& t) {
         Ref<zk::IKeysCtrl> keys;
         StatusCode st = zk::engine::MakeKeys(t.c_str(), keys.out());
         return st != 0 ? st : keys->Open("pw");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string target = dir.File(c.target);
    // The opens find a file in place.
    if (c.target == std::string("o.kvs")) {
      ASSERT_EQ(SaveMessage(target, zk::kFormatSecretFile, 2, 1, "pw", "text"), 0);
    }
    if (c.target == std::string("open.kst")) {
      ASSERT_EQ(c.touch(target), 0);
    }
    LeaveKilledPart(target);
    EXPECT_EQ(c.touch(target), 0);
    EXPECT_TRUE(PartsOf(dir.path(), c.target).empty());
  }
}

// Several processes save the same target at once, each save cleaning up
// before it begins: none ever loses its part file to another's clean-up,
// so every save commits, and nothing is left beside the target.
TEST_F(PartFiles, ConcurrentSavesNeverRemoveEachOthersPartFiles) {
  const std::string target = dir.File("busy.bin");
  constexpr int kProcesses = 4, kSaves = 40;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      Ref<zk::IFileSystem> files(zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem));
      int failed = 0;
      for (int i = 0; i < kSaves; ++i) {
        zk::engine::FileReplacement r(files.get());
        const std::vector<uint8_t> bytes(2000 + 100 * p, uint8_t('a' + p));
        if (r.Begin(target.c_str()) != 0 || r.stream()->Write(bytes.data(), uint32_t(bytes.size())) != 0 ||
            r.Commit() != 0)
          ++failed;
      }
      _exit(failed);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "saves that failed";
  }
  EXPECT_TRUE(PartsOf(dir.path(), "busy.bin").empty());
  const auto last = zktest::ReadFile(target);
  ASSERT_FALSE(last.empty());
  EXPECT_EQ(last, std::vector<uint8_t>(2000 + 100 * (last[0] - 'a'), last[0]));
}

// Only the part files of the target that are the user's own regular files
// and held by nobody go; names of other targets, other shapes of name,
// links and folders stay.
TEST_F(PartFiles, OnlyTheTargetsOwnUnheldPartFilesGo) {
  const std::string target = dir.File("m.kvs");
  const std::vector<std::string> stale = {".m.kvs.abcdefghij.part", ".m.kvs.0123456789.part"};
  const std::vector<std::string> others = {
      ".m.kvs.ABCDEFGHIJ.part", ".m.kvs.abc.part",    ".m.kvs.abcdefghijk.part", ".m.kvs.abcdefghij.parts",
      "m.kvs.abcdefghij.part",  ".n.kvs.abcdefghij.part", ".m.kvs.abcde-ghij.part", ".m.kvs..part"};
  for (const auto& n : stale) zktest::WriteFile(dir.File(n), {'s'});
  for (const auto& n : others) zktest::WriteFile(dir.File(n), {'o'});
  zktest::WriteFile(dir.File("elsewhere"), {'e'});
  ASSERT_EQ(symlink(dir.File("elsewhere").c_str(), dir.File(".m.kvs.linklinkli.part").c_str()), 0);
  ASSERT_EQ(mkdir(dir.File(".m.kvs.folderfold.part").c_str(), 0700), 0);
  // One held by this process through its own open file: locked, it stays.
  const std::string held = dir.File(".m.kvs.heldheldhe.part");
  zktest::WriteFile(held, {'h'});
  const int fd = open(held.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(flock(fd, LOCK_EX), 0);
  // Another user's stays (only root can make one here).
  const std::string foreign = dir.File(".m.kvs.foreignfor.part");
  const bool root = geteuid() == 0;
  if (root) {
    zktest::WriteFile(foreign, {'f'});
    ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
  }

  zk::engine::RemoveStaleParts(target.c_str());
  for (const auto& n : stale) EXPECT_FALSE(fs::exists(dir.File(n))) << n;
  for (const auto& n : others) EXPECT_TRUE(fs::exists(dir.File(n))) << n;
  EXPECT_TRUE(fs::is_symlink(dir.File(".m.kvs.linklinkli.part")));
  EXPECT_EQ(zktest::ReadFile(dir.File("elsewhere")), std::vector<uint8_t>{'e'});
  EXPECT_TRUE(fs::is_directory(dir.File(".m.kvs.folderfold.part")));
  EXPECT_TRUE(fs::exists(held));
  if (root) {
    EXPECT_TRUE(fs::exists(foreign));
  }
  close(fd);
  // Released, it goes too.
  zk::engine::RemoveStaleParts(target.c_str());
  EXPECT_FALSE(fs::exists(held));
  // A target in the current folder, named without a folder.
  const fs::path was = fs::current_path();
  fs::current_path(dir.path());
  zktest::WriteFile(dir.File(".here.kvs.abcdefghij.part"), {'s'});
  zk::engine::RemoveStaleParts("here.kvs");
  EXPECT_FALSE(fs::exists(dir.File(".here.kvs.abcdefghij.part")));
  fs::current_path(was);
}

// A save in progress holds its part file's lock, and drops it with the
// file: after a commit or an abandon nothing of it is left or locked.
TEST_F(PartFiles, ASaveHoldsItsLockUntilCommitOrAbandon) {
  Ref<zk::IFileSystem> files(zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem));
  const std::string target = dir.File("t.bin");
  for (bool commit : {true, false}) {
    SCOPED_TRACE(commit);
    zk::engine::FileReplacement r(files.get());
    ASSERT_EQ(r.Begin(target.c_str()), 0);
    const auto parts = PartsOf(dir.path(), "t.bin");
    ASSERT_EQ(parts.size(), 1u);
    const int fd = open(dir.File(parts[0]).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_NE(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(errno, EWOULDBLOCK);
    ASSERT_EQ(r.stream()->Write("abc", 3), 0);
    if (commit) {
      ASSERT_EQ(r.Commit(), 0);
    } else {
      r.Abandon();
    }
    // The file (now the target, or removed) is no longer locked.
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    close(fd);
    EXPECT_TRUE(PartsOf(dir.path(), "t.bin").empty());
  }
  EXPECT_EQ(zktest::ReadFile(target), (std::vector<uint8_t>{'a', 'b', 'c'}));
}

}  // namespace
