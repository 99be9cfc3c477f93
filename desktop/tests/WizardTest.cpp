// The new-secret and open chains on the fake engine with scripted pages,
// the pages' own rules, the carrier copy and the password generator.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>

#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>

#include "desktop/CommonUnit.h"
#include "desktop/CopyContainerUnit.h"
#include "desktop/KivEvent.h"
#include "desktop/MainFormUnit.h"
#include "desktop/ModalRun.h"
#include "desktop/NewSecretChainUnit.h"
#include "desktop/OpenWizardUnit.h"
#include "desktop/PassGenUnit.h"
#include "desktop/ProgressUnit.h"
#include "desktop/SecretParamsUnit.h"
#include "desktop/SecretPropertiesUnit.h"
#include "desktop/SelectRSAUnit.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/PageScriptTestSupport.h"
#include "desktop/testing/FakeEngine.h"
#include "desktop/testing/FakeChainSecret.h"
#include "desktop/testing/FakePrompter.h"
#include "kvMessageSocket.h"
#include "tests/support/ZkTestSupport.h"

namespace fs = std::filesystem;

namespace {

// cipher.SetPassword for the quality gauge and the generator.
struct CipherLibrary : ::testing::Environment {
  void SetUp() override { ASSERT_TRUE(zktest::LoadToolkit("zk5cipher")); }
};
const auto* const kCipher = ::testing::AddGlobalTestEnvironment(new CipherLibrary);

using desktoptest::Page;
using desktoptest::PageScript;

using desktoptest::Click;
using desktoptest::Find;

Page TypePage(int row) {
  return [row](QDialog* d) {
    Find<QListWidget>(d, "ListViewTypes")->setCurrentRow(row);
    Click(d, "BitBtnNext");
  };
}
Page ContainerPage(int row, bool copy) {
  return [row, copy](QDialog* d) {
    Find<QListWidget>(d, "ListViewContTypes")->setCurrentRow(row);
    Find<QCheckBox>(d, "CheckBoxMakeCopy")->setChecked(copy);
    Click(d, "BitBtnNext");
  };
}
Page ParamsPage(const QString& pw, int hashRow, int cipherRow) {
  return [=](QDialog* d) {
    Find<QLineEdit>(d, "EditPasswd")->setText(pw);
    Find<QLineEdit>(d, "EditPassConfirm")->setText(pw);
    Find<QComboBox>(d, "ComboBoxHash")->setCurrentIndex(hashRow);
    Find<QComboBox>(d, "ComboBoxCipher")->setCurrentIndex(cipherRow);
    Click(d, "BitBtnNext");
  };
}
Page ButtonPage(const char* button) {
  return [button](QDialog* d) { Click(d, button); };
}

kiv::EngineSource FakeSource(desktoptest::FakeDriver* driver) {
  return {[] { return true; },
          [driver](zk::IBase** out) {
            driver->AddRef();
            *out = driver;
            return 0;
          }};
}

std::string ReadAll(const std::string& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}
void WriteAll(const std::string& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary) << bytes;
}

// The 532-byte record written out by hand: kind, flags, format, hash,
// cipher, header byte 1, key length (little-endian), 4 reserved, the key.
std::vector<uint8_t> Record(uint8_t kind, uint8_t flags, uint8_t format, uint8_t hash,
                            uint8_t cipher, uint8_t header, const std::string& key) {
  std::vector<uint8_t> r(532, 0);
  r[0] = kind, r[1] = flags, r[2] = format, r[3] = hash, r[4] = cipher, r[5] = header;
  r[6] = uint8_t(key.size()), r[7] = uint8_t(key.size() >> 8);
  std::memcpy(r.data() + 12, key.data(), key.size());
  return r;
}
std::vector<uint8_t> Bytes(const zk::SecretParams& p) {
  const auto* b = reinterpret_cast<const uint8_t*>(&p);
  return std::vector<uint8_t>(b, b + sizeof p);
}

