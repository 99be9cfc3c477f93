// Pictures of each new-secret page, the key choice, the open wizard, the
// secret properties and the password generator in the shipped English
// texts (the engine's language file), written to KIV_SCREENSHOT_DIR
// (default: the build's screenshots folder). scripts/screenshot.sh runs it
// under Xvfb.
#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <cstdlib>
#include <cstring>

#include "desktop/CommonUnit.h"
#include "desktop/ContainerTypeUnit.h"
#include "desktop/OpenWizardUnit.h"
#include "desktop/PassGenUnit.h"
#include "desktop/SecretParamsUnit.h"
#include "desktop/SecretPropertiesUnit.h"
#include "desktop/SecretTypeUnit.h"
#include "desktop/SelectRSAUnit.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/FakeKeyStorage.h"
#include "tests/support/ZkTestSupport.h"

namespace {

struct WizardPictures : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    ASSERT_TRUE(zktest::LoadToolkit("kiv_safe"));
    driver = zktest::Create<zk::ISafeDriverApp>(zk::id::KivSafeDriverApp, zk::id::KivISafeDriverApp);
    ASSERT_NE(driver, nullptr);
    ASSERT_EQ(driver->Start(), 0);
    ASSERT_EQ(driver->GetTextRes(&texts), 0);
    ASSERT_EQ(driver->GetAppParam(&params), 0);
    const char* env = std::getenv("KIV_SCREENSHOT_DIR");
    out = env ? env : zktest::ProgramDir() + "/../screenshots";
    QDir().mkpath(QString::fromStdString(out));
  }
  void TearDown() override {
    if (params) params->Release();
    if (texts) texts->Release();
    if (driver) driver->Release();
  }
  void Shot(QWidget& w, const char* name) {
    w.show();
    desktoptest::Drain();
    const std::string path = out + "/" + name + ".png";
    QImage image = w.grab().toImage();
    EXPECT_TRUE(image.save(QString::fromStdString(path))) << path;
    // Not one colour all over.
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 3)
      for (int x = 0; x < image.width() && !varied; x += 3)
        varied = image.pixel(x, y) != image.pixel(0, 0);
    EXPECT_TRUE(varied) << name;
    w.hide();
  }
  zk::ISafeDriverApp* driver = nullptr;
  zk::ITextRes* texts = nullptr;
  zk::IAppParam* params = nullptr;
  std::string out;
};

TEST_F(WizardPictures, EveryPage) {
  kiv::TFormSecretType type(texts, 1);
  Shot(type, "wizard-1-secret-type");
  kiv::TContainerTypeForm container(texts, 2, true);
  Shot(container, "wizard-2-container-type");
  ASSERT_TRUE(zktest::LoadToolkit("zk5cipher"));
  kiv::TFormSecretParams params1(texts, driver, nullptr, 2, 1, 1234567);
  params1.EditPasswd->setText("Correct horse 42");
  params1.EditPassConfirm->setText("Correct horse 42");
  Shot(params1, "wizard-4-parameters-password");
  kiv::TFormSecretParams params2(texts, driver, nullptr, 3, 4, 0);
  params2.ListViewIcons->setCurrentRow(1);
  Shot(params2, "wizard-4-parameters-settings");
  auto* keys = new desktoptest::FakeKeyStorage();
  kiv::TFormSelectRSA rsa(texts, keys);
  Shot(rsa, "wizard-select-rsa");
  keys->Release();
  kiv::TFormOpenWizard open(texts, 2, 1, 1, "/home/user/Pictures/holiday.bmp");
  Shot(open, "open-wizard");
  zk::SecretProperties p{};
  p.mediumSize = 1234567;
  p.capacity = 40000;
  p.contentSize = 812;
  p.cipherIndex = 1;
  p.hashIndex = 2;
  p.flags = 1;
  p.created = {126, 11, 11, 6, 30, 0};
  p.modified = {126, 11, 11, 6, 45, 12};
  std::strcpy(p.key.owner.name, "Ann");
  std::strcpy(p.key.owner.secondName, "Lee");
  std::strcpy(p.key.owner.country, "Land");
  std::strcpy(p.key.owner.city, "Town");
  p.keyListFlag = 1;
  kiv::TFormSecretProperties props(texts, "/home/user/secret.kvs", p);
  Shot(props, "secret-properties");
  kiv::TFormPasswdGen gen(texts, params);
  gen.show();
  gen.LabeledEditSrcPhrase->setText("my phrase");
  gen.BitBtnGenerateClick();
  Shot(gen, "password-generator");
}

}  // namespace
