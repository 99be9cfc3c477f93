// The main window on the fake engine and the "T<N>" language: its state
// function, captions, the Secret commands, closing (tray, session end,
// settings), the recent files, the tray icon, the information windows and
// the rich-text reader; and pictures of the window in its four states.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <memory>

#include "desktop/AboutUnit.h"
#include "desktop/KivEvent.h"
#include "kvMessageSocket.h"
#include "desktop/MainFormUnit.h"
#include "desktop/MainStates.h"
#include "desktop/ModalRun.h"
#include "desktop/PassGenUnit.h"
#include "desktop/ReloadMenu.h"
#include "desktop/RtfReader.h"
#include "desktop/SafeViewUnit.h"
#include "desktop/SysTrayUnit.h"
#include "desktop/TextIds.h"
#include "desktop/WaitHourglassUnit.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/OpenSecretTestSupport.h"
#include "desktop/testing/FakeEngine.h"
#include "desktop/testing/FakeSafeTree.h"
#include "desktop/testing/FakeSecret.h"
#include "desktop/testing/FakePrompter.h"
#include "tests/support/ZkTestSupport.h"

namespace {

using kiv::BoxAnswer;

// ---------------------------------------------------------------------------
// The state function against the tables.

TEST(MainStates, MenusAndToolBarsByKind) {
  struct Row {
    int kind;
    bool save, edit, file, fileDelete, folder;
    int bar;
  };
  // Unsaved content, clipboard with text and a selection: every rule on.
  const Row rows[] = {
      {0, false, false, false, false, false, 0},
      {1, true, true, false, false, false, 1},
      {2, true, false, true, false, false, 2},
      {3, true, false, true, true, true, 3},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.kind);
    kiv::MainStates s = kiv::ComputeMainStates({r.kind, false, true, true});
    EXPECT_EQ(s.secretSave, r.save);
    EXPECT_EQ(s.secretClose, r.kind != 0);
    EXPECT_EQ(s.secretProperties, r.kind != 0);
    EXPECT_EQ(s.secretDelete, r.kind != 0);
    for (bool b : {s.edit, s.editCut, s.editCopy, s.editPaste, s.editDelete, s.editFind,
                   s.editReplace, s.editRead, s.editWrite})
      EXPECT_EQ(b, r.edit);
    EXPECT_EQ(s.file, r.file);
    EXPECT_EQ(s.fileAdd, r.file);
    EXPECT_EQ(s.fileGet, r.file);
    EXPECT_EQ(s.fileDelete, r.fileDelete);
    EXPECT_EQ(s.fileView, r.fileDelete);
    EXPECT_EQ(s.fileRename, r.fileDelete);
    EXPECT_EQ(s.folder, r.folder);
    EXPECT_EQ(s.shownToolBar, r.bar);
    EXPECT_EQ(s.tlbSave, r.save && r.kind != 0 && r.kind != 0);
  }
}

TEST(MainStates, SavedClipboardAndSelection) {
  // Saved: Save off for every shown kind.
  for (int k : {1, 2, 3}) {
    kiv::MainStates s = kiv::ComputeMainStates({k, true, true, true});
    EXPECT_FALSE(s.secretSave) << k;
    EXPECT_FALSE(s.tlbSave) << k;
  }
  // A message with nothing selected: Cut, Copy, Delete off; Paste follows
  // the clipboard.
  for (bool clip : {false, true}) {
    kiv::MainStates s = kiv::ComputeMainStates({1, true, clip, false});
    EXPECT_FALSE(s.editCut);
    EXPECT_FALSE(s.editCopy);
    EXPECT_FALSE(s.editDelete);
    EXPECT_FALSE(s.tlbCut);
    EXPECT_FALSE(s.tlbCopy);
    EXPECT_EQ(s.editPaste, clip);
    EXPECT_EQ(s.tlbPaste, clip);
    EXPECT_TRUE(s.editSelectAll);
  }
  kiv::MainStates s = kiv::ComputeMainStates({1, true, false, true});
  EXPECT_TRUE(s.editCut && s.editCopy && s.editDelete && s.tlbCut && s.tlbCopy);
  // Nothing shown: no rule turns anything on.
  s = kiv::ComputeMainStates({0, false, true, true});
  EXPECT_FALSE(s.secretSave || s.editPaste || s.editCut || s.tlbSave);
}

TEST(MainStates, SavedFlagRulesAndSaveFollowsThem) {
  using E = kiv::SecretEvent;
  struct Row {
    E event;
    bool savedForMessageOrSafe;
  };
  // A one-file secret writes itself with each change, and nothing shown has
  // nothing to save: both stay saved after every event.
  const Row rows[] = {
      {E::kOpened, true},  {E::kCreated, false},    {E::kChanged, false},
      {E::kSaved, true},   {E::kSaveFailed, false}, {E::kClosed, true},
  };
  for (const Row& r : rows) {
    for (int kind : {0, 1, 2, 3}) {
      SCOPED_TRACE(testing::Message() << "event " << int(r.event) << ", kind " << kind);
      const bool saved = kiv::SavedAfter(r.event, kind);
      EXPECT_EQ(saved, (kind == 1 || kind == 3) ? r.savedForMessageOrSafe : true);
      // The menu item and the tool button both offer Save exactly then.
      const kiv::MainStates s = kiv::ComputeMainStates({kind, saved, false, false});
      EXPECT_EQ(s.secretSave, kind != 0 && !saved);
      EXPECT_EQ(s.tlbSave, s.secretSave);
    }
  }
}

// ---------------------------------------------------------------------------
// The tray icon on a recording backend.

