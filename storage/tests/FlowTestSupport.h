// Helpers for the flow container tests.
#pragma once
#include <gtest/gtest.h>

#include "StorageTestSupport.h"

namespace storagetest {

// The shared helpers of tests/support.
using namespace zktest;

inline zk::IFlowControl* NewCtrl(const char* classId) {
  return zktest::Create<zk::IFlowControl>(classId, zk::id::StreamIFlowControl);
}

// Replaces a stream's content.
inline void Fill(zk::IFileStrem* s, const std::vector<uint8_t>& bytes) {
  ASSERT_EQ(s->Seek(0, 0), 0);
  if (!bytes.empty()) {
    ASSERT_EQ(s->Write(bytes.data(), uint32_t(bytes.size())), 0);
  }
  ASSERT_EQ(s->SetEnd(), 0);
}

// Creates flow number with the given content; the stream is left open at its end.
inline zk::IFileStrem* AddFlow(zk::IFlowControl* c, uint32_t number, const std::vector<uint8_t>& bytes) {
  zk::IFileStrem* s = nullptr;
  EXPECT_EQ(c->CreateFlow(number, &s), 0);
  if (s && !bytes.empty()) {
    EXPECT_EQ(s->Write(bytes.data(), uint32_t(bytes.size())), 0);
  }
  return s;
}

// The whole content of flow number (empty when it cannot be opened).
inline std::vector<uint8_t> FlowBytes(zk::IFlowControl* c, uint32_t number) {
  Ref<zk::IFileStrem> s;
  if (c->OpenFlow(number, s.out()) != 0 || !s) return {};
  uint64_t size = 0;
  EXPECT_EQ(s->GetSize(&size), 0);
  std::vector<uint8_t> out(size);
  uint32_t got = 0;
  if (size) {
    EXPECT_EQ(s->Read(out.data(), uint32_t(size), &got), 0);
  }
  EXPECT_EQ(got, size);
  return out;
}

struct Info {
  uint32_t sectors = 0, blocks = 0, free = 0, flows = 0;
};
inline Info GetInfo(zk::IFlowControl* c) {
  Info i;
  EXPECT_EQ(c->GetInfo(&i.sectors, &i.blocks, &i.free, &i.flows), 0);
  return i;
}

}  // namespace storagetest
