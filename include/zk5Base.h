// std.IBase: the five operations every toolkit interface starts with.
//
// Interfaces are abstract classes: virtual functions only, in slot order,
// no data and no virtual destructor, so a client compiled separately
// against these declarations can use an object made by any library.
// Objects are destroyed only by their own library, through Release.
#pragma once
#include <cstdint>
#include "zk5main.h"
#include "zk5Status.h"

namespace zk {

struct IBase {
  virtual StatusCode QueryInterface(const char* id, void** out) = 0;
  virtual int32_t AddRef() = 0;
  virtual int32_t Release() = 0;
  virtual int32_t GetRefCount() = 0;
  virtual const char* GetClassId() = 0;
};

}  // namespace zk
