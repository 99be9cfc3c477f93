// cipher.Entropy and the pool behind it: sample counts and order with a
// known sample source, the whitening in cipher feedback, GetRandomBelow's
// widths and rejections, and the sampling thread across fork, exit and
// unload.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <set>
#include <vector>

#include "EntropyPool.h"
#include "ModesTestSupport.h"
#include "ZkTestSupport.h"

namespace {

using ciphertest::ToyCipher;
namespace pool = zk::cipher::entropy;
using Sample = std::vector<uint8_t>;

// The known sample source: queued samples first, then numbered ones
// (bytes 0-3 the number, little-endian; byte i >= 4 is number * 7 + i).
std::deque<Sample> gQueued;
uint32_t gNumber = 0;
bool gWithPid = false;  // bytes 4-7 carry the process id

Sample Numbered(uint32_t k) {
  Sample s(16);
  for (int i = 0; i < 4; ++i) s[i] = uint8_t(k >> (8 * i));
  for (int i = 4; i < 16; ++i) s[i] = uint8_t(k * 7 + i);
  return s;
}

void KnownSource(uint8_t* out) {
  Sample s;
  if (!gQueued.empty()) {
    s = gQueued.front();
    gQueued.pop_front();
    s.resize(16, 0xFF);
  } else {
    s = Numbered(gNumber++);
  }
  if (gWithPid) {
    const uint32_t pid = uint32_t(getpid());
    for (int i = 0; i < 4; ++i) s[4 + i] = uint8_t(pid >> (8 * i));
  }
  std::memcpy(out, s.data(), 16);
}

Sample Concat(std::initializer_list<Sample> parts, size_t length) {
  Sample all;
  for (const Sample& p : parts) all.insert(all.end(), p.begin(), p.end());
  all.resize(length);
  return all;
}

class EntropyPool : public ::testing::Test {
 protected:
  void SetUp() override {
    gQueued.clear();
    gNumber = 0;
    gWithPid = false;
    pool::UseSampleSource(KnownSource);
    entropy = zktest::Create<zk::ICipherEntropy>(zk::id::CipherEntropy, zk::id::CryptoICipherEntropy);
    ASSERT_NE(entropy, nullptr);
  }
  void TearDown() override {
    zk::ReleaseAndNull(entropy);
    pool::UseSampleSource(nullptr);
  }
  static void Add(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) pool::AddSample();
  }
  zk::ICipherEntropy* entropy = nullptr;
};

TEST_F(EntropyPool, DrawsTakeWholeSamplesInOrder) {
  Add(10);  // samples 0-9
  EXPECT_EQ(pool::UnreadSamples(), 10u);
  Sample out(40, 0xEE);
  EXPECT_EQ(entropy->GetRandom(out.data(), 0), 0);
  EXPECT_EQ(out, Sample(40, 0xEE));
  EXPECT_EQ(entropy->GetRandom(nullptr, 5), zk::kInvalidArg);
  EXPECT_EQ(pool::UnreadSamples(), 10u);

  ASSERT_EQ(entropy->GetRandom(out.data(), 40), 0);
  EXPECT_EQ(out, Concat({Numbered(0), Numbered(1), Numbered(2)}, 40));
  EXPECT_EQ(pool::UnreadSamples(), 7u);

  EXPECT_EQ(entropy->GetRandomBelow(0), 0u);
  EXPECT_EQ(entropy->GetRandomBelow(1), 0u);
  EXPECT_EQ(pool::UnreadSamples(), 7u);
  EXPECT_EQ(entropy->GetRandomBelow(256), 3u);  // first byte of sample 3
  EXPECT_EQ(pool::UnreadSamples(), 6u);
}

TEST_F(EntropyPool, ATakeThatEmptiesThePoolRefillsItAtOnce) {
  // An empty pool is refilled before the take and again after it: a draw
  // never waits for the sampling thread.
  Sample out(16);
  ASSERT_EQ(entropy->GetRandom(out.data(), 16), 0);
  EXPECT_EQ(out, Numbered(0));
  EXPECT_EQ(pool::UnreadSamples(), 1u);
  ASSERT_EQ(entropy->GetRandom(out.data(), 16), 0);
  EXPECT_EQ(out, Numbered(1));
  EXPECT_EQ(pool::UnreadSamples(), 1u);
  EXPECT_EQ(gNumber, 3u);
}

TEST_F(EntropyPool, AFullRingDropsItsOldestSample) {
  Add(5000);
  EXPECT_EQ(pool::UnreadSamples(), 4999u);
  Sample out(16);
  ASSERT_EQ(entropy->GetRandom(out.data(), 16), 0);
  EXPECT_EQ(out, Numbered(1));
  EXPECT_EQ(pool::UnreadSamples(), 4998u);
  Add(2);
  EXPECT_EQ(pool::UnreadSamples(), 4999u);
}

