// The program as a process: its start failures and exit codes, and the
// single-instance hand-over from a second start. Each test builds a program
// folder of its own (the program, the runtime, the fake engine as
// kiv_safe.so, kiv_config.txt) and a private runtime folder for the socket.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kvMessageSocket.h"
#include "tests/support/ZkTestSupport.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Program {
 public:
  Program() {
    folder = dir.File("bin");
    runtime = dir.File("run");
    fs::create_directory(folder);
    fs::create_directory(runtime);
    chmod(runtime.c_str(), 0700);
    const std::string built = zktest::ProgramDir();
    fs::copy_file(built + "/Kivora", folder + "/Kivora");
    fs::copy_file(built + "/zk5main.so", folder + "/zk5main.so");
    fs::copy_file(built + "/kiv_safe_fake.so", folder + "/kiv_safe.so");
    std::ofstream(folder + "/kiv_config.txt") << "lang_cur = \"english\"\n";
  }
  ~Program() {
    for (pid_t p : running) {
      kill(p, SIGKILL);
      waitpid(p, nullptr, 0);
    }
  }

  // Starts the program; its stderr goes to a file of its own.
  pid_t Start(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {}) {
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtime,
                                    "KIVORA_MESSAGE_LOG=" + dir.File("messages.log"),
                                    "KIVFAKE_CALLS=" + dir.File("engine.log"),
                                    "HOME=" + dir.path()};
    for (char** e = environ; *e; ++e) {
      std::string s = *e;
      if (s.rfind("PATH=", 0) == 0 || s.rfind("ASAN_OPTIONS=", 0) == 0 ||
          s.rfind("UBSAN_OPTIONS=", 0) == 0)
        env.push_back(s);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<std::string> argv = {folder + "/Kivora"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> a, e;
    for (auto& s : argv) a.push_back(s.data());
    a.push_back(nullptr);
    for (auto& s : env) e.push_back(s.data());
    e.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    std::string err = dir.File("stderr" + std::to_string(starts++) + ".txt");
    lastStderr = err;
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, a[0], &fa, nullptr, a.data(), e.data()), 0);
    posix_spawn_file_actions_destroy(&fa);
    running.push_back(pid);
    return pid;
  }

  // The exit status of a started program (waits for it). One still running
  // after 30 s is killed and answers -1, so a program that never ends (a
  // second start that found no first one) fails the test, not hangs it.
  int Wait(pid_t pid) {
    int status = 0;
    QElapsedTimer t;
    t.start();
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (t.elapsed() > 30000) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        std::erase(running, pid);
        return -1;
      }
      QThread::msleep(10);
    }
    std::erase(running, pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  }

  // True while a started program runs.
  static bool Running(pid_t pid) { return waitpid(pid, nullptr, WNOHANG) == 0; }

  int Run(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {}) {
    return Wait(Start(args, extraEnv));
  }

  // True once a program listens on the socket.
  bool WaitListening() {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
      int fd = kiv::wm::ConnectTo(kiv::wm::SocketPath(runtime));
      if (fd >= 0) {
        close(fd);
        return true;
      }
      QThread::msleep(20);
    }
    return false;
  }

  // The lines of the message log once it has at least n of them.
  std::vector<std::string> WaitLog(size_t n) {
    QElapsedTimer t;
    t.start();
    std::vector<std::string> lines;
    while (t.elapsed() < 20000) {
      lines.clear();
      std::istringstream in(ReadText(dir.File("messages.log")));
      for (std::string l; std::getline(in, l);) lines.push_back(l);
      if (lines.size() >= n) break;
      QThread::msleep(20);
    }
    return lines;
  }

  // Sends records to the running program as another process would.
  bool Send(const std::vector<kiv::wm::Record>& records) {
    int fd = kiv::wm::ConnectTo(kiv::wm::SocketPath(runtime));
    if (fd < 0) return false;
    bool ok = kiv::wm::WriteRecords(fd, records);
    close(fd);
    return ok;
  }

  zktest::TempDir dir;
  std::string folder, runtime, lastStderr;
  std::vector<pid_t> running;
  int starts = 0;
};

