// Relative paths of arbitrary strings: never a crash or a read past a string.
#include <cstdint>
#include <string>

#include "zk5main.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string s(reinterpret_cast<const char*>(data), size);
  size_t cut = s.find('\0');
  std::string dir = s.substr(0, cut);
  std::string target = cut == std::string::npos ? "" : s.substr(cut + 1);
  target = target.substr(0, target.find('\0'));
  char* r = zk_ConstructRelationalPath(dir.c_str(), target.c_str(), '/');
  zk_free(r);
  return 0;
}
