// Registry, status texts, memory, strings, paths and threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "zk5Base.h"
#include "zk5main.h"

namespace zk::runtime {
uint32_t RegistryIds(const char** ids, uint32_t max);
}

namespace {

// A minimal object for the registry tests, counting its releases.
struct Probe final : zk::IBase {
  static inline int released = 0;
  static inline int made = 0;
  int32_t count = 1;
  int tag;
  explicit Probe(int t) : tag(t) {}
  StatusCode QueryInterface(const char*, void**) override { return -7; }
  int32_t AddRef() override { return ++count; }
  int32_t Release() override {
    int32_t n = --count;
    if (n == 0) {
      ++released;
      delete this;
    }
    return n;
  }
  int32_t GetRefCount() override { return count; }
  const char* GetClassId() override { return "test.Probe"; }
};

StatusCode MakeOne(zk::IBase** out) {
  if (!out) return -2;
  ++Probe::made;
  *out = new Probe(1);
  return 0;
}
StatusCode MakeTwo(zk::IBase** out) {
  if (!out) return -2;
  *out = new Probe(2);
  return 0;
}
StatusCode MakeNothing(zk::IBase** out) {
  *out = nullptr;  // as a factory that ran out of memory
  return 0;
}

int TagOf(zk::IBase* b) { return static_cast<Probe*>(b)->tag; }

std::vector<std::string> Ids() {
  const char* ids[256];
  uint32_t n = zk::runtime::RegistryIds(ids, 256);
  return std::vector<std::string>(ids, ids + std::min<uint32_t>(n, 256));
}

TEST(Registry, KeepsOrderAndReplacesInPlace) {
  ASSERT_EQ(zk_RegistryClass("reg.A", MakeOne), 0);
  ASSERT_EQ(zk_RegistryClass("reg.B", MakeOne), 0);
  ASSERT_EQ(zk_RegistryClass("", MakeOne), 0);  // an empty id is valid
  size_t before = Ids().size();
  ASSERT_EQ(zk_RegistryClass("reg.A", MakeTwo), 0);
  std::vector<std::string> ids = Ids();
  EXPECT_EQ(ids.size(), before);
  auto a = std::find(ids.begin(), ids.end(), "reg.A");
  auto b = std::find(ids.begin(), ids.end(), "reg.B");
  ASSERT_NE(a, ids.end());
  EXPECT_LT(a, b);
  zk::IBase* obj = nullptr;
  ASSERT_EQ(zk_CreateInstance("reg.A", &obj), 0);
  EXPECT_EQ(TagOf(obj), 2);
  obj->Release();
  obj = nullptr;
  ASSERT_EQ(zk_CreateInstance("", &obj), 0);
  EXPECT_EQ(TagOf(obj), 1);
  obj->Release();
}

TEST(Registry, LookupIsCaseSensitive) {
  ASSERT_EQ(zk_RegistryClass("cipher.AES32x", MakeOne), 0);
  zk::IBase* obj = nullptr;
  EXPECT_EQ(zk_CreateInstance("cipher.aes32x", &obj), -6);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(zk_CreateInstance("cipher.AES32x", &obj), 0);
  ASSERT_NE(obj, nullptr);
  obj->Release();
}

TEST(Registry, ReleasesOldOutFirst) {
  ASSERT_EQ(zk_RegistryClass("reg.C", MakeOne), 0);
  zk::IBase* obj = nullptr;
  ASSERT_EQ(zk_CreateInstance("reg.C", &obj), 0);
  int released = Probe::released;
  EXPECT_EQ(zk_CreateInstance("reg.missing", &obj), -6);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(Probe::released, released + 1);
  ASSERT_EQ(zk_CreateInstance("reg.C", &obj), 0);
  ASSERT_EQ(zk_CreateInstance("reg.C", &obj), 0);  // replaces and releases
  EXPECT_EQ(Probe::released, released + 2);
  obj->Release();
}

// An object whose release registers and creates a class: with the lock
// held during the release this would deadlock.
struct ReentrantProbe final : zk::IBase {
  int32_t count = 1;
  StatusCode QueryInterface(const char*, void**) override { return -7; }
  int32_t AddRef() override { return ++count; }
  int32_t Release() override {
    if (--count == 0) {
      zk_RegistryClass("reg.FromRelease", MakeOne);
      zk::IBase* other = nullptr;
      zk_CreateInstance("reg.FromRelease", &other);
      if (other) other->Release();
      delete this;
      return 0;
    }
    return count;
  }
  int32_t GetRefCount() override { return count; }
  const char* GetClassId() override { return "test.Reentrant"; }
};

TEST(Registry, ReleaseOfOutMayUseTheRegistry) {
  zk::IBase* obj = new ReentrantProbe;
  EXPECT_EQ(zk_CreateInstance("reg.none", &obj), -6);
  EXPECT_EQ(obj, nullptr);
}

TEST(Registry, NullArgumentsAndEmptyFactory) {
  zk::IBase* obj = nullptr;
  EXPECT_EQ(zk_RegistryClass(nullptr, MakeOne), -2);
  EXPECT_EQ(zk_RegistryClass("reg.D", nullptr), -2);
  EXPECT_EQ(zk_CreateInstance(nullptr, &obj), -2);
  EXPECT_EQ(zk_CreateInstance("reg.A", nullptr), -2);
  ASSERT_EQ(zk_RegistryClass("reg.Empty", MakeNothing), 0);
  EXPECT_EQ(zk_CreateInstance("reg.Empty", &obj), 0);
  EXPECT_EQ(obj, nullptr);
}

TEST(Status, EveryText) {
  const std::pair<int, const char*> table[] = {
      {0, "no error"},
      {-1, "fatal internal error"},
      {-2, "invalid arguments"},
      {-3, "operation is not executed"},
      {-4, "it is not enough memories"},
      {-5, "negative result"},
      {-6, "object or value are not found"},
      {-7, "method or part of algorithm not marketed"},
      {-8, "interface not implemented"},
      {-9, "object is not initialized"},
      {-10, "object is already exists"},
      {-11, "pointer to memory or object is null"},
      {-12, "invalid type"},
      {-13, "access prohibited or right on object are absent"},
      {-14, "invalid format"},
      {-15, "too much volume"},
      {-16, "importance abroad possible"},
      {-17, "time expired"},
      {-18, "incorrect version"},
      {-19, "no messges"},
      {-20, "object is not blocked"},
      {-21, "objecy is used"},
      {-101, "can't open object for read/write operations"},
      {-102, "file was not open"},
      {-103, "attempt of the reading abroad file"},
      {-104, "can't read the data from file"},
      {-105, "can't write the data to file"},
      {-201, "system not ready to network exchange"},
      {-202, "network exchange is not supported"},
      {-203, "too much network processes"},
      {-204, "network has died"},
      {-205, "no connection"},
      {-206, "net connection was reseted"},
      {-207, "address or port in use"},
      {-208, "address not possible in used context"},
      {-209, "host not found"},
      {-210, "not to manage to get given completely, or they garbled"},
      {-301, "table already exists"},
      {-302, "invalid type of the field"},
      {-303, "invalid type of the key field"},
      {-304, "field already exists"},
      {-305, "is absent key field"},
      {-306, "in table by no fields"},
      {-307, "field of the key already exists"},
      {-308, "invalid BLOB"},
      {-309, "repeated importance of the key pre-recorded"},
      {-401, "key too small"},
  };
  for (auto& [code, text] : table) EXPECT_STREQ(zk_ErrorMessageEn(code), text) << code;
  for (int code : {-22, -100, -106, -211, -310, -402, 1, -400, 100})
    EXPECT_STREQ(zk_ErrorMessageEn(code), "unrecognozed error") << code;
}

TEST(Memory, Blocks) {
  EXPECT_EQ(zk_malloc(0), nullptr);
  EXPECT_EQ(zk_calloc(0, 8), nullptr);
  EXPECT_EQ(zk_calloc(8, 0), nullptr);
  zk_free(nullptr);
  EXPECT_EQ(zk_msize(nullptr), 0u);
  EXPECT_EQ(zk_SizeOfAllocMem(), 0u);
  auto* z = static_cast<unsigned char*>(zk_calloc(4, 8));
  ASSERT_NE(z, nullptr);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(z[i], 0);
  EXPECT_GE(zk_msize(z), 32u);
  z = static_cast<unsigned char*>(zk_realloc(z, 64));
  ASSERT_NE(z, nullptr);
  zk_free(z);

  unsigned char blob[16] = {12, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0xAA, 0xBB};
  auto* copy = static_cast<unsigned char*>(zk_DupBlob(blob));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::memcmp(copy, blob, 12), 0);
  EXPECT_GE(zk_msize(copy), 12u);
  zk_free(copy);
  unsigned char empty[4] = {0, 0, 0, 0};
  EXPECT_EQ(zk_DupBlob(empty), nullptr);
  EXPECT_EQ(zk_DupBlob(nullptr), nullptr);
}

