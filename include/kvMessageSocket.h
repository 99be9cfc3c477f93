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
// The protocol's declarations; the code (plain POSIX, no Qt) is in the
// base, base/MessageSocket.cpp.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct sockaddr_un;

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

void PackRecord(const Record& r, uint8_t out[kRecordSize]);
Record UnpackRecord(const uint8_t in[kRecordSize]);

// How many whole records at the start of a connection's bytes go out as
// one unit: up to and including the last command record (a message of the
// interface other than 1044), or every whole record once the sender has
// closed. The rest waits for more bytes.
size_t DeliverableRecords(const uint8_t* bytes, size_t size, bool closing);

// The 1044 records of one name. A zero byte inside the name ends it early
// for the receiver, so names never hold one.
std::vector<Record> NameRecords(std::string_view name);

// The records that hand names and one command to the program.
std::vector<Record> CommandRecords(const std::vector<std::string>& names, uint32_t command);

// Turns the chunks of 1044 messages back into names.
class NameAssembler {
 public:
  // Appends the chunk's bytes to the pending name; at the first zero byte
  // the pending name is complete (given to done) and the rest of the chunk
  // is ignored. A chunk that begins with 0 completes an empty name.
  void Feed(uint32_t wParam, uint32_t lParam, const std::function<void(std::string)>& done);
  const std::string& Pending() const { return pending_; }

 private:
  std::string pending_;
};

// The user's runtime folder: an absolute $XDG_RUNTIME_DIR, else
// /tmp/kivora-<uid>, under the rule of the user's private folders (made
// with mode 0700 when missing, closed to others when opened to them).
// Empty when the rule refuses it (a link, or not the user's own folder):
// then no socket is used.
std::string RuntimeFolder();

std::string SocketPath(const std::string& folder);
std::string LockPath(const std::string& folder);

// Fills a socket address; false when the path does not fit.
bool SocketAddress(const std::string& path, sockaddr_un& addr);

// Connects to the running program's socket; -1 when none listens there
// (errno tells why: ENOENT no socket, ECONNREFUSED a stale one).
int ConnectTo(const std::string& socketPath);

// Writes the records whole; false on a write error.
bool WriteRecords(int fd, const std::vector<Record>& records);

// Sends names and a command to the running program of this user; false
// when no program listens or the write failed.
bool SendCommand(const std::vector<std::string>& names, uint32_t command);

}  // namespace kiv::wm
