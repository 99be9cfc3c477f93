#include "desktop/SecretTypeUnit.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QStyle>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "desktop/CommonUnit.h"
#include "desktop/WizardTextIds.h"

namespace kiv {

TFormSecretType::TFormSecretType(zk::ITextRes* texts, int32_t k, QWidget* owner)
    : TWizardPage(texts, owner), kind(k) {
  setObjectName("FormSecretType");
  setWindowTitle(GetResText(texts, txt::kSecretKindCaption));
  ListViewTypes = MakeTypeList(this, "ListViewTypes");
  const QStyle::StandardPixmap icons[] = {QStyle::SP_FileDialogDetailedView, QStyle::SP_FileIcon,
                                          QStyle::SP_DirIcon};
  for (int i = 0; i < 3; ++i)
    ListViewTypes->addItem(new QListWidgetItem(QIcon(LargePicture(this, icons[i])),
                                               GetResText(texts, txt::kKindText + i)));
  // Room for all three kinds, so none hides below the fold.
  ListViewTypes->setMinimumHeight(3 * ListViewTypes->gridSize().height() +
                                  2 * ListViewTypes->frameWidth() + 4);
  WebBrowserInfo = MakeInfoPane(this);
  auto* top = new QHBoxLayout;
  top->addWidget(ListViewTypes);
  top->addWidget(WebBrowserInfo, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(ButtonRow());
  connect(ListViewTypes, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!texts_ || row < 0 || row > 2) return;
    WebBrowserInfo->setHtml(GetResText(texts_, txt::kKindTextInfo + row));
    kind = row + 1;
  });
  if (kind >= 1 && kind <= 3) ListViewTypes->setCurrentRow(kind - 1);
}

}  // namespace kiv
