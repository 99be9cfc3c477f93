// The key storage window over a fake storage (two pairs, one public key),
// the key dialogs' Enter and Escape, and the signature windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "desktop/KeyDialogsUnit.h"
#include "desktop/KeyStorageUnit.h"
#include "desktop/OpenKeyStorageUnit.h"
#include "desktop/PasswordGeneratorHook.h"
#include "desktop/SetKeyStoragePassUnit.h"
#include "desktop/SignUnit.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/FakeKeyStorage.h"
#include "desktop/testing/FakePrompter.h"
#include "tests/support/ZkTestSupport.h"

namespace {

using kiv::BoxAnswer;
using kiv::BoxIcon;

// Acts on the next modal dialog of class Form once its loop runs.
template <class Form>
void OnDialog(std::function<void(Form*)> f) {
  QTimer::singleShot(0, [f] {
    auto* form = qobject_cast<Form*>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr) << "no " << Form::staticMetaObject.className();
    f(form);
  });
}

void Key(QWidget* w, int key) {
  w->setFocus();
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

std::vector<QString> Texts(const desktoptest::FakePrompter& p) {
  std::vector<QString> out;
  for (auto& c : p.Calls())
    if (c.kind == "message") out.push_back(c.text);
  return out;
}

struct Fixture : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    ASSERT_TRUE(zktest::LoadToolkit("zk5cipher"));  // the quality gauge's password object
    texts = new desktoptest::FakeTextRes();
    keys = new desktoptest::FakeKeyStorage();
  }
  void TearDown() override {
    keys->Release();
    texts->Release();
  }
  desktoptest::FakeTextRes* texts;
  desktoptest::FakeKeyStorage* keys;
  desktoptest::FakePrompter prompter;
};

using KeyStorageWindow = Fixture;

QStringList Row(QTreeWidget* t, int i) {
  auto* r = t->topLevelItem(i);
  return {r->text(0), r->text(1), r->text(2)};
}

TEST_F(KeyStorageWindow, RowsOfBothLists) {
  kiv::TFormKeyStorage form(texts, keys);
  EXPECT_EQ(form.windowTitle(), "T1700");
  ASSERT_EQ(form.ListViewKeys->topLevelItemCount(), 2);
  EXPECT_EQ(Row(form.ListViewKeys, 0),
            QStringList({"Anna Berg, Norway, Bergen", "11 T1119 2026T1120, 09:08:07", "1 024"}));
  EXPECT_EQ(Row(form.ListViewKeys, 1),
            QStringList({"Carl Dahl, Sweden, Lund", "03 T1108 2025T1120, 09:08:07", "2 048"}));
  EXPECT_TRUE(form.tlbGenerateKey->isEnabled());
  form.SelectList(1);
  ASSERT_EQ(form.ListViewKeys->topLevelItemCount(), 1);
  EXPECT_EQ(Row(form.ListViewKeys, 0),
            QStringList({"Eva Falk, Denmark, Aarhus", "30 T1113 2024T1120, 09:08:07", "4 096"}));
  EXPECT_FALSE(form.tlbGenerateKey->isEnabled());
  EXPECT_FALSE(form.tlbSavePublicKey->isEnabled());
  EXPECT_FALSE(form.tlbSavePublicPGP->isEnabled());
}

