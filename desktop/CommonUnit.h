// What every window shares: texts by number from the current language,
// number and date formats made with them, status codes shown as message
// boxes, and the program-wide references the dialogs read.
#pragma once
#include <QString>

class QLabel;
class QProgressBar;
#include <cstdint>
#include <string>

#include "kvSafeDriver.h"
#include "zk5Cipher.h"
#include "zk5script.h"

class QColor;
class QLineEdit;
class QWidget;

namespace kiv {

// The program-wide engine driver, text resource and application
// parameters, published by the main window once all three exist (not
// counted here).
void PublishProgramObjects(zk::ISafeDriverApp* driver, zk::ITextRes* texts, zk::IAppParam* params);
zk::ISafeDriverApp* ProgramDriver();
zk::ITextRes* ProgramTexts();
zk::IAppParam* ProgramParams();

// The text of an id; empty when the resource lacks it or the call fails.
QString GetResText(zk::ITextRes* texts, int32_t id);
// A menu item's text as a window title or message prefix: its mnemonic
// marks dropped ("&&" stays one "&") and a trailing "..." with them.
QString PlainMenuText(const QString& menuText);

// "0" for 0; the decimal digits with a blank before every group of three
// counted from the right; empty for a negative value.
QString FormatGroupedNumber(int64_t value);
// Two digits, a leading "0" below 10.
QString TwoDigits(int32_t value);

// day month-name year<txt::kYearSuffix>, hh:mm:ss; the month name is text
// txt::kMonthFirst + month (0-11). yearShown is the year as written.
QString FormatDateTime(zk::ITextRes* texts, int32_t yearShown, int32_t month, int32_t day,
                       int32_t hour, int32_t minute, int32_t second);
// The engine's calendar record (years since 1900, month 0-11).
QString FormatTmDateTime(zk::ITextRes* texts, const zk::CalendarTime& t);
// The OpenPGP key information's record (full year, month 1-12).
QString FormatSystemDateTime(zk::ITextRes* texts, const zk::PgpCalendarTime& t);

// The text id ShowToolkitError shows for a code (0 for code 0).
int32_t ToolkitErrorTextId(StatusCode code);
// The text id ShowKeyStorageError shows for a code (0 for code 0).
int32_t KeyStorageErrorTextId(StatusCode code);

// True for 0; otherwise an error box "prefix" CR " " text of the code,
// captioned with the main window's caption, and false.
bool ShowToolkitError(QWidget* owner, zk::ITextRes* texts, StatusCode code, const QString& prefix);
// True for 0; the key storage's own codes show their text under caption;
// every other code goes to ShowToolkitError with caption as prefix.
bool ShowKeyStorageError(QWidget* owner, zk::ITextRes* texts, StatusCode code,
                         const QString& caption);

// Opens the key storage into keys unless it is open already: asks the
// password (a new storage gets one set), opens, and shows a failure.
// True when keys holds the open storage afterwards.
bool OpenKeyStorage(QWidget* owner, zk::ITextRes* texts, zk::ISafeDriverApp* driver,
                    zk::IKeysCtrl*& keys);

// The colour of the password quality gauge for a quality of 0-100.
QColor QualityGaugeColour(int quality);
// Shows the estimated quality of a password on a gauge: the bar, its
// percentage label and the coloured panel beside it.
void ShowPasswordQuality(zk::IPassword* quality, const QString& password, QProgressBar* bar,
                         QLabel* percent, QWidget* panel);
// Every password edit: masked, at most 56 bytes of UTF-8.
inline constexpr int kPasswordMaxBytes = 56;
void MakePasswordEdit(QLineEdit* edit);
// A new password typed twice: true when both edits agree, else the error
// box "passwords differ" (txt::kPasswordsDiffer) captioned with the dialog's title.
bool NewPasswordsAgree(QWidget* dialog, zk::ITextRes* texts, const QLineEdit* password,
                       const QLineEdit* confirm);
// An edit's text as UTF-8; the converted copy is wiped.
std::string TakeUtf8(const QString& text);
// Keeps an edit's text within maxBytes bytes of UTF-8 (whole characters).
void LimitToBytes(QLineEdit* edit, int maxBytes);

// The caption of the program's main window ("Kivora 1.01").
QString MainWindowCaption();

// Makes dialog wide enough for its title as the window manager shows it (in
// bold, with the program's name after it, beside its buttons) and for a line
// of `chars` average characters; the height follows the wrapped texts.
void FitTitleAndLine(QWidget* dialog, int chars);

}  // namespace kiv
