// Writes the frozen Lzpxj corpus: every input of LzpxjTestSupport.cpp encoded,
// checked by the tests' plain decoder, as the C++ table LzpxjGolden.inc.
// Run through make_lzpxj_golden.sh; never to make a test pass.
#include <cstdio>
#include <memory>
#include <string>

#include "LzpxjCore.h"
#include "LzpxjTestSupport.h"
#include "MemoryIoTestSupport.h"
#include "LzpxjModel.h"
#include "ZkTestSupport.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <LzpxjGolden.inc>\n", argv[0]);
    return 2;
  }
  std::unique_ptr<zk::arc::lzpxj::Workspace> ws(zk::arc::lzpxj::Workspace::Allocate());
  if (!ws) return 1;
  FILE* f = std::fopen(argv[1], "w");
  if (!f) return 1;
  std::fprintf(f, "// Frozen Lzpxj streams of the corpus in LzpxjTestSupport.cpp (name, hex).\n");
  for (const auto& c : arctest::LzpxjCorpus()) {
    zktest::MemoryIo m(c.input);
    if (zk::arc::lzpxj::Encode(*ws, m.io(), m.io(), nullptr, 0) != 0) return 1;
    const std::vector<uint8_t>& packed = m.output();
    std::vector<uint8_t> ref;
    if (!arctest::model::Decode(packed, &ref) || ref != c.input) {
      std::fprintf(stderr, "%s: the plain decoder disagrees\n", c.name.c_str());
      return 1;
    }
    std::string hex = zktest::ToHex(packed);
    std::fprintf(f, "{\"%s\",\n", c.name.c_str());
    for (size_t i = 0; i < hex.size(); i += 96) std::fprintf(f, " \"%s\"\n", hex.substr(i, 96).c_str());
    if (hex.empty()) std::fprintf(f, " \"\"\n");
    std::fprintf(f, "},\n");
  }
  return std::fclose(f) == 0 ? 0 : 1;
}
