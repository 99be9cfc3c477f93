// A safe loaded from arbitrary catalogue bytes in flow 1: LoadCatalogue
// gives a status code or a tree on which every operation that follows
// runs without a crash, a hang or a leak; whatever the safe commits loads
// back as the same tree.
//
// Input: u16 length n of the catalogue, n catalogue bytes, then a script:
// each byte picks an operation, the bytes after it its arguments. Flows
// 2 to 5 hold a few bytes of the input too, so entries that name them
// have data to restore. Files are added from an in-memory file system:
// the real folder is not what is fuzzed here, and nothing is left on disk.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "Safe.h"
#include "kvSafeDriver.h"

namespace {

zk::IFileStrem* NewMem() { return zkfuzz::MustCreate<zk::IFileStrem>(zk::id::StorageMemStream, zk::id::StreamIFileStrem); }

// The one disk file the script adds, held in memory.
constexpr char kDiskName[] = "disk/small.txt";
constexpr char kDiskText[] = "a small disk file for the safe";

class MemFs final : public zk::ToolkitObject<MemFs, zk::IFileSystem> {
 public:
  static constexpr const char* kClassId = "fuzz.MemFs";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::StreamIFileSystem, 0}};
  StatusCode OpenFile(const char* path, int32_t, zk::IFileStrem** out) override {
    *out = nullptr;
    if (!path || std::strcmp(path, kDiskName) != 0) return zk::kCannotOpen;
    zk::IFileStrem* s = NewMem();
    if (s->Write(kDiskText, sizeof kDiskText - 1) != 0 || s->Seek(0, 0) != 0) std::abort();
    *out = s;
    return 0;
  }
  StatusCode GetFileTimes(const char* path, uint32_t* created, uint32_t* modified) override {
    if (!path || std::strcmp(path, kDiskName) != 0) return zk::kInvalidArg;
    if (created) *created = 1000000000;
    if (modified) *modified = 1000000001;
    return 0;
  }
  StatusCode GetFileSize(const char* path, uint64_t* size) override {
    if (!path || std::strcmp(path, kDiskName) != 0) return zk::kInvalidArg;
    *size = sizeof kDiskText - 1;
    return 0;
  }
  StatusCode MakeDir(const char*) override { return zk::kNotImplemented; }
  StatusCode CreateFile(const char*, int32_t, int32_t, zk::IFileStrem** out) override {
    *out = nullptr;
    return zk::kNotImplemented;
  }
  StatusCode RemoveDirTree(const char*) override { return zk::kNotImplemented; }
  StatusCode DeleteFile(const char*) override { return zk::kNotImplemented; }
  StatusCode SetFindMask(const char*) override { return zk::kNotImplemented; }
  StatusCode FindNextFile(char**, zk::FindRecord*) override { return zk::kNotImplemented; }
  StatusCode FindNextDir(char**) override { return zk::kNotImplemented; }
  StatusCode GetCurrentDir(char**) override { return zk::kNotImplemented; }
  StatusCode MakeTempName(char**) override { return zk::kNotImplemented; }
  StatusCode ChangeDir(const char*) override { return zk::kNotImplemented; }
  StatusCode GetDiskFree(uint64_t*) override { return zk::kNotImplemented; }
  StatusCode SetFileTimes(const char*, uint32_t, uint32_t) override { return zk::kNotImplemented; }
};

MemFs* g_fs = nullptr;

// Keeps the container the safe commits.
class Keeper final : public zk::ToolkitObject<Keeper, zk::IStreamProvider> {
 public:
  static constexpr const char* kClassId = "fuzz.Keeper";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::KivIStreamProvider, 0}};
  StatusCode CreateStream(int32_t, zk::IFileStrem** out) override {
    *out = NewMem();
    return 0;
  }
  StatusCode Save(zk::IFileStrem* content, zk::IProgress*, const void*, uint32_t) override {
    uint64_t size = 0;
    content->GetSize(&size);
    content->Seek(0, 0);
    stored.assign(size, 0);
    uint32_t got = 0;
    if (size) content->Read(stored.data(), uint32_t(size), &got);
    if (got != size) std::abort();
    return 0;
  }
  StatusCode Load(zk::IFileStrem*, uint64_t, zk::IProgress*) override { return zk::kNotImplemented; }
  StatusCode GetContentSize(uint32_t*) override { return zk::kNotImplemented; }
  std::vector<uint8_t> stored;
};