TEST_F(KeyStorageWindow, CommandsOnAKeyDoNothingWithoutASelection) {
  kiv::TFormKeyStorage form(texts, keys);
  prompter.AnswerPath("/tmp/never.kvk");
  for (auto cmd : {&kiv::TFormKeyStorage::mnSavePrivateKeyClick, &kiv::TFormKeyStorage::mnSavePublicCompClick,
                   &kiv::TFormKeyStorage::mnPrivateExportPGPClick,
                   &kiv::TFormKeyStorage::mnPrivateExportPubPGPClick,
                   &kiv::TFormKeyStorage::mnDeletePrivateKeyClick, &kiv::TFormKeyStorage::tlbSaveKeyClick,
                   &kiv::TFormKeyStorage::tlbSavePGPClick})
    (form.*cmd)();
  form.SelectList(1);
  for (auto cmd : {&kiv::TFormKeyStorage::mnSavePublicKeyClick,
                   &kiv::TFormKeyStorage::mnPublicKeysExportToPGPClick,
                   &kiv::TFormKeyStorage::mnDeletePublicKeyClick})
    (form.*cmd)();
  EXPECT_TRUE(keys->calls.empty());
  EXPECT_TRUE(prompter.Calls().empty());
  EXPECT_EQ(keys->saves, 0);
}

TEST_F(KeyStorageWindow, LoadingAKeyPairAsksItsPasswordAndACancelImportsNothing) {
  kiv::TFormKeyStorage form(texts, keys);
  prompter.AnswerPath("/tmp/pair.kvk");
  OnDialog<kiv::TFormInputPass>([](kiv::TFormInputPass* d) {
    EXPECT_EQ(d->windowTitle(), "T1778");
    d->LabeledEditPass->setText("secret");
    d->BitBtnCancel->click();
  });
  form.mnLoadPrivateKeyClick();
  EXPECT_TRUE(keys->calls.empty());
  EXPECT_EQ(keys->saves, 0);

  prompter.AnswerPath("/tmp/pair.kvk");
  OnDialog<kiv::TFormInputPass>([](kiv::TFormInputPass* d) {
    d->LabeledEditPass->setText("secret");
    Key(d->LabeledEditPass, Qt::Key_Return);
  });
  form.mnLoadPrivateKeyClick();
  EXPECT_EQ(keys->calls, std::vector<std::string>({"import /tmp/pair.kvk secret"}));
  EXPECT_EQ(keys->saves, 1);
  EXPECT_EQ(Texts(prompter).back(), "T1726");

  // A public key file is loaded without a password; a failure says so.
  keys->calls.clear();
  keys->importResult = -14;
  form.SelectList(1);
  prompter.AnswerPath("/tmp/public.kvk");
  form.tlbOpenKeyFileClick();
  EXPECT_EQ(keys->calls, std::vector<std::string>({"import /tmp/public.kvk "}));
  EXPECT_EQ(keys->saves, 2);
  EXPECT_EQ(prompter.Calls().back().text, "T1727");
  EXPECT_EQ(prompter.Calls().back().icon, BoxIcon::kError);
}

TEST_F(KeyStorageWindow, PublicOpenPgpExportPassesItsListFlag) {
  kiv::TFormKeyStorage form(texts, keys);
  form.ListViewKeys->setCurrentItem(form.ListViewKeys->topLevelItem(1));
  prompter.AnswerPath("/tmp/pair-public");
  form.mnPrivateExportPubPGPClick();
  form.SelectList(1);
  form.ListViewKeys->setCurrentItem(form.ListViewKeys->topLevelItem(0));
  prompter.AnswerPath("/tmp/other.asc");
  form.tlbSavePGPClick();
  EXPECT_EQ(keys->calls, std::vector<std::string>({"pgp export public /tmp/pair-public.txt 1 1",
                                                   "pgp export public /tmp/other.asc 0 0"}));
  // OpenPGP export failures keep the information icon.
  keys->exportResult = -101;
  prompter.AnswerPath("/tmp/x.asc");
  form.mnPublicKeysExportToPGPClick();
  EXPECT_EQ(prompter.Calls().back().text, "T1723");
  EXPECT_EQ(prompter.Calls().back().icon, BoxIcon::kInformation);
}

