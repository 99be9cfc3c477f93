// What every coder of zk5arc shares: creation by class id, absent streams,
// progress reports and cancelling, and errors of the streams.
#include <gtest/gtest.h>

#include "CoderTestSupport.h"
#include "ZkTestSupport.h"

namespace {

using zktest::Coder;
using zktest::Recorder;
using zktest::Vec;

TEST(Coders, AllFiveAreRegistered) {
  for (const char* id : {zk::id::ArcLzpxj, zk::id::ArcArith, zk::id::ArcFlatArc, zk::id::ArcLZA,
                         zk::id::ArcASCIIcoder}) {
    SCOPED_TRACE(id);
    zk::IBase* base = nullptr;
    ASSERT_EQ(0, zk_CreateInstance(id, &base));
    ASSERT_NE(nullptr, base);
    EXPECT_STREQ(id, base->GetClassId());
    void* arc = nullptr;
    EXPECT_EQ(0, base->QueryInterface(zk::id::ArcIArc, &arc));
    EXPECT_NE(nullptr, arc);
    if (arc) static_cast<zk::IArc*>(arc)->Release();
    base->Release();
  }
}

// The coders with a decoder.
class EveryCoder : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Arc, EveryCoder,
                         ::testing::Values(zk::id::ArcLzpxj, zk::id::ArcArith, zk::id::ArcLZA,
                                           zk::id::ArcASCIIcoder),
                         [](const auto& info) {
                           std::string n = info.param;
                           return n.substr(n.find('.') + 1);
                         });

TEST_P(EveryCoder, AbsentStreams) {
  Coder c(GetParam());
  Vec s;
  EXPECT_EQ(zk::kInvalidArg, c->Encode(nullptr, s, nullptr, 0));
  EXPECT_EQ(zk::kInvalidArg, c->Encode(s, nullptr, nullptr, 0));
  EXPECT_EQ(zk::kInvalidArg, c->Decode(0, nullptr, s, nullptr));
  EXPECT_EQ(zk::kInvalidArg, c->Decode(0, s, nullptr, nullptr));
}

TEST_P(EveryCoder, ProgressAndCancel) {
  Coder c(GetParam());
  ASSERT_EQ(0, c->Init(0));  // the ASCII coder without line breaks: every run alike
  std::vector<uint8_t> text = zktest::WordText(150000, 3);
  Recorder* rec = Recorder::Create();
  Vec in(text), packed;
  in->maxRead = 1000;
  ASSERT_EQ(0, c->Encode(in, packed, rec, uint32_t(text.size())));
  EXPECT_TRUE(zktest::WellFormedProgress(rec->seen));
  EXPECT_GT(rec->seen.size(), 50u);
  rec->seen.clear();
  Vec in2(packed->data), out;
  ASSERT_EQ(0, c->Decode(uint32_t(text.size()), in2, out, rec));
  EXPECT_TRUE(out->data == text);
  EXPECT_TRUE(zktest::WellFormedProgress(rec->seen));
  // Without a total only the first and the last report.
  rec->seen.clear();
  Vec in3(text), packed3;
  ASSERT_EQ(0, c->Encode(in3, packed3, rec, 0));
  EXPECT_EQ((std::vector<int32_t>{0, 100}), rec->seen);
  // A non-zero answer stops the coder with that answer.
  for (size_t at : {size_t(0), size_t(5)}) {
    rec->seen.clear();
    rec->cancelAt = at;
    rec->answer = -5;
    Vec in4(text), packed4;
    EXPECT_EQ(-5, c->Encode(in4, packed4, rec, uint32_t(text.size())));
    EXPECT_EQ(at + 1, rec->seen.size());
    if (at == 0) {
      EXPECT_TRUE(packed4->data.empty());
    }
    rec->seen.clear();
    Vec in5(packed->data), out5;
    EXPECT_EQ(-5, c->Decode(uint32_t(text.size()), in5, out5, rec));
    EXPECT_EQ(at + 1, rec->seen.size());
    if (at == 0) {
      EXPECT_TRUE(out5->data.empty());
    }
  }
  // The last report's answer is the result.
  rec->seen.clear();
  rec->cancelAt = SIZE_MAX;
  {
    Vec in6(zktest::Bytes("tiny")), packed6;
    rec->cancelAt = 1;
    rec->answer = -7;
    EXPECT_EQ(-7, c->Encode(in6, packed6, rec, 0));
  }
  rec->Release();
  // The object works as before after a cancelled run.
  std::vector<uint8_t> again = c.Encode(text), out7;
  EXPECT_EQ(packed->data, again);
}

TEST_P(EveryCoder, StreamErrorsAreReturned) {
  Coder c(GetParam());
  std::vector<uint8_t> text = zktest::WordText(200000, 6);
  {
    Vec in(text), packed;
    in->readFailAt = 100000;
    EXPECT_EQ(zk::kReadError, c->Encode(in, packed, nullptr, 0));
  }
  {
    Vec in(text), packed;
    packed->writeFailAt = 0;
    EXPECT_EQ(zk::kWriteError, c->Encode(in, packed, nullptr, 0));
  }
  std::vector<uint8_t> packed = c.Encode(text);
  {
    Vec in(packed), out;
    in->readFailAt = packed.size() / 2;
    EXPECT_EQ(zk::kReadError, c->Decode(uint32_t(text.size()), in, out, nullptr));
  }
  {
    Vec in(packed), out;
    out->writeFailAt = 10;
    EXPECT_EQ(zk::kWriteError, c->Decode(uint32_t(text.size()), in, out, nullptr));
  }
  // A small output fails only at the final flush.
  {
    Vec in(zktest::Bytes("abc")), out;
    out->writeFailAt = 0;
    EXPECT_EQ(zk::kWriteError, c->Encode(in, out, nullptr, 0));
  }
}

}  // namespace
