#include "desktop/ActionLooks.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QWidget>
#include <utility>

// The icons are compiled into the static library: registered by hand, as
// nothing else refers to them.
static void InitIconResource() { Q_INIT_RESOURCE(kivora); }

namespace kiv {

namespace {

constexpr QKeySequence::StandardKey kNone = QKeySequence::UnknownKey;

const ActionLook kLooks[] = {
    // Secret menu and tool bar.
    {"mnSecretNew", "document-new", QStyle::SP_FileIcon, QKeySequence::New},
    {"tlbNewSecret", "document-new", QStyle::SP_FileIcon, kNone},
    {"mnSecretOpen", "document-open", QStyle::SP_DialogOpenButton, QKeySequence::Open},
    {"tlbOpenSecret", "document-open", QStyle::SP_DialogOpenButton, kNone},
    {"mnSecretSave", "document-save", QStyle::SP_DialogSaveButton, QKeySequence::Save},
    {"tlbSaveSecret", "document-save", QStyle::SP_DialogSaveButton, kNone},
    {"mnSecretClose", "window-close", QStyle::SP_DialogCloseButton, QKeySequence::Close},
    {"mnSecretProperties", "document-properties", QStyle::SP_FileDialogInfoView, kNone},
    {"mnSecretDelete", "edit-delete", QStyle::SP_TrashIcon, kNone},
    {"mnSecretExit", "application-exit", QStyle::SP_TitleBarCloseButton, QKeySequence::Quit},
    // Edit menu and tool bar.
    {"mnEditCut", "edit-cut", kDrawnCut, QKeySequence::Cut},
    {"tlbEditCut", "edit-cut", kDrawnCut, kNone},
    {"mnEditCopy", "edit-copy", kDrawnCopy, QKeySequence::Copy},
    {"tlbEditCopy", "edit-copy", kDrawnCopy, kNone},
    {"mnEditPaste", "edit-paste", kDrawnPaste, QKeySequence::Paste},
    {"tlbEditPaste", "edit-paste", kDrawnPaste, kNone},
    // Delete acts on the memo's selection only (no question needed).
    {"mnEditDelete", "edit-delete", QStyle::SP_TrashIcon, QKeySequence::Delete},
    {"mnEditSelectAll", "edit-select-all", kDrawnSelectAll, QKeySequence::SelectAll},
    {"tlbSelectAll", "edit-select-all", kDrawnSelectAll, kNone},
    {"mnEditFind", "edit-find", QStyle::SP_FileDialogContentsView, QKeySequence::Find},
    {"tlbEditSearch", "edit-find", QStyle::SP_FileDialogContentsView, kNone},
    {"mnEditReplace", "edit-find-replace", QStyle::SP_FileDialogContentsView, QKeySequence::Replace},
    {"mnEditRead", "document-import", QStyle::SP_ArrowDown, kNone},
    {"tlbInsertTextFromFile", "document-import", QStyle::SP_ArrowDown, kNone},
    {"mnEditWrite", "document-export", QStyle::SP_ArrowUp, kNone},
    {"tlbSaveTextToFile", "document-export", QStyle::SP_ArrowUp, kNone},
    // File menu, the one-file and the safe tool bars.
    {"mnFileAdd", "list-add", kDrawnAdd, kNone},
    {"tlbAddOneFile", "list-add", kDrawnAdd, kNone},
    {"tlbSafeAddFile", "list-add", kDrawnAdd, kNone},
    {"mnFileGet", "document-save-as", QStyle::SP_DialogSaveButton, kNone},
    {"tlbGetOneFile", "document-save-as", QStyle::SP_DialogSaveButton, kNone},
    {"tlbSafeGetFile", "document-save-as", QStyle::SP_DialogSaveButton, kNone},
    // Deleting items of a safe asks first.
    {"mnFileDelete", "edit-delete", QStyle::SP_TrashIcon, QKeySequence::Delete},
    {"mnFileView", "document-print-preview", QStyle::SP_FileDialogContentsView, kNone},
    {"tlbSafeFileView", "document-print-preview", QStyle::SP_FileDialogContentsView, kNone},
    // Folder menu.
    {"mnFolderNew", "folder-new", QStyle::SP_FileDialogNewFolder, kNone},
    {"tlbSafeNewFolder", "folder-new", QStyle::SP_FileDialogNewFolder, kNone},
    {"mnFolderAdd", "folder-open", QStyle::SP_DirOpenIcon, kNone},
    {"tlbAddFolder", "folder-open", QStyle::SP_DirOpenIcon, kNone},
    {"mnFolderGet", "document-export", QStyle::SP_ArrowUp, kNone},
    {"tlbSafeGetFolder", "document-export", QStyle::SP_ArrowUp, kNone},
    {"mnFolderDelete", "edit-delete", QStyle::SP_TrashIcon, kNone},
    {"mnFolderProperties", "document-properties", QStyle::SP_FileDialogInfoView, kNone},
    {"tlbSafeFolderProp", "document-properties", QStyle::SP_FileDialogInfoView, kNone},
    {"tlbExplorer", "system-file-manager", QStyle::SP_DirHomeIcon, kNone},
    // Help.
    {"mnHelpContents", "help-contents", QStyle::SP_DialogHelpButton, QKeySequence::HelpContents},
    {"mnHelpAbout", "help-about", QStyle::SP_MessageBoxInformation, kNone},
};

QPixmap Drawn(int picture) {
  const int s = 64;
  QPixmap pm(s, s);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(0x33, 0x33, 0x33);
  const QColor paper(0xfa, 0xfa, 0xfa);
  QPen pen(ink, 4);
  pen.setJoinStyle(Qt::RoundJoin);
  p.setPen(pen);
  switch (picture) {
    case kDrawnCut:  // scissors: two blades crossing, two handles
      p.drawLine(18, 6, 42, 42);
      p.drawLine(46, 6, 22, 42);
      p.setBrush(paper);
      p.drawEllipse(QPoint(18, 50), 9, 9);
      p.drawEllipse(QPoint(46, 50), 9, 9);
      break;
    case kDrawnCopy:  // two sheets, one over the other
      p.setBrush(paper);
      p.drawRect(8, 6, 30, 38);
      p.drawRect(26, 20, 30, 38);
      break;
    case kDrawnPaste:  // a clipboard with a sheet on it
      p.setBrush(QColor(0xc8, 0x9b, 0x5e));
      p.drawRoundedRect(10, 8, 44, 52, 4, 4);
      p.setBrush(paper);
      p.drawRect(18, 18, 28, 34);
      p.setBrush(ink);
      p.drawRoundedRect(22, 3, 20, 10, 3, 3);
      break;
    case kDrawnSelectAll: {  // a dashed frame around lines of text
      QPen dashed(ink, 3, Qt::DashLine);
      p.setPen(dashed);
      p.drawRect(6, 6, 52, 52);
      p.setPen(pen);
      for (int y : {20, 32, 44}) p.drawLine(16, y, 48, y);
      break;
    }
    case kDrawnAdd:  // a plus sign
      p.setPen(QPen(QColor(0x2e, 0x7d, 0x32), 10, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(32, 10, 32, 54);
      p.drawLine(10, 32, 54, 32);
      break;
    default:
      break;
  }
  return pm;
}

}  // namespace

const ActionLook* ActionLooks(int* count) {
  *count = int(sizeof kLooks / sizeof kLooks[0]);
  return kLooks;
}

QList<QKeySequence> ActionKeys(QKeySequence::StandardKey key) {
  QList<QKeySequence> keys = QKeySequence::keyBindings(key);
  if (!keys.isEmpty()) return keys;
  // A desktop that binds nothing to the key still gets the usual one.
  static const std::pair<QKeySequence::StandardKey, QKeyCombination> kUsual[] = {
      {QKeySequence::New, Qt::CTRL | Qt::Key_N},    {QKeySequence::Open, Qt::CTRL | Qt::Key_O},
      {QKeySequence::Save, Qt::CTRL | Qt::Key_S},   {QKeySequence::Close, Qt::CTRL | Qt::Key_W},
      {QKeySequence::Quit, Qt::CTRL | Qt::Key_Q},   {QKeySequence::Cut, Qt::CTRL | Qt::Key_X},
      {QKeySequence::Copy, Qt::CTRL | Qt::Key_C},   {QKeySequence::Paste, Qt::CTRL | Qt::Key_V},
      {QKeySequence::SelectAll, Qt::CTRL | Qt::Key_A}, {QKeySequence::Find, Qt::CTRL | Qt::Key_F},
      {QKeySequence::Replace, Qt::CTRL | Qt::Key_H}, {QKeySequence::HelpContents, QKeyCombination(Qt::Key_F1)},
      {QKeySequence::Delete, QKeyCombination(Qt::Key_Delete)},
  };
  for (const auto& [k, combination] : kUsual)
    if (k == key) keys << QKeySequence(combination);
  return keys;
}

QIcon LookIcon(const ActionLook& look, const QStyle* style) {
  const QString name = QString::fromLatin1(look.themeIcon);
  if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  if (look.fallback < 0) return QIcon(Drawn(look.fallback));
  return style->standardIcon(QStyle::StandardPixmap(look.fallback));
}

void ApplyActionLooks(QWidget* window) {
  int count = 0;
  const ActionLook* looks = ActionLooks(&count);
  for (int i = 0; i < count; ++i) {
    auto* a = window->findChild<QAction*>(QString::fromLatin1(looks[i].action));
    if (!a) continue;
    a->setIcon(LookIcon(looks[i], window->style()));
    if (looks[i].key != QKeySequence::UnknownKey) {
      a->setShortcuts(ActionKeys(looks[i].key));
      a->setShortcutContext(Qt::WindowShortcut);
    }
  }
}

QIcon ProgramIcon() {
  InitIconResource();
  QIcon icon;
  for (int s : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/kivora/kivora-%1.png").arg(s), QSize(s, s));
  return icon;
}

void ChooseFallbackIconTheme() {
  const QString current = QIcon::themeName();
  if (!current.isEmpty() && current != "hicolor") return;
  for (const char* theme : {"breeze", "Adwaita", "gnome", "oxygen", "Tango"}) {
    for (const QString& folder : QIcon::themeSearchPaths()) {
      if (QFileInfo::exists(QDir(folder).filePath(QString::fromLatin1(theme) + "/index.theme"))) {
        QIcon::setFallbackThemeName(QString::fromLatin1(theme));
        return;
      }
    }
  }
}

}  // namespace kiv
