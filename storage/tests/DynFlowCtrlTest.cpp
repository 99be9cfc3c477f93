#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>

#include "FlowTestSupport.h"

using zktest::Ref;
using zk::IFileStrem;
using zk::IFlowControl;

namespace {

struct Dyn {
  Dyn() : c(zktest::NewMem()), w(zktest::NewMem()), f(storagetest::NewCtrl(zk::id::StorageDynFlowCtrl)) {}
  Ref<IFileStrem> c, w;
  Ref<IFlowControl> f;
};

std::vector<uint8_t> Repeat(size_t n, uint8_t b) { return std::vector<uint8_t>(n, b); }
std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
std::vector<uint8_t> Text(const char* s) { return std::vector<uint8_t>(s, s + strlen(s)); }

// A container with a 4-byte prefix and one-sector blocks: flows 1 (10 bytes,
// block 1), 2 (600 bytes, blocks 2 and 3) and 3 ("three", block 4); flow 1
// deleted, then packed. Worked by hand from the stored layout:
const char kPackedTables[] =
    "00000000"                             // prefix, zeroed by Create
    "02000000 03000000 00000000 01000000"  // 2 flows, 3 blocks, no limit, 1 sector
    "02000000 01000000 58020000 00000000"  // flow 2: first block 1 (was 2), 600 bytes
    "03000000 03000000 05000000 00000000"  // flow 3: first block 3 (was 4), 5 bytes
    "03000000"                             // 3 chain entries
    "02000000 ffffffff ffffffff";          // 1 -> 2 -> end; 3 -> end
std::vector<uint8_t> PackedFixture() {
  auto blocks = Cat(Cat(Repeat(600, 0x22), Repeat(424, 0)), Cat(Text("three"), Repeat(507, 0)));
  return Cat(zktest::FromHex(kPackedTables), blocks);
}

TEST(DynFlowCtrlTest, PackedBytesAreTheHandWorkedLayout) {
  Dyn d;
  storagetest::Fill(d.c.get(), Repeat(2000, 0xAB));  // Pack cuts what lies beyond
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 4, 1), 0);
  EXPECT_EQ(zktest::ToHex(zktest::ReadAll(d.c.get())).substr(0, 40),
            "0000000000000000000000000000000001000000");
  { Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 1, Text("0123456789"))); }
  { Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 2, Repeat(600, 0x22))); }
  { Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 3, Text("three"))); }
  EXPECT_EQ(storagetest::GetInfo(d.f.get()).free, 0u);
  ASSERT_EQ(d.f->DeleteFlow(1), 0);
  EXPECT_EQ(storagetest::GetInfo(d.f.get()).free, 1u);
  ASSERT_EQ(d.f->Pack(), 0);
  EXPECT_EQ(zktest::ToHex(zktest::ReadAll(d.c.get())), zktest::ToHex(PackedFixture()));
  // The tables in memory stay as they were: flow 2 still reads back.
  EXPECT_EQ(storagetest::FlowBytes(d.f.get(), 2), Repeat(600, 0x22));
}

TEST(DynFlowCtrlTest, OpensTheFixtureCopiedOrInPlace) {
  for (int inPlace : {0, 1}) {
    SCOPED_TRACE(inPlace);
    Dyn d;
    storagetest::Fill(d.c.get(), PackedFixture());
    ASSERT_EQ(d.f->Open(d.c.get(), d.w.get(), inPlace, 4), 0);
    EXPECT_EQ(d.f->NextFlowNumber(), 4u);
    auto info = storagetest::GetInfo(d.f.get());
    EXPECT_EQ(info.sectors, 1u);
    EXPECT_EQ(info.blocks, 0u);  // the block limit
    EXPECT_EQ(info.flows, 2u);
    EXPECT_EQ(storagetest::FlowBytes(d.f.get(), 2), Repeat(600, 0x22));
    EXPECT_EQ(storagetest::FlowBytes(d.f.get(), 3), Text("three"));
    EXPECT_EQ(storagetest::FlowBytes(d.f.get(), 1), std::vector<uint8_t>{});
    uint64_t workSize = 0;
    ASSERT_EQ(d.w->GetSize(&workSize), 0);
    Ref<IFileStrem> s;
    ASSERT_EQ(d.f->OpenFlow(3, s.out()), 0);
    if (inPlace) {
      // Blocks are read from the container itself; nothing may change it.
      EXPECT_EQ(workSize, 0u);
      EXPECT_EQ(s->Write("x", 1), -3);
      EXPECT_EQ(s->SetEnd(), -3);
      EXPECT_EQ(d.f->Pack(), -3);
    } else {
      EXPECT_EQ(workSize, 3u * 512);
      ASSERT_EQ(s->Seek(0, 2), 0);
      EXPECT_EQ(s->Write("!", 1), 0);
      ASSERT_EQ(d.f->Pack(), 0);
      EXPECT_EQ(storagetest::FlowBytes(d.f.get(), 3), Text("three!"));
    }
  }
}

