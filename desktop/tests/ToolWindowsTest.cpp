// The clipboard coder over a fake text encoder, and the options dialog over
// a real parameter file and a driver that records the registration calls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QTreeView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "desktop/ClipboardCoderUnit.h"
#include "desktop/EnvOptUnit.h"
#include "desktop/InputStringUnit.h"
#include "desktop/ModalRun.h"
#include <QPushButton>
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/FakeKeyStorage.h"
#include "desktop/testing/FakePrompter.h"
#include "tests/support/ZkTestSupport.h"
#include "zk5Clsid.h"
#include "zk5Stream.h"
#include "zk5main.h"

namespace {

using kiv::BoxIcon;

struct Tools : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    driver = new desktoptest::FakeToolDriver();
    texts = driver->texts;
  }
  void TearDown() override { driver->Release(); }
  desktoptest::FakeToolDriver* driver;
  desktoptest::FakeTextRes* texts;
  desktoptest::FakePrompter prompter;
};

using ClipboardCoder = Tools;

TEST_F(ClipboardCoder, EncodeThenDecode) {
  kiv::TFormClipboardCoder form(texts, driver);
  form.BringUp(QFont("Serif", 14));
  EXPECT_EQ(form.MemoText->font().pointSize(), 14);
  form.MemoText->setPlainText("hello world");
  form.LabeledEditPass->setText("pw");
  // The engine's strings are freed with the runtime's free: a string left
  // behind is reported by the leak checker of the sanitizer build.
  EXPECT_TRUE(form.LabelStatus->text().isEmpty());
  form.BitBtnEncodeClick();
  EXPECT_EQ(QApplication::clipboard()->text(), "KIV[pw]hello world");
  EXPECT_EQ(form.MemoText->toPlainText(), "hello world");
  // The window says where the coded text went.
  EXPECT_EQ(form.LabelStatus->text(), "T2310");
  form.MemoText->setPlainText("changed");
  EXPECT_TRUE(form.LabelStatus->text().isEmpty());
  form.BitBtnDecodeClick();
  EXPECT_EQ(form.MemoText->toPlainText(), "hello world");
  EXPECT_EQ(form.LabelStatus->text(), "T2311");
  EXPECT_TRUE(prompter.Calls().empty());

  // Another password: the memo stays, the mapped error shows.
  form.MemoText->setPlainText("kept");
  form.LabeledEditPass->setText("other");
  form.BitBtnDecodeClick();
  EXPECT_EQ(form.MemoText->toPlainText(), "kept");
  EXPECT_TRUE(form.LabelStatus->text().isEmpty());
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].text, "T2308\n T907");

  // An empty memo is still encoded.
  form.MemoText->clear();
  form.BitBtnEncodeClick();
  EXPECT_EQ(QApplication::clipboard()->text(), "KIV[other]");
  EXPECT_EQ(driver->encoder->encodes, 2);
}

TEST_F(ClipboardCoder, NoTextOnTheClipboard) {
  kiv::TFormClipboardCoder form(texts, driver);
  QApplication::clipboard()->clear();
  form.MemoText->setPlainText("kept");
  form.BitBtnDecodeClick();
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].text, "T2309");
  EXPECT_EQ(prompter.Calls()[0].caption, "T2301");
  EXPECT_EQ(prompter.Calls()[0].icon, BoxIcon::kWarning);
  EXPECT_EQ(form.MemoText->toPlainText(), "kept");
  EXPECT_EQ(driver->encoder->decodes, 0);
}

TEST_F(ClipboardCoder, NoEncoder) {
  driver->encoderResult = -6;
  kiv::TFormClipboardCoder form(texts, driver);
  form.BitBtnEncodeClick();
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].text, "T2307\n T901");
}

// ---------------------------------------------------------------------------

const char kConfig[] =
    "# options test\r\n"
    "lang_count=\"2\"\r\nlang0=\"en\"\r\nlang1=\"de\"\r\n"
    "en_name=\"English\"\r\nde_name=\"Deutsch\"\r\nlang_cur=\"en\"\r\n"
    "count_of_arc_ext=\"2\"\r\narc_ext_0=\".DOC\"\r\narc_ext_1=\".exe\"\r\n"
    "systray=\"1\"\r\nstartup minimized=\"0\"\r\n";

