// Small helpers for the storage tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ZkTestSupport.h"
#include "zk5Clsid.h"
#include "zk5Stream.h"

namespace zktest {


inline zk::IFileStrem* NewMem() {
  return zktest::Create<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem);
}
// A memory stream holding bytes, at 0.
inline zk::IFileStrem* NewMem(const std::vector<uint8_t>& bytes) {
  auto* s = NewMem();
  if (!bytes.empty()) s->Write(bytes.data(), uint32_t(bytes.size()));
  s->Seek(0, zk::kSeekSet);
  return s;
}
inline zk::IFileSystem* NewFs() {
  return zktest::Create<zk::IFileSystem>(zk::id::FosFileSys, zk::id::StreamIFileSystem);
}

inline std::vector<uint8_t> Pattern(size_t n, uint32_t seed = 1) {
  std::vector<uint8_t> v(n);
  uint32_t x = seed * 2654435761u + 12345;
  for (auto& b : v) {
    x = x * 1103515245u + 12345;
    b = static_cast<uint8_t>(x >> 16);
  }
  return v;
}

// The whole content of a stream, read from its start.
inline std::vector<uint8_t> ReadAll(zk::IFileStrem* s) {
  std::vector<uint8_t> out;
  if (s->Seek(0, 0) != 0) return out;
  uint8_t buf[4096];
  for (;;) {
    uint32_t got = 0;
    if (s->Read(buf, sizeof buf, &got) != 0 || got == 0) break;
    out.insert(out.end(), buf, buf + got);
  }
  return out;
}

}  // namespace zktest
