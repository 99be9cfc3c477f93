// The extension as a file manager drives it: class factory, selection,
// menu, commands, and what reaches the program's socket.
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "ShellExtTestSupport.h"
#include "kvSafeDriver.h"

namespace {

using namespace kiv::com;
using kiv::shellext::DropDataObject;
using kiv::wm::Record;
using shellexttest::FakeProgram;
using shellexttest::ModuleFolder;
using shellexttest::Records;
using zktest::EnvFolder;
using Kind = RecordingMenu::Kind;

class ShellExtTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { folder_ = new ModuleFolder; }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  const kiv::shellext::ShellExtModule& Module() { return folder_->module; }

  IClassFactory* Factory() {
    IClassFactory* f = nullptr;
    EXPECT_EQ(Module().getClassObject(&CLSID_KivShellExt, &IID_IClassFactory,
                                      reinterpret_cast<void**>(&f)),
              S_OK);
    return f;
  }
  template <class T>
  T* Create(const GUID& iid) {
    IClassFactory* f = Factory();
    void* out = nullptr;
    EXPECT_EQ(f->CreateInstance(nullptr, iid, &out), S_OK);
    f->Release();
    return static_cast<T*>(out);
  }
  // An extension object initialised with data (a new reference is taken).
  IContextMenu* MenuFor(IDataObject* data) {
    auto* init = Create<IShellExtInit>(IID_IShellExtInit);
    EXPECT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
    IContextMenu* menu = nullptr;
    EXPECT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    init->Release();
    return menu;
  }
  static HRESULT Invoke(IContextMenu* menu, const char* verb) {
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    return menu->InvokeCommand(&info);
  }

  EnvFolder runtime_{"XDG_RUNTIME_DIR"};
  static ModuleFolder* folder_;
};

ModuleFolder* ShellExtTest::folder_ = nullptr;

TEST_F(ShellExtTest, ClassIdIsTheOneTheEngineRegisters) {
  EXPECT_EQ(GuidString(CLSID_KivShellExt), zk::id::KivShellExtGuid);
  EXPECT_EQ(GuidString(IID_IContextMenu), "{000214E4-0000-0000-C000-000000000046}");
}