TEST(DynFlowCtrlTest, ThousandBytesOverOneSectorBlocks) {
  Dyn d;
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 0, 1), 0);
  auto data = zktest::Pattern(1000);
  Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 1, data));
  uint64_t size = 0;
  ASSERT_EQ(s->GetSize(&size), 0);
  EXPECT_EQ(size, 1000u);
  ASSERT_EQ(d.f->Pack(), 0);
  auto bytes = zktest::ReadAll(d.c.get());
  ASSERT_EQ(bytes.size(), 16u + 16 + 4 + 8 + 1024);
  EXPECT_EQ(zktest::ToHex(bytes.data(), 44),
            zktest::ToHex(zktest::FromHex("01000000 02000000 00000000 01000000"
                                          "01000000 01000000 e8030000 00000000"
                                          "02000000 02000000 ffffffff")));
  EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes.begin() + 44));
}

TEST(DynFlowCtrlTest, NumbersAndDirectoryErrors) {
  Dyn d;
  EXPECT_EQ(d.f->NextFlowNumber(), 1u);
  IFileStrem* raw = nullptr;
  EXPECT_EQ(d.f->CreateFlow(1, &raw), -9);  // not attached
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 0, 1), 0);
  Ref<IFileStrem> one(storagetest::AddFlow(d.f.get(), 1, {}));
  { Ref<IFileStrem> seven(storagetest::AddFlow(d.f.get(), 7, {})); }
  EXPECT_EQ(d.f->NextFlowNumber(), 8u);
  Ref<IFileStrem> s;
  EXPECT_EQ(d.f->CreateFlow(7, s.out()), -10);
  EXPECT_EQ(d.f->CreateFlow(2, nullptr), -2);
  EXPECT_EQ(d.f->DeleteFlow(1), -21);
  EXPECT_EQ(d.f->DeleteFlow(5), -6);
  EXPECT_EQ(d.f->OpenFlow(5, s.out()), -6);
  EXPECT_FALSE(s);
  EXPECT_EQ(d.f->DeleteFlow(7), 0);
  EXPECT_EQ(d.f->NextFlowNumber(), 2u);
  EXPECT_EQ(d.f->Create(nullptr, d.w.get(), 0, 0, 1), -2);
  EXPECT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 0, 0), -2);
}

TEST(DynFlowCtrlTest, FreedBlockIsReusedAndPackDropsIt) {
  Dyn d;
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 0, 1), 0);
  { Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 1, Repeat(100, 1))); }
  { Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 2, Repeat(100, 2))); }
  ASSERT_EQ(d.f->DeleteFlow(1), 0);
  EXPECT_EQ(storagetest::GetInfo(d.f.get()).free, 1u);
  ASSERT_EQ(d.f->Pack(), 0);
  auto bytes = zktest::ReadAll(d.c.get());
  EXPECT_EQ(zktest::ToHex(bytes.data(), 40), zktest::ToHex(zktest::FromHex("01000000 01000000 00000000 01000000"
                                                                            "02000000 01000000 64000000 00000000"
                                                                            "01000000 ffffffff")));
  EXPECT_EQ(bytes.size(), 40u + 512);
  // The next block needed takes the freed one: still two blocks in all, and
  // its bytes past the data are zeros, not what flow 1 left there.
  { Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 3, Repeat(10, 3))); }
  EXPECT_EQ(storagetest::GetInfo(d.f.get()).free, 0u);
  uint64_t work = 0;
  ASSERT_EQ(d.w->GetSize(&work), 0);
  EXPECT_EQ(work, 1024u);
  auto w = zktest::ReadAll(d.w.get());
  EXPECT_EQ(std::vector<uint8_t>(w.begin(), w.begin() + 512), Cat(Repeat(10, 3), Repeat(502, 0)));
}

