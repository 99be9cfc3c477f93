// One carrier class (KIV_FUZZ_CARRIER, a class id) over arbitrary bytes.
//  - Direct carriers, Text and ZIP, in a storage.MemStream: GetCapacity, GetHiddenSize and Extract answer
//    without crashing, hanging or reading past the data; Embed of a small
//    payload and Wipe then give a carrier whose Extract returns the payload,
//    and zeros after Wipe where the carrier stores no length (direct
//    carriers in place, copy carriers into a second memory stream).
//  - The copy carriers that walk a file's structure (GIF, JPEG, PNG, MP3)
//    run over the tests' fake stream, once seeking as a
//    memory stream and once as a file stream: the carrier is only read,
//    Extract delivers exactly what it reports, and whatever Embed or Wipe
//    writes is again a carrier of the class; Embed's holds the payload and
//    Wipe's reports nothing hidden (0 bytes or -3), or hidden bytes that are
//    all zeros.
// Nothing hidden is checked with GetHiddenSize alone: an Extract of 0 bytes
// is refused by some carriers (GIF answers -2).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "StorageTestSupport.h"
#include "zk5Steg.h"

#ifndef KIV_FUZZ_CARRIER
#error "KIV_FUZZ_CARRIER names the carrier class"
#endif

namespace {

using zktest::FakeStream;

zk::IFileStrem* Memory(const uint8_t* bytes, size_t n) {
  auto* s = zkfuzz::MustCreate<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem);
  if (n != 0 && s->Write(bytes, uint32_t(n)) != 0) std::abort();
  s->Seek(0, zk::kSeekSet);
  return s;
}

using zktest::ReadAll;

// Extracts count bytes from carrier; aborts unless they are expected.
void ExpectHidden(zk::ICarrier* steg, zk::IFileStrem* carrier, const std::vector<uint8_t>& expected) {
  zk::IFileStrem* got = Memory(nullptr, 0);
  if (steg->Extract(carrier, got, expected.size()) != 0 || ReadAll(got) != expected) std::abort();
  got->Release();
}

void InMemoryStream(zk::ICarrier* steg, const uint8_t* data, size_t size) {
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
  if (auto* copy = zktest::Face<zk::ICarrierCopy>(steg, zk::id::StegICarrierCopy)) {
    zk::IFileStrem* embedded = Memory(nullptr, 0);
    if (copy->Embed(carrier, payloadStream, embedded) == 0 && valid) ExpectHidden(steg, embedded, payload);
    zk::IFileStrem* wiped = Memory(nullptr, 0);
    // Nothing hidden is left: no bytes, or (no length stored) zeros.
    uint64_t left = 0;
    if (copy->Wipe(carrier, wiped) == 0 && valid && steg->GetHiddenSize(wiped, &left) == 0 && left > 0)
      ExpectHidden(steg, wiped, std::vector<uint8_t>(std::min<uint64_t>(left, 64), 0));
    embedded->Release();
    wiped->Release();
    copy->Release();
  } else if (auto* direct = zktest::Face<zk::ICarrierDirect>(steg, zk::id::StegICarrierDirect)) {
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
}

// Extracts count bytes; the output holds exactly count bytes on success.
StatusCode Extract(zk::ICarrierCopy* c, FakeStream* carrier, uint64_t count, std::vector<uint8_t>* got) {
  FakeStream* out = FakeStream::Make();
  StatusCode st = c->Extract(carrier, out, count);
  if (st == 0 && out->data.size() != count) std::abort();
  if (got) *got = out->data;
  out->Release();
  return st;
}

void InFakeStream(zk::ICarrierCopy* c, const std::vector<uint8_t>& bytes, bool fileSeek) {
  FakeStream* carrier = FakeStream::Make(bytes, fileSeek);
  uint64_t cap = 0, hidden = 0;
  const StatusCode capSt = c->GetCapacity(carrier, &cap);
  if (c->GetHiddenSize(carrier, &hidden) == 0 && hidden > 0) {
    const uint64_t count = hidden < (1u << 20) ? hidden : (1u << 20);
    Extract(c, carrier, count, nullptr);
    Extract(c, carrier, 1, nullptr);
  }
  if (carrier->data != bytes) std::abort();  // only read

  // Embed a small payload and Wipe into second streams.
  const std::vector<uint8_t> payload = {'k', 'i', 'v', 0x00, 0xFF, 0x20, 0x20, 0x20, 0x20, 'z'};
  FakeStream* data = FakeStream::Make(payload, fileSeek);
  FakeStream* out = FakeStream::Make({}, fileSeek);
  if (c->Embed(carrier, data, out) == 0) {
    if (capSt != 0 || cap < payload.size()) std::abort();  // accepted beyond its capacity
    FakeStream* again = FakeStream::Make(out->data, fileSeek);
    uint64_t n = 0;
    if (c->GetCapacity(again, &n) != 0) std::abort();
    std::vector<uint8_t> back;
    if (Extract(c, again, payload.size(), &back) != 0 || back != payload) std::abort();
    again->Release();
  }
  FakeStream* wiped = FakeStream::Make({}, fileSeek);
  if (c->Wipe(carrier, wiped) == 0) {
    FakeStream* again = FakeStream::Make(wiped->data, fileSeek);
    uint64_t n = 0;
    if (c->GetCapacity(again, &n) != 0) std::abort();
    // Nothing hidden: 0 bytes, or -3 where the carrier says so (MP3).
    uint64_t left = 0;
    const StatusCode hiddenSt = c->GetHiddenSize(again, &left);
    if (hiddenSt != 0 && hiddenSt != zk::kNotExecuted) std::abort();
    if (hiddenSt == 0 && left > 0) {
      std::vector<uint8_t> back;
      const uint64_t count = std::min<uint64_t>(left, 64);
      if (Extract(c, again, count, &back) != 0 || back != std::vector<uint8_t>(count, 0)) std::abort();
    }
    again->Release();
  }
  if (carrier->data != bytes) std::abort();
  wiped->Release();
  out->Release();
  data->Release();
  carrier->Release();
}

// The copy carriers that walk a file's structure.
bool WalksStructure(const char* id) {
  for (const char* c : {zk::id::StegGIF, zk::id::StegJPEG, zk::id::StegPNG, zk::id::StegMP3})
    if (std::string(c) == id) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // storage.MemStream comes from zk5storage.so beside the fuzz target.
  zkfuzz::LoadBeside("zk5storage");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  static zk::ICarrier* steg = zkfuzz::MustCreate<zk::ICarrier>(KIV_FUZZ_CARRIER, zk::id::StegICarrier);
  if (!WalksStructure(KIV_FUZZ_CARRIER)) {
    InMemoryStream(steg, data, size);
  } else {
    static zk::ICarrierCopy* copy =
        zkfuzz::MustCreate<zk::ICarrierCopy>(KIV_FUZZ_CARRIER, zk::id::StegICarrierCopy);
    const std::vector<uint8_t> bytes = zkfuzz::Bytes(data, size);
    InFakeStream(copy, bytes, false);
    InFakeStream(copy, bytes, true);
  }
  return 0;
}