TEST_F(KeyStorageWindow, KvkExportsOfTheSelectedKey) {
  kiv::TFormKeyStorage form(texts, keys);
  form.ListViewKeys->setCurrentItem(form.ListViewKeys->topLevelItem(1));
  prompter.AnswerPath("/tmp/carl");
  OnDialog<kiv::TFormNewPassword>([](kiv::TFormNewPassword* d) {
    EXPECT_EQ(d->windowTitle(), "T119");
    d->LabeledEditPass->setText("pw");
    d->LabeledEditConfirm->setText("pw");
    d->BitBtnAccept->click();
  });
  form.mnSavePrivateKeyClick();
  prompter.AnswerPath("/tmp/carl-public.kvk");
  form.mnSavePublicCompClick();
  keys->exportResult = -105;
  prompter.AnswerPath("/tmp/full.kvk");
  form.mnSavePublicCompClick();
  EXPECT_EQ(keys->calls, std::vector<std::string>({"export pair /tmp/carl.kvk pw 1",
                                                   "export part /tmp/carl-public.kvk 1",
                                                   "export part /tmp/full.kvk 1"}));
  EXPECT_EQ(Texts(prompter), std::vector<QString>({"T1722", "T1722", "T1723"}));
  EXPECT_EQ(prompter.Calls().back().icon, BoxIcon::kError);
  EXPECT_EQ(keys->saves, 0);  // exports change nothing
}

TEST_F(KeyStorageWindow, GenerateSavesAndAFailingSaveIsShown) {
  kiv::TFormKeyStorage form(texts, keys);
  auto fill = [](kiv::TFormRSAKeyParam* d) {
    d->LabeledEditName->setText("Ida");
    d->ComboBoxBits->setCurrentIndex(0);
    d->BitBtnAccept->click();
  };
  OnDialog<kiv::TFormRSAKeyParam>(fill);
  form.mnCreatePrivateKeyClick();
  EXPECT_EQ(keys->calls.back(), "generate Ida 512");
  EXPECT_EQ(keys->saves, 1);
  EXPECT_EQ(Texts(prompter), std::vector<QString>({"T1757"}));
  EXPECT_EQ(form.ListViewKeys->topLevelItemCount(), 3);

  // The key pair is made but cannot be stored: no success, the error.
  prompter.Clear();
  keys->saveResult = -105;
  OnDialog<kiv::TFormRSAKeyParam>(fill);
  form.mnCreatePrivateKeyClick();
  EXPECT_EQ(keys->saves, 2);
  ASSERT_EQ(Texts(prompter), std::vector<QString>({"T1906"}));
  EXPECT_EQ(prompter.Calls()[0].icon, BoxIcon::kError);
  EXPECT_EQ(prompter.Calls()[0].caption, "T1700");

  // The engine refuses: 1721 and no save.
  prompter.Clear();
  keys->generateResult = -2;
  OnDialog<kiv::TFormRSAKeyParam>(fill);
  form.mnCreatePrivateKeyClick();
  EXPECT_EQ(keys->saves, 2);
  EXPECT_EQ(Texts(prompter), std::vector<QString>({"T1721"}));

  // Cancelled: nothing runs.
  keys->calls.clear();
  OnDialog<kiv::TFormRSAKeyParam>([](kiv::TFormRSAKeyParam* d) { d->BitBtnCancel->click(); });
  form.mnCreatePrivateKeyClick();
  EXPECT_TRUE(keys->calls.empty());
}

