// script.TextRes: the index built at Load and the texts GetText joins.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "FakeStream.h"
#include "ZkTestSupport.h"
#include "zk5script.h"

namespace {

using zktest::FakeStream;

const std::string kNone = "<none>";

// LF line ends turned into CR LF.
std::string CrLf(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (c == '\n') r += '\r';
    r += c;
  }
  return r;
}

class Text : public ::testing::Test {
 protected:
  void SetUp() override {
    t = zktest::Create<zk::ITextRes>(zk::id::ScriptTextRes, zk::id::ScriptITextRes);
    ASSERT_NE(t, nullptr);
  }
  void TearDown() override {
    if (t) t->Release();
    if (file) file->Release();
  }
  StatusCode Load(const std::string& text) {
    if (file) file->Release();
    file = FakeStream::MakeText(text, true);
    return t->Load(file);
  }
  // The text of an id, kNone for a null text, or "status N".
  std::string Get(int32_t id) {
    char* s = nullptr;
    StatusCode st = t->GetText(id, &s);
    std::string r = st != 0 ? "status " + std::to_string(st) : s ? s : kNone;
    zk_free(s);
    return r;
  }

  zk::ITextRes* t = nullptr;
  FakeStream* file = nullptr;
};

const char kExample[] = "1025\n First line\n\tSecond line\n\n1026\n Other\n";

TEST_F(Text, ExampleFileWithLfAndCrLfLineEnds) {
  for (const std::string& text : {std::string(kExample), CrLf(kExample)}) {
    ASSERT_EQ(Load(text), 0);
    EXPECT_EQ(Get(1025), "First line\r\nSecond line");
    EXPECT_EQ(Get(1026), "Other");
    EXPECT_EQ(Get(7), "status -2");
  }
}

struct Case {
  const char* what;
  std::string file;
  int32_t id;
  std::string text;
};

class TextTable : public Text, public ::testing::WithParamInterface<Case> {};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

TEST_P(TextTable, GetText) {
  const Case& c = GetParam();
  ASSERT_EQ(Load(c.file), 0);
  EXPECT_EQ(Get(c.id), c.text);
  ASSERT_EQ(Load(CrLf(c.file)), 0);
  EXPECT_EQ(Get(c.id), c.text) << "with CR LF";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextTable,
    ::testing::Values(
        Case{"duplicate id keeps the first", "5\n first\n6\n x\n5\n second\n", 5, "first"},
        Case{"text before the first id line is ignored", " stray\n\tlines\n5\n text\n", 5, "text"},
        Case{"empty line inside a text", "1\n a\n\n b\n2\n c\n", 1, "a\r\n\r\nb"},
        Case{"hash line inside a text takes a counted line's place", "1\n a\n# note\n b\n2\n c\n", 1,
             "a\r\n# note"},
        Case{"lines of other characters are not counted", "1\n a\nxyz\n b\n2\n", 1, "a\r\nxyz"},
        Case{"leading blanks of each line go", "3\n   x\n\t \ty  z \n", 3, "x\r\ny  z "},
        Case{"an id line is read as atol", "12 Save\n twelve\n", 12, "twelve"},
        Case{"an id of 0 is never indexed", "0\n zero\n", 0, "status -2"},
        Case{"an entry with no lines", "4\n5\n five\n", 4, kNone},
        Case{"a blank-only line counts but yields nothing", "4\n \n next\n", 4, "\nnext"},
        Case{"the last line needs no line end", "1\n a\n\tb", 1, "a\r\nb"},
        Case{"control bytes are dropped", "1\n a\x01" "b\x1f\x7f\n", 1, "ab\x7f"},
        Case{"8-bit text passes unchanged", "1\n Gr\xC3\xBC\xC3\x9F\n", 1, "Gr\xC3\xBC\xC3\x9F"},
        Case{"ids are sorted for lookup", "30\n c\n10\n a\n20\n b\n", 20, "b"},
        Case{"an id beyond 32 bits saturates", "99999999999\n big\n", INT32_MAX, "big"},
        Case{"a negative id is not an id line", "-5\n minus\n", -5, "status -2"}),
    [](const auto& info) {
      std::string n;
      for (char ch : std::string(info.param.what)) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return n;
    });

