// The user's private folders: the staging folder for temporary files and
// the program's runtime folder for its message socket. One rule for both:
// a missing folder is made with mode 0700; a symbolic link, anything but a
// folder, or a folder of another user is refused; the user's own folder
// opened to others since is closed (0700) again before it is used.
// Plain POSIX; any program or library may use it.
#pragma once
#include <string>

namespace zk {

// Why a private folder cannot be used.
enum class FolderRefusal {
  kNone = 0,      // usable
  kCannotMake,    // missing and cannot be made
  kLink,          // a symbolic link (never followed)
  kNotFolder,     // something other than a folder
  kOtherOwner,    // a folder of another user
  kCannotClose,   // open to others, and its mode cannot be changed
};

// Applies the rule to path: makes, refuses or closes it. With withParents,
// missing parent folders of an absolute path are made first, each 0700
// (as the base folders of the user's settings are); existing ones are left
// as they are.
FolderRefusal PreparePrivateFolder(const std::string& path, bool withParents = false);

// What the rule says of path as it is now, changing nothing: kNone also for
// the user's own folder that is open to others (Prepare closes it) and
// kCannotMake for a missing one.
FolderRefusal InspectPrivateFolder(const std::string& path);

// The staging folder: "kivora-<uid>" in $XDG_RUNTIME_DIR when that is an
// absolute path to a folder of the user, else in an absolute $TMPDIR, else
// in /tmp.
std::string StagingFolder();

}  // namespace zk