TEST(DynFlowCtrlTest, BlockLimit) {
  Dyn d;
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 1, 0, 1), 0);
  EXPECT_EQ(storagetest::GetInfo(d.f.get()).blocks, 1u);
  Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 1, {}));
  EXPECT_EQ(s->Write(Repeat(600, 1).data(), 600), -105);
  uint64_t size = 1;
  ASSERT_EQ(s->GetSize(&size), 0);
  EXPECT_EQ(size, 0u);  // refused before anything was written
  EXPECT_EQ(s->Write(Repeat(512, 1).data(), 512), 0);
  EXPECT_EQ(s->Write("x", 1), -105);
}

TEST(DynFlowCtrlTest, SeekTable) {
  Dyn d;
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 0, 1), 0);
  Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 1, Repeat(10, 5)));
  struct Case {
    int64_t offset;
    int32_t origin;
    int expect;
    uint64_t position;
  } cases[] = {{3, 2, 0, 7},  {11, 2, -2, 7}, {-1, 2, -2, 7}, {-8, 1, -2, 7}, {-7, 1, 0, 0},
               {10, 0, 0, 10}, {11, 0, -2, 10}, {-1, 0, -2, 10}, {4, 9, 0, 10}, {0, 1, 0, 10},
               {INT64_MIN, 1, -2, 10}, {INT64_MAX, 1, -2, 10}};
  for (const Case& c : cases) {
    EXPECT_EQ(s->Seek(c.offset, c.origin), c.expect) << c.offset << " " << c.origin;
    uint64_t pos = 0;
    ASSERT_EQ(s->GetPosition(&pos), 0);
    EXPECT_EQ(pos, c.position) << c.offset << " " << c.origin;
  }
  EXPECT_EQ(s->IsEnd(), -103);
  EXPECT_EQ(s->GetSize(nullptr), -2);
  EXPECT_EQ(s->GetPosition(nullptr), -2);
  EXPECT_EQ(s->Read(nullptr, 1, nullptr), -2);
  EXPECT_EQ(s->Write(nullptr, 1), -2);
  EXPECT_EQ(s->Commit(), 0);
}

// Truncation keeps the blocks up to the one that holds the new end: a cut
// on a block boundary inside the flow keeps the empty block that begins
// there, a cut at the flow's end frees nothing.
TEST(DynFlowCtrlTest, SetEndFreesTheBlocksBehind) {
  struct Case {
    size_t size;
    uint64_t cut;
    uint32_t blocksLeft;
  } cases[] = {{1500, 0, 0},   {1500, 700, 2},  {1024, 512, 2},  {1500, 512, 2},
               {1500, 1024, 3}, {512, 512, 1},   {1024, 1024, 2}, {1500, 1500, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " cut at " << c.cut);
    Dyn d;
    ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 0, 1), 0);
    auto data = zktest::Pattern(c.size);
    Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 1, data));
    ASSERT_EQ(s->Seek(int64_t(c.cut), 0), 0);
    ASSERT_EQ(s->SetEnd(), 0);
    uint32_t total = uint32_t((c.size + 511) / 512);
    EXPECT_EQ(storagetest::GetInfo(d.f.get()).free, total - c.blocksLeft);
    EXPECT_EQ(storagetest::FlowBytes(d.f.get(), 1), std::vector<uint8_t>(data.begin(), data.begin() + c.cut));
    // The flow grows again from its new end.
    auto more = zktest::Pattern(600, 2);
    ASSERT_EQ(s->Write(more.data(), 600), 0);
    ASSERT_EQ(d.f->Pack(), 0);
    Dyn e;
    ASSERT_EQ(e.f->Open(d.c.get(), e.w.get(), 0, 0), 0);
    auto expect = Cat(std::vector<uint8_t>(data.begin(), data.begin() + int64_t(c.cut)), more);
    EXPECT_EQ(storagetest::FlowBytes(e.f.get(), 1), expect);
  }
}

