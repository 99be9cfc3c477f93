// Language text files of any bytes: Load and the texts of the ids that
// occur (and of a few others) never crash or hang.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "zk5script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto* t = zkfuzz::MustCreate<zk::ITextRes>(zk::id::ScriptTextRes, zk::id::ScriptITextRes);
  std::string text(reinterpret_cast<const char*>(data), size);
  zktest::FakeStream* s = zktest::FakeStream::Make(zkfuzz::Bytes(data, size), true);
  if (t->Load(s) != 0) std::abort();
  char* out = nullptr;
  // The numbers that start lines, as ids, and the small ids.
  for (size_t i = 0; i < text.size() && i < 4096; ++i) {
    if ((i == 0 || text[i - 1] == '\n') && text[i] >= '0' && text[i] <= '9') {
      t->GetText(std::atoi(text.c_str() + i), &out);
    }
  }
  for (int32_t id = -1; id < 8; ++id) t->GetText(id, &out);
  zk_free(out);
  s->Release();
  t->Release();
  return 0;
}
