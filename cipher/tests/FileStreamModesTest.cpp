// cipher.FileStreamCFB and cipher.FileStreamOFB over an in-memory file and
// over real files of fos.FileSys.
#include <gtest/gtest.h>

#include <random>

#include "ModesTestSupport.h"
#include "ZkTestSupport.h"

namespace {

using zktest::FakeStream;
using ciphertest::ToyCipher;

struct Open {
  zk::ICipherFileStream* cfs = nullptr;
  zk::IFileStrem* fs = nullptr;
  explicit Open(const char* classId) {
    cfs = zktest::Create<zk::ICipherFileStream>(classId, zk::id::CryptoICipherFileStream);
    fs = zktest::Face<zk::IFileStrem>(cfs, zk::id::StreamIFileStrem);
  }
  ~Open() {
    zk::ReleaseAndNull(fs);
    zk::ReleaseAndNull(cfs);
  }
};

std::vector<uint8_t> Plain(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 13 + 5);
  return v;
}

// The bytes cipher.Cipher gives for the same data in one piece.
std::vector<uint8_t> ThroughCipher(ToyCipher* bc, int mode, const std::vector<uint8_t>& iv,
                                   std::vector<uint8_t> data) {
  auto* c = zktest::Create<zk::ICipher>(zk::id::CipherCipher, zk::id::CryptoICipher);
  EXPECT_EQ(c->SetBlockCipher(bc, mode, iv.data(), uint32_t(iv.size())), 0);
  EXPECT_EQ(c->Encrypt(data.data(), uint32_t(data.size())), 0);
  c->Release();
  return data;
}

struct Flavour {
  const char* classId;
  int mode;
};
const Flavour kFlavours[] = {{zk::id::CipherFileStreamCFB, 2}, {zk::id::CipherFileStreamOFB, 3}};

TEST(FileStreamModes, WriteSeekReadBackOverBlockSizesPositionsAndSplits) {
  const std::vector<uint8_t> plain = Plain(100);
  for (const Flavour& fl : kFlavours) {
    for (uint32_t n : {8u, 12u, 16u}) {
      ToyCipher* bc = ToyCipher::Make(n);
      std::vector<uint8_t> iv(n);
      for (uint32_t i = 0; i < n; ++i) iv[i] = uint8_t(0xC0 + i);
      const std::vector<uint8_t> stored = ThroughCipher(bc, fl.mode, iv, plain);
      for (uint32_t split : {1u, 7u, 37u, 64u, 100u}) {
        FakeStream* f = FakeStream::Make({}, true);
        Open o(fl.classId);
        ASSERT_NE(o.fs, nullptr);
        ASSERT_EQ(o.cfs->Attach(f, bc, iv.data(), n), 0);
        for (uint32_t at = 0; at < 100; at += split)
          ASSERT_EQ(o.fs->Write(plain.data() + at, std::min(split, 100 - at)), 0);
        ASSERT_EQ(f->data, stored) << fl.classId << " n=" << n << " split=" << split;
        uint64_t size = 0;
        ASSERT_EQ(o.fs->GetSize(&size), 0);
        EXPECT_EQ(size, 100u);
        for (uint32_t pos : {0u, 1u, n - 1, n, n + 1, 2 * n, 37u, 63u, 99u}) {
          for (uint32_t count : {1u, 20u, 100u}) {
            ASSERT_EQ(o.fs->Seek(pos, zk::kSeekSet), 0);
            uint64_t p = 0;
            o.fs->GetPosition(&p);
            ASSERT_EQ(p, pos);
            std::vector<uint8_t> got(count);
            uint32_t gotCount = 0;
            ASSERT_EQ(o.fs->Read(got.data(), count, &gotCount), 0);
            uint32_t expectCount = std::min(count, 100 - pos);
            ASSERT_EQ(gotCount, expectCount);
            got.resize(gotCount);
            ASSERT_TRUE(std::equal(got.begin(), got.end(), plain.begin() + pos))
                << fl.classId << " n=" << n << " split=" << split << " pos=" << pos;
          }
        }
        // Relative and end-based origins.
        ASSERT_EQ(o.fs->Seek(50, zk::kSeekSet), 0);
        ASSERT_EQ(o.fs->Seek(-13, zk::kSeekCur), 0);
        uint8_t b = 0;
        ASSERT_EQ(o.fs->Read(&b, 1, nullptr), 0);
        EXPECT_EQ(b, plain[37]);
        ASSERT_EQ(o.fs->Seek(-3, zk::kSeekEnd), 0);
        ASSERT_EQ(o.fs->Read(&b, 1, nullptr), 0);
        EXPECT_EQ(b, plain[97]);
        f->Release();
      }
      bc->Release();
    }
  }
}

