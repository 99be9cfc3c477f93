// Helpers of the carrier tests: the stream kinds every carrier is tested
// over (storage.MemStream or a file stream of fos.FileSys), reading streams
// back, the committed fixtures, test bytes and the real-tool checks.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FakeStream.h"
#include "ToolTestSupport.h"
#include "ZkTestSupport.h"
#include "zk5Clsid.h"
#include "zk5Steg.h"
#include "zk5Stream.h"

namespace stegtest {

// The shared helpers of tests/support.
using namespace zktest;


// The two stream kinds every carrier is tested over: they differ in Seek
// from the end.
enum class StreamKind { Memory, File };
inline const char* KindName(StreamKind k) { return k == StreamKind::Memory ? "memory" : "file"; }

// A stream of the kind holding bytes, standing at position 0 (count 1):
// a storage.MemStream, or a file stream of fos.FileSys over a fresh file
// (its name is removed at once; the open stream keeps the file).
inline zk::IFileStrem* MakeStream(StreamKind kind, const std::vector<uint8_t>& bytes) {
  static const bool loaded = LoadToolkit("zk5storage");
  if (!loaded) return nullptr;
  zk::IFileStrem* s = nullptr;
  if (kind == StreamKind::Memory) {
    s = Create<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem);
  } else {
    auto* fs = Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
    if (!fs) return nullptr;
    char name[] = "/tmp/kivsteg.XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    fs->CreateFile(name, zk::kOpenBinary | zk::kOpenReadWrite, 0600, &s);
    unlink(name);
    fs->Release();
  }
  if (!s) return nullptr;
  if (!bytes.empty() && s->Write(bytes.data(), uint32_t(bytes.size())) != zk::kOk) {
    s->Release();
    return nullptr;
  }
  s->Seek(0, zk::kSeekSet);
  return s;
}

// The whole content of a stream (its position is left at the end).
inline std::vector<uint8_t> StreamBytes(zk::IFileStrem* s) {
  std::vector<uint8_t> out;
  if (s->Seek(0, zk::kSeekSet) != zk::kOk) return out;
  uint8_t buf[65536];
  for (;;) {
    uint32_t got = 0;
    if (s->Read(buf, sizeof buf, &got) != zk::kOk || got == 0) break;
    out.insert(out.end(), buf, buf + got);
  }
  return out;
}

// Reproducible test bytes.
inline std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  uint32_t x = seed * 2654435761u + 12345u;
  for (auto& b : v) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = uint8_t(x >> 11);
  }
  return v;
}

// The folder of the committed carrier fixtures (beside this header).
inline std::string FixtureDir() {
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/')) + "/fixtures";
}
inline std::vector<uint8_t> Fixture(const std::string& name) {
  auto v = ReadFile(FixtureDir() + "/" + name);
  EXPECT_FALSE(v.empty()) << "missing fixture " << name;
  return v;
}


// The copy-carrier tests name their two stream kinds apart.
enum class Kind { Mem, File };
inline const char* KindName(Kind k) { return k == Kind::Mem ? "Mem" : "File"; }

// Makes streams of one kind; file streams live in a temporary folder.
class Streams {
 public:
  explicit Streams(Kind kind) : kind_(kind) {
    static bool loaded = LoadToolkit("zk5storage");
    (void)loaded;
    if (kind_ == Kind::File) {
      fs_ = Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
      EXPECT_NE(fs_, nullptr);
    }
  }
  ~Streams() {
    for (auto* s : made_) s->Release();
    if (fs_) fs_->Release();
  }
  // A new stream holding bytes, standing at 0; owned by this object.
  zk::IFileStrem* Make(const std::vector<uint8_t>& bytes = {}) {
    zk::IFileStrem* s = nullptr;
    if (kind_ == Kind::Mem) {
      s = Create<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem);
    } else if (fs_) {
      std::string path = dir_.File("s" + std::to_string(made_.size()));
      fs_->CreateFile(path.c_str(), zk::kOpenBinary | zk::kOpenReadWrite | zk::kOpenCreate | zk::kOpenTruncate,
                      0600, &s);
    }
    EXPECT_NE(s, nullptr);
    if (!s) return nullptr;
    if (!bytes.empty()) {
      EXPECT_EQ(s->Write(bytes.data(), uint32_t(bytes.size())), 0);
    }
    EXPECT_EQ(s->Seek(0, zk::kSeekSet), 0);
    made_.push_back(s);
    return s;
  }
  const TempDir& dir() const { return dir_; }

 private:
  Kind kind_;
  zk::IFileSystem* fs_ = nullptr;
  TempDir dir_;
  std::vector<zk::IFileStrem*> made_;
};

inline std::vector<uint8_t> Bytes(zk::IFileStrem* s) {
  std::vector<uint8_t> out;
  uint64_t keep = 0;
  s->GetPosition(&keep);
  if (s->Seek(0, zk::kSeekSet) != 0) return out;
  uint8_t buf[8192];
  for (;;) {
    uint32_t got = 0;
    if (s->Read(buf, sizeof buf, &got) != 0 || got == 0) break;
    out.insert(out.end(), buf, buf + got);
  }
  s->Seek(int64_t(keep), zk::kSeekSet);
  return out;
}

inline zk::ICarrierCopy* NewCarrier(const char* classId) {
  return Create<zk::ICarrierCopy>(classId, zk::id::StegICarrierCopy);
}

// Reproducible test bytes of the copy-carrier tests (a different generator).
inline std::vector<uint8_t> LcgPattern(size_t n, uint32_t seed = 7) {
  std::vector<uint8_t> v(n);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& b : v) {
    x = x * 1103515245u + 12345;
    b = uint8_t(x >> 16);
  }
  return v;
}

inline std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace stegtest