TEST_F(KeyStorageWindow, DeleteAsksFirst) {
  kiv::TFormKeyStorage form(texts, keys);
  form.ListViewKeys->setCurrentItem(form.ListViewKeys->topLevelItem(0));
  prompter.AnswerBox(BoxAnswer::kNo);
  form.mnDeletePrivateKeyClick();
  EXPECT_TRUE(keys->calls.empty());
  EXPECT_EQ(form.ListViewKeys->topLevelItemCount(), 2);
  EXPECT_EQ(prompter.Calls().back().text, "T1729");
  form.ListViewKeys->setCurrentItem(form.ListViewKeys->topLevelItem(0));
  prompter.AnswerBox(BoxAnswer::kYes);
  form.mnDeletePrivateKeyClick();
  EXPECT_EQ(keys->calls, std::vector<std::string>({"delete pair 0"}));
  EXPECT_EQ(keys->saves, 1);
  ASSERT_EQ(form.ListViewKeys->topLevelItemCount(), 1);
  EXPECT_EQ(form.ListViewKeys->topLevelItem(0)->text(0), "Carl Dahl, Sweden, Lund");
  // A failing save after the delete is shown.
  keys->saveResult = -104;
  form.SelectList(1);
  form.ListViewKeys->setCurrentItem(form.ListViewKeys->topLevelItem(0));
  prompter.AnswerBox(BoxAnswer::kYes);
  form.mnDeletePublicKeyClick();
  EXPECT_EQ(Texts(prompter).back(), "T1905");
}

TEST_F(KeyStorageWindow, OpenPgpImport) {
  kiv::TFormKeyStorage form(texts, keys);
  // Without the OpenPGP component: the mapped message, nothing imported.
  keys->pgpInfoResult = -6;
  prompter.AnswerPath("/tmp/k.asc");
  form.tlbOpenPGPClick();
  EXPECT_EQ(Texts(prompter).back(), "T1771\n T901");
  EXPECT_EQ(keys->saves, 0);

  keys->pgpInfoResult = 0;
  keys->pgpIsPrivate = 0;
  prompter.AnswerPath("/tmp/k.asc");
  OnDialog<kiv::TFormPgpKeyInfo>([](kiv::TFormPgpKeyInfo* d) {
    EXPECT_EQ(d->LabelKeyType->text(), "T1773");
    EXPECT_EQ(d->EditUserId->text(), "Gina Holm <gina@example.org>");
    EXPECT_EQ(d->LabeledEditKeyBits->text(), "2048");
    EXPECT_EQ(d->LabeledEditCreateTime->text(), "14 T1110 2024T1120, 15:16:17");
    EXPECT_TRUE(d->EditPasswd->isHidden());
    d->EditPasswd->setText("ignored");
    d->LabeledEditName->setText("Gina");
    d->LabeledEditCity->setText("Oslo");
    d->BitBtnAccept->click();
  });
  form.mnPrivateImportPGPClick();
  EXPECT_EQ(keys->calls.back(), "pgp import /tmp/k.asc  Gina Oslo");
  EXPECT_EQ(keys->saves, 1);
  EXPECT_EQ(Texts(prompter).back(), "T1772");
}

TEST_F(KeyStorageWindow, ChangePassword) {
  kiv::TFormKeyStorage form(texts, keys);
  OnDialog<kiv::TFormNewPassword>([](kiv::TFormNewPassword* d) {
    EXPECT_EQ(d->windowTitle(), "T1715");
    d->LabeledEditPass->setText("new");
    d->LabeledEditConfirm->setText("new");
    Key(d->LabeledEditConfirm, Qt::Key_Return);
  });
  form.BitBtnChngPassClick();
  EXPECT_EQ(keys->calls, std::vector<std::string>({"password new"}));
  EXPECT_EQ(Texts(prompter), std::vector<QString>({"T1716"}));
}

// ---------------------------------------------------------------------------

using KeyDialogs = Fixture;

