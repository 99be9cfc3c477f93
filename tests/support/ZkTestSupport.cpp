#include "ZkTestSupport.h"

#include <dlfcn.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <spawn.h>
#include <sys/wait.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace zktest {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  value ? setenv(name, value, 1) : unsetenv(name);
}

ScopedEnv::~ScopedEnv() { old_ ? setenv(name_.c_str(), old_->c_str(), 1) : unsetenv(name_.c_str()); }

namespace {

// The thread's capability sets, through the raw calls (they act on the
// calling thread only; libc has no wrapper).
bool ThreadCaps(__user_cap_data_struct (&data)[2], bool set) {
  __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
  return syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

constexpr uint32_t kOverrides =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

}  // namespace

PermissionBitsHold::PermissionBitsHold() {
  __user_cap_data_struct data[2] = {};
  if (!ThreadCaps(data, false)) return;
  saved_[0] = data[0].effective;
  saved_[1] = data[1].effective;
  if ((data[0].effective & kOverrides) == 0) return;
  data[0].effective &= ~kOverrides;
  dropped_ = ThreadCaps(data, true);
}

PermissionBitsHold::~PermissionBitsHold() {
  if (!dropped_) return;
  __user_cap_data_struct data[2] = {};
  if (!ThreadCaps(data, false)) return;
  data[0].effective = saved_[0];
  data[1].effective = saved_[1];
  ThreadCaps(data, true);
}

int RunProgram(const std::string& name, const std::vector<std::string>& arguments) {
  std::string program = ProgramDir() + "/" + name;
  std::vector<std::string> args = arguments;
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool LoadToolkit(const std::string& name) {
  std::string path = ProgramDir() + "/" + name + ".so";
  // Never unloaded, as in the program.
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  EXPECT_NE(h, nullptr) << "cannot load " << path << ": " << dlerror();
  return h != nullptr;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> out;
  int hi = -1;
  for (char c : hex) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else continue;
    if (hi < 0) {
      hi = v;
    } else {
      out.push_back(static_cast<uint8_t>(hi * 16 + v));
      hi = -1;
    }
  }
  return out;
}

std::string ToHex(const uint8_t* data, size_t n) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s += d[data[i] >> 4];
    s += d[data[i] & 15];
  }
  return s;
}

}  // namespace zktest
