// A safe end to end on the real engine from the program folder: made
// through Secret, New hidden in a PNG under a password, a folder tree of a
// few hundred files added through Folder, Add, saved, opened again through
// Secret, Open and taken out through Folder, Get; the tree that comes out
// is compared with the one that went in, byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>

#include "desktop/MainFormUnit.h"
#include "desktop/ModalRun.h"
#include "desktop/SafeViewUnit.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/MainWindowTestSupport.h"
#include "desktop/testing/PageScriptTestSupport.h"
#include "desktop/testing/FakePrompter.h"
#include "tests/support/StagingFolderTestSupport.h"
#include "tests/support/ZkTestSupport.h"

namespace fs = std::filesystem;

namespace {

using desktoptest::Page;

using desktoptest::Click;
using desktoptest::Find;

// Every regular file under root by its relative path, with its bytes;
// folders as empty entries ending in "/".
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).string();
    if (e.is_directory()) {
      out[rel + "/"];
    } else {
      std::ifstream in(e.path(), std::ios::binary);
      out[rel] = std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
  return out;
}

// The window of each safe test, made the same way.
struct SafeEndToEnd : ::testing::Test, desktoptest::MainWindowRig {
  void SetUp() override { OpenWindow(); }
};

TEST_F(SafeEndToEnd, FolderTreeInAPngOutAgainByteForByte) {
  // ".txt" files go in compressed (in memory only: nothing is saved).
  form->Params()->SetInt("count_of_arc_ext", 1);
  form->Params()->Add("arc_ext_0", nullptr);
  ASSERT_EQ(form->Params()->SetString("arc_ext_0", ".txt"), 0);

  // The carrier.
  const std::string png = dir.File("holiday.png");
  QImage image(200, 150, QImage::Format_RGB888);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 200; ++x) image.setPixel(x, y, qRgb(x, y, (x ^ y) & 255));
  ASSERT_TRUE(image.save(QString::fromStdString(png), "PNG"));

  // The tree: 300 files in nested folders, an empty file, an empty folder,
  // compressible text and bytes that do not compress.
  const fs::path in = fs::path(dir.path()) / "in" / "Papers";
  uint32_t seed = 12345;
  for (int i = 0; i < 300; ++i) {
    const fs::path folder = in / ("part" + std::to_string(i % 6)) / (i % 2 ? "odd" : "even");
    fs::create_directories(folder);
    std::string bytes;
    const size_t n = size_t(i) * 37 % 5000;
    for (size_t k = 0; k < n; ++k) {
      seed = seed * 1103515245u + 12345u;
      bytes += i % 3 ? char(seed >> 24) : "line of text\n"[k % 13];
    }
    std::ofstream(folder / ("file " + std::to_string(i) + (i % 3 ? ".bin" : ".txt")),
                  std::ios::binary)
        << bytes;
  }
  std::ofstream(in / "empty.dat").close();
  fs::create_directories(in / "nothing here");
  const auto before = Tree(in);
  ASSERT_GT(before.size(), 300u);

  const Page password = desktoptest::Password("safe pass");
  auto folder = [](const std::string& path) {
    return [path](QDialog* d) {
      Find<QLineEdit>(d, "MainShellComboBox")->setText(QString::fromStdString(path));
      Click(d, "BitBtnApply");
    };
  };

  // New safe in the PNG.
  prompter.AnswerPath(QString::fromStdString(png));
  pages = {[](QDialog* d) {
             Find<QListWidget>(d, "ListViewTypes")->setCurrentRow(2);
             Click(d, "BitBtnNext");
           },
           [](QDialog* d) {
             Find<QListWidget>(d, "ListViewContTypes")->setCurrentRow(1);
             Find<QCheckBox>(d, "CheckBoxMakeCopy")->setChecked(false);
             Click(d, "BitBtnNext");
           },
           password};
  form->mnSecretNewClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 3) << (prompter.Calls().empty() ? "" : prompter.Calls().back().text.toStdString());

  // Folder, Add: the whole tree.
  pages = {folder(in.string())};
  form->ContentCommand("mnFolderAdd");
  ASSERT_EQ(form->ListViewSafe->topLevelItemCount(), 1);
  EXPECT_EQ(form->ListViewSafe->topLevelItem(0)->text(0), "Papers");
  EXPECT_FALSE(form->Model().Saved());
  // Down to a folder of the tree: its ".txt" files are stored compressed.
  kiv::kvTSafeView& view = kiv::SafeView(*form);
  for (const char* name : {"Papers", "part0", "even"}) {
    auto found = form->ListViewSafe->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name;
    view.ListViewSafeDblClick(found[0]);
  }
  EXPECT_EQ(form->PanelSafeBottom->text(), "\\Papers\\part0\\even");
  auto txt = form->ListViewSafe->findItems("file 6.txt", Qt::MatchExactly);
  ASSERT_EQ(txt.size(), 1);
  EXPECT_TRUE(txt[0]->text(1).endsWith("%)")) << txt[0]->text(1).toStdString();
  for (int i = 0; i < 3; ++i) view.ListViewSafeDblClick(form->ListViewSafe->topLevelItem(0));
  EXPECT_EQ(form->PanelSafeBottom->text(), "\\");
  form->mnSecretSaveClick();
  ASSERT_TRUE(form->Model().Saved());
  ASSERT_TRUE(form->mnSecretCloseClick());

  // Open it again and get everything out.
  prompter.AnswerPath(QString::fromStdString(png));
  pages = {desktoptest::OpenWith("safe pass")};
  form->mnSecretOpenClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 3) << (prompter.Calls().empty() ? "" : prompter.Calls().back().text.toStdString());
  EXPECT_EQ(form->TreeViewSafe->topLevelItem(0)->child(0)->text(0), "Papers");
  const fs::path out = fs::path(dir.path()) / "out";
  fs::create_directories(out);
  prompter.Clear();
  form->ListViewSafe->clearSelection();
  pages = {folder(out.string())};
  form->ContentCommand("mnFolderGet");
  ASSERT_FALSE(prompter.Calls().empty());
  EXPECT_EQ(prompter.Calls().back().icon, kiv::BoxIcon::kInformation) << prompter.Calls().back().text.toStdString();
  const auto after = Tree(out / "Papers");
  EXPECT_EQ(after.size(), before.size());
  EXPECT_TRUE(after == before);
  ASSERT_TRUE(form->mnSecretCloseClick());
  form.reset();
}

