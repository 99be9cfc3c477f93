// The safe view and its commands on an in-memory safe: list and tree after
// changes, the name rules, adding (merging folders, the replace question and
// its "No All" memory, links), extraction's name check, moves by dragging,
// the dropped files and message 1045; and the replace and properties
// dialogs' own rules.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <deque>
#include <filesystem>
#include <fstream>

#include "desktop/CommonUnit.h"
#include "desktop/CopyFileUnit.h"
#include "desktop/FolderPropsUnit.h"
#include "desktop/KivEvent.h"
#include "desktop/MainFormUnit.h"
#include "desktop/ModalRun.h"
#include "desktop/ProgressUnit.h"
#include "desktop/SafeCommandsUnit.h"
#include "desktop/SafeTextIds.h"
#include "desktop/SafeViewUnit.h"
#include "desktop/WaitHourglassUnit.h"
#include "desktop/testing/OpenSecretTestSupport.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/FakeEngine.h"
#include "desktop/testing/FakeSafeTree.h"
#include "desktop/testing/FakeSecret.h"
#include "desktop/testing/PageScriptTestSupport.h"
#include "desktop/testing/FakePrompter.h"
#include "kvMessageSocket.h"
#include "tests/support/ZkTestSupport.h"

namespace fs = std::filesystem;

namespace {

using kiv::BoxAnswer;
using Names = std::vector<std::string>;
using desktoptest::Page;

// cipher.SetPassword for the parameters page's quality gauge.
struct CipherLibrary : ::testing::Environment {
  void SetUp() override { ASSERT_TRUE(zktest::LoadToolkit("zk5cipher")); }
};
const auto* const kCipher = ::testing::AddGlobalTestEnvironment(new CipherLibrary);

using desktoptest::Click;
using desktoptest::Find;

Page Input(const QString& text) {
  return [text](QDialog* d) {
    EXPECT_EQ(d->objectName(), "FormInputString");
    Find<QLineEdit>(d, "EditText")->setText(text);
    Click(d, "BitBtnApply");
  };
}
Page Folder(const std::string& path) {
  return [path](QDialog* d) {
    EXPECT_EQ(d->objectName(), "FormSelectDir");
    Find<QLineEdit>(d, "MainShellComboBox")->setText(QString::fromStdString(path));
    Click(d, "BitBtnApply");
  };
}
Page Replace(const char* button) {
  return [button](QDialog* d) {
    EXPECT_EQ(d->objectName(), "CopyFileForm");
    Click(d, button);
  };
}

std::string ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}
void WriteAll(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << bytes;
}

// A secret whose Create hands out a new safe (or fails).
struct SafeMakingSecret : desktoptest::FakeSecret {
  explicit SafeMakingSecret(desktoptest::FakeSafeTree* made, StatusCode result)
      : made(made), result(result) {}
  StatusCode Create(const char*, const zk::SecretParams*, zk::IBase** out) override {
    calls.push_back("Create");
    if (result != 0) return result;
    made->AddRef();
    *out = made;
    return zk::kOk;
  }
  desktoptest::FakeSafeTree* made;
  StatusCode result;
};