TEST(FileStreamModes, CfbSeekReadsOnlyThePrecedingBlock) {
  ToyCipher* bc = ToyCipher::Make(8);
  FakeStream* f = FakeStream::Make({}, true);
  Open o(zk::id::CipherFileStreamCFB);
  std::vector<uint8_t> iv(8, 0x11);
  ASSERT_EQ(o.cfs->Attach(f, bc, iv.data(), 8), 0);
  const std::vector<uint8_t> plain = Plain(64);
  ASSERT_EQ(o.fs->Write(plain.data(), 64), 0);
  f->reads = 0;
  ASSERT_EQ(o.fs->Seek(24, zk::kSeekSet), 0);
  EXPECT_EQ(f->reads, 1);
  ASSERT_EQ(o.fs->Seek(0, zk::kSeekSet), 0);
  EXPECT_EQ(f->reads, 1);  // from the iv copy
  ASSERT_EQ(o.fs->Seek(0, zk::kSeekCur), 0);  // to the same place: nothing
  EXPECT_EQ(f->reads, 1);
  uint8_t b[8];
  ASSERT_EQ(o.fs->Read(b, 8, nullptr), 0);
  EXPECT_TRUE(std::equal(b, b + 8, plain.begin()));
  // Past the end there are no ciphertext bytes to rebuild from: -104.
  EXPECT_EQ(o.fs->Seek(80, zk::kSeekSet), zk::kReadError);
  EXPECT_EQ(o.fs->Seek(67, zk::kSeekSet), zk::kReadError);
  f->Release();
  bc->Release();
}

TEST(FileStreamModes, OfbRewriteInPlaceGivesTheSameCiphertext) {
  ToyCipher* bc = ToyCipher::Make(12);
  FakeStream* f = FakeStream::Make({}, true);
  Open o(zk::id::CipherFileStreamOFB);
  std::vector<uint8_t> iv(5, 0x77);  // any length: OFB does not test it
  ASSERT_EQ(o.cfs->Attach(f, bc, iv.data(), 5), 0);
  const std::vector<uint8_t> plain = Plain(90);
  ASSERT_EQ(o.fs->Write(plain.data(), 90), 0);
  const std::vector<uint8_t> first = f->data;
  ASSERT_EQ(o.fs->Seek(17, zk::kSeekSet), 0);
  ASSERT_EQ(o.fs->Write(plain.data() + 17, 40), 0);
  EXPECT_EQ(f->data, first);
  ASSERT_EQ(o.fs->Seek(-50, zk::kSeekEnd), 0);
  ASSERT_EQ(o.fs->Write(plain.data() + 40, 50), 0);
  EXPECT_EQ(f->data, first);
  f->Release();
  bc->Release();
}

TEST(FileStreamModes, AttachRefusalsAndTheFatalStopWhenNothingIsAttached) {
  ToyCipher* bc = ToyCipher::Make(8);
  FakeStream* f = FakeStream::Make({}, true);
  {
    Open o(zk::id::CipherFileStreamCFB);
    std::vector<uint8_t> iv(8, 1);
    EXPECT_EQ(o.cfs->Attach(f, bc, iv.data(), 7), zk::kInvalidArg);
    EXPECT_EQ(o.cfs->Attach(f, nullptr, iv.data(), 8), zk::kInvalidArg);
    EXPECT_EQ(o.cfs->Attach(nullptr, bc, iv.data(), 8), zk::kInvalidArg);
    EXPECT_DEATH(o.fs->Write(iv.data(), 8), "");  // no cipher object after a failed Attach
    EXPECT_EQ(o.cfs->Attach(f, bc, nullptr, 0), 0);  // no iv: an all-zero register
    ASSERT_EQ(o.fs->Write(iv.data(), 8), 0);
    EXPECT_EQ(f->data, ThroughCipher(bc, 2, {}, iv));
  }
  {
    Open o(zk::id::CipherFileStreamOFB);
    uint8_t b[4] = {};
    EXPECT_DEATH(o.fs->Read(b, 4, nullptr), "");
    EXPECT_DEATH(o.fs->Seek(0, zk::kSeekSet), "");
  }
  EXPECT_EQ(f->GetRefCount(), 1);
  f->Release();
  bc->Release();
}

// Over a real file of fos.FileSys: the file holds exactly what was written.
TEST(FileStreamModes, RealFileHoldsTheSameBytesAsWritten) {
  if (!zktest::LoadToolkit("zk5storage")) return;
  auto* fsys = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
  if (!fsys) GTEST_SKIP() << "fos.FileSys not available";
  zktest::TempDir dir;
  ToyCipher* bc = ToyCipher::Make(16);
  std::vector<uint8_t> iv(16, 0x42);
  const std::vector<uint8_t> plain = Plain(100000);
  for (const Flavour& fl : kFlavours) {
    const std::string path = dir.File(std::string("f") + char('0' + fl.mode));
    zk::IFileStrem* file = nullptr;
    ASSERT_EQ(fsys->CreateFile(path.c_str(), zk::kOpenCreate | zk::kOpenTruncate | zk::kOpenReadWrite |
                                                 zk::kOpenBinary, 0600, &file), 0);
    Open o(fl.classId);
    ASSERT_EQ(o.cfs->Attach(file, bc, iv.data(), 16), 0);
    ASSERT_EQ(o.fs->Write(plain.data(), uint32_t(plain.size())), 0);
    ASSERT_EQ(o.fs->Seek(70001, zk::kSeekSet), 0);
    std::vector<uint8_t> got(100);
    ASSERT_EQ(o.fs->Read(got.data(), 100, nullptr), 0);
    EXPECT_TRUE(std::equal(got.begin(), got.end(), plain.begin() + 70001));
    EXPECT_EQ(o.fs->Close(), 0);
    file->Release();
    EXPECT_EQ(zktest::ReadFile(path), ThroughCipher(bc, fl.mode, iv, plain));
  }
  bc->Release();
  fsys->Release();
}

}  // namespace
