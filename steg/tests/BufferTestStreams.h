// A small in-memory stream.IFileStrem for the carrier tests and fuzz
// targets: it behaves like the toolkit memory stream (Seek from the end
// counts back) or, when asked, like a file stream (Seek from the end adds
// the offset to the size). It can also deliver reads in short pieces and
// fail on the n-th read or write, to exercise the error paths.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "ToolkitObject.h"
#include "tests/support/ZkTest.h"
#include "zk5Stream.h"

namespace zktest {

class VecStream final : public zk::ToolkitObject<VecStream, zk::IFileStrem> {
 public:
  static constexpr const char* kClassId = "test.VecStream";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::StreamIFileStrem, 0},
                                                      {zk::id::StreamIStream, 0}};

  std::vector<uint8_t> data;
  uint64_t position = 0;
  bool fileSeek = false;       // Seek from the end as a file stream does
  uint32_t maxRead = 0;        // deliver at most this many bytes per Read (0: no limit)
  int failReadAfter = -1;      // the n-th Read (0-based) fails with -104
  int failWriteAfter = -1;     // the n-th Write fails with -105
  int reads = 0, writes = 0;
  std::vector<uint32_t> readAsks;    // size asked by every Read
  std::vector<uint32_t> writeSizes;  // length of every Write

  static VecStream* Make(std::vector<uint8_t> bytes = {}, bool fileLike = false) {
    VecStream* s = Create();
    s->data = std::move(bytes);
    s->fileSeek = fileLike;
    return s;
  }

  StatusCode IsEnd() override { return position >= data.size() ? zk::kEndOfStream : zk::kOk; }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    if (gotOut) *gotOut = 0;
    if (size == 0) return zk::kOk;
    if (!buffer) return zk::kInvalidArg;
    readAsks.push_back(size);
    if (reads++ == failReadAfter) return zk::kReadError;
    uint64_t left = position < data.size() ? data.size() - position : 0;
    uint64_t n = size < left ? size : left;
    if (maxRead && n > maxRead) n = maxRead;
    if (n) std::memcpy(buffer, data.data() + position, n);
    position += n;
    if (gotOut) *gotOut = static_cast<uint32_t>(n);
    return zk::kOk;
  }
  StatusCode Write(const void* src, uint32_t length) override {
    if (length == 0) return zk::kOk;
    if (!src) return zk::kInvalidArg;
    writeSizes.push_back(length);
    if (writes++ == failWriteAfter) return zk::kWriteError;
    if (position + length > data.size()) data.resize(position + length);
    std::memcpy(data.data() + position, src, length);
    position += length;
    return zk::kOk;
  }
  StatusCode Close() override { return zk::kOk; }
  StatusCode CopyFrom(zk::IStream* source, uint64_t count) override {
    if (!source) return zk::kInvalidArg;
    std::vector<uint8_t> buf(65536);
    if (source->IsEnd() != 0) return zk::kOk;
    while (source->IsEnd() == 0) {
      uint32_t want = count && count < buf.size() ? static_cast<uint32_t>(count) : 65536;
      uint32_t got = 0;
      StatusCode st = source->Read(buf.data(), want, &got);
      if (st != zk::kOk) return st;
      if (got == 0) return zk::kOk;
      st = Write(buf.data(), got);
      if (st != zk::kOk) return st;
      if (count) {
        count -= got;
        if (count == 0) return zk::kOk;
      }
    }
    return zk::kOk;
  }
  StatusCode Commit() override { return zk::kOk; }
  StatusCode GetSize(uint64_t* sizeOut) override {
    if (!sizeOut) return zk::kInvalidArg;
    *sizeOut = data.size();
    return zk::kOk;
  }
  StatusCode GetPosition(uint64_t* positionOut) override {
    if (!positionOut) return zk::kInvalidArg;
    *positionOut = position;
    return zk::kOk;
  }
  StatusCode Seek(int64_t offset, int32_t origin) override {
    int64_t base = origin == 0 ? 0 : origin == 1 ? int64_t(position) : int64_t(data.size());
    int64_t target = origin == 2 && !fileSeek ? base - offset : base + offset;
    if (origin < 0 || origin > 2) return zk::kInvalidArg;
    if (fileSeek) {
      // A file may be positioned past its end; a failed seek is not reported.
      if (target >= 0) position = uint64_t(target);
      return zk::kOk;
    }
    if (target < 0 || uint64_t(target) > data.size()) return zk::kInvalidArg;
    position = uint64_t(target);
    return zk::kOk;
  }
  StatusCode SetEnd() override {
    data.resize(position);
    return zk::kOk;
  }
};

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