struct SafeView : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    kiv::SetSilent(true);
    driver = new desktoptest::FakeDriver();
    driver->params->values["count_of_arc_ext"] = "1";
    driver->params->values["arc_ext_0"] = ".txt";
    form = std::make_unique<kiv::TMainForm>(std::vector<std::string>{"-s"});
    form->FormCreate(desktoptest::FakeSource(driver));
    form->show();
    desktoptest::Drain();
    tree = new desktoptest::FakeSafeTree();
    tree->PutFile("\\", "a.txt", "alpha alpha", 1);
    tree->PutFile("\\", "b.bin", "beta");
    tree->PutFile("\\Docs", "note.txt", "note");
    tree->MakeFolders("\\Docs\\Old");
    tree->MakeFolders("\\Music");
  }
  void TearDown() override {
    form.reset();
    if (secret) secret->Release();
    tree->Release();
    driver->Release();
  }
  // The tree shown as a safe secret.
  void Show() {
    secret = new desktoptest::FakeSecret();
    secret->AddRef();
    tree->AddRef();
    form->Model().Choice().carrierFormat = zk::kFormatSecretFile;
    form->ShowSecret(secret, tree, 3, "/tmp/safe.kvs");
  }
  Names ListNames() {
    Names n;
    for (int i = 0; i < form->ListViewSafe->topLevelItemCount(); ++i)
      n.push_back(form->ListViewSafe->topLevelItem(i)->text(0).toStdString());
    return n;
  }
  // The tree's nodes as their folder paths, depth first.
  Names TreePaths() {
    Names n;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* i) {
      n.push_back(kiv::kvTSafeView::NodePath(i));
      for (int c = 0; c < i->childCount(); ++c) walk(i->child(c));
    };
    if (form->TreeViewSafe->topLevelItemCount()) walk(form->TreeViewSafe->topLevelItem(0));
    return n;
  }
  QTreeWidgetItem* Item(const char* name) {
    auto found = form->ListViewSafe->findItems(name, Qt::MatchExactly);
    EXPECT_EQ(found.size(), 1) << name;
    return found.empty() ? nullptr : found[0];
  }
  void Select(std::initializer_list<const char*> names) {
    form->ListViewSafe->clearSelection();
    for (const char* n : names) Item(n)->setSelected(true);
    form->ListViewSafe->setCurrentItem(Item(*names.begin()), 0, QItemSelectionModel::NoUpdate);
  }
  QTreeWidgetItem* Node(const std::string& path) {
    QTreeWidgetItem* found = nullptr;
    std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* i) {
      if (kiv::kvTSafeView::NodePath(i) == path) found = i;
      for (int c = 0; c < i->childCount(); ++c) walk(i->child(c));
    };
    walk(form->TreeViewSafe->topLevelItem(0));
    EXPECT_NE(found, nullptr) << path;
    return found;
  }
  std::vector<QString> Texts() {
    std::vector<QString> t;
    for (const auto& c : prompter.Calls()) t.push_back(c.text);
    return t;
  }
  void Command(const char* name) { form->ContentCommand(name); }

  zktest::TempDir dir;
  desktoptest::FakeDriver* driver;
  desktoptest::FakeSafeTree* tree;
  desktoptest::FakeSecret* secret = nullptr;
  std::unique_ptr<kiv::TMainForm> form;
  desktoptest::FakePrompter prompter;
  desktoptest::PageScript script;
  std::deque<Page>& pages = script.pages;
  std::vector<std::string>& seen = script.seen;
};

