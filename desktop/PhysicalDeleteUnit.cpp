#include "desktop/PhysicalDeleteUnit.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kiv {

namespace {

bool WriteAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

WipeResult WipeFile(const std::string& path, const WipeHooks& hooks) {
  // O_NOFOLLOW refuses a link as the last component; O_NONBLOCK keeps a
  // fifo from blocking the open before the type test below turns it away.
  int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return WipeResult::kSkipped;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return WipeResult::kSkipped;
  }
  auto report = [&](int32_t p) {
    if (hooks.percent) hooks.percent(p);
  };
  report(0);
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  static const char zeros[kWipeBlock] = {};
  uint64_t written = 0;
  int32_t shown = 0;
  while (written < size) {
    const size_t step = static_cast<size_t>(std::min<uint64_t>(size - written, kWipeBlock));
    if (!WriteAll(fd, zeros, step)) {
      ::close(fd);
      return WipeResult::kFailed;
    }
    written += step;
    const int32_t p = static_cast<int32_t>(written * 100 / size);
    if (p > shown) {
      shown = p;
      if (p < 100) report(p);
    }
  }
  if (::fsync(fd) != 0) {
    ::close(fd);
    return WipeResult::kFailed;
  }
  if (::close(fd) != 0) return WipeResult::kFailed;
  if (hooks.beforeUnlink) hooks.beforeUnlink(path);
  if (::unlink(path.c_str()) != 0) return WipeResult::kFailed;
  report(100);
  return WipeResult::kWiped;
}

WipeReport WipeFiles(const std::vector<std::string>& paths, const WipeHooks& hooks,
                     const std::function<void(const std::string&)>& onFile) {
  WipeReport r;
  for (const std::string& p : paths) {
    if (onFile) onFile(p);
    switch (WipeFile(p, hooks)) {
      case WipeResult::kWiped:
        break;
      case WipeResult::kSkipped:
        r.skipped.push_back(p);
        break;
      case WipeResult::kFailed:
        r.failed.push_back(p);
        break;
    }
  }
  return r;
}

}  // namespace kiv

// The windows around the wipe.
#include <QStringList>

#include "desktop/CommonUnit.h"
#include "desktop/ProgressUnit.h"
#include "desktop/Prompter.h"
#include "desktop/TextIds.h"

namespace kiv {

void PhysicalDeletion(QWidget* owner, zk::ITextRes* texts, const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  const QString caption = GetResText(texts, txt::kPhysicalDeletion);
  if (CurrentPrompter().Message(owner, caption, GetResText(texts, txt::kAskPhysicalDeletion),
                                BoxIcon::kQuestion, BoxButtons::kYesNoDefaultNo) != BoxAnswer::kYes)
    return;
  WipeReport report;
  ProgressRun(caption, QString(), [&] {
    WipeHooks hooks;
    hooks.percent = [](int32_t p) { ProgressPercentage(p); };
    report = WipeFiles(paths, hooks, [&](const std::string& name) {
      ProgressUpdate(caption, QString::fromStdString(name), 0);
    });
    return StatusCode{0};
  });
  QString text = GetResText(texts, txt::kPhysicalDeletionDone);
  auto list = [&](int32_t id, const std::vector<std::string>& names) {
    if (names.empty()) return;
    text += "\n\n" + GetResText(texts, id);
    for (const std::string& n : names) text += "\n" + QString::fromStdString(n);
  };
  list(txt::kWipeSkipped, report.skipped);
  list(txt::kWipeFailed, report.failed);
  const bool clean = report.skipped.empty() && report.failed.empty();
  CurrentPrompter().Message(owner, caption, text,
                            clean ? BoxIcon::kInformation : BoxIcon::kWarning, BoxButtons::kOk);
}

void PhysicalDeletionFromDialog(QWidget* owner, zk::ITextRes* texts) {
  const QStringList names =
      CurrentPrompter().OpenFiles(owner, GetResText(texts, txt::kPhysicalDeletion), QString(),
                                  GetResText(texts, txt::kPhysicalDeletionFilter));
  std::vector<std::string> paths;
  for (const QString& n : names) paths.push_back(n.toStdString());
  PhysicalDeletion(owner, texts, paths);
}

}  // namespace kiv
