#include "desktop/ContainerTypeUnit.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QStyle>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "desktop/CommonUnit.h"
#include "desktop/WizardTextIds.h"

namespace kiv {

namespace {
// Caption and information text of each item.
constexpr int32_t kCaptions[5] = {txt::kContainerFile, txt::kContainerPicture, txt::kContainerSound, txt::kContainerDocument, txt::kContainerArchive};
constexpr int32_t kInfos[5] = {txt::kContainerFileInfo, txt::kContainerPictureInfo, txt::kContainerSoundInfo, txt::kContainerDocumentInfo, txt::kContainerArchiveInfo};
}  // namespace

TContainerTypeForm::TContainerTypeForm(zk::ITextRes* texts, int32_t k, bool copy, QWidget* owner)
    : TWizardPage(texts, owner), kind(k), makeCopy(copy) {
  setObjectName("ContainerTypeForm");
  setWindowTitle(GetResText(texts, txt::kContainerKindCaption));
  ListViewContTypes = MakeTypeList(this, "ListViewContTypes");
  const QStyle::StandardPixmap icons[] = {QStyle::SP_DriveHDIcon, QStyle::SP_DesktopIcon,
                                          QStyle::SP_MediaVolume, QStyle::SP_FileIcon,
                                          QStyle::SP_DirClosedIcon};
  for (int i = 0; i < 5; ++i)
    ListViewContTypes->addItem(
        new QListWidgetItem(QIcon(LargePicture(this, icons[i])), GetResText(texts, kCaptions[i])));
  WebBrowserInfo = MakeInfoPane(this);
  CheckBoxMakeCopy = new QCheckBox(GetResText(texts, txt::kMakeCopy), this);
  CheckBoxMakeCopy->setObjectName("CheckBoxMakeCopy");
  CheckBoxMakeCopy->setChecked(makeCopy);
  auto* right = new QVBoxLayout;
  right->addWidget(WebBrowserInfo, 1);
  right->addWidget(CheckBoxMakeCopy);
  auto* top = new QHBoxLayout;
  top->addWidget(ListViewContTypes);
  top->addLayout(right, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(ButtonRow());
  resize(540, 450);  // all five kinds in view
  connect(ListViewContTypes, &QListWidget::currentRowChanged, this, [this](int row) {
    if (!texts_ || row < 0 || row > 4) return;
    kind = row + 1;
    WebBrowserInfo->setHtml(GetResText(texts_, kInfos[row]));
    CheckBoxMakeCopy->setVisible(row != 0);
  });
  if (kind >= 1 && kind <= 5) ListViewContTypes->setCurrentRow(kind - 1);
}

bool TContainerTypeForm::AcceptNext() {
  makeCopy = CheckBoxMakeCopy->isChecked();
  return true;
}

}  // namespace kiv
