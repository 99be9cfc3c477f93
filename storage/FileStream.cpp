#include "FileStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "StreamCopy.h"

namespace zk {

FileStream::~FileStream() { Close(); }

StatusCode FileStream::IsEnd() {
  // At the end, or on any error (closed descriptor, failed status).
  if (fd_ < 0) return kEndOfStream;
  struct stat st;
  off_t pos = lseek(fd_, 0, SEEK_CUR);
  if (pos < 0 || fstat(fd_, &st) != 0) return kEndOfStream;
  return pos >= st.st_size ? kEndOfStream : kOk;
}

StatusCode FileStream::Read(void* buffer, uint32_t size, uint32_t* gotOut) {
  if (gotOut) *gotOut = 0;
  if (!buffer) return kInvalidArg;
  uint8_t* p = static_cast<uint8_t*>(buffer);
  uint32_t got = 0;
  // A regular file gives all it has in one call; the loop covers pipes and signals.
  while (got < size) {
    ssize_t n = ::read(fd_, p + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return kReadError;
    }
    if (n == 0) break;
    got += static_cast<uint32_t>(n);
  }
  if (gotOut) *gotOut = got;
  return kOk;
}

StatusCode FileStream::Write(const void* data, uint32_t length) {
  if (!data) return kInvalidArg;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t done = 0;
  while (done < length) {
    ssize_t n = ::write(fd_, p + done, length - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return kWriteError;
    }
    if (n == 0) return kWriteError;
    done += static_cast<uint32_t>(n);
  }
  return kOk;
}

StatusCode FileStream::Close() {
  if (fd_ != -1) {
    ::close(fd_);
    fd_ = -1;
  }
  return kOk;
}

StatusCode FileStream::CopyFrom(IStream* source, uint64_t count) { return CopyStream(this, source, count); }

StatusCode FileStream::Commit() { return fsync(fd_) == 0 ? kOk : kWriteError; }

StatusCode FileStream::GetSize(uint64_t* sizeOut) {
  if (!sizeOut) return kInvalidArg;
  *sizeOut = 0;
  struct stat st;
  if (fd_ < 0) return kNotOpen;
  if (fstat(fd_, &st) != 0) return kReadError;
  *sizeOut = static_cast<uint64_t>(st.st_size);
  return kOk;
}

StatusCode FileStream::GetPosition(uint64_t* positionOut) {
  if (!positionOut) return kInvalidArg;
  *positionOut = 0;
  if (fd_ < 0) return kNotOpen;
  off_t pos = lseek(fd_, 0, SEEK_CUR);
  if (pos < 0) return kReadError;
  *positionOut = static_cast<uint64_t>(pos);
  return kOk;
}

StatusCode FileStream::Seek(int64_t offset, int32_t origin) {
  if (fd_ < 0) return kNotOpen;
  int whence;
  switch (origin) {
    case kSeekSet: whence = SEEK_SET; break;
    case kSeekCur: whence = SEEK_CUR; break;
    case kSeekEnd: whence = SEEK_END; break;  // the offset is added to the size
    default: return kInvalidArg;
  }
  // A failed seek leaves the position where it was and says so.
  return lseek(fd_, static_cast<off_t>(offset), whence) < 0 ? kInvalidArg : kOk;
}

StatusCode FileStream::SetEnd() {
  if (fd_ < 0) return kWriteError;
  off_t pos = lseek(fd_, 0, SEEK_CUR);
  if (pos < 0) return kWriteError;
  return ftruncate(fd_, pos) == 0 ? kOk : kWriteError;
}

}  // namespace zk
