// The process-wide class registry: class ids mapped to factories, kept in
// registration order and searched linearly.
#include <cstring>
#include <mutex>

#include "zk5Base.h"
#include "zk5main.h"

namespace {

struct Entry {
  char* classId;
  ClassFactory factory;
};

struct Registry {
  Entry* entries = nullptr;
  uint32_t count = 0;
  std::mutex* lock = new std::mutex;  // never destroyed: a fatal stop may run while it is held

  ~Registry() {
    for (uint32_t i = 0; i < count; ++i) zk_free(entries[i].classId);
    zk_free(entries);
    entries = nullptr;
    count = 0;
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

StatusCode zk_RegistryClass(const char* classId, ClassFactory factory) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> hold(*r.lock);
  if (!classId || !factory) return zk::kInvalidArg;
  for (uint32_t i = 0; i < r.count; ++i) {
    if (std::strcmp(r.entries[i].classId, classId) == 0) {
      r.entries[i].factory = factory;
      return zk::kOk;
    }
  }
  auto* grown = static_cast<Entry*>(
      zk_realloc(r.entries, static_cast<int32_t>((r.count + 1) * sizeof(Entry))));
  if (!grown) return zk::kNoMemory;
  r.entries = grown;
  char* copy = zk_DupString(classId);
  if (!copy) return zk::kNoMemory;
  r.entries[r.count] = {copy, factory};
  ++r.count;
  return zk::kOk;
}

StatusCode zk_CreateInstance(const char* classId, zk::IBase** out) {
  if (!classId || !out) return zk::kInvalidArg;
  // The old object is released before the lock is taken: its release may
  // itself create or register a class.
  if (*out) {
    zk::IBase* old = *out;
    *out = nullptr;
    old->Release();
  }
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> hold(*r.lock);
  for (uint32_t i = 0; i < r.count; ++i) {
    if (std::strcmp(r.entries[i].classId, classId) == 0) {
      r.entries[i].factory(out);
      return zk::kOk;
    }
  }
  return zk::kNotFound;
}

namespace zk::runtime {
// The registered ids in order, for the runtime's own tests (not exported).
uint32_t RegistryIds(const char** ids, uint32_t max) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> hold(*r.lock);
  for (uint32_t i = 0; i < r.count && i < max; ++i) ids[i] = r.entries[i].classId;
  return r.count;
}
}  // namespace zk::runtime
