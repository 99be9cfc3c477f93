// The pure rules of the content commands: safe paths (with "\"), names
// that may be written to disk, drag targets inside a safe, the size and
// ratio cell and the compressed-extensions list.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <QString>

#include "zk5script.h"

namespace kiv {

// The only format a drag inside the safe offers: no URL list, so the drop
// target for files from outside never takes it.
inline constexpr char kSafeItemsMime[] = "application/x-kivora-safe-items";

// Safe paths use "\" as separator; disk paths use "/". The two never mix.
inline constexpr char kSafeSeparator = '\\';

// Joins a safe folder and a name with exactly one "\" between them.
std::string SafeJoin(const std::string& folder, const std::string& name);
// The folder path with exactly one trailing "\" ("\" for the root or "").
std::string SafeFolderPath(const std::string& path);
// True when both name the same safe folder, whatever trailing "\" they have.
bool SameSafeFolder(const std::string& a, const std::string& b);
// True when folder is inside (or is) ancestor.
bool SafeFolderWithin(const std::string& folder, const std::string& ancestor);

// A name taken from a safe may be created on disk only when it is not
// empty, ".", "..", and holds no "/", "\" or NUL: so a safe made elsewhere
// cannot write outside the chosen folder.
bool ValidDiskName(const std::string& name);

// Dragging selected items of the current folder onto a tree node: taken
// when the node's folder differs from the current folder and lies in none
// of the dragged folders' subtrees.
bool DragAccepted(const std::string& current, const std::vector<std::string>& draggedFolders,
                  const std::string& target);

// The size cell: grouped size, and for a compressed entry " (ratio%)".
QString SizeCell(uint64_t size, uint64_t stored, bool compressed);
// The stored-size row of the one-file view: " (0%)" for size 0.
QString StoredCell(uint64_t size, uint64_t stored);

// True when the path's upper-cased extension is one of the entries.
bool CompressedExtension(const std::string& path, const std::vector<std::string>& extensions);

// The extensions stored compressed, as the configuration lists them:
// "count_of_arc_ext" entries (none when missing) named "arc_ext_0",
// "arc_ext_1" ...; empty entries are left out.
std::vector<std::string> CompressedExtensions(zk::IAppParam* params);

}  // namespace kiv
