// The engine's common layer: the exact read's end rule as the secret sees it
// and as key and signature files map it, the digest of a stream's rest and
// the string hand-out to the runtime.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "EngineCommon.h"
#include "KeysCommon.h"
#include "tests/SecretTestSupport.h"
#include "FakeStream.h"

using namespace enginetest;

namespace {

std::vector<uint8_t> Bytes(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 7 + 3);
  return v;
}

// Every way a stream can end a read early, and what the secret (as it is)
// and the key files (through EndIsDamage) are told.
TEST(EngineCommon, ExactReadEndsTheSameWayForEveryCaller) {
  LoadLibraries();
  struct Case {
    const char* what;
    size_t stored;
    uint32_t maxRead;
    bool stalled;
    int failReadAfter;
    StatusCode expected;
  } cases[] = {
      {"whole in one read", 100, 0, false, -1, zk::kOk},
      {"whole in pieces of 3", 100, 3, false, -1, zk::kOk},
      {"ends first", 99, 0, false, -1, zk::kInvalidFormat},
      {"ends first after pieces", 99, 7, false, -1, zk::kInvalidFormat},
      {"delivers nothing", 100, 0, true, -1, zk::kInvalidFormat},
      {"read error passed on", 100, 10, false, 2, zk::kReadError},
  };
  for (const Case& c : cases) {
    zktest::Ref<zktest::FakeStream> s(zktest::FakeStream::Make(Bytes(c.stored)));
    s->maxRead = c.maxRead;
    s->stalled = c.stalled;
    s->failReadAfter = c.failReadAfter;
    uint8_t out[100] = {};
    const StatusCode st = zk::engine::ReadFully(s.get(), out, sizeof out);
    EXPECT_EQ(st, c.expected) << c.what;
    EXPECT_EQ(zk::engine::EndIsDamage(st), c.expected) << c.what;
    if (st == zk::kOk) {
      EXPECT_EQ(std::memcmp(out, Bytes(100).data(), 100), 0) << c.what;
    }
  }
  // A stream that answers its end as an error: the secret passes it on, a
  // key or signature file is damaged.
  EXPECT_EQ(zk::engine::EndIsDamage(zk::kEndOfStream), zk::kInvalidFormat);
  EXPECT_EQ(zk::engine::EndIsDamage(zk::kReadError), zk::kReadError);
}

// The digest of a file's rest: the bytes from the position on, whatever
// piece sizes the stream delivers.
TEST(EngineCommon, DigestOfTheRestIsTheDigestOfThoseBytes) {
  LoadLibraries();
  const std::vector<uint8_t> data = Bytes(200000);
  uint8_t whole[32], rest[32], expected[32] = {};
  zk::Held<zk::IHash> hash;
  ASSERT_EQ(zk::engine::MakeKeyHash(2, &hash.p), 0);
  ASSERT_EQ(hash->Init(), 0);
  ASSERT_EQ(hash->Update(data.data() + 10, uint32_t(data.size() - 10)), 0);
  ASSERT_EQ(hash->Final(expected, 32), 0);
  for (uint32_t maxRead : {0u, 1000u, 65537u}) {
    zktest::Ref<zktest::FakeStream> s(zktest::FakeStream::Make(data));
    s->maxRead = maxRead;
    s->position = 10;
    ASSERT_EQ(zk::engine::DigestRest(hash.p, s.get(), rest), 0) << maxRead;
    EXPECT_EQ(std::memcmp(rest, expected, 32), 0) << maxRead;
    EXPECT_EQ(s->position, data.size()) << maxRead;
  }
  zktest::Ref<zktest::FakeStream> failing(zktest::FakeStream::Make(data));
  failing->failReadAfter = 1;
  EXPECT_EQ(zk::engine::DigestRest(hash.p, failing.get(), whole), zk::kReadError);
}

// PutString frees what the out held and hands out a terminated copy.
TEST(EngineCommon, PutStringReplacesTheHeldBlock) {
  LoadLibraries();
  char* out = nullptr;
  ASSERT_EQ(zk::engine::PutString(&out, "first"), 0);
  EXPECT_STREQ(out, "first");
  ASSERT_EQ(zk::engine::PutString(&out, std::string("a\0b", 3)), 0);
  EXPECT_EQ(std::memcmp(out, "a\0b\0", 4), 0);
  ASSERT_EQ(zk::engine::PutString(&out, ""), 0);
  EXPECT_STREQ(out, "");
  zk_free(out);
}

}  // namespace
