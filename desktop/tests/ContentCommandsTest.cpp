// The commands on a shown message and on a one-file secret, on the fake
// engine and the "T<N>" language: the clipboard commands and the saved
// flag, Find and Replace, reading and writing text files, the one-file
// view, Add and Get, the file-type icon cache, the file manager button;
// and pictures of the message and file views with content in them.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTreeWidget>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "desktop/CommonUnit.h"
#include "desktop/ExplorerExtUnit.h"
#include "desktop/KivEvent.h"
#include "desktop/MainFormUnit.h"
#include "desktop/MessageCommandsUnit.h"
#include "desktop/OneFileUnit.h"
#include "desktop/WaitHourglassUnit.h"
#include "desktop/testing/OpenSecretTestSupport.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/FakeEngine.h"
#include "desktop/testing/FakeSecret.h"
#include "desktop/testing/FakePrompter.h"
#include "tests/support/ZkTestSupport.h"

namespace {

using kiv::BoxIcon;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A lookup that knows a few extensions and counts what it was asked.
struct FakeTypes {
  kiv::ExtensionLookup Lookup() {
    return [this](const QString& ext) {
      asked.push_back(ext);
      kiv::ExtensionLook look;
      auto it = known.find(ext);
      if (it == known.end()) return look;
      look.description = it->second;
      if (ext != "noicon") look.icon = QApplication::style()->standardIcon(QStyle::SP_DriveCDIcon);
      look.found = true;
      return look;
    };
  }
  std::map<QString, QString> known{{"txt", "Plain text document"}, {"pdf", "PDF document"},
                                   {"noicon", "A type without a picture"}};
  std::vector<QString> asked;
};

struct Content : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    kiv::SetSilent(true);
    driver = new desktoptest::FakeDriver();
    auto& v = driver->params->values;
    for (const char* n : {"top", "left", "width", "height", "hash", "cipher", "copy_container",
                          "count_of_files_reopen", "systray"})
      v[n] = "";
    v["systray"] = "0";
    form = std::make_unique<kiv::TMainForm>(std::vector<std::string>{"-s"});
    form->FormCreate(desktoptest::FakeSource(driver));
    form->ExplorerExt() = kiv::kvTExplorerExt(types.Lookup());
    form->show();
    desktoptest::Drain();
  }
  void TearDown() override {
    kiv::SetTextFileFaults({});
    form.reset();
    if (secret) secret->Release();
    driver->Release();
  }
  void ShowMessage(const std::string& text) {
    secret = new desktoptest::FakeSecret();
    secret->AddRef();
    message = new desktoptest::FakeMessage();
    message->text = text;
    form->ShowSecret(secret, message, 1, "/tmp/m.kvs");
    ASSERT_TRUE(form->Model().Saved());
  }
  desktoptest::FakeFile* ShowFile(std::function<void(desktoptest::FakeFile&)> fill = nullptr) {
    secret = new desktoptest::FakeSecret();
    secret->AddRef();
    file = new desktoptest::FakeFile();
    if (fill) fill(*file);
    form->ShowSecret(secret, file, 2, "/tmp/f.kvs");
    return file;
  }
  void Select(int from, int to) {
    QTextCursor c = form->MemoMessage->textCursor();
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    form->MemoMessage->setTextCursor(c);
  }
  QString Selected() const { return form->MemoMessage->textCursor().selectedText(); }
  QString Text() const { return form->MemoMessage->toPlainText(); }
  void Run(const char* item) { form->Action(item)->trigger(); }
  QString Cell(int row) const { return form->ListViewOneFile->topLevelItem(row)->text(1); }
  std::vector<QString> Boxes() const {
    std::vector<QString> texts;
    for (const auto& c : prompter.Calls())
      if (c.kind == "message") texts.push_back(c.text);
    return texts;
  }

  FakeTypes types;
  desktoptest::FakeDriver* driver;
  std::unique_ptr<kiv::TMainForm> form;
  desktoptest::FakeSecret* secret = nullptr;
  desktoptest::FakeMessage* message = nullptr;
  desktoptest::FakeFile* file = nullptr;
  desktoptest::FakePrompter prompter;
  zktest::TempDir dir;
};

// ---------------------------------------------------------------------------
// Clipboard commands and the saved flag.

