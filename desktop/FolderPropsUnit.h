// TFormFolderProps: the properties of a safe folder (path, counts, sizes).
#pragma once
#include <QDialog>
#include <QString>
#include <cstdint>

#include "zk5script.h"

class QPushButton;
class QTreeWidget;

namespace kiv {

// A folder path longer than this is shown as "..." and its last 40.
inline constexpr int kFolderPropsPathLimit = 40;

class TFormFolderProps : public QDialog {
  Q_OBJECT
 public:
  explicit TFormFolderProps(zk::ITextRes* texts, QWidget* owner = nullptr);
  // The five rows: path, folders, files, size, stored size.
  void Fill(const QString& path, uint32_t folders, uint32_t files, uint32_t size,
            uint32_t stored);
  QTreeWidget* ListViewProps;
  QPushButton* BitBtnClose;

 private:
  zk::ITextRes* texts_;
};

}  // namespace kiv