// A 1,500-byte flow over blocks 1, 2 and 3 (bytes 0x11, 0x22, 0x33) cut at
// 512: block 2 holds position 512, so it stays as the flow's last block
// (entry FFFFFFFF) and only block 3 is freed. Packed: 1 flow, 2 blocks;
// flow 1 at block 1 with 512 bytes; chain {2, FFFFFFFF}; blocks 1 and 2 as
// they were. Bytes written at 512 then go into block 2 itself, over its old
// bytes.
TEST(DynFlowCtrlTest, SetEndOnABlockBoundaryKeepsTheBlockThatBeginsThere) {
  Dyn d;
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 0, 1), 0);
  Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 1, Cat(Cat(Repeat(512, 0x11), Repeat(512, 0x22)), Repeat(476, 0x33))));
  ASSERT_EQ(s->Seek(512, 0), 0);
  ASSERT_EQ(s->SetEnd(), 0);
  EXPECT_EQ(storagetest::GetInfo(d.f.get()).free, 1u);
  ASSERT_EQ(d.f->Pack(), 0);
  const char* tables =
      "01000000 02000000 00000000 01000000"  // 1 flow, 2 blocks, no limit, 1 sector
      "01000000 01000000 00020000 00000000"  // flow 1: first block 1, 512 bytes
      "02000000 02000000 ffffffff";          // 2 entries: 1 -> 2 -> end
  EXPECT_EQ(zktest::ToHex(zktest::ReadAll(d.c.get())),
            zktest::ToHex(Cat(zktest::FromHex(tables), Cat(Repeat(512, 0x11), Repeat(512, 0x22)))));
  ASSERT_EQ(s->Write("xy", 2), 0);
  EXPECT_EQ(storagetest::GetInfo(d.f.get()).free, 1u);
  ASSERT_EQ(d.f->Pack(), 0);
  auto grown = zktest::FromHex(tables);
  grown[24] = 0x02;  // 514 bytes
  EXPECT_EQ(zktest::ToHex(zktest::ReadAll(d.c.get())),
            zktest::ToHex(Cat(grown, Cat(Repeat(512, 0x11), Cat(Text("xy"), Repeat(510, 0x22))))));
}

// A handle whose position lies past the end (another handle cut the flow)
// reads nothing and cannot write there.
TEST(DynFlowCtrlTest, PositionPastTheEndReadsNothing) {
  Dyn d;
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 0, 1), 0);
  Ref<IFileStrem> a(storagetest::AddFlow(d.f.get(), 1, zktest::Pattern(1000)));
  Ref<IFileStrem> b;
  ASSERT_EQ(d.f->OpenFlow(1, b.out()), 0);
  ASSERT_EQ(a->Seek(900, 0), 0);
  ASSERT_EQ(b->Seek(3, 0), 0);
  ASSERT_EQ(b->SetEnd(), 0);
  uint8_t buf[64];
  uint32_t got = 99;
  EXPECT_EQ(a->Read(buf, sizeof buf, &got), 0);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(a->IsEnd(), -103);
  EXPECT_EQ(a->Write("x", 1), -105);
  EXPECT_EQ(a->SetEnd(), -105);
  EXPECT_EQ(a->Seek(0, 1), -2);
  EXPECT_EQ(storagetest::FlowBytes(d.f.get(), 1), std::vector<uint8_t>(zktest::Pattern(3)));
}

