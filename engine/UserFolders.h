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

// The one rule for a private folder of the user: made with mode 0700 (its
// missing parents too, 0700) when it is not there; an existing one must be a
// real folder (not a symbolic link) owned by the user, and is closed to
// others again (0700) when it was opened to them. -13 for a link, a
// non-folder or another user's folder; -101 when it cannot be made.
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
