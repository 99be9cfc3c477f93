#include "SafeTree.h"

#include <algorithm>
#include <cstring>

namespace zk::engine {

namespace {

inline unsigned Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

struct ByName {
  bool operator()(std::string_view a, const std::unique_ptr<FileEntry>& b) const { return NameOrder(a, b->name) < 0; }
  bool operator()(const std::unique_ptr<FileEntry>& a, std::string_view b) const { return NameOrder(a->name, b) < 0; }
  bool operator()(std::string_view a, const std::unique_ptr<FolderNode>& b) const {
    return NameOrder(a, b->name) < 0;
  }
  bool operator()(const std::unique_ptr<FolderNode>& a, std::string_view b) const {
    return NameOrder(a->name, b) < 0;
  }
};

}  // namespace

int NameOrder(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned x = Fold(static_cast<unsigned char>(a[i]));
    unsigned y = Fold(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

size_t FindFileIndex(const FolderNode& folder, std::string_view name) {
  auto it = std::lower_bound(folder.files.begin(), folder.files.end(), name, ByName{});
  if (it != folder.files.end() && NameOrder((*it)->name, name) == 0) return size_t(it - folder.files.begin());
  return folder.files.size();
}

size_t FindFolderIndex(const FolderNode& folder, std::string_view name) {
  auto it = std::lower_bound(folder.subfolders.begin(), folder.subfolders.end(), name, ByName{});
  if (it != folder.subfolders.end() && NameOrder((*it)->name, name) == 0) {
    return size_t(it - folder.subfolders.begin());
  }
  return folder.subfolders.size();
}

size_t InsertFile(FolderNode& folder, std::unique_ptr<FileEntry>&& entry) {
  auto it = std::upper_bound(folder.files.begin(), folder.files.end(), std::string_view(entry->name), ByName{});
  return size_t(folder.files.insert(it, std::move(entry)) - folder.files.begin());
}

size_t InsertFile(FolderNode& folder, FileEntry&& entry) {
  auto node = std::make_unique<FileEntry>(std::move(entry));
  return InsertFile(folder, std::move(node));
}

size_t InsertFolder(FolderNode& folder, std::unique_ptr<FolderNode>&& node) {
  auto it = std::upper_bound(folder.subfolders.begin(), folder.subfolders.end(), std::string_view(node->name),
                             ByName{});
  return size_t(folder.subfolders.insert(it, std::move(node)) - folder.subfolders.begin());
}

StatusCode CheckNewName(const char* name) {
  if (!name || !*name) return zk::kInvalidArg;
  size_t n = std::strlen(name);
  if (std::strpbrk(name, "\\/")) return zk::kInvalidArg;
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return zk::kInvalidArg;
  if (n > kMaxName) return zk::kTooMuch;
  return zk::kOk;
}

bool IsStoredNameSound(std::string_view name) {
  if (name == "." || name == "..") return false;
  return name.find_first_of(std::string_view("\\/\0", 3)) == std::string_view::npos;
}

uint32_t SubtreeHeight(const FolderNode& folder) {
  uint32_t h = 0;
  for (const auto& sub : folder.subfolders) h = std::max(h, SubtreeHeight(*sub) + 1);
  return h;
}

std::string FullPath(const char* path, const std::string* current) {
  if (!path || !*path) return current ? *current : std::string();
  if (path[0] == '\\') return path;
  std::string full = current && !current->empty() ? *current : std::string("\\");
  if (full.back() != '\\') full += '\\';
  full += path;
  return full;
}

StatusCode ResolveFolder(FolderNode& root, const char* path, const std::string* current, Resolved& out,
                             bool wantChain) {
  out = Resolved{};
  out.node = &root;
  const std::string full = FullPath(path, current);
  if (full.size() < 2) return zk::kOk;  // empty or "\" alone: the root
  std::string_view rest(full);
  rest.remove_prefix(1);  // the leading "\" (or whatever byte stands first)
  if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
  if (rest.empty()) return zk::kOk;  // "\\": the root with its trailing backslash
  FolderNode* node = &root;
  FolderNode* parent = nullptr;
  size_t index = 0;
  uint32_t depth = 0;
  for (;;) {
    size_t cut = rest.find('\\');
    std::string_view part = rest.substr(0, cut);
    size_t i = FindFolderIndex(*node, part);
    if (i == node->subfolders.size()) return zk::kNotFound;
    if (wantChain) out.chain.push_back(node);
    parent = node;
    index = i;
    node = node->subfolders[i].get();
    ++depth;
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  out.node = node;
  out.parent = parent;
  out.index = index;
  out.depth = depth;
  return zk::kOk;
}

SplitResult SplitPath(const char* path) {
  SplitResult r;
  if (!path) return r;
  const char* slash = std::strrchr(path, '\\');
  if (!slash) {
    r.name = path;
  } else {
    r.name = slash + 1;
    r.folder = slash == path ? std::string("\\") : std::string(path, size_t(slash - path));
  }
  return r;
}

std::string DiskName(const char* diskPath) {
  const char* slash = std::strrchr(diskPath, '/');
  return slash ? std::string(slash + 1) : std::string(diskPath);
}

}  // namespace zk::engine
