// CommonUnit: both code-to-text tables row by row, the number and date
// formats on the fixture language (id N reads "T<N>"), the error boxes, and
// opening the key storage through its two password dialogs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "desktop/CommonUnit.h"
#include "desktop/OpenKeyStorageUnit.h"
#include "desktop/SetKeyStoragePassUnit.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/FakeEngine.h"
#include "desktop/testing/FakePrompter.h"
#include "tests/support/StagingFolderTestSupport.h"
#include "tests/support/ZkTestSupport.h"
#include "zk5Status.h"

namespace {

using kiv::BoxIcon;

struct Fixture : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    texts = new desktoptest::FakeTextRes();
  }
  void TearDown() override { texts->Release(); }
  desktoptest::FakeTextRes* texts;
  desktoptest::FakePrompter prompter;
};

using CommonUnit = Fixture;

TEST_F(CommonUnit, ToolkitErrorTable) {
  const std::pair<StatusCode, int32_t> rows[] = {
      {-4, 900},   {-6, 901},   {-7, 902},   {-13, 903},  {-19, 903},  {-14, 904},
      {-15, 905},  {-18, 906},  {-22, 907},  {-101, 908}, {-103, 909}, {-104, 910},
      {-105, 911}, {-402, 912}, {-10, 914},  {-1, 999},   {-2, 999},   {-5, 999},
      {-102, 999}, {-106, 999}, {-401, 999}, {7, 999},
  };
  for (auto [code, id] : rows) {
    SCOPED_TRACE(code);
    prompter.Clear();
    EXPECT_FALSE(kiv::ShowToolkitError(nullptr, texts, code, "Saving"));
    ASSERT_EQ(prompter.Calls().size(), 1u);
    EXPECT_EQ(prompter.Calls()[0].text, "Saving\n T" + QString::number(id));
    EXPECT_EQ(prompter.Calls()[0].caption, "Kivora 1.01");
    EXPECT_EQ(prompter.Calls()[0].icon, BoxIcon::kError);
  }
  prompter.Clear();
  EXPECT_TRUE(kiv::ShowToolkitError(nullptr, texts, 0, "Saving"));
  EXPECT_TRUE(prompter.Calls().empty());
}

TEST_F(CommonUnit, KeyStorageErrorTable) {
  // The storage's own codes: the text alone under the given caption.
  const std::pair<StatusCode, int32_t> own[] = {{-14, 1900}, {-103, 1900}, {-15, 1901},
                                                {-18, 1902}, {-22, 1903},  {-101, 1904},
                                                {-104, 1905}, {-105, 1906}};
  for (auto [code, id] : own) {
    SCOPED_TRACE(code);
    prompter.Clear();
    EXPECT_FALSE(kiv::ShowKeyStorageError(nullptr, texts, code, "Keys"));
    ASSERT_EQ(prompter.Calls().size(), 1u);
    EXPECT_EQ(prompter.Calls()[0].text, "T" + QString::number(id));
    EXPECT_EQ(prompter.Calls()[0].caption, "Keys");
  }
  // Every other code as a toolkit error, the caption as its prefix.
  const std::pair<StatusCode, int32_t> other[] = {{-4, 900}, {-19, 903}, {-402, 912}, {-3, 999}};
  for (auto [code, id] : other) {
    SCOPED_TRACE(code);
    prompter.Clear();
    EXPECT_FALSE(kiv::ShowKeyStorageError(nullptr, texts, code, "Keys"));
    ASSERT_EQ(prompter.Calls().size(), 1u);
    EXPECT_EQ(prompter.Calls()[0].text, "Keys\n T" + QString::number(id));
    EXPECT_EQ(prompter.Calls()[0].caption, "Kivora 1.01");
  }
  EXPECT_TRUE(kiv::ShowKeyStorageError(nullptr, texts, 0, "Keys"));
}

TEST_F(CommonUnit, MissingTextShowsEmptyButTheBoxStillShows) {
  texts->missing = {999};
  EXPECT_EQ(kiv::GetResText(texts, 999), "");
  EXPECT_EQ(kiv::GetResText(texts, 5), "T5");
  EXPECT_EQ(kiv::GetResText(nullptr, 5), "");
  EXPECT_FALSE(kiv::ShowToolkitError(nullptr, texts, -1, "P"));
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].text, "P\n ");
}

