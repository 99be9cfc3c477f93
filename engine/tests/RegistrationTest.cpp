// File-type and shell-menu registration over a registry and a data folder
// of the test's own, with the launcher replaced so command lines are
// captured instead of run; and the regsvr32 program itself.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ToolkitObject.h"
#include "UserRegistry.h"
#include "Launcher.h"
#include "Platform.h"
#include "Registration.h"
#include "SafeDriverApp.h"
#include "kvSafeDriver.h"
#include "ZkTestSupport.h"

using namespace zk;

namespace {

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::string Text(const std::string& path) {
  std::vector<uint8_t> b = zktest::ReadFile(path);
  return std::string(b.begin(), b.end());
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::SetProgramPathForTests("/opt/kiv ora/Kivora");
    engine::SetLauncherForTests([this](const std::string& line) {
      launched_.push_back(line);
      return kOk;
    });
    driver_ = engine::SafeDriverApp::Create();
    ASSERT_NE(driver_, nullptr);
  }
  void TearDown() override {
    ReleaseAndNull(driver_);
    engine::SetLauncherForTests(nullptr);
    engine::SetProgramPathForTests("");
  }
  std::string Value(const char* key) {
    std::string v;
    return UserRegistry().QueryDefault(key, &v) == kOk ? v : "<none>";
  }

  zktest::TempDir dir_;
  zktest::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.File("config").c_str()};
  zktest::ScopedEnv data_{"XDG_DATA_HOME", dir_.File("data").c_str()};
  std::vector<std::string> launched_;
  ISafeDriverApp* driver_ = nullptr;
};