TEST_F(Content, CutCopyPasteDeleteAndTheSavedFlag) {
  ShowMessage("alpha beta\ngamma");
  QClipboard* clip = QApplication::clipboard();
  clip->setText("unchanged");
  // Nothing selected: Cut, Copy and Delete change nothing.
  for (const char* item : {"mnEditCut", "mnEditCopy", "mnEditDelete"}) {
    kiv::RunMessageCommand(*form, item);
    EXPECT_TRUE(form->Model().Saved()) << item;
    EXPECT_EQ(clip->text(), "unchanged") << item;
    EXPECT_EQ(Text(), "alpha beta\ngamma") << item;
  }
  // Copy a selection across the line end: the clipboard has "\n".
  Select(6, 13);
  Run("mnEditCopy");
  EXPECT_EQ(clip->text(), "beta\nga");
  EXPECT_TRUE(form->Model().Saved()) << "Copy changes nothing";
  Run("mnEditCut");
  EXPECT_EQ(Text(), "alpha mma");
  EXPECT_EQ(clip->text(), "beta\nga");
  EXPECT_FALSE(form->Model().Saved());
  EXPECT_TRUE(form->Action("tlbSaveSecret")->isEnabled());

  kiv::OpenSecretProbe::SetSaved(form->Model(), true);
  Select(0, 5);
  Run("mnEditPaste");
  EXPECT_EQ(Text(), "beta\nga mma");
  EXPECT_FALSE(form->Model().Saved());

  kiv::OpenSecretProbe::SetSaved(form->Model(), true);
  Run("mnEditSelectAll");
  EXPECT_EQ(Selected().size(), Text().size());
  Run("mnEditDelete");
  EXPECT_EQ(Text(), "");
  EXPECT_FALSE(form->Model().Saved());
  EXPECT_TRUE(form->RecordedCommands().empty());
}

TEST_F(Content, EditCommandsOnlyServeAShownMessage) {
  ShowFile();
  EXPECT_FALSE(kiv::RunMessageCommand(*form, "mnEditCut"));
  form->ContentCommand("mnEditCut");
  EXPECT_EQ(form->RecordedCommands(), std::vector<QString>{"mnEditCut"});
}

// ---------------------------------------------------------------------------
// Find and Replace.

TEST_F(Content, FindGoesDownwardFromTheSelectionWithTheCaseRule) {
  ShowMessage("one Two two\nthree two");
  Select(0, 3);
  Run("mnEditFind");
  kiv::TSearchDialog* d = kiv::FindTextDialog(*form);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->objectName(), "FindTextDialog");
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->windowTitle(), "T2111");
  EXPECT_FALSE(form->MemoMessage->textCursor().hasSelection()) << "showing clears the selection";
  EXPECT_EQ(form->MemoMessage->textCursor().position(), 0);

  d->EditFindText->setText("two");
  d->BitBtnFindNext->click();
  EXPECT_EQ(form->MemoMessage->textCursor().selectionStart(), 4) << "case ignored: \"Two\"";
  d->CheckBoxMatchCase->setChecked(true);
  d->BitBtnFindNext->click();
  EXPECT_EQ(form->MemoMessage->textCursor().selectionStart(), 8);
  d->BitBtnFindNext->click();
  EXPECT_EQ(form->MemoMessage->textCursor().selectionStart(), 18) << "on the next line";
  EXPECT_TRUE(d->isVisible());
  // No further hit downward: the dialog closes, the selection stays.
  d->BitBtnFindNext->click();
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(Selected(), "two");
  // An empty search text closes it too.
  Run("mnEditFind");
  EXPECT_EQ(kiv::FindTextDialog(*form), d) << "one dialog per window";
  d->EditFindText->clear();
  d->BitBtnFindNext->click();
  EXPECT_FALSE(d->isVisible());
  EXPECT_TRUE(form->Model().Saved());
}

TEST_F(Content, ReplaceAndReplaceAll) {
  ShowMessage("cat Cat cat\ncat");
  Run("mnEditReplace");
  kiv::TSearchDialog* d = kiv::EditReplaceDialog(*form);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->objectName(), "EditReplaceDialog");
  d->EditFindText->setText("cat");
  d->EditReplaceText->setText("dog cat");
  d->CheckBoxMatchCase->setChecked(true);
  // Nothing selected: Replace finds the first hit and replaces it.
  d->BitBtnReplace->click();
  EXPECT_EQ(Text(), "dog cat Cat cat\ncat");
  EXPECT_FALSE(form->Model().Saved());
  EXPECT_TRUE(d->isVisible());
  // Replace All goes on after each replacement (never into its own text),
  // honouring the case, until no hit is left; then the dialog closes.
  kiv::OpenSecretProbe::SetSaved(form->Model(), true);
  d->BitBtnReplaceAll->click();
  EXPECT_EQ(Text(), "dog cat Cat dog cat\ndog cat");
  EXPECT_FALSE(form->Model().Saved());
  EXPECT_FALSE(d->isVisible());
  // Without a hit nothing changes and the dialog closes.
  kiv::OpenSecretProbe::SetSaved(form->Model(), true);
  Run("mnEditReplace");
  d->EditFindText->setText("bird");
  d->BitBtnReplace->click();
  EXPECT_EQ(Text(), "dog cat Cat dog cat\ndog cat");
  EXPECT_TRUE(form->Model().Saved());
  EXPECT_FALSE(d->isVisible());
}

