// steg.Text over both stream kinds: what counts as a gap, hand-worked
// output bytes, the trailing gap of a full carrier, refusals that leave the
// output alone, and a real plain text (fixtures/README.md) whose words,
// tabs and line breaks survive Embed and Wipe.
#include <gtest/gtest.h>

#include <string>

#include "CarrierTestSupport.h"
#include "ZkTestSupport.h"
#include "zk5Steg.h"

using namespace zktest;
using namespace stegtest;

namespace {

zk::ICarrierCopy* NewText() { return Create<zk::ICarrierCopy>("steg.Text", "steg.ICarrierCopy"); }

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
std::string Str(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// The text as lines (line breaks kept at their ends) of words split at
// blanks: what Embed and Wipe must leave as it was.
std::vector<std::vector<std::string>> Words(const std::string& text) {
  std::vector<std::vector<std::string>> lines(1);
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\n') {
      if (!word.empty()) lines.back().push_back(word);
      word.clear();
      if (c == '\n') lines.emplace_back();
    } else {
      word += c;
    }
  }
  if (!word.empty()) lines.back().push_back(word);
  return lines;
}

class TextTest : public ::testing::TestWithParam<StreamKind> {
 protected:
  Ref<zk::IFileStrem> Stream(const std::string& s) { return Ref<zk::IFileStrem>(MakeStream(GetParam(), Bytes(s))); }
  uint64_t Capacity(const std::string& text) {
    auto s = Stream(text);
    uint64_t n = 12345, hidden = 54321;
    EXPECT_EQ(steg->GetCapacity(s.get(), &n), 0) << text;
    EXPECT_EQ(steg->GetHiddenSize(s.get(), &hidden), 0);
    EXPECT_EQ(hidden, n);
    return n;
  }
  // Embed (data given) or Wipe into an output stream that held other bytes.
  StatusCode Rewrite(const std::string& text, const std::vector<uint8_t>* data, std::string* result) {
    auto c = Stream(text);
    auto out = Stream("old output bytes that are cut away");
    StatusCode st;
    if (data) {
      Ref<zk::IFileStrem> d(MakeStream(StreamKind::Memory, *data));
      st = steg->Embed(c.get(), d.get(), out.get());
    } else {
      st = steg->Wipe(c.get(), out.get());
    }
    *result = Str(StreamBytes(out.get()));
    return st;
  }
  StatusCode Extract(const std::string& text, uint64_t count, std::vector<uint8_t>* got) {
    auto c = Stream(text);
    Ref<zk::IFileStrem> out(MakeStream(GetParam(), {}));
    StatusCode st = steg->Extract(c.get(), out.get(), count);
    *got = StreamBytes(out.get());
    return st;
  }
  Ref<zk::ICarrierCopy> steg{NewText()};
};

TEST(TextClassTest, IsACopyTextCarrierAndRefusesAbsentOrIdenticalStreams) {
  Ref<zk::ICarrierCopy> t(NewText());
  ASSERT_NE(t.get(), nullptr);
  EXPECT_EQ(t->GetCarrierKind(), 4);
  EXPECT_STREQ(t->GetClassId(), "steg.Text");
  void* general = nullptr;
  ASSERT_EQ(t->QueryInterface("steg.ICarrier", &general), 0);
  EXPECT_EQ(general, static_cast<void*>(t.get()));
  static_cast<zk::IBase*>(general)->Release();
  void* direct = nullptr;
  EXPECT_EQ(t->QueryInterface("steg.ICarrierDirect", &direct), zk::kNotImplemented);
  const std::string text = "a b c d e f g h i j k l m n o p q r";
  Ref<zk::IFileStrem> s(MakeStream(StreamKind::Memory, Bytes(text)));
  Ref<zk::IFileStrem> d(MakeStream(StreamKind::Memory, {1}));
  Ref<zk::IFileStrem> o(MakeStream(StreamKind::Memory, {}));
  uint64_t n = 0;
  EXPECT_EQ(t->GetCapacity(nullptr, &n), zk::kInvalidArg);
  EXPECT_EQ(t->GetHiddenSize(nullptr, &n), zk::kInvalidArg);
  EXPECT_EQ(t->Extract(nullptr, o.get(), 1), zk::kInvalidArg);
  EXPECT_EQ(t->Extract(s.get(), nullptr, 0), zk::kInvalidArg);
  EXPECT_EQ(t->Embed(nullptr, d.get(), o.get()), zk::kInvalidArg);
  EXPECT_EQ(t->Embed(s.get(), nullptr, o.get()), zk::kInvalidArg);
  EXPECT_EQ(t->Embed(s.get(), d.get(), nullptr), zk::kInvalidArg);
  EXPECT_EQ(t->Wipe(nullptr, o.get()), zk::kInvalidArg);
  EXPECT_EQ(t->Wipe(s.get(), nullptr), zk::kInvalidArg);
  // A stream as its own output: refused, nothing written.
  EXPECT_EQ(t->Embed(s.get(), d.get(), s.get()), zk::kInvalidArg);
  EXPECT_EQ(t->Embed(s.get(), o.get(), o.get()), zk::kInvalidArg);
  EXPECT_EQ(t->Wipe(s.get(), s.get()), zk::kInvalidArg);
  EXPECT_EQ(t->Extract(s.get(), s.get(), 1), zk::kInvalidArg);
  EXPECT_EQ(Str(StreamBytes(s.get())), text);
  EXPECT_TRUE(StreamBytes(o.get()).empty());
}

