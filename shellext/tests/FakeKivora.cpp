// A stand-in for the desktop program in start-when-absent tests:
//   shellext_fake_kivora DELAY_MS OUT_FILE
// waits DELAY_MS, listens on the program's socket (in $XDG_RUNTIME_DIR),
// takes one connection, and writes its records to OUT_FILE, one
// "message wParam lParam" line each (written beside, then renamed over).
// Gives up after 20 s without a sender.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "kvMessageSocket.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  usleep(useconds_t(std::atoi(argv[1])) * 1000);
  std::string path = kiv::wm::SocketPath(kiv::wm::RuntimeFolder());
  sockaddr_un addr;
  if (!kiv::wm::SocketAddress(path, addr)) return 1;
  int server = socket(AF_UNIX, SOCK_STREAM, 0);
  unlink(path.c_str());
  if (server < 0 || bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(server, 4) != 0)
    return 1;
  pollfd p = {server, POLLIN, 0};
  if (poll(&p, 1, 20000) != 1) return 1;
  int fd = accept(server, nullptr, nullptr);
  std::string bytes;
  char buf[4096];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) bytes.append(buf, size_t(n));
  close(fd);
  close(server);
  unlink(path.c_str());
  std::string text;
  for (size_t at = 0; at + kiv::wm::kRecordSize <= bytes.size(); at += kiv::wm::kRecordSize) {
    kiv::wm::Record r = kiv::wm::UnpackRecord(reinterpret_cast<const uint8_t*>(bytes.data() + at));
    text += std::to_string(r.message) + " " + std::to_string(r.wParam) + " " +
            std::to_string(r.lParam) + "\n";
  }
  std::string temp = std::string(argv[2]) + ".new";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return 1;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  return std::rename(temp.c_str(), argv[2]) == 0 ? 0 : 1;
}