TEST_F(EntropyPool, RandomBelowDrawsTheBytesItNeedsAndRejectsTooLargeValues) {
  struct Case {
    uint32_t n;
    std::vector<Sample> samples;
    uint32_t value;
  };
  const Case cases[] = {
      {2, {{0x07}, {0x01}}, 1},
      {200, {{0xFA}, {0xC8}, {0xC7}}, 0xC7},
      {256, {{0x12, 0x34}}, 0x12},
      {257, {{0x01, 0x01}, {0x00, 0x01}}, 256},
      {65535, {{0xFF, 0xFF}, {0x34, 0x12}}, 0x1234},
      {65536, {{0x34, 0x12, 0x00}}, 0x1234},
      {16777215, {{0xFF, 0xFF, 0xFF}, {0x56, 0x34, 0x12}}, 0x123456},
      {16777216, {{0x78, 0x56, 0x34, 0x00}}, 0x345678},
      {0xFFFFFFFF, {{0xFF, 0xFF, 0xFF, 0xFF}, {0x01, 0x00, 0x00, 0x80}}, 0x80000001},
  };
  for (const Case& c : cases) {
    pool::UseSampleSource(KnownSource);
    gQueued.assign(c.samples.begin(), c.samples.end());
    Add(uint32_t(c.samples.size()) + 1);  // one more, so the pool never empties
    EXPECT_EQ(entropy->GetRandomBelow(c.n), c.value) << c.n;
    EXPECT_EQ(pool::UnreadSamples(), 1u) << c.n;
  }
  // Numbered samples: every value below n.
  pool::UseSampleSource(KnownSource);
  for (uint32_t n : {3u, 10u, 255u, 1000u, 70000u, 3000000000u})
    for (int i = 0; i < 50; ++i) EXPECT_LT(entropy->GetRandomBelow(n), n);
}

TEST_F(EntropyPool, SetCipherRefusesMissingAndShortKeyedCiphers) {
  EXPECT_EQ(entropy->SetCipher(nullptr), zk::kInvalidArg);
  auto* threeWay = zktest::Create<zk::IBlockCipher>(zk::id::CipherThreeWay, zk::id::CryptoIBlockCipher);
  ASSERT_NE(threeWay, nullptr);
  EXPECT_EQ(entropy->SetCipher(threeWay), zk::kInvalidArg);  // largest key 12 bytes
  threeWay->Release();
  ToyCipher* toy = ToyCipher::Make(8);
  toy->maxKey = 15;
  EXPECT_EQ(entropy->SetCipher(toy), zk::kInvalidArg);
  EXPECT_TRUE(toy->lastKey.empty());
  EXPECT_EQ(pool::UnreadSamples(), 0u);  // nothing was drawn
  // Still unwhitened.
  Sample out(16);
  ASSERT_EQ(entropy->GetRandom(out.data(), 16), 0);
  EXPECT_EQ(out, Numbered(0));
  toy->Release();
}

TEST_F(EntropyPool, WhiteningKeysTheCipherFromThePoolAndRunsCipherFeedback) {
  for (uint32_t blockSize : {8u, 16u}) {
    pool::UseSampleSource(KnownSource);
    gNumber = 0;
    ToyCipher* toy = ToyCipher::Make(blockSize);
    toy->maxKey = 24;
    // Key: sample 0 and the first 8 bytes of sample 1; vector: sample 2.
    ASSERT_EQ(entropy->SetCipher(toy), 0);
    EXPECT_EQ(toy->lastKey, Concat({Numbered(0), Numbered(1)}, 24));
    const Sample iv = Concat({Numbered(2)}, blockSize);
    const int before = toy->encrypted;

    // Two draws continue one feedback run over samples 3, 4 and 5.
    Sample first(21), second(19);
    ASSERT_EQ(entropy->GetRandom(first.data(), 21), 0);
    ASSERT_EQ(entropy->GetRandom(second.data(), 19), 0);
    const Sample raw = Concat({Numbered(3), Numbered(4)}, 21);
    const Sample raw2 = Concat({Numbered(5), Numbered(6)}, 19);
    EXPECT_NE(first, raw);

    ToyCipher* oracle = ToyCipher::Make(blockSize);
    oracle->maxKey = 24;
    oracle->SetKey(toy->lastKey.data(), 24);
    Sample both = raw;
    both.insert(both.end(), raw2.begin(), raw2.end());
    Sample expected = both;
    ciphertest::LiteralModes(oracle, zk::kModeCFB, iv).Run(expected, true);
    EXPECT_EQ(first, Sample(expected.begin(), expected.begin() + 21)) << blockSize;
    EXPECT_EQ(second, Sample(expected.begin() + 21, expected.end())) << blockSize;
    EXPECT_EQ(toy->encrypted - before, int((40 + blockSize - 1) / blockSize));
    oracle->Release();

    // A later SetCipher replaces the whitening; the old cipher is let go.
    ToyCipher* other = ToyCipher::Make(blockSize);
    other->maxKey = 16;
    ASSERT_EQ(entropy->SetCipher(other), 0);
    EXPECT_EQ(toy->GetRefCount(), 1);
    toy->Release();
    other->Release();
  }
}