struct Opened {
  zk::engine::Safe* safe = nullptr;
  zk::IFlowControl* flows = nullptr;
  zk::IFileStrem* container = nullptr;
  zk::IFileStrem* work = nullptr;
  ~Opened() {
    if (safe) safe->Release();
    if (flows) flows->Release();
    if (container) container->Release();
    if (work) work->Release();
  }
};

void Init(Opened& o) {
  o.container = NewMem();
  o.work = NewMem();
  o.flows = zkfuzz::MustCreate<zk::IFlowControl>(zk::id::StorageDynFlowCtrl, zk::id::StreamIFlowControl);
  o.safe = zk::engine::Safe::Create();
  if (!o.safe) std::abort();
  o.safe->UseFileSystem(g_fs);
}

// Every name and number of the tree, as one text.
void List(zk::ISafe* s, const std::string& path, std::string& out, int depth) {
  if (depth > 2000) std::abort();
  const char* p = path.empty() ? "\\" : path.c_str();
  uint32_t files = s->GetFileCount(p);
  for (uint32_t i = 0; i < files; ++i) {
    char* name = nullptr;
    zk::SafeFileInfo info{};
    if (s->GetFileAt(p, i, &name, nullptr) != 0 || !name) std::abort();
    out += "f:" + std::string(name) + ";";
    zk_free(name);
    (void)info;
  }
  uint32_t folders = s->GetFolderCount(p);
  for (uint32_t i = 0; i < folders; ++i) {
    char* name = nullptr;
    if (s->GetFolderAt(p, i, &name) != 0 || !name) std::abort();
    std::string n = name;
    zk_free(name);
    out += "d:" + n + "{";
    List(s, path + "\\" + n, out, depth + 1);
    out += "}";
  }
}

class Script {
 public:
  Script(const uint8_t* p, size_t n) : p_(p), n_(n) {}
  bool More() const { return i_ < n_; }
  uint8_t Byte() { return i_ < n_ ? p_[i_++] : 0; }

 private:
  const uint8_t* p_;
  size_t n_;
  size_t i_ = 0;
};

// A folder path reached by walking down by the script's choices.
std::string PickFolder(zk::ISafe* s, Script& sc) {
  std::string path;
  for (int depth = 0; depth < 8; ++depth) {
    uint8_t b = sc.Byte();
    uint32_t count = s->GetFolderCount(path.empty() ? "\\" : path.c_str());
    if (count == 0 || b < 64) break;
    char* name = nullptr;
    if (s->GetFolderAt(path.empty() ? "\\" : path.c_str(), b % count, &name) != 0) std::abort();
    path += "\\" + std::string(name);
    zk_free(name);
  }
  return path.empty() ? "\\" : path;
}

std::string PickFile(zk::ISafe* s, Script& sc) {
  std::string folder = PickFolder(s, sc);
  uint32_t count = s->GetFileCount(folder.c_str());
  if (count == 0) return folder + "\\none";
  char* name = nullptr;
  if (s->GetFileAt(folder.c_str(), sc.Byte() % count, &name, nullptr) != 0) std::abort();
  std::string path = (folder == "\\" ? "" : folder) + "\\" + name;
  zk_free(name);
  return path;
}

