// Helpers of the copy-carrier tests (GIF, JPEG, PNG, MP3): carriers and
// outputs as either stream kind (storage.MemStream or a file stream of
// fos.FileSys), committed fixtures, and the real-tool checks.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ZkTest.h"
#include "zk5Clsid.h"
#include "zk5Steg.h"
#include "zk5Stream.h"

namespace steg2test {

enum class Kind { Mem, File };
inline const char* KindName(Kind k) { return k == Kind::Mem ? "Mem" : "File"; }

// Beside this header (the build compiles it by its full path).
inline std::string FixtureDir() {
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/') + 1) + "fixtures2/";
}
inline std::vector<uint8_t> Fixture(const std::string& name) {
  auto v = zktest::ReadFile(FixtureDir() + name);
  EXPECT_FALSE(v.empty()) << "missing fixture " << name;
  return v;
}

// Owns one interface reference.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* p) : p_(p) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() {
    if (p_) p_->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// Makes streams of one kind; file streams live in a temporary folder.
class Streams {
 public:
  explicit Streams(Kind kind) : kind_(kind) {
    static bool loaded = zktest::LoadToolkit("zk5storage");
    (void)loaded;
    if (kind_ == Kind::File) {
      fs_ = zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
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
      s = zktest::Create<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem);
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
  const zktest::TempDir& dir() const { return dir_; }

 private:
  Kind kind_;
  zk::IFileSystem* fs_ = nullptr;
  zktest::TempDir dir_;
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
  return zktest::Create<zk::ICarrierCopy>(classId, zk::id::StegICarrierCopy);
}

inline std::vector<uint8_t> Pattern(size_t n, uint32_t seed = 7) {
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

inline bool HaveTool(const char* tool) {
  std::string cmd = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// Runs a shell command on a file written from bytes; the exit status.
inline int RunOn(const std::string& commandPrefix, const std::vector<uint8_t>& bytes,
                 const std::string& name, std::string* output = nullptr) {
  zktest::TempDir dir;
  std::string path = dir.File(name);
  zktest::WriteFile(path, bytes);
  std::string outPath = dir.File("tool.out");
  std::string cmd = commandPrefix + " '" + path + "' >'" + outPath + "' 2>&1";
  int rc = std::system(cmd.c_str());
  if (output) {
    auto o = zktest::ReadFile(outPath);
    output->assign(o.begin(), o.end());
  }
  return rc;
}

}  // namespace steg2test
