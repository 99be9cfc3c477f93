// Each user's settings and keys in their own folders: the first start's
// copy of the shipped kiv_config.txt, saves beside and renamed over, the
// names a newer shipped file adds, unusable files left as they are, the
// move from an earlier build's program folder, modes under any umask, and
// several users over one read-only program folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "Platform.h"
#include "SafeDriverApp.h"
#include "SecretFiles.h"
#include "ToolkitObject.h"
#include "UserConfig.h"
#include "UserFolders.h"
#include "ZkTestSupport.h"
#include "tests/EngineTestSupport.h"
#include "tests/SeamTestSupport.h"
#include "kvSafeDriver.h"

using namespace zk;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
std::string Text(const std::string& path) {
  std::vector<uint8_t> b = zktest::ReadFile(path);
  return std::string(b.begin(), b.end());
}
bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}
mode_t Mode(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 01000;
}
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}
// Every file below a folder with its bytes and mode.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    std::string key = e.path().string().substr(folder.size());
    files[key] = std::to_string(Mode(e.path())) + ":" + (e.is_regular_file() ? Text(e.path()) : "");
  }
  return files;
}

// The shipped file as the build writes it: LF line ends, blank lines,
// comments before names.
const char kShipped[] =
    "# Kivora's settings.\n"
    "\n"
    "# The language in use.\n"
    "lang_cur=\"en\"\n"
    "en_file=\"lang_en.txt\"\n"
    "# The key storage.\n"
    "key_storage=\"kiv_keys.dat\"\n"
    "cipher=\"1\"\n"
    "count_of_files_reopen=\"1\"\n"
    "reopen_file_0=\"\"\n";

// The same entries as Save writes them: comments kept with their line
// ends, blank lines gone, CR LF after each entry.
const char kShippedSaved[] =
    "# Kivora's settings.\n"
    "# The language in use.\n"
    "lang_cur=\"en\"\r\n"
    "en_file=\"lang_en.txt\"\r\n"
    "# The key storage.\n"
    "key_storage=\"kiv_keys.dat\"\r\n"
    "cipher=\"4\"\r\n"
    "count_of_files_reopen=\"1\"\r\n"
    "reopen_file_0=\"\"\r\n";

// One user: a home of their own, with or without XDG_* variables.
struct User {
  std::string home;
  bool xdg = true;
  std::string Config() const { return home + (xdg ? "/cfg/kivora" : "/.config/kivora"); }
  std::string Data() const { return home + (xdg ? "/dat/kivora" : "/.local/share/kivora"); }
  std::string ConfigFile() const { return Config() + "/kiv_config.txt"; }
  void Enter() const {
    setenv("HOME", home.c_str(), 1);
    if (xdg) {
      setenv("XDG_CONFIG_HOME", (home + "/cfg").c_str(), 1);
      setenv("XDG_DATA_HOME", (home + "/dat").c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
      unsetenv("XDG_DATA_HOME");
    }
  }
};

class UserFilesTest : public enginetest::LibrariesTest {
 protected:
  void SetUp() override {
    program_ = dir_.File("prog");
    fs::create_directory(program_);
    zktest::WriteFile(program_ + "/kiv_config.txt", Bytes(kShipped));
    zktest::WriteFile(program_ + "/lang_en.txt", Bytes("1\n Hello\n"));
    UseProgramFolder(program_);
    a_ = MakeUser("a");
  }
  void TearDown() override {
    engine::SetProgramPathForTests("");
  }
  void UseProgramFolder(const std::string& folder) {
    engine::SetProgramPathForTests(folder + "/Kivora");
  }
  User MakeUser(const std::string& name, bool xdg = true) {
    User u{dir_.File(name), xdg};
    fs::create_directory(u.home);
    return u;
  }