struct Chains : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    dir = fs::temp_directory_path() / ("kiv_wizard_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    driver = new desktoptest::FakeDriver();
    driver->secretFactory = [this] { return new desktoptest::ChainSecret(&log); };
    form = std::make_unique<kiv::TMainForm>(std::vector<std::string>{});
    form->FormCreate(FakeSource(driver));
  }
  void TearDown() override {
    form.reset();
    driver->Release();
    fs::remove_all(dir);
  }
  // Lets the chain run until the script is used up and nothing is posted.
  void Run() {
    desktoptest::SpinUntil([this] { return script.pages.empty(); });
    for (int i = 0; i < 5; ++i) desktoptest::Drain();
  }
  std::string Path(const char* name) { return (dir / name).string(); }

  fs::path dir;
  desktoptest::SecretLog log;
  desktoptest::FakeDriver* driver;
  std::unique_ptr<kiv::TMainForm> form;
  desktoptest::FakePrompter prompter;
  PageScript script;
};

TEST_F(Chains, MessageInACopiedBmpGetsItsRecordByteForByte) {
  const std::string carrier = Path("x.bmp");
  WriteAll(carrier, "BM original carrier bytes");
  WriteAll(Path("copy x.bmp"), "an older copy");
  prompter.AnswerPath(QString::fromStdString(carrier));
  script.pages = {TypePage(0), ContainerPage(1, true), ParamsPage("pw1", 2, 3)};
  kiv::SecretNewCommand(*form);
  Run();
  ASSERT_EQ(log.created.size(), 1u);
  EXPECT_EQ(Bytes(log.created[0]), Record(1, 0, 2, 3, 4, 1, "pw1"));
  EXPECT_EQ(log.calls.front(), "capacity " + carrier + " 2");
  EXPECT_EQ(log.calls.back(), "create " + carrier);
  // The older copy stays; the new one is the next free name.
  EXPECT_EQ(ReadAll(Path("copy x.bmp")), "an older copy");
  EXPECT_EQ(ReadAll(Path("copy copy x.bmp")), "BM original carrier bytes");
  EXPECT_TRUE(form->Model().Choice().password.empty());
  EXPECT_EQ(form->Model().Kind(), 1);
  EXPECT_TRUE(form->CopyContainer());
  // A carrier secret ends with the carrier warning.
  EXPECT_EQ(script.seen, (std::vector<std::string>{"FormSecretType", "ContainerTypeForm",
                                                   "FormSecretParams", "FormWarning"}));
}

TEST_F(Chains, ParametersBackGoesToTheContainerPage) {
  prompter.AnswerPath(QString::fromStdString(Path("first")));
  prompter.AnswerPath(QString::fromStdString(Path("f")));
  script.pages = {TypePage(1), ContainerPage(0, false), ButtonPage("BitBtnPrev"),
                  ContainerPage(0, false), ParamsPage("", 0, 6)};
  kiv::SecretNewCommand(*form);
  Run();
  EXPECT_EQ(script.seen,
            (std::vector<std::string>{"FormSecretType", "ContainerTypeForm", "FormSecretParams",
                                      "ContainerTypeForm", "FormSecretParams"}));
  ASSERT_EQ(log.created.size(), 1u);
  EXPECT_EQ(Bytes(log.created[0]), Record(2, 0, 1, 1, 7, 1, ""));
  EXPECT_EQ(form->Model().Path(), Path("f.kvs"));
}

TEST_F(Chains, OpenOfAnUnknownExtensionWarnsAndKeepsNoSecret) {
  kiv::OpenSecretPath(*form, Path("picture.tif"));
  Run();
  ASSERT_FALSE(prompter.Calls().empty());
  EXPECT_EQ(prompter.Calls().back().text, "T801");
  EXPECT_EQ(form->Model().Secret(), nullptr);
  EXPECT_EQ(log.alive, 0);
}

