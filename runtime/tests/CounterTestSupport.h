// A test-only interface used across two test libraries.
#pragma once
#include "zk5Base.h"

namespace runtimetest {
inline constexpr char ICounterId[] = "test.ICounter";
inline constexpr char CounterClass[] = "test.Counter";

struct ICounter : zk::IBase {
  virtual StatusCode Add(int32_t n) = 0;
  virtual int32_t Value() = 0;
};
}  // namespace runtimetest