  // A started driver of the user (null when Start failed: its code in st).
  zktest::Ref<ISafeDriverApp> StartAs(const User& u, StatusCode* st = nullptr) {
    u.Enter();
    zktest::Ref<ISafeDriverApp> d(engine::SafeDriverApp::Create());
    StatusCode rc = d->Start();
    if (st) *st = rc;
    if (rc != kOk) d.reset();
    return d;
  }
  static std::string Notes(ISafeDriverApp* d) {
    IStartNotes* notes = zktest::Face<IStartNotes>(d, id::KivIStartNotes);
    if (!notes) return "?";
    char* text = nullptr;
    EXPECT_EQ(notes->GetStartNotes(&text), kOk);
    std::string s = text ? text : "";
    zk_free(text);
    notes->Release();
    return s;
  }
  static zktest::Ref<IAppParam> Params(ISafeDriverApp* d) {
    IAppParam* p = nullptr;
    EXPECT_EQ(d->GetAppParam(&p), kOk);
    return zktest::Ref<IAppParam>(p);
  }
  static std::string Get(IAppParam* p, const char* name) {
    char* v = nullptr;
    if (p->GetString(name, &v) != kOk) return "<missing>";
    std::string s = v ? v : "";
    zk_free(v);
    return s;
  }
  static zktest::Ref<IKeysCtrl> Keys(ISafeDriverApp* d) {
    IKeysCtrl* k = nullptr;
    EXPECT_EQ(d->GetKeysCtrl(&k), kOk);
    return zktest::Ref<IKeysCtrl>(k);
  }
  static StatusCode MakePair(IKeysCtrl* keys, const char* name) {
    KeyOwner owner{};
    std::strncpy(owner.name, name, 32);
    return keys->GenerateKeyPair(&owner, 512);
  }
  static std::string PairName(IKeysCtrl* keys, uint32_t i) {
    KeyInfo info{};
    if (keys->GetPrivateKeyInfo(i, &info) != kOk) return "<none>";
    return info.owner.name;
  }