TEST_F(Chains, TextWithoutASecretAsksThePasswordOfAMessage) {
  log.probeResult = -14;
  log.probeContent = 3;
  script.pages = {[](QDialog* d) {
    Find<QLineEdit>(d, "LabeledEditPasswd")->setText("abc");
    emit Find<QLineEdit>(d, "LabeledEditPasswd")->returnPressed();
  }};
  kiv::OpenSecretPath(*form, Path("note.txt"));
  Run();
  EXPECT_EQ(script.seen, std::vector<std::string>{"FormOpenWizard"});
  ASSERT_EQ(log.opened.size(), 1u);
  EXPECT_EQ(Bytes(log.opened[0]), Record(1, 0, 16, 0, 0, 0, "abc"));
  EXPECT_EQ(kiv::ChainShownText(*form), "opened text");
  EXPECT_EQ(form->Model().Kind(), 1);
  EXPECT_TRUE(form->Model().Choice().password.empty());
}

TEST_F(Chains, CancelledOpenReleasesTheSecret) {
  script.pages = {ButtonPage("BitBtnCancel")};
  kiv::OpenSecretPath(*form, Path("a.kvs"));
  Run();
  EXPECT_EQ(form->Model().Secret(), nullptr);
  EXPECT_EQ(log.alive, 0);
  EXPECT_TRUE(log.opened.empty());
}

TEST_F(Chains, RsaOpenWithoutAFittingKeyShows817) {
  log.probeKeyKind = 1;
  log.openResult = -13;
  driver->keys->AddRef();
  form->Model().Choice().keysCtrl = driver->keys;
  kiv::OpenSecretPath(*form, Path("a.kvs"));
  Run();
  ASSERT_FALSE(prompter.Calls().empty());
  EXPECT_EQ(prompter.Calls().back().text, "T817");
  EXPECT_EQ(form->Model().Secret(), nullptr);
  EXPECT_EQ(log.alive, 0);
}

TEST_F(Chains, CommandLineFileIsOpenedAtStart) {
  // The program's first argument, quoted as a shell link would give it.
  const std::string path = Path("start.kvs");
  WriteAll(path, "x");
  auto started = std::make_unique<kiv::TMainForm>(std::vector<std::string>{"\"" + path + "\""});
  started->FormCreate(FakeSource(driver));
  script.pages = {ButtonPage("BitBtnCancel")};
  started->show();
  Run();
  EXPECT_EQ(script.seen, std::vector<std::string>{"FormOpenWizard"});
  EXPECT_EQ(log.calls.front(), "probe " + path + " 1");
  started.reset();
}

// The commands another process sends: names, then one command message.
void Send(kiv::TMainForm& form, const std::vector<std::string>& names, uint32_t command) {
  for (const auto& r : kiv::wm::CommandRecords(names, command))
    kiv::PostKivMessage(&form, r.message, r.wParam, r.lParam);
}

TEST_F(Chains, OpenFromAnotherProcessOpensTheFirstName) {
  script.pages = {[](QDialog* d) {
    Find<QLineEdit>(d, "LabeledEditPasswd")->setText("pw");
    Click(d, "BitBtnNext");
  }};
  Send(*form, {Path("a.kvs"), Path("b c.bmp")}, kiv::wm::kOpen);
  Run();
  EXPECT_EQ(log.calls, (std::vector<std::string>{"probe " + Path("a.kvs") + " 1",
                                                 "open " + Path("a.kvs")}));
  EXPECT_EQ(form->Model().Kind(), 1);
  EXPECT_EQ(form->Model().Path(), Path("a.kvs"));
  // With no name it does nothing.
  log.calls.clear();
  Send(*form, {}, kiv::wm::kOpen);
  Run();
  EXPECT_TRUE(log.calls.empty());
  EXPECT_EQ(form->Model().Path(), Path("a.kvs"));
}

TEST_F(Chains, NewSecretInAnMp3FromAnotherProcess) {
  const std::string carrier = Path("song.mp3");
  WriteAll(carrier, "ID3 sound");
  // The copy option is on, yet no copy is made.
  form->SetCopyContainer(true);
  script.pages = {TypePage(0), ParamsPage("pw3", 1, 2)};
  Send(*form, {carrier, Path("other.bmp")}, kiv::wm::kNewInCarrier);
  Run();
  EXPECT_EQ(script.seen, (std::vector<std::string>{"FormSecretType", "FormSecretParams",
                                                   "FormWarning"}));
  EXPECT_EQ(form->Model().Choice().containerKind, 3);
  EXPECT_EQ(form->Model().Choice().carrierFormat, 33);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"capacity " + carrier + " 33", "create " + carrier}));
  ASSERT_EQ(log.created.size(), 1u);
  EXPECT_EQ(Bytes(log.created[0]), Record(1, 0, 33, 2, 3, 1, "pw3"));
  EXPECT_FALSE(fs::exists(Path("copy song.mp3")));
  EXPECT_EQ(ReadAll(carrier), "ID3 sound");
  EXPECT_EQ(form->Model().Kind(), 1);
  EXPECT_TRUE(form->Model().Choice().password.empty());
}

