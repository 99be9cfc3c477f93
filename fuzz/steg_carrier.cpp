// One carrier class (KIV_FUZZ_CARRIER, a class id) over arbitrary bytes held
// in a storage.MemStream: GetCapacity, GetHiddenSize and Extract must answer
// without crashing, hanging or reading past the data; Embed of a small
// payload and Wipe must then give a carrier whose Extract returns the
// payload, and zeros after Wipe where the carrier stores no length (direct
// carriers in place, copy carriers into a second memory stream).
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "steg/tests/BufferTestStreams.h"
#include "zk5Clsid.h"
#include "zk5Steg.h"
#include "zk5main.h"

#ifndef KIV_FUZZ_CARRIER
#error "KIV_FUZZ_CARRIER names the carrier class"
#endif

namespace {

zk::IFileStrem* Memory(const uint8_t* bytes, size_t n) {
  auto* s = zktest::Create<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem);
  if (!s) std::abort();
  if (n != 0 && s->Write(bytes, uint32_t(n)) != 0) std::abort();
  s->Seek(0, zk::kSeekSet);
  return s;
}

// Extracts count bytes from carrier; aborts unless they are expected.
void ExpectHidden(zk::ICarrier* steg, zk::IFileStrem* carrier, const std::vector<uint8_t>& expected) {
  zk::IFileStrem* got = Memory(nullptr, 0);
  if (steg->Extract(carrier, got, expected.size()) != 0 || zktest::StreamBytes(got) != expected) std::abort();
  got->Release();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // storage.MemStream comes from zk5storage.so beside the fuzz target.
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) std::abort();
  path[n] = 0;
  std::string dir(path);
  dir = dir.substr(0, dir.find_last_of('/'));
  if (!dlopen((dir + "/zk5storage.so").c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  auto* steg = zktest::Create<zk::ICarrier>(KIV_FUZZ_CARRIER, zk::id::StegICarrier);
  if (!steg) std::abort();
  zk::IFileStrem* carrier = Memory(data, size);
  uint64_t capacity = 0, hidden = 0;
  const bool valid = steg->GetCapacity(carrier, &capacity) == 0;
  if (steg->GetHiddenSize(carrier, &hidden) == 0) {
    zk::IFileStrem* out = Memory(nullptr, 0);
    steg->Extract(carrier, out, std::min<uint64_t>(hidden, 1u << 16));
    steg->Extract(carrier, out, hidden + 1);
    out->Release();
  }
  zk::IFileStrem* out = Memory(nullptr, 0);
  steg->Extract(carrier, out, 1);
  steg->Extract(carrier, out, uint64_t(1) << 40);
  out->Release();

  // A small payload and a carrier that holds it, or none at all.
  const uint8_t pattern[5] = {0xA5, 0x00, 0xFF, 0x3C, 0x81};
  const size_t n = valid ? size_t(std::min<uint64_t>(capacity, sizeof pattern)) : 2;
  const std::vector<uint8_t> payload(pattern, pattern + n);
  zk::IFileStrem* payloadStream = Memory(payload.data(), payload.size());
  void* q = nullptr;
  if (steg->QueryInterface(zk::id::StegICarrierCopy, &q) == 0) {
    auto* copy = static_cast<zk::ICarrierCopy*>(q);
    zk::IFileStrem* embedded = Memory(nullptr, 0);
    if (copy->Embed(carrier, payloadStream, embedded) == 0 && valid) ExpectHidden(steg, embedded, payload);
    zk::IFileStrem* wiped = Memory(nullptr, 0);
    // Nothing hidden is left: no bytes, or (no length stored) zeros.
    uint64_t left = 0;
    if (copy->Wipe(carrier, wiped) == 0 && valid && steg->GetHiddenSize(wiped, &left) == 0)
      ExpectHidden(steg, wiped, std::vector<uint8_t>(std::min<uint64_t>(left, 64), 0));
    embedded->Release();
    wiped->Release();
    copy->Release();
  } else if (steg->QueryInterface(zk::id::StegICarrierDirect, &q) == 0) {
    auto* direct = static_cast<zk::ICarrierDirect*>(q);
    if (direct->Embed(carrier, payloadStream) == 0 && valid) ExpectHidden(steg, carrier, payload);
    // The places are cleared: whole bytes of zeros.
    if (direct->Wipe(carrier) == 0 && valid)
      ExpectHidden(steg, carrier, std::vector<uint8_t>(std::min<uint64_t>(capacity, 64), 0));
    direct->Release();
  } else {
    std::abort();
  }
  payloadStream->Release();
  carrier->Release();
  steg->Release();
  return 0;
}
