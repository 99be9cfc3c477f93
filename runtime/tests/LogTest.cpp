// The log's exact bytes and the fatal stop.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <thread>

#include "ZkTestSupport.h"
#include "zk5main.h"

namespace {

std::string LogPath() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  path[n] = 0;
  return std::string(path) + ".log";
}

std::string LogBytes() {
  auto v = zktest::ReadFile(LogPath());
  return std::string(v.begin(), v.end());
}

// What a block of code appended to the log.
template <class F>
std::string Appended(F f) {
  size_t before = LogBytes().size();
  f();
  return LogBytes().substr(before);
}

const std::string kDashes(50, '-');
const char* kTime = "(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                    "[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}";

TEST(Log, PlainEntryWritesTextAndCrLf) {
  EXPECT_EQ(Appended([] { zk_WriteToLog("hello"); }), "hello\r\n");
  EXPECT_EQ(Appended([] { zk_WriteToLog("a\nb"); }), "a\r\nb\r\n");
  EXPECT_EQ(Appended([] { zk_WriteToLog(nullptr); }), "");
}

TEST(Log, TimedEntryHasDashesTimeBlankLineAndText) {
  std::string got = Appended([] { zk_WriteTimedToLog("timed text"); });
  std::regex want(kDashes + "\r\n" + kTime + "\r\n\r\ntimed text\r\n");
  EXPECT_TRUE(std::regex_match(got, want)) << got;
  EXPECT_EQ(Appended([] { zk_WriteTimedToLog(nullptr); }), "");
}

TEST(Log, TracePopWithoutPushDoesNothing) {
  std::thread([] { zk_PopCall(); }).join();
  SUCCEED();
}

// The fatal stop runs in a child process: its log lines, its trace dump
// (threads in order of their first push, frames newest first, null texts
// skipped) and its exit status.
TEST(Log, FatalStopLogsTracesAndExits) {
  size_t before = LogBytes().size();
  uint32_t first = 0, second = 0;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    zk_PushCall("main-outer", 10);
    zk_PushCall(nullptr, 11);
    zk_PushCall("main-inner", 12);
    uint32_t ids[2] = {zk_GetCurrentThreadId(), 0};
    std::thread([&] {
      ids[1] = zk_GetCurrentThreadId();
      zk_PushCall("worker", 7);
      zk_PushCall("worker-popped", 8);
      zk_PopCall();
    }).join();
    if (write(fds[1], ids, sizeof ids) != sizeof ids) _exit(1);
    zk_ExceptMessage(-2);
  }
  close(fds[1]);
  uint32_t ids[2] = {0, 0};
  ASSERT_EQ(read(fds[0], ids, sizeof ids), static_cast<ssize_t>(sizeof ids));
  close(fds[0]);
  first = ids[0];
  second = ids[1];
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 254);  // -2 reaches the parent as 256 - 2

  std::string got = LogBytes().substr(before);
  std::regex want(kDashes + "\r\n" + kTime + "\r\n\r\nError: invalid arguments\r\n" + "Thread " +
                  std::to_string(first) + ":\r\nmain-inner - line 12\r\nmain-outer - line 10\r\n" +
                  "Thread " + std::to_string(second) + ":\r\nworker - line 7\r\n");
  EXPECT_TRUE(std::regex_match(got, want)) << got;
}

TEST(Log, NullInterfaceCodeExitsWith245) {
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) zk_ExceptMessage(-11);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 245);
}

}  // namespace
