// A first use through the real windows on the real engine from the program
// folder, as a person meets it: make a secret, type or add, save with the
// keys, the tool bar and the menu, close (nothing asked), and read the file
// back after every save with a secret object of its own. Also the order of
// the windows of a new file secret in a carrier, a wrong password asked
// again, and files with nothing hidden in them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <cstring>
#include <deque>
#include <fstream>

#include "desktop/CommonUnit.h"
#include "desktop/MainFormUnit.h"
#include "desktop/MessageFileTextIds.h"
#include "desktop/ModalRun.h"
#include "desktop/WizardTextIds.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/MainWindowTestSupport.h"
#include "desktop/testing/PageScriptTestSupport.h"
#include "desktop/testing/FakePrompter.h"
#include "desktop/zk5Base.hpp"
#include "tests/support/ZkTestSupport.h"
#include "zk5main.h"

namespace {

using desktoptest::Kind;
using desktoptest::OpenWith;
using desktoptest::Page;
using desktoptest::Password;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Pattern(size_t n, int seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = char((i * 131 + seed * 17 + (i >> 7)) & 255);
  return s;
}

void Picture(const std::string& path, const char* format, int w = 160, int h = 120) {
  QImage image(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 3, y * 2, (x * y) & 255));
  ASSERT_TRUE(image.save(QString::fromStdString(path), format)) << path;
}

// A short PCM WAVE file: 16-bit mono, a rising saw.
void Wave(const std::string& path, uint32_t samples) {
  std::string b;
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b += char(v >> (8 * i)); };
  auto u16 = [&](uint16_t v) { b += char(v & 255), b += char(v >> 8); };
  b += "RIFF";
  u32(36 + samples * 2);
  b += "WAVEfmt ";
  u32(16), u16(1), u16(1), u32(8000), u32(16000), u16(2), u16(16);
  b += "data";
  u32(samples * 2);
  for (uint32_t i = 0; i < samples; ++i) u16(uint16_t(i * 97));
  WriteFile(path, b);
}

struct FirstUse : ::testing::Test, desktoptest::MainWindowRig {
  void SetUp() override {
    OpenWindow();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  void TearDown() override { form.reset(); }
  QString Text(int32_t id) const { return kiv::GetResText(form->Texts(), id); }

  // Both Save commands follow the saved flag.
  void ExpectSaveEnabled(bool on) {
    EXPECT_EQ(form->Model().Saved(), !on);
    EXPECT_EQ(form->Action("mnSecretSave")->isEnabled(), on);
    EXPECT_EQ(form->Action("tlbSaveSecret")->isEnabled(), on);
  }
  // The desktop's Save key (Ctrl+S) sent to the shown view.
  void SaveWithKeys() {
    ASSERT_EQ(form->Action("mnSecretSave")->shortcut(), QKeySequence(QKeySequence::Save));
    // The wizard pages took the activation with them.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QWidget* view = form->Model().Kind() == 1 ? static_cast<QWidget*>(form->MemoMessage)
                                        : static_cast<QWidget*>(form->ListViewSafe);
    view->setFocus();
    QTest::keySequence(view, QKeySequence::Save);
  }
  void Type(const QString& text) {
    form->MemoMessage->setFocus();
    form->MemoMessage->moveCursor(QTextCursor::End);
    QTest::keyClicks(form->MemoMessage, text);
  }
  // Closes the shown secret and expects no question.
  void CloseAsksNothing() {
    prompter.Clear();
    ASSERT_TRUE(form->mnSecretCloseClick());
    EXPECT_TRUE(prompter.Calls().empty()) << prompter.Calls().front().text.toStdString();
    EXPECT_EQ(form->Model().Kind(), 0);
  }

  // The secret as a second secret object opens it, apart from the window.
  struct Apart {
    Apart(kiv::TMainForm& f, const std::string& path, int32_t format, const std::string& pw) {
      EXPECT_EQ(f.Driver()->CreateSecret(&secret), 0);
      zk::SecretParams p{};
      p.format = uint8_t(format);
      std::memcpy(p.key, pw.data(), pw.size());
      p.keyLength = uint16_t(pw.size());
      status = secret->Open(path.c_str(), &p, &content);
    }
    ~Apart() {
      if (content) content->Release();
      secret->Close();
      secret->Release();
    }
    std::string Message() {
      auto* m = kiv::QueryToolkitInterface<zk::IMessage>(content, zk::id::KivIMessage);
      if (!m) return "<no message>";
      char* t = nullptr;
      std::string text = m->GetText(&t) == 0 ? (t ? t : "") : "<unreadable>";
      if (t) zk_free(t);
      m->Release();
      return text;
    }
    zk::IKivSecret* secret = nullptr;
    zk::IBase* content = nullptr;
    StatusCode status = -1;
  };
};

TEST_F(FirstUse, MessageTypedIsSavedByKeysToolBarAndMenu) {
  const std::string kvs = dir.File("note.kvs");
  prompter.AnswerPath(QString::fromStdString(dir.File("note")));
  pages = {Kind("ListViewTypes", 0), Kind("ListViewContTypes", 0), Password("note pass")};
  form->mnSecretNewClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 1);
  ASSERT_EQ(form->Model().Path(), kvs);
  // A new message is unsaved until Save, and Save says so at once.
  ExpectSaveEnabled(true);