TEST(ProgramStart, FailureTable) {
  struct Case {
    const char* what;
    std::function<void(Program&)> prepare;
    std::vector<std::string> env;
    int exitCode;
    const char* message;
  } cases[] = {
      {"no zk5main.so", [](Program& p) { fs::remove(p.folder + "/zk5main.so"); }, {}, 255,
       "ZKToolKit5: Can't find the zk5main.dll library!"},
      {"a runtime without zk_CreateInstance",
       [](Program& p) {
         fs::copy_file(zktest::ProgramDir() + "/zk5main_stub.so", p.folder + "/zk5main.so",
                       fs::copy_options::overwrite_existing);
       },
       {}, 254, "ZKToolKit5: Can't find the <zk_CreateInstance> function in zk5main.dll library!"},
      {"no kiv_safe.so", [](Program& p) { fs::remove(p.folder + "/kiv_safe.so"); }, {}, 255,
       "The library kiv_safe.dll was not found!"},
      {"an engine without its driver class",
       [](Program& p) {
         fs::copy_file(zktest::ProgramDir() + "/zk5main_stub.so", p.folder + "/kiv_safe.so",
                       fs::copy_options::overwrite_existing);
       },
       {}, 254, "Can not create the object of kvCSafeDriverApp class!"},
      {"no kiv_config.txt", [](Program& p) { fs::remove(p.folder + "/kiv_config.txt"); }, {}, 253,
       "Can not initialize the m_Driver object!"},
      {"no text resource", [](Program&) {}, {"KIVFAKE_FAIL=textres"}, 252,
       "Can not get the text resource object!"},
      {"no parameters", [](Program&) {}, {"KIVFAKE_FAIL=appparam"}, 251,
       "Can not get the application parametrs object!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Program p;
    c.prepare(p);
    EXPECT_EQ(p.Run({}, c.env), c.exitCode);
    EXPECT_NE(ReadText(p.lastStderr).find(c.message), std::string::npos) << ReadText(p.lastStderr);
  }
}

TEST(ProgramStart, SecondStartHandsItsFileToTheFirst) {
  Program p;
  pid_t first = p.Start({});
  ASSERT_TRUE(p.WaitListening());
  std::string file = p.dir.File("a secret.kvs");
  std::ofstream(file) << "x";
  // A quoted path of an existing file, a missing file, no argument.
  EXPECT_EQ(p.Run({"\"" + file + "\""}), 0);
  EXPECT_EQ(p.Run({p.dir.File("missing.kvs")}), 0);
  EXPECT_EQ(p.Run({}), 0);
  // A relative path reaches the first program as a full one.
  std::string rel = fs::relative(file, fs::current_path()).string();
  EXPECT_EQ(p.Run({rel}), 0);
  ASSERT_TRUE(p.Send({{kiv::wm::kMinimise, 0, 0}}));
  std::vector<std::string> log = p.WaitLog(3);
  EXPECT_EQ(log, (std::vector<std::string>{"1046\t" + file, "1046\t" + file, "1049\t" + file}));
  // Each 1046 ran the open step on the name (its probe), and the password
  // window nobody can answer was cancelled: the first program still runs.
  EXPECT_EQ(ReadText(p.dir.File("engine.log")), "probe " + file + "\nprobe " + file + "\n");
  EXPECT_TRUE(Program::Running(first));
  kill(first, SIGTERM);
  p.Wait(first);
}

TEST(ProgramStart, TwoStartedTogetherMakeOneFirst) {
  Program p;
  pid_t a = p.Start({});
  pid_t b = p.Start({});
  // Exactly one hands over (to the other) and ends with 0.
  int ended = 0;
  pid_t still = 0;
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 20000 && ended == 0) {
    for (pid_t x : {a, b}) {
      int status;
      if (waitpid(x, &status, WNOHANG) == x) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        std::erase(p.running, x);
        ++ended;
        still = x == a ? b : a;
      }
    }
    QThread::msleep(20);
  }
  ASSERT_EQ(ended, 1);
  ASSERT_TRUE(p.WaitListening());
  EXPECT_EQ(waitpid(still, nullptr, WNOHANG), 0);  // the first still runs
}

TEST(ProgramStart, StaleSocketIsReplaced) {
  Program p;
  // A socket file nobody listens on, as a crashed program leaves it.
  sockaddr_un addr;
  ASSERT_TRUE(kiv::wm::SocketAddress(kiv::wm::SocketPath(p.runtime), addr));
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  close(fd);
  pid_t first = p.Start({});
  ASSERT_TRUE(p.WaitListening());
  EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0);
}

}  // namespace
