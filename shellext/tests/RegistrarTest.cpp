// Registration: the exact keys and values in the user's registry, the file
// managers' action files, their removal, and the registration tool.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "ShellExtTestSupport.h"
#include "UserRegistry.h"

namespace {

using namespace kiv::com;
using zktest::EnvFolder;
using shellexttest::ModuleFolder;
using zktest::RunProgram;

const std::string kHeading =
    "# Kivora's registry: key path, TAB, key class[, TAB, name=value]... (default: empty name)\n";
const std::string kClsid = "{FF5CD962-68B8-4F96-B1CB-C7F468E6A50C}";

std::string Text(const std::string& file) {
  std::vector<uint8_t> b = zktest::ReadFile(file);
  return std::string(b.begin(), b.end());
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

class RegistrarTest : public ::testing::Test {
 protected:
  std::string RegistryFile() const { return config_.path() + "/kivora/registry"; }
  std::string DataFile(const std::string& name) const { return data_.path() + "/" + name; }

  std::string RegisteredText(const std::string& module) const {
    return kHeading +
           "*\t\n"
           "*\\shellex\t\n"
           "*\\shellex\\ContextMenuHandlers\t\n"
           "*\\shellex\\ContextMenuHandlers\\Kivora\tKivora\t=" + kClsid + "\n"
           "folder\t\n"
           "folder\\shellex\t\n"
           "folder\\shellex\\ContextMenuHandlers\t\n"
           "folder\\shellex\\ContextMenuHandlers\\Kivora\tKivora\t=" + kClsid + "\n"
           "KivShellExt.KivShellExt.1\t\t=KivShellExt Class\n"
           "KivShellExt.KivShellExt.1\\CLSID\t\t=" + kClsid + "\n"
           "KivShellExt.KivShellExt\t\t=KivShellExt Class\n"
           "KivShellExt.KivShellExt\\CLSID\t\t=" + kClsid + "\n"
           "KivShellExt.KivShellExt\\CurVer\t\t=KivShellExt.KivShellExt.1\n"
           "CLSID\t\n"
           "CLSID\\" + kClsid + "\t\t=KivShellExt Class\n"
           "CLSID\\" + kClsid + "\\ProgID\t\t=KivShellExt.KivShellExt.1\n"
           "CLSID\\" + kClsid + "\\VersionIndependentProgID\t\t=KivShellExt.KivShellExt\n"
           "CLSID\\" + kClsid + "\\Programmable\t\n"
           "CLSID\\" + kClsid + "\\InprocServer32\t\t=" + module + "\tThreadingModel=Apartment\n"
           "CLSID\\" + kClsid + "\\TypeLib\t\t={0A98AE6B-E457-4AFE-A759-B592AFA8164D}\n";
  }
  // What unregistration leaves: the parents of the removed keys.
  static std::string UnregisteredText() {
    return kHeading +
           "*\t\n"
           "*\\shellex\t\n"
           "*\\shellex\\ContextMenuHandlers\t\n"
           "folder\t\n"
           "folder\\shellex\t\n"
           "folder\\shellex\\ContextMenuHandlers\t\n"
           "CLSID\t\n";
  }
  // Every action file, relative to the data folder.
  static std::vector<std::string> ActionFiles() {
    return {"kio/servicemenus/kivora.desktop", "file-manager/actions/kivora.desktop",
            "file-manager/actions/kivora-add.desktop", "file-manager/actions/kivora-put.desktop",
            "file-manager/actions/kivora-wipe.desktop"};
  }

  EnvFolder config_{"XDG_CONFIG_HOME"};
  EnvFolder data_{"XDG_DATA_HOME"};
  ModuleFolder folder_;
};

TEST_F(RegistrarTest, RegisterAndUnregisterRoundTrip) {
  const std::string module = folder_.ModulePath();
  const std::string helper = "\"" + folder_.path() + "/kiv_shell_cmd\"";
  ASSERT_EQ(folder_.module.registerServer(), S_OK);
  EXPECT_EQ(Text(RegistryFile()), RegisteredText(module));
  ASSERT_EQ(folder_.module.registerServer(), S_OK);  // again: nothing new
  EXPECT_EQ(Text(RegistryFile()), RegisteredText(module));

  EXPECT_EQ(Text(DataFile("kio/servicemenus/kivora.desktop")),
            "[Desktop Entry]\n"
            "Type=Service\n"
            "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
            "MimeType=all/all;\n"
            "Actions=kivoraAdd;kivoraPut;_SEPARATOR_;kivoraWipe;\n"
            "X-KDE-Submenu=Kivora 1\n"
            "\n"
            "[Desktop Action kivoraAdd]\n"
            "Name=Add the files to safe\n"
            "Exec=" + helper + " add %F\n"
            "\n"
            "[Desktop Action kivoraPut]\n"
            "Name=Put secret into this file\n"
            "Exec=" + helper + " put %F\n"
            "\n"
            "[Desktop Action kivoraWipe]\n"
            "Name=Physical delete the files\n"
            "Exec=" + helper + " wipe %F\n");
  struct stat st;
  ASSERT_EQ(stat(DataFile("kio/servicemenus/kivora.desktop").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);  // service menus run only when executable
  EXPECT_EQ(Text(DataFile("file-manager/actions/kivora.desktop")),
            "[Desktop Entry]\n"
            "Type=Menu\n"
            "Name=Kivora 1\n"
            "ItemsList=kivora-add;kivora-put;kivora-wipe;\n");
  EXPECT_EQ(Text(DataFile("file-manager/actions/kivora-wipe.desktop")),
            "[Desktop Entry]\n"
            "Type=Action\n"
            "Name=Physical delete the files\n"
            "Profiles=profile-zero;\n"
            "\n"
            "[X-Action-Profile profile-zero]\n"
            "MimeTypes=all/all;\n"
            "Exec=" + helper + " wipe %F\n");
  for (const std::string& f : ActionFiles()) EXPECT_TRUE(Exists(DataFile(f))) << f;

  ASSERT_EQ(folder_.module.unregisterServer(), S_OK);
  EXPECT_EQ(Text(RegistryFile()), UnregisteredText());
  for (const std::string& f : ActionFiles()) EXPECT_FALSE(Exists(DataFile(f))) << f;
  EXPECT_EQ(folder_.module.unregisterServer(), S_OK);  // nothing left to remove
}

TEST_F(RegistrarTest, EngineHandlerKeysAreKeptUntilUnregistered) {
  // The engine writes the handler keys itself before it starts the tool;
  // the server's registration leaves them as they are.
  zk::UserRegistry registry(RegistryFile());
  ASSERT_EQ(registry.CreateKey("*\\shellex\\ContextMenuHandlers\\Kivora", "Kivora"), zk::kOk);
  ASSERT_EQ(registry.SetDefault("*\\shellex\\ContextMenuHandlers\\Kivora", kClsid), zk::kOk);
  ASSERT_EQ(folder_.module.registerServer(), S_OK);
  EXPECT_EQ(Text(RegistryFile()), RegisteredText(folder_.ModulePath()));
}

TEST_F(RegistrarTest, RegistrationToolWithTheEnginesCommandLine) {
  // regsvr32 -s "<folder>kiv_shell_ext.so " (the blank before the quote
  // stays in the argument).
  const std::string library = folder_.ModulePath() + " ";
  EXPECT_EQ(RunProgram("regsvr32", {"-s", library}), 0);
  EXPECT_EQ(Text(RegistryFile()), RegisteredText(folder_.ModulePath()));
  EXPECT_TRUE(Exists(DataFile("kio/servicemenus/kivora.desktop")));
  EXPECT_EQ(RunProgram("regsvr32", {"-s", "-u", library}), 0);
  EXPECT_EQ(Text(RegistryFile()), UnregisteredText());
  EXPECT_FALSE(Exists(DataFile("kio/servicemenus/kivora.desktop")));

  EXPECT_EQ(RunProgram("regsvr32", {"-s"}), 1);
  EXPECT_EQ(RunProgram("regsvr32", {"-s", folder_.path() + "/missing.so "}), 3);
  EXPECT_EQ(RunProgram("regsvr32", {"-s", "libm.so.6"}), 4);  // no such function
}

}  // namespace