TEST_F(SafeView, ListAndTreeFollowFoldersRenamesAndDeletions) {
  Show();
  // The root: no "..", folders before files, the size cell with the ratio
  // of a compressed file.
  EXPECT_EQ(ListNames(), (Names{"Docs", "Music", "a.txt", "b.bin"}));
  EXPECT_EQ(Item("a.txt")->text(1), "11 (45%)");
  EXPECT_EQ(Item("b.bin")->text(1), "4");
  EXPECT_FALSE(Item("b.bin")->text(2).isEmpty());
  EXPECT_TRUE(Item("Docs")->text(1).isEmpty());
  EXPECT_EQ(form->PanelSafeBottom->text(), "\\");
  EXPECT_EQ(TreePaths(), (Names{"\\", "\\Docs\\", "\\Docs\\Old\\", "\\Music\\"}));
  EXPECT_EQ(form->ListViewSafe->currentItem()->text(0), "Docs");

  // Into a folder: ".." first; the tree follows the current folder.
  Select({"b.bin"});
  kiv::SafeView(*form).ListViewSafeDblClick(Item("Docs"));
  EXPECT_EQ(ListNames(), (Names{"..", "Old", "note.txt"}));
  EXPECT_EQ(form->PanelSafeBottom->text(), "\\Docs");
  EXPECT_EQ(kiv::kvTSafeView::NodePath(form->TreeViewSafe->currentItem()), "\\Docs\\");

  // Rename: the tree drops the old node and shows the new one; the list
  // keeps its selection by caption.
  Select({"Old"});
  pages = {Input("Newer")};
  Command("mnFolderRename");
  EXPECT_EQ(ListNames(), (Names{"..", "Newer", "note.txt"}));
  EXPECT_EQ(TreePaths(), (Names{"\\", "\\Docs\\", "\\Docs\\Newer\\", "\\Music\\"}));
  EXPECT_FALSE(form->Model().Saved());
  Select({"note.txt"});
  kiv::SafeView(*form).RefreshList();
  EXPECT_EQ(form->ListViewSafe->currentItem()->text(0), "note.txt");

  // Up again, then delete every selected item but "..".
  kiv::SafeView(*form).ListViewSafeDblClick(Item(".."));
  EXPECT_EQ(form->PanelSafeBottom->text(), "\\");
  Select({"Music", "b.bin"});
  prompter.AnswerBox(BoxAnswer::kYes);
  Command("mnFileDelete");
  EXPECT_EQ(ListNames(), (Names{"Docs", "a.txt"}));
  EXPECT_EQ(TreePaths(), (Names{"\\", "\\Docs\\", "\\Docs\\Newer\\"}));
  EXPECT_EQ(prompter.Calls().back().text, "T66");
  EXPECT_EQ(prompter.Calls().back().caption, "T67");

  // Enter opens the current item; the Delete key asks as Delete does.
  Select({"Docs"});
  QKeyEvent enter(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(form->ListViewSafe, &enter);
  EXPECT_EQ(form->PanelSafeBottom->text(), "\\Docs");
  Select({"note.txt"});
  prompter.AnswerBox(BoxAnswer::kNo);
  QKeyEvent del(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
  QCoreApplication::sendEvent(form->ListViewSafe, &del);
  EXPECT_EQ(prompter.Calls().back().text, "T66");
  EXPECT_EQ(ListNames(), (Names{"..", "Newer", "note.txt"}));
  kiv::SafeView(*form).ListViewSafeDblClick(Item(".."));

  // A tree click changes the folder.
  kiv::SafeView(*form).TreeViewSafeClick(Node("\\Docs\\Newer\\"));
  EXPECT_EQ(form->PanelSafeBottom->text(), "\\Docs\\Newer");
  EXPECT_EQ(ListNames(), (Names{".."}));

  // Closing empties the view.
  kiv::OpenSecretProbe::SetSaved(form->Model(), true);
  ASSERT_TRUE(form->mnSecretCloseClick());
  EXPECT_EQ(form->ListViewSafe->topLevelItemCount(), 0);
  EXPECT_EQ(form->TreeViewSafe->topLevelItemCount(), 0);
}

TEST_F(SafeView, NameRulesAndTheSavedFlag) {
  Show();
  struct Case {
    const char* command;
    const char* select;
    QString name;
    const char* box;    // the error box, or null
    const char* change; // the engine call, or null
  };
  const Case cases[] = {
      {"mnFolderNew", nullptr, "", "T808", nullptr},
      {"mnFolderNew", nullptr, ".", "T808", nullptr},
      {"mnFolderNew", nullptr, "..", "T808", nullptr},
      {"mnFolderRename", "Docs", "..", "T808", nullptr},
      {"mnFolderRename", "Docs", "", "T808", nullptr},
      {"mnFolderRename", "Docs", ".", nullptr, "RenameFolder(Docs,.)"},
      {"mnFileRename", "b.bin", "..", "T810", nullptr},
      {"mnFileRename", "b.bin", ".", nullptr, "RenameFile(b.bin,.)"},
      {"mnFolderNew", nullptr, "Fresh", nullptr, "CreateFolder(,Fresh)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.command) + " " + c.name.toStdString());
    kiv::SafeView(*form).Refresh();
    if (c.select) Select({c.select});
    tree->calls.clear();
    prompter.Clear();
    pages = {Input(c.name)};
    Command(c.command);
    if (c.box) {
      ASSERT_EQ(prompter.Calls().size(), 1u);
      EXPECT_EQ(prompter.Calls()[0].text, c.box);
      EXPECT_EQ(prompter.Calls()[0].icon, kiv::BoxIcon::kError);
    }
    EXPECT_EQ(tree->Changes(), c.change ? Names{c.change} : Names{});
  }
  // A failing change leaves the flag as it was; a change that works
  // clears it.
  kiv::OpenSecretProbe::SetSaved(form->Model(), true);
  tree->fail["CreateFolder"] = zk::kNoMemory;
  pages = {Input("Other")};
  Command("mnFolderNew");
  EXPECT_TRUE(form->Model().Saved());
  EXPECT_TRUE(prompter.Calls().back().text.startsWith("T64:")) << prompter.Calls().back().text.toStdString();
  tree->fail.clear();
  pages = {Input("Other")};
  Command("mnFolderNew");
  EXPECT_FALSE(form->Model().Saved());
  EXPECT_TRUE(form->Action("tlbSaveSecret")->isEnabled());
  // Nothing selected: Delete warns with 818.
  form->ListViewSafe->clearSelection();
  prompter.Clear();
  Command("mnFolderDelete");
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].text, "T818");
  EXPECT_EQ(prompter.Calls()[0].icon, kiv::BoxIcon::kWarning);
}

TEST_F(SafeView, AddingMergesFoldersAndAsksForEachBatch) {
  // On disk: src/{y.txt, z.txt, sub/x.txt}; the safe has src/ with y.txt
  // and z.txt already.
  const fs::path src = fs::path(dir.path()) / "src";
  WriteAll(src / "y.txt", "new y");
  WriteAll(src / "z.txt", "new z");
  WriteAll(src / "sub" / "x.txt", "x");
  tree->PutFile("\\src", "y.txt", "old y");
  tree->PutFile("\\src", "z.txt", "old z");
  Show();
  kiv::OpenSecretProbe::SetSaved(form->Model(), true);
  // "No All": one question for the batch, both kept. The progress window
  // stands aside while the question shows.
  kiv::SetSilent(false);
  bool progressHidden = false;
  pages = {[&](QDialog* d) {
    progressHidden = kiv::ShownProgressWindow() && !kiv::ShownProgressWindow()->isVisible();
    Replace("BitBtnNoAll")(d);
  }};
  form->Receiver().WorkingFiles() = {src.string()};
  kiv::PostKivMessage(form.get(), kiv::chain::kAddDropped);
  desktoptest::Drain();
  kiv::SetSilent(true);
  EXPECT_TRUE(progressHidden);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "CopyFileForm"), 1);
  EXPECT_TRUE(form->Receiver().WorkingFiles().empty());
  Names dump = tree->Dump();
  EXPECT_NE(std::find(dump.begin(), dump.end(), "\\src\\y.txt=old y"), dump.end());
  EXPECT_NE(std::find(dump.begin(), dump.end(), "\\src\\z.txt=old z"), dump.end());
  EXPECT_NE(std::find(dump.begin(), dump.end(), "\\src\\sub\\x.txt=x"), dump.end());
  EXPECT_EQ(tree->calls.front(), "CreateFolder(,src)");  // -10: merged
  EXPECT_FALSE(form->Model().Saved());
  EXPECT_EQ(ListNames(), (Names{"Docs", "Music", "src", "a.txt", "b.bin"}));

  // The next batch asks again (sub/x.txt, y.txt, z.txt in name order):
  // "Yes", "Yes", and "Cancel" keeps z and stops the batch.
  seen.clear();
  tree->calls.clear();
  pages = {Replace("BitBtnYes"), Replace("BitBtnYes"), Replace("BitBtnCancel")};
  form->Receiver().WorkingFiles() = {src.string(), (fs::path(dir.path()) / "later.txt").string()};
  WriteAll(fs::path(dir.path()) / "later.txt", "later");
  kiv::PostKivMessage(form.get(), kiv::chain::kAddDropped);
  desktoptest::Drain();
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "CopyFileForm"), 3);
  dump = tree->Dump();
  EXPECT_NE(std::find(dump.begin(), dump.end(), "\\src\\y.txt=new y"), dump.end());
  EXPECT_NE(std::find(dump.begin(), dump.end(), "\\src\\z.txt=old z"), dump.end());
  for (const std::string& line : dump) EXPECT_EQ(line.find("later"), std::string::npos) << line;
  // The compressed-extensions list gives an added ".txt" file flag 1.
  const auto& added = tree->root.folders.back();
  ASSERT_EQ(added.name, "src");
  EXPECT_EQ(added.files[0].flags, 1u);  // y.txt, added again
  EXPECT_EQ(added.files[1].flags, 0u);  // z.txt, kept as it was
  EXPECT_EQ(added.folders[0].files[0].flags, 1u);
}