TEST(Strings, NarrowCopiesAndJoins) {
  EXPECT_EQ(zk_DupString(nullptr), nullptr);
  char* s = zk_DupString("abc");
  EXPECT_STREQ(s, "abc");
  s = zk_ConcatString(s, "def");
  EXPECT_STREQ(s, "abcdef");
  EXPECT_EQ(zk_ConcatString(s, nullptr), s);
  zk_free(s);
  char* x = zk_ConcatString(nullptr, "x");
  EXPECT_STREQ(x, "x");
  zk_free(x);
  EXPECT_EQ(zk_DupStringEx(nullptr, 0), nullptr);
  char* ex = zk_DupStringEx("ab", 5);
  EXPECT_STREQ(ex, "ab");
  EXPECT_GE(zk_msize(ex), 8u);
  std::strcat(ex, "cdefg");  // the room for 5 more characters
  EXPECT_STREQ(ex, "abcdefg");
  zk_free(ex);
}

TEST(Strings, WideCopiesAndConversions) {
  const char16_t four[] = u"abcd";
  char* n = zk_DupFromWString(four);
  ASSERT_NE(n, nullptr);
  EXPECT_STREQ(n, "abcd");
  EXPECT_GE(zk_msize(n), 5u);
  zk_free(n);
  char16_t* w = zk_DupFromString("xyz");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(std::u16string(w), u"xyz");
  w = zk_ConcatWString(w, u"12");
  EXPECT_EQ(std::u16string(w), u"xyz12");
  EXPECT_EQ(zk_ConcatWString(w, nullptr), w);
  char16_t* d = zk_DupWString(w);
  EXPECT_EQ(std::u16string(d), u"xyz12");
  zk_free(d);
  zk_free(w);
  char16_t* e = zk_DupWStringEx(u"a", 3);
  EXPECT_EQ(std::u16string(e), u"a");
  EXPECT_GE(zk_msize(e), 10u);
  zk_free(e);
  char16_t* j = zk_ConcatWString(nullptr, u"q");
  EXPECT_EQ(std::u16string(j), u"q");
  zk_free(j);
  EXPECT_EQ(zk_DupWString(nullptr), nullptr);
  EXPECT_EQ(zk_DupFromWString(nullptr), nullptr);
  EXPECT_EQ(zk_DupFromString(nullptr), nullptr);
}

