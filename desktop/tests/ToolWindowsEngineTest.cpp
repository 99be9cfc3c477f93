// The key, signature and clipboard windows on the real engine from the
// program folder: a text encoded to the clipboard and decoded back; a key
// pair made in the key storage window, a file signed with it and checked.
// Key tests are skipped while the engine has no key storage (-6).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "desktop/ClipboardCoderUnit.h"
#include "desktop/CommonUnit.h"
#include "desktop/KeyDialogsUnit.h"
#include "desktop/KeyStorageUnit.h"
#include "desktop/SignUnit.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/FakePrompter.h"
#include "kvSafeDriver.h"
#include "desktop/ToolTextIds.h"
#include "desktop/zk5Base.hpp"
#include "tests/support/ZkTestSupport.h"
#include "zk5main.h"

namespace {

struct Engine : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    ASSERT_TRUE(zktest::LoadToolkit("kiv_safe"));
    driver = zktest::Create<zk::ISafeDriverApp>(zk::id::KivSafeDriverApp, zk::id::KivISafeDriverApp);
    ASSERT_NE(driver, nullptr);
    ASSERT_EQ(driver->Start(), 0);
    ASSERT_EQ(driver->GetTextRes(&texts), 0);
  }
  void TearDown() override {
    if (texts) texts->Release();
    if (driver) driver->Release();
  }
  zk::ISafeDriverApp* driver = nullptr;
  zk::ITextRes* texts = nullptr;
  desktoptest::FakePrompter prompter;
};

TEST_F(Engine, ClipboardRoundTrip) {
  kiv::TFormClipboardCoder form(texts, driver);
  const QString text = QString::fromUtf8("Gr\xc3\xbc\xc3\x9f" "e,\nworld");
  form.MemoText->setPlainText(text);
  form.LabeledEditPass->setText("clip pass");
  form.BitBtnEncodeClick();
  ASSERT_TRUE(prompter.Calls().empty());
  QString armoured = QApplication::clipboard()->text();
  EXPECT_FALSE(armoured.isEmpty());
  EXPECT_FALSE(armoured.contains("world"));
  form.MemoText->clear();
  form.BitBtnDecodeClick();
  EXPECT_TRUE(prompter.Calls().empty());
  EXPECT_EQ(form.MemoText->toPlainText(), text);
  // Another password leaves the memo and shows the decoding error.
  form.MemoText->setPlainText("kept");
  form.LabeledEditPass->setText("wrong");
  form.BitBtnDecodeClick();
  EXPECT_EQ(form.MemoText->toPlainText(), "kept");
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_TRUE(prompter.Calls()[0].text.startsWith(kiv::GetResText(texts, kiv::txt::kCoderDecoding) + "\n "));
}

TEST_F(Engine, KeyPairMadeInTheWindowSignsAndChecksAFile) {
  zktest::TempDir dir;
  zk::IAppParam* params = nullptr;
  ASSERT_EQ(driver->GetAppParam(&params), 0);
  // The storage of this test lives in its own folder (not saved to the file).
  params->SetString("key_storage", dir.File("keys.dat").c_str());
  params->Release();
  zk::IKeysCtrl* keys = nullptr;
  StatusCode r = driver->GetKeysCtrl(&keys);
  if (r == zk::kNotFound) GTEST_SKIP() << "the engine has no key storage yet (GetKeysCtrl gives -6)";
  ASSERT_EQ(r, 0);
  ASSERT_EQ(keys->Open("storage pass"), 0);
  {
    kiv::TFormKeyStorage form(texts, keys);
    QTimer::singleShot(0, [] {
      auto* d = qobject_cast<kiv::TFormRSAKeyParam*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      d->LabeledEditName->setText("Anna");
      d->LabeledEditForname->setText("Berg");
      d->ComboBoxBits->setCurrentIndex(0);
      d->BitBtnAccept->click();
    });
    form.mnCreatePrivateKeyClick();
    ASSERT_EQ(form.ListViewKeys->topLevelItemCount(), 1);
    EXPECT_EQ(form.ListViewKeys->topLevelItem(0)->text(0), "Anna Berg");
    EXPECT_EQ(form.ListViewKeys->topLevelItem(0)->text(2), "512");
  }
  {
    // A message sealed to the new pair (the new-secret wizard's RSA road:
    // the public blob of the chosen key in the parameters) opens again.
    zk::SecretParams p{};
    p.contentType = zk::kContentMessage;
    p.flags = 1;
    p.format = zk::kFormatSecretFile;
    p.hashIndex = 2;
    p.cipherIndex = 1;
    p.headerByte = 1;
    uint32_t length = 0;
    ASSERT_EQ(keys->GetPublicKeyBlob(p.key, 1, 0, &length), 0);
    p.keyLength = uint16_t(length);
    std::string path = dir.File("sealed.kvs");
    zk::IKivSecret* secret = nullptr;
    ASSERT_EQ(driver->CreateSecret(&secret), 0);
    zk::IBase* content = nullptr;
    ASSERT_EQ(secret->Create(path.c_str(), &p, &content), 0);
    auto* message = kiv::QueryToolkitInterface<zk::IMessage>(content, zk::id::KivIMessage);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->SetText("for Anna only"), 0);
    message->Release();
    content->Release();
    secret->Release();
    secret = nullptr;  // an out-parameter releases what it holds
    zk::SecretParams open{};
    open.format = zk::kFormatSecretFile;
    ASSERT_EQ(driver->CreateSecret(&secret), 0);
    content = nullptr;
    ASSERT_EQ(secret->Open(path.c_str(), &open, &content), 0);
    message = kiv::QueryToolkitInterface<zk::IMessage>(content, zk::id::KivIMessage);
    ASSERT_NE(message, nullptr);
    char* text = nullptr;
    EXPECT_EQ(message->GetText(&text), 0);
    EXPECT_STREQ(text, "for Anna only");
    zk_free(text);
    message->Release();
    content->Release();
    secret->Release();
  }
  std::string file = dir.File("report.final.txt");
  zktest::WriteFile(file, {'d', 'a', 't', 'a'});
  {
    kiv::TFormSignCreate form(texts, keys);
    prompter.AnswerPath(QString::fromStdString(file));
    form.SpeedButtonFileSelectClick();
    EXPECT_EQ(form.LabeledEditFileSign->text().toStdString(), dir.File("report.kvg"));
    form.BitBtnCreateClick();
    EXPECT_EQ(prompter.Calls().back().text, kiv::GetResText(texts, kiv::txt::kSignatureCreated));
  }
  {
    kiv::TFormCheckSign form(texts, keys);
    prompter.AnswerPath(QString::fromStdString(dir.File("report.kvg")));
    ASSERT_TRUE(form.Start());
    prompter.AnswerPath(QString::fromStdString(file));
    form.BitBtnCheckClick();
    EXPECT_TRUE(prompter.Calls().back().text.endsWith(kiv::GetResText(texts, kiv::txt::kSignatureMatches)));
    zktest::WriteFile(file, {'D', 'a', 't', 'a'});
    prompter.AnswerPath(QString::fromStdString(file));
    form.BitBtnCheckClick();
    EXPECT_TRUE(prompter.Calls().back().text.endsWith(kiv::GetResText(texts, kiv::txt::kSignatureDiffers)));
  }
  keys->Release();
}

}  // namespace
