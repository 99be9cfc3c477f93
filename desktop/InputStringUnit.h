// TFormInputString (one line of text) and TFormSelectDir (a folder).
#pragma once
#include <QDialog>
#include <QString>

#include "zk5script.h"

class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace kiv {

class TFormInputString : public QDialog {
  Q_OBJECT
 public:
  TFormInputString(const QString& text, const QString& title, const QString& cancel,
                   const QString& apply, QWidget* owner = nullptr);
  QLineEdit* EditText;
  QPushButton* BitBtnApply;
  QPushButton* BitBtnCancel;
};

// True with the edited text when "Apply" or Enter closed the dialog.
bool InputString(QWidget* owner, QString& text, const QString& title, const QString& cancel,
                 const QString& apply);

class TFormSelectDir : public QDialog {
  Q_OBJECT
 public:
  TFormSelectDir(zk::ITextRes* texts, QWidget* owner = nullptr);
  ~TFormSelectDir() override;
  QTreeView* MainShellTreeView;
  QLineEdit* MainShellComboBox;  // the path box, tied to the tree
  QPushButton* BitBtnApply;
  QPushButton* BitBtnCancel;
  // Selects the folder of the path box in the tree, unfolded down to it.
  void ShowBoxPath();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  QFileSystemModel* model_;
};

// True with the chosen folder; an empty path when cancelled.
bool SelectDirectory(QWidget* owner, zk::ITextRes* texts, QString& path);

}  // namespace kiv