TEST(Paths, RelativePathExamples) {
  struct Case {
    const char* dir;
    const char* target;
    char sep;
    const char* want;
  } cases[] = {
      {"C:\\a", "C:\\a\\b\\c", '\\', ".\\b\\c"},
      {"C:\\a\\b", "C:\\a\\c\\d", '\\', "..\\c\\d"},
      {"C:\\a\\b\\e", "C:\\a\\c", '\\', "..\\..\\c"},
      {"C:\\a\\b\\c", "C:\\a", '\\', "..\\.."},
      {"C:\\a", "C:\\a", '\\', ".\\"},
      {"/home/u", "/home/u/x/y", '/', "./x/y"},
      {"/home/u/p", "/home/u/q", '/', "../q"},
  };
  for (const Case& c : cases) {
    char* r = zk_ConstructRelationalPath(c.dir, c.target, c.sep);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r, c.want) << c.dir << " -> " << c.target;
    zk_free(r);
  }
  EXPECT_EQ(zk_ConstructRelationalPath(nullptr, "a", '/'), nullptr);
  EXPECT_EQ(zk_ConstructRelationalPath("a", nullptr, '/'), nullptr);
}

std::atomic<int> g_ran{0};
void Work(void* arg) { g_ran += *static_cast<int*>(arg); }

TEST(Threads, StartsDetachedThread) {
  EXPECT_EQ(zk_StartThread(nullptr, nullptr), -2);
  static int three = 3;
  ASSERT_EQ(zk_StartThread(Work, &three), 0);
  for (int i = 0; i < 500 && g_ran.load() != 3; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_EQ(g_ran.load(), 3);
  EXPECT_NE(zk_GetCurrentThreadId(), 0u);
}

}  // namespace
