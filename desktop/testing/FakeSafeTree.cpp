#include "desktop/testing/FakeSafeTree.h"

#include <sys/stat.h>
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iterator>

#include "zk5main.h"

namespace desktoptest {

namespace {

int Compare(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()); }

template <class T>
void InsertInOrder(std::vector<T>& v, T item) {
  auto at = std::find_if(v.begin(), v.end(), [&](const T& e) { return Compare(e.name, item.name) > 0; });
  v.insert(at, std::move(item));
}

template <class T>
T* FindName(std::vector<T>& v, const std::string& name, size_t* index = nullptr) {
  for (size_t i = 0; i < v.size(); ++i)
    if (Compare(v[i].name, name) == 0) {
      if (index) *index = i;
      return &v[i];
    }
  return nullptr;
}

std::string S(const char* s) { return s ? s : "<null>"; }

StatusCode Give(const std::string& s, char** out) {
  zk_free(*out);
  *out = zk_DupString(s.c_str());
  return zk::kOk;
}

void Fill(const FakeSafeTree::File& f, zk::SafeFileInfo* info) {
  if (!info) return;
  *info = {};
  info->size = uint32_t(f.data.size());
  info->storedSize = (f.flags & 1) ? uint32_t(f.data.size() / 2) : uint32_t(f.data.size());
  info->flags = f.flags;
  info->modified = {126, 0, 2, 10, 24, 5};
  info->created = info->modified;
}

void Stats(const FakeSafeTree::Folder& f, uint32_t& folders, uint32_t& files, uint32_t& size,
           uint32_t& stored) {
  for (const auto& file : f.files) {
    zk::SafeFileInfo i{};
    Fill(file, &i);
    ++files;
    size += i.size;
    stored += i.storedSize;
  }
  for (const auto& sub : f.folders) {
    ++folders;
    Stats(sub, folders, files, size, stored);
  }
}

}  // namespace

bool FakeSafeTree::Failing(const std::string& op, StatusCode& rc) const {
  auto it = fail.find(op);
  if (it == fail.end()) return false;
  rc = it->second;
  return true;
}

std::string FakeSafeTree::Full(const char* path) const {
  const std::string cur = current.empty() ? "\\" : current;
  if (!path || !*path) return cur;
  if (path[0] == '\\') return path;
  return cur + (cur.back() == '\\' ? "" : "\\") + path;
}

FakeSafeTree::Folder* FakeSafeTree::Resolve(const char* path, Folder** parent, size_t* index) {
  std::string full = Full(path);
  if (parent) *parent = nullptr;
  if (full.size() <= 1) return &root;
  full = full.substr(1);
  if (!full.empty() && full.back() == '\\') full.pop_back();
  Folder* f = &root;
  size_t start = 0;
  while (start <= full.size()) {
    const size_t end = std::min(full.find('\\', start), full.size());
    const std::string part = full.substr(start, end - start);
    size_t i = 0;
    Folder* next = FindName(f->folders, part, &i);
    if (!next) return nullptr;
    if (parent) *parent = f;
    if (index) *index = i;
    f = next;
    start = end + 1;
  }
  return f;
}

StatusCode FakeSafeTree::FindFile(const char* path, Folder** folder, size_t* index) {
  const std::string p = S(path);
  const size_t slash = p.find_last_of('\\');
  std::string part, name = p;
  if (slash != std::string::npos && slash > 0) {
    part = p.substr(0, slash);
    name = p.substr(slash + 1);
  } else if (slash == 0) {
    name = p.substr(1);
  }
  Folder* f = Resolve(part.c_str());
  if (!f) return zk::kNotFound;
  if (!FindName(f->files, name, index)) return zk::kNotFound;
  *folder = f;
  return zk::kOk;
}

