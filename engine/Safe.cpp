#include "Safe.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

#include "Wipe.h"
#include "EngineFactories.h"
#include "KeysCommon.h"
#include "SafeCatalogue.h"
#include "SecretFiles.h"

namespace zk::engine {

namespace {

constexpr uint32_t kPiece = 65536;
constexpr uint32_t kCompressed = 1;     // flags bit 0: the flow holds arc.Lzpxj's coding
constexpr uint64_t kMaxFileSize = 0x80000000ull;

// Every operation runs through zk::Guard: memory running out inside the
// tree becomes -4.
using zk::Guard;

// Frees what *out holds and stores a runtime copy of text there.
StatusCode PutString(char** out, const std::string& text) {
  if (*out) {
    zk_free(*out);
    *out = nullptr;
  }
  char* copy = static_cast<char*>(zk_malloc(static_cast<int32_t>(text.size() + 1)));
  if (!copy) return zk::kNoMemory;
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = 0;
  *out = copy;
  return zk::kOk;
}

// A stored time as local calendar fields; a time the conversion cannot
// take gives zeros.
zk::CalendarTime Calendar(uint32_t seconds) {
  zk::CalendarTime c{};
  time_t t = static_cast<time_t>(seconds);
  struct tm tm;
  if (localtime_r(&t, &tm)) c = {tm.tm_year, tm.tm_mon, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  return c;
}

// Replaces a kept interface by the one `source` answers (none for a null
// source); the same pointer again changes nothing.
template <class T>
void Keep(zk::IBase* source, const char* interfaceId, T** kept) {
  T* fresh = nullptr;
  if (source) {
    void* p = nullptr;
    if (source->QueryInterface(interfaceId, &p) == zk::kOk) fresh = static_cast<T*>(p);
  }
  if (fresh && fresh == *kept) {
    fresh->Release();
    return;
  }
  if (*kept) (*kept)->Release();
  *kept = fresh;
}

}  // namespace

StatusCode CopyWithProgress(zk::IFileStrem* source, zk::IStream* target, zk::IProgress* progress) {
  uint64_t total = 0;
  StatusCode st = source->GetSize(&total);
  if (st != zk::kOk) return st;
  // Every safe operation runs under Guard, which answers a failed allocation.
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[kPiece]);
  if (progress) progress->OnProgress(0);
  uint64_t done = 0;
  uint64_t last = 0;
  uint32_t used = 0;  // how much of the buffer ever held data
  while (source->IsEnd() == zk::kOk) {
    uint32_t got = 0;
    st = source->Read(buffer.get(), kPiece, &got);
    used = std::max(used, std::min(got, kPiece));
    if (st == zk::kOk && got > 0) st = target->Write(buffer.get(), got);
    if (st != zk::kOk || got == 0) break;
    done += got;
    if (progress && total > 0) {
      const uint64_t percent = std::min<uint64_t>(done * 100 / total, 100);
      if (percent > last) {
        last = percent;
        st = progress->OnProgress(static_cast<int32_t>(percent));
        if (st != zk::kOk) break;
      }
    }
  }
  // File data passed through this buffer.
  zk::Wipe(buffer.get(), used);
  if (st != zk::kOk) return st;
  if (progress) progress->OnProgress(100);
  return zk::kOk;
}

Safe::Safe() { root_.name = "\\"; }

Safe::~Safe() {
  if (!unsynced_.empty()) SyncFiles(unsynced_);
  zk::ReleaseAndNull(flows_);
  zk::ReleaseAndNull(fs_);
  zk::ReleaseAndNull(arc_);
  zk::ReleaseAndNull(provider_);
  zk::ReleaseAndNull(container_);
}

void Safe::UseFileSystem(zk::IFileSystem* fs) {
  if (fs) fs->AddRef();
  zk::ReleaseAndNull(fs_);
  fs_ = fs;
}

StatusCode Safe::Resolve(const char* path, Resolved& out, bool wantChain) {
  return ResolveFolder(root_, path, hasCurrent_ ? &current_ : nullptr, out, wantChain);
}

StatusCode Safe::FindFile(const char* path, Found& out) {
  SplitResult split = SplitPath(path);
  StatusCode st = Resolve(split.folder.c_str(), out.folder);
  if (st != zk::kOk) return st;
  out.index = FindFileIndex(*out.folder.node, split.name);
  return out.index < out.folder.node->files.size() ? zk::kOk : zk::kNotFound;
}

StatusCode Safe::MakeHelpers() {
  if (!fs_) {
    StatusCode st = CreateFace(zk::id::FosFileSys, zk::id::StreamIFileSystem, &fs_);
    if (st != zk::kOk) return st;
  }
  if (!arc_) {
    StatusCode st = CreateFace(zk::id::ArcLzpxj, zk::id::ArcIArc, &arc_);
    if (st != zk::kOk) return st;
  }
  return zk::kOk;
}

StatusCode Safe::StoredSize(const FileEntry& e, uint32_t* out) {
  *out = e.size;
  if (!(e.flags & kCompressed)) return zk::kOk;
  ZK_REQUIRE(flows_, zk::id::StreamIFlowControl);
  Held<zk::IFileStrem> flow;
  StatusCode st = flows_->OpenFlow(e.flow, &flow);
  if (st != zk::kOk) return st;
  if (!flow.p) return zk::kNoMemory;
  uint64_t size = 0;
  st = flow->GetSize(&size);
  if (st == zk::kOk) *out = static_cast<uint32_t>(size);
  return st;
}

StatusCode Safe::FillInfo(const FileEntry& e, zk::SafeFileInfo* info) {
  if (!info) return zk::kOk;
  uint32_t stored = 0;
  StatusCode st = StoredSize(e, &stored);
  if (st != zk::kOk) return st;
  info->size = e.size;
  info->storedSize = stored;
  info->flags = e.flags;
  info->created = Calendar(e.created);
  info->modified = Calendar(e.modified);
  return zk::kOk;
}

StatusCode Safe::Restore(const FileEntry& e, zk::IStream* target, zk::IProgress* progress) {
  ZK_REQUIRE(flows_, zk::id::StreamIFlowControl);
  Held<zk::IFileStrem> flow;
  StatusCode st = flows_->OpenFlow(e.flow, &flow);
  if (st != zk::kOk) return st;
  if (!flow.p) return zk::kNoMemory;
  if (e.flags & kCompressed) {
    ZK_REQUIRE(arc_, zk::id::ArcIArc);
    st = arc_->Init(0);
    if (st == zk::kOk) st = arc_->Decode(e.size, flow.p, target, progress);
    return st;
  }
  return CopyWithProgress(flow.p, target, progress);
}

void Safe::DropFlows(const FolderNode& node) {
  ZK_REQUIRE(flows_, zk::id::StreamIFlowControl);
  ForEachFile(node, [this](const FileEntry& e) {
    if (e.flow != 0) flows_->DeleteFlow(e.flow);
  });
}

// ---------------------------------------------------------------------------
// kiv.ISafe

StatusCode Safe::AddFile(const char* folderPath, const char* diskPath, uint32_t flags, zk::IProgress* progress) {
  return Guard([&]() -> StatusCode { return DoAddFile(folderPath, diskPath, flags, progress); });
}

StatusCode Safe::DoAddFile(const char* folderPath, const char* diskPath, uint32_t flags, zk::IProgress* progress) {
  Resolved folder;
  StatusCode st = Resolve(folderPath, folder);
  if (st != zk::kOk) return st;
  if (!diskPath) return zk::kInvalidArg;
  FileEntry entry;
  entry.name = DiskName(diskPath);
  if ((st = CheckNewName(entry.name.c_str())) != zk::kOk) return st;
  if (FindFileIndex(*folder.node, entry.name) < folder.node->files.size()) return zk::kAlreadyExists;
  ZK_REQUIRE(fs_, zk::id::StreamIFileSystem);
  ZK_REQUIRE(flows_, zk::id::StreamIFlowControl);
  if ((st = fs_->GetFileTimes(diskPath, &entry.created, &entry.modified)) != zk::kOk) return st;
  Held<zk::IFileStrem> file;
  if ((st = fs_->OpenFile(diskPath, 0x8000, &file)) != zk::kOk) return st;
  if (!file.p) return zk::kNoMemory;
  uint64_t size = 0;
  if ((st = file->GetSize(&size)) != zk::kOk) return st;
  if (size >= kMaxFileSize) return zk::kTooMuch;
  entry.size = static_cast<uint32_t>(size);
  entry.flags = flags;
  entry.flow = flows_->NextFlowNumber();
  {
    Held<zk::IFileStrem> flow;
    if ((st = flows_->CreateFlow(entry.flow, &flow)) != zk::kOk) return st;
    if (!flow.p) {
      st = zk::kNoMemory;
    } else if (flags & kCompressed) {
      ZK_REQUIRE(arc_, zk::id::ArcIArc);
      st = arc_->Init(0);
      if (st == zk::kOk) st = arc_->Encode(file.p, flow.p, progress, entry.size);
    } else {
      st = CopyWithProgress(file.p, flow.p, progress);
    }
  }
  // Room for the entry is made before the tree changes, so that the
  // insertion itself cannot fail.
  std::unique_ptr<FileEntry> node;
  if (st == zk::kOk) {
    st = Guard([&]() -> StatusCode {
      folder.node->files.reserve(folder.node->files.size() + 1);
      node = std::make_unique<FileEntry>(entry);
      return zk::kOk;
    });
  }
  if (st != zk::kOk) {
    // No flow is left behind that no entry names.
    flows_->DeleteFlow(entry.flow);
    return st;
  }
  InsertFile(*folder.node, std::move(node));
  return zk::kOk;
}

StatusCode Safe::CopyFile(const char* filePath, const char* newFilePath, zk::IProgress* progress) {
  return Guard([&]() -> StatusCode { return DoCopyFile(filePath, newFilePath, progress); });
}

StatusCode Safe::DoCopyFile(const char* filePath, const char* newFilePath, zk::IProgress* progress) {
  Found source;
  StatusCode st = FindFile(filePath, source);
  if (st != zk::kOk) return st;
  if (!newFilePath) return zk::kInvalidArg;
  SplitResult split = SplitPath(newFilePath);
  if ((st = CheckNewName(split.name.c_str())) != zk::kOk) return st;
  Resolved target;
  if ((st = Resolve(split.folder.c_str(), target)) != zk::kOk) return st;
  if (FindFileIndex(*target.node, split.name) < target.node->files.size()) return zk::kAlreadyExists;
  ZK_REQUIRE(flows_, zk::id::StreamIFlowControl);
  FileEntry copy = *source.entry();
  copy.name = std::move(split.name);
  {
    Held<zk::IFileStrem> from;
    if ((st = flows_->OpenFlow(copy.flow, &from)) != zk::kOk) return st;
    if (!from.p) return zk::kNoMemory;
    copy.flow = flows_->NextFlowNumber();
    Held<zk::IFileStrem> to;
    if ((st = flows_->CreateFlow(copy.flow, &to)) != zk::kOk) return st;
    st = to.p ? CopyWithProgress(from.p, to.p, progress) : zk::kNoMemory;
  }
  // Room for the entry is made before the tree changes, so that the
  // insertion itself cannot fail.
  std::unique_ptr<FileEntry> node;
  if (st == zk::kOk) {
    st = Guard([&]() -> StatusCode {
      target.node->files.reserve(target.node->files.size() + 1);
      node = std::make_unique<FileEntry>(copy);
      return zk::kOk;
    });
  }
  if (st != zk::kOk) {
    flows_->DeleteFlow(copy.flow);
    return st;
  }
  InsertFile(*target.node, std::move(node));
  return zk::kOk;
}

uint32_t Safe::GetFileCount(const char* folderPath) {
  Resolved folder;
  StatusCode st = Guard([&]() -> StatusCode { return Resolve(folderPath, folder); });
  return st == zk::kOk ? static_cast<uint32_t>(folder.node->files.size()) : 0;
}

uint32_t Safe::GetFolderCount(const char* folderPath) {
  Resolved folder;
  StatusCode st = Guard([&]() -> StatusCode { return Resolve(folderPath, folder); });
  return st == zk::kOk ? static_cast<uint32_t>(folder.node->subfolders.size()) : 0;
}

StatusCode Safe::CreateFolder(const char* parentPath, const char* name) {
  return Guard([&]() -> StatusCode {
    StatusCode st = CheckNewName(name);
    if (st != zk::kOk) return st;
    Resolved parent;
    if ((st = Resolve(parentPath, parent)) != zk::kOk) return st;
    if (FindFolderIndex(*parent.node, name) < parent.node->subfolders.size()) return zk::kAlreadyExists;
    if (parent.depth + 1 > kMaxDepth) return zk::kTooMuch;
    std::unique_ptr<FolderNode> node(new FolderNode);
    node->name = name;
    InsertFolder(*parent.node, std::move(node));
    return zk::kOk;
  });
}

StatusCode Safe::DeleteFile(const char* filePath) {
  return Guard([&]() -> StatusCode {
    Found found;
    StatusCode st = FindFile(filePath, found);
    if (st != zk::kOk) return st;
    ZK_REQUIRE(flows_, zk::id::StreamIFlowControl);
    const uint32_t flow = found.entry()->flow;
    // An entry that names no flow (or one the container does not hold)
    // has no data to lose: it goes all the same.
    if (flow != 0) {
      st = flows_->DeleteFlow(flow);
      if (st != zk::kOk && st != zk::kNotFound) return st;
    }
    auto& files = found.folder.node->files;
    files.erase(files.begin() + static_cast<std::ptrdiff_t>(found.index));
    return zk::kOk;
  });
}

StatusCode Safe::DeleteFolder(const char* folderPath) {
  return Guard([&]() -> StatusCode {
    if (!folderPath) return zk::kInvalidArg;
    Resolved folder;
    StatusCode st = Resolve(folderPath, folder);
    if (st != zk::kOk) return st;
    if (!folder.parent) return zk::kInvalidArg;
    DropFlows(*folder.node);
    auto& subs = folder.parent->subfolders;
    subs.erase(subs.begin() + static_cast<std::ptrdiff_t>(folder.index));
    return zk::kOk;
  });
}

StatusCode Safe::GetCurrentFolder(char** pathOut) {
  if (!pathOut) return zk::kInvalidArg;
  if (*pathOut) {
    zk_free(*pathOut);
    *pathOut = nullptr;
  }
  return hasCurrent_ ? PutString(pathOut, current_) : zk::kOk;
}

StatusCode Safe::GetFileAt(const char* folderPath, uint32_t index, char** nameOut, zk::SafeFileInfo* info) {
  return Guard([&]() -> StatusCode {
    Resolved folder;
    StatusCode st = Resolve(folderPath, folder);
    if (st != zk::kOk) return st;
    if (folder.node->files.empty() || index >= folder.node->files.size() || !nameOut) return zk::kInvalidArg;
    const FileEntry& e = *folder.node->files[index];
    if ((st = PutString(nameOut, e.name)) != zk::kOk) return st;
    return FillInfo(e, info);
  });
}

StatusCode Safe::GetFolderAt(const char* folderPath, uint32_t index, char** nameOut) {
  return Guard([&]() -> StatusCode {
    Resolved folder;
    StatusCode st = Resolve(folderPath, folder);
    if (st != zk::kOk) return st;
    auto& subs = folder.node->subfolders;
    if (subs.empty() || index >= subs.size() || !nameOut) return zk::kInvalidArg;
    return PutString(nameOut, subs[index]->name);
  });
}

StatusCode Safe::ExtractFile(const char* filePath, const char* diskPath, zk::IProgress* progress) {
  return Guard([&]() -> StatusCode { return DoExtractFile(filePath, diskPath, progress); });
}

StatusCode Safe::DoExtractFile(const char* filePath, const char* diskPath, zk::IProgress* progress) {
  if (!filePath) return zk::kInvalidArg;
  Found found;
  StatusCode st = FindFile(filePath, found);
  if (st != zk::kOk) return st;
  if (!diskPath) return zk::kInvalidArg;
  ZK_REQUIRE(fs_, zk::id::StreamIFileSystem);
  const FileEntry entry = *found.entry();
  // The data go to a new file beside the target, put in its place once
  // complete: a failure or a cancel leaves no half file under its name.
  // Only a file that replaces one is flushed before its rename, so that a
  // crash keeps the original; a new one is flushed with its batch.
  FileReplacement out(fs_);
  struct stat present;
  const bool fresh = lstat(diskPath, &present) != 0 && errno == ENOENT;
  if (fresh) out.FlushLater();
  st = out.Begin(diskPath);
  if (st != zk::kOk) return st;
  st = Restore(entry, out.stream(), progress);
  if (st == zk::kOk) st = out.Commit();
  if (st != zk::kOk) return st;
  out.Abandon();
  if (fresh) unsynced_.push_back(diskPath);
  return fs_->SetFileTimes(diskPath, entry.created, entry.modified);
}

StatusCode Safe::MoveFile(const char* filePath, const char* folderPath) {
  return Guard([&]() -> StatusCode {
    Found found;
    StatusCode st = FindFile(filePath, found);
    if (st != zk::kOk) return st;
    Resolved target;
    if ((st = Resolve(folderPath, target)) != zk::kOk) return st;
    auto& from = found.folder.node->files;
    if (FindFileIndex(*target.node, from[found.index]->name) < target.node->files.size()) {
      return zk::kAlreadyExists;
    }
    target.node->files.reserve(target.node->files.size() + 1);  // nothing moves when this fails
    std::unique_ptr<FileEntry> entry = std::move(from[found.index]);
    from.erase(from.begin() + static_cast<std::ptrdiff_t>(found.index));
    InsertFile(*target.node, std::move(entry));
    return zk::kOk;
  });
}

StatusCode Safe::MoveFolder(const char* folderPath, const char* targetPath) {
  return Guard([&]() -> StatusCode {
    if (!folderPath || !targetPath) return zk::kInvalidArg;
    Resolved target;
    StatusCode st = Resolve(targetPath, target, true);
    if (st != zk::kOk) return st;
    Resolved folder;
    if ((st = Resolve(folderPath, folder)) != zk::kOk) return st;
    if (target.node == folder.node) return zk::kInvalidArg;
    if (FindFolderIndex(*target.node, folder.node->name) < target.node->subfolders.size()) {
      return zk::kAlreadyExists;
    }
    if (!folder.parent) return zk::kInvalidArg;
    // Into one of its own descendants: the subtree would be cut off the tree.
    if (std::find(target.chain.begin(), target.chain.end(), folder.node) != target.chain.end()) {
      return zk::kInvalidArg;
    }
    if (target.depth + 1 + SubtreeHeight(*folder.node) > kMaxDepth) return zk::kTooMuch;
    target.node->subfolders.reserve(target.node->subfolders.size() + 1);
    auto& subs = folder.parent->subfolders;
    std::unique_ptr<FolderNode> node = std::move(subs[folder.index]);
    subs.erase(subs.begin() + static_cast<std::ptrdiff_t>(folder.index));
    InsertFolder(*target.node, std::move(node));
    return zk::kOk;
  });
}

StatusCode Safe::RenameFile(const char* filePath, const char* newName) {
  return Guard([&]() -> StatusCode {
    if (!newName) return zk::kInvalidArg;
    StatusCode st = CheckNewName(newName);
    if (st != zk::kOk) return st;
    Found found;
    if ((st = FindFile(filePath, found)) != zk::kOk) return st;
    auto& files = found.folder.node->files;
    if (FindFileIndex(*found.folder.node, newName) < files.size()) return zk::kAlreadyExists;
    std::string name(newName);
    std::unique_ptr<FileEntry> entry = std::move(files[found.index]);
    files.erase(files.begin() + static_cast<std::ptrdiff_t>(found.index));
    entry->name = std::move(name);
    InsertFile(*found.folder.node, std::move(entry));  // the array has room: nothing can fail
    return zk::kOk;
  });
}

StatusCode Safe::RenameFolder(const char* folderPath, const char* newName) {
  return Guard([&]() -> StatusCode {
    if (!newName) return zk::kInvalidArg;
    StatusCode st = CheckNewName(newName);
    if (st != zk::kOk) return st;
    Resolved folder;
    if ((st = Resolve(folderPath, folder)) != zk::kOk) return st;
    if (!folder.parent) return zk::kInvalidArg;
    auto& subs = folder.parent->subfolders;
    if (FindFolderIndex(*folder.parent, newName) < subs.size()) return zk::kAlreadyExists;
    std::string name(newName);
    std::unique_ptr<FolderNode> node = std::move(subs[folder.index]);
    subs.erase(subs.begin() + static_cast<std::ptrdiff_t>(folder.index));
    node->name = std::move(name);
    InsertFolder(*folder.parent, std::move(node));
    return zk::kOk;
  });
}

StatusCode Safe::Commit() {
  return Guard([&]() -> StatusCode {
    if (!unsynced_.empty()) {
      StatusCode synced = SyncFiles(unsynced_);
      unsynced_.clear();
      if (synced != zk::kOk) return synced;
    }
    ZK_REQUIRE(flows_, zk::id::StreamIFlowControl);
    StatusCode st = WriteCatalogue(flows_, root_);
    if (st == zk::kOk) st = flows_->Pack();
    if (st != zk::kOk) return st;
    ZK_REQUIRE(provider_, zk::id::KivIStreamProvider);
    return provider_->Save(container_, nullptr, nullptr, 0);
  });
}

StatusCode Safe::ChangeFolder(const char* path) {
  return Guard([&]() -> StatusCode { return DoChangeFolder(path); });
}

StatusCode Safe::DoChangeFolder(const char* path) {
  Resolved check;
  StatusCode st = Resolve(path, check);
  if (st != zk::kOk) return st;
  std::string next;
  if (!path || !*path || std::strcmp(path, "\\") == 0) {
    next = "\\";
  } else if (path[0] == '\\') {
    next = path;
  } else {
    next = hasCurrent_ && !current_.empty() ? current_ : std::string("\\");
    if (next.back() != '\\') next += '\\';
    next += path;
  }
  if ((st = ResolveFolder(root_, next.c_str(), nullptr, check)) != zk::kOk) return st;
  current_ = std::move(next);
  hasCurrent_ = true;
  return zk::kOk;
}

StatusCode Safe::FolderUp() {
  if (!hasCurrent_ || current_.empty() || current_ == "\\") return zk::kOk;
  // The last "\" before the final byte, so that a trailing one is skipped.
  size_t cut = current_.find_last_of('\\', current_.size() - 2);
  if (cut == std::string::npos || cut == 0) {
    current_.clear();
    hasCurrent_ = false;
  } else {
    current_.resize(cut);
  }
  return zk::kOk;
}

StatusCode Safe::GetFileInfo(const char* folderPath, const char* fileName, zk::SafeFileInfo* info) {
  return Guard([&]() -> StatusCode {
    if (!fileName) return zk::kInvalidArg;
    Resolved folder;
    StatusCode st = Resolve(folderPath, folder);
    if (st != zk::kOk) return st;
    size_t i = FindFileIndex(*folder.node, fileName);
    if (i == folder.node->files.size()) return zk::kNotFound;
    return FillInfo(*folder.node->files[i], info);
  });
}

StatusCode Safe::GetFolderStats(const char* folderPath, uint32_t* foldersOut, uint32_t* filesOut,
                                uint32_t* totalSizeOut, uint32_t* totalStoredOut) {
  return Guard([&]() -> StatusCode {
    uint32_t folders = 0, files = 0, size = 0, stored = 0;
    auto put = [&] {
      if (foldersOut) *foldersOut = folders;
      if (filesOut) *filesOut = files;
      if (totalSizeOut) *totalSizeOut = size;
      if (totalStoredOut) *totalStoredOut = stored;
    };
    put();
    Resolved folder;
    StatusCode st = Resolve(folderPath, folder);
    if (st != zk::kOk) return st;
    // The sums are 32-bit, as the record is, and wrap.
    struct Walk {
      Safe& safe;
      uint32_t &folders, &files, &size, &stored;
      void operator()(const FolderNode& node) {
        for (const auto& p : node.files) {
          const FileEntry& e = *p;
          ++files;
          size += e.size;
          uint32_t s = e.size;
          if ((e.flags & kCompressed) && e.flow != 0 && safe.StoredSize(e, &s) != zk::kOk) s = e.size;
          stored += s;
        }
        for (const auto& sub : node.subfolders) {
          ++folders;
          (*this)(*sub);
        }
      }
    };
    Walk{*this, folders, files, size, stored}(*folder.node);
    put();
    return zk::kOk;
  });
}

StatusCode Safe::ReadFile(const char* filePath, char** dataOut, zk::IProgress* progress) {
  return Guard([&]() -> StatusCode { return DoReadFile(filePath, dataOut, progress); });
}

StatusCode Safe::DoReadFile(const char* filePath, char** dataOut, zk::IProgress* progress) {
  if (!filePath || !dataOut) return zk::kInvalidArg;
  if (*dataOut) {
    zk_free(*dataOut);
    *dataOut = nullptr;
  }
  Found found;
  StatusCode st = FindFile(filePath, found);
  if (st != zk::kOk) return st;
  const FileEntry entry = *found.entry();
  Held<zk::IMemStream> mem;
  if ((st = CreateFace(zk::id::StorageMemStream, zk::id::StreamIMemStream, &mem)) != zk::kOk) return st;
  Held<zk::IFileStrem> stream;
  if ((st = mem->QueryInterface(zk::id::StreamIFileStrem, reinterpret_cast<void**>(&stream))) != zk::kOk) {
    return st;
  }
  st = Restore(entry, stream.p, progress);
  if (st == zk::kOk) st = stream->Seek(0, zk::kSeekEnd);
  if (st == zk::kOk) {
    const uint8_t zero = 0;
    st = stream->Write(&zero, 1);
  }
  uint32_t size = 0;
  void* block = mem->GetBuffer(&size);
  if (st != zk::kOk) {
    zk::Wipe(block, size);  // the part restored so far
    return st;
  }
  mem->SetBuffer(nullptr, 0, 0);
  *dataOut = static_cast<char*>(block);
  return zk::kOk;
}

// ---------------------------------------------------------------------------
// kiv.ISetProvider, kiv.ISafeCallback

StatusCode Safe::SetProvider(zk::IBase* source) {
  Keep(source, zk::id::KivIStreamProvider, &provider_);
  return zk::kOk;
}

StatusCode Safe::KeepSources(zk::IBase* flowControlSource, zk::IBase* containerStreamSource) {
  Keep(flowControlSource, zk::id::StreamIFlowControl, &flows_);
  Keep(containerStreamSource, zk::id::StreamIFileStrem, &container_);
  return zk::kOk;
}

StatusCode Safe::SaveCatalogue(zk::IBase* flowControlSource, zk::IBase* containerStreamSource) {
  return Guard([&]() -> StatusCode {
    KeepSources(flowControlSource, containerStreamSource);
    ZK_REQUIRE(flows_, zk::id::StreamIFlowControl);
    {
      Held<zk::IFileStrem> flow;
      StatusCode st = flows_->CreateFlow(1, &flow);
      if (st != zk::kOk) return st;
    }
    StatusCode st = MakeHelpers();
    if (st != zk::kOk) return st;
    root_ = FolderNode{};
    root_.name = "\\";
    current_.clear();
    hasCurrent_ = false;
    return WriteCatalogue(flows_, root_);
  });
}

StatusCode Safe::LoadCatalogue(zk::IBase* flowControlSource, zk::IBase* containerStreamSource) {
  return Guard([&]() -> StatusCode {
    KeepSources(flowControlSource, containerStreamSource);
    ZK_REQUIRE(flows_, zk::id::StreamIFlowControl);
    root_ = FolderNode{};
    current_.clear();
    hasCurrent_ = false;
    StatusCode st;
    {
      Held<zk::IFileStrem> flow;
      st = flows_->OpenFlow(1, &flow);
      if (st != zk::kOk) return st;
      if (!flow.p) return zk::kNoMemory;
      st = ReadCatalogue(flow.p, root_, flows_);
    }
    if (st == zk::kOk) st = MakeHelpers();
    return st;
  });
}

StatusCode MakeSafe(ISafe** out) {
  if (!out) return kInvalidArg;
  *out = Safe::Create();
  return *out ? kOk : kNoMemory;
}

}  // namespace zk::engine
