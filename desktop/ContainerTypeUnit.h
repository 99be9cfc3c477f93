// TContainerTypeForm: the second new-secret page, the kind of container
// (1 secret file, 2 picture, 3 sound, 4 document, 5 archive) and "Make copy".
#pragma once
#include "desktop/WizardPageUnit.h"

class QCheckBox;
class QListWidget;
class QTextBrowser;

namespace kiv {

class TContainerTypeForm : public TWizardPage {
  Q_OBJECT
 public:
  TContainerTypeForm(zk::ITextRes* texts, int32_t kind, bool makeCopy, QWidget* owner = nullptr);
  int32_t kind;
  bool makeCopy;
  QListWidget* ListViewContTypes;
  QCheckBox* CheckBoxMakeCopy;
  QTextBrowser* WebBrowserInfo;

 protected:
  bool AcceptNext() override;
};

}  // namespace kiv