struct Options : Tools {
  void SetUp() override {
    Tools::SetUp();
    for (const char* lib : {"zk5storage", "zk5script"}) ASSERT_TRUE(zktest::LoadToolkit(lib));
    path = dir.File("kiv_config.txt");
    zktest::WriteFile(path, std::vector<uint8_t>(kConfig, kConfig + sizeof kConfig - 1));
    params = Load();
    ASSERT_NE(params, nullptr);
    kiv::SetStringInput([this](QWidget*, const QString& title, QString& answer) {
      asked << title;
      if (answers.isEmpty()) return false;
      answer = answers.takeFirst();
      return true;
    });
  }
  void TearDown() override {
    kiv::SetStringInput(nullptr);
    if (params) params->Release();
    Tools::TearDown();
  }
  zk::IAppParam* Load() {
    auto* fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
    zk::IFileStrem* s = nullptr;
    EXPECT_EQ(fs->OpenFile(path.c_str(), zk::kOpenReadWrite | zk::kOpenBinary, &s), 0);
    fs->Release();
    auto* p = zktest::Create<zk::IAppParam>(zk::id::ScriptParamScript, zk::id::ScriptIAppParam);
    EXPECT_EQ(p->Load(s), 0);
    s->Release();
    return p;
  }
  // The extension entries the file holds now: the count, then each value.
  QStringList Stored() {
    zk::IAppParam* p = Load();
    int32_t count = -1;
    EXPECT_EQ(p->GetInt("count_of_arc_ext", &count), 0);
    QStringList out{QString::number(count)};
    for (int n = 0; n < 40; ++n) {
      char* v = nullptr;
      if (p->GetString(("arc_ext_" + std::to_string(n)).c_str(), &v) == 0) {
        out << QString::number(n) + "=" + v;
        zk_free(v);
      }
    }
    p->Release();
    return out;
  }
  QStringList Rows(kiv::TFormEnvOpt& f) {
    QStringList out;
    for (int i = 0; i < f.ListViewExts->topLevelItemCount(); ++i)
      out << f.ListViewExts->topLevelItem(i)->text(0) + "|" + f.ListViewExts->topLevelItem(i)->text(1);
    return out;
  }
  static kiv::ExtensionLook Look(const QString& ext) {
    if (ext.compare("doc", Qt::CaseInsensitive) == 0) return {QIcon(), "Document", true};
    return {};
  }
  zktest::TempDir dir;
  std::string path;
  zk::IAppParam* params = nullptr;
  QStringList answers, asked;
};

TEST_F(Options, ShowFillsThePagesAndRegistersNothing) {
  kiv::TFormEnvOpt form(params, texts, driver, QFont("Serif", 11), Look);
  EXPECT_TRUE(driver->calls.empty());
  EXPECT_TRUE(form.CheckBoxAssoc->isChecked());
  EXPECT_FALSE(form.CheckBoxShellExt->isChecked());
  EXPECT_TRUE(form.CheckBoxSystray->isChecked());
  EXPECT_FALSE(form.CheckBoxMinOnStartup->isChecked());
  EXPECT_EQ(Rows(form), QStringList({"DOC|Document", "exe|T1210"}));
  EXPECT_EQ(form.LabeledEditFontName->text(), "Serif");
  EXPECT_EQ(form.LabeledEditSize->text(), "11");
  ASSERT_EQ(form.ComboBoxLanguage->count(), 2);
  EXPECT_EQ(form.ComboBoxLanguage->itemText(1), "Deutsch");
  EXPECT_EQ(form.ComboBoxLanguage->currentIndex(), 0);
  EXPECT_TRUE(prompter.Calls().empty());

  // A click registers at once.
  form.CheckBoxShellExt->click();
  EXPECT_EQ(driver->calls, std::vector<std::string>({"RegisterShellExt"}));
  form.CheckBoxAssoc->click();
  EXPECT_EQ(driver->calls.back(), "UnregisterFileType");
}

TEST_F(Options, ExtensionListInTheFile) {
  kiv::TFormEnvOpt form(params, texts, driver, QFont(), Look);
  answers << "doc";  // already there as DOC
  form.BitBtnAddExtClick();
  EXPECT_EQ(Stored(), QStringList({"2", "0=.DOC", "1=.exe"}));
  EXPECT_EQ(asked, QStringList({"T73"}));
  answers << ".zip" << "txt";
  form.BitBtnAddExtClick();
  form.BitBtnAddExtClick();
  EXPECT_EQ(Rows(form), QStringList({"DOC|Document", "exe|T1210", "txt|T1211", "zip|T1211"}));
  EXPECT_EQ(Stored(), QStringList({"4", "0=.DOC", "1=.exe", "2=.txt", "3=.zip"}));
  // Cancel and empty answers add nothing.
  answers << "";
  form.BitBtnAddExtClick();
  form.BitBtnAddExtClick();
  EXPECT_EQ(Stored().front(), "4");

  form.BitBtnDelExtClick();  // no selection
  EXPECT_EQ(Stored().front(), "4");
  form.ListViewExts->setCurrentItem(form.ListViewExts->topLevelItem(1));
  form.BitBtnDelExtClick();
  EXPECT_EQ(Stored(), QStringList({"3", "0=.DOC", "1=.txt", "2=.zip"}));
  form.BitBtnClearExtClick();
  EXPECT_EQ(Stored(), QStringList({"0"}));
  answers << "exe";
  form.BitBtnAddExtClick();
  EXPECT_EQ(Stored(), QStringList({"1", "0=.exe"}));
}