  zktest::TempDir dir_;
  // The users' variables come back after each test.
  zktest::ScopedEnv home_{"HOME", getenv("HOME")}, config_{"XDG_CONFIG_HOME", getenv("XDG_CONFIG_HOME")},
      data_{"XDG_DATA_HOME", getenv("XDG_DATA_HOME")};
  std::string program_;
  User a_;
};

TEST_F(UserFilesTest, FolderRuleRefusesLinksAndOtherUsersFolders) {
  const std::string mine = dir_.File("p/q/mine");
  ASSERT_EQ(engine::MakePrivateFolder(mine), kOk);
  EXPECT_EQ(Mode(mine), 0700u);
  EXPECT_EQ(Mode(dir_.File("p/q")), 0700u) << "missing parents are private too";
  chmod(mine.c_str(), 0755);
  ASSERT_EQ(engine::MakePrivateFolder(mine), kOk);
  EXPECT_EQ(Mode(mine), 0700u) << "closed to others again";
  symlink(mine.c_str(), dir_.File("link").c_str());
  EXPECT_EQ(engine::MakePrivateFolder(dir_.File("link")), kCannotOpen);
  zktest::WriteFile(dir_.File("file"), Bytes("x"));
  EXPECT_EQ(engine::MakePrivateFolder(dir_.File("file")), kCannotOpen);
  EXPECT_EQ(engine::MakePrivateFolder("relative/folder"), kCannotOpen);
  if (geteuid() == 0) {
    fs::create_directory(dir_.File("theirs"));
    ASSERT_EQ(chown(dir_.File("theirs").c_str(), 65534, 65534), 0);
    EXPECT_EQ(engine::MakePrivateFolder(dir_.File("theirs")), kCannotOpen);
  }
}

TEST_F(UserFilesTest, FoldersFollowTheXdgVariablesElseTheHome) {
  User plain = MakeUser("plain", false);
  plain.Enter();
  EXPECT_EQ(engine::UserConfigFolder(), plain.home + "/.config/kivora");
  EXPECT_EQ(engine::UserDataFolder(), plain.home + "/.local/share/kivora");
  setenv("XDG_CONFIG_HOME", "relative", 1);  // only an absolute one counts
  EXPECT_EQ(engine::UserConfigFolder(), plain.home + "/.config/kivora");
  a_.Enter();
  EXPECT_EQ(engine::UserConfigFolder(), a_.Config());
  EXPECT_EQ(engine::UserDataFolder(), a_.Data());
}

// Modes after creation, a save and a change of password, whatever the umask.
TEST_F(UserFilesTest, FilesAre0600AndFolders0700UnderAnyUmask) {
  for (mode_t mask : {mode_t(022), mode_t(000)}) {
    SCOPED_TRACE("umask " + std::to_string(mask));
    User u = MakeUser("m" + std::to_string(mask), mask == 0);
    mode_t old = umask(mask);
    auto d = StartAs(u);
    ASSERT_TRUE(d);
    EXPECT_EQ(Text(u.ConfigFile()), kShipped) << "the first start copies the shipped bytes";
    EXPECT_EQ(Mode(u.ConfigFile()), 0600u);
    EXPECT_EQ(Mode(u.Config()), 0700u);
    auto params = Params(d.get());
    ASSERT_EQ(params->SetInt("cipher", 4), kOk);
    ASSERT_EQ(params->Save(), kOk);
    EXPECT_EQ(Text(u.ConfigFile()), kShippedSaved);
    EXPECT_EQ(Mode(u.ConfigFile()), 0600u);
    EXPECT_EQ(Names(u.Config()), std::vector<std::string>{"kiv_config.txt"}) << "nothing left beside";
    chmod(u.ConfigFile().c_str(), 0664);  // opened to others since
    ASSERT_EQ(params->Save(), kOk);
    EXPECT_EQ(Mode(u.ConfigFile()), 0600u);

    auto keys = Keys(d.get());
    ASSERT_EQ(keys->Open("pw"), kOk);  // made, empty
    const std::string storage = u.Data() + "/kiv_keys.dat";
    EXPECT_EQ(Mode(storage), 0600u);
    EXPECT_EQ(Mode(u.Data()), 0700u);
    ASSERT_EQ(MakePair(keys.get(), "me"), kOk);
    chmod(storage.c_str(), 0644);  // as an earlier build left it
    ASSERT_EQ(keys->Save(), kOk);
    EXPECT_EQ(Mode(storage), 0600u);
    ASSERT_EQ(keys->ChangePassword("new"), kOk);
    EXPECT_EQ(Mode(storage), 0600u);
    EXPECT_EQ(Mode(u.Data()), 0700u);
    umask(old);
  }
}

TEST_F(UserFilesTest, OpenedFoldersAreClosedAgainAtStart) {
  fs::create_directories(a_.Config());
  fs::create_directories(a_.Data());
  chmod(a_.Config().c_str(), 0755);
  chmod(a_.Data().c_str(), 0777);
  auto d = StartAs(a_);
  ASSERT_TRUE(d);
  EXPECT_EQ(Mode(a_.Config()), 0700u);
  auto keys = Keys(d.get());
  EXPECT_EQ(Mode(a_.Data()), 0700u);
}

// An unusable settings file is never replaced: the program starts on the
// shipped settings, says why, and saves nothing.
TEST_F(UserFilesTest, UnusableUserFileIsLeftAsItIsAndReported) {
  struct Case {
    const char* what;
    std::function<void(const User&)> make;
    const char* why;  // in the note
  } cases[] = {
      {"mode 0000",
       [](const User& u) {
         zktest::WriteFile(u.ConfigFile(), Bytes("lang_cur=\"en\"\r\ncipher=\"5\"\r\n"));
         chmod(u.ConfigFile().c_str(), 0);
       },
       "ermission denied"},
      {"a folder in its place", [](const User& u) { fs::create_directory(u.ConfigFile()); },
       "folder"},
      {"cut short inside a value",
       [](const User& u) {
         zktest::WriteFile(u.ConfigFile(), Bytes("lang_cur=\"en\"\r\ncipher=\"5\"\r\nreopen_file_0=\"/ho"));
       },
       "cut short"},
      {"cut short inside a name",
       [](const User& u) { zktest::WriteFile(u.ConfigFile(), Bytes("lang_cur=\"en\"\r\nciph")); },
       "cut short"},
      {"a zero-filled tail", [](const User& u) {
         std::string t = "lang_cur=\"en\"\r\ncipher=\"5\"\r\n";
         t.append(64, '\0');
         zktest::WriteFile(u.ConfigFile(), Bytes(t));
       },
       "cut short"},
      {"emptied", [](const User& u) { zktest::WriteFile(u.ConfigFile(), {}); }, "empty"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    User u = MakeUser("u" + std::to_string(n++));
    fs::create_directories(u.Config());
    chmod(u.Config().c_str(), 0700);
    c.make(u);
    const auto before = Snapshot(u.Config());
    StatusCode st = 0;
    auto d = StartAs(u, &st);
    ASSERT_EQ(st, kOk);
    std::string notes = Notes(d.get());
    EXPECT_NE(notes.find(u.ConfigFile()), std::string::npos) << notes;
    EXPECT_NE(notes.find(c.why), std::string::npos) << notes;
    auto params = Params(d.get());
    EXPECT_EQ(Get(params.get(), "cipher"), "1") << "the shipped settings";
    ASSERT_EQ(params->SetInt("cipher", 3), kOk);
    EXPECT_NE(params->Save(), kOk) << "nothing is saved over it";
    d.reset();
    EXPECT_EQ(Snapshot(u.Config()), before);
    EXPECT_EQ(Snapshot(program_).size(), 2u);
    EXPECT_EQ(Text(program_ + "/kiv_config.txt"), kShipped);
  }
}

TEST_F(UserFilesTest, UnusableSettingsFolderIsReported) {
  fs::create_directories(a_.home + "/elsewhere");
  fs::create_directories(a_.home + "/cfg");
  symlink((a_.home + "/elsewhere").c_str(), a_.Config().c_str());
  auto d = StartAs(a_);
  ASSERT_TRUE(d);
  EXPECT_NE(Notes(d.get()).find("is a link"), std::string::npos) << Notes(d.get());
  EXPECT_TRUE(Names(a_.home + "/elsewhere").empty());
}

// A save that fails at any write, flush or rename leaves the old file
// byte for byte, with nothing beside it.
TEST_F(UserFilesTest, FailingSaveLeavesTheOldFile) {
  auto d = StartAs(a_);
  ASSERT_TRUE(d);
  auto params = Params(d.get());
  const std::string old = Text(a_.ConfigFile());
  int failures = 0;
  for (uint64_t at = 1;; ++at) {
    ASSERT_LT(at, 100u);
    ASSERT_EQ(params->SetString("reopen_file_0", ("/x/" + std::to_string(at)).c_str()), kOk);
    const StatusCode st = [&] {
      enginetest::FaultPlan plan(at);
      return params->Save();
    }();
    if (st == kOk) break;
    ++failures;
    EXPECT_EQ(Text(a_.ConfigFile()), old) << "failing at " << at;
    EXPECT_EQ(Names(a_.Config()), std::vector<std::string>{"kiv_config.txt"});
  }
  EXPECT_GE(failures, 3) << "a write, the flush and the rename";
  EXPECT_NE(Text(a_.ConfigFile()), old);

  // A real short write: the file size limit stops the new file part-way.
  const std::string saved = Text(a_.ConfigFile());
  ASSERT_EQ(params->SetString("reopen_file_0", std::string(400, 'y').c_str()), kOk);
  signal(SIGXFSZ, SIG_IGN);
  rlimit was{};
  getrlimit(RLIMIT_FSIZE, &was);
  rlimit small = was;
  small.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  StatusCode st = params->Save();
  setrlimit(RLIMIT_FSIZE, &was);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_NE(st, kOk);
  EXPECT_EQ(Text(a_.ConfigFile()), saved);
  EXPECT_EQ(Names(a_.Config()), std::vector<std::string>{"kiv_config.txt"});
}

// Names a newer shipped file has are added with their comments; the
// user's values and names stay.
TEST_F(UserFilesTest, NewerShippedNamesAreMergedKeepingTheUsersValues) {
  fs::create_directories(a_.Config());
  zktest::WriteFile(a_.ConfigFile(), Bytes("lang_cur=\"en\"\r\nen_file=\"lang_en.txt\"\r\ncipher=\"7\"\r\n"
                                            "mine=\"kept\"\r\n"));
  std::string shipped = std::string(kShipped) +
                        "# Size of a fixed password, in characters.\n"
                        "size of fixed password=\"16\"\n"
                        "arc_ext_0=\".DOC\"\n";  // a list the user may have emptied
  zktest::WriteFile(program_ + "/kiv_config.txt", Bytes(shipped));
  auto d = StartAs(a_);
  ASSERT_TRUE(d);
  EXPECT_EQ(Notes(d.get()), "");
  auto params = Params(d.get());
  int32_t size = 0;
  ASSERT_EQ(params->GetInt("size of fixed password", &size), kOk);
  EXPECT_EQ(size, 16);
  EXPECT_EQ(Get(params.get(), "cipher"), "7");
  EXPECT_EQ(Get(params.get(), "mine"), "kept");
  EXPECT_EQ(Get(params.get(), "arc_ext_0"), "<missing>");
  ASSERT_EQ(params->Save(), kOk);
  EXPECT_EQ(Text(a_.ConfigFile()),
            "lang_cur=\"en\"\r\nen_file=\"lang_en.txt\"\r\ncipher=\"7\"\r\nmine=\"kept\"\r\n"
            "# The key storage.\r\nkey_storage=\"kiv_keys.dat\"\r\n"
            "#\r\ncount_of_files_reopen=\"1\"\r\n"
            "#\r\nreopen_file_0=\"\"\r\n"
            "# Size of a fixed password, in characters.\r\nsize of fixed password=\"16\"\r\n");
  // Merged once: a second start adds nothing more.
  d.reset();
  d = StartAs(a_);
  ASSERT_TRUE(d);
  params = Params(d.get());
  EXPECT_EQ(params->GetCount(), 8);
}

// An earlier build kept the settings and keys in the program folder: they
// are copied once, the old files stay, and the user is told where.
TEST_F(UserFilesTest, EarlierBuildsFilesAreCopiedOnceAndReported) {
  // The earlier build's files: its settings saved (CR LF) and a key storage.
  {
    User before = MakeUser("before");
    zktest::WriteFile(program_ + "/kiv_config.txt",
                      Bytes("lang_cur=\"en\"\r\nen_file=\"lang_en.txt\"\r\nkey_storage=\"" + program_ +
                            "/kiv_keys.dat\"\r\ncipher=\"6\"\r\n"));
    auto d = StartAs(before);
    ASSERT_TRUE(d);
    auto keys = Keys(d.get());
    ASSERT_EQ(keys->Open("pw"), kOk);
    ASSERT_EQ(MakePair(keys.get(), "old pair"), kOk);
    ASSERT_EQ(keys->Save(), kOk);
    chmod((program_ + "/kiv_keys.dat").c_str(), 0644);
  }
  const std::string saved = "lang_cur=\"en\"\r\nen_file=\"lang_en.txt\"\r\nkey_storage=\"kiv_keys.dat\"\r\n"
                            "cipher=\"6\"\r\n";
  zktest::WriteFile(program_ + "/kiv_config.txt", Bytes(saved));
  const auto program = Snapshot(program_);

  auto d = StartAs(a_);
  ASSERT_TRUE(d);
  const std::string notes = Notes(d.get());
  for (const std::string& path : {program_ + "/kiv_config.txt", a_.ConfigFile(),
                                  program_ + "/kiv_keys.dat", a_.Data() + "/kiv_keys.dat"})
    EXPECT_NE(notes.find(path), std::string::npos) << path << " in: " << notes;
  EXPECT_EQ(Text(a_.ConfigFile()), saved);
  EXPECT_EQ(Text(a_.Data() + "/kiv_keys.dat"), Text(program_ + "/kiv_keys.dat"));
  EXPECT_EQ(Mode(a_.Data() + "/kiv_keys.dat"), 0600u);
  EXPECT_EQ(Mode(a_.Data()), 0700u);
  auto keys = Keys(d.get());
  ASSERT_EQ(keys->Open("pw"), kOk);
  EXPECT_EQ(PairName(keys.get(), 0), "old pair");
  EXPECT_EQ(Snapshot(program_), program) << "the old files stay as they are";

  // Once: the next start copies nothing and says nothing.
  keys.reset();
  d.reset();
  unlink((a_.Data() + "/kiv_keys.dat").c_str());
  d = StartAs(a_);
  ASSERT_TRUE(d);
  EXPECT_EQ(Notes(d.get()), "");
  EXPECT_FALSE(Exists(a_.Data() + "/kiv_keys.dat"));
}

TEST_F(UserFilesTest, PlainFirstStartSaysNothing) {
  auto d = StartAs(a_);
  ASSERT_TRUE(d);
  EXPECT_EQ(Notes(d.get()), "");
  EXPECT_FALSE(Exists(a_.Data())) << "the data folder waits for the key storage";
}

// Two users over one program folder that refuses every write: each keeps
// their own settings, recent files and keys, and the folder stays as it was.
TEST_F(UserFilesTest, TwoUsersShareOneReadOnlyProgramFolder) {
  std::string folder = program_;
  const std::string view = dir_.File("ro");
  bool mounted = false;
  if (geteuid() == 0) {
    // The superuser writes past permissions: a read-only bind mount.
    fs::create_directory(view);
    if (mount(program_.c_str(), view.c_str(), nullptr, MS_BIND, nullptr) != 0)
      GTEST_SKIP() << "running as root and bind mounts are not permitted (" << std::strerror(errno)
                   << "): a read-only program folder cannot be made";
    mounted = true;
    if (mount(nullptr, view.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
      umount(view.c_str());
      GTEST_SKIP() << "a read-only remount is not permitted: " << std::strerror(errno);
    }
    folder = view;
  }
  struct Unmount {
    std::string path;
    bool on;
    ~Unmount() {
      if (on) umount2(path.c_str(), MNT_DETACH);
    }
  } unmount{view, mounted};
  fs::permissions(program_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  for (const auto& e : fs::directory_iterator(program_))
    fs::permissions(e.path(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  struct Writable {
    std::string path;
    ~Writable() { chmod(path.c_str(), 0755); }
  } writable{program_};
  // The folder really refuses writes.
  int probe = open((folder + "/probe").c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_LT(probe, 0) << "the program folder is writable";
  const auto before = Snapshot(folder);
  UseProgramFolder(folder);

  User b = MakeUser("b", false);
  struct Choice {
    const User* user;
    int cipher;
    const char* recent;
    const char* owner;
  } choices[] = {{&a_, 4, "/home/a/letter.kvs", "Alice"}, {&b, 7, "/home/b/notes.kvs", "Bob"}};
  for (const Choice& c : choices) {
    auto d = StartAs(*c.user);
    ASSERT_TRUE(d);
    auto params = Params(d.get());
    ASSERT_EQ(params->SetInt("cipher", c.cipher), kOk);
    ASSERT_EQ(params->SetString("reopen_file_0", c.recent), kOk);
    ASSERT_EQ(params->Save(), kOk);
    auto keys = Keys(d.get());
    ASSERT_EQ(keys->Open("pw"), kOk);
    ASSERT_EQ(MakePair(keys.get(), c.owner), kOk);
    ASSERT_EQ(keys->Save(), kOk);
  }
  for (const Choice& c : choices) {
    SCOPED_TRACE(c.owner);
    auto d = StartAs(*c.user);
    ASSERT_TRUE(d);
    EXPECT_EQ(Notes(d.get()), "");
    auto params = Params(d.get());
    EXPECT_EQ(Get(params.get(), "cipher"), std::to_string(c.cipher));
    EXPECT_EQ(Get(params.get(), "reopen_file_0"), c.recent);
    auto keys = Keys(d.get());
    ASSERT_EQ(keys->Open("pw"), kOk);
    EXPECT_EQ(keys->GetPrivateKeyCount(), 1u);
    EXPECT_EQ(PairName(keys.get(), 0), c.owner);
    EXPECT_EQ(Mode(c.user->ConfigFile()), 0600u);
    EXPECT_EQ(Mode(c.user->Data() + "/kiv_keys.dat"), 0600u);
  }
  EXPECT_EQ(Snapshot(folder), before);
}

}  // namespace
