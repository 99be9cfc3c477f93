// The message interface of the desktop program Kivora: how another process
// (a second start of the program, the file-manager extension) hands it
// file names and commands.
//
// The running program listens on a per-user local socket named after its
// window title, "Kivora 1.01", in the user's runtime folder (mode 0700).
// A sender connects, writes 12-byte records and closes. Each record is
// {message, wParam, lParam}, three little-endian 32-bit values:
//   1044 (WM_USER+20)  8 bytes of a name: bytes 0-3 in wParam, 4-7 in lParam,
//                      least significant byte first
//   1045 (WM_USER+21)  make a new safe and add the pending files to it
//   1046 (WM_USER+22)  open the first pending file as a secret
//   1047 (WM_USER+23)  make a new secret hidden in the first pending file
//   1048 (WM_USER+24)  physically delete the pending files
//   1049 (WM_USER+25)  minimise the program
// A name is its bytes (UTF-8), one zero byte, and zero filling up to a whole
// number of 8-byte chunks: a name of L bytes takes (L + 8) / 8 records.
// Send the chunks of every name, then one command record. The receiver
// takes a connection's records as one unit once the sender closes, so two
// senders never mix their names.
//
// Plain POSIX and the standard library only; no Qt.
#pragma once
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "ByteOrder.h"

namespace kiv::wm {

inline constexpr uint32_t kUser = 1024;
inline constexpr uint32_t kName = kUser + 20;          // 1044
inline constexpr uint32_t kNewSafe = kUser + 21;       // 1045
inline constexpr uint32_t kOpen = kUser + 22;          // 1046
inline constexpr uint32_t kNewInCarrier = kUser + 23;  // 1047
inline constexpr uint32_t kWipe = kUser + 24;          // 1048
inline constexpr uint32_t kMinimise = kUser + 25;      // 1049

// The title of the program's main window, which names its socket.
inline constexpr char kWindowTitle[] = "Kivora 1.01";

inline constexpr size_t kRecordSize = 12;

struct Record {
  uint32_t message = 0;
  uint32_t wParam = 0;
  uint32_t lParam = 0;
  bool operator==(const Record&) const = default;
};

// True for the messages another process may send.
inline bool IsInterfaceMessage(uint32_t message) { return message >= kName && message <= kMinimise; }

inline void PackRecord(const Record& r, uint8_t out[kRecordSize]) {
  zk::StoreLE32(out, r.message);
  zk::StoreLE32(out + 4, r.wParam);
  zk::StoreLE32(out + 8, r.lParam);
}

inline Record UnpackRecord(const uint8_t in[kRecordSize]) {
  return {zk::LoadLE32(in), zk::LoadLE32(in + 4), zk::LoadLE32(in + 8)};
}

// How many whole records at the start of a connection's bytes go out as
// one unit: up to and including the last command record (a message of the
// interface other than 1044), or every whole record once the sender has
// closed. The rest waits for more bytes.
inline size_t DeliverableRecords(const uint8_t* bytes, size_t size, bool closing) {
  const size_t whole = size / kRecordSize;
  if (closing) return whole;
  for (size_t i = whole; i > 0; --i) {
    const Record r = UnpackRecord(bytes + (i - 1) * kRecordSize);
    if (r.message != kName && IsInterfaceMessage(r.message)) return i;
  }
  return 0;
}

// The 1044 records of one name. A zero byte inside the name ends it early
// for the receiver, so names never hold one.
inline std::vector<Record> NameRecords(std::string_view name) {
  std::vector<Record> out;
  size_t total = (name.size() + 8) / 8 * 8;
  for (size_t at = 0; at < total; at += 8) {
    uint8_t chunk[8] = {};
    for (size_t i = 0; i < 8 && at + i < name.size(); ++i) chunk[i] = uint8_t(name[at + i]);
    out.push_back({kName, zk::LoadLE32(chunk), zk::LoadLE32(chunk + 4)});
  }
  return out;
}

// Turns the chunks of 1044 messages back into names.
class NameAssembler {
 public:
  // Appends the chunk's bytes to the pending name; at the first zero byte
  // the pending name is complete (given to done) and the rest of the chunk
  // is ignored. A chunk that begins with 0 completes an empty name.
  template <class Done>
  void Feed(uint32_t wParam, uint32_t lParam, Done&& done) {
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
  const std::string& Pending() const { return pending_; }

 private:
  std::string pending_;
};

// The user's runtime folder: $XDG_RUNTIME_DIR, else /tmp/kivora-<uid>,
// made with mode 0700 when missing. Empty when the folder is not a private
// directory of this user (then no socket is used).
inline std::string RuntimeFolder() {
  std::string dir;
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  if (xdg && *xdg) {
    dir = xdg;
  } else {
    dir = "/tmp/kivora-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
  }
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
      (st.st_mode & 077) != 0)
    return {};
  return dir;
}

inline std::string SocketPath(const std::string& folder) {
  return folder + "/" + kWindowTitle + ".socket";
}
inline std::string LockPath(const std::string& folder) {
  return folder + "/" + kWindowTitle + ".lock";
}

// Fills a socket address; false when the path does not fit.
inline bool SocketAddress(const std::string& path, sockaddr_un& addr) {
  std::memset(&addr, 0, sizeof addr);
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.data(), path.size());
  return true;
}

// Connects to the running program's socket; -1 when none listens there
// (errno tells why: ENOENT no socket, ECONNREFUSED a stale one).
inline int ConnectTo(const std::string& socketPath) {
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

// Writes the records whole; false on a write error.
inline bool WriteRecords(int fd, const std::vector<Record>& records) {
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

// The records that hand names and one command to the program.
inline std::vector<Record> CommandRecords(const std::vector<std::string>& names, uint32_t command) {
  std::vector<Record> out;
  for (const std::string& n : names) {
    std::vector<Record> r = NameRecords(n);
    out.insert(out.end(), r.begin(), r.end());
  }
  out.push_back({command, 0, 0});
  return out;
}

// Sends names and a command to the running program of this user; false
// when no program listens or the write failed.
inline bool SendCommand(const std::vector<std::string>& names, uint32_t command) {
  std::string folder = RuntimeFolder();
  if (folder.empty()) return false;
  int fd = ConnectTo(SocketPath(folder));
  if (fd < 0) return false;
  bool ok = WriteRecords(fd, CommandRecords(names, command));
  close(fd);
  return ok;
}

}  // namespace kiv::wm
