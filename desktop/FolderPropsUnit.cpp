#include "desktop/FolderPropsUnit.h"

#include <QTreeWidget>

#include "desktop/CommonUnit.h"
#include "desktop/CopyFileUnit.h"
#include "desktop/SafeTextIds.h"
#include "desktop/SecretPropertiesUnit.h"

namespace kiv {

TFormFolderProps::TFormFolderProps(zk::ITextRes* texts, QWidget* owner)
    : QDialog(owner), texts_(texts) {
  setObjectName("FormFolderProps");
  setWindowTitle(GetResText(texts, txt::kFolderPropsCaption));
  BuildPropertyList(this, texts, ListViewProps, BitBtnClose);
  resize(440, 200);
}

void TFormFolderProps::Fill(const QString& path, uint32_t folders, uint32_t files, uint32_t size,
                            uint32_t stored) {
  ListViewProps->clear();
  const QString values[5] = {ShortenPath(path, kFolderPropsPathLimit), FormatGroupedNumber(folders),
                             FormatGroupedNumber(files), FormatGroupedNumber(size),
                             FormatGroupedNumber(stored)};
  for (int i = 0; i < 5; ++i)
    new QTreeWidgetItem(ListViewProps, {GetResText(texts_, txt::kFolderPropPath + i), values[i]});
}

}  // namespace kiv