// kCannotOpen while the staging folder is refused names that folder and
// the reason instead of text 908; once the folder is usable, 908 again.
TEST_F(CommonUnit, RefusedStagingFolderIsNamed) {
  zktest::TempDir dir;
  zktest::StagingFolderScope scope(dir);
  const std::string &elsewhere = scope.elsewhere, &staging = scope.staging;
  auto shown = [&] {
    prompter.Clear();
    EXPECT_FALSE(kiv::ShowToolkitError(nullptr, texts, zk::kCannotOpen, QString()));
    return prompter.Calls().empty() ? QString() : prompter.Calls()[0].text;
  };
  const QString named = "\n T920\n " + QString::fromStdString(staging) + "\n ";
  ASSERT_EQ(symlink(elsewhere.c_str(), staging.c_str()), 0);
  EXPECT_EQ(shown(), named + "T921");
  ASSERT_EQ(unlink(staging.c_str()), 0);
  zktest::WriteFile(staging, {'x'});
  EXPECT_EQ(shown(), named + "T923");
  ASSERT_EQ(unlink(staging.c_str()), 0);
  if (getuid() == 0) {
    ASSERT_EQ(mkdir(staging.c_str(), 0700), 0);
    ASSERT_EQ(chown(staging.c_str(), 4321, 4321), 0);
    EXPECT_EQ(shown(), named + "T922");
    ASSERT_EQ(rmdir(staging.c_str()), 0);
  }
  EXPECT_EQ(shown(), "\n T908");  // missing: made when it is needed
  ASSERT_EQ(mkdir(staging.c_str(), 0700), 0);
  EXPECT_EQ(shown(), "\n T908");
}

TEST(Formats, GroupedNumber) {
  const std::pair<int64_t, const char*> rows[] = {
      {0, "0"},           {1, "1"},         {999, "999"},           {1000, "1 000"},
      {12345, "12 345"},  {100000, "100 000"}, {1234567, "1 234 567"},
      {-1, ""},           {-1234, ""},
      {INT64_MAX, "9 223 372 036 854 775 807"},
  };
  for (auto [v, s] : rows) EXPECT_EQ(kiv::FormatGroupedNumber(v), s) << v;
}

// A menu text as a title: mnemonic marks and a trailing ellipsis go, a
// doubled "&" stays one.
TEST(Formats, PlainMenuText) {
  const std::pair<const char*, const char*> cases[] = {
      {"&Get file...", "Get file"}, {"&Contents", "Contents"}, {"E&xit", "Exit"},
      {"Salt && Pepper", "Salt & Pepper"}, {"Plain", "Plain"}, {"", ""},
      {"Trailing &", "Trailing"}, {"P&roperties\xe2\x80\xa6", "Properties"}, {"&&&Both", "&Both"},
  };
  for (auto [in, out] : cases) {
    const QString text = QString::fromUtf8(in);
    EXPECT_EQ(kiv::PlainMenuText(text), QString::fromUtf8(out)) << in;
  }
}

TEST(Formats, TwoDigits) {
  EXPECT_EQ(kiv::TwoDigits(0), "00");
  EXPECT_EQ(kiv::TwoDigits(9), "09");
  EXPECT_EQ(kiv::TwoDigits(10), "10");
  EXPECT_EQ(kiv::TwoDigits(59), "59");
}

TEST_F(CommonUnit, DateOverAllTwelveMonths) {
  for (int32_t month = 0; month < 12; ++month) {
    zk::CalendarTime t{126, month, 3, 7, 5, 9};
    EXPECT_EQ(kiv::FormatTmDateTime(texts, t),
              "03 T" + QString::number(1108 + month) + " 2026T1120, 07:05:09");
  }
  zk::CalendarTime t{99, 11, 31, 23, 59, 58};
  EXPECT_EQ(kiv::FormatTmDateTime(texts, t), "31 T1119 1999T1120, 23:59:58");
  // The 16-bit record carries the year as written and counts months from 1:
  // April reads the same month name as the calendar record's 3.
  zk::PgpCalendarTime s{2026, 4, 0, 17, 12, 0, 1, 0};
  EXPECT_EQ(kiv::FormatSystemDateTime(texts, s), "17 T1111 2026T1120, 12:00:01");
  zk::PgpCalendarTime dec{2026, 12, 0, 1, 0, 0, 0, 0};
  EXPECT_EQ(kiv::FormatSystemDateTime(texts, dec), "01 T1119 2026T1120, 00:00:00");
}

TEST(Formats, QualityGaugeColours) {
  const std::pair<int, QColor> rows[] = {
      {0, QColor(0xff, 0, 0)},    {4, QColor(0xff, 0, 0)},    {5, QColor(0xb0, 0, 0)},
      {14, QColor(0xb0, 0, 0)},   {15, QColor(0xff, 0xff, 0)}, {29, QColor(0xff, 0xff, 0)},
      {30, QColor(0xe0, 0xe0, 0)}, {49, QColor(0xe0, 0xe0, 0)}, {50, QColor(0, 0xff, 0)},
      {74, QColor(0, 0xff, 0)},   {75, QColor(0, 0xb0, 0)},   {100, QColor(0, 0xb0, 0)},
  };
  for (auto [q, c] : rows) EXPECT_EQ(kiv::QualityGaugeColour(q), c) << q;
}

// Runs f on the modal dialog once it shows.
template <class Form>
void OnDialog(std::function<void(Form*)> f) {
  QTimer::singleShot(0, [f] {
    auto* form = qobject_cast<Form*>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr);
    f(form);
  });
}

