// Streams of the carrier tests: the two stream kinds every carrier is tested
// over, reading a stream back, fixtures and test bytes.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "ToolkitObject.h"
#include "FakeStream.h"
#include "ZkTest.h"
#include "zk5Stream.h"

namespace zktest {

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

// Releases a toolkit object at the end of a scope.
template <class T>
struct Ref {
  T* p = nullptr;
  Ref() = default;
  explicit Ref(T* q) : p(q) {}
  ~Ref() {
    if (p) p->Release();
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  T* operator->() const { return p; }
  T* get() const { return p; }
};

// Outside tools used as format checks.
inline bool HaveTool(const char* name) {
  std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}
// Runs a shell command, output discarded; true when it exits with 0.
inline bool ToolAccepts(const std::string& command) {
  std::string cmd = command + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
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

// The folder of the committed carrier fixtures.
inline std::string FixtureDir() {
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/')) + "/fixtures";
}

}  // namespace zktest