struct FakeTray : kiv::TrayBackend {
  bool Available() override { return available; }
  void Add(const QIcon&, const QString& tip) override {
    ++adds;
    this->tip = tip;
  }
  void Modify(const QIcon* icon, const QString* t) override {
    ++modifies;
    if (t) tip = *t;
    if (icon) ++iconChanges;
  }
  void Remove() override { ++removes; }
  void PopUp(QMenu*, const QPoint&) override { ++popups; }
  bool available = true;
  int adds = 0, modifies = 0, removes = 0, popups = 0, iconChanges = 0;
  QString tip;
};

TEST(SysTray, ShowHideHintAndClicks) {
  desktoptest::App();
  QWidget owner;
  auto backend = std::make_unique<FakeTray>();
  FakeTray* t = backend.get();
  kiv::kvTSysTray tray(&owner, std::move(backend));
  tray.SetHint(QString(100, 'h'));
  EXPECT_EQ(tray.Hint().size(), 63);
  EXPECT_EQ(t->modifies, 0) << "nothing shown yet";
  tray.Show();
  tray.Show();
  EXPECT_EQ(t->adds, 1);
  EXPECT_EQ(t->tip, QString(63, 'h'));
  tray.SetHint("x");
  EXPECT_EQ(t->tip, "x");
  tray.SetParentIcon(true);
  tray.SetParentIcon(true);
  EXPECT_EQ(t->iconChanges, 1);

  std::vector<int> ups;
  tray.OnMouseUp = [&](int b, int, int) { ups.push_back(b); };
  t->clicked(0, {});
  t->clicked(2, {});
  t->clicked(1, {});
  EXPECT_EQ(ups, (std::vector<int>{0, 2, 1}));
  QMenu menu;
  tray.SetPopupMenu(&menu);
  t->clicked(1, {});
  EXPECT_EQ(t->popups, 1);
  EXPECT_EQ(ups.size(), 3u) << "a right click with a menu raises no event";
  tray.Hide();
  tray.Hide();
  EXPECT_EQ(t->removes, 1);
}

// ---------------------------------------------------------------------------
// Recent files.

struct Recent : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    params = new desktoptest::FakeAppParam();
    params->values["count_of_files_reopen"] = "0";
    for (int i = 0; i < 9; ++i) params->values["reopen_file_" + std::to_string(i)] = "";
    menu.SetParentMenu(&qmenu);
    menu.SetParams(params);
    menu.SetMaximum(9);
  }
  void TearDown() override { params->Release(); }
  QStringList Shown() const {
    QStringList l;
    for (QAction* a : qmenu.actions()) l << a->text();
    return l;
  }
  bool app = (desktoptest::App(), true);  // before the menu
  desktoptest::FakeAppParam* params;
  QMenu qmenu;
  kiv::TReloadFileMenu menu;
};

TEST_F(Recent, OrderDropAndStoredCount) {
  menu.Load();
  EXPECT_TRUE(Shown().isEmpty()) << "empty entries are never shown";
  menu.Add("/a.kvs");
  menu.Add("/b.kvs");
  menu.Add("/a.kvs");  // already there: keeps its place
  EXPECT_EQ(Shown(), (QStringList{"1 /b.kvs", "2 /a.kvs"}));
  menu.Add("/A.kvs");  // another path: names are case-sensitive
  EXPECT_EQ(menu.Entries()[0], "/A.kvs");
  EXPECT_EQ(params->values["count_of_files_reopen"], "9") << "empty entries counted";
  EXPECT_EQ(params->values["reopen_file_1"], "/b.kvs");
  EXPECT_EQ(params->values["reopen_file_8"], "");
  for (int i = 0; i < 7; ++i) menu.Add(QString("/f%1").arg(i));
  EXPECT_EQ(menu.Entries().size(), 9);
  EXPECT_EQ(menu.Entries().last(), "/b.kvs");
  menu.Add("/tenth");
  EXPECT_EQ(menu.Entries().last(), "/A.kvs") << "the oldest dropped";
  EXPECT_FALSE(menu.Entries().contains("/b.kvs"));
  // Clicks give the path at the position.
  QString chosen;
  menu.SetOnClick([&](kiv::TReloadFileMenu&, const QString& p) { chosen = p; });
  qmenu.actions()[2]->trigger();
  EXPECT_EQ(chosen, menu.Entries()[2]);
  menu.Click(9);
  EXPECT_EQ(chosen, menu.Entries()[2]) << "outside the list: nothing";
}

TEST_F(Recent, LoadStopsAtTheFirstEmptyAndLabelsPastNine) {
  params->values["count_of_files_reopen"] = "4";
  params->values["reopen_file_0"] = "/x";
  params->values["reopen_file_1"] = "/y";
  params->values["reopen_file_3"] = "/after-gap";
  menu.Load();
  EXPECT_EQ(Shown(), (QStringList{"1 /x", "2 /y"}));
  EXPECT_EQ(kiv::TReloadFileMenu::Label(0), "1");
  EXPECT_EQ(kiv::TReloadFileMenu::Label(8), "9");
  EXPECT_EQ(kiv::TReloadFileMenu::Label(9), "A");
  EXPECT_EQ(kiv::TReloadFileMenu::Label(10), "B");
  EXPECT_EQ(kiv::TReloadFileMenu::Label(11), "C");
  menu.SetMaximum(39);
  EXPECT_EQ(menu.Maximum(), 9) << "beyond 38 refused";
  menu.SetMaximum(2);
  EXPECT_EQ(menu.Entries(), (QStringList{"/x", "/y"}));
}

