// The replace confirmation TCopyFileForm with its "Yes All" / "No All"
// memory: asked whenever a file moved into or out of a safe would take the
// place of one that is there already.
#pragma once
#include <QDialog>
#include <QString>
#include <cstdint>
#include <string>

#include "kvSafeDriver.h"
#include "zk5script.h"

class QPushButton;
class QTreeWidget;

namespace kiv {

// One per program: 0 ask, 1 replace all without asking, 2 replace none
// without asking. Reset to 0 before each batch of files.
inline constexpr int32_t kReplaceAsk = 0;
inline constexpr int32_t kReplaceAll = 1;
inline constexpr int32_t kReplaceNone = 2;
int32_t ReplaceMode();
void SetReplaceMode(int32_t mode);

// A path longer than limit characters as "..." and its last limit ones.
QString ShortenPath(const QString& path, int limit);
inline constexpr int kReplacePathLimit = 37;

class TCopyFileForm : public QDialog {
  Q_OBJECT
 public:
  enum Answer { kYes, kYesAll, kNo, kNoAll, kCancel };
  TCopyFileForm(zk::ITextRes* texts, const QString& incomingPath, const QString& incomingTime,
                uint32_t incomingSize, const QString& existingPath, const QString& existingTime,
                uint32_t existingSize, QWidget* owner = nullptr);
  QTreeWidget* ListViewInfo;
  QPushButton *BitBtnYes, *BitBtnYesAll, *BitBtnNo, *BitBtnNoAll, *BitBtnCancel;
  // Closing by the frame counts as "No".
  Answer answer = kNo;
};

// Replace yes/no; cancel is set when the user ends the batch. Mode 1 and 2
// answer at once; mode 0 shows the dialog (from any thread: it runs on the
// GUI thread, with the progress and wait windows hidden meanwhile).
bool ConfirmReplace(zk::ITextRes* texts, const std::string& incomingPath,
                    const std::string& existingPath, bool& cancel, uint32_t incomingSize,
                    uint32_t existingSize, const zk::CalendarTime& incomingTime,
                    const zk::CalendarTime& existingTime);

// The disk file's side read from the file system; a disk file of 4 GiB or
// more is never replaced nor replaces (no dialog).
// Adding to a safe: the disk file comes in, the safe entry is there.
bool ConfirmReplaceIntoSafe(zk::ITextRes* texts, const std::string& diskPath,
                            const std::string& safePath, const zk::SafeFileInfo& entry,
                            bool& cancel);
// Extracting: the safe entry comes in, the disk file is there.
bool ConfirmReplaceOnDisk(zk::ITextRes* texts, const std::string& safePath,
                          const zk::SafeFileInfo& entry, const std::string& diskPath,
                          bool& cancel);

}  // namespace kiv
