// TMainForm: its start on the fake engine, the six messages of the message
// interface (received as events and over the socket), and the
// single-instance claim in a private runtime folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDialog>
#include <cstring>
#include <memory>

#include "desktop/CommonUnit.h"
#include "desktop/KivEvent.h"
#include "desktop/MainFormUnit.h"
#include "desktop/ModalRun.h"
#include "desktop/SingleInstance.h"
#include "desktop/TextIds.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/FakeEngine.h"
#include "desktop/testing/FakeSecret.h"
#include "desktop/testing/FakePrompter.h"
#include "kvMessageSocket.h"
#include "tests/support/ZkTestSupport.h"

namespace {

using Names = std::vector<std::string>;

using desktoptest::FakeSource;

struct MainForm : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    driver = new desktoptest::FakeDriver();
    form = std::make_unique<kiv::TMainForm>(std::vector<std::string>{});
  }
  void TearDown() override {
    form.reset();
    driver->Release();
  }

  void Post(const Names& names, uint32_t command) {
    for (const auto& r : kiv::wm::CommandRecords(names, command))
      kiv::PostKivMessage(form.get(), r.message, r.wParam, r.lParam);
    desktoptest::Drain();
  }

  desktoptest::FakeDriver* driver;
  std::unique_ptr<kiv::TMainForm> form;
};

TEST_F(MainForm, StartsOnTheEngineAndPublishesItsObjects) {
  driver->params->values["copy_container"] = "1";
  form->FormCreate(FakeSource(driver));
  EXPECT_TRUE(driver->started);
  EXPECT_EQ(form->Driver(), driver);
  EXPECT_EQ(form->Texts(), driver->texts);
  EXPECT_EQ(form->Params(), driver->params);
  EXPECT_EQ(kiv::ProgramDriver(), driver);
  EXPECT_EQ(kiv::ProgramTexts(), driver->texts);
  EXPECT_TRUE(form->CopyContainer());
  EXPECT_EQ(form->windowTitle(), "Kivora 1.01");
  // The initial state of a new secret.
  EXPECT_EQ(form->Model().Choice().contentKind, 1);
  EXPECT_EQ(form->Model().Choice().containerKind, 1);
  EXPECT_EQ(form->Model().Choice().hashIndex, 2);
  EXPECT_EQ(form->Model().Choice().cipherIndex, 1);
  EXPECT_TRUE(form->Model().Choice().passwordMode);
  EXPECT_TRUE(form->Model().Saved());
  EXPECT_EQ(form->Model().Kind(), 0);
}

TEST_F(MainForm, CopyOptionOnlyForExactlyOne) {
  for (const char* v : {"2", "0", "", "yes"}) {
    desktoptest::FakeDriver* d = new desktoptest::FakeDriver();
    d->params->values["copy_container"] = v;
    {
      kiv::TMainForm f({});
      f.FormCreate(FakeSource(d));
      EXPECT_FALSE(f.CopyContainer()) << v;
    }
    EXPECT_EQ(d->GetRefCount(), 1) << "the window releases the driver";
    EXPECT_EQ(d->texts->GetRefCount(), 1);
    EXPECT_EQ(d->params->GetRefCount(), 1);
    d->Release();
  }
}

TEST_F(MainForm, CommandsTakeThePendingNames) {
  // Two names before one command: the command takes both, in order.
  Post({"/tmp/a.kvs", "/tmp/b c.bmp"}, kiv::wm::kOpen);
  EXPECT_EQ(form->Receiver().WorkingFiles(), (Names{"/tmp/a.kvs", "/tmp/b c.bmp"}));
  EXPECT_TRUE(form->Receiver().PendingFiles().empty());
  Post({"x", "y"}, kiv::wm::kNewSafe);
  EXPECT_EQ(form->Receiver().WorkingFiles(), (Names{"x", "y"}));
  // A command with nothing pending leaves an empty working list.
  Post({}, kiv::wm::kOpen);
  EXPECT_TRUE(form->Receiver().WorkingFiles().empty());
  Post({"w.txt"}, kiv::wm::kWipe);
  Post({"p.png"}, kiv::wm::kNewInCarrier);
  EXPECT_EQ(form->Receiver().WorkingFiles(), (Names{"p.png"}));
  // Names without a command stay pending.
  Post({"later"}, 0);
  EXPECT_EQ(form->Receiver().PendingFiles(), (Names{"later"}));
  EXPECT_EQ(form->RecordedMessages(), (std::vector<uint32_t>{1046, 1045, 1046, 1048, 1047, 0}));
}

