// The commands on a shown message (open kind 1, MemoMessage): the clipboard
// commands, Find and Replace in small dialogs of our own over the memo's
// document, and reading a text file into the message or writing the
// message (or its selection) to a file.
#pragma once
#include <QByteArray>
#include <QDialog>
#include <QString>
#include <cstdint>

#include "zk5script.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kiv {

class TMainForm;

// The find dialog (object name "FindTextDialog") and the replace dialog
// ("EditReplaceDialog"): a search text, a match-case option, and for
// replacing a replacement text with Replace and Replace All. Modeless,
// owned by the main window.
class TSearchDialog : public QDialog {
  Q_OBJECT
 public:
  TSearchDialog(zk::ITextRes* texts, bool replace, QWidget* owner);

  bool IsReplace() const { return EditReplaceText != nullptr; }
  QString FindText() const;
  QString ReplaceText() const;
  bool MatchCase() const;

  QLineEdit* EditFindText;
  QLineEdit* EditReplaceText = nullptr;  // replace dialog only
  QCheckBox* CheckBoxMatchCase;
  QPushButton* BitBtnFindNext;
  QPushButton* BitBtnReplace = nullptr;
  QPushButton* BitBtnReplaceAll = nullptr;
  QPushButton* BitBtnCancel;

 signals:
  void Find();
  void Replace(bool all);
};

// Selects the first hit of text downward from the end of the memo's
// selection (case-sensitive only when asked); false when there is none.
bool FindInMemo(QPlainTextEdit* memo, const QString& text, bool matchCase);

// The edit commands. Cut, Paste and Delete clear the saved flag when they
// change the text; an empty selection changes nothing.
void mnEditCutClick(TMainForm& f);
void mnEditCopyClick(TMainForm& f);
void mnEditPasteClick(TMainForm& f);
void mnEditDeleteClick(TMainForm& f);
void mnEditSelectAllClick(TMainForm& f);
// Find and Replace show their dialog (the selection is cleared first).
void mnEditFindClick(TMainForm& f);
void mnEditReplaceClick(TMainForm& f);
// The dialogs' buttons: an empty search text or no hit closes the dialog.
void FindTextDialogFind(TMainForm& f, TSearchDialog& d);
void EditReplaceDialogReplace(TMainForm& f, TSearchDialog& d, bool all);
// The shown dialog of the window (null when none was made yet).
TSearchDialog* FindTextDialog(TMainForm& f);
TSearchDialog* EditReplaceDialog(TMainForm& f);
// Read from file and Write to file.
void mnEditReadClick(TMainForm& f);
void mnEditWriteClick(TMainForm& f);

// Runs the edit command of that menu item name when a message is shown;
// false for any other name or kind.
bool RunMessageCommand(TMainForm& f, const QString& name);

// The file side of Read and Write: 0, or the text id of the failure
// (txt::kCannotOpenFile, kFileTooLarge for 2 GB or more, kNoMemory,
// kReadFailed or kWriteFailed for a short read or write). A file is written beside
// its target and renamed over it, so it is never left half-written.
int32_t ReadWholeFile(const QString& path, QByteArray& out);
int32_t WriteWholeFile(const QString& path, const QByteArray& bytes);

// Failures to play in ReadWholeFile and WriteWholeFile (tests).
struct TextFileFaults {
  bool noMemory = false;
  bool shortRead = false;
  bool shortWrite = false;
};
void SetTextFileFaults(const TextFileFaults& faults);

}  // namespace kiv
