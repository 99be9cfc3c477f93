// The common toolkit object base, built into every toolkit library and the
// engine (each keeps its own hidden copy).
//
// A class derives from ToolkitObject<Self, I0, I1, ...>, where I0 is its
// primary interface (its table sits at the object start) and the further
// interfaces follow in declaration order. It lists its interface ids in
//   static constexpr zk::InterfaceSlot kInterfaces[] = {{id, index}, ...};
// with index the position of the serving interface in <I0, I1, ...>.
// The first construction turns those into the class's static
// InterfaceTable of {id, offset from the object start}; QueryInterface walks
// it. A class with no interface table sets kHasInterfaceTable = false and
// answers std.IBase only.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "zk5Base.h"
#include "zk5Clsid.h"

namespace zk {

struct InterfaceEntry {
  const char* id;
  int32_t offset;
};

struct InterfaceSlot {
  const char* id;
  int index;
};

namespace detail {
// Walks an interface table as the base's QueryInterface does.
inline StatusCode QueryTable(void* start, const InterfaceEntry* table, const char* id, void** out,
                             int32_t& count) {
  if (!start || !id || !out) return kInvalidArg;
  *out = nullptr;
  if (table && table[0].id) {
    for (const InterfaceEntry* e = table; e->id; ++e) {
      if (std::strcmp(e->id, id) == 0) {
        *out = static_cast<char*>(start) + e->offset;
        ++count;
        return kOk;
      }
    }
    return kNotImplemented;
  }
  if (std::strcmp(id, id::StdIBase) == 0) {
    *out = start;
    ++count;
    return kOk;
  }
  return kNotImplemented;
}
}  // namespace detail

template <class Self, class Primary, class... Others>
class ToolkitObject : public Primary, public Others... {
 public:
  ToolkitObject() { interfaces_ = Table(this); }
  ToolkitObject(const ToolkitObject&) = delete;
  ToolkitObject& operator=(const ToolkitObject&) = delete;

  // QueryInterface, AddRef, Release, GetRefCount and GetClassId act on the
  // whole object whichever interface they are called through: these final
  // overriders serve every interface's first five slots.
  StatusCode QueryInterface(const char* id, void** out) override {
    return detail::QueryTable(ObjectStart(), interfaces_, id, out, count_);
  }
  int32_t AddRef() override { return ++count_; }
  int32_t Release() override {
    int32_t n = --count_;
    if (n == 0) delete static_cast<Self*>(this);
    return n;
  }
  int32_t GetRefCount() override { return count_; }
  const char* GetClassId() override { return Self::kClassId; }

  // The standard factory of a class: a new object with count 1, or null
  // (and still 0) when memory runs out.
  static StatusCode Factory(IBase** out) {
    if (!out) return kInvalidArg;
    *out = static_cast<Primary*>(new (std::nothrow) Self());
    return kOk;
  }
  // As Factory, for a library's internal use without the registry.
  static Self* Create() { return new (std::nothrow) Self(); }

 protected:
  ~ToolkitObject() = default;
  // Not named Start: an interface may have an operation of that name.
  void* ObjectStart() { return static_cast<Primary*>(this); }

 private:
  static const InterfaceEntry* Table(ToolkitObject* self) {
    if constexpr (!HasTable()) {
      return nullptr;
    } else {
      // Filled once, by the first construction; later ones only store it.
      static std::array<InterfaceEntry, std::size(Self::kInterfaces) + 1> table = [&] {
        std::array<InterfaceEntry, std::size(Self::kInterfaces) + 1> t{};
        const char* start = reinterpret_cast<const char*>(static_cast<Primary*>(self));
        const int32_t offsets[] = {
            int32_t(reinterpret_cast<const char*>(static_cast<Primary*>(self)) - start),
            int32_t(reinterpret_cast<const char*>(static_cast<Others*>(self)) - start)...};
        std::size_t i = 0;
        for (const InterfaceSlot& s : Self::kInterfaces) t[i++] = {s.id, offsets[s.index]};
        t[i] = {nullptr, 0};
        return t;
      }();
      return table.data();
    }
  }
  static constexpr bool HasTable() {
    if constexpr (requires { Self::kHasInterfaceTable; }) return Self::kHasInterfaceTable;
    return true;
  }

  int32_t count_ = 1;
  const InterfaceEntry* interfaces_ = nullptr;
};

// The one way an allocation failure becomes -4: every exported operation
// that may allocate runs its body through Guard, so a std::bad_alloc thrown
// anywhere inside (operator new, a container, a buffer) is answered as
// kNoMemory and nothing is thrown across the library boundary. Bodies use
// plain new and containers; they need no checks of their own.
template <class Op>
StatusCode Guard(Op&& op) noexcept {
  try {
    return op();
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}

// Registers a class's factory under its class id from the library's static
// initialisation (the result is not looked at).
#define ZK_REGISTER_CLASS(Class)                                               \
  namespace {                                                                  \
  [[maybe_unused]] const int zk_registered_##Class =                           \
      (zk_RegistryClass(Class::kClassId, &Class::Factory), 0);                 \
  }

// The fatal check of a required interface pointer.
[[noreturn]] void NullInterface(const char* interfaceId);
#define ZK_REQUIRE(ptr, interfaceId)                    \
  do {                                                  \
    if ((ptr) == nullptr) ::zk::NullInterface(interfaceId); \
  } while (0)

// Creates a registered class and asks it for one interface: 0 with *out
// set, or the registry's or QueryInterface's error (-8 when it answers
// null, -4 when the factory made nothing).
template <class T>
StatusCode CreateFace(const char* classId, const char* interfaceId, T** out) {
  *out = nullptr;
  IBase* base = nullptr;
  StatusCode st = zk_CreateInstance(classId, &base);
  if (st != kOk) return st;
  if (!base) return kNoMemory;
  void* face = nullptr;
  st = base->QueryInterface(interfaceId, &face);
  base->Release();
  if (st != kOk) return st;
  if (!face) return kNoInterface;
  *out = static_cast<T*>(face);
  return kOk;
}

// Releases an interface pointer and nulls it.
template <class T>
inline void ReleaseAndNull(T*& p) {
  if (p) {
    p->Release();
    p = nullptr;
  }
}

// Owns one interface reference for the length of a call: released at scope
// end unless taken. &held is where an out-parameter stores the reference.
template <class T>
struct Held {
  T* p = nullptr;
  Held() = default;
  explicit Held(T* q) : p(q) {}
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() { ReleaseAndNull(p); }
  T* operator->() const { return p; }
  T** operator&() { return &p; }
  operator T*() const { return p; }
  T* Take() {
    T* t = p;
    p = nullptr;
    return t;
  }
};

}  // namespace zk
