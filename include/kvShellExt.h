// The file-manager extension kiv_shell_ext.so and the small object model it
// is served through: a few reference-counted interfaces in the shape of an
// in-process server (IUnknown, IClassFactory, IDataObject holding a
// drop-file list, IShellExtInit, IContextMenu) and a menu the host gives to
// be filled (IMenu), with a recording menu every host can use.
//
// The library exports four functions with C linkage: DllCanUnloadNow,
// DllGetClassObject, DllRegisterServer and DllUnregisterServer. A host
// (kiv_shell_cmd, the tests) loads it by path, gets the class factory,
// creates the extension, initialises it with the selection, lets it fill
// a menu and invokes the chosen command.
//
// Interfaces are abstract classes in slot order; no data, no virtual
// destructor; an object is destroyed only by its own Release.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kiv::com {

using HRESULT = int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = int32_t(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = int32_t(0x80004002);
inline constexpr HRESULT E_POINTER = int32_t(0x80004003);
inline constexpr HRESULT E_FAIL = int32_t(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = int32_t(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = int32_t(0x80070057);
inline constexpr HRESULT DV_E_FORMATETC = int32_t(0x80040064);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = int32_t(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = int32_t(0x80040111);
inline constexpr HRESULT SELFREG_E_CLASS = int32_t(0x80040201);

inline constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }

struct GUID {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
  bool operator==(const GUID&) const = default;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
inline std::string GuidString(const GUID& g) {
  char s[39];
  std::snprintf(s, sizeof s, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.data1),
                unsigned(g.data2), unsigned(g.data3), g.data4[0], g.data4[1], g.data4[2],
                g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return s;
}

// The standard interface ids.
inline constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_IDataObject = {0x0000010E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_IContextMenu = {0x000214E4, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_IShellExtInit = {0x000214E8, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The extension's own ids: its class (the value zk::id::KivShellExtGuid
// the engine registers), its interface and its type library.
inline constexpr GUID CLSID_KivShellExt = {
    0xFF5CD962, 0x68B8, 0x4F96, {0xB1, 0xCB, 0xC7, 0xF4, 0x68, 0xE6, 0xA5, 0x0C}};
inline constexpr GUID IID_IKivShellExt = {
    0x8FC1B7A1, 0xC698, 0x410F, {0xA4, 0xB1, 0x17, 0xB0, 0x1F, 0xBE, 0x3E, 0x60}};
inline constexpr GUID LIBID_KIV_SHELL_EXTLib = {
    0x0A98AE6B, 0xE457, 0x4AFE, {0xA7, 0x59, 0xB5, 0x92, 0xAF, 0xA8, 0x16, 0x4D}};

class IUnknown {
 public:
  // E_NOINTERFACE (and a null out) when the object does not have it.
  virtual HRESULT QueryInterface(const GUID& iid, void** out) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
};

class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** out) = 0;
  // Non-zero lock keeps the library loaded; zero gives that back.
  virtual HRESULT LockServer(int32_t lock) = 0;
};

// Data transfer: only what a drop-file list needs. The data's memory stays
// the data object's: hGlobal points into a block it keeps alive until
// ReleaseStgMedium releases pUnkForRelease.
inline constexpr uint16_t CF_HDROP = 15;
inline constexpr uint32_t DVASPECT_CONTENT = 1;
inline constexpr uint32_t TYMED_HGLOBAL = 1;

struct FORMATETC {
  uint16_t cfFormat;
  void* ptd;  // target device: none
  uint32_t dwAspect;
  int32_t lindex;  // -1: all items
  uint32_t tymed;
};

struct STGMEDIUM {
  uint32_t tymed;
  const void* hGlobal;
  size_t size;
  IUnknown* pUnkForRelease;
};

inline void ReleaseStgMedium(STGMEDIUM* medium) {
  if (medium->pUnkForRelease) medium->pUnkForRelease->Release();
  *medium = {};
}

class IDataObject : public IUnknown {
 public:
  virtual HRESULT GetData(const FORMATETC* format, STGMEDIUM* medium) = 0;
  // S_OK when GetData would give the format.
  virtual HRESULT QueryGetData(const FORMATETC* format) = 0;
};

// The host's menu. Positions count from 0; a position past the end
// appends. Popups made by CreatePopup belong to the menu that made them.
class IMenu {
 public:
  virtual IMenu* CreatePopup() = 0;
  virtual bool InsertItem(uint32_t position, uint32_t id, const char* text) = 0;
  virtual bool InsertSeparator(uint32_t position) = 0;
  virtual bool InsertPopup(uint32_t position, IMenu* popup, const char* text) = 0;
};

class IShellExtInit : public IUnknown {
 public:
  virtual HRESULT Initialize(const void* folder, IDataObject* data, void* progIdKey) = 0;
};

// Context-menu flags.
inline constexpr uint32_t CMF_NORMAL = 0;
inline constexpr uint32_t CMF_DEFAULTONLY = 1;
inline constexpr uint32_t CMF_VERBSONLY = 2;
inline constexpr uint32_t CMF_EXPLORE = 4;
inline constexpr uint32_t CMF_NOVERBS = 8;

struct CMINVOKECOMMANDINFO {
  uint32_t cbSize;
  uint32_t fMask;
  void* hwnd;
  const char* lpVerb;  // a string, or a number (offset from the first id) below 65536
  const char* lpParameters;
  const char* lpDirectory;
  int32_t nShow;
  uint32_t dwHotKey;
  void* hIcon;
};

inline const char* NumericVerb(uint16_t number) {
  return reinterpret_cast<const char*>(uintptr_t(number));
}
inline bool IsNumericVerb(const char* verb) { return (reinterpret_cast<uintptr_t>(verb) >> 16) == 0; }

class IContextMenu : public IUnknown {
 public:
  // Adds the extension's entries at index with ids from first to last;
  // answers the number of ids used.
  virtual HRESULT QueryContextMenu(IMenu* menu, uint32_t index, uint32_t first, uint32_t last,
                                   uint32_t flags) = 0;
  virtual HRESULT InvokeCommand(const CMINVOKECOMMANDINFO* info) = 0;
  virtual HRESULT GetCommandString(uintptr_t command, uint32_t type, uint32_t* reserved,
                                   char* name, uint32_t size) = 0;
};

// The extension's own interface: no operations of its own.
class IKivShellExt : public IUnknown {};

// The four exports, as a host resolves them.
using DllCanUnloadNowFn = HRESULT (*)();
using DllGetClassObjectFn = HRESULT (*)(const GUID* clsid, const GUID* iid, void** out);
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();

// A menu that records what is inserted, for hosts that show it their own
// way (or not at all).
class RecordingMenu final : public IMenu {
 public:
  enum class Kind { kItem, kSeparator, kPopup };
  struct Entry {
    Kind kind = Kind::kItem;
    uint32_t id = 0;
    std::string text;
    RecordingMenu* popup = nullptr;
  };

  IMenu* CreatePopup() override {
    popups_.push_back(std::make_unique<RecordingMenu>());
    return popups_.back().get();
  }
  bool InsertItem(uint32_t position, uint32_t id, const char* text) override {
    return Insert(position, {Kind::kItem, id, text ? text : "", nullptr});
  }
  bool InsertSeparator(uint32_t position) override {
    return Insert(position, {Kind::kSeparator, 0, "", nullptr});
  }
  bool InsertPopup(uint32_t position, IMenu* popup, const char* text) override {
    RecordingMenu* own = nullptr;
    for (auto& p : popups_)
      if (p.get() == popup) own = p.get();
    if (!own) return false;  // not made by this menu
    return Insert(position, {Kind::kPopup, 0, text ? text : "", own});
  }

  std::vector<Entry> entries;

 private:
  bool Insert(uint32_t position, Entry e) {
    size_t at = position < entries.size() ? position : entries.size();
    entries.insert(entries.begin() + ptrdiff_t(at), std::move(e));
    return true;
  }
  std::vector<std::unique_ptr<RecordingMenu>> popups_;
};

}  // namespace kiv::com