TEST_F(KeyDialogs, EnterAndEscape) {
  struct Case {
    const char* what;
    std::function<QDialog*()> make;
    std::function<QWidget*(QDialog*)> edit;
    int key;
    int expected;  // -1 still open, else the dialog's result
  };
  zk::ITextRes* t = texts;
  zk::PgpCalendarTime when{};
  auto newPass = [t] {
    auto* d = new kiv::TFormNewPassword("T", t);
    d->LabeledEditPass->setText("same");
    d->LabeledEditConfirm->setText("same");
    return d;
  };
  auto pass = [](QDialog* d) -> QWidget* { return static_cast<kiv::TFormNewPassword*>(d)->LabeledEditPass; };
  auto confirm = [](QDialog* d) -> QWidget* { return static_cast<kiv::TFormNewPassword*>(d)->LabeledEditConfirm; };
  auto input = [] { return new kiv::TFormInputPass("T"); };
  auto inputEdit = [](QDialog* d) -> QWidget* { return static_cast<kiv::TFormInputPass*>(d)->LabeledEditPass; };
  auto open = [t] { return new kiv::TFormOpenKeyStorage(t); };
  auto openEdit = [](QDialog* d) -> QWidget* { return static_cast<kiv::TFormOpenKeyStorage*>(d)->LabeledEditPasswd; };
  auto rsa = [t] { return new kiv::TFormRSAKeyParam(t); };
  auto rsaEdit = [](QDialog* d) -> QWidget* { return static_cast<kiv::TFormRSAKeyParam*>(d)->LabeledEditName; };
  auto pgp = [t, when] { return new kiv::TFormPgpKeyInfo(t, true, 1024, when, "u"); };
  auto pgpEdit = [](QDialog* d) -> QWidget* { return static_cast<kiv::TFormPgpKeyInfo*>(d)->EditPasswd; };
  const Case cases[] = {
      {"new password: Enter in the first edit", newPass, pass, Qt::Key_Return, -1},
      {"new password: Escape in the first edit", newPass, pass, Qt::Key_Escape, QDialog::Rejected},
      {"new password: Enter in the confirmation", newPass, confirm, Qt::Key_Return, QDialog::Accepted},
      {"new password: Escape in the confirmation", newPass, confirm, Qt::Key_Escape, QDialog::Rejected},
      {"input password: Enter", input, inputEdit, Qt::Key_Return, QDialog::Accepted},
      {"input password: Escape", input, inputEdit, Qt::Key_Escape, QDialog::Rejected},
      {"open storage: Enter", open, openEdit, Qt::Key_Return, QDialog::Accepted},
      {"open storage: Escape", open, openEdit, Qt::Key_Escape, QDialog::Rejected},
      {"key parameters: Escape", rsa, rsaEdit, Qt::Key_Escape, QDialog::Rejected},
      {"OpenPGP key: Escape", pgp, pgpEdit, Qt::Key_Escape, QDialog::Rejected},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QDialog* d = c.make();
    d->setResult(-1);
    d->show();
    desktoptest::Drain();
    Key(c.edit(d), c.key);
    desktoptest::Drain();
    if (c.expected == -1) {
      EXPECT_TRUE(d->isVisible());
    } else {
      EXPECT_FALSE(d->isVisible());
      EXPECT_EQ(d->result(), c.expected);
    }
    delete d;
  }
  EXPECT_TRUE(prompter.Calls().empty());
}

TEST_F(KeyDialogs, NewPasswordMismatchStaysOpen) {
  kiv::TFormNewPassword d("T", texts);
  d.show();
  d.LabeledEditPass->setText("one");
  d.LabeledEditConfirm->setText("two");
  Key(d.LabeledEditConfirm, Qt::Key_Return);
  EXPECT_TRUE(d.isVisible());
  ASSERT_EQ(Texts(prompter), std::vector<QString>({"T611"}));
  EXPECT_EQ(prompter.Calls()[0].icon, BoxIcon::kError);
  EXPECT_EQ(d.LabeledEditConfirm->text(), "two");
  EXPECT_EQ(d.LabeledEditPass->maxLength(), 32767);  // the limit counts bytes, see LimitToBytes
}

