#include "desktop/SafePathUnit.h"

#include <algorithm>
#include <cctype>

#include "desktop/CommonUnit.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

namespace {

std::string TrimTrailing(std::string p) {
  while (!p.empty() && p.back() == kSafeSeparator) p.pop_back();
  return p;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// ".EXT" of the last name of a disk path, upper-cased; empty when none.
std::string UpperExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return Upper(path.substr(dot));
}

}  // namespace

std::string SafeJoin(const std::string& folder, const std::string& name) {
  size_t start = 0;
  while (start < name.size() && name[start] == kSafeSeparator) ++start;
  return SafeFolderPath(folder) + name.substr(start);
}

std::string SafeFolderPath(const std::string& path) {
  return TrimTrailing(path) + kSafeSeparator;
}

bool SameSafeFolder(const std::string& a, const std::string& b) {
  return SafeFolderPath(a) == SafeFolderPath(b);
}

bool SafeFolderWithin(const std::string& folder, const std::string& ancestor) {
  const std::string f = SafeFolderPath(folder), a = SafeFolderPath(ancestor);
  return f.compare(0, a.size(), a) == 0;
}

bool ValidDiskName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

bool DragAccepted(const std::string& current, const std::vector<std::string>& draggedFolders,
                  const std::string& target) {
  if (SameSafeFolder(current, target)) return false;
  return std::none_of(draggedFolders.begin(), draggedFolders.end(), [&](const std::string& name) {
    return SafeFolderWithin(target, SafeJoin(current, name));
  });
}

QString StoredCell(uint64_t size, uint64_t stored) {
  const uint64_t ratio = size == 0 ? 0 : stored * 100 / size;
  return FormatGroupedNumber(static_cast<int64_t>(stored)) + " (" + QString::number(ratio) + "%)";
}

QString SizeCell(uint64_t size, uint64_t stored, bool compressed) {
  QString cell = FormatGroupedNumber(static_cast<int64_t>(size));
  if (compressed)
    cell += " (" + QString::number(size == 0 ? 0 : stored * 100 / size) + "%)";
  return cell;
}

bool CompressedExtension(const std::string& path, const std::vector<std::string>& extensions) {
  const std::string ext = UpperExtension(path);
  if (ext.empty()) return false;
  return std::any_of(extensions.begin(), extensions.end(),
                     [&](const std::string& e) { return Upper(e) == ext; });
}

std::vector<std::string> CompressedExtensions(zk::IAppParam* params) {
  std::vector<std::string> out;
  int32_t count = 0;
  if (!params || params->GetInt("count_of_arc_ext", &count) != 0) return out;
  for (int32_t i = 0; i < count; ++i) {
    HeldString v;
    const std::string name = "arc_ext_" + std::to_string(i);
    if (params->GetString(name.c_str(), &v) == 0 && v && *v) out.push_back(v.Str());
  }
  return out;
}

}  // namespace kiv
