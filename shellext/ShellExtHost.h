// The host side of the extension, as a file manager would play it: load
// the library by path, hand it a selection as a drop-file list, let it
// fill a menu and invoke one of its commands. Used by kiv_shell_cmd and
// the tests.
#pragma once
#include <dlfcn.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "DropFiles.h"
#include "kvShellExt.h"

namespace kiv::shellext {

// The library and its four exports.
struct ShellExtModule {
  void* handle = nullptr;
  com::DllCanUnloadNowFn canUnloadNow = nullptr;
  com::DllGetClassObjectFn getClassObject = nullptr;
  com::DllRegisterServerFn registerServer = nullptr;
  com::DllUnregisterServerFn unregisterServer = nullptr;

  // False (with error set) when the library or one of the exports is missing.
  bool Load(const std::string& path, std::string* error = nullptr) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      if (error) *error = dlerror();
      return false;
    }
    canUnloadNow = reinterpret_cast<com::DllCanUnloadNowFn>(dlsym(handle, "DllCanUnloadNow"));
    getClassObject = reinterpret_cast<com::DllGetClassObjectFn>(dlsym(handle, "DllGetClassObject"));
    registerServer = reinterpret_cast<com::DllRegisterServerFn>(dlsym(handle, "DllRegisterServer"));
    unregisterServer =
        reinterpret_cast<com::DllUnregisterServerFn>(dlsym(handle, "DllUnregisterServer"));
    if (canUnloadNow && getClassObject && registerServer && unregisterServer) return true;
    if (error) *error = "an export of " + path + " is missing";
    return false;
  }
};

// A data object holding a drop-file list (or, without a block, offering
// none). Created with one reference.
class DropDataObject final : public com::IDataObject {
 public:
  explicit DropDataObject(std::optional<std::vector<uint8_t>> block) : block_(std::move(block)) {}

  com::HRESULT QueryInterface(const com::GUID& iid, void** out) override {
    if (!out) return com::E_POINTER;
    if (iid == com::IID_IUnknown || iid == com::IID_IDataObject) {
      *out = static_cast<com::IDataObject*>(this);
      AddRef();
      return com::S_OK;
    }
    *out = nullptr;
    return com::E_NOINTERFACE;
  }
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override {
    uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  com::HRESULT QueryGetData(const com::FORMATETC* f) override {
    bool ours = f && f->cfFormat == com::CF_HDROP && f->dwAspect == com::DVASPECT_CONTENT &&
                (f->tymed & com::TYMED_HGLOBAL) != 0;
    return ours && block_ ? com::S_OK : com::DV_E_FORMATETC;
  }
  com::HRESULT GetData(const com::FORMATETC* f, com::STGMEDIUM* medium) override {
    if (!medium) return com::E_POINTER;
    com::HRESULT hr = QueryGetData(f);
    if (hr != com::S_OK) return hr;
    AddRef();  // the block lives until the medium is released
    *medium = {com::TYMED_HGLOBAL, block_->data(), block_->size(), this};
    return com::S_OK;
  }
  uint32_t References() const { return refs_; }

 private:
  std::atomic<uint32_t> refs_{1};
  std::optional<std::vector<uint8_t>> block_;
};

// The menu ids a host hands out.
inline constexpr uint32_t kFirstMenuId = 1;
inline constexpr uint32_t kLastMenuId = 0x7FFF;

// The result of one host run.
struct HostRun {
  com::HRESULT result = com::E_FAIL;
  std::string error;  // what failed, for the user
};

// Runs the module's extension on the names (a byte
// drop-file list), builds its menu, and invokes the command-th item of its
// popup (0 add, 1 put, 2 wipe) by the id the menu gave it.
inline HostRun RunCommand(const ShellExtModule& module, const std::vector<std::string>& names,
                          int command) {
  HostRun run;
  com::IClassFactory* factory = nullptr;
  run.result = module.getClassObject(&com::CLSID_KivShellExt, &com::IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory));
  if (run.result != com::S_OK) {
    run.error = "the extension gives no class factory";
    return run;
  }
  com::IShellExtInit* init = nullptr;
  run.result = factory->CreateInstance(nullptr, com::IID_IShellExtInit, reinterpret_cast<void**>(&init));
  factory->Release();
  if (run.result != com::S_OK) {
    run.error = "the extension object cannot be created";
    return run;
  }
  auto* data = new DropDataObject(zk::MakeDropFiles(names, false));
  init->Initialize(nullptr, data, nullptr);
  data->Release();
  com::IContextMenu* menu = nullptr;
  run.result = init->QueryInterface(com::IID_IContextMenu, reinterpret_cast<void**>(&menu));
  init->Release();
  if (run.result != com::S_OK) {
    run.error = "the extension has no context menu";
    return run;
  }
  com::RecordingMenu recorded;
  menu->QueryContextMenu(&recorded, 0, kFirstMenuId, kLastMenuId, com::CMF_NORMAL);
  const com::RecordingMenu::Entry* item = nullptr;
  for (const auto& e : recorded.entries) {
    if (e.kind != com::RecordingMenu::Kind::kPopup) continue;
    int n = 0;
    for (const auto& i : e.popup->entries)
      if (i.kind == com::RecordingMenu::Kind::kItem && n++ == command) item = &i;
  }
  if (!item) {
    run.result = com::E_FAIL;
    run.error = "the extension's menu has no such command";
  } else {
    com::CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = com::NumericVerb(uint16_t(item->id - kFirstMenuId));
    info.nShow = 1;
    run.result = menu->InvokeCommand(&info);
    if (run.result != com::S_OK) run.error = "the command failed";
  }
  menu->Release();
  return run;
}

}  // namespace kiv::shellext
