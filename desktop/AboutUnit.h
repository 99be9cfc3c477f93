// The windows that show descriptive pages and texts: About (TFormAbout),
// the one-time warning (TFormWarning), the help contents, and the text
// viewer (TFormViewText). Pages are HTML of the language texts, shown in a
// QTextBrowser whose own context menu is turned off.
#pragma once
#include <QByteArray>
#include <QDialog>
#include <QFont>
#include <QString>

#include "zk5script.h"

class QCheckBox;
class QPushButton;
class QStatusBar;
class QTextBrowser;
class QTextEdit;
class QPlainTextEdit;
class QToolButton;

namespace kiv {

// A browser for descriptive pages: no context menu of its own, links open
// nothing inside it.
QTextBrowser* MakeInfoBrowser(QWidget* parent, const QString& name);

class TFormAbout : public QDialog {
  Q_OBJECT
 public:
  TFormAbout(zk::ITextRes* texts, QWidget* parent = nullptr);
  QTextBrowser* WebBrowserInfo;
  QPushButton* BitBtnClose;
};

class TFormWarning : public QDialog {
  Q_OBJECT
 public:
  TFormWarning(zk::ITextRes* texts, zk::IAppParam* params, int32_t textId,
               QWidget* parent = nullptr);
  QTextBrowser* WebBrowserInfo;
  QPushButton* BitBtnClose;
  QCheckBox* CheckBoxNotShow;

 protected:
  // However the window closes, a ticked box stops the warning for good.
  void done(int r) override;

 private:
  zk::IAppParam* params_;
};

// Shows the warning of textId modally unless "next_show" is 0. The window
// is handed to shown (when set) before it runs, so tests can close it.
void ShowWarning(QWidget* owner, zk::ITextRes* texts, zk::IAppParam* params, int32_t textId);

// The help page named by the parameter "<lang_cur>_help" in the program's
// folder; without it, a warning box with text 92.
void ShowHelpContents(QWidget* owner, zk::ITextRes* texts, zk::IAppParam* params,
                      const QString& programFolder);

class TFormViewText : public QDialog {
  Q_OBJECT
 public:
  // bytes: the file's contents as read; rich: an .rtf file.
  TFormViewText(zk::ITextRes* texts, const QByteArray& bytes, const QFont& font, bool rich,
                const QString& fileName, QWidget* parent = nullptr);

  // Writes the original bytes to path: true on success.
  bool SaveTo(const QString& path) const;
  void tlbSaveClick();
  void tlbCopyClick();

  QTextEdit* RichEditText = nullptr;
  QPlainTextEdit* MemoText = nullptr;
  QToolButton* tlbSave;
  QToolButton* tlbCopy;
  QToolButton* tlbExit;
  QStatusBar* MainStatusBar;

 private:
  zk::ITextRes* texts_;
  QByteArray bytes_;
  QString fileName_;
};

// Runs the viewer modally.
void ViewText(QWidget* owner, zk::ITextRes* texts, const QByteArray& bytes, const QFont& font,
              bool rich, const QString& fileName);

// True for a name whose extension is ".rtf" in any case.
bool IsRichTextName(const QString& fileName);

}  // namespace kiv
