// A flow container read from arbitrary bytes: Open gives a status code or a
// container whose flows can be read, written, cut, deleted and packed
// without a crash, a hang or a read past what the container holds.
//
// Input: one byte choosing the class (bits 0-2: 0, 6, 7 storage.DynFlowCtrl,
// 1-5 the static ones), in place or read-only (bit 3) and the prefix size
// (bits 4-5), then the container's bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "zk5Stream.h"

namespace {


zk::IFileStrem* NewMem() { return zkfuzz::MustCreate<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem); }

// Reads a flow to its end in pieces; the count read never passes its size.
void ReadFlow(zk::IFileStrem* s, uint32_t piece) {
  uint64_t size = 0;
  if (s->GetSize(&size) != 0) abort();
  std::vector<uint8_t> buf(piece);
  uint64_t total = 0;
  for (uint64_t rounds = 0; s->IsEnd() == 0; ++rounds) {
    if (rounds > size + 1) abort();  // no progress
    uint32_t got = 0;
    if (s->Read(buf.data(), piece, &got) != 0) return;
    if (got > piece || got == 0) abort();
    total += got;
  }
  if (total > size) abort();
}

void Work(zk::IFlowControl* f, bool readOnly) {
  uint32_t sectors = 0, blocks = 0, freeBlocks = 0, flows = 0;
  f->GetInfo(&sectors, &blocks, &freeBlocks, &flows);
  std::vector<uint32_t> numbers = {0, 1, 2, 3, 4, 5, 7, 9, 255, f->NextFlowNumber() - 1};
  for (uint32_t n : numbers) {
    zk::IFileStrem* s = nullptr;
    if (f->OpenFlow(n, &s) != 0 || !s) continue;
    ReadFlow(s, 700);
    uint64_t size = 0;
    s->GetSize(&size);
    s->Seek(int64_t(size / 3), 0);
    ReadFlow(s, 4096);
    // Writing makes new blocks of the container's block size: only small ones.
    if (!readOnly && sectors <= 64) {
      s->Seek(int64_t(size / 2), 0);
      s->SetEnd();
      static const uint8_t kText[1200] = {1, 2, 3};
      s->Write(kText, sizeof kText);
      s->Seek(0, 0);
      ReadFlow(s, 512);
    }
    s->Release();
    if (n % 2 == 1) f->DeleteFlow(n);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  static const char* const kClasses[] = {
      zk::id::StorageDynFlowCtrl,        zk::id::StorageStaticFlowCtrl8x16, zk::id::StorageStaticFlowCtrl8x32,
      zk::id::StorageStaticFlowCtrl6x16, zk::id::StorageStaticFlowCtrl16x32, zk::id::StorageStaticFlowCtrl32x32,
      zk::id::StorageDynFlowCtrl,        zk::id::StorageDynFlowCtrl};
  const char* cls = kClasses[data[0] & 7];
  const bool dynamic = (data[0] & 7) == 0 || (data[0] & 7) >= 6;
  const bool flag = (data[0] & 8) != 0;
  const uint32_t prefix = (data[0] >> 4) & 3;
  zk::IFileStrem* container = NewMem();
  zk::IFileStrem* work = NewMem();
  if (size > 1) container->Write(data + 1, uint32_t(size - 1));
  zk::IFlowControl* f = zkfuzz::MustCreate<zk::IFlowControl>(cls, zk::id::StreamIFlowControl);
  if (f->Open(container, work, flag, prefix) == 0) {
    Work(f, flag);
    if (dynamic && !flag && f->Pack() == 0) {
      // What Pack wrote opens again.
      zk::IFileStrem* work2 = NewMem();
      zk::IFlowControl* g = zkfuzz::MustCreate<zk::IFlowControl>(cls, zk::id::StreamIFlowControl);
      if (g->Open(container, work2, 0, prefix) != 0) abort();
      Work(g, true);
      g->Release();
      work2->Release();
    }
  }
  f->Release();
  work->Release();
  container->Release();
  return 0;
}
