// The buffered stream pair over an in-memory stream.
#include <gtest/gtest.h>

#include "BufferedStreamPair.h"
#include "FakeStream.h"

namespace {

TEST(BufferedStreamPair, ReadsEveryByteAcrossRefillsThenEnds) {
  zktest::FakeStream* f = zktest::FakeStream::Create();
  for (int i = 0; i < 70000; ++i) f->data.push_back(uint8_t(i * 7));
  zk::BufferedStreamReader r;
  ASSERT_EQ(r.Attach(f), 0);
  EXPECT_EQ(f->GetRefCount(), 2);
  for (int i = 0; i < 70000; ++i) {
    ASSERT_FALSE(r.AtEnd());
    uint8_t b = 0;
    ASSERT_EQ(r.ReadByte(&b), 0);
    ASSERT_EQ(b, uint8_t(i * 7)) << i;
  }
  EXPECT_EQ(f->reads, 2);  // 65536 + 4464
  EXPECT_EQ(r.Count(), 70000u);
  EXPECT_TRUE(r.AtEnd());
  uint8_t b = 0;
  EXPECT_EQ(r.ReadByte(&b), zk::kNotExecuted);
  r.Detach();
  EXPECT_EQ(f->GetRefCount(), 1);
  f->Release();
}

TEST(BufferedStreamPair, ReadErrorIsPassedOnAndNullStreamRefused) {
  zktest::FakeStream* f = zktest::FakeStream::Create();
  f->data.assign(10, 1);
  f->failRead = true;
  zk::BufferedStreamReader r;
  EXPECT_EQ(r.Attach(nullptr), zk::kInvalidArg);
  ASSERT_EQ(r.Attach(f), 0);
  uint8_t b;
  EXPECT_EQ(r.ReadByte(&b), zk::kReadError);
  r.Detach();
  f->Release();
}

TEST(BufferedStreamPair, WriterWritesFullBuffersAndFlushesTheRest) {
  zktest::FakeStream* f = zktest::FakeStream::Create();
  zk::BufferedStreamPair pair;
  ASSERT_EQ(pair.Attach(f), 0);
  std::vector<uint8_t> src(65536 + 100);
  for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i ^ (i >> 8));
  ASSERT_EQ(pair.writer.Write(src.data(), 65000), 0);
  EXPECT_EQ(f->writes, 0);
  ASSERT_EQ(pair.writer.Write(src.data() + 65000, 536), 0);
  EXPECT_EQ(f->writes, 1);  // exactly full
  for (size_t i = 65536; i < src.size(); ++i) ASSERT_EQ(pair.writer.WriteByte(src[i]), 0);
  EXPECT_EQ(f->writes, 1);
  ASSERT_EQ(pair.writer.Flush(), 0);
  EXPECT_EQ(f->writes, 2);
  EXPECT_EQ(pair.writer.Count(), src.size());
  EXPECT_EQ(f->data, src);
  f->failWrite = true;
  ASSERT_EQ(pair.writer.WriteByte(1), 0);
  EXPECT_EQ(pair.writer.Flush(), zk::kWriteError);
  pair.Detach();
  EXPECT_EQ(f->GetRefCount(), 1);
  f->Release();
}

}  // namespace
