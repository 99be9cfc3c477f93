// The program's binding to the toolkit runtime zk5main. The program links
// against neither the runtime nor the engine: zk5main.so is loaded from the
// program's folder on the first toolkit call, and each runtime function is
// looked up by name on every call.
//
// The program sees std.IBase as zk::IBase (zk5Base.h) and every engine
// interface through the public headers.
#pragma once
#include <QString>
#include <string>

#include "zk5Base.h"

namespace kiv {

// The address of a runtime function; loads zk5main.so first when needed.
// A library that cannot be loaded ends the process with -1, a missing
// function with -2, after the message.
void* GetToolkitProc(const char* name);

void ToolkitFree(void* pointer);
StatusCode ToolkitCreateInstance(const char* classId, zk::IBase** out);
StatusCode ToolkitStartThread(ThreadFunction function, void* argument);

// Owns one string the runtime handed out and frees it with the runtime's
// free at scope end; &held is where an out-parameter stores it.
struct HeldString {
  char* p = nullptr;
  HeldString() = default;
  HeldString(const HeldString&) = delete;
  HeldString& operator=(const HeldString&) = delete;
  ~HeldString() {
    if (p) ToolkitFree(p);
  }
  char** operator&() { return &p; }
  operator char*() const { return p; }
  // The text, empty for a null string.
  std::string Str() const { return p ? p : ""; }
  QString Text() const { return p ? QString::fromUtf8(p) : QString(); }
};

// A runtime string taken over: its text, the string freed.
inline std::string TakeToolkitString(char* s) {
  HeldString held;
  held.p = s;
  return held.Str();
}

// The object's interface (counted once), or null when the object is null or
// does not answer the id.
template <class T>
T* QueryToolkitInterface(zk::IBase* object, const char* interfaceId) {
  if (!object) return nullptr;
  void* out = nullptr;
  if (object->QueryInterface(interfaceId, &out) != 0) return nullptr;
  return static_cast<T*>(out);
}

// A failed start: the message goes to stderr and to the prompter (a box
// without owner), then the process ends with the code.
[[noreturn]] void StartFailure(const QString& caption, const QString& text, int code);

}  // namespace kiv