// ---------------------------------------------------------------------------
// The main window.

using desktoptest::FakeSource;

struct Window : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    kiv::SetSilent(true);
    driver = new desktoptest::FakeDriver();
    auto& v = driver->params->values;
    for (const char* n : {"top", "left", "width", "height", "hash", "cipher", "copy_container",
                          "next_show", "count_of_files_reopen"})
      v[n] = "";
    for (int i = 0; i < 9; ++i) v["reopen_file_" + std::to_string(i)] = "";
    v["copy_container"] = "1";
    v["hash"] = "3";
  }
  void Make(bool trayOn = false) {
    auto backend = std::make_unique<FakeTray>();
    tray = backend.get();
    driver->params->values["systray"] = trayOn ? "1" : "0";
    form = std::make_unique<kiv::TMainForm>(std::vector<std::string>{"-s"}, nullptr, std::move(backend));
    form->FormCreate(FakeSource(driver));
    form->show();
    desktoptest::Drain();
  }
  void TearDown() override {
    form.reset();
    driver->Release();
  }
  // A secret of kind 1-3 shown as the chains show one.
  desktoptest::FakeSecret* Show(int kind, int format = zk::kFormatSecretFile,
                            const std::string& path = "/tmp/shown.kvs") {
    auto* s = new desktoptest::FakeSecret();
    zk::IBase* c = nullptr;
    if (kind == 1) {
      message = new desktoptest::FakeMessage();
      message->text = "Hello, secret world.\nSecond line.";
      c = message;
    } else if (kind == 2) {
      c = new desktoptest::FakeFile();
    } else {
      safe = new desktoptest::FakeSafe();
      c = safe;
    }
    s->AddRef();  // one for the test
    form->Model().Choice().carrierFormat = format;
    form->ShowSecret(s, c, kind, path);
    return s;
  }
  bool Enabled(const char* name) { return form->Action(name)->isEnabled(); }

  desktoptest::FakeDriver* driver;
  std::unique_ptr<kiv::TMainForm> form;
  FakeTray* tray = nullptr;
  desktoptest::FakeMessage* message = nullptr;
  desktoptest::FakeSafe* safe = nullptr;
  desktoptest::FakePrompter prompter;
};

TEST_F(Window, CaptionsAndHintsByIdAndTheFirstShow) {
  Make();
  const std::pair<const char*, const char*> items[] = {
      {"mnSecret", "T1"}, {"mnSecretDelete", "T53"}, {"mnFolderAdd", "T16"},
      {"mnEditRead", "T82"}, {"mnToolsGenePass", "T88"}, {"mnHelpAbout", "T48"},
      {"mnToolsSignature", "T74"}, {"stmShow", "T86"}, {"stmExit", "T87"},
      {"stmClipboardCoder", "T89"}, {"stmPassGen", "T88"}};
  for (const auto& [name, text] : items) EXPECT_EQ(form->Action(name)->text(), text) << name;
  EXPECT_EQ(form->Action("tlbSafeFileView")->toolTip(), "T122");
  EXPECT_EQ(form->Action("tlbAddOneFile")->toolTip(), "T120");
  EXPECT_EQ(form->ListViewOneFile->headerItem()->text(0), "T84");
  EXPECT_EQ(form->ListViewOneFile->topLevelItem(5)->text(0), "T60");
  EXPECT_EQ(form->ListViewSafe->headerItem()->text(2), "T63");
  EXPECT_EQ(form->ListViewSafe->columnWidth(0), 230);
  // Nothing shown: only New and Open of the secret bar.
  EXPECT_TRUE(Enabled("tlbNewSecret"));
  EXPECT_TRUE(Enabled("tlbOpenSecret"));
  EXPECT_FALSE(Enabled("tlbSaveSecret"));
  EXPECT_FALSE(Enabled("mnSecretClose"));
  EXPECT_FALSE(form->ToolBarEdit->isVisible());
  EXPECT_FALSE(form->PageControlView->isVisible());
  // Placement defaults and the last hash.
  EXPECT_EQ(form->width(), 700);
  EXPECT_EQ(form->height(), 520);
  EXPECT_EQ(form->geometry().topLeft(), QPoint(50, 50)) << "no stored top and left";
  EXPECT_EQ(form->Model().Choice().hashIndex, 3);
  EXPECT_EQ(form->Model().Choice().cipherIndex, 1);
  EXPECT_EQ(form->MemoMessage->font().pointSize(), 8);
  EXPECT_FALSE(form->Tray()->IsShown());
}