TEST_F(MainForm, CarrierCommandTestsTheExtensionFirst) {
  form->FormCreate(FakeSource(driver));
  desktoptest::FakePrompter prompter;
  // No container takes ".tif" (nor a secret file): the information box
  // 91, captioned with the window caption, ends the command.
  size_t seen = 0;
  for (const char* name : {"/tmp/x.tif", "/tmp/y.kvs"}) {
    Post({name}, kiv::wm::kNewInCarrier);
    ASSERT_EQ(prompter.Calls().size(), seen + 1) << name;
    const auto& box = prompter.Calls()[seen++];
    EXPECT_EQ(box.icon, kiv::BoxIcon::kInformation);
    EXPECT_EQ(box.caption, form->windowTitle());
    EXPECT_EQ(box.text, kiv::GetResText(driver->texts, kiv::txt::kNotACarrier));
  }
  // ".mp3" (any case) is a carrier: no box about the type; its first page
  // (cancelled here) is the secret type.
  std::vector<std::string> pages;
  kiv::SetModalDriver([&pages](QDialog* d) {
    pages.push_back(d->objectName().toStdString());
    d->reject();
  });
  Post({"/tmp/x.Mp3"}, kiv::wm::kNewInCarrier);
  kiv::SetModalDriver({});
  EXPECT_EQ(pages, std::vector<std::string>{"FormSecretType"});
  for (size_t i = seen; i < prompter.Calls().size(); ++i)
    EXPECT_NE(prompter.Calls()[i].text, kiv::GetResText(driver->texts, kiv::txt::kNotACarrier));
  EXPECT_EQ(form->RecordedMessages(), (std::vector<uint32_t>{1047, 1047, 1047}));
}

TEST_F(MainForm, MinimiseMessage) {
  form->show();
  Post({}, kiv::wm::kMinimise);
  EXPECT_EQ(form->RecordedMessages(), (std::vector<uint32_t>{1049}));
  EXPECT_TRUE(form->windowState() & Qt::WindowMinimized);
}

// A driver whose start has something to tell the user.
class NotingDriver : public desktoptest::FakeDriver {
 public:
  struct Notes : desktoptest::Counted<zk::IStartNotes> {
    const char* InterfaceId() const override { return zk::id::KivIStartNotes; }
    StatusCode GetStartNotes(char** out) override {
      zk_free(*out);
      *out = zk_DupString("Your settings were copied from A to B.");
      return zk::kOk;
    }
  };
  StatusCode QueryInterface(const char* id, void** out) override {
    if (id && out && std::strcmp(id, zk::id::KivIStartNotes) == 0) {
      *out = static_cast<zk::IStartNotes*>(new Notes);
      return zk::kOk;
    }
    return FakeDriver::QueryInterface(id, out);
  }
};

TEST_F(MainForm, StartNotesAreShownOnceTheWindowShows) {
  desktoptest::FakePrompter prompter;
  auto* noting = new NotingDriver();
  form->FormCreate(FakeSource(noting));
  EXPECT_TRUE(prompter.Calls().empty()) << "nothing before the window shows";
  form->show();
  desktoptest::Drain();
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].text, "Your settings were copied from A to B.");
  EXPECT_EQ(prompter.Calls()[0].icon, kiv::BoxIcon::kWarning);
  form.reset();
  noting->Release();
}

TEST_F(MainForm, NoStartNotesNoBox) {
  desktoptest::FakePrompter prompter;
  form->FormCreate(FakeSource(driver));
  form->show();
  desktoptest::Drain();
  EXPECT_TRUE(prompter.Calls().empty());
}

struct Runtime : MainForm {
  void SetUp() override {
    MainForm::SetUp();
    folder = dir.File("run");
    mkdir(folder.c_str(), 0700);
  }
  zktest::TempDir dir;
  std::string folder;
};