TEST_F(RegistrationTest, FileTypeValuesFilesAndTools) {
  EXPECT_EQ(UserRegistry::DefaultFile(), dir_.File("config") + "/kivora/registry");
  EXPECT_EQ(driver_->IsFileTypeRegistered(), kNegative);
  ASSERT_EQ(driver_->RegisterFileType(), kOk);
  EXPECT_EQ(driver_->IsFileTypeRegistered(), kOk);
  EXPECT_EQ(Value(".kvs"), "Kivora 1");
  EXPECT_EQ(Value("Kivora 1"), "Kivora 1");
  EXPECT_EQ(Value("Kivora 1\\DefaultIcon"), "/opt/kiv ora/Kivora, 0");
  EXPECT_EQ(Value("Kivora 1\\Shell\\Open"), "&Open");
  EXPECT_EQ(Value("Kivora 1\\Shell\\Open\\Command"), "\"/opt/kiv ora/Kivora\" \"%1\"");
  EXPECT_EQ(Value("Kivora 1\\Shell"), "<none>");  // made on the way, with no value
  // The stored file, byte for byte.
  EXPECT_EQ(Text(UserRegistry::DefaultFile()),
            "# Kivora's registry: key path, TAB, key class[, TAB, name=value]... (default: empty name)\n"
            ".kvs\t\t=Kivora 1\n"
            "Kivora 1\t\t=Kivora 1\n"
            "Kivora 1\\DefaultIcon\t\t=/opt/kiv ora/Kivora, 0\n"
            "Kivora 1\\Shell\t\n"
            "Kivora 1\\Shell\\Open\t\t=&Open\n"
            "Kivora 1\\Shell\\Open\\Command\t\t=\"/opt/kiv ora/Kivora\" \"%251\"\n");

  const std::string data = dir_.File("data");
  EXPECT_EQ(Text(data + "/mime/packages/kivora.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"application/x-kivora-secret\">\n"
            "    <comment>Kivora secret</comment>\n"
            "    <glob pattern=\"*.kvs\"/>\n"
            "  </mime-type>\n"
            "</mime-info>\n");
  EXPECT_EQ(Text(data + "/applications/kivora.desktop"),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=Kivora\n"
            "Comment=Keeps messages, files and folders secret\n"
            "Exec=\"/opt/kiv ora/Kivora\" %f\n"
            "MimeType=application/x-kivora-secret;\n"
            "Terminal=false\n"
            "Icon=/opt/kiv ora/kivora.png\n");
  const std::vector<std::string> tools = {"update-mime-database \"" + data + "/mime\"",
                                          "update-desktop-database \"" + data + "/applications\""};
  EXPECT_EQ(launched_, tools);

  launched_.clear();
  EXPECT_EQ(driver_->UnregisterFileType(), kOk);
  EXPECT_EQ(driver_->IsFileTypeRegistered(), kNegative);
  EXPECT_EQ(Value("Kivora 1\\Shell\\Open\\Command"), "<none>");
  EXPECT_FALSE(Exists(data + "/mime/packages/kivora.xml"));
  EXPECT_FALSE(Exists(data + "/applications/kivora.desktop"));
  EXPECT_EQ(launched_, tools);
  // Unregistering again is harmless.
  EXPECT_EQ(driver_->UnregisterFileType(), kOk);
}

TEST_F(RegistrationTest, OnlyOurOwnFileTypeCounts) {
  UserRegistry registry;
  for (const char* value : {"Other.Program", "kivora 1", "Kivora 1 ", ""}) {
    ASSERT_EQ(registry.CreateKey(".kvs", ""), kOk);
    ASSERT_EQ(registry.SetDefault(".kvs", value), kOk);
    EXPECT_EQ(driver_->IsFileTypeRegistered(), kNegative) << value;
  }
  // A key of any letter case is the same key.
  ASSERT_EQ(registry.SetDefault(".KVS", "Kivora 1"), kOk);
  EXPECT_EQ(driver_->IsFileTypeRegistered(), kOk);
}

TEST_F(RegistrationTest, RegistryThatCannotBeWrittenFailsTheFileType) {
  zktest::WriteFile(dir_.File("plain"), {'x'});
  setenv("XDG_CONFIG_HOME", dir_.File("plain").c_str(), 1);  // a file, not a folder
  EXPECT_EQ(driver_->RegisterFileType(), kNotExecuted);
  EXPECT_EQ(driver_->IsFileTypeRegistered(), kNegative);
  EXPECT_FALSE(Exists(dir_.File("data") + "/applications/kivora.desktop"));
  EXPECT_TRUE(launched_.empty());
}

TEST_F(RegistrationTest, ShellExtensionKeysAndCommandLines) {
  EXPECT_EQ(driver_->IsShellExtRegistered(), kNegative);
  EXPECT_EQ(driver_->RegisterShellExt(), kOk);
  EXPECT_EQ(driver_->IsShellExtRegistered(), kOk);
  const char* keys[] = {"*\\shellex\\ContextMenuHandlers\\Kivora",
                        "folder\\shellex\\ContextMenuHandlers\\Kivora"};
  for (const char* key : keys) EXPECT_EQ(Value(key), "{FF5CD962-68B8-4F96-B1CB-C7F468E6A50C}");
  std::string file = Text(UserRegistry::DefaultFile());
  EXPECT_NE(file.find("*\\shellex\\ContextMenuHandlers\\Kivora\tKivora\t={FF5CD962-"),
            std::string::npos);
  EXPECT_NE(file.find("folder\\shellex\\ContextMenuHandlers\\Kivora\tKivora\t={FF5CD962-"),
            std::string::npos);
  ASSERT_EQ(launched_.size(), 1u);
  EXPECT_EQ(launched_[0], "regsvr32 -s \"/opt/kiv ora/kiv_shell_ext.so \"");

  // Only the handler under "*" counts.
  UserRegistry().DeleteTree(keys[0]);
  EXPECT_EQ(driver_->IsShellExtRegistered(), kNegative);
  EXPECT_EQ(driver_->RegisterShellExt(), kOk);
  UserRegistry().DeleteTree(keys[1]);
  EXPECT_EQ(driver_->IsShellExtRegistered(), kOk);

  launched_.clear();
  EXPECT_EQ(driver_->UnregisterShellExt(), kOk);
  EXPECT_EQ(driver_->IsShellExtRegistered(), kNegative);
  EXPECT_EQ(Value(keys[0]), "<none>");
  ASSERT_EQ(launched_.size(), 1u);
  EXPECT_EQ(launched_[0], "regsvr32 -s -u \"/opt/kiv ora/kiv_shell_ext.so \"");
  // A failed start is only logged.
  engine::SetLauncherForTests([](const std::string&) { return kNotFound; });
  EXPECT_EQ(driver_->RegisterShellExt(), kOk);
  EXPECT_EQ(driver_->UnregisterShellExt(), kOk);
}

TEST_F(RegistrationTest, RegistryKeysValuesAndTrees) {
  UserRegistry r(dir_.File("reg/tree"));
  EXPECT_EQ(r.CreateKey("", ""), kInvalidArg);
  EXPECT_EQ(r.CreateKey("a\\\\b", ""), kInvalidArg);
  EXPECT_EQ(r.CreateKey("\\a", ""), kInvalidArg);
  EXPECT_EQ(r.SetDefault("missing", "v"), kNotFound);
  EXPECT_EQ(r.DeleteTree("missing"), kNotFound);
  ASSERT_EQ(r.CreateKey("A\\B\\C", "cls"), kOk);
  EXPECT_TRUE(r.KeyExists("a"));
  EXPECT_TRUE(r.KeyExists("a\\b"));
  EXPECT_EQ(r.QueryDefault("a\\b\\c", nullptr), kNotFound);  // no value yet
  const std::string odd = "tab\there, line\r\nend, 100% sure";
  ASSERT_EQ(r.SetDefault("a\\b\\c", odd), kOk);
  std::string v;
  ASSERT_EQ(UserRegistry(dir_.File("reg/tree")).QueryDefault("A\\b\\C", &v), kOk);
  EXPECT_EQ(v, odd);
  ASSERT_EQ(r.CreateKey("ab", ""), kOk);
  ASSERT_EQ(r.CreateKey("a2\\x", ""), kOk);
  ASSERT_EQ(r.DeleteTree("A"), kOk);
  EXPECT_FALSE(r.KeyExists("a\\b\\c"));
  EXPECT_FALSE(r.KeyExists("a"));
  EXPECT_TRUE(r.KeyExists("ab"));
  EXPECT_TRUE(r.KeyExists("a2\\x"));
  // No file is left half-written beside it.
  EXPECT_FALSE(Exists(dir_.File("reg/tree.new")));
}

TEST_F(RegistrationTest, DesktopEntryQuotesAwkwardPaths) {
  EXPECT_NE(engine::DesktopEntryText("/a \"b\"/100%/$x`y\\z").find(
                "Exec=\"/a \\\\\"b\\\\\"/100%%/\\\\$x\\\\`y\\\\\\\\z\" %f\n"),
            std::string::npos);
}

TEST(LauncherTest, SplitsQuotedArgumentsAndReportsMissingPrograms) {
  using V = std::vector<std::string>;
  EXPECT_EQ(engine::SplitCommandLine("regsvr32 -s \"/a b/kiv_shell_ext.so \""),
            (V{"regsvr32", "-s", "/a b/kiv_shell_ext.so "}));
  EXPECT_EQ(engine::SplitCommandLine("  x  \"\"  y\"z w\" "), (V{"x", "", "yz w"}));
  EXPECT_EQ(engine::Launch("kiv-no-such-program-anywhere -x"), kNotFound);
  EXPECT_EQ(engine::Launch(""), kInvalidArg);
}

// regsvr32 run and waited for, as the engine's command line names it.
int RunRegsvr32(const std::vector<std::string>& args, const std::string& mark) {
  std::vector<std::string> all = {zktest::ProgramDir() + "/regsvr32"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    setenv("KIV_REGSVR32_MARK", mark.c_str(), 1);
    freopen("/dev/null", "w", stderr);
    freopen("/dev/null", "w", stdout);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Regsvr32Test, CallsTheEntriesOfTheNamedLibrary) {
  zktest::TempDir dir;
  const std::string mark = dir.File("mark");
  const std::string lib = zktest::ProgramDir() + "/regsvr32_testlib.so";
  // The engine's own command line, split as the launcher splits it.
  std::vector<std::string> line =
      engine::SplitCommandLine("regsvr32 -s \"" + lib + " \"");
  line.erase(line.begin());
  EXPECT_EQ(RunRegsvr32(line, mark), 0);
  EXPECT_EQ(RunRegsvr32({"-s", "-u", lib + " "}, mark), 0);
  EXPECT_EQ(Text(mark), "register\nunregister\n");
  EXPECT_EQ(RunRegsvr32({"-s", dir.File("kiv_shell_ext.so ")}, mark), 3);
  EXPECT_EQ(RunRegsvr32({"-s", zktest::ProgramDir() + "/zk5main.so"}, mark), 4);
  EXPECT_EQ(RunRegsvr32({"-s"}, mark), 1);
  EXPECT_EQ(Text(mark), "register\nunregister\n");
}

}  // namespace
