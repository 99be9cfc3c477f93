// Parameter files of any bytes: never a crash, and what Save writes loads
// back to the same entries (saving it again gives the same bytes).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "zk5script.h"

namespace {

zk::IAppParam* Make() { return zkfuzz::MustCreate<zk::IAppParam>(zk::id::ScriptParamScript, zk::id::ScriptIAppParam); }

std::string LoadAndSave(zk::IAppParam* p, const std::string& text) {
  zktest::FakeStream* s = zktest::FakeStream::Make(std::vector<uint8_t>(text.begin(), text.end()), true);
  if (p->Load(s) != 0 || p->Save() != 0) std::abort();
  std::string out(s->data.begin(), s->data.end());
  s->Release();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zk::IAppParam* p = Make();
  std::string first = LoadAndSave(p, std::string(reinterpret_cast<const char*>(data), size));
  // Every typed reading of every entry.
  for (int32_t i = 0; i < p->GetCount(); ++i) {
    char* name = nullptr;
    if (p->GetName(i, &name) != 0) std::abort();
    int32_t n;
    uint32_t h;
    double d;
    void* block = nullptr;
    uint32_t count = 0;
    char* s = nullptr;
    if (p->GetInt(name, &n) != 0 || p->GetHex(name, &h) != 0 || p->GetDouble(name, &d) != 0 ||
        p->GetBinary(name, &block, &count) != 0 || p->GetString(name, &s) != 0 ||
        p->GetComment(name, &s) != 0)
      std::abort();
    zk_free(block);
    zk_free(s);
    zk_free(name);
  }
  std::string second = LoadAndSave(p, first);
  if (second != first) std::abort();
  p->Release();
  return 0;
}
