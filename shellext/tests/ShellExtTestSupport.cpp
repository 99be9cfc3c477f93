#include "ShellExtTestSupport.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <gtest/gtest.h>

namespace shellexttest {

ModuleFolder::ModuleFolder() {
  zktest::WriteFile(ModulePath(), zktest::ReadFile(zktest::ProgramDir() + "/kiv_shell_ext.so"));
  std::string error;
  EXPECT_TRUE(module.Load(ModulePath(), &error)) << error;
}

void ModuleFolder::WriteProgram(const std::string& script) const {
  std::string file = dir_.File("Kivora");
  std::ofstream(file) << "#!/bin/sh\n" << script << "\n";
  chmod(file.c_str(), 0755);
}

FakeProgram::FakeProgram() {
  std::string path = kiv::wm::SocketPath(kiv::wm::RuntimeFolder());
  sockaddr_un addr;
  if (!kiv::wm::SocketAddress(path, addr)) return;
  fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return;
  if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd_, 16) != 0) {
    close(fd_);
    fd_ = -1;
    unlink(path.c_str());
  }
}

FakeProgram::~FakeProgram() {
  if (fd_ >= 0) {
    close(fd_);
    unlink(kiv::wm::SocketPath(kiv::wm::RuntimeFolder()).c_str());
  }
}

std::vector<kiv::wm::Record> FakeProgram::Received() {
  pollfd p = {fd_, POLLIN, 0};
  while (fd_ >= 0 && poll(&p, 1, 0) == 1) {
    int c = accept(fd_, nullptr, nullptr);
    if (c < 0) break;
    ++connections_;
    std::string bytes;
    char buf[4096];
    for (ssize_t n; (n = read(c, buf, sizeof buf)) > 0;) bytes.append(buf, size_t(n));
    close(c);
    EXPECT_EQ(bytes.size() % kiv::wm::kRecordSize, 0u);
    for (size_t at = 0; at + kiv::wm::kRecordSize <= bytes.size(); at += kiv::wm::kRecordSize)
      records_.push_back(
          kiv::wm::UnpackRecord(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
  }
  return records_;
}

int FakeProgram::Connections() {
  Received();
  return connections_;
}

std::vector<kiv::wm::Record> Records(const std::vector<std::string>& names, uint32_t command) {
  std::vector<kiv::wm::Record> out;
  for (const std::string& name : names) {
    std::string bytes = name;
    bytes.append(8 - name.size() % 8, '\0');  // the zero and the filling
    for (size_t at = 0; at < bytes.size(); at += 8) {
      auto b = [&](size_t i) { return uint32_t(uint8_t(bytes[at + i])); };
      out.push_back({1044, b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24,
                     b(4) | b(5) << 8 | b(6) << 16 | b(7) << 24});
    }
  }
  out.push_back({command, 0, 0});
  return out;
}

}  // namespace shellexttest
