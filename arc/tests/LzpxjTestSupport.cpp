#include "LzpxjTestSupport.h"

#include "CoderTestSupport.h"

namespace arctest {

using namespace zktest;

std::vector<CorpusCase> LzpxjCorpus() {
  std::vector<CorpusCase> c;
  c.push_back({"empty", {}});
  c.push_back({"one", Bytes("a")});
  c.push_back({"three", Bytes("abc")});
  c.push_back({"four", Bytes("abcd")});
  c.push_back({"five", Bytes("abcde")});
  c.push_back({"text",
               Bytes("A secret is an encrypted, compressed container that holds one text "
                     "message, one file, or a safe. It is stored either as a secret file of "
                     "its own or hidden inside an ordinary carrier file by steganography. "
                     "A secret is opened with a password or with a key from the key storage.\n"
                     "A secret is opened with a password or with a key from the key storage.\n")});
  c.push_back({"source",
               Bytes("#include <stdio.h>\nint main(void) {\n  for (int i = 0; i < 10; ++i) {\n"
                     "    printf(\"%d\\n\", i * i);\n  }\n  for (int j = 0; j < 10; ++j) {\n"
                     "    printf(\"%d\\n\", j + j);\n  }\n  return 0;\n}\n")});
  c.push_back({"random", RandomBytes(1000, 7)});
  c.push_back({"run100", std::vector<uint8_t>(100, 'a')});
  c.push_back({"run10000", std::vector<uint8_t>(10000, 0x41)});
  {
    std::vector<uint8_t> v;
    for (int k = 0; k < 30; ++k) {
      auto w = Bytes("the quick brown fox jumps over the lazy dog ");
      v.insert(v.end(), w.begin(), w.end());
    }
    c.push_back({"phrase", v});
  }
  {
    // Runs of every length 1-40: lengths 2-8 as short flags, 9+ as length symbols.
    std::vector<uint8_t> v;
    for (int len = 1; len <= 40; ++len) v.insert(v.end(), size_t(len), uint8_t('A' + len % 26));
    c.push_back({"runs", v});
  }
  {
    std::vector<uint8_t> v(3000);
    for (size_t i = 0; i < v.size(); ++i) v[i] = uint8_t((i * i) % 251);
    c.push_back({"squares", v});
  }
  // Long enough for table halving and for the smoothing counters to saturate.
  c.push_back({"words", WordText(40000, 3)});
  c.push_back({"random8k", RandomBytes(8192, 11)});
  return c;
}

std::vector<uint8_t> TwoBlockInput() {
  std::vector<uint8_t> pattern = RandomBytes(1000, 5);
  std::vector<uint8_t> v((size_t(1) << 24) + 1);
  for (size_t i = 0; i < v.size(); ++i) v[i] = pattern[i % 1000];
  v.back() = 0x5A;
  return v;
}

}  // namespace arctest