TEST_F(KeyDialogs, KeyParametersDefaultTo2048BitsAndCutNamesAt32Bytes) {
  kiv::TFormRSAKeyParam d(texts);
  EXPECT_EQ(d.Bits(), 2048);
  QStringList sizes;
  for (int i = 0; i < d.ComboBoxBits->count(); ++i) sizes << d.ComboBoxBits->itemText(i);
  EXPECT_EQ(sizes, QStringList({"512", "1024", "2048", "4096"}));
  zk::KeyOwner o{};
  // 31 ASCII bytes and a two-byte letter: the letter does not fit.
  d.LabeledEditName->setText(QString(31, 'a') + QString::fromUtf8("\xc3\xa9"));
  d.ReadOwner(o);
  EXPECT_EQ(std::string(o.name), std::string(31, 'a'));
  EXPECT_EQ(o.name[32], 0);
}

TEST_F(KeyDialogs, PublicOpenPgpKeyHasNoPassword) {
  zk::PgpCalendarTime when{2020, 1, 0, 2, 3, 4, 5, 0};
  kiv::TFormPgpKeyInfo pub(texts, false, 1024, when, "u");
  pub.show();
  EXPECT_FALSE(pub.EditPasswd->isVisible());
  EXPECT_FALSE(pub.LabelPassPrompt->isVisible());
  EXPECT_FALSE(pub.sbGenPass->isVisible());
  pub.EditPasswd->setText("typed");
  zk::KeyOwner o{};
  std::string password = "x";
  pub.Read(o, password);
  EXPECT_EQ(password, "");
  kiv::TFormPgpKeyInfo priv(texts, true, 1024, when, "u");
  priv.show();
  EXPECT_TRUE(priv.EditPasswd->isVisible());
  EXPECT_EQ(priv.LabelKeyType->text(), "T1774");
  priv.EditPasswd->setText("typed");
  priv.Read(o, password);
  EXPECT_EQ(password, "typed");
}

// ---------------------------------------------------------------------------

using Signatures = Fixture;

TEST_F(Signatures, NameProposal) {
  const std::pair<const char*, const char*> rows[] = {
      {"/data/report.final.txt", "/data/report.kvg"},
      {"/data/noext", "/data/noext.kvg"},
      {"/data/.hidden", "/data/.hidden.kvg"},
      {"/data/.hidden.txt", "/data/.hidden.txt.kvg"},
      {"/data/dir.with.dots/a.b", "/data/dir.with.dots/a.kvg"},
  };
  for (auto [file, sig] : rows) EXPECT_EQ(kiv::ProposeSignatureName(file), sig) << file;
}

TEST_F(Signatures, CreateFillsListsAndSigns) {
  kiv::TFormSignCreate form(texts, keys);
  ASSERT_EQ(form.ComboBoxPrivKeys->count(), 2);
  EXPECT_EQ(form.ComboBoxPrivKeys->itemText(1), "Carl Dahl, Sweden, Lund");
  EXPECT_EQ(form.ComboBoxPrivKeys->currentIndex(), 0);
  QStringList hashes;
  for (int i = 0; i < 4; ++i) hashes << form.ComboBoxHash->itemText(i);
  EXPECT_EQ(hashes, QStringList({"MD5", "SHA", "SHA 256", "T609"}));
  EXPECT_EQ(form.ComboBoxHash->currentIndex(), 1);
  prompter.AnswerPath("/tmp/report.final.txt");
  form.SpeedButtonFileSelectClick();
  EXPECT_EQ(form.LabeledEditFileSign->text(), "/tmp/report.kvg");
  form.ComboBoxPrivKeys->setCurrentIndex(1);
  form.BitBtnCreateClick();
  EXPECT_EQ(keys->sign->calls, std::vector<std::string>({"sign /tmp/report.final.txt /tmp/report.kvg 1 2"}));
  EXPECT_EQ(Texts(prompter), std::vector<QString>({"T1742"}));
  keys->sign->signResult = -101;
  form.BitBtnCreateClick();
  EXPECT_EQ(Texts(prompter).back(), "T1735\n T908");
  EXPECT_EQ(keys->sign->GetRefCount(), 1);  // each use released
}

