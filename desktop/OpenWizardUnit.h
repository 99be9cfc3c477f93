// TFormOpenWizard: what the probe found in a file (secret kind, container
// kind, version, path) and the password that opens it.
#pragma once
#include <string>

#include "desktop/WizardPageUnit.h"

class QLabel;
class QLineEdit;
class QToolButton;

namespace kiv {

class TFormOpenWizard : public TWizardPage {
  Q_OBJECT
 public:
  TFormOpenWizard(zk::ITextRes* texts, int32_t containerKind, int32_t secretKind,
                  int32_t version, const QString& file, QWidget* owner = nullptr);
  ~TFormOpenWizard() override;
  std::string password;  // UTF-8, taken by "Next" only

  QLabel* ImageSecretType;
  QLabel* LabelSecretType;
  QLabel* ImageContType;
  QLabel* LabelContType;
  QLineEdit* LabeledEditPasswd;
  QLineEdit* LabeledEditVersion;
  QLineEdit* LabeledEditFile;
  QToolButton* sbGenPass;

  // The picture index and text id shown for a kind (text 0: empty).
  static void SecretKindShown(int32_t kind, int& picture, int32_t& textId);
  static void ContainerKindShown(int32_t kind, int& picture, int32_t& textId);

 protected:
  bool AcceptNext() override;
};

}  // namespace kiv