TEST_F(Content, ADialogLeftOpenAfterTheMessageClosedDoesNothing) {
  ShowMessage("abc abc");
  Run("mnEditReplace");
  kiv::TSearchDialog* d = kiv::EditReplaceDialog(*form);
  d->EditFindText->setText("abc");
  d->EditReplaceText->setText("x");
  ASSERT_TRUE(form->mnSecretCloseClick());
  d->BitBtnReplaceAll->click();
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(Text(), "");
  EXPECT_TRUE(form->Model().Saved());
}

// ---------------------------------------------------------------------------
// Read from file and Write to file.

TEST_F(Content, ReadReplacesTheSelectionWithTheFilesBytes) {
  ShowMessage("head [x] tail");
  const std::string path = dir.File("in.txt");
  std::ofstream(path, std::ios::binary) << "gr\xc3\xbc\xc3\x9f\nline";
  Select(5, 8);
  prompter.AnswerPath(QString::fromStdString(path));
  Run("mnEditRead");
  EXPECT_EQ(Text(), QString::fromUtf8("head gr\xc3\xbc\xc3\x9f\nline tail"));
  EXPECT_FALSE(form->Model().Saved());
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].kind, "open");
  EXPECT_EQ(prompter.Calls()[0].caption, "T2100");
  // Cancelled: nothing.
  kiv::OpenSecretProbe::SetSaved(form->Model(), true);
  Run("mnEditRead");
  EXPECT_TRUE(form->Model().Saved());
}

