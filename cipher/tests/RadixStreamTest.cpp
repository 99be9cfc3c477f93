// opgp.Radix64 over an in-memory stream; OpenSSL's Base64 is the oracle.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>

#include "ModesTestSupport.h"
#include "ZkTestSupport.h"

namespace {

using zktest::FakeStream;

struct Radix {
  zk::IStream* s = nullptr;
  zk::IStreamProcessor* proc = nullptr;
  FakeStream* file = FakeStream::Make({}, true);
  Radix() {
    s = zktest::Create<zk::IStream>(zk::id::OpgpRadix64, zk::id::StreamIStream);
    proc = zktest::Face<zk::IStreamProcessor>(s, zk::id::StreamIStreamProcessor);
  }
  ~Radix() {
    zk::ReleaseAndNull(proc);
    zk::ReleaseAndNull(s);
    file->Release();
  }
  std::string Text() const { return std::string(file->data.begin(), file->data.end()); }
  void SetText(const std::string& t) {
    file->data.assign(t.begin(), t.end());
    file->position = 0;
    ASSERT_EQ(proc->SetStream(file), 0);
  }
  std::string Encode(const std::vector<uint8_t>& bytes) {
    file->data.clear();
    file->position = 0;
    EXPECT_EQ(proc->SetStream(file), 0);
    const uint8_t none = 0;  // a null buffer is refused even with length 0
    EXPECT_EQ(s->Write(bytes.empty() ? &none : bytes.data(), uint32_t(bytes.size())), 0);
    EXPECT_EQ(s->Close(), 0);
    return Text();
  }
  // Reads to the end with a loop on IsEnd, as a client copy does.
  std::vector<uint8_t> DecodeAll(uint32_t piece = 1000, StatusCode* status = nullptr) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> buf(piece);
    int rounds = 0;
    StatusCode st = 0;
    while (s->IsEnd() == 0 && ++rounds < 100000) {
      uint32_t got = 0;
      st = s->Read(buf.data(), piece, &got);
      out.insert(out.end(), buf.begin(), buf.begin() + got);
      if (st != 0) break;
    }
    EXPECT_LT(rounds, 100000) << "IsEnd never reported the end";
    if (status) *status = st;
    return out;
  }
};

std::string Oracle(const std::vector<uint8_t>& bytes) {
  std::string flat(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(flat.data()), bytes.data(), int(bytes.size()));
  flat.resize(size_t(n));
  std::string lined;
  for (size_t i = 0; i < flat.size(); i += 64) {
    lined += flat.substr(i, 64);
    if (i + 64 <= flat.size()) lined += "\r\n";
  }
  return lined;
}

TEST(RadixStream, EncodesAsBase64WithALineBreakAfterEvery64Characters) {
  Radix r;
  ASSERT_NE(r.proc, nullptr);
  EXPECT_EQ(r.Encode(ciphertest::Bytes("abc")), "YWJj");
  EXPECT_EQ(r.Encode(ciphertest::Bytes("a")), "YQ==");
  EXPECT_EQ(r.Encode(ciphertest::Bytes("ab")), "YWI=");
  EXPECT_EQ(r.Encode({}), "");
  std::vector<uint8_t> b48(48);
  for (int i = 0; i < 48; ++i) b48[i] = uint8_t(i * 5);
  std::string line = r.Encode(b48);
  ASSERT_EQ(line.size(), 66u);
  EXPECT_EQ(line.substr(64), "\r\n");
  EXPECT_EQ(line.substr(0, 8), "AAUKDxQZ");
  std::mt19937 rng(7);
  for (size_t len : {1u, 2u, 46u, 47u, 49u, 50u, 95u, 96u, 97u, 300u, 1000u}) {
    std::vector<uint8_t> v(len);
    for (auto& b : v) b = uint8_t(rng());
    EXPECT_EQ(r.Encode(v), Oracle(v)) << len;
  }
}

