#include "desktop/CommonUnit.h"

#include <algorithm>

#include <QApplication>
#include <QFontMetrics>
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QWidget>

#include "ToolkitObject.h"
#include "desktop/OpenKeyStorageUnit.h"
#include "desktop/SetKeyStoragePassUnit.h"
#include "desktop/ProgressUnit.h"
#include "desktop/Prompter.h"
#include "desktop/TextIds.h"
#include "desktop/WaitHourglassUnit.h"
#include "desktop/zk5Base.hpp"
#include "Wipe.h"
#include "desktop/StagingFolderUnit.h"
#include "kvMessageSocket.h"

namespace kiv {

namespace {

zk::ISafeDriverApp* g_driver = nullptr;
zk::ITextRes* g_texts = nullptr;
zk::IAppParam* g_params = nullptr;

// The box of an error, with the wait and progress windows out of its way.
void ErrorBox(QWidget* owner, const QString& caption, const QString& text) {
  WaitHide();
  ProgressHide();
  CurrentPrompter().Message(owner, caption, text, BoxIcon::kError, BoxButtons::kOk);
  WaitShowAgain();
  ProgressShowAgain();
}

}  // namespace

void PublishProgramObjects(zk::ISafeDriverApp* driver, zk::ITextRes* texts, zk::IAppParam* params) {
  g_driver = driver;
  g_texts = texts;
  g_params = params;
}
zk::ISafeDriverApp* ProgramDriver() { return g_driver; }
zk::ITextRes* ProgramTexts() { return g_texts; }
zk::IAppParam* ProgramParams() { return g_params; }

QString GetResText(zk::ITextRes* texts, int32_t id) {
  if (!texts) return {};
  HeldString s;
  StatusCode r = texts->GetText(id, &s);
  QString text = (r == 0 && s) ? s.Text() : QString();
  return text;
}

QString PlainMenuText(const QString& menuText) {
  QString out;
  out.reserve(menuText.size());
  for (qsizetype i = 0; i < menuText.size(); ++i) {
    if (menuText[i] == '&') {
      if (i + 1 < menuText.size() && menuText[i + 1] == '&') out += '&';
      else continue;
      ++i;
      continue;
    }
    out += menuText[i];
  }
  if (out.endsWith("...")) out.chop(3);
  else if (out.endsWith(QChar(0x2026))) out.chop(1);
  return out.trimmed();
}

QString FormatGroupedNumber(int64_t value) {
  if (value < 0) return {};
  QString digits = QString::number(value);
  QString out;
  for (qsizetype i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
    out += digits[i];
  }
  return out;
}

QString TwoDigits(int32_t value) {
  return value < 10 ? "0" + QString::number(value) : QString::number(value);
}

QString FormatDateTime(zk::ITextRes* texts, int32_t yearShown, int32_t month, int32_t day,
                       int32_t hour, int32_t minute, int32_t second) {
  return TwoDigits(day) + " " + GetResText(texts, txt::kMonthFirst + month) + " " +
         QString::number(yearShown) + GetResText(texts, txt::kYearSuffix) + ", " +
         TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second);
}

QString FormatTmDateTime(zk::ITextRes* texts, const zk::CalendarTime& t) {
  return FormatDateTime(texts, t.year + 1900, t.month, t.day, t.hour, t.minute, t.second);
}

QString FormatSystemDateTime(zk::ITextRes* texts, const zk::PgpCalendarTime& t) {
  // Its months count from 1; the month names are those of months 0-11.
  return FormatDateTime(texts, t.year, int32_t(t.month) - 1, t.day, t.hour, t.minute, t.second);
}

int32_t ToolkitErrorTextId(StatusCode code) {
  switch (code) {
    case 0: return 0;
    case -4: return txt::kErrNoMemory;
    case -6: return txt::kErrNotFound;
    case -7: return txt::kErrNotAvailable;
    case -13:
    case -19: return txt::kErrAccessDenied;
    case -14: return txt::kErrBadFormat;
    case -15: return txt::kErrWrongPassword;
    case -18: return txt::kErrNewerVersion;
    case -22: return txt::kErrBadHeader;
    case -101: return txt::kErrCannotOpen;
    case -103: return txt::kErrTruncated;
    case -104: return txt::kErrCannotRead;
    case -105: return txt::kErrCannotWrite;
    case -402: return txt::kErrBadDigest;
    case -10: return txt::kErrAlreadyExists;
    default: return txt::kErrFailed;
  }
}

int32_t KeyStorageErrorTextId(StatusCode code) {
  switch (code) {
    case -14:
    case -103: return txt::kStorageDamaged;
    case -15: return txt::kFileTooLarge;
    case -18: return txt::kStorageNewerVersion;
    case -22: return txt::kStorageBadHeader;
    case -101: return txt::kCannotOpenFile;
    case -104: return txt::kReadFailed;
    case -105: return txt::kWriteFailed;
    default: return ToolkitErrorTextId(code);
  }
}

