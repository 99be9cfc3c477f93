#include "desktop/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "kvMessageSocket.h"

namespace kiv {

namespace {

// Holds the lock file locked for one scope.
class LockFile {
 public:
  explicit LockFile(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~LockFile() {
    if (fd_ >= 0) {
      flock(fd_, LOCK_UN);
      close(fd_);
    }
  }

 private:
  int fd_ = -1;
};

int Listen(const std::string& path) {
  sockaddr_un addr;
  if (!wm::SocketAddress(path, addr)) return -1;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
    std::fprintf(stderr, "Kivora: cannot listen on %s: %s\n", path.c_str(), std::strerror(errno));
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

InstanceClaim ClaimInstance(const std::string& folder) {
  InstanceClaim claim;
  if (folder.empty()) return claim;
  std::string socketPath = wm::SocketPath(folder);
  LockFile lock(wm::LockPath(folder));
  int fd = wm::ConnectTo(socketPath);
  if (fd >= 0) {
    claim.kind = InstanceClaim::kOther;
    claim.fd = fd;
    return claim;
  }
  // Nobody answers: whatever is left at the path is stale.
  unlink(socketPath.c_str());
  claim.fd = Listen(socketPath);
  struct stat st;
  if (claim.fd >= 0 && stat(socketPath.c_str(), &st) == 0) claim.socketInode = st.st_ino;
  return claim;
}

void ReleaseInstance(const std::string& folder, const InstanceClaim& claim) {
  if (claim.kind != InstanceClaim::kFirst || claim.fd < 0 || folder.empty()) return;
  std::string socketPath = wm::SocketPath(folder);
  LockFile lock(wm::LockPath(folder));
  struct stat st;
  if (stat(socketPath.c_str(), &st) == 0 && st.st_ino == claim.socketInode)
    unlink(socketPath.c_str());
}

}  // namespace kiv