TEST(RadixStream, WritesInPiecesCopyFromAndSetStreamFinishTheText) {
  Radix r;
  std::vector<uint8_t> v(200000);
  for (size_t i = 0; i < v.size(); ++i) v[i] = uint8_t(i * 11 + (i >> 10));
  r.file->data.clear();
  ASSERT_EQ(r.proc->SetStream(r.file), 0);
  for (size_t at = 0; at < v.size(); at += 7777)
    ASSERT_EQ(r.s->Write(v.data() + at, uint32_t(std::min<size_t>(7777, v.size() - at))), 0);
  ASSERT_EQ(r.s->Close(), 0);
  EXPECT_EQ(r.Text(), Oracle(v));
  // CopyFrom with a count encodes exactly that many bytes.
  FakeStream* src = FakeStream::Make({}, true);
  src->data = v;
  r.file->data.clear();
  r.file->position = 0;
  ASSERT_EQ(r.proc->SetStream(r.file), 0);
  EXPECT_EQ(r.s->CopyFrom(nullptr, 0), zk::kInvalidArg);
  ASSERT_EQ(r.s->CopyFrom(src, 100), 0);
  // SetStream to another stream finishes the first text (padding and flush).
  FakeStream* other = FakeStream::Make({}, true);
  ASSERT_EQ(r.proc->SetStream(other), 0);
  EXPECT_EQ(r.Text(), Oracle(std::vector<uint8_t>(v.begin(), v.begin() + 100)));
  src->position = 0;
  ASSERT_EQ(r.s->CopyFrom(src, 0), 0);
  ASSERT_EQ(r.s->Close(), 0);
  EXPECT_EQ(std::string(other->data.begin(), other->data.end()), Oracle(v));
  EXPECT_EQ(r.s->Write(nullptr, 1), zk::kInvalidArg);
  other->Release();
  src->Release();
}

TEST(RadixStream, DecodesSkippingJunkBetweenGroups) {
  Radix r;
  struct Case {
    const char* text;
    const char* bytes;
  };
  const Case cases[] = {
      {"YWJj", "abc"},
      {"YWJj\r\nZGVm", "abcdef"},
      {" YW Jj\r\n\t*ZG-Vm!\r\n", "abcdef"},
      {"YQ==", "a"},
      {"YQ==\r\n", "a"},
      {"YWI=YWJj", "ab"},   // text after a padded group is not decoded
      {"YWJjYW", "abc"},    // a partial group at the end is dropped
      {"YWJjYW=c", "abca"}, // "=" in the third place ends the group with one byte
      {"", ""},
  };
  for (const Case& t : cases) {
    r.SetText(t.text);
    std::vector<uint8_t> got = r.DecodeAll(1000);
    EXPECT_EQ(std::string(got.begin(), got.end()), t.bytes) << t.text;
    r.SetText(t.text);
    got = r.DecodeAll(1);  // a byte at a time: pending bytes are not lost
    EXPECT_EQ(std::string(got.begin(), got.end()), t.bytes) << t.text;
  }
  std::mt19937 rng(11);
  std::vector<uint8_t> v(150000);
  for (auto& b : v) b = uint8_t(rng());
  r.SetText(Oracle(v));
  EXPECT_EQ(r.DecodeAll(4096), v);
}

TEST(RadixStream, PaddingInTheFirstOrSecondPlaceIsRejected) {
  Radix r;
  for (const char* text : {"=QWJ", "Y=Jj", "YWJj==Jj"}) {
    r.SetText(text);
    StatusCode st = 0;
    r.DecodeAll(100, &st);
    EXPECT_EQ(st, zk::kInvalidFormat) << text;
  }
  uint32_t got = 5;
  EXPECT_EQ(r.s->Read(nullptr, 4, &got), zk::kInvalidArg);
  r.file->failRead = true;
  r.SetText("YWJj");
  uint8_t b[4];
  EXPECT_EQ(r.s->Read(b, 4, &got), zk::kReadError);
}

TEST(RadixStream, NoStreamIsTheFatalStop) {
  Radix r;
  uint8_t b[3] = {1, 2, 3};
  EXPECT_EQ(r.s->Close(), 0);
  EXPECT_DEATH(r.s->Write(b, 3), "");
  EXPECT_DEATH(r.s->Read(b, 3, nullptr), "");
}

}  // namespace