TEST_P(TextTest, WhatCountsAsAGap) {
  // Eight copies of a line hold eight times its gaps, so the capacity in
  // bytes of the eight is the number of gaps in one.
  struct Case {
    const char* line;
    uint64_t gaps;
  } cases[] = {
      {"a b  c", 2},         // one and two blanks
      {"a   b", 1},          // any longer run is one gap
      {"   a b", 1},         // blanks that open a line are no gap
      {"a \tb", 1},          // a tab ends a gap ...
      {"a\tb", 0},           // ... and is no gap itself
      {"a\t b", 1},          // a tab is a word character
      {"a \r\n  b c", 2},    // a line break ends a gap; the next line's indent is none
      {"a b ", 2},           // blanks before the line break
      {"     ", 0},
      {"\xE4 \x80\xFF", 1},  // bytes 0x80-0xFF are word characters
      {"", 0},
  };
  for (const Case& c : cases) {
    std::string eight;
    for (int i = 0; i < 8; ++i) eight += std::string(c.line) + "\n";
    EXPECT_EQ(Capacity(eight), c.gaps) << '"' << c.line << '"';
  }
  // Fewer than eight gaps hold no byte; the two gaps of "a b  c" carry 0
  // and 1, the first two bits of a byte.
  EXPECT_EQ(Capacity("a b  c\n"), 0u);
  std::vector<uint8_t> got;
  EXPECT_EQ(Extract("a b  c\n", 1, &got), zk::kTooMuch);
  EXPECT_TRUE(got.empty());
  ASSERT_EQ(Extract("a b  c d e f g h i\n", 1, &got), 0);
  EXPECT_EQ(ToHex(got), "02");
  EXPECT_EQ(Capacity(""), 0u);
}

TEST_P(TextTest, ControlBytesOtherThanTabAndLineBreaksAreRefused) {
  for (std::string bad : {std::string("a\x01 b"), std::string(1, '\0'), std::string("a b\x0C"),
                          std::string("x \x1F"), std::string("a b\x1B[0m c")}) {
    auto s = Stream(bad);
    uint64_t n = 0;
    EXPECT_EQ(steg->GetCapacity(s.get(), &n), zk::kInvalidFormat) << ToHex(Bytes(bad));
    EXPECT_EQ(steg->GetHiddenSize(s.get(), &n), zk::kInvalidFormat);
  }
  EXPECT_EQ(Capacity("a\tb\x7F c\r\n"), 0u);
  // Found at every position of a longer text, and only there.
  for (size_t at = 0; at < 24; ++at) {
    for (char c : {'\x01', '\x1F', '\t', '\r', '\n', '\x7F', '\x80', ' '}) {
      std::string text = "ab cd ef gh ij kl mn op q";
      text[at] = c;
      auto s = Stream(text);
      uint64_t n = 0;
      const bool forbidden = c == '\x01' || c == '\x1F';
      EXPECT_EQ(steg->GetCapacity(s.get(), &n), forbidden ? zk::kInvalidFormat : 0) << at << " " << int(c);
    }
  }
}

// A small text worked by hand: nine gaps (1, 2, 1, then 1, 3, 1 after an
// indent dropped and a tab, 1, 2 and the trailing blank), so one byte.
const std::string kSmall = "The quick  brown fox\n  jumps\tover the   lazy dog\r\nand runs  away. ";