// Without the test seam the question is the program's own string dialog,
// with the Apply and Cancel buttons, so a scripted run never blocks.
TEST_F(Options, AddExtensionAsksWithTheStringDialog) {
  kiv::SetStringInput(nullptr);
  kiv::TFormEnvOpt form(params, texts, driver, QFont(), Look);
  QStringList seen;
  bool accept = true;
  kiv::SetModalDriver([&](QDialog* d) {
    auto* dialog = qobject_cast<kiv::TFormInputString*>(d);
    ASSERT_NE(dialog, nullptr) << d->objectName().toStdString();
    seen << dialog->windowTitle() << dialog->BitBtnApply->text() << dialog->BitBtnCancel->text()
         << dialog->EditText->text();
    dialog->EditText->setText("log");
    (accept ? dialog->BitBtnApply : dialog->BitBtnCancel)->click();
  });
  form.BitBtnAddExtClick();
  EXPECT_EQ(seen, QStringList({"T73", "T303", "T302", ""}));
  EXPECT_EQ(Stored(), QStringList({"3", "0=.DOC", "1=.exe", "2=.log"}));
  accept = false;
  form.BitBtnAddExtClick();
  EXPECT_EQ(Stored().front(), "3");
  kiv::SetModalDriver(nullptr);
}

TEST_F(Options, LanguageAndCloseWriteTheirNames) {
  kiv::TFormEnvOpt form(params, texts, driver, QFont(), Look);
  form.ComboBoxLanguage->setCurrentIndex(1);
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].text, "T820");
  EXPECT_EQ(prompter.Calls()[0].icon, BoxIcon::kWarning);
  form.CheckBoxSystray->setChecked(false);
  form.CheckBoxMinOnStartup->setChecked(true);
  form.BitBtnCloseClick();
  zk::IAppParam* p = Load();
  char* lang = nullptr;
  ASSERT_EQ(p->GetString("lang_cur", &lang), 0);
  EXPECT_STREQ(lang, "de");
  zk_free(lang);
  int32_t tray = -1, minimised = -1;
  EXPECT_EQ(p->GetInt("systray", &tray), 0);
  EXPECT_EQ(p->GetInt("startup minimized", &minimised), 0);
  EXPECT_EQ(tray, 0);
  EXPECT_EQ(minimised, 1);
  p->Release();
}

TEST_F(Options, FontSetup) {
  kiv::TFormEnvOpt form(params, texts, driver, QFont("Serif", 11), Look);
  prompter.AnswerFont(QFont("Mono", 16));
  form.BitBtnFontSetupClick();
  EXPECT_EQ(form.ChosenFont().family(), "Mono");
  EXPECT_EQ(form.LabeledEditSize->text(), "16");
  form.BitBtnFontSetupClick();  // cancelled: unchanged
  EXPECT_EQ(form.ChosenFont().family(), "Mono");
}

}  // namespace

namespace {

// The folder picker opens at the folder in its box, unfolded down to it.
TEST(SelectDir, OpensUnfoldedAtTheBoxPath) {
  desktoptest::App();
  zktest::TempDir dir;
  const QString deep = QString::fromStdString(dir.File("a/b/c"));
  ASSERT_TRUE(QDir().mkpath(deep));
  kiv::TFormSelectDir d(nullptr);
  d.MainShellComboBox->setText(deep);
  d.show();
  desktoptest::Drain();
  auto* model = qobject_cast<QFileSystemModel*>(d.MainShellTreeView->model());
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->filePath(d.MainShellTreeView->currentIndex()), deep);
  for (QModelIndex p = d.MainShellTreeView->currentIndex().parent(); p.isValid(); p = p.parent())
    EXPECT_TRUE(d.MainShellTreeView->isExpanded(p)) << model->filePath(p).toStdString();
}

}  // namespace
