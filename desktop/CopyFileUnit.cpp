#include "desktop/CopyFileUnit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <atomic>
#include <ctime>
#include <sys/stat.h>

#include "desktop/CommonUnit.h"
#include "desktop/EngineWorker.h"
#include "desktop/ModalRun.h"
#include "desktop/ProgressUnit.h"
#include "desktop/SafeTextIds.h"
#include "desktop/WaitHourglassUnit.h"

namespace kiv {

namespace {

std::atomic<int32_t> g_mode{kReplaceAsk};

// The program's main window, the dialog's owner.
QWidget* MainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "MainForm") return w;
  return nullptr;
}

// Size and last-write time of a disk file; false when it cannot be read or
// is 4 GiB or larger.
bool DiskFileFacts(const std::string& path, uint32_t& size, zk::CalendarTime& time) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || uint64_t(st.st_size) >= (uint64_t(1) << 32)) return false;
  size = uint32_t(st.st_size);
  std::tm tm{};
  const time_t t = st.st_mtime;
  localtime_r(&t, &tm);
  time = {tm.tm_year, tm.tm_mon, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  return true;
}

}  // namespace

int32_t ReplaceMode() { return g_mode; }
void SetReplaceMode(int32_t mode) { g_mode = mode; }

QString ShortenPath(const QString& path, int limit) {
  if (path.size() <= limit) return path;
  return "..." + path.right(limit);
}

TCopyFileForm::TCopyFileForm(zk::ITextRes* texts, const QString& incomingPath,
                             const QString& incomingTime, uint32_t incomingSize,
                             const QString& existingPath, const QString& existingTime,
                             uint32_t existingSize, QWidget* owner)
    : QDialog(owner) {
  setObjectName("CopyFileForm");
  setWindowTitle(GetResText(texts, txt::kReplaceFileCaption));
  ListViewInfo = new QTreeWidget(this);
  ListViewInfo->setObjectName("ListViewInfo");
  ListViewInfo->setColumnCount(2);
  ListViewInfo->setHeaderHidden(true);
  ListViewInfo->setRootIsDecorated(false);
  ListViewInfo->setColumnWidth(0, 140);
  const QString rows[7][2] = {
      {GetResText(texts, txt::kReplaceIncoming), ShortenPath(incomingPath, kReplacePathLimit)},
      {GetResText(texts, txt::kReplaceIncomingChanged), incomingTime},
      {GetResText(texts, txt::kReplaceIncomingSize), FormatGroupedNumber(incomingSize)},
      {QString(), QString()},
      {GetResText(texts, txt::kReplaceExisting), ShortenPath(existingPath, kReplacePathLimit)},
      {GetResText(texts, txt::kReplaceExistingChanged), existingTime},
      {GetResText(texts, txt::kReplaceExistingSize), FormatGroupedNumber(existingSize)}};
  for (const auto& r : rows) new QTreeWidgetItem(ListViewInfo, {r[0], r[1]});
  auto button = [this](const char* name, int32_t id, zk::ITextRes* t, Answer a) {
    auto* b = new QPushButton(GetResText(t, id), this);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, [this, a] {
      answer = a;
      accept();
    });
    return b;
  };
  BitBtnYes = button("BitBtnYes", txt::kReplaceYes, texts, kYes);
  BitBtnYesAll = button("BitBtnYesAll", txt::kReplaceYesAll, texts, kYesAll);
  BitBtnNo = button("BitBtnNo", txt::kReplaceNo, texts, kNo);
  BitBtnNoAll = button("BitBtnNoAll", txt::kReplaceNoAll, texts, kNoAll);
  BitBtnCancel = button("BitBtnCancel", txt::kReplaceCancel, texts, kCancel);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {BitBtnYes, BitBtnYesAll, BitBtnNo, BitBtnNoAll, BitBtnCancel})
    buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ListViewInfo, 1);
  layout->addLayout(buttons);
  resize(520, 240);
}

bool ConfirmReplace(zk::ITextRes* texts, const std::string& incomingPath,
                    const std::string& existingPath, bool& cancel, uint32_t incomingSize,
                    uint32_t existingSize, const zk::CalendarTime& incomingTime,
                    const zk::CalendarTime& existingTime) {
  if (g_mode == kReplaceAll) return true;
  if (g_mode == kReplaceNone) return false;
  TCopyFileForm::Answer answer = TCopyFileForm::kNo;
  RunOnGuiThread([&] {
    ProgressHide();
    WaitHide();
    TCopyFileForm form(texts, QString::fromStdString(incomingPath),
                       FormatTmDateTime(texts, incomingTime), incomingSize,
                       QString::fromStdString(existingPath), FormatTmDateTime(texts, existingTime),
                       existingSize, MainWindow());
    form.setWindowModality(Qt::ApplicationModal);
    RunModal(&form);
    answer = form.answer;
    ProgressShowAgain();
    WaitShowAgain();
  });
  switch (answer) {
    case TCopyFileForm::kYes:
      return true;
    case TCopyFileForm::kYesAll:
      g_mode = kReplaceAll;
      return true;
    case TCopyFileForm::kNoAll:
      g_mode = kReplaceNone;
      return false;
    case TCopyFileForm::kCancel:
      cancel = true;
      return false;
    default:
      return false;
  }
}

bool ConfirmReplaceIntoSafe(zk::ITextRes* texts, const std::string& diskPath,
                            const std::string& safePath, const zk::SafeFileInfo& entry,
                            bool& cancel) {
  uint32_t size = 0;
  zk::CalendarTime time{};
  if (!DiskFileFacts(diskPath, size, time)) return false;
  return ConfirmReplace(texts, diskPath, safePath, cancel, size, entry.size, time, entry.modified);
}

bool ConfirmReplaceOnDisk(zk::ITextRes* texts, const std::string& safePath,
                          const zk::SafeFileInfo& entry, const std::string& diskPath,
                          bool& cancel) {
  uint32_t size = 0;
  zk::CalendarTime time{};
  if (!DiskFileFacts(diskPath, size, time)) return false;
  return ConfirmReplace(texts, safePath, diskPath, cancel, entry.size, size, entry.modified, time);
}

}  // namespace kiv
