// Registration of the extension: its keys in the user's registry, and the
// file-manager action files that make the menu appear in the file managers
// that read them (a service menu, and a menu with three actions), each
// running the helper program kiv_shell_cmd from the extension's folder.
#pragma once
#include <string>

#include "kvShellExt.h"

namespace kiv::shellext {

inline constexpr char kHelperName[] = "kiv_shell_cmd";
inline constexpr char kProgId[] = "KivShellExt.KivShellExt.1";
inline constexpr char kVersionIndependentProgId[] = "KivShellExt.KivShellExt";
inline constexpr char kClassDescription[] = "KivShellExt Class";

// The action files, relative to the user's data folder.
inline constexpr char kServiceMenuFile[] = "kio/servicemenus/kivora.desktop";
inline constexpr const char* kActionFiles[] = {
    "file-manager/actions/kivora.desktop", "file-manager/actions/kivora-add.desktop",
    "file-manager/actions/kivora-put.desktop", "file-manager/actions/kivora-wipe.desktop"};

// The texts of the files for the helper at helperPath.
std::string ServiceMenuText(const std::string& helperPath);
std::string ActionMenuText();
std::string ActionText(int verb, const std::string& helperPath);

// modulePath is this library's file, written as its in-process server.
com::HRESULT RegisterServer(const std::string& modulePath);
com::HRESULT UnregisterServer();

}  // namespace kiv::shellext
