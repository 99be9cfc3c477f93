// Registry files of arbitrary bytes: loaded, queried and written back
// without a crash.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "UserRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string file = "/tmp/kiv-fuzz-registry-" + std::to_string(getpid());
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  zk::UserRegistry registry(file);
  std::string value;
  registry.QueryValue("A\\B", "n", &value);
  registry.SetValue("A\\B", "n", "v");
  registry.DeleteTree("a");
  std::remove(file.c_str());
  return 0;
}
