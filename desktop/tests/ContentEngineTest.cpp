// The one-file commands end to end on the real engine from the program
// folder: a file secret made through Secret, New, its file put in with
// File, Add (the chain asks for it at once), closed, opened again through
// Secret, Open, and taken out with File, Get byte for byte.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <deque>
#include <fstream>

#include "desktop/CommonUnit.h"
#include "desktop/MainFormUnit.h"
#include "desktop/MessageFileTextIds.h"
#include "desktop/ModalRun.h"
#include "desktop/TextIds.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/PageScriptTestSupport.h"
#include "desktop/testing/FakePrompter.h"
#include "tests/support/ZkTestSupport.h"

namespace {

using desktoptest::Page;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ContentEndToEnd, OneFileSecretAddSaveReopenGet) {
  desktoptest::App();
  zktest::TempDir dir;
  desktoptest::FakePrompter prompter;
  desktoptest::PageScript script;
  std::deque<desktoptest::Page>& pages = script.pages;
  auto click = desktoptest::Click;
  auto kind = [&](const char* list, int row) {
    return [=](QDialog* d) {
      d->findChild<QListWidget*>(list)->setCurrentRow(row);
      click(d, "BitBtnNext");
    };
  };
  auto form = std::make_unique<kiv::TMainForm>(std::vector<std::string>{"-s"});
  form->FormCreate();
  form->Params()->SetInt("next_show", 0);
  auto run = [&] { script.Run(); };

  // A file of every byte value, larger than one copy block.
  const std::string source = dir.File("ledger.bin");
  std::string bytes(200000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 131 + (i >> 9)) & 255);
  std::ofstream(source, std::ios::binary) << bytes;
  const std::string kvs = dir.File("one.kvs");
  prompter.AnswerPath(QString::fromStdString(dir.File("one")));  // the secret's file
  prompter.AnswerPath(QString::fromStdString(source));            // File, Add asked at once
  pages = {kind("ListViewTypes", 1), kind("ListViewContTypes", 0), [](QDialog* d) {
             d->findChild<QLineEdit*>("EditPasswd")->setText("one pass");
             d->findChild<QLineEdit*>("EditPassConfirm")->setText("one pass");
             d->findChild<QPushButton*>("BitBtnNext")->click();
           }};
  form->mnSecretNewClick();
  run();
  ASSERT_EQ(form->Model().Kind(), 2);
  EXPECT_EQ(form->Model().Path(), kvs);
  EXPECT_EQ(form->ListViewOneFile->topLevelItem(1)->text(1), "ledger.bin");
  EXPECT_EQ(form->ListViewOneFile->topLevelItem(2)->text(1), "200 000");
  EXPECT_TRUE(form->Model().Saved());
  form->mnSecretSaveClick();
  ASSERT_TRUE(form->mnSecretCloseClick());

  prompter.AnswerPath(QString::fromStdString(kvs));
  pages = {[](QDialog* d) {
    d->findChild<QLineEdit*>("LabeledEditPasswd")->setText("one pass");
    d->findChild<QPushButton*>("BitBtnNext")->click();
  }};
  form->mnSecretOpenClick();
  run();
  ASSERT_EQ(form->Model().Kind(), 2);
  EXPECT_EQ(form->ListViewOneFile->topLevelItem(1)->text(1), "ledger.bin");
  EXPECT_EQ(form->ListViewOneFile->topLevelItem(3)->text(1), kiv::GetResText(form->Texts(), kiv::txt::kNotCompressed));
  EXPECT_FALSE(kiv::GetResText(form->Texts(), kiv::txt::kNotCompressed).isEmpty());
  prompter.Clear();
  const std::string out = dir.File("back.bin");
  prompter.AnswerPath(QString::fromStdString(out));
  form->Action("mnFileGet")->trigger();
  ASSERT_EQ(prompter.Calls().size(), 2u);
  EXPECT_EQ(prompter.Calls()[0].text, "ledger.bin");
  EXPECT_EQ(prompter.Calls()[1].text, kiv::GetResText(form->Texts(), kiv::txt::kFilesWritten));
  EXPECT_EQ(Slurp(out), bytes);
  form.reset();
}

}  // namespace