StatusCode FakeSafeTree::AddFile(const char* folderPath, const char* diskPath, uint32_t flags,
                                 zk::IProgress* progress) {
  calls.push_back("AddFile(" + S(folderPath) + "," + S(diskPath) + ")");
  StatusCode rc = 0;
  if (Failing("AddFile", rc)) return rc;
  Folder* f = Resolve(folderPath);
  if (!f) return zk::kNotFound;
  if (!diskPath) return zk::kInvalidArg;
  std::string name = diskPath;
  name = name.substr(name.find_last_of('/') + 1);
  if (FindName(f->files, name)) return zk::kAlreadyExists;
  std::ifstream in(diskPath, std::ios::binary);
  if (!in) return zk::kCannotOpen;
  if (progress) progress->OnProgress(0);
  std::string data{std::istreambuf_iterator<char>(in), {}};
  if (progress && (rc = progress->OnProgress(100)) != 0) return rc;
  InsertInOrder(f->files, File{name, data, flags});
  return zk::kOk;
}

uint32_t FakeSafeTree::GetFileCount(const char* folderPath) {
  Folder* f = Resolve(folderPath);
  return f ? uint32_t(f->files.size()) : 0;
}

uint32_t FakeSafeTree::GetFolderCount(const char* folderPath) {
  Folder* f = Resolve(folderPath);
  return f ? uint32_t(f->folders.size()) : 0;
}

StatusCode FakeSafeTree::CreateFolder(const char* parentPath, const char* name) {
  calls.push_back("CreateFolder(" + S(parentPath) + "," + S(name) + ")");
  StatusCode rc = 0;
  if (Failing("CreateFolder", rc)) return rc;
  if (!name || !*name) return zk::kInvalidArg;
  Folder* f = Resolve(parentPath);
  if (!f) return zk::kNotFound;
  if (FindName(f->folders, name)) return zk::kAlreadyExists;
  InsertInOrder(f->folders, Folder{name, {}, {}});
  return zk::kOk;
}

StatusCode FakeSafeTree::DeleteFile(const char* filePath) {
  calls.push_back("DeleteFile(" + S(filePath) + ")");
  StatusCode rc = 0;
  if (Failing("DeleteFile", rc)) return rc;
  Folder* f = nullptr;
  size_t i = 0;
  if ((rc = FindFile(filePath, &f, &i)) != 0) return rc;
  f->files.erase(f->files.begin() + long(i));
  return zk::kOk;
}

StatusCode FakeSafeTree::DeleteFolder(const char* folderPath) {
  calls.push_back("DeleteFolder(" + S(folderPath) + ")");
  StatusCode rc = 0;
  if (Failing("DeleteFolder", rc)) return rc;
  if (!folderPath) return zk::kInvalidArg;
  Folder* parent = nullptr;
  size_t i = 0;
  Folder* f = Resolve(folderPath, &parent, &i);
  if (!f) return zk::kNotFound;
  if (!parent) return zk::kInvalidArg;
  parent->folders.erase(parent->folders.begin() + long(i));
  return zk::kOk;
}

StatusCode FakeSafeTree::GetCurrentFolder(char** pathOut) {
  if (!pathOut) return zk::kInvalidArg;
  if (current.empty()) return zk::kOk;
  return Give(current, pathOut);
}

StatusCode FakeSafeTree::GetFileAt(const char* folderPath, uint32_t index, char** nameOut,
                                   zk::SafeFileInfo* info) {
  Folder* f = Resolve(folderPath);
  if (!f) return zk::kNotFound;
  if (index >= f->files.size() || !nameOut) return zk::kInvalidArg;
  Fill(f->files[index], info);
  return Give(f->files[index].name, nameOut);
}

StatusCode FakeSafeTree::GetFolderAt(const char* folderPath, uint32_t index, char** nameOut) {
  Folder* f = Resolve(folderPath);
  if (!f) return zk::kNotFound;
  if (index >= f->folders.size() || !nameOut) return zk::kInvalidArg;
  return Give(f->folders[index].name, nameOut);
}