// Every action's standard key and picture: the key shows in the menu, and
// the picture is the theme's picture of the name its hint stands for (or,
// without that theme picture, a fallback that is not empty).
TEST_F(Window, EveryActionHasItsStandardKeyAndPicture) {
  Make();
  const struct {
    const char* action;
    const char* icon;
    QKeySequence::StandardKey key;
  } table[] = {
      {"mnSecretNew", "document-new", QKeySequence::New},
      {"mnSecretOpen", "document-open", QKeySequence::Open},
      {"mnSecretSave", "document-save", QKeySequence::Save},
      {"mnSecretClose", "window-close", QKeySequence::Close},
      {"mnSecretExit", "application-exit", QKeySequence::Quit},
      {"mnSecretProperties", "document-properties", QKeySequence::UnknownKey},
      {"mnSecretDelete", "edit-delete", QKeySequence::UnknownKey},
      {"mnEditCut", "edit-cut", QKeySequence::Cut},
      {"mnEditCopy", "edit-copy", QKeySequence::Copy},
      {"mnEditPaste", "edit-paste", QKeySequence::Paste},
      {"mnEditDelete", "edit-delete", QKeySequence::Delete},
      {"mnEditSelectAll", "edit-select-all", QKeySequence::SelectAll},
      {"mnEditFind", "edit-find", QKeySequence::Find},
      {"mnEditReplace", "edit-find-replace", QKeySequence::Replace},
      {"mnFileDelete", "edit-delete", QKeySequence::Delete},
      {"mnHelpContents", "help-contents", QKeySequence::HelpContents},
      {"tlbNewSecret", "document-new", QKeySequence::UnknownKey},
      {"tlbOpenSecret", "document-open", QKeySequence::UnknownKey},
      {"tlbSaveSecret", "document-save", QKeySequence::UnknownKey},
      {"tlbEditCut", "edit-cut", QKeySequence::UnknownKey},
      {"tlbEditCopy", "edit-copy", QKeySequence::UnknownKey},
      {"tlbEditPaste", "edit-paste", QKeySequence::UnknownKey},
      {"tlbSelectAll", "edit-select-all", QKeySequence::UnknownKey},
      {"tlbEditSearch", "edit-find", QKeySequence::UnknownKey},
      {"tlbInsertTextFromFile", "document-import", QKeySequence::UnknownKey},
      {"tlbSaveTextToFile", "document-export", QKeySequence::UnknownKey},
      {"tlbAddOneFile", "list-add", QKeySequence::UnknownKey},
      {"tlbGetOneFile", "document-save-as", QKeySequence::UnknownKey},
      {"tlbSafeNewFolder", "folder-new", QKeySequence::UnknownKey},
      {"tlbAddFolder", "folder-open", QKeySequence::UnknownKey},
      {"tlbSafeGetFolder", "document-export", QKeySequence::UnknownKey},
      {"tlbSafeFolderProp", "document-properties", QKeySequence::UnknownKey},
      {"tlbSafeAddFile", "list-add", QKeySequence::UnknownKey},
      {"tlbSafeGetFile", "document-save-as", QKeySequence::UnknownKey},
      {"tlbSafeFileView", "document-print-preview", QKeySequence::UnknownKey},
      {"tlbExplorer", "system-file-manager", QKeySequence::UnknownKey},
  };
  std::set<std::string> listed;
  for (const auto& row : table) {
    SCOPED_TRACE(row.action);
    listed.insert(row.action);
    QAction* a = form->Action(row.action);
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(a->icon().isNull());
    if (QIcon::hasThemeIcon(row.icon)) {
      EXPECT_EQ(a->icon().name(), row.icon);
    }
    if (row.key == QKeySequence::UnknownKey) {
      EXPECT_TRUE(a->shortcut().isEmpty());
    } else {
      // The desktop's keys; where it has none, the usual one.
      const QList<QKeySequence> keys = QKeySequence::keyBindings(row.key);
      if (!keys.isEmpty()) {
        EXPECT_EQ(a->shortcuts(), keys);
      } else if (row.key == QKeySequence::Quit) {
        EXPECT_EQ(a->shortcut(), QKeySequence("Ctrl+Q"));
      } else if (row.key == QKeySequence::Replace) {
        EXPECT_EQ(a->shortcut(), QKeySequence("Ctrl+H"));
      }
      EXPECT_FALSE(a->shortcut().isEmpty());
    }
  }
  // Every tool button is in the table.
  for (QToolBar* bar : {form->ToolBarSecret, form->ToolBarEdit, form->ToolBarOneFile, form->ToolBarSafe})
    for (QAction* a : bar->actions()) EXPECT_TRUE(listed.count(a->objectName().toStdString())) << a->objectName().toStdString();
  // No two enabled actions share a key, in any state (an ambiguous key does nothing).
  for (int kind = 0; kind <= 3; ++kind) {
    desktoptest::FakeSecret* s = kind ? Show(kind) : nullptr;
    std::map<QString, QString> owner;
    for (QAction* a : form->findChildren<QAction*>()) {
      if (!a->isEnabled()) continue;
      for (const QKeySequence& k : a->shortcuts()) {
        auto [it, fresh] = owner.emplace(k.toString(), a->objectName());
        EXPECT_TRUE(fresh) << "kind " << kind << ": " << k.toString().toStdString() << " on "
                           << it->second.toStdString() << " and " << a->objectName().toStdString();
      }
    }
    if (s) {
      kiv::OpenSecretProbe::SetSaved(form->Model(), true);
      form->mnSecretCloseClick();
      s->Release();
    }
  }
  EXPECT_FALSE(form->windowIcon().isNull());
  EXPECT_FALSE(QApplication::windowIcon().isNull() && form->windowIcon().availableSizes().isEmpty());
}

TEST_F(Window, FontSizeRaisedToFive) {
  driver->params->values["font_size"] = "3";
  driver->params->values["font_name"] = "Serif";
  Make();
  EXPECT_EQ(form->MemoMessage->font().pointSize(), 5);
  EXPECT_EQ(form->MemoMessage->font().family(), "Serif");
}

