#include <gtest/gtest.h>

#include "FlowTestSupport.h"

using zktest::Ref;
using zk::IFileStrem;
using zk::IFlowControl;

namespace {

std::vector<uint8_t> Repeat(size_t n, uint8_t b) { return std::vector<uint8_t>(n, b); }
std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Width {
  const char* classId;
  // Tables of a container made with 3 one-sector blocks and a 2-byte
  // prefix, holding flow 5 ("hi", block 1) and flow 9 (600 bytes, blocks 2
  // and 3), worked by hand: prefix | header {2 flows, 3 blocks, 1 sector} |
  // room for 3 directory records | 3 chain entries {end, 3, end}.
  const char* tables;
  uint32_t maxNumber;
  uint32_t maxBlocks;
  uint32_t maxSectors;
  uint64_t maxSize;
};

const Width kWidths[] = {
    {zk::id::StorageStaticFlowCtrl8x16,
     "0000 020301 05010200 09025802 00000000 ff03ff", 0xFF, 254, 0xFF, 0xFFFF},
    {zk::id::StorageStaticFlowCtrl8x32,
     "0000 020301 0501000002000000 0902000058020000 0000000000000000 ff03ff", 0xFF, 254, 0xFF,
     0xFFFFFFFF},
    {zk::id::StorageStaticFlowCtrl6x16,
     "0000 020003000100 050001000200 090002005802 000000000000 ffff0300ffff", 0xFFFF, 65534, 0xFFFF,
     0xFFFF},
    {zk::id::StorageStaticFlowCtrl16x32,
     "0000 020003000100 0500010002000000 0900020058020000 0000000000000000 ffff0300ffff", 0xFFFF,
     65534, 0xFFFF, 0xFFFFFFFF},
    {zk::id::StorageStaticFlowCtrl32x32,
     "0000 020000000300000001000000 050000000100000002000000 090000000200000058020000"
     " 000000000000000000000000 ffffffff03000000ffffffff",
     0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFF},
};

TEST(StaticFlowCtrlTest, StoredTablesAndReopen) {
  for (const Width& w : kWidths) {
    SCOPED_TRACE(w.classId);
    Ref<IFileStrem> c(zktest::NewMem());
    Ref<IFlowControl> f(storagetest::NewCtrl(w.classId));
    ASSERT_TRUE(f);
    ASSERT_EQ(f->Create(c.get(), nullptr, 3, 2, 1), 0);
    { Ref<IFileStrem> s(storagetest::AddFlow(f.get(), 5, {'h', 'i'})); }
    { Ref<IFileStrem> s(storagetest::AddFlow(f.get(), 9, Repeat(600, 0x77))); }
    auto blocks = Cat(Cat(std::vector<uint8_t>{'h', 'i'}, Repeat(510, 0)), Cat(Repeat(600, 0x77), Repeat(424, 0)));
    EXPECT_EQ(zktest::ToHex(zktest::ReadAll(c.get())), zktest::ToHex(Cat(zktest::FromHex(w.tables), blocks)));
    EXPECT_EQ(f->Pack(), 0);
    EXPECT_EQ(zktest::ToHex(zktest::ReadAll(c.get())), zktest::ToHex(Cat(zktest::FromHex(w.tables), blocks)));

    // Delete, detach, open again: the same flows, the freed block reused.
    ASSERT_EQ(f->DeleteFlow(5), 0);
    ASSERT_EQ(f->Detach(), 0);
    EXPECT_EQ(storagetest::GetInfo(f.get()).flows, 0u);
    ASSERT_EQ(f->Open(c.get(), nullptr, 0, 2), 0);
    auto info = storagetest::GetInfo(f.get());
    EXPECT_EQ(info.sectors, 1u);
    EXPECT_EQ(info.blocks, 3u);
    EXPECT_EQ(info.free, 1u);
    EXPECT_EQ(info.flows, 1u);
    EXPECT_EQ(storagetest::FlowBytes(f.get(), 9), Repeat(600, 0x77));
    Ref<IFileStrem> s;
    EXPECT_EQ(f->OpenFlow(5, s.out()), -6);
    { Ref<IFileStrem> t(storagetest::AddFlow(f.get(), 7, zktest::Pattern(300))); }
    EXPECT_EQ(storagetest::GetInfo(f.get()).free, 0u);
    ASSERT_EQ(f->Detach(), 0);

    ASSERT_EQ(f->Open(c.get(), nullptr, 1, 2), 0);
    EXPECT_EQ(f->NextFlowNumber(), 10u);
    EXPECT_EQ(storagetest::FlowBytes(f.get(), 7), zktest::Pattern(300));
    EXPECT_EQ(storagetest::FlowBytes(f.get(), 9), Repeat(600, 0x77));
    ASSERT_EQ(f->OpenFlow(7, s.out()), 0);
    EXPECT_EQ(s->Write("x", 1), -3);
    EXPECT_EQ(s->SetEnd(), -3);
    s.reset();
    EXPECT_EQ(f->CreateFlow(3, s.out()), -3);
    EXPECT_EQ(f->DeleteFlow(7), -3);
  }
}

TEST(StaticFlowCtrlTest, FieldLimits) {
  for (const Width& w : kWidths) {
    SCOPED_TRACE(w.classId);
    Ref<IFileStrem> c(zktest::NewMem());
    Ref<IFlowControl> f(storagetest::NewCtrl(w.classId));
    std::vector<uint8_t> big(65535, 0x5A);
    EXPECT_EQ(f->Create(c.get(), nullptr, 0, 0, 1), -2);
    EXPECT_EQ(f->Create(c.get(), nullptr, 1, 0, 0), -2);
    EXPECT_EQ(f->Create(nullptr, nullptr, 1, 0, 1), -2);
    EXPECT_EQ(f->Create(c.get(), nullptr, w.maxBlocks + 1, 0, 1), -2);
    if (w.maxSectors < 0xFFFFFFFF) {
      EXPECT_EQ(f->Create(c.get(), nullptr, 1, 0, w.maxSectors + 1), -2);
    }
    if (w.maxBlocks <= 254) {
      EXPECT_EQ(f->Create(c.get(), nullptr, w.maxBlocks, 0, 1), 0);
    }

    // A write needing a block when none is left gives -6 and writes nothing.
    ASSERT_EQ(f->Create(c.get(), nullptr, 1, 0, 1), 0);
    {
      Ref<IFileStrem> one(storagetest::AddFlow(f.get(), 1, {}));
      EXPECT_EQ(one->Write(big.data(), 513), -6);
      EXPECT_EQ(storagetest::GetInfo(f.get()).free, 1u);
    }

    // Flow numbers up to the field's width; one flow per block.
    ASSERT_EQ(f->Create(c.get(), nullptr, 2, 0, 128), 0);
    Ref<IFileStrem> s;
    if (w.maxNumber < 0xFFFFFFFF) {
      EXPECT_EQ(f->CreateFlow(w.maxNumber + 1, s.out()), -2);
    }
    ASSERT_EQ(f->CreateFlow(w.maxNumber, s.out()), 0);
    Ref<IFileStrem> t;
    ASSERT_EQ(f->CreateFlow(1, t.out()), 0);
    Ref<IFileStrem> u;
    EXPECT_EQ(f->CreateFlow(2, u.out()), -15);  // the directory is full

    // A flow grows up to its size field, and no block is left for the other.
    ASSERT_EQ(s->Write(big.data(), uint32_t(big.size())), 0);
    if (w.maxSize == 0xFFFF) {
      EXPECT_EQ(s->Write("x", 1), -15);
    } else {
      ASSERT_EQ(s->Write("x", 1), 0);
    }
    EXPECT_EQ(t->Write(big.data(), uint32_t(big.size())), 0);
    EXPECT_EQ(t->Write(big.data(), 2), w.maxSize == 0xFFFF ? -15 : -6);
    uint64_t size = 0;
    ASSERT_EQ(t->GetSize(&size), 0);
    EXPECT_EQ(size, 65535u);  // nothing written by the refused write
    s.reset();
    t.reset();
    ASSERT_EQ(f->Detach(), 0);
    ASSERT_EQ(f->Open(c.get(), nullptr, 0, 0), 0);
    EXPECT_EQ(storagetest::FlowBytes(f.get(), 1), big);
    EXPECT_EQ(storagetest::FlowBytes(f.get(), w.maxNumber).size(), w.maxSize == 0xFFFF ? 65535u : 65536u);
  }
}

TEST(StaticFlowCtrlTest, SeekFromCurrentIn6x16StaysBelow15Bits) {
  Ref<IFileStrem> c(zktest::NewMem());
  Ref<IFlowControl> f(storagetest::NewCtrl(zk::id::StorageStaticFlowCtrl6x16));
  ASSERT_EQ(f->Create(c.get(), nullptr, 1, 0, 80), 0);
  Ref<IFileStrem> s(storagetest::AddFlow(f.get(), 1, zktest::Pattern(40000)));
  ASSERT_EQ(s->Seek(0, 0), 0);
  EXPECT_EQ(s->Seek(33000, 1), -2);
  EXPECT_EQ(s->Seek(32767, 1), 0);
  EXPECT_EQ(s->Seek(33000, 0), 0);
  EXPECT_EQ(s->Seek(3, 2), 0);
  uint64_t pos = 0;
  ASSERT_EQ(s->GetPosition(&pos), 0);
  EXPECT_EQ(pos, 39997u);
}

TEST(StaticFlowCtrlTest, DamagedContainersAreRefused) {
  // 8x16 tables as in StoredTablesAndReopen; the header starts at byte 2.
  auto good = Cat(zktest::FromHex(kWidths[0].tables), Repeat(3 * 512, 0));
  struct Patch {
    const char* what;
    size_t at;
    uint8_t value;
    int expect;
  } patches[] = {
      {"sectors 0", 4, 0, -14},          {"block count at the end marker", 3, 0xFF, -14},
      {"more flows than room", 2, 4, -14}, {"first block out of range", 6, 4, -14},
      {"chain out of range", 18, 7, -14}, {"cyclic chain", 18, 2, -14},
      {"duplicate numbers", 9, 5, -14},   {"size past its blocks", 8, 0x03, -14},
  };
  for (const Patch& p : patches) {
    SCOPED_TRACE(p.what);
    auto bytes = good;
    bytes[p.at] = p.value;
    Ref<IFileStrem> c(zktest::NewMem());
    storagetest::Fill(c.get(), bytes);
    Ref<IFlowControl> f(storagetest::NewCtrl(zk::id::StorageStaticFlowCtrl8x16));
    EXPECT_EQ(f->Open(c.get(), nullptr, 0, 2), p.expect);
    EXPECT_EQ(storagetest::GetInfo(f.get()).flows, 0u);
  }
  for (size_t n = 0; n < good.size(); n += (n < 30 ? 1 : 97)) {
    Ref<IFileStrem> c(zktest::NewMem());
    storagetest::Fill(c.get(), std::vector<uint8_t>(good.begin(), good.begin() + n));
    Ref<IFlowControl> f(storagetest::NewCtrl(zk::id::StorageStaticFlowCtrl8x16));
    EXPECT_EQ(f->Open(c.get(), nullptr, 0, 2), -104) << n;
  }
}

}  // namespace