TEST_F(SafeView, FileAddTakesTheChosenFilesIntoTheCurrentFolder) {
  WriteAll(fs::path(dir.path()) / "p.bin", "p");
  WriteAll(fs::path(dir.path()) / "q.txt", "q");
  Show();
  kiv::SafeView(*form).ListViewSafeDblClick(Item("Music"));
  prompter.AnswerPath(QString::fromStdString(dir.File("p.bin") + "\n" + dir.File("q.txt") + "\n" +
                                             dir.File("missing")));
  Command("mnFileAdd");
  ASSERT_FALSE(prompter.Calls().empty());
  EXPECT_EQ(prompter.Calls()[0].kind, "opens");
  EXPECT_EQ(prompter.Calls()[0].caption, "T68");
  EXPECT_EQ(prompter.Calls().size(), 1u);  // a missing name is skipped quietly
  EXPECT_EQ(ListNames(), (Names{"..", "p.bin", "q.txt"}));
  EXPECT_EQ(tree->root.folders[1].files[1].flags, 1u);
  EXPECT_EQ(tree->root.folders[1].files[0].flags, 0u);
  // With a one-file secret shown, File, Add is not the safe's.
  kiv::OpenSecretProbe::SetKind(form->Model(), 2);
  EXPECT_FALSE(kiv::RunSafeCommand(*form, "mnFileAdd"));
  kiv::OpenSecretProbe::SetKind(form->Model(), 3);
}