TEST_F(Window, MessageViewSaveAndStates) {
  Make();
  desktoptest::FakeSecret* s = Show(1);
  EXPECT_EQ(form->MemoMessage->toPlainText().toStdString(), message->text);
  EXPECT_TRUE(form->Model().Saved());
  EXPECT_TRUE(form->ToolBarEdit->isVisible());
  EXPECT_FALSE(Enabled("mnSecretSave"));
  EXPECT_FALSE(Enabled("mnEditCut")) << "nothing selected";
  EXPECT_EQ(form->StatusPanel0->text(), "/tmp/shown.kvs");
  EXPECT_EQ(form->RecentFiles().Entries()[0], "/tmp/shown.kvs");
  form->MemoMessage->appendPlainText("changed");
  EXPECT_FALSE(form->Model().Saved());
  EXPECT_TRUE(Enabled("mnSecretSave"));
  EXPECT_TRUE(Enabled("tlbSaveSecret"));
  form->mnSecretSaveClick();
  EXPECT_EQ(message->sets, 1);
  EXPECT_NE(message->text.find("changed"), std::string::npos);
  EXPECT_TRUE(form->Model().Saved());
  EXPECT_FALSE(Enabled("tlbSaveSecret"));
  s->Release();
}

TEST_F(Window, SaveOfAFileSecretOnlyRefreshes) {
  Make();
  desktoptest::FakeSecret* s = Show(2);
  EXPECT_EQ(form->PageControlView->currentWidget(), form->TabSheetFile);
  kiv::OpenSecretProbe::SetSaved(form->Model(), false);
  form->mnSecretSaveClick();
  EXPECT_FALSE(form->Model().Saved());
  EXPECT_TRUE(prompter.Calls().empty());
  EXPECT_TRUE(form->ToolBarOneFile->isVisible());
  s->Release();
}

TEST_F(Window, SafeSaveCommits) {
  Make();
  desktoptest::FakeSecret* s = Show(3);
  EXPECT_TRUE(form->PanelLeft->isVisible());
  EXPECT_TRUE(Enabled("mnFolderNew"));
  kiv::OpenSecretProbe::SetSaved(form->Model(), false);
  form->mnSecretSaveClick();
  EXPECT_EQ(safe->commits, 1);
  EXPECT_TRUE(form->Model().Saved());
  s->Release();
}

TEST_F(Window, DeleteAsksByMediumAndKeepsTheViewWhenItFails) {
  Make();
  struct Case {
    int format;
    const char* question;
  } cases[] = {{zk::kFormatSecretFile, "T803"}, {zk::kFormatBMP, "T819"}};
  for (const Case& c : cases) {
    desktoptest::FakeSecret* s = Show(1, c.format);
    s->deleteResult = -105;
    prompter.Clear();
    prompter.AnswerBox(BoxAnswer::kYes);
    form->mnSecretDeleteClick();
    ASSERT_GE(prompter.Calls().size(), 2u);
    EXPECT_EQ(prompter.Calls()[0].text, c.question);
    EXPECT_TRUE(prompter.Calls()[1].text.startsWith("T805")) << prompter.Calls()[1].text.toStdString();
    EXPECT_EQ(form->Model().Kind(), 1) << "a failed delete leaves the view";
    EXPECT_NE(form->Model().Content(), nullptr);
    EXPECT_EQ(form->MemoMessage->toPlainText().toStdString(), message->text);
    // No: nothing happens. Yes with success: closed.
    prompter.AnswerBox(BoxAnswer::kNo);
    form->mnSecretDeleteClick();
    EXPECT_EQ(s->calls, (std::vector<std::string>{"Delete"}));
    s->deleteResult = 0;
    prompter.AnswerBox(BoxAnswer::kYes);
    form->mnSecretDeleteClick();
    EXPECT_EQ(s->calls, (std::vector<std::string>{"Delete", "Delete", "Close"}));
    EXPECT_EQ(form->Model().Kind(), 0);
    EXPECT_EQ(form->Model().Secret(), nullptr);
    EXPECT_EQ(s->GetRefCount(), 1);
    s->Release();
  }
}

TEST_F(Window, CloseAsksAndAFailingSaveKeepsTheSecret) {
  Make();
  desktoptest::FakeSecret* s = Show(1);
  const int saves = driver->params->saves;
  form->MemoMessage->appendPlainText("x");
  message->setResult = -105;
  prompter.AnswerBox(BoxAnswer::kYes);
  EXPECT_FALSE(form->mnSecretCloseClick());
  EXPECT_EQ(prompter.Calls()[0].text, "T800");
  EXPECT_EQ(prompter.Calls()[0].buttons, kiv::BoxButtons::kYesNoCancel);
  EXPECT_EQ(form->Model().Kind(), 1);
  EXPECT_TRUE(s->calls.empty());
  // Closing the window asks again and is stopped the same way.
  prompter.AnswerBox(BoxAnswer::kYes);
  EXPECT_FALSE(form->close());
  EXPECT_EQ(driver->params->saves, saves) << "no settings written";
  EXPECT_EQ(form->Model().Kind(), 1);
  // Cancel stops too; No discards.
  prompter.AnswerBox(BoxAnswer::kCancel);
  EXPECT_FALSE(form->mnSecretCloseClick());
  prompter.AnswerBox(BoxAnswer::kNo);
  EXPECT_TRUE(form->mnSecretCloseClick());
  EXPECT_EQ(s->calls, (std::vector<std::string>{"Close"}));
  EXPECT_EQ(form->Model().Kind(), 0);
  EXPECT_FALSE(form->PageControlView->isVisible());
  EXPECT_TRUE(form->MemoMessage->toPlainText().isEmpty());
  s->Release();
}

