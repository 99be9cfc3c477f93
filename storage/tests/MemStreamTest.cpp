#include <gtest/gtest.h>

#include <cstring>

#include "StorageTestSupport.h"

using zktest::Ref;

namespace {

struct Mem {
  Mem() {
    s.reset(zktest::NewMem());
    m.reset(zktest::Face<zk::IMemStream>(s.get(), zk::id::StreamIMemStream));
  }
  uint32_t Capacity() {
    // The block's usable size tells how far it has grown.
    uint32_t n = 0;
    return zk_msize(m->GetBuffer(&n));
  }
  uint64_t Pos() {
    uint64_t v = ~0ull;
    s->GetPosition(&v);
    return v;
  }
  uint64_t Size() {
    uint64_t v = ~0ull;
    s->GetSize(&v);
    return v;
  }
  Ref<zk::IFileStrem> s;
  Ref<zk::IMemStream> m;
};

TEST(MemStreamTest, GrowsInSteps) {
  Mem t;
  uint32_t n = 7;
  EXPECT_EQ(t.m->GetBuffer(&n), nullptr);
  EXPECT_EQ(n, 0u);
  ASSERT_EQ(t.s->Write("a", 1), 0);
  EXPECT_GE(t.Capacity(), 512u);
  EXPECT_LT(t.Capacity(), 1024u);
  auto data = zktest::Pattern(512);
  ASSERT_EQ(t.s->Write(data.data(), 512), 0);
  EXPECT_GE(t.Capacity(), 1024u);
  EXPECT_EQ(t.Size(), 513u);
  EXPECT_EQ(t.s->Write(nullptr, 0), 0);
  EXPECT_EQ(t.s->Write(nullptr, 1), -2);
}

TEST(MemStreamTest, SeekTable) {
  Mem t;
  ASSERT_EQ(t.s->Write("0123456789", 10), 0);
  struct Case {
    int64_t offset;
    int32_t origin;
    StatusCode st;
    uint64_t pos;  // after the call
  } cases[] = {
      {3, 2, 0, 7},     {11, 2, -2, 7},  {0, 2, 0, 10},  {0, 1, 0, 10}, {1, 1, -2, 10},
      {11, 0, -2, 10},  {-1, 0, -2, 10}, {4, 0, 0, 4},   {-4, 1, 0, 0}, {-1, 2, -2, 0},
      {0x80000000ll, 0, -2, 0}, {5, 3, -2, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(t.s->Seek(c.offset, c.origin), c.st) << c.offset << "," << c.origin;
    EXPECT_EQ(t.Pos(), c.pos) << c.offset << "," << c.origin;
  }
}

TEST(MemStreamTest, ReadSetEndAndClose) {
  Mem t;
  auto data = zktest::Pattern(100);
  ASSERT_EQ(t.s->Write(data.data(), 100), 0);
  ASSERT_EQ(t.s->Seek(95, 0), 0);
  uint8_t buf[100];
  uint32_t got = 0;
  ASSERT_EQ(t.s->Read(buf, 100, &got), 0);
  EXPECT_EQ(got, 5u);
  EXPECT_EQ(0, std::memcmp(buf, data.data() + 95, 5));
  EXPECT_EQ(t.s->IsEnd(), -103);
  EXPECT_EQ(t.s->Read(buf, 0, &got), 0);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(t.s->Read(nullptr, 1, &got), -2);
  ASSERT_EQ(t.s->Seek(4, 0), 0);
  EXPECT_EQ(t.s->IsEnd(), 0);
  ASSERT_EQ(t.s->SetEnd(), 0);
  EXPECT_EQ(t.Size(), 4u);
  EXPECT_EQ(t.s->IsEnd(), -103);
  // Close trims the block and the stream stays usable.
  ASSERT_EQ(t.s->Close(), 0);
  EXPECT_LT(t.Capacity(), 512u);
  ASSERT_EQ(t.s->Write("x", 1), 0);
  EXPECT_EQ(t.Size(), 5u);
  // Shrinking to nothing frees the block cleanly.
  ASSERT_EQ(t.s->Seek(0, 0), 0);
  ASSERT_EQ(t.s->SetEnd(), 0);
  ASSERT_EQ(t.s->Close(), 0);
  uint32_t n = 1;
  EXPECT_EQ(t.m->GetBuffer(&n), nullptr);
  EXPECT_EQ(n, 0u);
  ASSERT_EQ(t.s->Write("yz", 2), 0);
  EXPECT_EQ(t.Size(), 2u);
  EXPECT_EQ(t.s->GetSize(nullptr), -2);
  EXPECT_EQ(t.s->GetPosition(nullptr), -2);
  EXPECT_EQ(t.s->Commit(), 0);
}

TEST(MemStreamTest, SetBufferCopyAndAdopt) {
  Mem t;
  EXPECT_EQ(t.m->SetBuffer(nullptr, 0, 1), 0);  // copying nothing allocates nothing
  EXPECT_EQ(t.m->GetBuffer(nullptr), nullptr);
  EXPECT_EQ(t.m->SetBuffer(nullptr, 5, 1), -2);
  ASSERT_EQ(t.m->SetBuffer(const_cast<char*>("hello"), 5, 1), 0);
  EXPECT_EQ(t.Size(), 5u);
  EXPECT_EQ(t.Pos(), 0u);
  EXPECT_EQ(zktest::ReadAll(t.s.get()), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
  // Taking the contents out, as the engine does.
  ASSERT_EQ(t.s->Seek(0, 2), 0);
  ASSERT_EQ(t.s->Write("", 1), 0);
  uint32_t n = 0;
  char* taken = static_cast<char*>(t.m->GetBuffer(&n));
  EXPECT_EQ(n, 6u);
  ASSERT_EQ(t.m->SetBuffer(nullptr, 0, 0), 0);
  EXPECT_EQ(t.m->GetBuffer(&n), nullptr);
  EXPECT_EQ(t.Size(), 0u);
  t.s.reset();
  t.m.reset();
  EXPECT_STREQ(taken, "hello");  // intact after the stream is gone
  // Adopting a runtime block: the stream frees it.
  Mem u;
  ASSERT_EQ(u.m->SetBuffer(taken, 6, 0), 0);
  EXPECT_EQ(u.Size(), 6u);
  ASSERT_EQ(u.s->Seek(0, 2), 0);
  ASSERT_EQ(u.s->Write("!!", 2), 0);  // grows the adopted block
  EXPECT_EQ(u.Size(), 8u);
}

TEST(MemStreamTest, GrowthPastFourGiBFails) {
  Mem t;
  ASSERT_EQ(t.s->Write("abc", 3), 0);
  // A write whose end would not fit in 32 bits fails with nothing changed.
  uint8_t dummy = 0;
  EXPECT_EQ(t.s->Write(&dummy, 0xFFFFFFFFu), -4);
  EXPECT_EQ(t.Size(), 3u);
  EXPECT_EQ(t.m->SetBuffer(&dummy, 0xFFFFFFFFu, 1), -4);
  EXPECT_EQ(t.Size(), 3u);
}

TEST(MemStreamTest, InterfacesAndCopy) {
  Mem t;
  void* p = nullptr;
  ASSERT_EQ(t.m->QueryInterface(zk::id::StreamIStream, &p), 0);
  auto* is = static_cast<zk::IStream*>(p);
  EXPECT_EQ(static_cast<void*>(is), static_cast<void*>(t.s.get()));
  EXPECT_STREQ(is->GetClassId(), "storage.MemStream");
  EXPECT_STREQ(t.m->GetClassId(), "storage.MemStream");
  int32_t before = t.m->GetRefCount();
  EXPECT_EQ(t.s->GetRefCount(), before);
  is->Release();
  EXPECT_EQ(t.m->QueryInterface(zk::id::StdIBase, &p), -7);
  Mem src;
  auto data = zktest::Pattern(200000);
  ASSERT_EQ(src.s->Write(data.data(), uint32_t(data.size())), 0);
  ASSERT_EQ(src.s->Seek(0, 0), 0);
  ASSERT_EQ(t.s->CopyFrom(src.s.get(), 0), 0);
  EXPECT_EQ(zktest::ReadAll(t.s.get()), data);
}

}  // namespace
