// script.ParamScript: parsing, writing back and the typed values.
#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "FakeStream.h"
#include "ZkTestSupport.h"
#include "zk5script.h"

namespace {

using zktest::FakeStream;

std::string Str(const char* s) { return s ? s : "<null>"; }

class Param : public ::testing::Test {
 protected:
  void SetUp() override {
    p = zktest::Create<zk::IAppParam>(zk::id::ScriptParamScript, zk::id::ScriptIAppParam);
    ASSERT_NE(p, nullptr);
  }
  void TearDown() override {
    if (p) p->Release();
    if (file) file->Release();
  }
  StatusCode Load(const std::string& text) {
    if (file) file->Release();
    file = FakeStream::MakeText(text, true);
    return p->Load(file);
  }
  std::string Saved() {
    EXPECT_EQ(p->Save(), 0);
    return file->Text();
  }
  std::string Value(const char* name) {
    char* s = nullptr;
    EXPECT_EQ(p->GetString(name, &s), 0) << name;
    std::string r = Str(s);
    zk_free(s);
    return r;
  }
  std::string Comment(const char* name) {
    char* s = nullptr;
    EXPECT_EQ(p->GetComment(name, &s), 0) << name;
    std::string r = Str(s);
    zk_free(s);
    return r;
  }
  std::string Name(int32_t i) {
    char* s = nullptr;
    EXPECT_EQ(p->GetName(i, &s), 0) << i;
    std::string r = Str(s);
    zk_free(s);
    return r;
  }

  zk::IAppParam* p = nullptr;
  FakeStream* file = nullptr;
};

// ---- parsing ---------------------------------------------------------------

struct Entry {
  std::string name, value, comment;  // "<null>" for none
};
struct ParseCase {
  const char* what;
  std::string text;
  std::vector<Entry> entries;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.what; }

class ParseTable : public Param, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(ParseTable, Entries) {
  const ParseCase& c = GetParam();
  ASSERT_EQ(Load(c.text), 0);
  ASSERT_EQ(p->GetCount(), static_cast<int32_t>(c.entries.size()));
  for (size_t i = 0; i < c.entries.size(); ++i) {
    const Entry& e = c.entries[i];
    EXPECT_EQ(Name(static_cast<int32_t>(i)), e.name) << i;
    EXPECT_EQ(Value(e.name.c_str()), e.value) << e.name;
    EXPECT_EQ(Comment(e.name.c_str()), e.comment) << e.name;
  }
}

const std::string N = "<null>";

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseTable,
    ::testing::Values(
        ParseCase{"blanks around =", "  key \t =  \"v\"\r\n", {{"key", "v", N}}},
        ParseCase{"inner blanks in a name", "size of fixed password\t= \"8\"\r\n",
                  {{"size of fixed password", "8", N}}},
        ParseCase{"value over several lines", "a=\"line1\r\nline2\nline3\"\r\nb=\"2\"",
                  {{"a", "line1\r\nline2\nline3", N}, {"b", "2", N}}},
        ParseCase{"unterminated quote drops the entry", "a=\"1\"\r\nkey=\"unterminated\r\nb=\"2",
                  {{"a", "1", N}, {"key", "unterminated\r\nb=", N}}},
        ParseCase{"unterminated quote at the end", "a=\"1\"\r\nkey=\"unterminated", {{"a", "1", N}}},
        ParseCase{"unquoted value makes no entry", "a=5\r\nb=\"x\"\r\n", {{"b", "x", N}}},
        ParseCase{"parsing goes on after an unquoted value", "a=b=\"x\"", {{"b", "x", N}}},
        ParseCase{"line end between = and the quote", "a=\n\"x\"", {}},
        ParseCase{"empty value", "a=\"\"", {{"a", "", N}}},
        ParseCase{"comments before the first entry", "#c1\r\n# c2\r\na=\"1\"\r\n",
                  {{"a", "1", "c1\r\n c2\r\n"}}},
        ParseCase{"comment after the last entry is not kept", "a=\"1\"\r\n#tail\r\n#more",
                  {{"a", "1", N}}},
        ParseCase{"comment after a value on its line", "a=\"1\" # note\r\nb=\"2\"",
                  {{"a", "1", N}, {"b", "2", " note\r\n"}}},
        ParseCase{"LF file", "#c\na=\"1\"\nb=\"2\"\n", {{"a", "1", "c\n"}, {"b", "2", N}}},
        ParseCase{"CR LF file", "#c\r\na=\"1\"\r\nb=\"2\"\r\n", {{"a", "1", "c\r\n"}, {"b", "2", N}}},
        ParseCase{"a bad line keeps the pending comment", "#c\r\nbad-name=\"1\"\r\ngood=\"2\"",
                  {{"good", "2", "c\r\n"}}},
        ParseCase{"a name broken by a line end", "ab\ncd=\"1\"", {{"cd", "1", N}}},
        ParseCase{"text ends inside a name", "a=\"1\"\r\nabc", {{"a", "1", N}}},
        ParseCase{"text ends after =", "a=\"1\"\r\nabc = ", {{"a", "1", N}}},
        ParseCase{"characters that start no item", "\"x\" !?\r\n_a1=\"v\"", {{"_a1", "v", N}}},
        ParseCase{"a NUL byte ends the text", std::string("a=\"1\"\0b=\"2\"", 12), {{"a", "1", N}}},
        ParseCase{"empty file", "", {}}),
    [](const auto& info) {
      std::string n;
      for (char ch : std::string(info.param.what)) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return n;
    });