TEST_F(Signatures, CreateWithoutKeyPairs) {
  keys->pairs.clear();
  kiv::TFormSignCreate form(texts, keys);
  EXPECT_EQ(form.ComboBoxPrivKeys->count(), 0);
  form.BitBtnCreateClick();
  ASSERT_EQ(Texts(prompter), std::vector<QString>({"T1740"}));
  EXPECT_EQ(prompter.Calls()[0].caption, "T1735");
  EXPECT_TRUE(keys->sign->calls.empty());
}

TEST_F(Signatures, CheckReadsTheSignature) {
  {
    // Cancelling the first dialog: the window closes, no box.
    kiv::TFormCheckSign form(texts, keys);
    EXPECT_FALSE(form.Start());
    EXPECT_EQ(prompter.Calls().size(), 1u);  // the open dialog only
    EXPECT_TRUE(Texts(prompter).empty());
  }
  {
    keys->sign->readResult = -6;
    kiv::TFormCheckSign form(texts, keys);
    prompter.AnswerPath("/tmp/s.kvg");
    EXPECT_FALSE(form.Start());
    ASSERT_EQ(Texts(prompter), std::vector<QString>({"T1754"}));
    EXPECT_EQ(prompter.Calls().back().caption, "T1743");
  }
  {
    keys->sign->readResult = -22;
    kiv::TFormCheckSign form(texts, keys);
    prompter.AnswerPath("/tmp/s.kvg");
    EXPECT_FALSE(form.Start());
    EXPECT_EQ(Texts(prompter).back(), "T1743: \n T907");
  }
  keys->sign->readResult = 0;
  keys->sign->signerIsPair = 0;
  kiv::TFormCheckSign form(texts, keys);
  prompter.AnswerPath("/tmp/s.kvg");
  ASSERT_TRUE(form.Start());
  std::vector<std::pair<QString, QString>> rows;
  for (int i = 0; i < form.ListViewSign->topLevelItemCount(); ++i)
    rows.push_back({form.ListViewSign->topLevelItem(i)->text(0), form.ListViewSign->topLevelItem(i)->text(1)});
  EXPECT_EQ(rows, (std::vector<std::pair<QString, QString>>{
                      {"T1745", "/tmp/s.kvg"},
                      {"T1746", "report.final.txt"},
                      {"T1747", "02 T1108 2026T1120, 03:04:05"},
                      {"T1703", "Eva Falk"},
                      {"", "Denmark, Aarhus"},
                      {"T1107", "SHA 256"}}));
}

TEST_F(Signatures, CheckComposesTheVerdict) {
  kiv::TFormCheckSign form(texts, keys);
  prompter.AnswerPath("/tmp/s.kvg");
  ASSERT_TRUE(form.Start());
  const std::pair<StatusCode, QString> rows[] = {
      {0, "T1752"}, {-402, "T1753"}, {-101, "T1753"}, {-14, "T1753"}};
  for (auto [code, last] : rows) {
    SCOPED_TRACE(code);
    keys->sign->verifyResult = code;
    prompter.Clear();
    prompter.AnswerPath("/tmp/report.final.txt");
    form.BitBtnCheckClick();
    ASSERT_EQ(prompter.Calls().size(), 2u);
    EXPECT_EQ(prompter.Calls()[0].text, "/tmp/report.final.txt");  // preset to the signed name
    EXPECT_EQ(prompter.Calls()[1].text, "T1750 </tmp/s.kvg>\nT1751 </tmp/report.final.txt>\n" + last);
    EXPECT_EQ(prompter.Calls()[1].icon, code == 0 ? BoxIcon::kInformation : BoxIcon::kError);
  }
}

}  // namespace

