#include "desktop/Prompter.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QMessageBox>

namespace kiv {

namespace {

Prompter* g_prompter = nullptr;

bool Headless() {
  QString p = QGuiApplication::platformName();
  return p == "offscreen" || p == "minimal";
}

}  // namespace

Prompter& CurrentPrompter() {
  static QtPrompter qt;
  return g_prompter ? *g_prompter : qt;
}

void SetPrompter(Prompter* prompter) { g_prompter = prompter; }

BoxAnswer UnansweredBox(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::kOk:
      return BoxAnswer::kOk;
    case BoxButtons::kYesNo:
    case BoxButtons::kYesNoDefaultNo:
      return BoxAnswer::kNo;
    default:
      return BoxAnswer::kCancel;
  }
}

BoxAnswer QtPrompter::Message(QWidget* owner, const QString& caption, const QString& text,
                              BoxIcon icon, BoxButtons buttons) {
  if (Headless()) return UnansweredBox(buttons);
  QMessageBox::Icon qi = QMessageBox::NoIcon;
  switch (icon) {
    case BoxIcon::kInformation: qi = QMessageBox::Information; break;
    case BoxIcon::kWarning: qi = QMessageBox::Warning; break;
    case BoxIcon::kError: qi = QMessageBox::Critical; break;
    case BoxIcon::kQuestion: qi = QMessageBox::Question; break;
    case BoxIcon::kNone: break;
  }
  QMessageBox::StandardButtons qb = QMessageBox::Ok;
  switch (buttons) {
    case BoxButtons::kOk: qb = QMessageBox::Ok; break;
    case BoxButtons::kOkCancel: qb = QMessageBox::Ok | QMessageBox::Cancel; break;
    case BoxButtons::kYesNo: qb = QMessageBox::Yes | QMessageBox::No; break;
    case BoxButtons::kYesNoCancel: qb = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case BoxButtons::kYesNoDefaultNo: qb = QMessageBox::Yes | QMessageBox::No; break;
  }
  QMessageBox box(qi, caption, text, qb, owner);
  if (buttons == BoxButtons::kYesNoDefaultNo) box.setDefaultButton(QMessageBox::No);
  if (!owner) box.setWindowModality(Qt::ApplicationModal);
  switch (box.exec()) {
    case QMessageBox::Ok: return BoxAnswer::kOk;
    case QMessageBox::Yes: return BoxAnswer::kYes;
    case QMessageBox::No: return BoxAnswer::kNo;
    default:
      return buttons == BoxButtons::kYesNo || buttons == BoxButtons::kYesNoDefaultNo ? BoxAnswer::kNo
                                                                                    : BoxAnswer::kCancel;
  }
}

QString QtPrompter::OpenFile(QWidget* owner, const QString& title, const QString& folder,
                             const QString& filter) {
  if (Headless()) return {};
  return QFileDialog::getOpenFileName(owner, title, folder, filter);
}

QStringList QtPrompter::OpenFiles(QWidget* owner, const QString& title, const QString& folder,
                                  const QString& filter) {
  if (Headless()) return {};
  return QFileDialog::getOpenFileNames(owner, title, folder, filter);
}

QString QtPrompter::SaveFile(QWidget* owner, const QString& title, const QString& path,
                             const QString& filter) {
  if (Headless()) return {};
  return QFileDialog::getSaveFileName(owner, title, path, filter);
}

QString QtPrompter::Folder(QWidget* owner, const QString& title, const QString& folder) {
  if (Headless()) return {};
  return QFileDialog::getExistingDirectory(owner, title, folder);
}

bool QtPrompter::Font(QWidget* owner, QFont& font) {
  if (Headless()) return false;
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, font, owner);
  if (ok) font = chosen;
  return ok;
}

}  // namespace kiv
