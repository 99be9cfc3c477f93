#include "desktop/zk5Base.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "ProgramFolder.h"
#include "desktop/Prompter.h"

namespace kiv {

namespace {

const char kBindingCaption[] = "ZKToolKit5";

void* g_toolkit = nullptr;

}  // namespace

void StartFailure(const QString& caption, const QString& text, int code) {
  std::fprintf(stderr, "%s: %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
  std::fflush(stderr);
  CurrentPrompter().Message(nullptr, caption, text, BoxIcon::kError, BoxButtons::kOk);
  std::exit(code);
}

void* GetToolkitProc(const char* name) {
  if (!g_toolkit) {
    std::string path = zk::ProgramFolder() + "zk5main.so";
    // Never unloaded while the program runs.
    g_toolkit = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
    if (!g_toolkit) StartFailure(kBindingCaption, "Can't find the zk5main.dll library!", -1);
  }
  void* proc = dlsym(g_toolkit, name);
  if (!proc)
    StartFailure(kBindingCaption,
                 QString("Can't find the <%1> function in zk5main.dll library!").arg(name), -2);
  return proc;
}

void ToolkitFree(void* pointer) {
  reinterpret_cast<void (*)(void*)>(GetToolkitProc("zk_free"))(pointer);
}

StatusCode ToolkitCreateInstance(const char* classId, zk::IBase** out) {
  using Fn = StatusCode (*)(const char*, zk::IBase**);
  return reinterpret_cast<Fn>(GetToolkitProc("zk_CreateInstance"))(classId, out);
}

StatusCode ToolkitStartThread(ThreadFunction function, void* argument) {
  using Fn = StatusCode (*)(ThreadFunction, void*);
  return reinterpret_cast<Fn>(GetToolkitProc("zk_StartThread"))(function, argument);
}

}  // namespace kiv
