// Decoding of arbitrary text by the engine's text encoder (DecodeText):
// never a crash, a hang or a read outside memory.
// Input: one byte of mode, then either the armoured text as it is (mode
// 0) or the bytes of a block, which the harness armours first (any other
// mode), so that mutations reach the block's own checks. The password is
// always "fuzz". The seeds (fuzz/seeds/fuzz_engine_textdecode) are blocks
// encoded with that password; their README gives the command.
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/Platform.h"
#include "engine/TextEncoder.h"

namespace {

zk::ITextEncoder* TheEncoder() {
  static zk::ITextEncoder* encoder = [] {
    // zk5cipher and zk5storage come with the engine's objects; the coder too.
    std::string arc = zk::engine::ProgramFolder() + "zk5arc.so";
    if (!dlopen(arc.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) std::abort();
    zk::ITextEncoder* e = nullptr;
    if (zk::engine::MakeTextEncoder(nullptr, &e) != 0 || !e) std::abort();
    return e;
  }();
  return encoder;
}

std::string Armour(const uint8_t* data, size_t size) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < size; i += 3) {
    uint32_t v = uint32_t(data[i]) << 16;
    if (i + 1 < size) v |= uint32_t(data[i + 1]) << 8;
    if (i + 2 < size) v |= data[i + 2];
    out += kAlphabet[v >> 18 & 63];
    out += kAlphabet[v >> 12 & 63];
    out += i + 1 < size ? kAlphabet[v >> 6 & 63] : '=';
    out += i + 2 < size ? kAlphabet[v & 63] : '=';
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  std::string text = data[0] == 0 ? std::string(reinterpret_cast<const char*>(data + 1), size - 1)
                                  : Armour(data + 1, size - 1);
  char* out = nullptr;
  StatusCode st = TheEncoder()->DecodeText(text.c_str(), "fuzz", &out);
  if ((st == 0) != (out != nullptr)) std::abort();
  zk_free(out);
  return 0;
}