// A staging folder that is a link: the open of a safe tells which folder
// and why, in place of the wrong-password text.
TEST_F(SafeEndToEnd, RefusedStagingFolderIsNamedWhenASafeOpens) {
  const std::string kvs = dir.File("box.kvs");
  prompter.AnswerPath(QString::fromStdString(kvs));
  pages = {[](QDialog* d) {
             Find<QListWidget>(d, "ListViewTypes")->setCurrentRow(2);
             Click(d, "BitBtnNext");
           },
           [](QDialog* d) {
             Find<QListWidget>(d, "ListViewContTypes")->setCurrentRow(0);
             Click(d, "BitBtnNext");
           },
           desktoptest::Password("safe pass")};
  form->mnSecretNewClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 3) << (prompter.Calls().empty() ? "" : prompter.Calls().back().text.toStdString());
  form->mnSecretSaveClick();
  ASSERT_TRUE(form->Model().Saved());
  ASSERT_TRUE(form->mnSecretCloseClick());

  zktest::StagingFolderScope scope(dir);
  const std::string& staging = scope.staging;
  fs::create_directory_symlink(scope.elsewhere, staging);
  prompter.Clear();
  prompter.AnswerPath(QString::fromStdString(kvs));
  pages = {desktoptest::OpenWith("safe pass")};
  form->mnSecretOpenClick();
  RunPages();
  EXPECT_NE(form->Model().Kind(), 3);
  ASSERT_FALSE(prompter.Calls().empty());
  const QString text = prompter.Calls().back().text;
  EXPECT_EQ(prompter.Calls().back().icon, kiv::BoxIcon::kError);
  EXPECT_TRUE(text.contains(QString::fromStdString(staging))) << text.toStdString();
  EXPECT_TRUE(text.contains("symbolic link")) << text.toStdString();
  EXPECT_FALSE(text.contains("Access was denied")) << text.toStdString();
}

}  // namespace