TEST_P(TextTest, HandWorkedBytes) {
  EXPECT_EQ(Capacity(kSmall), 1u);
  std::vector<uint8_t> got;
  // Bits 0,1,0,0,1,0,0,1 from the first gap on: 0x92.
  ASSERT_EQ(Extract(kSmall, 1, &got), 0);
  EXPECT_EQ(ToHex(got), "92");
  // 0xA5 is 1,0,1,0,0,1,0,1 from bit 0; the ninth gap gets one blank.
  const std::vector<uint8_t> secret = {0xA5};
  std::string out;
  ASSERT_EQ(Rewrite(kSmall, &secret, &out), 0);
  EXPECT_EQ(out, "The  quick brown  fox\njumps\tover the lazy  dog\r\nand runs  away. ");
  ASSERT_EQ(Extract(out, 1, &got), 0);
  EXPECT_EQ(ToHex(got), "a5");
  std::string wiped;
  ASSERT_EQ(Rewrite(out, nullptr, &wiped), 0);
  EXPECT_EQ(wiped, "The quick brown fox\njumps\tover the lazy dog\r\nand runs away. ");
  ASSERT_EQ(Extract(wiped, 1, &got), 0);
  EXPECT_EQ(ToHex(got), "00");
  // No data: the same as Wipe.
  const std::vector<uint8_t> none;
  ASSERT_EQ(Rewrite(kSmall, &none, &out), 0);
  EXPECT_EQ(out, wiped);
}

TEST_P(TextTest, AFullCarrierUsesItsTrailingGap) {
  // Seven gaps between the words and the blank at the end: one byte.
  const std::string text = "a b c d e f g h ";
  EXPECT_EQ(Capacity(text), 1u);
  const std::vector<uint8_t> secret = {0xFF};
  std::string out;
  ASSERT_EQ(Rewrite(text, &secret, &out), 0);
  EXPECT_EQ(out, "a  b  c  d  e  f  g  h  ");
  std::vector<uint8_t> got;
  ASSERT_EQ(Extract(out, 1, &got), 0);
  EXPECT_EQ(ToHex(got), "ff");
  EXPECT_EQ(Extract(out, 2, &got), zk::kTooMuch);
  EXPECT_TRUE(got.empty());
}

TEST_P(TextTest, GapsAndLineStartsAcrossTheEdgeOf64KiB) {
  const std::string word(65535, 'w');
  // Two blanks at bytes 65,535 and 65,536, then seven single gaps: 0x01.
  const std::string split = word + "  b c d e f g h i\n";
  std::vector<uint8_t> got;
  ASSERT_EQ(Extract(split, 1, &got), 0);
  EXPECT_EQ(ToHex(got), "01");
  const std::vector<uint8_t> secret = {0xFE};
  std::string out;
  ASSERT_EQ(Rewrite(split, &secret, &out), 0);
  EXPECT_EQ(out, word + " b  c  d  e  f  g  h  i\n");
  // A line break as the last byte of the first 64 KiB: the blanks after it
  // open a line and are dropped.
  const std::string indented = word + "\n   a b c d e f g h i";
  EXPECT_EQ(Capacity(indented), 1u);
  ASSERT_EQ(Rewrite(indented, nullptr, &out), 0);
  EXPECT_EQ(out, word + "\na b c d e f g h i");
}

TEST_P(TextTest, EightyWordsOnOneLine) {
  std::string text;
  for (int i = 0; i < 80; ++i) text += (i ? " w" : "w") + std::to_string(i);
  text += "\n";
  EXPECT_EQ(Capacity(text), 9u);  // 79 gaps
  const auto secret = Pattern(9, 80);
  std::string out;
  ASSERT_EQ(Rewrite(text, &secret, &out), 0);
  // The last seven gaps are single blanks.
  const std::string tail = " w73 w74 w75 w76 w77 w78 w79\n";
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
  EXPECT_EQ(out.substr(out.size() - tail.size() - 1, 1), "2");  // no blank of gap 72
  EXPECT_EQ(Words(out), Words(text));
  std::vector<uint8_t> got;
  ASSERT_EQ(Extract(out, 9, &got), 0);
  EXPECT_EQ(got, secret);
  const auto tooMuch = Pattern(10, 80);
  EXPECT_EQ(Rewrite(text, &tooMuch, &out), zk::kTooMuch);
}

TEST_P(TextTest, RefusalsLeaveTheOutputAlone) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<uint8_t> data;
    StatusCode status;
  } cases[] = {
      {"empty text", "", {1}, zk::kTooMuch},
      {"empty text, no data", "", {}, zk::kTooMuch},
      {"one byte too many", kSmall, {1, 2}, zk::kTooMuch},
      {"blanks only", "        ", {1}, zk::kTooMuch},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto carrier = Stream(c.text);
    Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, c.data));
    auto out = Stream("untouched");
    EXPECT_EQ(steg->Embed(carrier.get(), data.get(), out.get()), c.status);
    EXPECT_EQ(Str(StreamBytes(out.get())), "untouched");
  }
  // Data that cannot be read: -104 from the first and from a later read.
  for (int failing : {0, 1}) {
    auto carrier = Stream(kSmall);
    Ref<FakeStream> data(FakeStream::Make({0xA5}));
    data->failReadAfter = failing;
    auto out = Stream("");
    EXPECT_EQ(steg->Embed(carrier.get(), data.get(), out.get()), zk::kReadError) << failing;
  }
  // A carrier that cannot be read, in the first walk or the second: the
  // stream's code.
  for (int failing : {0, 1}) {
    Ref<FakeStream> broken(FakeStream::Make(Bytes(kSmall)));
    broken->failReadAfter = failing;
    Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, {}));
    auto out = Stream("");
    EXPECT_EQ(steg->Embed(broken.get(), data.get(), out.get()), zk::kReadError) << failing;
    broken->failReadAfter = broken->reads + failing;
    EXPECT_EQ(steg->Extract(broken.get(), out.get(), 1), zk::kReadError) << failing;
  }
  // Extract of nothing writes nothing, even from an empty text.
  std::vector<uint8_t> got;
  EXPECT_EQ(Extract("", 0, &got), 0);
  EXPECT_EQ(Extract("", 1, &got), zk::kTooMuch);
  EXPECT_EQ(Extract(kSmall, uint64_t(1) << 62, &got), zk::kTooMuch);
  EXPECT_TRUE(got.empty());
}

