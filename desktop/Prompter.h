// The one seam through which the program asks the user: message boxes and
// the file, folder and font dialogs. The program uses the Qt prompter;
// tests install a scripted one.
#pragma once
#include <QFont>
#include <QString>
#include <QStringList>

class QWidget;

namespace kiv {

enum class BoxIcon { kNone, kInformation, kWarning, kError, kQuestion };
// kYesNoDefaultNo: Yes and No with No as the default button, for what
// cannot be undone.
enum class BoxButtons { kOk, kOkCancel, kYesNo, kYesNoCancel, kYesNoDefaultNo };
enum class BoxAnswer { kOk, kCancel, kYes, kNo };

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual BoxAnswer Message(QWidget* owner, const QString& caption, const QString& text,
                            BoxIcon icon, BoxButtons buttons) = 0;
  // Each dialog answers an empty result when the user cancels.
  virtual QString OpenFile(QWidget* owner, const QString& title, const QString& folder,
                           const QString& filter) = 0;
  virtual QStringList OpenFiles(QWidget* owner, const QString& title, const QString& folder,
                                const QString& filter) = 0;
  virtual QString SaveFile(QWidget* owner, const QString& title, const QString& path,
                           const QString& filter) = 0;
  virtual QString Folder(QWidget* owner, const QString& title, const QString& folder) = 0;
  // True when the user chose a font (then font holds it).
  virtual bool Font(QWidget* owner, QFont& font) = 0;
};

// The prompter the program uses now (the Qt one unless a test set another).
Prompter& CurrentPrompter();
// Installs a prompter (not owned); null goes back to the Qt one.
void SetPrompter(Prompter* prompter);

// The Qt prompter. On a display nobody can see (the offscreen and minimal
// platforms) it shows nothing and answers as a cancel would: OK for a box
// with one button, No or Cancel for a question, empty for a dialog.
class QtPrompter : public Prompter {
 public:
  BoxAnswer Message(QWidget* owner, const QString& caption, const QString& text, BoxIcon icon,
                    BoxButtons buttons) override;
  QString OpenFile(QWidget* owner, const QString& title, const QString& folder,
                   const QString& filter) override;
  QStringList OpenFiles(QWidget* owner, const QString& title, const QString& folder,
                        const QString& filter) override;
  QString SaveFile(QWidget* owner, const QString& title, const QString& path,
                   const QString& filter) override;
  QString Folder(QWidget* owner, const QString& title, const QString& folder) override;
  bool Font(QWidget* owner, QFont& font) override;
};

// The answer a box gives when nobody can answer it.
BoxAnswer UnansweredBox(BoxButtons buttons);

}  // namespace kiv
