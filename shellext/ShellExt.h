// The extension object: one per context menu the file manager shows. It
// keeps the selection's data object, adds the submenu "Kivora 1" and, for
// the chosen command, hands the selected names and the command to the
// desktop program.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "kvShellExt.h"

namespace kiv::shellext {

inline constexpr char kPopupCaption[] = "Kivora 1";
// The three commands by verb number.
inline constexpr const char* kItemTexts[] = {"Add the files to safe", "Put secret into this file",
                                             "Physical delete the files"};
inline constexpr int kVerbCount = 3;

// The program's command message for a verb (1045, 1047, 1048).
uint32_t CommandMessage(int verb);

// The names of the selection: the drop-file list the data object gives,
// none when it gives no such list.
std::vector<std::string> SelectionNames(com::IDataObject* data);

// Objects and server locks alive; the library may unload at 0.
std::atomic<int>& LockCount();

class ShellExt final : public com::IShellExtInit, public com::IContextMenu, public com::IKivShellExt {
 public:
  ShellExt();
  ~ShellExt();

  com::HRESULT QueryInterface(const com::GUID& iid, void** out) override;
  uint32_t AddRef() override;
  uint32_t Release() override;

  com::HRESULT Initialize(const void* folder, com::IDataObject* data, void* progIdKey) override;

  com::HRESULT QueryContextMenu(com::IMenu* menu, uint32_t index, uint32_t first, uint32_t last,
                                uint32_t flags) override;
  com::HRESULT InvokeCommand(const com::CMINVOKECOMMANDINFO* info) override;
  com::HRESULT GetCommandString(uintptr_t command, uint32_t type, uint32_t* reserved, char* name,
                                uint32_t size) override;

 private:
  std::atomic<uint32_t> refs_{1};
  com::IDataObject* data_ = nullptr;
};

}  // namespace kiv::shellext
