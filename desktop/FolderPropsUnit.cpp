#include "desktop/FolderPropsUnit.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "desktop/CommonUnit.h"
#include "desktop/CopyFileUnit.h"

namespace kiv {

TFormFolderProps::TFormFolderProps(zk::ITextRes* texts, QWidget* owner)
    : QDialog(owner), texts_(texts) {
  setObjectName("FormFolderProps");
  setWindowTitle(GetResText(texts, 1400));
  ListViewProps = new QTreeWidget(this);
  ListViewProps->setObjectName("ListViewProps");
  ListViewProps->setColumnCount(2);
  ListViewProps->setHeaderHidden(true);
  ListViewProps->setRootIsDecorated(false);
  ListViewProps->setColumnWidth(0, 130);
  BitBtnClose = new QPushButton(GetResText(texts, 6), this);
  BitBtnClose->setObjectName("BitBtnClose");
  connect(BitBtnClose, &QPushButton::clicked, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(BitBtnClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ListViewProps, 1);
  layout->addLayout(row);
  resize(440, 200);
}

void TFormFolderProps::Fill(const QString& path, uint32_t folders, uint32_t files, uint32_t size,
                            uint32_t stored) {
  ListViewProps->clear();
  const QString values[5] = {ShortenPath(path, kFolderPropsPathLimit), FormatGroupedNumber(folders),
                             FormatGroupedNumber(files), FormatGroupedNumber(size),
                             FormatGroupedNumber(stored)};
  for (int i = 0; i < 5; ++i)
    new QTreeWidgetItem(ListViewProps, {GetResText(texts_, 1401 + i), values[i]});
}

}  // namespace kiv