void ShowPasswordQuality(zk::IPassword* quality, const QString& password, QProgressBar* bar,
                         QLabel* percent, QWidget* panel) {
  QByteArray p = password.toUtf8();
  int q = int(quality->EstimateQuality(p.constData(), uint32_t(p.size()), kPasswordMaxBytes));
  zk::Wipe(p.data(), size_t(p.size()));
  q = qBound(0, q, 100);
  bar->setValue(q);
  percent->setText(QString::number(q) + "%");
  QPalette pal = panel->palette();
  pal.setColor(QPalette::Window, QualityGaugeColour(q));
  panel->setPalette(pal);
}

QColor QualityGaugeColour(int q) {
  if (q < 5) return QColor(0xff, 0, 0);
  if (q < 15) return QColor(0xb0, 0, 0);
  if (q < 30) return QColor(0xff, 0xff, 0);
  if (q < 50) return QColor(0xe0, 0xe0, 0);
  if (q < 75) return QColor(0, 0xff, 0);
  return QColor(0, 0xb0, 0);
}

void LimitToBytes(QLineEdit* edit, int maxBytes) {
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, maxBytes](const QString& text) {
    if (text.toUtf8().size() <= maxBytes) return;
    QString t = text;
    while (t.toUtf8().size() > maxBytes) t.chop(t.back().isLowSurrogate() ? 2 : 1);
    edit->setText(t);
  });
}

void MakePasswordEdit(QLineEdit* edit) {
  edit->setEchoMode(QLineEdit::Password);
  LimitToBytes(edit, kPasswordMaxBytes);
}

bool NewPasswordsAgree(QWidget* dialog, zk::ITextRes* texts, const QLineEdit* password,
                       const QLineEdit* confirm) {
  if (password->text() == confirm->text()) return true;
  CurrentPrompter().Message(dialog, dialog->windowTitle(), GetResText(texts, txt::kPasswordsDiffer),
                            BoxIcon::kError, BoxButtons::kOk);
  return false;
}

std::string TakeUtf8(const QString& text) {
  QByteArray b = text.toUtf8();
  std::string s(b.constData(), size_t(b.size()));
  zk::Wipe(b.data(), size_t(b.size()));
  return s;
}

QString MainWindowCaption() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "MainForm" && !w->windowTitle().isEmpty()) return w->windowTitle();
  return QString::fromLatin1(wm::kWindowTitle);
}

void FitTitleAndLine(QWidget* dialog, int chars) {
  QString shown = dialog->windowTitle();
  if (!QApplication::applicationDisplayName().isEmpty())
    shown += QString::fromUtf8(" \xe2\x80\x94 ") + QApplication::applicationDisplayName();
  QFont bold = dialog->font();
  bold.setBold(true);
  const int title = QFontMetrics(bold).horizontalAdvance(shown) + 160;
  const int line = dialog->fontMetrics().averageCharWidth() * chars;
  dialog->setMinimumWidth(std::max(title, line));
  dialog->adjustSize();
}

bool ShowToolkitError(QWidget* owner, zk::ITextRes* texts, StatusCode code, const QString& prefix) {
  if (code == 0) return true;
  QString text = GetResText(texts, ToolkitErrorTextId(code));
  // A refused staging folder: which folder, and why.
  if (code == zk::kCannotOpen) {
    const QString staging = StagingFolderRefusalText(texts);
    if (!staging.isEmpty()) text = staging;
  }
  // One line break between the prefix and the text.
  ErrorBox(owner, MainWindowCaption(), prefix + "\n " + text);
  return false;
}

bool ShowKeyStorageError(QWidget* owner, zk::ITextRes* texts, StatusCode code,
                         const QString& caption) {
  if (code == 0) return true;
  switch (code) {
    case -14: case -103: case -15: case -18: case -22: case -101: case -104: case -105:
      ErrorBox(owner, caption, GetResText(texts, KeyStorageErrorTextId(code)));
      return false;
    default:
      return ShowToolkitError(owner, texts, code, caption);
  }
}

}  // namespace kiv

namespace kiv {

bool OpenKeyStorage(QWidget* owner, zk::ITextRes* texts, zk::ISafeDriverApp* driver,
                    zk::IKeysCtrl*& keys) {
  if (keys) return true;
  zk::Held<zk::IKeysCtrl> ctrl;
  if (!driver || driver->GetKeysCtrl(&ctrl) != 0 || !ctrl) return false;
  bool accepted = false;
  std::string password;
  if (ctrl->StorageExists() != 0) {
    TFormSetKeyStoragePass form(texts, owner);
    accepted = form.Run(password);
  } else {
    TFormOpenKeyStorage form(texts, owner);
    accepted = form.Run(password);
  }
  if (accepted &&
      ShowToolkitError(owner, texts, ctrl->Open(password.c_str()),
                       GetResText(texts, txt::kOpenKeyStorage) + ": ")) {
    keys = ctrl.Take();
    return true;
  }
  return false;
}

}  // namespace kiv