TEST_F(Chains, CarrierCommandLoopsBetweenTypeAndParameters) {
  const std::string carrier = Path("pic.PNG");
  WriteAll(carrier, "png");
  // Back from the parameters returns to the secret-type page; cancel there
  // clears the password and ends without a secret.
  script.pages = {TypePage(1), ButtonPage("BitBtnPrev"), TypePage(2),
                  [](QDialog* d) {
                    Find<QLineEdit>(d, "EditPasswd")->setText("typed");
                    Click(d, "BitBtnCancel");
                  }};
  Send(*form, {carrier}, kiv::wm::kNewInCarrier);
  Run();
  EXPECT_EQ(script.seen, (std::vector<std::string>{"FormSecretType", "FormSecretParams",
                                                   "FormSecretType", "FormSecretParams"}));
  EXPECT_EQ(form->Model().Choice().contentKind, 3);
  EXPECT_EQ(form->Model().Choice().carrierFormat, 3);
  EXPECT_TRUE(log.created.empty());
  EXPECT_TRUE(form->Model().Choice().password.empty());
  // The secret-type page cancelled ends the command at once.
  script.seen.clear();
  script.pages = {ButtonPage("BitBtnCancel")};
  log.calls.clear();
  Send(*form, {carrier}, kiv::wm::kNewInCarrier);
  Run();
  EXPECT_EQ(script.seen, std::vector<std::string>{"FormSecretType"});
  EXPECT_TRUE(log.calls.empty());
}

TEST_F(Chains, AnOpenSentWhileAPageShowsWaitsForThePage) {
  const std::string other = Path("other.kvs");
  WriteAll(other, "an existing secret");
  prompter.AnswerPath(QString::fromStdString(Path("new.kvs")));
  std::vector<size_t> callsWhilePageShown;
  script.pages = {TypePage(0), ContainerPage(0, false),
                  [&](QDialog* d) {
                    // Another process asks to open a secret meanwhile.
                    Send(*form, {other}, kiv::wm::kOpen);
                    desktoptest::Drain();
                    callsWhilePageShown.push_back(log.calls.size());
                    ParamsPage("pw", 1, 0)(d);
                  },
                  ButtonPage("BitBtnCancel")};
  kiv::SecretNewCommand(*form);
  Run();
  // The new secret goes where the user chose, and the open comes after it.
  EXPECT_EQ(callsWhilePageShown, std::vector<size_t>{0});
  EXPECT_EQ(log.calls, (std::vector<std::string>{"create " + Path("new.kvs"), "probe " + other + " 1"}));
  EXPECT_EQ(ReadAll(other), "an existing secret");
  EXPECT_EQ(script.seen.back(), "FormOpenWizard");
}

TEST(ChainTables, ExtensionsChooseContainerAndFormat) {
  struct Row {
    const char* path;
    int32_t kind, format;
  } rows[] = {{"a.kvs", 1, 1}, {"a.BMP", 2, 2}, {"a.png", 2, 3}, {"a.gif", 2, 5},
              {"a.jpeg", 2, 4}, {"a.jpg", 2, 4}, {"a.wav", 3, 32}, {"a.mp3", 3, 33},
              {"a.txt", 4, 16}, {"a.zip", 5, 48}, {"a.tif", 0, 0}, {"noext", 0, 0}};
  for (const Row& r : rows) {
    int32_t k = 0, f = 0;
    EXPECT_EQ(kiv::OpenKindsFromPath(r.path, k, f), r.kind != 0) << r.path;
    if (r.kind) {
      EXPECT_EQ(std::pair(k, f), std::pair(r.kind, r.format)) << r.path;
    }
  }
  EXPECT_EQ(kiv::NewCarrierFormat(2, "x.JPEG", 0), 4);
  EXPECT_EQ(kiv::NewCarrierFormat(2, "x.tiff", 7), 7);
  EXPECT_EQ(kiv::NewCarrierFormat(4, "x.doc", 0), 16);
  EXPECT_EQ(kiv::NewCarrierFormat(5, "x.jar", 0), 48);
  EXPECT_EQ(kiv::NewCarrierFormat(3, "x.wav", 0), 32);
}