TEST_P(TextTest, DataIsReadFromItsPositionAndOutIsWrittenFromItsPosition) {
  auto carrier = Stream(kSmall);
  Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, {0x11, 0xA5}));
  ASSERT_EQ(data->Seek(1, zk::kSeekSet), 0);
  auto out = Stream("head:old tail");
  ASSERT_EQ(out->Seek(5, zk::kSeekSet), 0);
  ASSERT_EQ(steg->Embed(carrier.get(), data.get(), out.get()), 0);
  EXPECT_EQ(Str(StreamBytes(out.get())), "head:The  quick brown  fox\njumps\tover the lazy  dog\r\nand runs  away. ");
}

INSTANTIATE_TEST_SUITE_P(Streams, TextTest, ::testing::Values(StreamKind::Memory, StreamKind::File),
                         [](const auto& info) { return std::string(KindName(info.param)); });

// The GNU GPL 3 text as shipped by Debian: indented lines, empty lines,
// two blanks after full stops. Also tried with CR LF line ends.
class TextFixtureTest : public ::testing::TestWithParam<std::tuple<bool, StreamKind>> {};

TEST_P(TextFixtureTest, WordsSurviveEmbedAndWipe) {
  const auto [crlf, kind] = GetParam();
  std::string text = Str(ReadFile(FixtureDir() + "/gpl3.txt"));
  ASSERT_GT(text.size(), 30000u);
  if (crlf) {
    std::string converted;
    for (char c : text) converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    text = converted;
  }
  Ref<zk::ICarrierCopy> steg(NewText());
  Ref<zk::IFileStrem> carrier(MakeStream(kind, Bytes(text)));
  uint64_t capacity = 0;
  ASSERT_EQ(steg->GetCapacity(carrier.get(), &capacity), 0);
  EXPECT_EQ(capacity, 636u);  // 5,091 gaps
  for (uint64_t n : {uint64_t(1), uint64_t(300), capacity}) {
    SCOPED_TRACE(n);
    const auto secret = Pattern(n, uint32_t(n));
    Ref<zk::IFileStrem> data(MakeStream(StreamKind::Memory, secret));
    Ref<zk::IFileStrem> out(MakeStream(kind, {}));
    ASSERT_EQ(steg->Embed(carrier.get(), data.get(), out.get()), 0);
    const std::string embedded = Str(StreamBytes(out.get()));
    EXPECT_EQ(Words(embedded), Words(text));
    uint64_t after = 0;
    ASSERT_EQ(steg->GetHiddenSize(out.get(), &after), 0);
    EXPECT_EQ(after, capacity);
    Ref<zk::IFileStrem> got(MakeStream(kind, {}));
    ASSERT_EQ(steg->Extract(out.get(), got.get(), n), 0);
    EXPECT_EQ(StreamBytes(got.get()), secret);
    Ref<zk::IFileStrem> wiped(MakeStream(kind, {}));
    ASSERT_EQ(steg->Wipe(out.get(), wiped.get()), 0);
    const std::string plain = Str(StreamBytes(wiped.get()));
    EXPECT_EQ(Words(plain), Words(text));
    // Every gap is one blank and no line opens with a blank.
    EXPECT_EQ(plain.find("  "), std::string::npos);
    EXPECT_EQ(plain.find("\n "), std::string::npos);
    Ref<zk::IFileStrem> zeros(MakeStream(kind, {}));
    ASSERT_EQ(steg->Extract(wiped.get(), zeros.get(), capacity), 0);
    EXPECT_EQ(StreamBytes(zeros.get()), std::vector<uint8_t>(capacity, 0));
  }
}

INSTANTIATE_TEST_SUITE_P(Fixture, TextFixtureTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(StreamKind::Memory, StreamKind::File)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) ? "crlf_" : "lf_") +
                                  KindName(std::get<1>(info.param));
                         });

}  // namespace
