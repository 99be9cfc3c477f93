// The inputs of the frozen Lzpxj corpus (their compressed bytes are in
// LzpxjGolden.inc).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace arctest {
struct CorpusCase {
  std::string name;
  std::vector<uint8_t> input;
};
std::vector<CorpusCase> LzpxjCorpus();
// 16 MiB of a repeated 1000-byte pattern and one byte more: two blocks.
std::vector<uint8_t> TwoBlockInput();
}  // namespace arctest