TEST_F(Param, DuplicateNameLookupAndDeleteActOnTheFirst) {
  ASSERT_EQ(Load("a=\"1\"\r\nb=\"x\"\r\na=\"2\"\r\n"), 0);
  EXPECT_EQ(Value("a"), "1");
  ASSERT_EQ(p->SetInt("a", 7), 0);
  EXPECT_EQ(Value("a"), "7");
  ASSERT_EQ(p->Delete("a"), 0);
  EXPECT_EQ(p->GetCount(), 2);
  EXPECT_EQ(Value("a"), "2");
  EXPECT_EQ(Name(0), "b");
  EXPECT_EQ(Name(1), "a");
}

// ---- writing ---------------------------------------------------------------

TEST_F(Param, UnchangedFileSavesBackByteForByte) {
  const std::string text =
      "#Language\r\nlang_cur=\"en\"\r\n#two\r\n#  lines\r\nsize of fixed password=\"8\"\r\n"
      "blob=\"\r\n 00 01\r\n\"\r\nempty=\"\"\r\n";
  ASSERT_EQ(Load(text), 0);
  EXPECT_EQ(Saved(), text);
  EXPECT_EQ(file->commits, 1);
}

TEST_F(Param, SaveRewritesInTheCanonicalForm) {
  // Comment lines keep their own line ends; entries are written with CR LF;
  // the comment after the last entry goes.
  ASSERT_EQ(Load("#c1\n#c2\r\n  a = \"1\"  b=\"x\ny\"\n#tail\n"), 0);
  EXPECT_EQ(Saved(), "#c1\n#c2\r\na=\"1\"\r\nb=\"x\ny\"\r\n");
}

TEST_F(Param, ExampleEntryWithItsComment) {
  ASSERT_EQ(Load(""), 0);
  ASSERT_EQ(p->Add("lang_cur", "Language"), 0);
  ASSERT_EQ(p->SetString("lang_cur", "en"), 0);
  EXPECT_EQ(Saved(), "#Language\r\nlang_cur=\"en\"\r\n");
}

TEST_F(Param, EmptyFileLoadsAndSavesEmpty) {
  ASSERT_EQ(Load(""), 0);
  EXPECT_EQ(p->GetCount(), 0);
  file->SetText("garbage written by someone else");
  EXPECT_EQ(Saved(), "");
}

TEST_F(Param, SaveCutsALongerOldFile) {
  ASSERT_EQ(Load("a=\"1234567890\"\r\n#tail comment that goes\r\n"), 0);
  ASSERT_EQ(p->SetString("a", "1"), 0);
  EXPECT_EQ(Saved(), "a=\"1\"\r\n");
}

TEST_F(Param, AddedEntriesAndCommentsRoundTrip) {
  ASSERT_EQ(Load("x=\"0\"\r\n"), 0);
  ASSERT_EQ(p->Add("n", nullptr), 0);
  ASSERT_EQ(p->Add("m", "two\nlines"), 0);
  ASSERT_EQ(p->SetInt("m", 5), 0);
  const std::string text = Saved();
  EXPECT_EQ(text, "x=\"0\"\r\n#\r\nn=\"\"\r\n#two\n#lines\r\nm=\"5\"\r\n");
  ASSERT_EQ(Load(text), 0);
  EXPECT_EQ(p->GetCount(), 3);
  EXPECT_EQ(Comment("m"), "two\nlines\r\n");
  EXPECT_EQ(Value("n"), "");
}