// Three key pairs and two public keys, each named by its list and index.
class KeysWithFive : public desktoptest::FakeKeysCtrl {
 public:
  uint32_t GetPrivateKeyCount() override { return 3; }
  uint32_t GetPublicKeyCount() override { return 2; }
  StatusCode GetPrivateKeyInfo(uint32_t i, zk::KeyInfo* out) override { return Info("pair", i, out); }
  StatusCode GetPublicKeyInfo(uint32_t i, zk::KeyInfo* out) override { return Info("pub", i, out); }
  StatusCode GetPublicKeyBlob(void* blob, int32_t isPair, uint32_t index, uint32_t* len) override {
    blobAsked = {isPair, int32_t(index)};
    std::memcpy(blob, "BLOB", 4);
    *len = 4;
    return blobResult;
  }
  std::pair<int32_t, int32_t> blobAsked{-1, -1};
  StatusCode blobResult = 0;

 private:
  static StatusCode Info(const char* kind, uint32_t i, zk::KeyInfo* out) {
    *out = {};
    std::snprintf(out->owner.name, 33, "%s%u", kind, i);
    std::strcpy(out->owner.secondName, "Second");
    std::strcpy(out->owner.country, "Land");
    std::strcpy(out->owner.city, "Town");
    out->bits = 2048;
    return 0;
  }
};

TEST(Pages, SelectRsaSecondPublicKeyOfFiveRows) {
  desktoptest::App();
  auto* keys = new KeysWithFive();
  kiv::TFormSelectRSA d(nullptr, keys);
  ASSERT_EQ(d.ListViewKeys->topLevelItemCount(), 5);
  EXPECT_EQ(d.ListViewKeys->topLevelItem(4)->text(0), "pub1 Second, Land, Town");
  EXPECT_EQ(d.ListViewKeys->topLevelItem(0)->text(1), "2 048");
  d.BitBtnAccept->click();  // nothing selected: nothing happens
  EXPECT_FALSE(d.accepted);
  d.ListViewKeys->setCurrentItem(d.ListViewKeys->topLevelItem(4));
  d.BitBtnAccept->click();
  EXPECT_TRUE(d.accepted);
  EXPECT_EQ(d.keyList, 0);
  EXPECT_EQ(d.keyIndex, 1);
  d.ListViewKeys->setCurrentItem(d.ListViewKeys->topLevelItem(2));
  d.BitBtnAccept->click();
  EXPECT_EQ(std::pair(d.keyList, d.keyIndex), std::pair(1, 2));
  keys->Release();
}

TEST(Pages, RsaRecordTakesTheCheckedPublicKeyBlob) {
  auto* keys = new KeysWithFive();
  zk::SecretParams p{};
  ASSERT_EQ(kiv::FillRsaParams(p, 3, 48, 2, 5, keys, 0, 1), 0);
  EXPECT_EQ(Bytes(p), Record(3, 1, 48, 2, 5, 1, "BLOB"));
  EXPECT_EQ(keys->blobAsked, std::pair(0, 1));
  keys->blobResult = -16;
  EXPECT_EQ(kiv::FillRsaParams(p, 3, 48, 2, 5, keys, 0, 1), -16);
  EXPECT_NE(kiv::FillRsaParams(p, 3, 48, 2, 5, nullptr, 0, 1), 0);
  keys->Release();
}

void Type(QLineEdit* e, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString(c));
    QCoreApplication::sendEvent(e, &press);
  }
}

