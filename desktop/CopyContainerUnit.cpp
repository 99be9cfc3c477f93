#include "desktop/CopyContainerUnit.h"

#include <QApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <new>

#include "desktop/CommonUnit.h"
#include "desktop/ProgressUnit.h"
#include "desktop/Prompter.h"
#include "desktop/TextIds.h"

namespace kiv {

namespace {
CopyRead& TestRead() {
  static CopyRead read;
  return read;
}
constexpr size_t kBlock = 1048576;
}  // namespace

void SetCopyReadForTests(CopyRead read) { TestRead() = std::move(read); }

bool MakeCopyName(const std::string& path, std::string& out) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  for (int i = 0; i < kCopyNameTries; ++i) {
    name = "copy " + name;
    const std::string candidate = folder + name;
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) continue;  // taken, or not creatable: try the next name
    ::close(fd);
    out = candidate;
    return true;
  }
  return false;
}

int32_t CopyFileBytes(const std::string& source, const std::string& target, const CopyRead& read) {
  int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    ::unlink(target.c_str());  // the empty copy name made for it goes too
    return txt::kErrCannotOpen;
  }
  int outFd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (outFd < 0) {
    ::close(in);
    return txt::kErrCannotOpen;
  }
  std::unique_ptr<char[]> buf(new (std::nothrow) char[kBlock]);
  if (!buf) {
    ::close(in);
    ::close(outFd);
    return txt::kErrNoMemory;
  }
  struct stat st{};
  ::fstat(in, &st);
  const uint64_t total = st.st_size > 0 ? uint64_t(st.st_size) : 0;
  uint64_t done = 0;
  int32_t shown = -1;
  bool broken = false;
  for (;;) {
    long n = read ? read(in, buf.get(), kBlock) : long(::read(in, buf.get(), kBlock));
    if (n < 0 && errno == EINTR && !read) continue;
    if (n == 0) break;
    // A read failure breaks the copy off like a write failure would.
    if (n < 0 || ProgressCancelled()) {
      broken = true;
      break;
    }
    long w = 0;
    while (w < n) {
      ssize_t k = ::write(outFd, buf.get() + w, size_t(n - w));
      if (k < 0 && errno == EINTR) continue;
      if (k <= 0) break;
      w += k;
    }
    if (w < n) {
      broken = true;
      break;
    }
    done += uint64_t(n);
    int32_t pct = total ? int32_t(done * 100 / total) : 100;
    if (pct > shown) {
      shown = pct;
      ProgressPercentage(pct);
    }
  }
  if (!broken && ::fsync(outFd) != 0) broken = true;
  ::close(in);
  if (::close(outFd) != 0) broken = true;
  if (broken) {
    ::unlink(target.c_str());
    return txt::kErrCannotWrite;
  }
  // The copy keeps the carrier's access and modification times and mode.
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  ::utimensat(AT_FDCWD, target.c_str(), times, 0);
  ::chmod(target.c_str(), st.st_mode & 07777);
  return 0;
}

bool CopyContainerFile(const std::string& source, const std::string& target, zk::ITextRes* texts,
                       QWidget* owner) {
  int32_t textId = 0;
  const CopyRead read = TestRead();
  ProgressRun(QString(), QString::fromStdString(target), [&]() -> StatusCode {
    textId = CopyFileBytes(source, target, read);
    return 0;
  });
  if (textId == 0) return true;
  CurrentPrompter().Message(owner, QApplication::applicationName(), GetResText(texts, textId),
                            BoxIcon::kError, BoxButtons::kOk);
  return false;
}

}  // namespace kiv