struct KeyStorage : Fixture {
  void SetUp() override {
    Fixture::SetUp();
    ASSERT_TRUE(zktest::LoadToolkit("zk5cipher"));  // cipher.SetPassword for the gauge
    driver = new desktoptest::FakeDriver();
    driver->Start();
  }
  void TearDown() override {
    if (keys) keys->Release();
    driver->Release();
    Fixture::TearDown();
  }
  desktoptest::FakeDriver* driver;
  zk::IKeysCtrl* keys = nullptr;
};

TEST_F(KeyStorage, ExistingStorageAsksItsPasswordOnceOnly) {
  OnDialog<kiv::TFormOpenKeyStorage>([](kiv::TFormOpenKeyStorage* f) {
    EXPECT_EQ(f->windowTitle(), "T1601");
    EXPECT_EQ(f->LabeledEditPasswd->echoMode(), QLineEdit::Password);
    f->LabeledEditPasswd->setText("p\xc3\xa4ss");
    f->BitBtnApply->click();
  });
  EXPECT_TRUE(kiv::OpenKeyStorage(nullptr, texts, driver, keys));
  EXPECT_EQ(keys, driver->keys);
  EXPECT_EQ(driver->keys->opened, (std::vector<std::string>{"p\xc3\xa4ss"}));
  // A second key tool asks for no password.
  EXPECT_TRUE(kiv::OpenKeyStorage(nullptr, texts, driver, keys));
  EXPECT_EQ(driver->keysHandedOut, 1);
  EXPECT_EQ(driver->keys->opened.size(), 1u);
}

TEST_F(KeyStorage, WrongPasswordShowsTheErrorAndLeavesItClosed) {
  driver->keys->openResult = -15;
  OnDialog<kiv::TFormOpenKeyStorage>([](kiv::TFormOpenKeyStorage* f) {
    f->LabeledEditPasswd->setText("wrong");
    f->BitBtnApply->click();
  });
  EXPECT_FALSE(kiv::OpenKeyStorage(nullptr, texts, driver, keys));
  EXPECT_EQ(keys, nullptr);
  ASSERT_EQ(prompter.Calls().size(), 1u);
  EXPECT_EQ(prompter.Calls()[0].text, "T1601: \n T905");
  EXPECT_EQ(driver->keys->GetRefCount(), 1);  // released again
}

TEST_F(KeyStorage, CancelOpensNothing) {
  OnDialog<kiv::TFormOpenKeyStorage>([](kiv::TFormOpenKeyStorage* f) { f->BitBtnCancel->click(); });
  EXPECT_FALSE(kiv::OpenKeyStorage(nullptr, texts, driver, keys));
  EXPECT_TRUE(driver->keys->opened.empty());
  EXPECT_EQ(driver->keys->GetRefCount(), 1);
}

TEST_F(KeyStorage, NewStorageRefusesMismatchAndEmptyPasswords) {
  driver->keys->exists = false;
  OnDialog<kiv::TFormSetKeyStoragePass>([this](kiv::TFormSetKeyStoragePass* f) {
    EXPECT_EQ(f->windowTitle(), "T1602");
    // Both empty: refused with its own text (the engine would refuse it).
    f->BitBtnApply->click();
    // Different: text 611, the edits keep their content.
    f->LabeledEditPasswd->setText("one");
    f->LabeledEditConfirm->setText("two");
    f->BitBtnApply->click();
    EXPECT_EQ(f->LabeledEditConfirm->text(), "two");
    EXPECT_TRUE(f->isVisible());
    ASSERT_EQ(prompter.Calls().size(), 2u);
    EXPECT_EQ(prompter.Calls()[0].text, "T616");
    EXPECT_EQ(prompter.Calls()[1].text, "T611");
    EXPECT_EQ(prompter.Calls()[1].caption, "T1602");
    // Enter in the confirmation edit accepts matching ones.
    f->LabeledEditConfirm->setText("one");
    emit f->LabeledEditConfirm->returnPressed();
  });
  EXPECT_TRUE(kiv::OpenKeyStorage(nullptr, texts, driver, keys));
  EXPECT_EQ(driver->keys->opened, (std::vector<std::string>{"one"}));
}

TEST_F(KeyStorage, PasswordEditsHoldFiftySixBytes) {
  kiv::TFormOpenKeyStorage f(texts);
  // textEdited comes from typing; the limit keeps whole characters.
  QString s(60, 'a');
  f.LabeledEditPasswd->setText(s);
  emit f.LabeledEditPasswd->textEdited(f.LabeledEditPasswd->text());
  EXPECT_EQ(f.LabeledEditPasswd->text().toUtf8().size(), 56);
  QString wide = QString::fromUtf8("\xc3\xa4").repeated(30);  // 60 bytes
  f.LabeledEditPasswd->setText(wide);
  emit f.LabeledEditPasswd->textEdited(wide);
  EXPECT_EQ(f.LabeledEditPasswd->text().toUtf8().size(), 56);
  EXPECT_EQ(f.LabeledEditPasswd->text().size(), 28);
}

}  // namespace
