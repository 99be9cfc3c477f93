// Pictures of the key storage window with keys in it, the signature
// windows, the clipboard coder and each page of the options dialog, in the
// shipped English texts, written to KIV_SCREENSHOT_DIR (default: the
// build's screenshots folder). scripts/screenshot.sh runs it under Xvfb.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "desktop/ClipboardCoderUnit.h"
#include "desktop/CommonUnit.h"
#include "desktop/EnvOptUnit.h"
#include "desktop/KeyDialogsUnit.h"
#include "desktop/KeyStorageUnit.h"
#include "desktop/OpenKeyStorageUnit.h"
#include "desktop/SetKeyStoragePassUnit.h"
#include "desktop/SignUnit.h"
#include "desktop/ToolTextIds.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/FakeKeyStorage.h"
#include "desktop/testing/FakePrompter.h"
#include "tests/support/ZkTestSupport.h"
#include "zk5Clsid.h"
#include "zk5Stream.h"

#ifndef KIV_SOURCE_DIR
#error "KIV_SOURCE_DIR names the source tree"
#endif

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Screenshots : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    for (const char* lib : {"zk5storage", "zk5script", "zk5cipher"}) ASSERT_TRUE(zktest::LoadToolkit(lib));
    const char* env = std::getenv("KIV_SCREENSHOT_DIR");
    out = env ? env : zktest::ProgramDir() + "/../screenshots";
    QDir().mkpath(QString::fromStdString(out));
    // The shipped English texts with the desktop's own.
    std::string all = Slurp(std::string(KIV_SOURCE_DIR) + "/engine/data/kiv_en.txt") + "\n" +
                      Slurp(std::string(KIV_SOURCE_DIR) + "/desktop/data/kiv_en_desktop.txt");
    std::string langPath = dir.File("kiv_en.txt");
    zktest::WriteFile(langPath, std::vector<uint8_t>(all.begin(), all.end()));
    texts = zktest::Create<zk::ITextRes>(zk::id::ScriptTextRes, zk::id::ScriptITextRes);
    ASSERT_NE(texts, nullptr);
    auto* fs = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
    zk::IFileStrem* s = nullptr;
    ASSERT_EQ(fs->OpenFile(langPath.c_str(), zk::kOpenBinary, &s), 0);
    ASSERT_EQ(texts->Load(s), 0);
    s->Release();
    s = nullptr;  // OpenFile releases what its out-parameter holds
    const char config[] =
        "lang_count=\"2\"\r\nlang0=\"en\"\r\nlang1=\"de\"\r\nen_name=\"English\"\r\n"
        "de_name=\"Deutsch\"\r\nlang_cur=\"en\"\r\ncount_of_arc_ext=\"3\"\r\narc_ext_0=\".DOC\"\r\n"
        "arc_ext_1=\".txt\"\r\narc_ext_2=\".EXE\"\r\nsystray=\"1\"\r\nstartup minimized=\"0\"\r\n";
    std::string configPath = dir.File("kiv_config.txt");
    zktest::WriteFile(configPath, std::vector<uint8_t>(config, config + sizeof config - 1));
    ASSERT_EQ(fs->OpenFile(configPath.c_str(), zk::kOpenReadWrite | zk::kOpenBinary, &s), 0);
    params = zktest::Create<zk::IAppParam>(zk::id::ScriptParamScript, zk::id::ScriptIAppParam);
    ASSERT_EQ(params->Load(s), 0);
    s->Release();
    fs->Release();
    keys = new desktoptest::FakeKeyStorage();
    driver = new desktoptest::FakeToolDriver();
  }
  void TearDown() override {
    if (driver) driver->Release();
    if (keys) keys->Release();
    if (params) params->Release();
    if (texts) texts->Release();
  }
  void Shoot(QWidget& w, const char* name) {
    w.show();
    w.raise();
    desktoptest::Drain();
    std::string path = out + "/" + name + ".png";
    EXPECT_TRUE(w.grab().save(QString::fromStdString(path))) << path;
    w.hide();
  }
  zktest::TempDir dir;
  std::string out;
  zk::ITextRes* texts = nullptr;
  zk::IAppParam* params = nullptr;
  desktoptest::FakeKeyStorage* keys = nullptr;
  desktoptest::FakeToolDriver* driver = nullptr;
  desktoptest::FakePrompter prompter;
};

TEST_F(Screenshots, KeyAndToolWindows) {
  {
    kiv::TFormKeyStorage form(texts, keys);
    form.ListViewKeys->setCurrentItem(form.ListViewKeys->topLevelItem(1));
    Shoot(form, "key-storage-pairs");
    form.SelectList(1);
    Shoot(form, "key-storage-public");
  }
  {
    kiv::TFormSetKeyStoragePass set(texts);
    set.LabeledEditPasswd->setText("correct horse battery");
    Shoot(set, "set-key-storage-password");
    // The whole title and the wrapped explanation fit.
    EXPECT_GE(set.width(), set.fontMetrics().horizontalAdvance(set.windowTitle()));
    kiv::TFormOpenKeyStorage open(texts);
    Shoot(open, "open-key-storage");
  }
  {
    kiv::TFormRSAKeyParam form(texts);
    form.LabeledEditName->setText("Anna");
    Shoot(form, "key-parameters");
    kiv::TFormNewPassword pass(kiv::GetResText(texts, kiv::txt::kExportPasswordTitle), texts);
    pass.LabeledEditPass->setText("correct horse");
    Shoot(pass, "new-password");
  }
  {
    kiv::TFormSignCreate form(texts, keys);
    form.LabeledEditFile->setText("/home/anna/report.final.txt");
    form.LabeledEditFileSign->setText(kiv::ProposeSignatureName("/home/anna/report.final.txt"));
    Shoot(form, "signature-create");
    kiv::TFormCheckSign check(texts, keys);
    prompter.AnswerPath("/home/anna/report.kvg");
    ASSERT_TRUE(check.Start());
    Shoot(check, "signature-check");
  }
  {
    kiv::TFormClipboardCoder form(texts, driver);
    form.MemoText->setPlainText("Meet at the harbour at nine.\nBring the map.");
    form.LabeledEditPass->setText("pw");
    Shoot(form, "clipboard-coder");
    form.BitBtnEncodeClick();
    Shoot(form, "clipboard-coder-encoded");
  }
  {
    kiv::TFormEnvOpt form(params, texts, driver, QFont("Sans Serif", 10));
    const char* pages[] = {"options-extensions", "options-font", "options-shell"};
    for (int i = 0; i < 3; ++i) {
      form.SelectPage(i);
      Shoot(form, pages[i]);
    }
  }
}

}  // namespace