namespace {

zk::KeyOwner Owner(const char* name, const char* second, const char* country, const char* city) {
  zk::KeyOwner o{};
  kiv::SetOwnerField(o.name, name);
  kiv::SetOwnerField(o.secondName, second);
  kiv::SetOwnerField(o.country, country);
  kiv::SetOwnerField(o.city, city);
  return o;
}

TEST(KeyOwnerText, EmptyFieldsAreNotJoined) {
  const struct {
    zk::KeyOwner owner;
    const char* caption;
    const char* person;
    const char* place;
  } cases[] = {
      {Owner("Anna", "Berg", "Norway", "Bergen"), "Anna Berg, Norway, Bergen", "Anna Berg", "Norway, Bergen"},
      {Owner("Alice", "Test", "", ""), "Alice Test", "Alice Test", ""},
      {Owner("Alice", "", "", "Oslo"), "Alice, Oslo", "Alice", "Oslo"},
      {Owner("", "", "Chile", ""), "Chile", "", "Chile"},
      {Owner(" ", "", "", ""), "", "", ""},
      {Owner("", "", "", ""), "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_EQ(kiv::OwnerCaption(c.owner), c.caption);
    EXPECT_EQ(kiv::OwnerPersonName(c.owner), c.person);
    EXPECT_EQ(kiv::OwnerPlace(c.owner), c.place);
  }
}

TEST(FileFilters, ACaptionThatNamesItsPatternIsNotDoubled) {
  const std::pair<const char*, const char*> cases[] = {
      {"All (*.*)|*", "All (*)"},
      {"All files|*", "All files (*)"},
      {"Kivora Key|*.kvk", "Kivora Key (*.kvk)"},
      {"Kivora Key (*.kvk)|*.kvk|All (*.*)|*", "Kivora Key (*.kvk);;All (*)"},
      {"Text|*.txt;*.log", "Text (*.txt *.log)"},
  };
  for (auto [in, out] : cases) EXPECT_EQ(kiv::QtFilter(in), out) << in;
}

}  // namespace

namespace {

// Every password dialog's generator button opens the password generator.
TEST_F(KeyDialogs, EveryGeneratorButtonOpensTheGenerator) {
  std::vector<QWidget*> opened;
  kiv::SetPasswordGenerator([&](QWidget* owner) { opened.push_back(owner); });
  const zk::PgpCalendarTime when{};
  std::vector<std::unique_ptr<QDialog>> dialogs;
  dialogs.emplace_back(new kiv::TFormSetKeyStoragePass(texts));
  dialogs.emplace_back(new kiv::TFormOpenKeyStorage(texts));
  dialogs.emplace_back(new kiv::TFormNewPassword("T119", texts));
  dialogs.emplace_back(new kiv::TFormInputPass("T1778"));
  dialogs.emplace_back(new kiv::TFormPgpKeyInfo(texts, true, 1024, when, "u"));
  for (const auto& d : dialogs) {
    SCOPED_TRACE(d->objectName().toStdString());
    auto* button = d->findChild<QToolButton*>("sbGenPass");
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isEnabled());
    const size_t before = opened.size();
    button->click();
    ASSERT_EQ(opened.size(), before + 1);
    EXPECT_EQ(opened.back(), d.get());
  }
  kiv::SetPasswordGenerator(nullptr);
}

}  // namespace

namespace {

// The set-password window shows its whole title and its explanation
// wrapped, without scrolling.
TEST_F(KeyDialogs, SetStoragePasswordFitsItsTexts) {
  texts->given[1602] = "Set key storage password";
  texts->given[1600] = QString("The key storage keeps your keys in one encrypted file. ").repeated(4).trimmed().toStdString();
  kiv::TFormSetKeyStoragePass d(texts);
  d.show();
  desktoptest::Drain();
  EXPECT_TRUE(d.MemoComment->wordWrap());
  EXPECT_FALSE(d.MemoComment->text().contains('\n'));
  EXPECT_GE(d.width(), d.fontMetrics().horizontalAdvance(d.windowTitle()) + 100);
  EXPECT_GE(d.MemoComment->height(), d.MemoComment->heightForWidth(d.MemoComment->width()));
}

}  // namespace