// Handles are never given twice, so a flow stream outliving its handle
// (closed, or the container detached) reaches no other flow.
TEST(DynFlowCtrlTest, StaleStreamsReachNoOtherFlow) {
  Dyn d;
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 0, 1), 0);
  { Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 2, Text("second"))); }
  Ref<IFileStrem> first(storagetest::AddFlow(d.f.get(), 1, Text("first")));
  ASSERT_EQ(first->Close(), 0);
  EXPECT_EQ(first->Close(), -6);
  Ref<IFileStrem> second;
  ASSERT_EQ(d.f->OpenFlow(2, second.out()), 0);
  uint8_t buf[8];
  EXPECT_EQ(first->Read(buf, 8, nullptr), -6);
  EXPECT_EQ(first->Write("x", 1), -6);
  ASSERT_EQ(d.f->Pack(), 0);

  ASSERT_EQ(d.f->Detach(), 0);
  EXPECT_EQ(second->Seek(0, 0), -6);
  EXPECT_EQ(storagetest::GetInfo(d.f.get()).flows, 0u);
  Ref<IFileStrem> w2(zktest::NewMem());
  ASSERT_EQ(d.f->Open(d.c.get(), w2.get(), 0, 0), 0);
  Ref<IFileStrem> again;
  ASSERT_EQ(d.f->OpenFlow(1, again.out()), 0);
  EXPECT_EQ(second->Read(buf, 8, nullptr), -6);
  EXPECT_EQ(second->Write("x", 1), -6);
  EXPECT_EQ(storagetest::FlowBytes(d.f.get(), 1), Text("first"));
}

// Blocks go at their own offsets in the working stream, whatever it held.
TEST(DynFlowCtrlTest, NewBlocksAtTheirOwnOffset) {
  Dyn d;
  storagetest::Fill(d.w.get(), Repeat(5000, 0xEE));
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 0, 1), 0);
  auto data = zktest::Pattern(600);
  { Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 1, data)); }
  auto w = zktest::ReadAll(d.w.get());
  ASSERT_EQ(w.size(), 5000u);
  EXPECT_EQ(std::vector<uint8_t>(w.begin(), w.begin() + 1024), Cat(data, Repeat(424, 0)));
  EXPECT_EQ(w[1024], 0xEE);
  EXPECT_EQ(storagetest::FlowBytes(d.f.get(), 1), data);
}

TEST(DynFlowCtrlTest, OneStreamCannotBeBoth) {
  Dyn d;
  EXPECT_EQ(d.f->Create(d.c.get(), d.c.get(), 0, 0, 1), -2);
  storagetest::Fill(d.c.get(), PackedFixture());
  EXPECT_EQ(d.f->Open(d.c.get(), d.c.get(), 0, 4), -2);
  EXPECT_EQ(d.f->Open(d.c.get(), d.c.get(), 1, 4), -2);
  EXPECT_EQ(zktest::ReadAll(d.c.get()), PackedFixture());
}

