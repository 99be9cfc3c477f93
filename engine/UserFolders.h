// The user's own folders on this platform: where each user's settings
// ($XDG_CONFIG_HOME/kivora) and data such as the key storage
// ($XDG_DATA_HOME/kivora) live, apart from the read-only program folder.
#pragma once
#include <string>

#include "zk5Status.h"

namespace zk::engine {

// $XDG_CONFIG_HOME/kivora (an absolute XDG_CONFIG_HOME only), else
// <home>/.config/kivora; no trailing "/". Empty when no home is known.
std::string UserConfigFolder();
// $XDG_DATA_HOME/kivora (an absolute XDG_DATA_HOME only), else
// <home>/.local/share/kivora; no trailing "/". Empty when no home is known.
std::string UserDataFolder();

// The private folder rule of the base (PreparePrivateFolder), missing
// parents made too: kCannotOpen when the folder cannot be made or is
// refused (a link, a non-folder, another user's), as for the staging folder,
// so a refusal never reads as a wrong password.
StatusCode MakePrivateFolder(const std::string& path);

// Before a private file (settings, key storage) is replaced: an existing
// regular file loses the group's and others' bits, so that the replacement,
// which takes the old file's mode, is the user's alone. Returns the mode the
// file is to have after the save (the owner's bits it had, 0600 for a new
// file).
unsigned PrivateFileModeBeforeSave(const std::string& path);
// After the save: the file gets that mode (a umask may have taken bits of a
// new file away).
void SetPrivateFileMode(const std::string& path, unsigned mode);

}  // namespace zk::engine
