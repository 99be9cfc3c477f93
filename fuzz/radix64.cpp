// Radix-64 decoding of arbitrary text: never a crash, a hang or a read past
// the input; whatever decodes re-encodes to text that decodes to the same.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "zk5Cipher.h"
#include "zk5Stream.h"

namespace {

zk::IStream* NewRadix(zk::IStreamProcessor** proc) {
  zk::IBase* base = nullptr;
  if (zk_CreateInstance(zk::id::OpgpRadix64, &base) != 0 || !base) abort();
  auto* stream = zktest::Face<zk::IStream>(base, zk::id::StreamIStream);
  *proc = zktest::Face<zk::IStreamProcessor>(base, zk::id::StreamIStreamProcessor);
  base->Release();
  return stream;
}

std::vector<uint8_t> Decode(const std::vector<uint8_t>& text, uint32_t piece) {
  zk::IStreamProcessor* proc = nullptr;
  zk::IStream* r = NewRadix(&proc);
  zktest::FakeStream* f = zktest::FakeStream::Create();
  f->data = text;
  proc->SetStream(f);
  std::vector<uint8_t> out, buf(piece);
  for (size_t rounds = 0; r->IsEnd() == 0; ++rounds) {
    if (rounds > text.size() + 2) abort();  // no progress: a hang
    uint32_t got = 0;
    StatusCode st = r->Read(buf.data(), piece, &got);
    if (got > piece) abort();
    out.insert(out.end(), buf.begin(), buf.begin() + got);
    if (st != 0) break;
  }
  proc->Release();
  r->Release();
  f->Release();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> text(data, data + size);
  const uint32_t piece = size ? 1 + data[0] % 17 : 1;
  std::vector<uint8_t> bytes = Decode(text, piece);
  if (bytes.size() > size) abort();
  // Round trip of what was decoded.
  zk::IStreamProcessor* proc = nullptr;
  zk::IStream* r = NewRadix(&proc);
  zktest::FakeStream* f = zktest::FakeStream::Create();
  proc->SetStream(f);
  const uint8_t none = 0;
  r->Write(bytes.empty() ? &none : bytes.data(), uint32_t(bytes.size()));
  r->Close();
  if (Decode(f->data, 64) != bytes) abort();
  proc->Release();
  r->Release();
  f->Release();
  return 0;
}