  Type("Dear diary,");
  ExpectSaveEnabled(true);
  SaveWithKeys();
  ExpectSaveEnabled(false);
  EXPECT_EQ(Apart(*form, kvs, 1, "note pass").Message(), "Dear diary,");

  Type(" the tool bar saves");
  ExpectSaveEnabled(true);
  form->Action("tlbSaveSecret")->trigger();
  ExpectSaveEnabled(false);
  EXPECT_EQ(Apart(*form, kvs, 1, "note pass").Message(), "Dear diary, the tool bar saves");

  Type(" and so does the menu.");
  ExpectSaveEnabled(true);
  form->Action("mnSecretSave")->trigger();
  ExpectSaveEnabled(false);
  const std::string all = "Dear diary, the tool bar saves and so does the menu.";
  EXPECT_EQ(Apart(*form, kvs, 1, "note pass").Message(), all);
  CloseAsksNothing();

  // Opened again through the window, the text is all there and unchanged.
  prompter.AnswerPath(QString::fromStdString(kvs));
  pages = {OpenWith("note pass")};
  form->mnSecretOpenClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 1);
  EXPECT_EQ(form->MemoMessage->toPlainText().toStdString(), all);
  ExpectSaveEnabled(false);
  CloseAsksNothing();
}

TEST_F(FirstUse, FileSecretInAPngAsksForTheFileOnlyAfterTheWarningClosed) {
  form->Params()->SetInt("next_show", 1);
  const std::string png = dir.File("holiday.png");
  Picture(png, "PNG");
  const std::string carrierBefore = Slurp(png);
  const std::string source = dir.File("plan.txt");
  const std::string bytes = Pattern(30000, 1);
  WriteFile(source, bytes);
  prompter.AnswerPath(QString::fromStdString(png));     // the carrier
  prompter.AnswerPath(QString::fromStdString(source));  // File, Add, asked at once
  size_t callsBeforeWarning = 0;
  pages = {Kind("ListViewTypes", 1), Kind("ListViewContTypes", 1), Password("png pass"),
           [&](QDialog* d) {
             EXPECT_EQ(d->objectName(), "FormWarning");
             callsBeforeWarning = prompter.Calls().size();
             d->accept();
           }};
  form->mnSecretNewClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 2);
  EXPECT_EQ(seen, (std::vector<std::string>{"FormSecretType", "ContainerTypeForm",
                                            "FormSecretParams", "FormWarning"}));
  // No question came while another window was up; the file was asked for
  // after the warning had closed.
  int fileCall = -1;
  for (size_t i = 0; i < prompter.Calls().size(); ++i) {
    const auto& c = prompter.Calls()[i];
    EXPECT_TRUE(c.over.isEmpty()) << c.kind.toStdString() << " \"" << c.caption.toStdString()
                                  << "\" opened over " << c.over.toStdString();
    if (c.kind == "open" && c.caption == Text(kiv::txt::kOneFileOpenTitle)) fileCall = int(i);
  }
  ASSERT_GE(fileCall, 0);
  EXPECT_GE(size_t(fileCall), callsBeforeWarning);
  EXPECT_EQ(form->ListViewOneFile->topLevelItem(1)->text(1), "plan.txt");
  // The engine wrote the file with the add: nothing is left to save.
  ExpectSaveEnabled(false);
  EXPECT_NE(Slurp(png), carrierBefore);
  CloseAsksNothing();

  Apart back(*form, png, 3, "png pass");
  ASSERT_EQ(back.status, 0);
  auto* file = kiv::QueryToolkitInterface<zk::IKivFile>(back.content, zk::id::KivIKivFile);
  ASSERT_NE(file, nullptr);
  const std::string out = dir.File("plan back.txt");
  EXPECT_EQ(file->SaveToDisk(out.c_str(), nullptr), 0);
  file->Release();
  EXPECT_EQ(Slurp(out), bytes);
}

TEST_F(FirstUse, CancelledFileChoiceLeavesAnEmptySecretAndSaysSo) {
  form->Params()->SetInt("next_show", 1);
  const std::string png = dir.File("empty.png");
  Picture(png, "PNG");
  prompter.AnswerPath(QString::fromStdString(png));  // the carrier; the file choice is cancelled
  pages = {Kind("ListViewTypes", 1), Kind("ListViewContTypes", 1), Password("png pass"),
           [](QDialog* d) { d->accept(); }};
  form->mnSecretNewClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 2);
  ASSERT_FALSE(prompter.Calls().empty());
  const auto& told = prompter.Calls().back();
  EXPECT_EQ(told.text, Text(kiv::txt::kNoFileYet));
  EXPECT_FALSE(told.text.isEmpty());
  EXPECT_TRUE(told.over.isEmpty());
  ExpectSaveEnabled(false);
  CloseAsksNothing();
  // The carrier holds the new secret, with no file in it.
  Apart back(*form, png, 3, "png pass");
  ASSERT_EQ(back.status, 0);
  auto* file = kiv::QueryToolkitInterface<zk::IKivFile>(back.content, zk::id::KivIKivFile);
  ASSERT_NE(file, nullptr);
  char* name = nullptr;
  zk::FileContentInfo info{};
  EXPECT_NE(file->GetFileInfo(&name, &info), 0);
  if (name) zk_free(name);
  file->Release();
}

