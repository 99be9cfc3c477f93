// TFormEnvOpt "Environment options": the extensions whose files are
// compressed, the editor font and the language, and the shell integration
// (file type, file-manager menu, tray, start minimised).
#pragma once
#include <QDialog>
#include <QFont>
#include <QIcon>
#include <functional>

#include "kvSafeDriver.h"
#include "zk5script.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTreeWidget;

namespace kiv {

// What the desktop knows of a file extension: its small icon and its
// description; found is false when nothing is registered for it.
struct ExtensionLook {
  QIcon icon;
  QString description;
  bool found = false;
};
// The lookup of extension icons and descriptions (without the ".").
using ExtensionLookup = std::function<ExtensionLook(const QString& ext)>;
// The desktop's own: the MIME database's type and icon theme.
ExtensionLook DesktopExtensionLook(const QString& ext);

// The string-input dialog: true with the answer when accepted. Tests put
// their own; an empty one goes back to Qt's input dialog.
using StringInput = std::function<bool(QWidget* owner, const QString& title, QString& answer)>;
void SetStringInput(StringInput input);

class TFormEnvOpt : public QDialog {
  Q_OBJECT
 public:
  // Nothing owned; font is the dialog's copy of the editor font.
  TFormEnvOpt(zk::IAppParam* params, zk::ITextRes* texts, zk::ISafeDriverApp* driver,
              const QFont& font, ExtensionLookup lookup = DesktopExtensionLook,
              QWidget* owner = nullptr);

  const QFont& ChosenFont() const { return font_; }
  void SelectPage(int page);

  void BitBtnAddExtClick();
  void BitBtnDelExtClick();
  void BitBtnClearExtClick();
  void BitBtnFontSetupClick();
  void ComboBoxLanguageChange(int index);
  void CheckBoxAssocClick();
  void CheckBoxShellExtClick();
  void BitBtnCloseClick();

  QListWidget* ListBoxPages;
  QStackedWidget* PageControl;
  QLabel* LabelArcExt;
  QTreeWidget* ListViewExts;
  QPushButton* BitBtnAddExt;
  QPushButton* BitBtnClearExt;
  QPushButton* BitBtnDelExt;
  QGroupBox* GroupBoxEdit;
  QLineEdit* LabeledEditFontName;
  QLineEdit* LabeledEditSize;
  QPushButton* BitBtnFontSetup;
  QLabel* LabelLanguage;
  QComboBox* ComboBoxLanguage;
  QCheckBox* CheckBoxShellExt;
  QCheckBox* CheckBoxAssoc;
  QCheckBox* CheckBoxSystray;
  QCheckBox* CheckBoxMinOnStartup;
  QPushButton* BitBtnClose;

 private:
  QString Value(const QString& name) const;
  int32_t IntValue(const QString& name) const;
  void AddRow(const QString& ext);
  void RewriteExtensions();
  void ShowFont();

  zk::IAppParam* params_;
  zk::ITextRes* texts_;
  zk::ISafeDriverApp* driver_;
  QFont font_;
  ExtensionLookup lookup_;
  QStringList langCodes_;
  bool updating_ = false;
};

// The main window's command: runs the dialog; font gets the chosen font.
void ShowEnvironmentOptions(QWidget* owner, zk::IAppParam* params, zk::ITextRes* texts,
                            zk::ISafeDriverApp* driver, QFont& font,
                            ExtensionLookup lookup = DesktopExtensionLook);

}  // namespace kiv