TEST_F(Param, SaveFailuresAreReturnedAndNeverCutTheFile) {
  const std::string old = "a=\"1\"\r\nb=\"2\"\r\nc=\"3\"\r\n";
  ASSERT_EQ(Load(old), 0);
  ASSERT_EQ(p->SetString("a", "x"), 0);  // the new text is as long as the old

  file->writeBudget = 4;
  EXPECT_EQ(p->Save(), zk::kWriteError);
  EXPECT_EQ(file->data.size(), old.size());
  EXPECT_EQ(file->Text().substr(4), old.substr(4));
  EXPECT_EQ(file->commits, 0);

  file->writeBudget = -1;
  file->setEndError = zk::kWriteError;
  EXPECT_EQ(p->Save(), zk::kWriteError);
  EXPECT_EQ(file->commits, 0);

  file->setEndError = 0;
  file->commitError = zk::kWriteError;
  EXPECT_EQ(p->Save(), zk::kWriteError);

  file->commitError = 0;
  file->seekError = -16;
  EXPECT_EQ(p->Save(), -16);
}

TEST_F(Param, SaveNeedsALoadedStream) {
  EXPECT_EQ(p->Save(), zk::kNotInitialized);
  ASSERT_EQ(Load("a=\"1\""), 0);
  // A null stream still lets go of the one held.
  EXPECT_EQ(p->Load(nullptr), zk::kInvalidArg);
  EXPECT_EQ(p->Save(), zk::kNotInitialized);
  EXPECT_EQ(file->GetRefCount(), 1);
}

TEST_F(Param, LoadKeepsOneReferenceAndReleasesIt) {
  ASSERT_EQ(Load("a=\"1\""), 0);
  EXPECT_EQ(file->GetRefCount(), 2);
  FakeStream* other = FakeStream::MakeText("b=\"2\"", true);
  ASSERT_EQ(p->Load(other), 0);
  EXPECT_EQ(file->GetRefCount(), 1);
  EXPECT_EQ(other->GetRefCount(), 2);
  p->Release();
  p = nullptr;
  EXPECT_EQ(other->GetRefCount(), 1);
  other->Release();
}

TEST_F(Param, LoadFailures) {
  ASSERT_EQ(Load("a=\"1\""), 0);
  FakeStream* s = FakeStream::MakeText("b=\"2\"", true);

  s->sizeError = -104;
  EXPECT_EQ(p->Load(s), -104);
  EXPECT_EQ(p->Save(), zk::kNotInitialized);

  s->sizeError = 0;
  s->failRead = true;
  EXPECT_EQ(p->Load(s), zk::kReadError);
  EXPECT_EQ(p->GetCount(), 0);

  s->failRead = false;
  s->seekError = -16;
  EXPECT_EQ(p->Load(s), -16);

  // Fewer bytes than the size: -104, and a size that lies hugely costs no
  // huge block.
  s->seekError = 0;
  s->claimedSize = 6;
  EXPECT_EQ(p->Load(s), zk::kReadError);
  s->claimedSize = uint64_t{1} << 40;
  EXPECT_EQ(p->Load(s), zk::kReadError);
  EXPECT_EQ(p->Save(), zk::kNotInitialized);

  // Parsed, but a stream without the file interface is not kept.
  s->claimedSize = 0;
  s->refuseQuery = true;
  EXPECT_EQ(p->Load(s), zk::kNotImplemented);
  EXPECT_EQ(Value("b"), "2");
  EXPECT_EQ(p->Save(), zk::kNotInitialized);
  s->refuseQuery = false;

  // Reads that hand out a few bytes at a time are gathered.
  s->claimedSize = 0;
  s->maxRead = 2;
  EXPECT_EQ(p->Load(s), 0);
  EXPECT_EQ(Value("b"), "2");
  s->Release();
}

// ---- values ----------------------------------------------------------------