TEST_F(Text, ManyEntriesAcrossTheReadBuffer) {
  // About 200 KB in ids of mixed order, so lines cross the 64 KiB buffer.
  std::vector<int32_t> ids(4000);
  std::iota(ids.begin(), ids.end(), 1);
  std::shuffle(ids.begin(), ids.end(), std::mt19937(7));
  std::string text = "# language file\r\n";
  for (int32_t id : ids) {
    text += std::to_string(id) + "\r\n\tText number " + std::to_string(id) +
            " with some words to make it longer\r\n second line " + std::to_string(id) + "\r\n\r\n";
  }
  ASSERT_GT(text.size(), 3u * 65536);
  ASSERT_EQ(Load(text), 0);
  for (int32_t id : {1, 2, 1000, 2718, 3999, 4000}) {
    EXPECT_EQ(Get(id), "Text number " + std::to_string(id) + " with some words to make it longer\r\nsecond line " +
                           std::to_string(id));
  }
  EXPECT_EQ(Get(4001), "status -2");
}

TEST_F(Text, GetTextFreesTheHeldString) {
  ASSERT_EQ(Load(kExample), 0);
  char* s = zk_DupString("old");
  ASSERT_EQ(t->GetText(1026, &s), 0);
  EXPECT_STREQ(s, "Other");
  // An absent id frees it too and leaves null.
  EXPECT_EQ(t->GetText(7, &s), zk::kInvalidArg);
  EXPECT_EQ(s, nullptr);
  s = zk_DupString("old");
  EXPECT_EQ(t->GetText(1026, nullptr), zk::kInvalidArg);
  EXPECT_EQ(t->GetText(1026, &s), 0);
  zk_free(s);
}

TEST_F(Text, EmptyObjectAndNullStream) {
  EXPECT_EQ(Get(1), "status -2");
  EXPECT_EQ(t->Load(nullptr), zk::kInvalidArg);
  ASSERT_EQ(Load(""), 0);
  EXPECT_EQ(Get(1), "status -2");
}

TEST_F(Text, LoadKeepsOneReferenceToItsStream) {
  ASSERT_EQ(Load(kExample), 0);
  EXPECT_EQ(file->GetRefCount(), 2);
  ASSERT_EQ(t->Load(file), 0);  // the same stream again
  EXPECT_EQ(file->GetRefCount(), 2);
  FakeStream* other = FakeStream::MakeText("1\n one\n", true);
  ASSERT_EQ(t->Load(other), 0);
  EXPECT_EQ(file->GetRefCount(), 1);
  EXPECT_EQ(Get(1), "one");
  EXPECT_EQ(Get(1025), "status -2");
  t->Release();
  t = nullptr;
  EXPECT_EQ(other->GetRefCount(), 1);
  other->Release();
}

TEST_F(Text, ReadErrorsAndSeekErrors) {
  // Eight bytes a read: the third read fails inside the third entry, which
  // is not indexed; the two before it are.
  file = FakeStream::MakeText("1\n one\n2\n two\n3\n three\n", true);
  file->maxRead = 8;
  file->readFailAt = 16;
  EXPECT_EQ(t->Load(file), zk::kReadError);
  EXPECT_EQ(Get(3), "status -2");
  file->readFailAt = UINT64_MAX;
  EXPECT_EQ(Get(1), "one");
  EXPECT_EQ(Get(2), "two");

  file->failRead = true;
  EXPECT_EQ(Get(1), "status -104");

  file->failRead = false;
  ASSERT_EQ(t->Load(file), 0);
  file->seekError = -16;
  EXPECT_EQ(Get(2), "status -16");
  EXPECT_EQ(t->Load(file), -16);
}

TEST_F(Text, AStreamWithoutTheFileInterfaceLeavesNoIndex) {
  ASSERT_EQ(Load(kExample), 0);
  FakeStream* odd = FakeStream::MakeText(kExample, true);
  odd->refuseQuery = true;
  EXPECT_EQ(t->Load(odd), zk::kNotImplemented);
  EXPECT_EQ(Get(1026), "status -2");
  odd->Release();
}

TEST_F(Text, EndsWithAStreamThatNeverReportsItsEnd) {
  file = FakeStream::MakeText("1\n one\n2\n two", true);
  file->neverEnd = true;
  ASSERT_EQ(t->Load(file), 0);
  EXPECT_EQ(Get(2), "two");
  // The file shrank after Load: the text stops where the data does.
  file->SetText("1\n one\n2\n");
  file->neverEnd = false;
  EXPECT_EQ(Get(2), "");
}

TEST_F(Text, RegisteredWithItsOneInterface) {
  EXPECT_STREQ(t->GetClassId(), zk::id::ScriptTextRes);
  void* q = nullptr;
  EXPECT_EQ(t->QueryInterface(zk::id::ScriptIAppParam, &q), zk::kNotImplemented);
  ASSERT_EQ(t->QueryInterface(zk::id::ScriptITextRes, &q), 0);
  static_cast<zk::ITextRes*>(q)->Release();
}

}  // namespace
