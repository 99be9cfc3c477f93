#include "CounterTestSupport.h"

// Uses test.Counter through the interface declarations alone.
extern "C" ZK_EXPORT int UseCounter() {
  zk::IBase* base = nullptr;
  if (zk_CreateInstance(runtimetest::CounterClass, &base) != 0 || !base) return -1;
  void* p = nullptr;
  StatusCode st = base->QueryInterface(runtimetest::ICounterId, &p);
  base->Release();
  if (st != 0) return -2;
  auto* c = static_cast<runtimetest::ICounter*>(p);
  c->Add(40);
  c->Add(2);
  int v = c->Value();
  if (c->Release() != 0) return -3;
  return v;
}