struct ParamsPage : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    driver = new desktoptest::FakeDriver();
    driver->Start();
  }
  void TearDown() override { driver->Release(); }
  desktoptest::FakeDriver* driver;
  desktoptest::FakePrompter prompter;
};

TEST_F(ParamsPage, FiftySeventhCharacterCannotBeTyped) {
  kiv::TFormSecretParams page(driver->texts, driver, nullptr, 2, 1, 0);
  Type(page.EditPasswd, QString(60, 'k'));
  EXPECT_EQ(page.EditPasswd->text().size(), 56);
  Type(page.EditPassConfirm, QString(57, 'k'));
  EXPECT_EQ(page.EditPassConfirm->text().size(), 56);
  EXPECT_FALSE(page.LabelCapNumber->isVisibleTo(&page));
}

TEST_F(ParamsPage, MismatchShows611AndThePageStays) {
  kiv::TFormSecretParams page(driver->texts, driver, nullptr, 4, 7, 1234567);
  EXPECT_EQ(page.ComboBoxHash->currentIndex(), 3);
  EXPECT_EQ(page.ComboBoxCipher->currentIndex(), 6);
  EXPECT_EQ(page.LabelCapNumber->text(), "1 234 567");
  page.show();
  page.EditPasswd->setText("Secret");
  page.EditPassConfirm->setText("secret");
  page.BitBtnNext->click();
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].text, "T611");
  EXPECT_EQ(prompter.Calls()[0].caption, "T600");
  EXPECT_EQ(prompter.Calls()[0].icon, kiv::BoxIcon::kError);
  EXPECT_TRUE(page.isVisible());
  EXPECT_EQ(page.result, kiv::kWizardCancel);
  EXPECT_EQ(page.EditPasswd->text(), "Secret");
  // RSA mode with no key chosen: text 1733, the page stays.
  page.RadioButtonRSAPass->setChecked(true);
  page.BitBtnNext->click();
  EXPECT_EQ(prompter.Calls().back().text, "T1733");
  EXPECT_TRUE(page.isVisible());
}

TEST(Pages, OpenWizardPicturesAndTexts) {
  desktoptest::App();
  int pic = -1;
  int32_t id = -1;
  kiv::TFormOpenWizard::SecretKindShown(3, pic, id);
  EXPECT_EQ(std::pair(pic, id), std::pair(2, 1003));
  kiv::TFormOpenWizard::ContainerKindShown(5, pic, id);
  EXPECT_EQ(std::pair(pic, id), std::pair(4, 1011));
  kiv::TFormOpenWizard::SecretKindShown(9, pic, id);
  EXPECT_EQ(std::pair(pic, id), std::pair(0, 1001));
  kiv::TFormOpenWizard::ContainerKindShown(9, pic, id);
  EXPECT_EQ(std::pair(pic, id), std::pair(0, 0));
  // Previous takes no password.
  desktoptest::FakeTextRes* texts = new desktoptest::FakeTextRes();
  kiv::TFormOpenWizard w(texts, 5, 3, 7, "/x/y.zip");
  EXPECT_EQ(w.LabeledEditVersion->text(), "7");
  EXPECT_EQ(w.LabelContType->text(), "T1011");
  w.LabeledEditPasswd->setText("pw");
  w.BitBtnPrev->click();
  EXPECT_EQ(w.result, kiv::kWizardBack);
  EXPECT_TRUE(w.password.empty());
  texts->Release();
}