TEST(Entropy, ThePoolGivesDifferentBytesEveryDraw) {
  auto* e = zktest::Create<zk::ICipherEntropy>(zk::id::CipherEntropy, zk::id::CryptoICipherEntropy);
  ASSERT_NE(e, nullptr);
  for (bool whitened : {false, true}) {
    if (whitened) {
      auto* bf = zktest::Create<zk::IBlockCipher>(zk::id::CipherBlowfish, zk::id::CryptoIBlockCipher);
      ASSERT_NE(bf, nullptr);
      ASSERT_EQ(e->SetCipher(bf), 0);
      bf->Release();
    }
    std::set<Sample> seen;
    for (int i = 0; i < 50; ++i) {
      Sample s(32);
      ASSERT_EQ(e->GetRandom(s.data(), 32), 0);
      seen.insert(s);
    }
    EXPECT_EQ(seen.size(), 50u);
    std::set<uint32_t> values;
    for (int i = 0; i < 500; ++i) {
      const uint32_t v = e->GetRandomBelow(10);
      ASSERT_LT(v, 10u);
      values.insert(v);
    }
    EXPECT_EQ(values.size(), 10u);
  }
  e->Release();
}

// A forked child has no sampling thread: its exit, and a fatal stop in it,
// end at once rather than wait for that thread.
TEST(EntropyDeathTest, AForkedChildExitsWithoutWaitingForTheSampler) {
  auto draw = [] {
    auto* e = zktest::Create<zk::ICipherEntropy>(zk::id::CipherEntropy, zk::id::CryptoICipherEntropy);
    uint8_t b[64];
    if (!e || e->GetRandom(b, sizeof b) != 0) std::_Exit(1);
    e->Release();
  };
  EXPECT_EXIT({ draw(); std::exit(7); }, ::testing::ExitedWithCode(7), "");
  EXPECT_EXIT({ draw(); zk_ExceptMessage(zk::kNullPointer); }, ::testing::ExitedWithCode(245), "");
}

// A forked child drops the samples it inherited, so parent and child never
// hand out the same bytes.
TEST_F(EntropyPool, AForkedChildDoesNotRepeatTheParentsSamples) {
  gWithPid = true;
  Add(3);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    uint8_t s[16];
    pool::TakeSample(s);
    const bool written = write(fds[1], s, 16) == 16;
    _exit(written ? 0 : 1);
  }
  close(fds[1]);
  Sample mine(16), theirs(16);
  pool::TakeSample(mine.data());
  ASSERT_EQ(read(fds[0], theirs.data(), 16), 16);
  close(fds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(mine[4] | mine[5] << 8 | mine[6] << 16 | mine[7] << 24, getpid());
  EXPECT_EQ(theirs[4] | theirs[5] << 8 | theirs[6] << 16 | theirs[7] << 24, child);
}

size_t ThreadCount() {
  size_t n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
  }
  return n;
}

// Loading the library starts its sampling thread; unloading it stops and
// joins the thread before the code goes away. Done in a child, since the
// unloaded library's classes stay registered in that process.
TEST(EntropyDeathTest, UnloadingTheLibraryJoinsItsSampler) {
  const std::string path = zktest::ProgramDir() + "/zk5cipher.so";
  EXPECT_EXIT(
      {
        const size_t before = ThreadCount();
        void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!h) std::_Exit(2);
        const size_t loaded = ThreadCount();
        if (dlclose(h) != 0) std::_Exit(3);
        const size_t after = ThreadCount();
        std::_Exit(loaded == before + 1 && after == before ? 0 : 4);
      },
      ::testing::ExitedWithCode(0), "");
}

// A fatal stop in the process that started the sampling thread stops and
// joins it before the process ends. Done in a child that loads the library
// itself, so that the child owns the thread.
TEST(EntropyDeathTest, AFatalStopEndsTheOwnersSamplerAndExits) {
  const std::string path = zktest::ProgramDir() + "/zk5cipher.so";
  EXPECT_EXIT(
      {
        if (!dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) std::_Exit(2);
        auto* e = zktest::Create<zk::ICipherEntropy>(zk::id::CipherEntropy, zk::id::CryptoICipherEntropy);
        uint8_t b[64];
        if (!e || e->GetRandom(b, sizeof b) != 0) std::_Exit(1);
        zk_ExceptMessage(zk::kNullPointer);
      },
      ::testing::ExitedWithCode(245), "");
}

}  // namespace