std::string PickName(Script& sc) {
  static const char* names[] = {"a", "A", "_b", "..", ".", "", "x\\y", "x/y", "Docs", "docs"};
  uint8_t b = sc.Byte();
  if (b < 200) return names[b % std::size(names)];
  std::string n;
  for (uint8_t k = sc.Byte() % 6; k > 0; --k) n += char(sc.Byte());
  return n;
}


}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) std::abort();
  path[n] = 0;
  std::string dir(path);
  dir.resize(dir.rfind('/'));
  for (const char* lib : {"zk5storage.so", "zk5arc.so"}) {
    if (!dlopen((dir + "/" + lib).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) std::abort();
  }
  g_fs = MemFs::Create();
  if (!g_fs) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1 << 20)) return 0;
  size_t catLen = std::min<size_t>(data[0] | (data[1] << 8), size - 2);
  const uint8_t* cat = data + 2;
  Script sc(cat + catLen, size - 2 - catLen);

  Opened o;
  Init(o);
  if (o.flows->Create(o.container, o.work, 0, 0, 1) != 0) std::abort();
  for (uint32_t flow = 1; flow <= 5; ++flow) {
    zk::IFileStrem* s = nullptr;
    if (o.flows->CreateFlow(flow, &s) != 0 || !s) std::abort();
    if (flow == 1) {
      if (catLen) s->Write(cat, uint32_t(catLen));
    } else {
      uint8_t bytes[16];
      uint8_t n = sc.Byte() % 17;
      for (uint8_t i = 0; i < n; ++i) bytes[i] = sc.Byte();
      s->Write(bytes, n);
    }
    s->Release();
  }
  Keeper* keeper = Keeper::Create();
  StatusCode st = o.safe->LoadCatalogue(o.flows, o.container);
  o.safe->SetProvider(keeper);
  if (st != 0) {
    keeper->Release();
    return 0;
  }
  zk::ISafe* s = o.safe;
  // A commit packs and reloads the whole container: a few per input are
  // enough to check what the operations before them did.
  int commits = 0;
  for (int ops = 0; sc.More() && ops < 64; ++ops) {
    switch (sc.Byte() % 16) {
      case 0: {
        std::string listing;
        List(s, "", listing, 0);
        break;
      }
      case 1: {
        char* bytes = nullptr;
        if (s->ReadFile(PickFile(s, sc).c_str(), &bytes, nullptr) == 0 && !bytes) std::abort();
        zk_free(bytes);
        break;
      }
      case 2: {
        std::string from = PickFile(s, sc);
        s->CopyFile(from.c_str(), (PickFolder(s, sc) + "\\" + PickName(sc)).c_str(), nullptr);
        break;
      }
      case 3: {
        std::string from = PickFile(s, sc);
        s->MoveFile(from.c_str(), PickFolder(s, sc).c_str());
        break;
      }
      case 4: {
        std::string from = PickFolder(s, sc);
        s->MoveFolder(from.c_str(), PickFolder(s, sc).c_str());
        break;
      }
      case 5: s->RenameFile(PickFile(s, sc).c_str(), PickName(sc).c_str()); break;
      case 6: s->RenameFolder(PickFolder(s, sc).c_str(), PickName(sc).c_str()); break;
      case 7: s->DeleteFile(PickFile(s, sc).c_str()); break;
      case 8: s->DeleteFolder(PickFolder(s, sc).c_str()); break;
      case 9: s->CreateFolder(PickFolder(s, sc).c_str(), PickName(sc).c_str()); break;
      case 10: s->AddFile(PickFolder(s, sc).c_str(), kDiskName, sc.Byte() & 1, nullptr); break;
      case 11: s->ChangeFolder(PickFolder(s, sc).c_str() + (sc.Byte() & 1)); break;
      case 12: s->FolderUp(); break;
      case 13: {
        uint32_t a, b, c, d;
        s->GetFolderStats(PickFolder(s, sc).c_str(), &a, &b, &c, &d);
        zk::SafeFileInfo info;
        std::string f = PickFile(s, sc);
        char* name = nullptr;
        s->GetFileAt(nullptr, sc.Byte(), &name, &info);
        zk_free(name);
        (void)f;
        break;
      }
      default: {
        // What the safe commits loads back as the same tree.
        if (++commits > 3 || s->Commit() != 0) break;
        std::string before, after;
        List(s, "", before, 0);
        Opened again;
        Init(again);
        again.container->Write(keeper->stored.data(), uint32_t(keeper->stored.size()));
        again.container->Seek(0, 0);
        if (again.flows->Open(again.container, again.work, 0, 0) != 0) std::abort();
        if (again.safe->LoadCatalogue(again.flows, again.container) != 0) std::abort();
        List(again.safe, "", after, 0);
        if (before != after) std::abort();
        break;
      }
    }
  }
  keeper->Release();
  return 0;
}
