// The folder tree of a safe in memory: folders and file entries, kept in
// name order, the name order itself, the checks names pass, and the walk
// from a path to a folder.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "zk5Status.h"

namespace zk::engine {

// One file of a safe: the data lie in flow `flow` of the container, bit 0
// of `flags` set when they are compressed by arc.Lzpxj.
struct FileEntry {
  uint32_t size = 0;
  uint32_t flags = 0;
  uint32_t created = 0;
  uint32_t modified = 0;
  uint32_t flow = 0;
  std::string name;
};

// One folder. Elements are held by pointer: a folder keeps its address
// while its siblings move in the array, and an insertion into a large
// folder moves pointers only.
struct FolderNode {
  std::string name;
  std::vector<std::unique_ptr<FolderNode>> subfolders;
  std::vector<std::unique_ptr<FileEntry>> files;
};

// Deepest nesting of folders below the root that a safe holds. Every walk
// of the tree is bounded by it, whatever a stored catalogue claims.
inline constexpr uint32_t kMaxDepth = 1024;
// Longest name a catalogue record can carry.
inline constexpr size_t kMaxName = 0xFFFF;

// Compares two names as the C runtime's case-insensitive comparison does in
// the "C" locale: ASCII A-Z fold to a-z, then bytes compare unsigned; a
// name that is the start of another sorts first. Independent of the
// process locale.
int NameOrder(std::string_view a, std::string_view b);

// Index of the first element whose name equals `name`, or the array's size.
size_t FindFileIndex(const FolderNode& folder, std::string_view name);
size_t FindFolderIndex(const FolderNode& folder, std::string_view name);
// Inserts after every element of equal name; returns the new index.
// May throw std::bad_alloc (the array is then unchanged).
size_t InsertFile(FolderNode& folder, FileEntry&& entry);
size_t InsertFile(FolderNode& folder, std::unique_ptr<FileEntry>&& entry);
size_t InsertFolder(FolderNode& folder, std::unique_ptr<FolderNode>&& node);

// A name given for a new file or folder: -2 when it is empty, "." or "..",
// or holds "\", "/" or NUL (such a name could not be addressed by the
// safe's own paths, or would leave a folder when extracted); -15 when it
// is longer than a catalogue record can hold.
StatusCode CheckNewName(const char* name);
// A name read from a stored catalogue: false for ".", ".." and names
// holding "\", "/" or NUL. An empty name is kept.
bool IsStoredNameSound(std::string_view name);

// Height of a subtree: 0 for a folder without subfolders.
uint32_t SubtreeHeight(const FolderNode& folder);
// Calls fn(entry) for every file of the subtree, depth first.
template <class Fn>
void ForEachFile(const FolderNode& folder, Fn&& fn) {
  for (const auto& e : folder.files) fn(*e);
  for (const auto& sub : folder.subfolders) ForEachFile(*sub, fn);
}

// The result of walking a path.
struct Resolved {
  FolderNode* node = nullptr;
  FolderNode* parent = nullptr;  // none for the root
  size_t index = 0;              // the node's index in parent->subfolders
  uint32_t depth = 0;            // 0 for the root
  std::vector<FolderNode*> chain;  // root first, up to the node's parent (when asked)
};

// The full path of `path` seen from the current path (absent: the root).
std::string FullPath(const char* path, const std::string* current);
// Walks a path from the root; -6 when a component is missing.
StatusCode ResolveFolder(FolderNode& root, const char* path, const std::string* current,
                             Resolved& out, bool wantChain = false);

// Splits a file path of the safe: the name after the last "\", and the
// folder before it. A path without "\" lies in the current folder; a
// path whose only "\" is its first byte lies in the root.
struct SplitResult {
  std::string folder;  // empty: the current folder
  std::string name;
};
SplitResult SplitPath(const char* path);

// The name of a disk file: what follows the last "/".
std::string DiskName(const char* diskPath);

}  // namespace zk::engine