StatusCode FakeSafeTree::ExtractFile(const char* filePath, const char* diskPath,
                                     zk::IProgress* progress) {
  calls.push_back("ExtractFile(" + S(filePath) + "," + S(diskPath) + ")");
  StatusCode rc = 0;
  if (Failing("ExtractFile", rc)) return rc;
  Folder* f = nullptr;
  size_t i = 0;
  if ((rc = FindFile(filePath, &f, &i)) != 0) return rc;
  std::ofstream out(diskPath, std::ios::binary | std::ios::trunc);
  if (!out) return zk::kCannotOpen;
  if (progress) progress->OnProgress(0);
  out << f->files[i].data;
  if (progress) progress->OnProgress(100);
  return out ? zk::kOk : zk::kWriteError;
}

StatusCode FakeSafeTree::MoveFile(const char* filePath, const char* folderPath) {
  calls.push_back("MoveFile(" + S(filePath) + "," + S(folderPath) + ")");
  StatusCode rc = 0;
  if (Failing("MoveFile", rc)) return rc;
  Folder* f = nullptr;
  size_t i = 0;
  if ((rc = FindFile(filePath, &f, &i)) != 0) return rc;
  Folder* target = Resolve(folderPath);
  if (!target) return zk::kNotFound;
  if (FindName(target->files, f->files[i].name)) return zk::kAlreadyExists;
  File moved = f->files[i];
  f->files.erase(f->files.begin() + long(i));
  InsertInOrder(target->files, moved);
  return zk::kOk;
}

StatusCode FakeSafeTree::MoveFolder(const char* folderPath, const char* targetPath) {
  calls.push_back("MoveFolder(" + S(folderPath) + "," + S(targetPath) + ")");
  StatusCode rc = 0;
  if (Failing("MoveFolder", rc)) return rc;
  if (!folderPath || !targetPath) return zk::kInvalidArg;
  Folder* parent = nullptr;
  size_t i = 0;
  Folder* f = Resolve(folderPath, &parent, &i);
  if (!f || !Resolve(targetPath)) return zk::kNotFound;
  if (!parent || f == Resolve(targetPath)) return zk::kInvalidArg;
  Folder moved = *f;
  const std::string target = Full(targetPath);
  parent->folders.erase(parent->folders.begin() + long(i));
  Folder* t = Resolve(target.c_str());
  if (!t) return zk::kNotFound;  // was inside the moved folder: never sent by the view
  if (FindName(t->folders, moved.name)) return zk::kAlreadyExists;
  InsertInOrder(t->folders, moved);
  return zk::kOk;
}

StatusCode FakeSafeTree::RenameFile(const char* filePath, const char* newName) {
  calls.push_back("RenameFile(" + S(filePath) + "," + S(newName) + ")");
  StatusCode rc = 0;
  if (Failing("RenameFile", rc)) return rc;
  if (!newName) return zk::kInvalidArg;
  Folder* f = nullptr;
  size_t i = 0;
  if ((rc = FindFile(filePath, &f, &i)) != 0) return rc;
  if (FindName(f->files, newName)) return zk::kAlreadyExists;
  File file = f->files[i];
  f->files.erase(f->files.begin() + long(i));
  file.name = newName;
  InsertInOrder(f->files, file);
  return zk::kOk;
}

StatusCode FakeSafeTree::RenameFolder(const char* folderPath, const char* newName) {
  calls.push_back("RenameFolder(" + S(folderPath) + "," + S(newName) + ")");
  StatusCode rc = 0;
  if (Failing("RenameFolder", rc)) return rc;
  if (!newName) return zk::kInvalidArg;
  Folder* parent = nullptr;
  size_t i = 0;
  Folder* f = Resolve(folderPath, &parent, &i);
  if (!f) return zk::kNotFound;
  if (!parent) return zk::kInvalidArg;
  if (FindName(parent->folders, newName)) return zk::kAlreadyExists;
  Folder folder = *f;
  parent->folders.erase(parent->folders.begin() + long(i));
  folder.name = newName;
  InsertInOrder(parent->folders, folder);
  return zk::kOk;
}

StatusCode FakeSafeTree::Commit() {
  ++commits;
  StatusCode rc = 0;
  return Failing("Commit", rc) ? rc : zk::kOk;
}