TEST_F(Param, HexFigures) {
  ASSERT_EQ(Load("h=\"\"\r\n"), 0);
  ASSERT_EQ(p->SetHex("h", 255), 0);
  EXPECT_EQ(Value("h"), "000000FF");
  uint32_t v = 0;
  ASSERT_EQ(p->GetHex("h", &v), 0);
  EXPECT_EQ(v, 255u);
  ASSERT_EQ(p->SetHex("h", 0xDEADBEEF), 0);
  EXPECT_EQ(Value("h"), "DEADBEEF");
}

TEST_F(Param, NumbersAsText) {
  ASSERT_EQ(Load("v=\"\"\r\n"), 0);
  struct {
    std::function<StatusCode()> set;
    const char* text;
  } cases[] = {
      {[&] { return p->SetInt("v", -42); }, "-42"},
      {[&] { return p->SetLong("v", INT32_MIN); }, "-2147483648"},
      {[&] { return p->SetHex("v", 0); }, "00000000"},
      {[&] { return p->SetDouble("v", 1.5); }, "1.500000"},
      {[&] { return p->SetDouble("v", -0.1); }, "-0.100000"},
      {[&] { return p->SetDouble("v", 1e20); }, "100000000000000000000.000000"},
      {[&] { return p->SetDouble("v", 2.0000005); }, "2.000001"},
  };
  for (auto& c : cases) {
    ASSERT_EQ(c.set(), 0) << c.text;
    EXPECT_EQ(Value("v"), c.text);
  }
}

TEST_F(Param, ReadingNumbersFromText) {
  ASSERT_EQ(Load("v=\"\"\r\n"), 0);
  struct {
    const char* text;
    int32_t dec;
    uint32_t hex;
    double dbl;
  } cases[] = {
      {"12abc", 12, 0x12ABC, 12},
      {"  -7", -7, 0xFFFFFFF9, -7},
      {"+5", 5, 5, 5},
      {"\r\n 3.75", 3, 3, 3.75},
      {"", 0, 0, 0},
      {"xyz", 0, 0, 0},
      {"0x1A", 0, 0x1A, 26},
      {"0x", 0, 0, 0},
      {"99999999999", INT32_MAX, 0xFFFFFFFF, 99999999999.0},
      {"-99999999999", INT32_MIN, 0x1, -99999999999.0},
      {"2147483648", INT32_MAX, 0xFFFFFFFF, 2147483648.0},
      {"-2147483648", INT32_MIN, 0x1, -2147483648.0},
      {"1e3", 1, 0x1E3, 1000},
      {"1,5", 1, 1, 1},
  };
  for (auto& c : cases) {
    ASSERT_EQ(p->SetString("v", c.text), 0);
    int32_t i = 99, l = 99;
    uint32_t h = 99;
    double d = 99;
    ASSERT_EQ(p->GetInt("v", &i), 0);
    ASSERT_EQ(p->GetLong("v", &l), 0);
    ASSERT_EQ(p->GetHex("v", &h), 0);
    ASSERT_EQ(p->GetDouble("v", &d), 0);
    EXPECT_EQ(i, c.dec) << c.text;
    EXPECT_EQ(l, c.dec) << c.text;
    EXPECT_EQ(h, c.hex) << c.text;
    EXPECT_EQ(d, c.dbl) << c.text;
  }
}

TEST_F(Param, NullValueReadsAsEmpty) {
  ASSERT_EQ(Load(""), 0);
  ASSERT_EQ(p->Add("n", nullptr), 0);
  int32_t i = 9;
  uint32_t h = 9;
  double d = 9;
  EXPECT_EQ(p->GetInt("n", &i), 0);
  EXPECT_EQ(p->GetHex("n", &h), 0);
  EXPECT_EQ(p->GetDouble("n", &d), 0);
  EXPECT_EQ(i, 0);
  EXPECT_EQ(h, 0u);
  EXPECT_EQ(d, 0.0);
  EXPECT_EQ(Value("n"), N);
  EXPECT_EQ(Comment("n"), "\r\n");
}

// Numbers keep the "C" forms under a locale with a decimal comma (the
// desktop toolkit switches the process locale at start).
TEST_F(Param, NumbersIgnoreTheProcessLocale) {
  zktest::TempDir dir;
  std::string cmd = "localedef -i de_DE -f UTF-8 " + dir.File("de_DE.UTF-8") + " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "no locale sources to build de_DE";
  setenv("LOCPATH", dir.path().c_str(), 1);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "cannot switch to de_DE";
  char probe[32];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  bool comma = std::string(probe) == "1,5";

  ASSERT_EQ(Load("d=\"2.25\"\r\n"), 0);
  double d = 0;
  EXPECT_EQ(p->GetDouble("d", &d), 0);
  EXPECT_EQ(d, 2.25);
  EXPECT_EQ(p->SetDouble("d", 1.5), 0);
  EXPECT_EQ(Value("d"), "1.500000");
  std::setlocale(LC_ALL, "C");
  unsetenv("LOCPATH");
  EXPECT_TRUE(comma) << "the test locale did not switch the decimal point";
}