TEST_F(Window, ACommandFromOutsideStopsWhenTheCloseIsRefused) {
  Make();
  desktoptest::FakeSecret* s = Show(1);
  form->MemoMessage->appendPlainText("x");
  prompter.AnswerBox(BoxAnswer::kCancel);
  kiv::PostKivMessage(form.get(), kiv::wm::kNewSafe);
  desktoptest::Drain();
  EXPECT_TRUE(form->RecordedMessages().empty());
  EXPECT_EQ(form->Model().Kind(), 1);
  prompter.AnswerBox(BoxAnswer::kNo);
  // Once closed, the new safe's first page comes up: cancelled here.
  kiv::SetModalDriver([](QDialog* d) { d->reject(); });
  kiv::PostKivMessage(form.get(), kiv::wm::kNewSafe);
  desktoptest::Drain();
  kiv::SetModalDriver({});
  EXPECT_EQ(form->RecordedMessages(), (std::vector<uint32_t>{kiv::wm::kNewSafe}));
  EXPECT_EQ(form->Model().Kind(), 0);
  s->Release();
}

TEST_F(Window, ClosingWritesTheSevenSettings) {
  Make();
  form->move(120, 80);
  form->resize(640, 480);
  form->Model().Choice().cipherIndex = 4;
  EXPECT_TRUE(form->close());
  auto& v = driver->params->values;
  EXPECT_EQ(v["width"], std::to_string(form->width()));
  EXPECT_EQ(v["height"], std::to_string(form->height()));
  // The client area's place, as the next start restores it.
  EXPECT_EQ(v["left"], std::to_string(form->geometry().x()));
  EXPECT_EQ(v["top"], std::to_string(form->geometry().y()));
  EXPECT_EQ(v["hash"], "3");
  EXPECT_EQ(v["cipher"], "4");
  EXPECT_EQ(v["copy_container"], "1");
  EXPECT_GE(driver->params->saves, 1);
}

TEST_F(Window, CloseWithTheTrayHidesAndASessionEndCloses) {
  Make(true);
  ASSERT_TRUE(form->Tray()->IsShown());
  EXPECT_EQ(tray->adds, 1);
  EXPECT_EQ(tray->tip, "Kivora 1.01");
  desktoptest::FakeSecret* s = Show(1);
  const int saves = driver->params->saves;
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(desktoptest::SpinUntil([&] { return form->isHidden(); }));
  EXPECT_TRUE(form->HiddenToTray());
  EXPECT_EQ(s->calls, (std::vector<std::string>{"Close"})) << "the secret is closed";
  EXPECT_EQ(driver->params->saves, saves);
  // A left click on the icon shows the window again.
  tray->clicked(0, {});
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(form->HiddenToTray());
  form->BeginShutDown();
  EXPECT_FALSE(form->isVisible());
  EXPECT_GT(driver->params->saves, saves) << "settings saved";
  s->Release();
}

TEST_F(Window, NoTrayOnADesktopWithoutOne) {
  auto backend = std::make_unique<FakeTray>();
  backend->available = false;
  driver->params->values["systray"] = "1";
  form = std::make_unique<kiv::TMainForm>(std::vector<std::string>{}, nullptr, std::move(backend));
  form->FormCreate(FakeSource(driver));
  form->show();
  desktoptest::Drain();
  EXPECT_FALSE(form->Tray()->IsShown());
  EXPECT_TRUE(form->close()) << "the window closes: it would be unreachable in a tray";
}

TEST_F(Window, GeneratorAndNewSecretOpenTheirWindows) {
  ASSERT_TRUE(zktest::LoadToolkit("zk5cipher"));  // the generator's password object
  Make();
  std::vector<QString> pages;
  kiv::SetModalDriver([&](QDialog* d) {
    pages.push_back(d->objectName());
    d->reject();
  });
  form->Action("mnToolsGenePass")->trigger();
  EXPECT_TRUE(kiv::PasswordGenerator()->isVisible());
  kiv::PasswordGenerator()->hide();
  form->Action("mnFolderNew")->trigger();  // disabled: nothing
  form->Action("tlbNewSecret")->trigger();
  desktoptest::Drain();
  kiv::SetModalDriver({});
  EXPECT_EQ(pages, std::vector<QString>{"FormSecretType"});
  EXPECT_TRUE(form->RecordedCommands().empty());
}

// ---------------------------------------------------------------------------
// Information windows.

TEST(Warning, NextShowZeroShowsNothingAndTheBoxStopsIt) {
  desktoptest::App();
  auto* texts = new desktoptest::FakeTextRes();
  auto* params = new desktoptest::FakeAppParam();
  params->values["next_show"] = "0";
  bool shown = false;
  QTimer::singleShot(0, [&] { shown = QApplication::activeModalWidget() != nullptr; });
  kiv::ShowWarning(nullptr, texts, params, kiv::txt::kCarrierWarning);
  desktoptest::Drain();
  EXPECT_FALSE(shown);
  // Ticked, then closed by the close button, by Escape, by the window's
  // own close: "next_show" becomes 0 each way.
  for (int how = 0; how < 3; ++how) {
    params->values["next_show"] = "1";
    kiv::TFormWarning w(texts, params, kiv::txt::kCarrierWarning);
    EXPECT_EQ(w.windowTitle(), "T80");
    EXPECT_EQ(w.CheckBoxNotShow->text(), "T81");
    EXPECT_EQ(w.WebBrowserInfo->toPlainText(), "T2000");
    w.show();
    w.CheckBoxNotShow->setChecked(true);
    if (how == 0) w.BitBtnClose->click();
    else if (how == 1) w.reject();
    else w.close();
    EXPECT_EQ(params->values["next_show"], "0") << how;
  }
  params->values["next_show"] = "1";
  {
    kiv::TFormWarning w(texts, params, kiv::txt::kCarrierWarning);
    w.show();
    w.close();
  }
  EXPECT_EQ(params->values["next_show"], "1") << "not ticked: unchanged";
  texts->Release();
  params->Release();
}

