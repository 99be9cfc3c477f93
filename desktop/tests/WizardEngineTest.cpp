// The wizards end to end on the real engine from the program folder: a
// message hidden in a BMP under a password and a file in a plain secret
// file, both made through Secret, New and opened again through Secret, Open.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <deque>
#include <filesystem>
#include <fstream>

#include "desktop/MainFormUnit.h"
#include "desktop/ModalRun.h"
#include "desktop/NewSecretChainUnit.h"
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

struct EndToEnd : ::testing::Test, desktoptest::MainWindowRig {
  void SetUp() override { OpenWindow(); }
  void TearDown() override { form.reset(); }
};

TEST_F(EndToEnd, MessageInABmpUnderAPassword) {
  const std::string bmp = dir.File("x.bmp");
  QImage image(160, 120, QImage::Format_RGB888);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) image.setPixel(x, y, qRgb(x, y, (x * y) & 255));
  ASSERT_TRUE(image.save(QString::fromStdString(bmp), "BMP"));
  prompter.AnswerPath(QString::fromStdString(bmp));
  pages = {Kind("ListViewTypes", 0), Kind("ListViewContTypes", 1, true), Password("bmp pass")};
  form->mnSecretNewClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 1) << (prompter.Calls().empty() ? "" : prompter.Calls().back().text.toStdString());
  const QString text = QString::fromUtf8("Hidden message, gr\xc3\xbc\xc3\x9f" "e");
  form->MemoMessage->setPlainText(text);
  form->mnSecretSaveClick();
  ASSERT_TRUE(form->Model().Saved());
  ASSERT_TRUE(form->mnSecretCloseClick());
  EXPECT_TRUE(std::filesystem::exists(dir.File("copy x.bmp")));

  prompter.AnswerPath(QString::fromStdString(bmp));
  pages = {OpenWith("bmp pass")};
  form->mnSecretOpenClick();
  RunPages();
  EXPECT_EQ(seen.back(), "FormOpenWizard");
  ASSERT_EQ(form->Model().Kind(), 1) << (prompter.Calls().empty() ? "" : prompter.Calls().back().text.toStdString());
  EXPECT_EQ(form->MemoMessage->toPlainText(), text);
  ASSERT_TRUE(form->mnSecretCloseClick());

  // A wrong password opens nothing.
  prompter.AnswerPath(QString::fromStdString(bmp));
  pages = {OpenWith("wrong")};
  form->mnSecretOpenClick();
  RunPages();
  EXPECT_EQ(form->Model().Kind(), 0);
  EXPECT_EQ(form->Model().Secret(), nullptr);
}

TEST_F(EndToEnd, FileInAPlainSecretFile) {
  const std::string source = dir.File("report.dat");
  std::string bytes(70000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 31 + 7);
  std::ofstream(source, std::ios::binary) << bytes;
  const std::string kvs = dir.File("f.kvs");
  prompter.AnswerPath(QString::fromStdString(dir.File("f")));
  pages = {Kind("ListViewTypes", 1), Kind("ListViewContTypes", 0), Password("file pass")};
  form->mnSecretNewClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 2) << (prompter.Calls().empty() ? "" : prompter.Calls().back().text.toStdString());
  EXPECT_EQ(form->Model().Path(), kvs);
  // File, Add belongs to the file commands: the file goes in directly.
  auto* file = kiv::QueryToolkitInterface<zk::IKivFile>(form->Model().Content(), zk::id::KivIKivFile);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(file->LoadFromDisk(source.c_str(), 0, nullptr), 0);
  file->Release();
  ASSERT_TRUE(form->mnSecretCloseClick());

  prompter.AnswerPath(QString::fromStdString(kvs));
  pages = {OpenWith("file pass")};
  form->mnSecretOpenClick();
  RunPages();
  ASSERT_EQ(form->Model().Kind(), 2) << (prompter.Calls().empty() ? "" : prompter.Calls().back().text.toStdString());
  file = kiv::QueryToolkitInterface<zk::IKivFile>(form->Model().Content(), zk::id::KivIKivFile);
  ASSERT_NE(file, nullptr);
  char* name = nullptr;
  zk::FileContentInfo info{};
  ASSERT_EQ(file->GetFileInfo(&name, &info), 0);
  EXPECT_STREQ(name, "report.dat");
  EXPECT_EQ(info.size, bytes.size());
  zk_free(name);
  const std::string out = dir.File("out.dat");
  ASSERT_EQ(file->SaveToDisk(out.c_str(), nullptr), 0);
  file->Release();
  std::ifstream in(out, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
}

}  // namespace