TEST_F(SafeView, DroppedFilesWithoutASafeAreDropped) {
  WriteAll(fs::path(dir.path()) / "p.bin", "p");
  form->Receiver().WorkingFiles() = {dir.File("p.bin")};
  kiv::PostKivMessage(form.get(), kiv::chain::kAddDropped);
  desktoptest::Drain();
  EXPECT_TRUE(form->Receiver().WorkingFiles().empty());
  EXPECT_TRUE(tree->calls.empty());
  EXPECT_TRUE(prompter.Calls().empty());
}

TEST_F(SafeView, RecursiveAddNeverFollowsALinkToAFolder) {
  const fs::path src = fs::path(dir.path()) / "loop";
  WriteAll(src / "inner" / "f.txt", "f");
  fs::create_directory_symlink(src, src / "inner" / "back");
  fs::create_symlink(src / "inner" / "f.txt", src / "link.txt");
  Show();
  form->Receiver().WorkingFiles() = {src.string() + "/"};
  kiv::AddWorkingFiles(*form);
  EXPECT_EQ(tree->Dump(), (Names{"\\a.txt=alpha alpha", "\\b.bin=beta", "\\Docs\\",
                                 "\\Docs\\note.txt=note", "\\Docs\\Old\\", "\\loop\\",
                                 "\\loop\\link.txt=f", "\\loop\\inner\\", "\\loop\\inner\\f.txt=f",
                                 "\\Music\\"}));
  EXPECT_TRUE(prompter.Calls().empty());
}

TEST_F(SafeView, ExtractionRefusesUnsafeNamesAndAsksBeforeReplacing) {
  tree->PutFile("\\", "..", "escape");
  tree->PutFile("\\", "up/../../x", "escape");
  tree->PutFile("\\", "back\\slash", "escape");
  tree->PutFile("\\Docs", "..", "escape");
  tree->root.folders.push_back({"..", {}, {{"deep.txt", "escape", 0}}});
  Show();
  const fs::path out = fs::path(dir.path()) / "out" / "target";
  fs::create_directories(out);
  WriteAll(out / "b.bin", "kept");
  // Nothing selected: every item; "No" keeps the existing b.bin.
  form->ListViewSafe->clearSelection();
  pages = {Folder(out.string()), Replace("BitBtnNo")};
  Command("mnFolderGet");
  EXPECT_EQ(ReadAll(out / "a.txt"), "alpha alpha");
  EXPECT_EQ(ReadAll(out / "b.bin"), "kept");
  EXPECT_EQ(ReadAll(out / "Docs" / "note.txt"), "note");
  EXPECT_TRUE(fs::is_directory(out / "Docs" / "Old"));
  EXPECT_TRUE(fs::is_directory(out / "Music"));
  // Nothing else was written anywhere under the temporary folder.
  size_t written = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
    EXPECT_EQ(e.path().string().find("escape"), std::string::npos);
    if (e.is_regular_file()) {
      ++written;
      EXPECT_NE(ReadAll(e.path()), "escape") << e.path();
    }
  }
  EXPECT_EQ(written, 3u);
  // The refused names are listed; no "done" box.
  ASSERT_FALSE(prompter.Calls().empty());
  const QString box = prompter.Calls().back().text;
  EXPECT_TRUE(box.startsWith("T2510")) << box.toStdString();
  for (const char* n : {"\\..", "\\up/../../x", "\\back\\slash", "\\Docs\\.."})
    EXPECT_TRUE(box.contains(n)) << n;
  for (const auto& c : prompter.Calls()) EXPECT_NE(c.text, "T814");

  // "Yes" replaces; an extraction that fails keeps the original and leaves
  // nothing beside it.
  Select({"b.bin"});
  pages = {Folder(out.string()), Replace("BitBtnYes")};
  Command("mnFileGet");
  EXPECT_EQ(ReadAll(out / "b.bin"), "beta");
  WriteAll(out / "b.bin", "kept");
  tree->fail["ExtractFile"] = zk::kWriteError;
  pages = {Folder(out.string()), Replace("BitBtnYes")};
  Command("mnFileGet");
  tree->fail.clear();
  EXPECT_EQ(ReadAll(out / "b.bin"), "kept");
  for (const auto& e : fs::directory_iterator(out))
    EXPECT_EQ(e.path().filename().string().find("kivora-part"), std::string::npos) << e.path();

  // A file in the place of a folder stops everything with -3.
  fs::remove_all(out);
  fs::create_directories(out);
  WriteAll(out / "Docs", "a file");
  prompter.Clear();
  pages = {Folder(out.string())};
  Select({"Docs", "a.txt"});
  Command("mnFolderGet");
  EXPECT_FALSE(fs::exists(out / "a.txt"));
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_TRUE(prompter.Calls()[0].text.startsWith("T71")) << prompter.Calls()[0].text.toStdString();
  EXPECT_EQ(prompter.Calls()[0].text, kiv::GetResText(driver->texts, kiv::txt::kGetFiles) + "\n " +
                                          kiv::GetResText(driver->texts, kiv::ToolkitErrorTextId(-3)));
}