TEST_F(Param, BinaryValues) {
  ASSERT_EQ(Load("b=\"\"\r\n"), 0);
  std::vector<uint8_t> bytes(17);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 17 + 10);
  ASSERT_EQ(p->SetBinary("b", bytes.data(), 17), 0);
  EXPECT_EQ(Value("b"),
            "\r\n 0A 1B 2C 3D 4E 5F 70 81 92 A3 B4 C5 D6 E7 F8 09\r\n 1A");
  void* block = nullptr;
  uint32_t count = 0;
  ASSERT_EQ(p->GetBinary("b", &block, &count), 0);
  ASSERT_EQ(count, 17u);
  EXPECT_EQ(std::memcmp(block, bytes.data(), 17), 0);

  // Through a saved file and back.
  std::string text = Saved();
  ASSERT_EQ(Load(text), 0);
  ASSERT_EQ(p->GetBinary("b", &block, &count), 0);  // frees the block it held
  ASSERT_EQ(count, 17u);
  EXPECT_EQ(std::memcmp(block, bytes.data(), 17), 0);

  // Count 0 leaves no value: a null block and count 0.
  ASSERT_EQ(p->SetBinary("b", nullptr, 0), 0);
  EXPECT_EQ(Value("b"), N);
  ASSERT_EQ(p->GetBinary("b", &block, &count), 0);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(p->SetBinary("b", nullptr, 3), zk::kInvalidArg);
}

TEST_F(Param, BinaryDigitsReadLeniently) {
  ASSERT_EQ(Load("b=\"ab\tC d\r\n0g E\"\r\n"), 0);
  void* block = nullptr;
  uint32_t count = 0;
  ASSERT_EQ(p->GetBinary("b", &block, &count), 0);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(zktest::ToHex(static_cast<uint8_t*>(block), count), "abcd00");
  zk_free(block);
}

// ---- names, refusals, arguments --------------------------------------------

TEST_F(Param, AddRefusesNamesThatWouldNotReadBack) {
  ASSERT_EQ(Load(""), 0);
  for (const char* bad : {"", "a=b", "a\"b", "a\nb", "a\rb", "#a", "a#b", " a", "a ", "a\t", "a.b",
                          "-a", "\xC3\xA4"}) {
    EXPECT_EQ(p->Add(bad, "c"), zk::kInvalidArg) << Str(bad);
  }
  EXPECT_EQ(p->Add(nullptr, "c"), zk::kInvalidArg);
  EXPECT_EQ(p->GetCount(), 0);
  for (const char* good : {"size of fixed password", "_x", "9a", "a\tb", "Z"}) {
    EXPECT_EQ(p->Add(good, nullptr), 0) << good;
  }
  EXPECT_EQ(p->Add("_x", nullptr), zk::kAlreadyExists);
  ASSERT_EQ(Load(Saved()), 0);
  EXPECT_EQ(p->GetCount(), 5);
  EXPECT_EQ(Name(3), "a\tb");
}

TEST_F(Param, SetStringRefusesADoubleQuote) {
  ASSERT_EQ(Load("a=\"1\"\r\nb=\"2\"\r\n"), 0);
  EXPECT_EQ(p->SetString("a", "x\"\r\nb=\"planted"), zk::kInvalidArg);
  EXPECT_EQ(Value("a"), "1");
  ASSERT_EQ(p->SetString("a", "line\r\nbreaks and # and = are fine"), 0);
  ASSERT_EQ(Load(Saved()), 0);
  EXPECT_EQ(p->GetCount(), 2);
  EXPECT_EQ(Value("a"), "line\r\nbreaks and # and = are fine");
  ASSERT_EQ(p->SetString("a", nullptr), 0);
  EXPECT_EQ(Value("a"), N);
}