StatusCode FakeSafeTree::ChangeFolder(const char* path) {
  calls.push_back("ChangeFolder(" + S(path) + ")");
  if (!Resolve(path)) return zk::kNotFound;
  std::string full = Full(path);
  if (full.size() > 1 && full.back() == '\\') full.pop_back();
  current = full == "\\" ? "\\" : full;
  return zk::kOk;
}

StatusCode FakeSafeTree::FolderUp() {
  calls.push_back("FolderUp()");
  if (current.empty() || current == "\\") return zk::kOk;
  std::string c = current;
  if (c.back() == '\\') c.pop_back();
  const size_t cut = c.find_last_of('\\');
  current = cut == 0 || cut == std::string::npos ? std::string() : c.substr(0, cut);
  return zk::kOk;
}

StatusCode FakeSafeTree::GetFileInfo(const char* folderPath, const char* fileName,
                                     zk::SafeFileInfo* info) {
  if (!fileName) return zk::kInvalidArg;
  Folder* f = Resolve(folderPath);
  if (!f) return zk::kNotFound;
  File* file = FindName(f->files, fileName);
  if (!file) return zk::kNotFound;
  Fill(*file, info);
  return zk::kOk;
}

StatusCode FakeSafeTree::GetFolderStats(const char* folderPath, uint32_t* folders,
                                        uint32_t* files, uint32_t* totalSize,
                                        uint32_t* totalStored) {
  calls.push_back("GetFolderStats(" + S(folderPath) + ")");
  *folders = *files = *totalSize = *totalStored = 0;
  Folder* f = Resolve(folderPath);
  if (!f) return zk::kNotFound;
  Stats(*f, *folders, *files, *totalSize, *totalStored);
  return zk::kOk;
}

StatusCode FakeSafeTree::ReadFile(const char* filePath, char** dataOut, zk::IProgress*) {
  calls.push_back("ReadFile(" + S(filePath) + ")");
  if (!filePath || !dataOut) return zk::kInvalidArg;
  zk_free(*dataOut);
  *dataOut = nullptr;
  Folder* f = nullptr;
  size_t i = 0;
  StatusCode rc = FindFile(filePath, &f, &i);
  if (rc != 0) return rc;
  const std::string& d = f->files[i].data;
  *dataOut = static_cast<char*>(zk_malloc(int32_t(d.size() + 1)));
  std::memcpy(*dataOut, d.data(), d.size());
  (*dataOut)[d.size()] = 0;
  return zk::kOk;
}

void FakeSafeTree::MakeFolders(const std::string& path) {
  Folder* f = &root;
  size_t start = 1;
  while (start < path.size()) {
    size_t end = std::min(path.find('\\', start), path.size());
    const std::string part = path.substr(start, end - start);
    if (!part.empty()) {
      if (!FindName(f->folders, part)) InsertInOrder(f->folders, Folder{part, {}, {}});
      f = FindName(f->folders, part);
    }
    start = end + 1;
  }
}

void FakeSafeTree::PutFile(const std::string& folder, const std::string& name,
                           const std::string& data, uint32_t flags) {
  MakeFolders(folder);
  Folder* f = Resolve(folder.c_str());
  InsertInOrder(f->files, File{name, data, flags});
}

std::vector<std::string> FakeSafeTree::Dump() const {
  std::vector<std::string> out;
  std::function<void(const Folder&, const std::string&)> walk = [&](const Folder& f,
                                                                     const std::string& path) {
    for (const File& file : f.files) out.push_back(path + file.name + "=" + file.data);
    for (const Folder& sub : f.folders) {
      out.push_back(path + sub.name + "\\");
      walk(sub, path + sub.name + "\\");
    }
  };
  walk(root, "\\");
  return out;
}

std::vector<std::string> FakeSafeTree::Changes() const {
  std::vector<std::string> out;
  for (const std::string& c : calls)
    if (c.rfind("Get", 0) != 0 && c.rfind("ChangeFolder", 0) != 0 && c.rfind("FolderUp", 0) != 0 &&
        c.rfind("ReadFile", 0) != 0)
      out.push_back(c);
  return out;
}

}  // namespace desktoptest