TEST(Pages, PropertiesFromAHandMadeRecord) {
  desktoptest::App();
  // 248 bytes laid out by hand: sizes at 0, 8, 16; cipher 24, hash 28,
  // flags 32; dates at 36 and 60; key information at 84 (name fields from
  // 112), key-found flag at 244.
  uint8_t raw[248] = {};
  auto put32 = [&](int at, uint32_t v) { std::memcpy(raw + at, &v, 4); };
  put32(0, 1234567);
  put32(8, 0);
  put32(16, 42);
  put32(24, 5);
  put32(28, 4);
  put32(36, 126), put32(40, 11), put32(44, 11), put32(48, 6), put32(52, 7), put32(56, 8);
  std::strcpy(reinterpret_cast<char*>(raw) + 112, "Ann");
  std::strcpy(reinterpret_cast<char*>(raw) + 145, "Lee");
  std::strcpy(reinterpret_cast<char*>(raw) + 178, "Land");
  std::strcpy(reinterpret_cast<char*>(raw) + 211, "Town");
  zk::SecretProperties p;
  std::memcpy(&p, raw, sizeof p);
  desktoptest::FakeTextRes* texts = new desktoptest::FakeTextRes();
  auto rows = kiv::SecretPropertyRows(texts, "/s/a.kvs", p);
  ASSERT_EQ(rows.size(), 8u);
  EXPECT_EQ(rows[0], std::pair(QString("T1100"), QString("/s/a.kvs")));
  EXPECT_EQ(rows[1].second, "1 234 567");
  EXPECT_EQ(rows[2].second, "0");
  EXPECT_EQ(rows[3].second, "42");
  EXPECT_EQ(rows[4].second, kiv::FormatTmDateTime(texts, p.created));
  EXPECT_EQ(rows[6].second, "T610");
  EXPECT_EQ(rows[7].second, "T609");
  put32(32, 1);
  put32(24, 7);
  put32(244, 1);
  std::memcpy(&p, raw, sizeof p);
  rows = kiv::SecretPropertyRows(texts, "/s/a.kvs", p);
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[6].second, "RSA + CAST5-128");
  EXPECT_EQ(rows[8], std::pair(QString("T1122"), QString("Ann Lee")));
  EXPECT_EQ(rows[9].second, "Land, Town");
  EXPECT_EQ(rows[10].second, "T1123");
  put32(244, 0);
  std::memcpy(&p, raw, sizeof p);
  EXPECT_EQ(kiv::SecretPropertyRows(texts, "", p)[10].second, "T1124");
  kiv::TFormSecretProperties d(texts, "/s/a.kvs", p);
  EXPECT_EQ(d.ListViewProps->topLevelItemCount(), 11);
  texts->Release();
}

struct CarrierCopy : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    dir = fs::temp_directory_path() / ("kiv_copy_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    source = (dir / "a.bmp").string();
    content.resize(3 * 1048576 + 17);
    for (size_t i = 0; i < content.size(); ++i) content[i] = char(i * 7 + (i >> 11));
    WriteAll(source, content);
  }
  void TearDown() override {
    kiv::SetCopyReadForTests({});
    fs::remove_all(dir);
  }
  fs::path dir;
  std::string source, content;
  desktoptest::FakePrompter prompter;
};

TEST_F(CarrierCopy, NameSequenceSkipsTakenNamesAndNeverTruncates) {
  WriteAll((dir / "copy a.bmp").string(), "kept");
  std::string name;
  ASSERT_TRUE(kiv::MakeCopyName(source, name));
  EXPECT_EQ(name, (dir / "copy copy a.bmp").string());
  EXPECT_EQ(ReadAll((dir / "copy a.bmp").string()), "kept");
  EXPECT_EQ(fs::file_size(name), 0u);
  ASSERT_TRUE(kiv::MakeCopyName(source, name));
  EXPECT_EQ(name, (dir / "copy copy copy a.bmp").string());
  // A folder nobody can write into: the bounded search fails.
  EXPECT_FALSE(kiv::MakeCopyName((dir / "no such folder" / "a.bmp").string(), name));
}

TEST_F(CarrierCopy, CopyKeepsBytesTimeAndMode) {
  ::chmod(source.c_str(), 0640);
  struct timespec t[2] = {{1000000000, 0}, {1100000000, 0}};
  ::utimensat(AT_FDCWD, source.c_str(), t, 0);
  std::string target;
  ASSERT_TRUE(kiv::MakeCopyName(source, target));
  ASSERT_TRUE(kiv::CopyContainerFile(source, target, nullptr));
  EXPECT_EQ(ReadAll(target), content);
  struct stat st{};
  ::stat(target.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
  EXPECT_TRUE(prompter.Calls().empty());
}

TEST_F(CarrierCopy, ReadErrorFailsWith911AndNoTarget) {
  int calls = 0;
  kiv::SetCopyReadForTests([&](int fd, void* b, unsigned long n) -> long {
    if (++calls == 2) return -1;
    return long(::read(fd, b, n));
  });
  std::string target;
  ASSERT_TRUE(kiv::MakeCopyName(source, target));
  EXPECT_FALSE(kiv::CopyContainerFile(source, target, nullptr));
  EXPECT_FALSE(fs::exists(target));
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].icon, kiv::BoxIcon::kError);
}

