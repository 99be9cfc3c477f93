// Helpers shared by the tests of every subsystem.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "zk5Base.h"

namespace zktest {

// The folder of the running test program (where every library is built);
// "." when it cannot be found. Header-only, for fuzz targets and benchmarks
// too.
inline std::string ProgramDir() {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  path[n] = 0;
  std::string p = path;
  return p.substr(0, p.find_last_of('/'));
}

// Loads a toolkit library by name from the program's folder, as a client
// does ("zk5storage" loads zk5storage.so); its classes register on load.
// Fails the current test when it cannot be loaded.
bool LoadToolkit(const std::string& name);

// A fresh empty directory under /tmp (/tmp itself when none can be made),
// removed with everything in it at destruction. Header-only.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/kivtest.XXXXXX";
    const char* p = mkdtemp(tmpl);
    path_ = p ? p : "/tmp";
  }
  ~TempDir() {
    std::error_code ec;
    if (path_ != "/tmp") std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets (or, for a null value, clears) an environment variable for its
// lifetime; the old value comes back at destruction.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Points an environment variable ($XDG_RUNTIME_DIR, $XDG_CONFIG_HOME,
// ...) at a fresh private folder for its lifetime.
class EnvFolder {
 public:
  explicit EnvFolder(const char* variable) : env_(variable, dir_.path().c_str()) {}
  const std::string& path() const { return dir_.path(); }

 private:
  TempDir dir_;
  ScopedEnv env_;
};

// For its lifetime the calling thread is held to permission bits as a
// user who is not root is: its effective capabilities to pass over them
// (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER) are dropped, and come
// back at destruction. Other threads keep theirs; for a user who is not
// root nothing changes.
class PermissionBitsHold {
 public:
  PermissionBitsHold();
  ~PermissionBitsHold();
  PermissionBitsHold(const PermissionBitsHold&) = delete;
  PermissionBitsHold& operator=(const PermissionBitsHold&) = delete;
  // Whether the capabilities were dropped (false: there was nothing to drop
  // or the system refused).
  bool dropped() const { return dropped_; }

 private:
  uint32_t saved_[2] = {0, 0};
  bool dropped_ = false;
};

// Runs a program of the build folder with arguments and waits; its exit
// code, or -1 when it did not exit normally.
int RunProgram(const std::string& name, const std::vector<std::string>& arguments);

std::vector<uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> FromHex(const std::string& hex);  // blanks ignored
std::string ToHex(const uint8_t* data, size_t n);
inline std::string ToHex(const std::vector<uint8_t>& v) { return ToHex(v.data(), v.size()); }

// Owns one reference to a toolkit object (any interface): released at the
// end of the scope or by reset.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* q) : p(q) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& o) noexcept : p(o.p) { o.p = nullptr; }
  Ref& operator=(Ref&& o) noexcept {
    if (this != &o) {
      reset(o.p);
      o.p = nullptr;
    }
    return *this;
  }
  ~Ref() { reset(); }
  void reset(T* q = nullptr) {
    if (p) p->Release();
    p = q;
  }
  T* get() const { return p; }
  T* operator->() const { return p; }
  // For an out-parameter: drops what is held first.
  T** out() {
    reset();
    return &p;
  }
  explicit operator bool() const { return p != nullptr; }

  T* p = nullptr;
};

// A runtime string taken over: its text (empty for null), the string freed
// with zk_free and the pointer cleared.
inline std::string TakeString(char*& s) {
  std::string out = s ? s : "";
  zk_free(s);
  s = nullptr;
  return out;
}

// The one way tests ask an object for an interface: the face, holding a
// reference of its own, or nullptr when the object is null or does not
// answer it. (Tests of QueryInterface itself call it by hand.)
template <class T>
T* Face(zk::IBase* object, const char* interfaceId) {
  void* out = nullptr;
  if (!object || object->QueryInterface(interfaceId, &out) != 0) return nullptr;
  return static_cast<T*>(out);
}

// Creates a registered class and asks for one interface (nullptr on failure).
template <class T>
T* Create(const char* classId, const char* interfaceId) {
  zk::IBase* base = nullptr;
  if (zk_CreateInstance(classId, &base) != 0 || !base) return nullptr;
  T* out = Face<T>(base, interfaceId);
  base->Release();
  return out;
}

// As Face, for fuzz targets and benchmarks: aborts when the object is null
// or does not answer the interface.
template <class T>
T* MustFace(zk::IBase* object, const char* interfaceId) {
  T* p = Face<T>(object, interfaceId);
  if (!p) std::abort();
  return p;
}

// As Create, for fuzz targets and benchmarks: aborts when the class or the
// interface is missing.
template <class T>
T* MustCreate(const char* classId, const char* interfaceId) {
  T* p = Create<T>(classId, interfaceId);
  if (!p) std::abort();
  return p;
}

}  // namespace zktest