TEST_F(ShellExtTest, ClassFactoryServesOnlyItsClassAndRefusesAggregation) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(Module().getClassObject(&IID_IContextMenu, &IID_IClassFactory, &out),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(Module().getClassObject(&CLSID_KivShellExt, &IID_IContextMenu, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);

  IClassFactory* f = Factory();
  ASSERT_NE(f, nullptr);
  auto* outer = new DropDataObject(std::nullopt);  // any object plays the outer one
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(f->CreateInstance(outer, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  outer->Release();
  // An interface the object lacks: nothing created, nothing left alive.
  EXPECT_EQ(f->CreateInstance(nullptr, IID_IDataObject, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(Module().canUnloadNow(), S_OK);
  f->Release();
}

TEST_F(ShellExtTest, CanUnloadNowFollowsObjectsAndLocks) {
  EXPECT_EQ(Module().canUnloadNow(), S_OK);
  IClassFactory* f = Factory();
  EXPECT_EQ(Module().canUnloadNow(), S_OK);  // a held factory does not count
  IUnknown* a = nullptr;
  IUnknown* b = nullptr;
  ASSERT_EQ(f->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&a)), S_OK);
  ASSERT_EQ(f->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&b)), S_OK);
  EXPECT_EQ(Module().canUnloadNow(), S_FALSE);
  a->Release();
  EXPECT_EQ(Module().canUnloadNow(), S_FALSE);
  b->Release();
  EXPECT_EQ(Module().canUnloadNow(), S_OK);
  EXPECT_EQ(f->LockServer(1), S_OK);
  EXPECT_EQ(f->LockServer(1), S_OK);
  EXPECT_EQ(Module().canUnloadNow(), S_FALSE);
  EXPECT_EQ(f->LockServer(0), S_OK);
  EXPECT_EQ(Module().canUnloadNow(), S_FALSE);
  EXPECT_EQ(f->LockServer(0), S_OK);
  EXPECT_EQ(Module().canUnloadNow(), S_OK);
  f->Release();
}

TEST_F(ShellExtTest, ObjectAnswersItsInterfacesWithOneIdentity) {
  auto* init = Create<IShellExtInit>(IID_IShellExtInit);
  void* unknown1 = nullptr;
  void* unknown2 = nullptr;
  void* kiv = nullptr;
  IContextMenu* menu = nullptr;
  ASSERT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
  EXPECT_EQ(init->QueryInterface(IID_IUnknown, &unknown1), S_OK);
  EXPECT_EQ(menu->QueryInterface(IID_IUnknown, &unknown2), S_OK);
  EXPECT_EQ(unknown1, unknown2);
  EXPECT_EQ(menu->QueryInterface(IID_IKivShellExt, &kiv), S_OK);
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(menu->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  char name[16];
  EXPECT_EQ(menu->GetCommandString(0, 0, nullptr, name, sizeof name), E_NOTIMPL);
  static_cast<IUnknown*>(unknown1)->Release();
  static_cast<IUnknown*>(unknown2)->Release();
  static_cast<IUnknown*>(kiv)->Release();
  menu->Release();
  EXPECT_EQ(Module().canUnloadNow(), S_FALSE);
  init->Release();
  EXPECT_EQ(Module().canUnloadNow(), S_OK);
}

TEST_F(ShellExtTest, InitializeKeepsOneReferenceToTheLatestSelection) {
  auto* first = new DropDataObject(std::nullopt);
  auto* second = new DropDataObject(std::nullopt);
  auto* init = Create<IShellExtInit>(IID_IShellExtInit);
  EXPECT_EQ(init->Initialize(nullptr, first, nullptr), S_OK);
  EXPECT_EQ(first->References(), 2u);
  EXPECT_EQ(init->Initialize(nullptr, second, nullptr), S_OK);
  EXPECT_EQ(first->References(), 1u);
  EXPECT_EQ(second->References(), 2u);
  EXPECT_EQ(init->Initialize(nullptr, second, nullptr), S_OK);  // the same one again
  EXPECT_EQ(second->References(), 2u);
  init->Release();
  EXPECT_EQ(second->References(), 1u);
  first->Release();
  second->Release();
}

// The file manager's menu before the extension adds to it.
RecordingMenu MenuWithTwoItems() {
  RecordingMenu menu;
  menu.InsertItem(0, 100, "Open");
  menu.InsertItem(1, 101, "Copy");
  return menu;
}

TEST_F(ShellExtTest, QueryContextMenuOverFlags) {
  struct Case {
    uint32_t flags;
    bool adds;
  } cases[] = {{CMF_NORMAL, true},
               {CMF_DEFAULTONLY, false},
               {CMF_VERBSONLY, true},
               {CMF_DEFAULTONLY | CMF_VERBSONLY, true},
               {CMF_EXPLORE, true},
               {CMF_DEFAULTONLY | CMF_EXPLORE, true},
               {CMF_NOVERBS, false},
               {CMF_NOVERBS | CMF_DEFAULTONLY, false},
               {CMF_NOVERBS | CMF_EXPLORE, true},
               {0x10, true},                     // above the four lowest bits
               {0x10 | CMF_DEFAULTONLY, false}};
  IContextMenu* ext = MenuFor(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE("flags " + std::to_string(c.flags));
    RecordingMenu menu = MenuWithTwoItems();
    HRESULT hr = ext->QueryContextMenu(&menu, 1, 40, 0x7FFF, c.flags);
    if (!c.adds) {
      EXPECT_EQ(hr, 0);
      EXPECT_EQ(menu.entries.size(), 2u);
      continue;
    }
    EXPECT_EQ(hr, 3);
    ASSERT_EQ(menu.entries.size(), 5u);
    EXPECT_EQ(menu.entries[0].text, "Open");
    EXPECT_EQ(menu.entries[1].kind, Kind::kSeparator);
    EXPECT_EQ(menu.entries[2].kind, Kind::kPopup);
    EXPECT_EQ(menu.entries[2].text, "Kivora 1");
    EXPECT_EQ(menu.entries[3].kind, Kind::kSeparator);
    EXPECT_EQ(menu.entries[4].text, "Copy");
    const auto& popup = menu.entries[2].popup->entries;
    ASSERT_EQ(popup.size(), 4u);
    EXPECT_EQ(popup[0].kind, Kind::kItem);
    EXPECT_EQ(popup[0].id, 40u);
    EXPECT_EQ(popup[0].text, "Add the files to safe");
    EXPECT_EQ(popup[1].kind, Kind::kItem);
    EXPECT_EQ(popup[1].id, 41u);
    EXPECT_EQ(popup[1].text, "Put secret into this file");
    EXPECT_EQ(popup[2].kind, Kind::kSeparator);
    EXPECT_EQ(popup[3].kind, Kind::kItem);
    EXPECT_EQ(popup[3].id, 42u);
    EXPECT_EQ(popup[3].text, "Physical delete the files");
  }
  ext->Release();
}

TEST_F(ShellExtTest, QueryContextMenuAtTheEndAndWithTooFewIds) {
  IContextMenu* ext = MenuFor(nullptr);
  RecordingMenu menu = MenuWithTwoItems();
  EXPECT_EQ(ext->QueryContextMenu(&menu, 2, 1, 3, CMF_NORMAL), 3);  // exactly three ids
  ASSERT_EQ(menu.entries.size(), 5u);
  EXPECT_EQ(menu.entries[3].kind, Kind::kPopup);
  // Two free ids cannot hold three commands: ours would collide with others'.
  RecordingMenu small = MenuWithTwoItems();
  EXPECT_EQ(ext->QueryContextMenu(&small, 0, 10, 11, CMF_NORMAL), 0);
  EXPECT_EQ(ext->QueryContextMenu(&small, 0, 10, 9, CMF_NORMAL), 0);
  EXPECT_EQ(small.entries.size(), 2u);
  ext->Release();
}

TEST_F(ShellExtTest, VerbsSendTheNamesThenTheirCommand) {
  const std::vector<std::string> names = {"/tmp/seven7", "/tmp/eight88", "/home/u/a b/c.txt"};
  ASSERT_EQ(names[0].size(), 11u);
  struct Case {
    uint16_t verb;
    uint32_t message;
  } cases[] = {{0, 1045}, {1, 1047}, {2, 1048}};
  for (const Case& c : cases) {
    SCOPED_TRACE("verb " + std::to_string(c.verb));
    FakeProgram program;
    ASSERT_TRUE(program.Listening());
    auto* data = new DropDataObject(zk::MakeDropFiles(names, false));
    IContextMenu* ext = MenuFor(data);
    data->Release();
    EXPECT_EQ(Invoke(ext, NumericVerb(c.verb)), S_OK);
    ext->Release();
    EXPECT_EQ(program.Received(), Records(names, c.message));
    EXPECT_EQ(program.Connections(), 1);
  }
}

TEST_F(ShellExtTest, NamesOfEverySelectionKind) {
  // Lengths 7 and 8 around a chunk's end; wide names arrive as UTF-8.
  const std::vector<std::string> names = {"/a/b/cd", "/a/b/cde", "/d\xC3\xA9j\xC3\xA0/\xF0\x9F\x94\x91"};
  struct Case {
    const char* what;
    DropDataObject* data;
    std::vector<std::string> sent;
  } cases[] = {{"byte names", new DropDataObject(zk::MakeDropFiles(names, false)), names},
               {"wide names", new DropDataObject(zk::MakeDropFiles(names, true)), names},
               {"no drop-file list", new DropDataObject(std::nullopt), {}},
               {"no data object", nullptr, {}}};
  EXPECT_EQ(Records({names[0]}, 1).size(), 2u);
  EXPECT_EQ(Records({names[1]}, 1).size(), 3u);
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeProgram program;
    IContextMenu* ext = MenuFor(c.data);
    if (c.data) c.data->Release();
    EXPECT_EQ(Invoke(ext, NumericVerb(2)), S_OK);
    ext->Release();
    EXPECT_EQ(program.Received(), Records(c.sent, 1048));
  }
}

TEST_F(ShellExtTest, BadVerbsAreRefusedAndSendNothing) {
  FakeProgram program;
  auto* data = new DropDataObject(zk::MakeDropFiles({"/tmp/x"}, false));
  IContextMenu* ext = MenuFor(data);
  data->Release();
  EXPECT_EQ(Invoke(ext, NumericVerb(3)), E_INVALIDARG);
  EXPECT_EQ(Invoke(ext, NumericVerb(0xFFFF)), E_INVALIDARG);
  EXPECT_EQ(Invoke(ext, "open"), E_INVALIDARG);
  EXPECT_EQ(ext->InvokeCommand(nullptr), E_INVALIDARG);
  ext->Release();
  EXPECT_EQ(program.Connections(), 0);
}

TEST_F(ShellExtTest, HostRunsTheChosenItemOfThePopup) {
  FakeProgram program;
  kiv::shellext::HostRun run = kiv::shellext::RunCommand(Module(), {"/x/one", "/x/two"}, 1);
  EXPECT_EQ(run.result, S_OK) << run.error;
  EXPECT_EQ(program.Received(), Records({"/x/one", "/x/two"}, 1047));
  EXPECT_EQ(Module().canUnloadNow(), S_OK);
}

// Start when absent: a stand-in program in a folder of its own.
class StartTest : public ::testing::Test {
 protected:
  EnvFolder runtime_{"XDG_RUNTIME_DIR"};
  ModuleFolder folder_;

  HRESULT Wipe(const std::vector<std::string>& names, double* seconds) {
    auto start = std::chrono::steady_clock::now();
    kiv::shellext::HostRun run = kiv::shellext::RunCommand(folder_.module, names, 2);
    *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run.result;
  }
  static bool WaitForFile(const std::string& path, int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
      if (access(path.c_str(), F_OK) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
};

TEST_F(StartTest, ProgramThatListensAfterASecondIsFound) {
  std::string out = folder_.path() + "/received";
  folder_.WriteProgram("exec \"" + zktest::ProgramDir() + "/shellext_fake_kivora\" 1000 \"" + out +
                       "\"");
  double seconds = 0;
  EXPECT_EQ(Wipe({"/tmp/one", "/tmp/two"}, &seconds), S_OK);
  EXPECT_GE(seconds, 1.0);  // at least the stand-in's delay
  ASSERT_TRUE(WaitForFile(out, 20));
  std::ifstream in(out);
  std::vector<Record> got;
  for (Record r; in >> r.message >> r.wParam >> r.lParam;) got.push_back(r);
  EXPECT_EQ(got, Records({"/tmp/one", "/tmp/two"}, 1048));
}

TEST_F(StartTest, ProgramThatNeverListensGetsNothingAfterTenPolls) {
  std::string started = folder_.path() + "/started";
  folder_.WriteProgram("touch \"" + started + "\"");
  double seconds = 0;
  EXPECT_EQ(Wipe({"/tmp/one"}, &seconds), S_OK);
  EXPECT_GE(seconds, 10 * 0.5);  // every poll waited for
  EXPECT_TRUE(WaitForFile(started, 5));
  // Listening only now, the program finds nothing sent.
  FakeProgram late;
  EXPECT_EQ(late.Connections(), 0);
}

TEST_F(StartTest, MissingProgramFileIsNotWaitedFor) {
  double seconds = 0;
  EXPECT_EQ(Wipe({"/tmp/one"}, &seconds), S_OK);
  EXPECT_LT(seconds, 2.5);  // well below the ten polls
}

}  // namespace

namespace {

// The helper program the file managers' actions run: build/bin's own
// extension, found beside it.
TEST(HelperProgramTest, RunsTheChosenCommandOnAbsoluteNames) {
  EnvFolder runtime("XDG_RUNTIME_DIR");
  FakeProgram program;
  ASSERT_TRUE(program.Listening());  // else it would start the real program
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(zktest::RunProgram("kiv_shell_cmd", {"add", "/abs/one", "rel two"}), 0);
  EXPECT_EQ(program.Received(), Records({"/abs/one", std::string(cwd) + "/rel two"}, 1045));
  EXPECT_EQ(zktest::RunProgram("kiv_shell_cmd", {"put", "/a.bmp"}), 0);
  EXPECT_EQ(zktest::RunProgram("kiv_shell_cmd", {"wipe", "/a", "/b"}), 0);
  EXPECT_EQ(program.Received(),
            [&] {
              auto all = Records({"/abs/one", std::string(cwd) + "/rel two"}, 1045);
              for (auto& r : Records({"/a.bmp"}, 1047)) all.push_back(r);
              for (auto& r : Records({"/a", "/b"}, 1048)) all.push_back(r);
              return all;
            }());
  EXPECT_EQ(zktest::RunProgram("kiv_shell_cmd", {"wipe"}), 2);
  EXPECT_EQ(zktest::RunProgram("kiv_shell_cmd", {"open", "/a"}), 2);
  EXPECT_EQ(program.Connections(), 3);
}

}  // namespace