TEST_F(Content, ReadFailuresShowTheirBoxAndChangeNothing) {
  ShowMessage("keep");
  const std::string good = dir.File("good.txt");
  std::ofstream(good) << "abc";
  const std::string huge = dir.File("huge.txt");
  {
    std::ofstream create(huge);
  }
  std::filesystem::resize_file(huge, 0x80000000ull);  // sparse
  struct Case {
    std::string path;
    kiv::TextFileFaults faults;
    const char* text;
  };
  const Case cases[] = {
      {dir.File("missing.txt"), {}, "T1904"},
      {dir.path(), {}, "T1904"},  // a folder
      {huge, {}, "T1901"},
      {good, {true, false, false}, "T1907"},
      {good, {false, true, false}, "T1905"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    prompter.Clear();
    kiv::SetTextFileFaults(c.faults);
    prompter.AnswerPath(QString::fromStdString(c.path));
    Run("mnEditRead");
    ASSERT_EQ(Boxes(), std::vector<QString>{c.text});
    EXPECT_EQ(prompter.Calls().back().icon, BoxIcon::kError);
    EXPECT_EQ(prompter.Calls().back().caption, form->windowTitle());
    EXPECT_EQ(Text(), "keep");
    EXPECT_TRUE(form->Model().Saved());
  }
}

TEST_F(Content, WriteTheSelectionOrTheWholeTextBesideThenRenamed) {
  ShowMessage("first\nsecond");
  const std::string path = dir.File("out.txt");
  std::ofstream(path) << "old contents";
  prompter.AnswerPath(QString::fromStdString(path));
  Run("mnEditWrite");
  EXPECT_EQ(Slurp(path), "first\nsecond");
  ASSERT_EQ(prompter.Calls().size(), 2u);
  EXPECT_EQ(prompter.Calls()[0].caption, "T2103");
  EXPECT_EQ(prompter.Calls()[1].text, "T2104");
  EXPECT_EQ(prompter.Calls()[1].icon, BoxIcon::kInformation);
  prompter.Clear();
  Select(2, 8);
  prompter.AnswerPath(QString::fromStdString(path));
  Run("mnEditWrite");
  EXPECT_EQ(prompter.Calls()[0].caption, "T2102");
  EXPECT_EQ(Slurp(path), "rst\nse");
  EXPECT_TRUE(form->Model().Saved()) << "writing a file does not change the message";

  // Failures keep the file as it was and leave nothing beside it.
  struct Case {
    std::string path;
    kiv::TextFileFaults faults;
    const char* text;
  };
  const Case cases[] = {
      {dir.File("no folder/out.txt"), {}, "T1904"},
      {path, {true, false, false}, "T1907"},
      {path, {false, false, true}, "T1906"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    prompter.Clear();
    kiv::SetTextFileFaults(c.faults);
    prompter.AnswerPath(QString::fromStdString(c.path));
    Run("mnEditWrite");
    EXPECT_EQ(Boxes(), std::vector<QString>{c.text});
    EXPECT_EQ(Slurp(path), "rst\nse");
  }
  size_t files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);
}

// ---------------------------------------------------------------------------
// The one-file view.

TEST_F(Content, OneFileViewRows) {
  zk::CalendarTime created{126, 0, 2, 3, 4, 5}, modified{126, 11, 31, 23, 59, 58};
  struct Case {
    const char* name;
    uint32_t size, stored, flags;
    const char* type;
    const char* storedCell;
    int image;  // -1: an icon of the cache
  };
  const Case cases[] = {
      {"report.pdf", 1234567, 617283, 1, "PDF document", "617 283 (49%)", -1},
      {"empty.pdf", 0, 0, 1, "PDF document", "0 (0%)", -1},
      {"notes.TXT", 2000, 2000, 0, "Plain text document", "T807", -1},
      {"setup.exe", 100, 100, 0, "T1210", "T807", kiv::kvTExplorerExt::kProgramImage},
      {"data.xyz", 5, 5, 0, "T1211", "T807", kiv::kvTExplorerExt::kFileImage},
      {"README", 5, 5, 0, "T1211", "T807", kiv::kvTExplorerExt::kFileImage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (secret) {
      form->mnSecretCloseClick();
      secret->Release();
    }
    ShowFile([&](desktoptest::FakeFile& f) {
      f.name = c.name;
      f.info = {c.size, c.stored, c.flags, created, modified};
      f.infoResult = 0;
    });
    EXPECT_EQ(Cell(0), c.type);
    EXPECT_EQ(Cell(1), c.name);
    EXPECT_EQ(Cell(2), kiv::FormatGroupedNumber(c.size));
    EXPECT_EQ(Cell(3), c.storedCell);
    EXPECT_EQ(Cell(4), "02 T1108 2026T1120, 03:04:05");
    EXPECT_EQ(Cell(5), "31 T1119 2026T1120, 23:59:58");
    kiv::kvTExplorerExt& icons = form->ExplorerExt();
    const std::string name = c.name;
    const int image = c.image >= 0 ? c.image : icons.LargeIconIndex(name.substr(name.rfind('.')));
    EXPECT_GE(image, 0);
    EXPECT_EQ(form->ImageFileExtIcon->pixmap().toImage(),
              icons.LargeIcon(image).pixmap(32, 32).toImage());
  }
  // No file in the secret yet: every value cell and the icon are empty.
  form->mnSecretCloseClick();
  secret->Release();
  ShowFile();
  for (int row = 0; row < 6; ++row) EXPECT_EQ(Cell(row), "") << row;
  EXPECT_TRUE(form->ImageFileExtIcon->pixmap().isNull());
}

// ---------------------------------------------------------------------------
// File, Add and File, Get.

TEST_F(Content, AddCompressesListedExtensionsSetsSavedAndRefills) {
  auto& v = driver->params->values;
  v["count_of_arc_ext"] = "2";
  v["arc_ext_0"] = ".DOC";
  v["arc_ext_1"] = ".txt";
  ShowFile();
  const std::string txt = dir.File("letter.Txt"), bin = dir.File("image.bin");
  std::ofstream(txt) << "hello";
  std::ofstream(bin) << "0123456789";
  kiv::OpenSecretProbe::SetSaved(form->Model(), false);
  prompter.AnswerPath(QString::fromStdString(txt));
  Run("mnFileAdd");
  ASSERT_EQ(file->loads.size(), 1u);
  EXPECT_EQ(file->loads[0].path, txt);
  EXPECT_EQ(file->loads[0].flags, 1) << "listed extension: compressed";
  EXPECT_TRUE(form->Model().Saved());
  EXPECT_EQ(Cell(1), "letter.Txt");
  EXPECT_EQ(Cell(2), "5");
  EXPECT_EQ(prompter.Calls()[0].caption, "T78");
  // The tool button and WM_USER+12 run the same command.
  prompter.AnswerPath(QString::fromStdString(bin));
  form->Action("tlbAddOneFile")->trigger();
  ASSERT_EQ(file->loads.size(), 2u);
  EXPECT_EQ(file->loads[1].flags, 0);
  EXPECT_EQ(Cell(1), "image.bin");
  EXPECT_EQ(Cell(3), "T807");
  kiv::PostKivMessage(form.get(), kiv::chain::kAskFile);
  desktoptest::Drain();
  EXPECT_EQ(prompter.Calls().back().kind, "open") << "asked for the file";
  EXPECT_EQ(file->loads.size(), 2u) << "cancelled";
  EXPECT_TRUE(form->RecordedCommands().empty());

  // A failure is shown with the item's caption and leaves the flag alone.
  prompter.Clear();
  kiv::OpenSecretProbe::SetSaved(form->Model(), false);
  file->loadResult = zk::kCannotOpen;
  prompter.AnswerPath(QString::fromStdString(bin));
  Run("mnFileAdd");
  EXPECT_EQ(Boxes(), std::vector<QString>{"T21\n T908"});
  EXPECT_FALSE(form->Model().Saved());
}

TEST_F(Content, GetProposesTheStoredNameAndTells814) {
  ShowFile();
  // No file yet: Get ends quietly.
  Run("mnFileGet");
  EXPECT_TRUE(prompter.Calls().empty());
  file->name = "photo.jpg";
  file->bytes = "JPEGBYTES";
  file->infoResult = 0;
  const std::string out = dir.File("back.jpg");
  prompter.AnswerPath(QString::fromStdString(out));
  form->Action("tlbGetOneFile")->trigger();
  ASSERT_EQ(prompter.Calls().size(), 2u);
  EXPECT_EQ(prompter.Calls()[0].kind, "save");
  EXPECT_EQ(prompter.Calls()[0].caption, "T23");
  EXPECT_EQ(prompter.Calls()[0].text, "photo.jpg");
  EXPECT_EQ(prompter.Calls()[1].text, "T814");
  EXPECT_EQ(prompter.Calls()[1].icon, BoxIcon::kInformation);
  EXPECT_EQ(Slurp(out), "JPEGBYTES");
  prompter.Clear();
  file->saveResult = zk::kAccessDenied;
  prompter.AnswerPath(QString::fromStdString(out));
  Run("mnFileGet");
  EXPECT_EQ(Boxes(), std::vector<QString>{"T23\n T903"});
}

TEST_F(Content, FileAddAndGetOfASafeAreNotTheOneFileCommands) {
  secret = new desktoptest::FakeSecret();
  secret->AddRef();
  form->ShowSecret(secret, new desktoptest::FakeSafe(), 3, "/tmp/s.kvs");
  // With a safe shown the safe's own commands take them (their tests are
  // the safe view's); the one-file handlers leave them alone.
  EXPECT_FALSE(kiv::RunOneFileCommand(*form, "mnFileAdd"));
  EXPECT_FALSE(kiv::RunOneFileCommand(*form, "mnFileGet"));
  EXPECT_TRUE(prompter.Calls().empty());
}

TEST_F(Content, ExplorerButtonOpensTheCurrentDirectory) {
  std::vector<QUrl> opened;
  kiv::SetUrlOpener([&](const QUrl& u) {
    opened.push_back(u);
    return true;
  });
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  form->ContentCommand("tlbExplorer");
  std::filesystem::current_path(before);
  kiv::SetUrlOpener({});
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(QDir(QString::fromStdString(dir.path())).canonicalPath()));
  EXPECT_TRUE(form->RecordedCommands().empty());
}

// ---------------------------------------------------------------------------
// The file-type icon cache.

TEST(ExplorerExt, CaseAndDotShareOneEntryMissesAreAskedAgain) {
  desktoptest::App();
  FakeTypes types;
  kiv::kvTExplorerExt ext(types.Lookup());
  EXPECT_EQ(ext.ImageCount(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(ext.SmallIcon(i).isNull()) << i;
  EXPECT_EQ(ext.ExtensionDescription(".txt"), "") << "not cached yet, and not looked up";
  EXPECT_TRUE(types.asked.empty());

  const int txt = ext.SmallIconIndex(".txt");
  EXPECT_EQ(txt, 4) << "after the fixed images";
  EXPECT_EQ(ext.SmallIconIndex("TXT"), txt);
  EXPECT_EQ(ext.LargeIconIndex("Txt"), txt);
  EXPECT_EQ(ext.ExtensionDescription("tXt"), "Plain text document");
  EXPECT_EQ(types.asked, std::vector<QString>{"txt"}) << "one lookup for one entry";
  EXPECT_EQ(ext.SmallIcon(txt).pixmap(16, 16).width(), 16);
  EXPECT_EQ(ext.LargeIcon(txt).pixmap(32, 32).width(), 32);

  // A miss is not cached: asked again each time.
  EXPECT_EQ(ext.SmallIconIndex(".xyz"), -1);
  EXPECT_EQ(ext.LargeIconIndex(".XYZ"), -1);
  EXPECT_EQ(types.asked, (std::vector<QString>{"txt", "xyz", "xyz"}));
  // Too short: never asked.
  for (const char* s : {"", "."}) EXPECT_EQ(ext.SmallIconIndex(s), -1) << s;
  EXPECT_EQ(types.asked.size(), 3u);
  // A known type without a picture of its own gets the generic file icon.
  const int noIcon = ext.LargeIconIndex("noicon");
  EXPECT_EQ(noIcon, 5);
  EXPECT_FALSE(ext.LargeIcon(noIcon).isNull());
  EXPECT_TRUE(ext.SmallIcon(6).isNull());
  EXPECT_TRUE(ext.SmallIcon(-1).isNull());
  // The options dialog's lookup goes through the cache.
  const kiv::ExtensionLook look = ext.AsLookup()("PDF");
  EXPECT_TRUE(look.found);
  EXPECT_EQ(look.description, "PDF document");
  EXPECT_EQ(ext.SmallIconIndex("pdf"), 6);
  EXPECT_FALSE(ext.AsLookup()("abc").found);
  EXPECT_EQ(types.asked, (std::vector<QString>{"txt", "xyz", "xyz", "noicon", "pdf", "abc"}));
}

TEST(ExplorerExt, TheMimeDatabaseKnowsPlainText) {
  desktoptest::App();
  kiv::kvTExplorerExt ext;
  const int index = ext.SmallIconIndex(".txt");
  ASSERT_GE(index, 4);
  EXPECT_FALSE(ext.ExtensionDescription("TXT").empty());
  EXPECT_EQ(ext.SmallIconIndex(".no-such-type-here"), -1);
}

// ---------------------------------------------------------------------------
// Pictures of the message and file views with content, in the shipped
// English (when the build has put it beside the tests), written under
// <build>/screenshots (KIV_SCREENSHOT_DIR to choose).

using desktoptest::LanguageFile;

TEST_F(Content, PicturesOfTheMessageAndFileViews) {
  driver->texts->given = LanguageFile(zktest::ProgramDir() + "/kiv_en.txt");
  form.reset();
  form = std::make_unique<kiv::TMainForm>(std::vector<std::string>{"-s"});
  form->FormCreate(desktoptest::FakeSource(driver));
  form->show();
  desktoptest::Drain();
  QString folder = qEnvironmentVariable("KIV_SCREENSHOT_DIR");
  if (folder.isEmpty()) folder = QString::fromStdString(zktest::ProgramDir()) + "/../screenshots";
  QDir().mkpath(folder);
  auto take = [&](QWidget* w, const QString& name) {
    desktoptest::Drain();
    QImage img = w->grab().toImage();
    ASSERT_FALSE(img.isNull());
    EXPECT_TRUE(img.save(folder + "/" + name + ".png")) << name.toStdString();
  };
  ShowMessage(
      "Dear Anna,\n\nthe keys to the summer house are with the neighbour, Mrs Berg.\n"
      "The code of the gate is 4711; the alarm is off until Sunday.\n\nSee you soon,\nPeter");
  Run("mnEditFind");
  kiv::TSearchDialog* d = kiv::FindTextDialog(*form);
  d->EditFindText->setText("gate");
  d->BitBtnFindNext->click();
  d->move(form->geometry().topLeft() + QPoint(300, 180));
  take(form.get(), "main-message-text");
  take(d, "find-dialog");
  d->close();
  form->mnSecretCloseClick();
  secret->Release();
  secret = nullptr;
  ShowFile([](desktoptest::FakeFile& f) {
    f.name = "holiday-report.pdf";
    f.info = {1234567, 1012345, 1, {126, 6, 14, 9, 30, 12}, {126, 7, 2, 18, 5, 44}};
    f.infoResult = 0;
  });
  take(form.get(), "main-file-filled");
}

}  // namespace
