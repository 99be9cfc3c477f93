// The message interface's code (declared in include/kvMessageSocket.h).
#include "kvMessageSocket.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "ByteOrder.h"
#include "PrivateFolder.h"

namespace kiv::wm {

void PackRecord(const Record& r, uint8_t out[kRecordSize]) {
  zk::StoreLE32(out, r.message);
  zk::StoreLE32(out + 4, r.wParam);
  zk::StoreLE32(out + 8, r.lParam);
}

Record UnpackRecord(const uint8_t in[kRecordSize]) {
  return {zk::LoadLE32(in), zk::LoadLE32(in + 4), zk::LoadLE32(in + 8)};
}

size_t DeliverableRecords(const uint8_t* bytes, size_t size, bool closing) {
  const size_t whole = size / kRecordSize;
  if (closing) return whole;
  for (size_t i = whole; i > 0; --i) {
    const Record r = UnpackRecord(bytes + (i - 1) * kRecordSize);
    if (r.message != kName && IsInterfaceMessage(r.message)) return i;
  }
  return 0;
}

std::vector<Record> NameRecords(std::string_view name) {
  std::vector<Record> out;
  size_t total = (name.size() + 8) / 8 * 8;
  for (size_t at = 0; at < total; at += 8) {
    uint8_t chunk[8] = {};
    for (size_t i = 0; i < 8 && at + i < name.size(); ++i) chunk[i] = uint8_t(name[at + i]);
    out.push_back({kName, zk::LoadLE32(chunk), zk::LoadLE32(chunk + 4)});
  }
  return out;
}

std::vector<Record> CommandRecords(const std::vector<std::string>& names, uint32_t command) {
  std::vector<Record> out;
  for (const std::string& n : names) {
    std::vector<Record> r = NameRecords(n);
    out.insert(out.end(), r.begin(), r.end());
  }
  out.push_back({command, 0, 0});
  return out;
}

void NameAssembler::Feed(uint32_t wParam, uint32_t lParam, const std::function<void(std::string)>& done) {
  uint8_t chunk[8];
  zk::StoreLE32(chunk, wParam);
  zk::StoreLE32(chunk + 4, lParam);
  for (uint8_t b : chunk) {
    if (b == 0) {
      std::string name;
      name.swap(pending_);
      done(std::move(name));
      return;
    }
    pending_.push_back(char(b));
  }
}

std::string RuntimeFolder() {
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  std::string dir = xdg && xdg[0] == '/' ? std::string(xdg) : "/tmp/kivora-" + std::to_string(getuid());
  if (zk::PreparePrivateFolder(dir) != zk::FolderRefusal::kNone) return {};
  return dir;
}

std::string SocketPath(const std::string& folder) { return folder + "/" + kWindowTitle + ".socket"; }
std::string LockPath(const std::string& folder) { return folder + "/" + kWindowTitle + ".lock"; }

bool SocketAddress(const std::string& path, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.data(), path.size());
  return true;
}

int ConnectTo(const std::string& socketPath) {
  sockaddr_un addr;
  if (!SocketAddress(socketPath, addr)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    int e = errno;
    close(fd);
    errno = e;
    return -1;
  }
  return fd;
}

bool WriteRecords(int fd, const std::vector<Record>& records) {
  std::vector<uint8_t> bytes(records.size() * kRecordSize);
  for (size_t i = 0; i < records.size(); ++i) PackRecord(records[i], &bytes[i * kRecordSize]);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

bool SendCommand(const std::vector<std::string>& names, uint32_t command) {
  std::string folder = RuntimeFolder();
  if (folder.empty()) return false;
  int fd = ConnectTo(SocketPath(folder));
  if (fd < 0) return false;
  bool ok = WriteRecords(fd, CommandRecords(names, command));
  close(fd);
  return ok;
}

}  // namespace kiv::wm