TEST_F(SafeView, DraggingFromTheListMovesOntoATreeFolder) {
  Show();
  kiv::kvTSafeView& view = kiv::SafeView(*form);
  std::vector<QStringList> started;
  view.startDrag = [&](QMimeData* data) {
    started.push_back(data->formats());
    delete data;
  };
  QWidget* vp = form->ListViewSafe->viewport();
  auto mouse = [&](QEvent::Type t, QPoint p, Qt::MouseButtons held) {
    QMouseEvent e(t, p, vp->mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &e);
  };
  // Five pixels do not start a drag; six do, with the private type only.
  Select({"a.txt"});
  mouse(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
  Select({"a.txt", "Docs"});
  mouse(QEvent::MouseMove, {15, 15}, Qt::LeftButton);
  EXPECT_TRUE(started.empty());
  mouse(QEvent::MouseMove, {10, 16}, Qt::LeftButton);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0], QStringList{kiv::kSafeItemsMime});
  mouse(QEvent::MouseButtonRelease, {10, 16}, Qt::NoButton);
  // ".." alone does not drag.
  view.ListViewSafeDblClick(Item("Docs"));
  Select({".."});
  EXPECT_EQ(view.DragData(), nullptr);
  view.ListViewSafeDblClick(Item(".."));

  // Acceptance: not the current folder, not into a dragged folder's tree.
  Select({"a.txt", "Docs"});
  std::unique_ptr<QMimeData> data(view.DragData());
  ASSERT_TRUE(data);
  EXPECT_FALSE(view.TreeViewSafeDragOver(Node("\\"), data.get()));
  EXPECT_FALSE(view.TreeViewSafeDragOver(Node("\\Docs\\"), data.get()));
  EXPECT_FALSE(view.TreeViewSafeDragOver(Node("\\Docs\\Old\\"), data.get()));
  EXPECT_TRUE(view.TreeViewSafeDragOver(Node("\\Music\\"), data.get()));
  QMimeData urls;
  urls.setUrls({QUrl::fromLocalFile("/tmp/x")});
  EXPECT_FALSE(view.TreeViewSafeDragOver(Node("\\Music\\"), &urls));

  // The drop on the tree's viewport moves both.
  tree->calls.clear();
  kiv::OpenSecretProbe::SetSaved(form->Model(), true);
  const QRect r = form->TreeViewSafe->visualItemRect(Node("\\Music\\"));
  ASSERT_TRUE(r.isValid());
  QWidget* target = form->TreeViewSafe->viewport();
  QDragEnterEvent enter(r.center(), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDragMoveEvent over(r.center(), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &over);
  EXPECT_TRUE(over.isAccepted());
  QDropEvent drop(QPointF(r.center()), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  EXPECT_EQ(tree->Changes(), (Names{"MoveFolder(\\Docs,\\Music\\)", "MoveFile(\\a.txt,\\Music\\)"}));
  EXPECT_EQ(TreePaths(), (Names{"\\", "\\Music\\", "\\Music\\Docs\\", "\\Music\\Docs\\Old\\"}));
  EXPECT_EQ(ListNames(), (Names{"Music", "b.bin"}));
  EXPECT_FALSE(form->Model().Saved());
}

TEST_F(SafeView, PropertiesAndViewOfAFile) {
  Show();
  Select({"Docs"});
  std::vector<QString> rows;
  pages = {[&](QDialog* d) {
    EXPECT_EQ(d->objectName(), "FormFolderProps");
    auto* list = Find<QTreeWidget>(d, "ListViewProps");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      rows.push_back(list->topLevelItem(i)->text(0) + "=" + list->topLevelItem(i)->text(1));
    Click(d, "BitBtnClose");
  }};
  Command("mnFolderProperties");
  EXPECT_EQ(rows, (std::vector<QString>{"T1401=\\Docs", "T1402=1", "T1403=1", "T1404=4",
                                        "T1405=4"}));
  EXPECT_EQ(tree->calls.back(), "GetFolderStats(\\Docs)");
  // With the tree focused its selected node is the folder.
  form->activateWindow();
  QApplication::setActiveWindow(form.get());
  form->TreeViewSafe->setFocus();
  form->TreeViewSafe->setCurrentItem(Node("\\Docs\\Old\\"));
  EXPECT_TRUE(form->TreeViewSafe->hasFocus());
  if (form->TreeViewSafe->hasFocus()) {
    rows.clear();
    pages = {[&](QDialog* d) {
      auto* list = Find<QTreeWidget>(d, "ListViewProps");
      rows.push_back(list->topLevelItem(0)->text(1));
      d->reject();
    }};
    Command("mnFolderProperties");
    EXPECT_EQ(rows, (std::vector<QString>{"\\Docs\\Old\\"}));
    EXPECT_EQ(tree->calls.back(), "GetFolderStats(\\Docs\\Old\\)");
  }
  form->ListViewSafe->setFocus();

  // View: the bytes read whole, zero bytes and all.
  tree->PutFile("\\", "z.dat", std::string("a\0b", 3));
  kiv::SafeView(*form).Refresh();
  Select({"z.dat"});
  QString shown;
  pages = {[&](QDialog* d) {
    EXPECT_EQ(d->objectName(), "FormViewText");
    shown = Find<QPlainTextEdit>(d, "MemoText")->toPlainText();
    d->reject();
  }};
  Command("mnFileView");
  EXPECT_EQ(shown, QString::fromUtf8("a\0b", 3));
  EXPECT_EQ(tree->calls.back(), "ReadFile(\\z.dat)");
}

TEST_F(SafeView, NewSafeWithTheNamesAddsThemOnlyWhenMade) {
  WriteAll(fs::path(dir.path()) / "one.txt", "1");
  WriteAll(fs::path(dir.path()) / "two" / "t.bin", "2");
  const Names names = {dir.File("one.txt"), dir.File("two")};
  auto* made = new desktoptest::FakeSafeTree();
  for (StatusCode createResult : {zk::kAccessDenied, zk::kOk}) {
    SCOPED_TRACE(createResult);
    driver->secretFactory = [&] { return new SafeMakingSecret(made, createResult); };
    seen.clear();
    pages = {[](QDialog* d) {
               Find<QListWidget>(d, "ListViewContTypes")->setCurrentRow(0);
               Find<QCheckBox>(d, "CheckBoxMakeCopy")->setChecked(false);
               Click(d, "BitBtnNext");
             },
             [](QDialog* d) {
               Find<QLineEdit>(d, "EditPasswd")->setText("pw");
               Find<QLineEdit>(d, "EditPassConfirm")->setText("pw");
               Click(d, "BitBtnNext");
             }};
    prompter.AnswerPath(QString::fromStdString(dir.File("new.kvs")));
    for (const auto& r : kiv::wm::CommandRecords(names, kiv::wm::kNewSafe))
      kiv::PostKivMessage(form.get(), r.message, r.wParam, r.lParam);
    for (int i = 0; i < 6; ++i) desktoptest::Drain();
    // No secret-type page.
    EXPECT_EQ(seen, (Names{"ContainerTypeForm", "FormSecretParams"}));
    EXPECT_TRUE(form->Receiver().WorkingFiles().empty());
    if (createResult != 0) {
      EXPECT_EQ(form->Model().Kind(), 0);
      EXPECT_TRUE(made->calls.empty());
    } else {
      EXPECT_EQ(form->Model().Kind(), 3);
      EXPECT_EQ(form->Model().Choice().contentKind, zk::kContentSafe);
      EXPECT_EQ(made->Dump(), (Names{"\\one.txt=1", "\\two\\", "\\two\\t.bin=2"}));
      EXPECT_FALSE(form->Model().Saved());
      EXPECT_EQ(ListNames(), (Names{"two", "one.txt"}));
    }
  }
  form.reset();
  made->Release();
}

// The dialogs' own rules.
TEST(ReplaceDialog, PathsShortenedPast37AndTheModeAnswersAlone) {
  desktoptest::App();
  const QString p37(37, 'p'), p38 = QString(37, 'p') + "q";
  EXPECT_EQ(kiv::ShortenPath(p37, 37), p37);
  EXPECT_EQ(kiv::ShortenPath(p38, 37), "..." + p38.right(37));
  EXPECT_EQ(kiv::ShortenPath(QString(41, 'f'), kiv::kFolderPropsPathLimit), "..." + QString(40, 'f'));
  auto* texts = new desktoptest::FakeTextRes();
  kiv::TCopyFileForm form(texts, p38, "t1", 1234567, p37, "t2", 5);
  std::vector<QString> cells;
  for (int i = 0; i < form.ListViewInfo->topLevelItemCount(); ++i)
    cells.push_back(form.ListViewInfo->topLevelItem(i)->text(0) + "|" +
                    form.ListViewInfo->topLevelItem(i)->text(1));
  EXPECT_EQ(cells, (std::vector<QString>{"T1301|..." + p38.right(37), "T1302|t1", "T1303|1 234 567",
                                         "|", "T1304|" + p37, "T1305|t2", "T1306|5"}));
  EXPECT_EQ(form.windowTitle(), "T1300");
  // Modes 1 and 2 answer without a dialog; mode 0 asks.
  const zk::CalendarTime t{126, 0, 1, 0, 0, 0};
  int shown = 0;
  kiv::SetModalDriver([&](QDialog* d) {
    ++shown;
    d->reject();  // the frame: "No"
  });
  bool cancel = false;
  kiv::SetReplaceMode(kiv::kReplaceAll);
  EXPECT_TRUE(kiv::ConfirmReplace(texts, "a", "b", cancel, 1, 2, t, t));
  kiv::SetReplaceMode(kiv::kReplaceNone);
  EXPECT_FALSE(kiv::ConfirmReplace(texts, "a", "b", cancel, 1, 2, t, t));
  EXPECT_EQ(shown, 0);
  kiv::SetReplaceMode(kiv::kReplaceAsk);
  EXPECT_FALSE(kiv::ConfirmReplace(texts, "a", "b", cancel, 1, 2, t, t));
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(cancel);
  EXPECT_EQ(kiv::ReplaceMode(), kiv::kReplaceAsk);
  kiv::SetModalDriver({});
  texts->Release();
}

}  // namespace

namespace {

// The safe list's columns fit their contents: a long date or name is never
// cut off, and short ones keep the starting widths.
TEST(SafeColumns, FitTheirContents) {
  desktoptest::App();
  QTreeWidget list;
  list.setColumnCount(3);
  list.setHeaderLabels({"Name", "Size", "Changed"});
  new QTreeWidgetItem(&list, {"a", "1", "2"});
  kiv::FitSafeColumns(&list);
  EXPECT_EQ(list.columnWidth(0), 230);
  EXPECT_EQ(list.columnWidth(1), 120);
  EXPECT_GE(list.columnWidth(2), 100);  // the last one also takes the free width
  const QString date = "30 September 2026, 23:59:59";
  const QString name(60, 'n');
  new QTreeWidgetItem(&list, {name, "1 234 567 890 (100%)", date});
  kiv::FitSafeColumns(&list);
  const QFontMetrics fm(list.font());
  EXPECT_GE(list.columnWidth(2), fm.horizontalAdvance(date));
  EXPECT_GE(list.columnWidth(0), fm.horizontalAdvance(name));
}

}  // namespace