TEST_F(FirstUse, SafeInABmpIsSavedByKeysAndMenu) {
  const std::string bmp = dir.File("wall.bmp");
  Picture(bmp, "BMP", 240, 180);
  const std::string a = dir.File("a.dat"), b = dir.File("b.dat");
  WriteFile(a, Pattern(1500, 2));
  WriteFile(b, Pattern(900, 3));
  prompter.AnswerPath(QString::fromStdString(bmp));
  pages = {Kind("ListViewTypes", 2), Kind("ListViewContTypes", 1), Password("bmp pass")};
  form->mnSecretNewClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 3);
  ExpectSaveEnabled(true);
  auto filesStored = [&] {
    Apart back(*form, bmp, 2, "bmp pass");
    auto* safe = kiv::QueryToolkitInterface<zk::ISafe>(back.content, zk::id::KivISafe);
    if (!safe) return uint32_t(-1);
    const uint32_t n = safe->GetFileCount("\\");
    safe->Release();
    return n;
  };

  prompter.AnswerPath(QString::fromStdString(a));
  form->Action("mnFileAdd")->trigger();
  ASSERT_EQ(form->ListViewSafe->topLevelItemCount(), 1);
  ExpectSaveEnabled(true);
  SaveWithKeys();
  ExpectSaveEnabled(false);
  EXPECT_EQ(filesStored(), 1u);

  prompter.AnswerPath(QString::fromStdString(b));
  form->Action("tlbSafeAddFile")->trigger();
  ASSERT_EQ(form->ListViewSafe->topLevelItemCount(), 2);
  ExpectSaveEnabled(true);
  form->Action("mnSecretSave")->trigger();
  ExpectSaveEnabled(false);
  EXPECT_EQ(filesStored(), 2u);
  CloseAsksNothing();
}

TEST_F(FirstUse, WrongPasswordIsSaidAndAskedAgainWithTheFileKept) {
  const std::string kvs = dir.File("w.kvs");
  prompter.AnswerPath(QString::fromStdString(dir.File("w")));
  pages = {Kind("ListViewTypes", 0), Kind("ListViewContTypes", 0), Password("right")};
  form->mnSecretNewClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 1);
  Type("behind the door");
  form->mnSecretSaveClick();
  CloseAsksNothing();

  prompter.AnswerPath(QString::fromStdString(kvs));
  QString fileShownAgain;
  pages = {OpenWith("wrong"), [&](QDialog* d) {
             fileShownAgain = desktoptest::Find<QLineEdit>(d, "LabeledEditFile")->text();
             OpenWith("right")(d);
           }};
  form->mnSecretOpenClick();
  RunPages();
  EXPECT_EQ(seen, (std::vector<std::string>{"FormSecretType", "ContainerTypeForm",
                                            "FormSecretParams", "FormOpenWizard",
                                            "FormOpenWizard"}));
  EXPECT_EQ(fileShownAgain.toStdString(), kvs);
  ASSERT_FALSE(prompter.Calls().empty());
  bool said = false;
  for (const auto& c : prompter.Calls()) said |= c.text == Text(kiv::txt::kWrongPassword);
  EXPECT_TRUE(said);
  EXPECT_FALSE(Text(kiv::txt::kWrongPassword).isEmpty());
  ASSERT_EQ(form->Model().Kind(), 1);
  EXPECT_EQ(form->MemoMessage->toPlainText(), "behind the door");
}

// Files with nothing hidden in them are said to hold no secret before any
// password is asked for.
TEST_F(FirstUse, NothingHiddenIsSaidBeforeAnyPassword) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
  };
  const std::vector<Case> cases = {
      {"clean.png", [](const std::string& p) { Picture(p, "PNG"); }},
      {"clean.jpg", [](const std::string& p) { Picture(p, "JPEG"); }},
      {"clean.bmp", [](const std::string& p) { Picture(p, "BMP"); }},
      {"clean.wav", [](const std::string& p) { Wave(p, 4000); }},
      {"short.txt", [](const std::string& p) { WriteFile(p, "Two words.\n"); }},
      {"plain.kvs", [](const std::string& p) { WriteFile(p, Pattern(400, 4)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File(c.name);
    c.make(path);
    prompter.Clear();
    seen.clear();
    prompter.AnswerPath(QString::fromStdString(path));
    form->mnSecretOpenClick();
    RunPages();
    EXPECT_TRUE(seen.empty()) << seen.front();
    ASSERT_EQ(prompter.Calls().size(), 2u);
    EXPECT_EQ(prompter.Calls()[1].text, Text(kiv::txt::kNoSecretFound));
    EXPECT_EQ(form->Model().Kind(), 0);
    EXPECT_EQ(form->Model().Secret(), nullptr);
  }
}

}  // namespace
