// TFormSecretType: the first new-secret page, the kind of secret (1 text
// message, 2 one file, 3 safe).
#pragma once
#include "desktop/WizardPageUnit.h"

class QListWidget;
class QTextBrowser;

namespace kiv {

class TFormSecretType : public TWizardPage {
  Q_OBJECT
 public:
  TFormSecretType(zk::ITextRes* texts, int32_t kind, QWidget* owner = nullptr);
  int32_t kind;
  QListWidget* ListViewTypes;
  QTextBrowser* WebBrowserInfo;
};

}  // namespace kiv