TEST(About, CaptionPageAndNoBrowserMenu) {
  desktoptest::App();
  auto* texts = new desktoptest::FakeTextRes();
  kiv::TFormAbout a(texts);
  EXPECT_EQ(a.windowTitle(), "T1800");
  EXPECT_EQ(a.BitBtnClose->text(), "T6");
  EXPECT_EQ(a.WebBrowserInfo->toPlainText(), "T1801");
  EXPECT_EQ(a.WebBrowserInfo->contextMenuPolicy(), Qt::NoContextMenu);
  texts->Release();
}

TEST(ViewText, SavesTheBytesAsTheyCame) {
  desktoptest::App();
  auto* texts = new desktoptest::FakeTextRes();
  zktest::TempDir dir;
  const QByteArray rtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 caf\\'e9 \\b bold\\b0\\par}\r\n\0x", 57);
  for (bool rich : {true, false}) {
    kiv::TFormViewText v(texts, rtf, QFont(), rich, "/some/where/note.rtf");
    EXPECT_EQ(v.RichEditText != nullptr, rich);
    if (rich) {
      EXPECT_EQ(v.RichEditText->toPlainText(), QString::fromUtf8("café bold"));
    }
    QString out = QString::fromStdString(dir.File(rich ? "a.rtf" : "b.rtf"));
    desktoptest::FakePrompter prompter;
    prompter.AnswerPath(out);
    v.tlbSaveClick();
    EXPECT_EQ(prompter.Calls()[0].text, "note.rtf") << "the name without its folder";
    EXPECT_EQ(prompter.Calls()[1].text, "T2408");
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), rtf);
    // A folder that does not exist: text 2407.
    prompter.AnswerPath("/nonexistent-folder/x.rtf");
    v.tlbSaveClick();
    EXPECT_EQ(prompter.Calls().back().text, "T2407");
  }
  EXPECT_TRUE(kiv::IsRichTextName("A.RTF"));
  EXPECT_FALSE(kiv::IsRichTextName("a.rtf.txt"));
  texts->Release();
}

// Bold and italic ranges of the text as [start, end) pairs.
struct Styled {
  QString text;
  std::vector<std::pair<int, int>> bold, italic;
};

Styled Read(const QByteArray& rtf) {
  QTextDocument doc;
  kiv::ReadRtf(rtf, &doc);
  Styled s;
  s.text = doc.toPlainText();
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      QTextFragment f = it.fragment();
      std::pair<int, int> r{f.position(), f.position() + f.length()};
      auto add = [&](std::vector<std::pair<int, int>>& v) {
        if (!v.empty() && v.back().second == r.first) v.back().second = r.second;
        else v.push_back(r);
      };
      if (f.charFormat().fontWeight() >= QFont::Bold) add(s.bold);
      if (f.charFormat().fontItalic()) add(s.italic);
    }
  return s;
}

TEST(RtfReader, TextAndStyleRanges) {
  desktoptest::App();
  struct Case {
    const char* rtf;
    const char* text;  // UTF-8
    std::vector<std::pair<int, int>> bold, italic;
  } cases[] = {
      {"{\\rtf1 plain}", "plain", {}, {}},
      {"{\\rtf1 a\\b bc\\b0 d}", "abcd", {{1, 3}}, {}},
      {"{\\rtf1 a{\\i bc}d}", "abcd", {}, {{1, 3}}},
      {"{\\rtf1 one\\par two}", "one\ntwo", {}, {}},
      {"{\\rtf1 \\b\\i x\\plain y}", "xy", {{0, 1}}, {{0, 1}}},
      {"{\\rtf1 caf\\'e9 \\'80}", "caf\xc3\xa9 \xe2\x82\xac", {}, {}},
      {"{\\rtf1\\uc1 \\u8364?\\u-4064? x}", "\xe2\x82\xac\xef\x80\xa0 x", {}, {}},
      {"{\\rtf1 {\\*\\generator Writer;}{\\fonttbl{\\f0\\fswiss Arial;}}"
       "{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}"
       "\\cf1 red}",
       "red", {}, {}},
      {"{\\rtf1 a\\{b\\}\\\\c}", "a{b}\\c", {}, {}},
      {"{\\rtf1 {\\*\\unknown skipped}{\\pict 0102}shown}", "shown", {}, {}},
      // (plain text shows the no-break space as a blank)
      {"{\\rtf1 a\\tab b\\~c}", "a\tb c", {}, {}},
      {"{\\rtf1 unclosed {\\b group", "unclosed group", {{9, 14}}, {}},
      {"\\'4", "", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rtf);
    Styled s = Read(c.rtf);
    EXPECT_EQ(s.text, QString::fromUtf8(c.text));
    EXPECT_EQ(s.bold, c.bold);
    EXPECT_EQ(s.italic, c.italic);
  }
  // The font, size, underline and colour reach the format.
  QTextDocument doc;
  kiv::ReadRtf("{\\rtf1{\\fonttbl{\\f1\\froman Times New Roman;}}{\\colortbl;\\red0\\green0\\blue255;}"
               "\\f1\\fs40\\ul\\cf1 big}", &doc);
  QTextCharFormat f = doc.begin().begin().fragment().charFormat();
  EXPECT_EQ(f.fontPointSize(), 20);
  EXPECT_TRUE(f.fontUnderline());
  EXPECT_EQ(f.fontFamilies().toStringList(), QStringList{"Times New Roman"});
  EXPECT_EQ(f.foreground().color(), QColor(0, 0, 255));
}

// ---------------------------------------------------------------------------
// Pictures of the window: nothing, a message, a file, a safe; and About.
// Written under <build>/screenshots (KIV_SCREENSHOT_DIR to choose).