TEST_F(Param, MissingAndNullNames) {
  ASSERT_EQ(Load("a=\"1\"\r\n"), 0);
  char* s = nullptr;
  void* b = nullptr;
  uint32_t u = 0, n = 0;
  int32_t i = 0;
  double d = 0;
  std::vector<std::function<StatusCode(const char*)>> ops = {
      [&](const char* k) { return p->GetComment(k, &s); },
      [&](const char* k) { return p->GetInt(k, &i); },
      [&](const char* k) { return p->GetHex(k, &u); },
      [&](const char* k) { return p->GetLong(k, &i); },
      [&](const char* k) { return p->GetString(k, &s); },
      [&](const char* k) { return p->GetDouble(k, &d); },
      [&](const char* k) { return p->GetBinary(k, &b, &n); },
      [&](const char* k) { return p->SetInt(k, 1); },
      [&](const char* k) { return p->SetHex(k, 1); },
      [&](const char* k) { return p->SetLong(k, 1); },
      [&](const char* k) { return p->SetString(k, "x"); },
      [&](const char* k) { return p->SetDouble(k, 1); },
      [&](const char* k) { return p->SetBinary(k, "x", 1); },
      [&](const char* k) { return p->Delete(k); },
  };
  for (size_t k = 0; k < ops.size(); ++k) {
    EXPECT_EQ(ops[k]("b"), zk::kNotFound) << k;
    EXPECT_EQ(ops[k]("A"), zk::kNotFound) << k;  // names are case-sensitive
    EXPECT_EQ(ops[k](nullptr), zk::kInvalidArg) << k;
  }
  // Setters never create a name.
  EXPECT_EQ(p->GetCount(), 1);
  EXPECT_EQ(Value("a"), "1");
}

TEST_F(Param, NullOutsAndIndexes) {
  EXPECT_EQ(p->GetCount(), 0);
  char* s = nullptr;
  EXPECT_EQ(p->GetName(0, &s), zk::kInvalidArg);
  ASSERT_EQ(Load("a=\"1\"\r\nb=\"2\"\r\n"), 0);
  EXPECT_EQ(p->GetName(-1, &s), zk::kInvalidArg);
  EXPECT_EQ(p->GetName(2, &s), zk::kInvalidArg);
  EXPECT_EQ(p->GetName(1, nullptr), zk::kInvalidArg);
  uint32_t n = 0;
  void* b = nullptr;
  EXPECT_EQ(p->GetString("a", nullptr), zk::kInvalidArg);
  EXPECT_EQ(p->GetComment("a", nullptr), zk::kInvalidArg);
  EXPECT_EQ(p->GetInt("a", nullptr), zk::kInvalidArg);
  EXPECT_EQ(p->GetHex("a", nullptr), zk::kInvalidArg);
  EXPECT_EQ(p->GetDouble("a", nullptr), zk::kInvalidArg);
  EXPECT_EQ(p->GetBinary("a", nullptr, &n), zk::kInvalidArg);
  EXPECT_EQ(p->GetBinary("a", &b, nullptr), zk::kInvalidArg);
}

TEST_F(Param, OutStringsAreFreedBeforeTheyAreFilled) {
  ASSERT_EQ(Load("a=\"1\"\r\n"), 0);
  // The leak checker of the sanitizer build sees a string that is not freed.
  char* s = zk_DupString("held before");
  ASSERT_EQ(p->GetString("a", &s), 0);
  EXPECT_STREQ(s, "1");
  ASSERT_EQ(p->GetName(0, &s), 0);
  EXPECT_STREQ(s, "a");
  ASSERT_EQ(p->GetComment("a", &s), 0);
  EXPECT_EQ(s, nullptr);
  void* b = zk_malloc(4);
  uint32_t n = 0;
  ASSERT_EQ(p->GetBinary("a", &b, &n), 0);
  EXPECT_EQ(n, 0u);  // "1" is one unpaired digit
  EXPECT_EQ(b, nullptr);
}

TEST_F(Param, RegisteredWithItsOneInterface) {
  EXPECT_STREQ(p->GetClassId(), zk::id::ScriptParamScript);
  void* q = nullptr;
  EXPECT_EQ(p->QueryInterface(zk::id::ScriptITextRes, &q), zk::kNotImplemented);
  ASSERT_EQ(p->QueryInterface(zk::id::ScriptIAppParam, &q), 0);
  EXPECT_EQ(q, p);
  static_cast<zk::IAppParam*>(q)->Release();
}

}  // namespace
