// The wholeness check of a user's settings file, on any bytes: never a
// crash; a text it takes as whole parses to entries whose saved form it
// takes as whole again, and what the parameter script saves is always
// taken as whole (the program's own saves are never refused as cut short).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ParamFormat.h"
#include "UserConfig.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  zk::engine::ConfigTextIsWhole(text);
  std::vector<zk::script::ParamEntry> entries;
  zk::script::ParseParams(text, entries);
  const std::string saved = zk::script::WriteParams(entries);
  if (!saved.empty() && !zk::engine::ConfigTextIsWhole(saved)) std::abort();
  return 0;
}