// Damaged containers are refused with a status code and leave the object detached.
TEST(DynFlowCtrlTest, DamagedContainersAreRefused) {
  struct Patch {
    const char* what;
    size_t at;
    uint32_t value;
    int expect;
  } patches[] = {
      {"sectors 0", 16, 0, -14},
      {"huge sectors", 16, 0xFFFFFFFF, -104},
      {"entry count differs", 52, 2, -14},
      {"entry out of range", 56, 9, -14},
      {"cyclic chain", 60, 1, -14},
      {"chain into a free block", 56, 0, -14},
      {"first block out of range", 24, 4, -14},
      {"first block 0", 24, 0, -14},
      {"blocks shared by two flows", 40, 2, -14},
      {"size past the blocks", 28, 1025, -14},
      {"size overflows", 32, 0xFFFFFFFF, -14},
      {"size without a block", 40, 0xFFFFFFFF, -14},
      {"duplicate flow number", 36, 2, -14},
      {"huge flow count", 4, 0xFFFFFFFF, -104},
      {"huge block count", 8, 0x40000000, -14},
  };
  for (const Patch& p : patches) {
    for (int inPlace : {0, 1}) {
      SCOPED_TRACE(std::string(p.what) + (inPlace ? " in place" : ""));
      auto bytes = PackedFixture();
      for (int i = 0; i < 4; ++i) bytes[p.at + i] = uint8_t(p.value >> (8 * i));
      Dyn d;
      storagetest::Fill(d.c.get(), bytes);
      EXPECT_EQ(d.f->Open(d.c.get(), d.w.get(), inPlace, 4), p.expect);
      EXPECT_EQ(storagetest::GetInfo(d.f.get()).flows, 0u);
      Ref<IFileStrem> s;
      EXPECT_EQ(d.f->OpenFlow(2, s.out()), -6);
    }
  }
  // Cut short anywhere: never opened.
  auto whole = PackedFixture();
  for (size_t n = 0; n < whole.size(); n += (n < 80 ? 1 : 37)) {
    for (int inPlace : {0, 1}) {
      Dyn d;
      storagetest::Fill(d.c.get(), std::vector<uint8_t>(whole.begin(), whole.begin() + n));
      StatusCode st = d.f->Open(d.c.get(), d.w.get(), inPlace, 4);
      EXPECT_TRUE(st == -104 || st == -14) << n << " " << inPlace << " " << st;
    }
  }
}

// Interleaved writes, reads, seeks and cuts on several flows against a
// plain model, then stored and opened again both ways.
TEST(DynFlowCtrlTest, RandomWorkMatchesAModel) {
  std::mt19937 rng(7);
  Dyn d;
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 2, 1), 0);
  std::map<uint32_t, std::vector<uint8_t>> model;
  std::map<uint32_t, Ref<IFileStrem>> open;
  for (int step = 0; step < 600; ++step) {
    uint32_t n = 1 + rng() % 6;
    if (!model.count(n)) {
      model[n];
      ASSERT_EQ(d.f->CreateFlow(n, open[n].out()), 0);
    }
    if (!open[n]) {
      ASSERT_EQ(d.f->OpenFlow(n, open[n].out()), 0);
    }
    IFileStrem* s = open[n].get();
    auto& m = model[n];
    uint64_t pos = 0;
    ASSERT_EQ(s->GetPosition(&pos), 0);
    switch (rng() % 8) {
      case 0:
      case 1:
      case 2: {
        auto data = zktest::Pattern(rng() % 1500, uint32_t(step));
        ASSERT_EQ(s->Write(data.data(), uint32_t(data.size())), 0);
        if (m.size() < pos + data.size()) m.resize(pos + data.size());
        std::copy(data.begin(), data.end(), m.begin() + int64_t(pos));
        break;
      }
      case 3:
      case 4: {
        std::vector<uint8_t> buf(rng() % 1500);
        uint32_t got = 0;
        ASSERT_EQ(s->Read(buf.data(), uint32_t(buf.size()), &got), 0);
        size_t expect = std::min<size_t>(buf.size(), m.size() - pos);
        ASSERT_EQ(got, expect);
        ASSERT_TRUE(std::equal(buf.begin(), buf.begin() + got, m.begin() + int64_t(pos))) << step;
        break;
      }
      case 5:
        ASSERT_EQ(s->Seek(int64_t(m.empty() ? 0 : rng() % (m.size() + 1)), 0), 0);
        break;
      case 6:
        if (rng() % 3 == 0) {
          ASSERT_EQ(s->SetEnd(), 0);
          m.resize(pos);
        }
        break;
      case 7:
        if (rng() % 4 == 0) {
          open[n].reset();
          if (rng() % 3 == 0) {
            ASSERT_EQ(d.f->DeleteFlow(n), 0);
            model.erase(n);
          }
        }
        break;
    }
  }
  open.clear();
  for (auto& [n, m] : model) EXPECT_EQ(storagetest::FlowBytes(d.f.get(), n), m) << n;
  ASSERT_EQ(d.f->Pack(), 0);
  for (int inPlace : {0, 1}) {
    Dyn e;
    ASSERT_EQ(e.f->Open(d.c.get(), e.w.get(), inPlace, 2), 0);
    EXPECT_EQ(storagetest::GetInfo(e.f.get()).free, 0u);
    EXPECT_EQ(storagetest::GetInfo(e.f.get()).flows, model.size());
    for (auto& [n, m] : model) EXPECT_EQ(storagetest::FlowBytes(e.f.get(), n), m) << n;
  }
}