bool Blank(const QImage& img) {
  const QRgb first = img.pixel(0, 0);
  for (int y = 0; y < img.height(); y += 3)
    for (int x = 0; x < img.width(); x += 3)
      if (img.pixel(x, y) != first) return false;
  return true;
}

using desktoptest::LanguageFile;

TEST_F(Window, PicturesOfTheFourStatesAndAbout) {
  // In the shipped English when the build has put it beside the tests.
  driver->texts->given = LanguageFile(zktest::ProgramDir() + "/kiv_en.txt");
  Make();
  QString folder = qEnvironmentVariable("KIV_SCREENSHOT_DIR");
  if (folder.isEmpty()) folder = QString::fromStdString(zktest::ProgramDir()) + "/../screenshots";
  QDir().mkpath(folder);
  std::vector<QImage> pictures;
  auto take = [&](QWidget* w, const QString& name) {
    desktoptest::Drain();
    QImage img = w->grab().toImage();
    ASSERT_FALSE(img.isNull());
    EXPECT_FALSE(Blank(img)) << name.toStdString();
    for (const QImage& other : pictures) EXPECT_NE(img, other) << name.toStdString();
    pictures.push_back(img);
    EXPECT_TRUE(img.save(folder + "/" + name + ".png")) << name.toStdString();
  };
  take(form.get(), "main-nothing");
  desktoptest::FakeSecret* s = Show(1);
  take(form.get(), "main-message");
  form->mnSecretCloseClick();
  s->Release();
  s = Show(2, zk::kFormatPNG, "/tmp/holiday.png");
  form->ListViewOneFile->topLevelItem(1)->setText(1, "report.pdf");  // name
  form->ListViewOneFile->topLevelItem(2)->setText(1, "1 234 567");   // size
  take(form.get(), "main-file");
  form->mnSecretCloseClick();
  s->Release();
  s = Show(3, zk::kFormatSecretFile, "/tmp/archive.kvs");
  auto* root = new QTreeWidgetItem(form->TreeViewSafe, {"\\"});
  new QTreeWidgetItem(root, {"letters"});
  new QTreeWidgetItem(root, {"photos"});
  form->TreeViewSafe->expandAll();
  new QTreeWidgetItem(form->ListViewSafe, {"notes.txt", "12 288", "01 January 2026, 10:24:05"});
  new QTreeWidgetItem(form->ListViewSafe, {"plan.odt", "40 960", "02 February 2026, 18:40:51"});
  form->PanelSafeBottom->setText("\\letters");
  take(form.get(), "main-safe");
  form->mnSecretCloseClick();
  s->Release();
  kiv::TFormAbout about(driver->texts, form.get());
  about.show();
  take(&about, "about");
}

// The safe view filled from a safe by its own refresh, in a folder two
// levels down.
TEST_F(Window, PictureOfTheSafeView) {
  driver->texts->given = LanguageFile(zktest::ProgramDir() + "/kiv_en.txt");
  Make();
  QString folder = qEnvironmentVariable("KIV_SCREENSHOT_DIR");
  if (folder.isEmpty()) folder = QString::fromStdString(zktest::ProgramDir()) + "/../screenshots";
  QDir().mkpath(folder);
  auto* tree = new desktoptest::FakeSafeTree();
  tree->MakeFolders("\\Letters\\2025");
  tree->MakeFolders("\\Letters\\2026\\Drafts");
  tree->MakeFolders("\\Photos\\Summer");
  tree->PutFile("\\Letters\\2026", "to the bank.txt", std::string(12288, 'x'), 1);
  tree->PutFile("\\Letters\\2026", "contract.pdf", std::string(40960, 'p'));
  tree->PutFile("\\Letters\\2026", "setup.exe", std::string(5000, 'e'));
  tree->PutFile("\\", "readme.txt", "r");
  tree->current = "\\Letters\\2026";
  auto* s = new desktoptest::FakeSecret();
  form->Model().Choice().carrierFormat = zk::kFormatSecretFile;
  form->ShowSecret(s, tree, 3, "/tmp/archive.kvs");
  EXPECT_EQ(form->PanelSafeBottom->text(), "\\Letters\\2026");
  EXPECT_EQ(form->ListViewSafe->topLevelItemCount(), 5);
  desktoptest::Drain();
  QImage img = form->grab().toImage();
  EXPECT_FALSE(Blank(img));
  EXPECT_TRUE(img.save(folder + "/main-safe-view.png"));
  form->mnSecretCloseClick();
}

}  // namespace

namespace {

TEST(Help, PageOfTheLanguageOrWarning92) {
  desktoptest::App();
  auto* texts = new desktoptest::FakeTextRes();
  auto* params = new desktoptest::FakeAppParam();
  params->values["lang_cur"] = "en";
  params->values["en_help"] = "help.html";
  zktest::TempDir dir;
  desktoptest::FakePrompter prompter;
  QWidget owner;
  const QString folder = QString::fromStdString(dir.path());
  kiv::ShowHelpContents(&owner, texts, params, folder);
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].text, "T92");
  zktest::WriteFile(dir.File("help.html"), std::vector<uint8_t>{'<', 'b', '>', 'H', '<', '/', 'b', '>'});
  kiv::ShowHelpContents(&owner, texts, params, folder);
  EXPECT_EQ(prompter.Calls().size(), 1u);
  auto* browser = owner.findChild<QTextBrowser*>("TextBrowserHelp");
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(browser->toPlainText(), "H");
  texts->Release();
  params->Release();
}

}  // namespace
