#include "ShellExt.h"

#include <unistd.h>

#include <new>

#include "DropFiles.h"
#include "Program.h"
#include "Registrar.h"
#include "kvMessageSocket.h"

#define KIV_SHELL_EXT_API extern "C" __attribute__((visibility("default")))

namespace kiv::shellext {

using namespace com;

std::atomic<int>& LockCount() {
  static std::atomic<int> count{0};
  return count;
}

uint32_t CommandMessage(int verb) {
  static constexpr uint32_t kMessages[kVerbCount] = {wm::kNewSafe, wm::kNewInCarrier, wm::kWipe};
  return kMessages[verb];
}

std::vector<std::string> SelectionNames(IDataObject* data) {
  if (!data) return {};
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  if (data->QueryGetData(&format) != S_OK) return {};
  STGMEDIUM medium = {};
  if (data->GetData(&format, &medium) != S_OK) return {};
  std::vector<std::string> names;
  if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal)
    names = zk::DropFileNames(static_cast<const uint8_t*>(medium.hGlobal), medium.size);
  ReleaseStgMedium(&medium);
  return names;
}

ShellExt::ShellExt() { ++LockCount(); }

ShellExt::~ShellExt() {
  if (data_) data_->Release();
  --LockCount();
}

HRESULT ShellExt::QueryInterface(const GUID& iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IShellExtInit)
    *out = static_cast<IShellExtInit*>(this);
  else if (iid == IID_IContextMenu)
    *out = static_cast<IContextMenu*>(this);
  else if (iid == IID_IKivShellExt)
    *out = static_cast<IKivShellExt*>(this);
  else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

uint32_t ShellExt::AddRef() { return ++refs_; }

uint32_t ShellExt::Release() {
  uint32_t left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT ShellExt::Initialize(const void*, IDataObject* data, void*) {
  if (data) data->AddRef();
  if (data_) data_->Release();
  data_ = data;
  return S_OK;
}

HRESULT ShellExt::QueryContextMenu(IMenu* menu, uint32_t index, uint32_t first, uint32_t last,
                                   uint32_t flags) {
  // Only a default item or no verbs asked for: nothing of ours.
  if ((flags & 0xF) != 0 && (flags & (CMF_VERBSONLY | CMF_EXPLORE)) == 0) return 0;
  // Three ids must fit the range given, or ours would be another's.
  if (!menu || last < first || last - first < kVerbCount - 1) return 0;
  IMenu* popup = menu->CreatePopup();
  if (!popup) return 0;
  popup->InsertItem(0, first + 0, kItemTexts[0]);
  popup->InsertItem(1, first + 1, kItemTexts[1]);
  popup->InsertSeparator(2);
  popup->InsertItem(3, first + 2, kItemTexts[2]);
  menu->InsertSeparator(index);
  menu->InsertPopup(index + 1, popup, kPopupCaption);
  menu->InsertSeparator(index + 2);
  return kVerbCount;
}

HRESULT ShellExt::InvokeCommand(const CMINVOKECOMMANDINFO* info) {
  if (!info || !IsNumericVerb(info->lpVerb)) return E_INVALIDARG;
  uintptr_t verb = reinterpret_cast<uintptr_t>(info->lpVerb);
  if (verb >= uintptr_t(kVerbCount)) return E_INVALIDARG;
  try {
    int fd = FindOrStartProgram();
    if (fd < 0) return S_OK;  // the program did not appear: nothing to tell
    wm::WriteRecords(fd, wm::CommandRecords(SelectionNames(data_), CommandMessage(int(verb))));
    close(fd);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT ShellExt::GetCommandString(uintptr_t, uint32_t, uint32_t*, char*, uint32_t) {
  return E_NOTIMPL;
}

namespace {

// The one class factory; its own references do not keep the library.
class ClassFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  uint32_t AddRef() override { return 2; }
  uint32_t Release() override { return 1; }

  HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    ShellExt* object = new (std::nothrow) ShellExt;
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
  }
  HRESULT LockServer(int32_t lock) override {
    if (lock)
      ++LockCount();
    else
      --LockCount();
    return S_OK;
  }
};

ClassFactory& Factory() {
  static ClassFactory factory;
  return factory;
}

}  // namespace

}  // namespace kiv::shellext

using namespace kiv::com;

KIV_SHELL_EXT_API HRESULT DllCanUnloadNow() {
  return kiv::shellext::LockCount() == 0 ? S_OK : S_FALSE;
}

KIV_SHELL_EXT_API HRESULT DllGetClassObject(const GUID* clsid, const GUID* iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!clsid || !iid) return E_INVALIDARG;
  if (!(*clsid == CLSID_KivShellExt)) return CLASS_E_CLASSNOTAVAILABLE;
  return kiv::shellext::Factory().QueryInterface(*iid, out);
}

KIV_SHELL_EXT_API HRESULT DllRegisterServer() {
  std::string module = kiv::shellext::ModulePath();
  if (module.empty()) return SELFREG_E_CLASS;
  return kiv::shellext::RegisterServer(module);
}

KIV_SHELL_EXT_API HRESULT DllUnregisterServer() { return kiv::shellext::UnregisterServer(); }