TEST_F(CarrierCopy, CancelMidCopyLeavesNoTarget) {
  int calls = 0;
  kiv::SetCopyReadForTests([&](int fd, void* b, unsigned long n) -> long {
    if (++calls == 2) {
      // Press Cancel in the progress window and wait until it took.
      QMetaObject::invokeMethod(qApp, [] {
        if (auto* w = kiv::ShownProgressWindow()) w->SpeedButtonCancel->click();
      });
      for (int i = 0; i < 5000 && !kiv::ProgressCancelled(); ++i) ::usleep(1000);
    }
    return long(::read(fd, b, n));
  });
  std::string target;
  ASSERT_TRUE(kiv::MakeCopyName(source, target));
  EXPECT_FALSE(kiv::CopyContainerFile(source, target, nullptr));
  EXPECT_FALSE(fs::exists(target));
}

TEST_F(CarrierCopy, UnreadableSourceRemovesTheEmptyCopyName) {
  std::string target;
  ASSERT_TRUE(kiv::MakeCopyName((dir / "gone.bmp").string(), target));
  EXPECT_FALSE(kiv::CopyContainerFile((dir / "gone.bmp").string(), target, nullptr));
  EXPECT_FALSE(fs::exists(target));
}

TEST(Generator, SizeClampTable) {
  struct Row {
    const char* text;
    int size;
  } rows[] = {{"99", 56}, {"56", 56}, {"57", 56}, {"0", 1}, {"ab", 1}, {"", 1}, {"7", 7}, {"-3", 1}};
  for (const Row& r : rows) EXPECT_EQ(kiv::ClampPasswordSize(r.text), r.size) << r.text;
}

TEST(Generator, HidingClearsAndCloseStoresBothSizes) {
  desktoptest::App();
  auto* params = new desktoptest::FakeAppParam();
  params->values["size of fixed password"] = "12";
  params->values["size of random password"] = "30";
  auto* texts = new desktoptest::FakeTextRes();
  {
    kiv::TFormPasswdGen w(texts, params);
    w.show();
    EXPECT_EQ(w.UpDownSizePass->value(), 12);
    EXPECT_EQ(w.UpDownRandSizePass->value(), 30);
    w.LabeledEditSrcPhrase->setText("phrase");
    w.UpDownSizePass->setValue(99);
    w.BitBtnGenerateClick();
    EXPECT_EQ(w.UpDownSizePass->value(), 56);
    const QString fixed = w.LabeledEditPasswd->text();
    EXPECT_EQ(fixed.size(), 56);
    w.BitBtnGenerateClick();
    EXPECT_EQ(w.LabeledEditPasswd->text(), fixed);
    w.UpDownRandSizePass->setValue(0);
    w.BitBtnGeneRandClick();
    EXPECT_EQ(w.LabeledEditRandomPass->text().size(), 1);
    // A frame close stores nothing.
    w.close();
    EXPECT_TRUE(w.LabeledEditPasswd->text().isEmpty());
    EXPECT_TRUE(w.LabeledEditRandomPass->text().isEmpty());
    EXPECT_TRUE(w.LabeledEditSrcPhrase->text().isEmpty());
    EXPECT_EQ(params->values["size of fixed password"], "12");
    EXPECT_EQ(params->saves, 0);
    w.show();
    w.UpDownSizePass->setValue(20);
    w.UpDownRandSizePass->setValue(9);
    w.BitBtnClose->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(params->values["size of fixed password"], "20");
    EXPECT_EQ(params->values["size of random password"], "9");
    EXPECT_EQ(params->saves, 1);
  }
  texts->Release();
  params->Release();
}

}  // namespace
