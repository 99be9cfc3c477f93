#include "CounterTestSupport.h"
#include "ToolkitObject.h"

namespace {
int g_alive = 0;

class Counter final : public zk::ToolkitObject<Counter, runtimetest::ICounter> {
 public:
  static constexpr const char* kClassId = runtimetest::CounterClass;
  static constexpr zk::InterfaceSlot kInterfaces[] = {{runtimetest::ICounterId, 0}};
  Counter() { ++g_alive; }
  ~Counter() { --g_alive; }
  StatusCode Add(int32_t n) override {
    value_ += n;
    return 0;
  }
  int32_t Value() override { return value_; }

 private:
  int32_t value_ = 0;
};
}  // namespace

ZK_REGISTER_CLASS(Counter)

extern "C" ZK_EXPORT int MakerAlive() { return g_alive; }