TEST(DynFlowCtrlTest, FlowStreamKeepsItsContainer) {
  Dyn d;
  ASSERT_EQ(d.f->Create(d.c.get(), d.w.get(), 0, 0, 2), 0);
  Ref<IFileStrem> s(storagetest::AddFlow(d.f.get(), 1, zktest::Pattern(3000)));
  EXPECT_STREQ(s->GetClassId(), "local.fos.FlowStream");
  EXPECT_STREQ(d.f->GetClassId(), "storage.DynFlowCtrl");
  void* p = nullptr;
  ASSERT_EQ(s->QueryInterface(zk::id::StreamIStream, &p), 0);
  EXPECT_EQ(p, static_cast<void*>(s.get()));
  static_cast<zk::IBase*>(p)->Release();
  ASSERT_EQ(d.f->QueryInterface(zk::id::LocalFlowProvider, &p), 0);
  static_cast<zk::IBase*>(p)->Release();
  EXPECT_EQ(d.f->QueryInterface(zk::id::StdIBase, &p), -7);
  d.f.reset();  // the stream still holds the container
  ASSERT_EQ(s->Seek(0, 0), 0);
  std::vector<uint8_t> buf(3000);
  uint32_t got = 0;
  ASSERT_EQ(s->Read(buf.data(), 3000, &got), 0);
  EXPECT_EQ(buf, zktest::Pattern(3000));
  // CopyFrom writes through the flow.
  Ref<IFileStrem> src(zktest::NewMem());
  storagetest::Fill(src.get(), zktest::Pattern(70000, 9));
  ASSERT_EQ(src->Seek(0, 0), 0);
  ASSERT_EQ(s->Seek(0, 0), 0);
  ASSERT_EQ(s->SetEnd(), 0);
  ASSERT_EQ(s->CopyFrom(src.get(), 0), 0);
  ASSERT_EQ(s->Seek(0, 0), 0);
  buf.resize(70000);
  ASSERT_EQ(s->Read(buf.data(), 70000, &got), 0);
  EXPECT_EQ(buf, zktest::Pattern(70000, 9));
}

// Every class of the library is made by its class id.
TEST(StorageClassesTest, AllCreatableById) {
  struct Case {
    const char* classId;
    const char* interfaceId;
  } cases[] = {
      {zk::id::FosFileSys, zk::id::StreamIFileSystem},
      {zk::id::StorageDynFlowCtrl, zk::id::StreamIFlowControl},
      {zk::id::StorageStaticFlowCtrl8x16, zk::id::StreamIFlowControl},
      {zk::id::StorageStaticFlowCtrl8x32, zk::id::StreamIFlowControl},
      {zk::id::StorageStaticFlowCtrl6x16, zk::id::StreamIFlowControl},
      {zk::id::StorageStaticFlowCtrl16x32, zk::id::StreamIFlowControl},
      {zk::id::StorageStaticFlowCtrl32x32, zk::id::StreamIFlowControl},
      {zk::id::StorageMemStream, zk::id::StreamIMemStream},
  };
  for (const Case& c : cases) {
    zk::IBase* base = nullptr;
    ASSERT_EQ(zk_CreateInstance(c.classId, &base), 0) << c.classId;
    ASSERT_NE(base, nullptr) << c.classId;
    EXPECT_STREQ(base->GetClassId(), c.classId);
    EXPECT_EQ(base->GetRefCount(), 1);
    void* p = nullptr;
    EXPECT_EQ(base->QueryInterface(c.interfaceId, &p), 0) << c.classId;
    if (p) static_cast<zk::IBase*>(p)->Release();
    EXPECT_EQ(base->Release(), 0);
  }
}

}  // namespace
