// File-type and shell-menu registration of the driver, over the per-user
// registry (UserRegistry) and the user's freedesktop data folder.
#pragma once
#include <string>

#include "zk5Status.h"

namespace zk::engine {

class UserRegistry;

// The registry's file-type name, the MIME type and the file names used.
inline constexpr char kFileTypeName[] = "Kivora 1";
inline constexpr char kMimeType[] = "application/x-kivora-secret";
inline constexpr char kMimeFile[] = "mime/packages/kivora.xml";
inline constexpr char kDesktopFile[] = "applications/kivora.desktop";
inline constexpr char kShellExtLibrary[] = "kiv_shell_ext.so";

// $XDG_DATA_HOME (an absolute one only), else $HOME/.local/share; no
// trailing "/".
std::string DataHome();

// The two registration command lines of the file-manager extension.
std::string ShellExtCommandLine(bool unregister);

// The six operations, on the user's registry (UserRegistry::DefaultFile).
StatusCode IsFileTypeRegistered();
StatusCode RegisterFileType();
StatusCode UnregisterFileType();
StatusCode IsShellExtRegistered();
StatusCode RegisterShellExt();
StatusCode UnregisterShellExt();

// The text of the two freedesktop files for the executable at exePath.
std::string MimeInfoText();
std::string DesktopEntryText(const std::string& exePath);

}  // namespace zk::engine