TEST_F(Runtime, ClaimThenHandOverOverTheSocket) {
  kiv::InstanceClaim first = kiv::ClaimInstance(folder);
  ASSERT_EQ(first.kind, kiv::InstanceClaim::kFirst);
  ASSERT_GE(first.fd, 0);
  form->ListenForMessages(first.fd);

  kiv::InstanceClaim second = kiv::ClaimInstance(folder);
  ASSERT_EQ(second.kind, kiv::InstanceClaim::kOther);
  // A sender that is cut in two: its names stay its own while another
  // sender's whole unit goes through.
  std::vector<kiv::wm::Record> a = kiv::wm::CommandRecords({"a-first-name", "a2"}, kiv::wm::kNewSafe);
  std::vector<kiv::wm::Record> aHead(a.begin(), a.begin() + 1), aTail(a.begin() + 1, a.end());
  ASSERT_TRUE(kiv::wm::WriteRecords(second.fd, aHead));
  desktoptest::Drain();
  int b = kiv::wm::ConnectTo(kiv::wm::SocketPath(folder));
  ASSERT_GE(b, 0);
  ASSERT_TRUE(kiv::wm::WriteRecords(b, kiv::wm::CommandRecords({"b.kvs"}, kiv::wm::kOpen)));
  close(b);
  ASSERT_TRUE(desktoptest::SpinUntil([&] { return form->RecordedMessages().size() == 1; }));
  EXPECT_EQ(form->Receiver().WorkingFiles(), (Names{"b.kvs"}));
  ASSERT_TRUE(kiv::wm::WriteRecords(second.fd, aTail));
  close(second.fd);
  ASSERT_TRUE(desktoptest::SpinUntil([&] { return form->RecordedMessages().size() == 2; }));
  EXPECT_EQ(form->Receiver().WorkingFiles(), (Names{"a-first-name", "a2"}));

  // Only the interface's own messages get through: a chain step sent from
  // outside is dropped.
  int c = kiv::wm::ConnectTo(kiv::wm::SocketPath(folder));
  ASSERT_GE(c, 0);
  ASSERT_TRUE(kiv::wm::WriteRecords(c, {{kiv::chain::kCreate, 0, 0}, {kiv::wm::kMinimise, 0, 0}}));
  close(c);
  ASSERT_TRUE(desktoptest::SpinUntil([&] { return form->RecordedMessages().size() == 3; }));
  EXPECT_EQ(form->RecordedMessages().back(), 1049u);

  kiv::ReleaseInstance(folder, first);
  struct stat st;
  EXPECT_NE(stat(kiv::wm::SocketPath(folder).c_str(), &st), 0) << "socket removed at the end";
}

// The private-folder rule: a folder opened to others is closed again and
// used; a link, or a folder of another user, is not used.
TEST_F(Runtime, FolderOpenedToOthersIsClosedALinkIsNotUsed) {
  std::string open = dir.File("open");
  mkdir(open.c_str(), 0755);
  chmod(open.c_str(), 0755);
  setenv("XDG_RUNTIME_DIR", open.c_str(), 1);
  EXPECT_EQ(kiv::wm::RuntimeFolder(), open);
  struct stat st;
  ASSERT_EQ(lstat(open.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  const std::string link = dir.File("link");
  ASSERT_EQ(symlink(folder.c_str(), link.c_str()), 0);
  setenv("XDG_RUNTIME_DIR", link.c_str(), 1);
  EXPECT_EQ(kiv::wm::RuntimeFolder(), "");
  if (getuid() == 0) {
    const std::string theirs = dir.File("theirs");
    mkdir(theirs.c_str(), 0700);
    ASSERT_EQ(chown(theirs.c_str(), 4321, 4321), 0);
    setenv("XDG_RUNTIME_DIR", theirs.c_str(), 1);
    EXPECT_EQ(kiv::wm::RuntimeFolder(), "");
  }
  setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
  EXPECT_EQ(kiv::wm::RuntimeFolder(), folder);
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(kiv::wm::RuntimeFolder(), "/tmp/kivora-" + std::to_string(getuid()));
}

}  // namespace
