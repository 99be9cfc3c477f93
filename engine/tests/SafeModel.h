// A model test of a safe: random operations applied to the safe (through
// kiv.ISafe only) and to a plain tree in memory, the two compared after
// every commit and every reopen.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/SafeTestSupport.h"

namespace enginetest {

// What the model test needs of a safe's medium.
struct SafeMedium {
  virtual ~SafeMedium() = default;
  virtual zk::ISafe* safe() = 0;
  // Commits, drops the safe and opens it again from what was stored.
  virtual void Reopen() = 0;
  // Flows the container holds (0 when the medium cannot tell).
  virtual size_t FlowCount() { return 0; }
};

class SafeModel {
 public:
  struct File {
    std::string name;
    std::vector<uint8_t> data;
    uint32_t flags = 0;
  };
  struct Folder {
    std::string name;
    std::map<std::string, File> files;                       // by folded name
    std::map<std::string, std::unique_ptr<Folder>> folders;  // by folded name
  };

  // small: disk files of at most 2 KiB, for media of little capacity.
  SafeModel(SafeMedium& medium, const std::string& diskDir, uint32_t seed, bool small = false)
      : medium_(medium), dir_(diskDir), rng_(seed) {
    root_.name = "\\";
    // Disk files whose names collide by case, sort around "_", and hold
    // empty, random and compressible bytes.
    const char* names[] = {"a", "A", "b_", "_c", "Dd", "dd", "e.txt", "F"};
    for (size_t i = 0; i < std::size(names); ++i) {
      std::vector<uint8_t> bytes;
      if (i % 4 == 1) {
        bytes = Pattern(rng_() % 9000, uint32_t(i));
      } else if (i % 4 == 2) {
        for (uint32_t k = 0, n = rng_() % 3000; k < n; ++k) bytes.push_back(uint8_t("safe text "[k % 10]));
      } else if (i % 4 == 3) {
        bytes = Pattern(rng_() % 70000 + 65536, uint32_t(i) + 40);
      }
      if (small && bytes.size() > 2048) bytes.resize(2048);
      const std::string path = diskDir + "/" + names[i];
      WriteDiskFile(path, bytes, 1600000000 + uint32_t(i));
      disk_.push_back({names[i], bytes, 0});
    }
  }

  static std::string Fold(const std::string& s) {
    std::string f = s;
    for (char& c : f) {
      if (c >= 'A' && c <= 'Z') c = char(c + 32);
    }
    return f;
  }

  void Run(int operations) {
    for (int i = 0; i < operations && !::testing::Test::HasFatalFailure(); ++i) {
      Step(i);
    }
    medium_.Reopen();
    full_ = true;
    Compare("end");
  }

 private:
  struct Place {
    std::string path;
    Folder* folder;
    Folder* parent;
  };

  zk::ISafe* s() { return medium_.safe(); }

  void Folders(Folder& f, const std::string& path, Folder* parent, std::vector<Place>& out) {
    out.push_back({path, &f, parent});
    for (auto& [k, sub] : f.folders) Folders(*sub, path + "\\" + sub->name, &f, out);
  }
  Place RandomFolder() {
    std::vector<Place> all;
    Folders(root_, "", nullptr, all);
    return all[rng_() % all.size()];
  }
  static std::string FolderPath(const Place& p) { return p.path.empty() ? "\\" : p.path; }
  std::string RandomName() {
    static const char* names[] = {"a", "A", "b_", "_c", "Dd", "dd", "x", "X y", "long name of a folder"};
    return names[rng_() % std::size(names)];
  }
  bool Within(const Folder& outer, const Folder* inner) {
    if (&outer == inner) return true;
    for (auto& [k, sub] : outer.folders) {
      if (Within(*sub, inner)) return true;
    }
    return false;
  }
  size_t FileCount(const Folder& f) {
    size_t n = f.files.size();
    for (auto& [k, sub] : f.folders) n += FileCount(*sub);
    return n;
  }
  // A folder holding a file, and one of its files' folded names.
  bool RandomFile(Place& place, std::string& key) {
    std::vector<Place> all;
    Folders(root_, "", nullptr, all);
    std::vector<Place> with;
    for (auto& p : all) {
      if (!p.folder->files.empty()) with.push_back(p);
    }
    if (with.empty()) return false;
    place = with[rng_() % with.size()];
    auto it = place.folder->files.begin();
    std::advance(it, rng_() % place.folder->files.size());
    key = it->first;
    return true;
  }

  void Expect(StatusCode got, StatusCode want, int i, const std::string& what) {
    ASSERT_EQ(got, want) << "operation " << i << ": " << what;
  }

  void Step(int i) {
    const unsigned kind = rng_() % 20;
    Place a, b;
    std::string key;
    switch (kind) {
      case 0: case 1: case 2: case 3: {  // add
        a = RandomFolder();
        const File& d = disk_[rng_() % disk_.size()];
        const uint32_t flags = (rng_() % 2) | ((rng_() % 2) << 4);
        const bool exists = a.folder->files.count(Fold(d.name)) > 0;
        Expect(s()->AddFile(FolderPath(a).c_str(), (dir_ + "/" + d.name).c_str(), flags, nullptr),
               exists ? zk::kAlreadyExists : 0, i, "add " + d.name + " to " + FolderPath(a));
        if (!exists) a.folder->files[Fold(d.name)] = {d.name, d.data, flags};
        break;
      }
      case 4: case 5: {  // create folder
        a = RandomFolder();
        const std::string name = RandomName();
        const bool exists = a.folder->folders.count(Fold(name)) > 0;
        Expect(s()->CreateFolder(FolderPath(a).c_str(), name.c_str()), exists ? zk::kAlreadyExists : 0, i,
               "create " + name + " in " + FolderPath(a));
        if (!exists) {
          auto f = std::make_unique<Folder>();
          f->name = name;
          a.folder->folders[Fold(name)] = std::move(f);
        }
        break;
      }
      case 6: case 7: {  // copy
        if (!RandomFile(a, key)) break;
        b = RandomFolder();
        const std::string name = RandomName();
        const bool exists = b.folder->files.count(Fold(name)) > 0;
        const std::string from = a.path + "\\" + a.folder->files[key].name;
        Expect(s()->CopyFile(from.c_str(), (b.path + "\\" + name).c_str(), nullptr), exists ? zk::kAlreadyExists : 0,
               i, "copy " + from);
        if (!exists) {
          File copy = a.folder->files[key];
          copy.name = name;
          b.folder->files[Fold(name)] = std::move(copy);
        }
        break;
      }
      case 8: {  // move file
        if (!RandomFile(a, key)) break;
        b = RandomFolder();
        const bool exists = b.folder->files.count(key) > 0;
        const std::string from = a.path + "\\" + a.folder->files[key].name;
        Expect(s()->MoveFile(from.c_str(), FolderPath(b).c_str()), exists ? zk::kAlreadyExists : 0, i,
               "move " + from + " to " + FolderPath(b));
        if (!exists) {
          b.folder->files[key] = std::move(a.folder->files[key]);
          a.folder->files.erase(key);
        }
        break;
      }
      case 9: {  // move folder
        a = RandomFolder();
        b = RandomFolder();
        StatusCode want = 0;
        if (a.folder == b.folder) want = zk::kInvalidArg;
        else if (b.folder->folders.count(Fold(a.folder->name))) want = zk::kAlreadyExists;
        else if (!a.parent) want = zk::kInvalidArg;
        else if (Within(*a.folder, b.folder)) want = zk::kInvalidArg;
        Expect(s()->MoveFolder(FolderPath(a).c_str(), (FolderPath(b) + (rng_() % 2 ? "\\" : "")).c_str()), want, i,
               "move folder " + FolderPath(a) + " to " + FolderPath(b));
        if (want == 0) {
          const std::string k = Fold(a.folder->name);
          b.folder->folders[k] = std::move(a.parent->folders[k]);
          a.parent->folders.erase(k);
        }
        break;
      }
      case 10: case 11: {  // rename file
        if (!RandomFile(a, key)) break;
        const std::string name = RandomName();
        const bool exists = a.folder->files.count(Fold(name)) > 0;
        const std::string from = a.path + "\\" + a.folder->files[key].name;
        Expect(s()->RenameFile(from.c_str(), name.c_str()), exists ? zk::kAlreadyExists : 0, i,
               "rename " + from + " to " + name);
        if (!exists) {
          File f = std::move(a.folder->files[key]);
          a.folder->files.erase(key);
          f.name = name;
          a.folder->files[Fold(name)] = std::move(f);
        }
        break;
      }
      case 12: {  // rename folder
        a = RandomFolder();
        const std::string name = RandomName();
        StatusCode want = 0;
        if (!a.parent) want = zk::kInvalidArg;
        else if (a.parent->folders.count(Fold(name))) want = zk::kAlreadyExists;
        Expect(s()->RenameFolder(FolderPath(a).c_str(), name.c_str()), want, i, "rename folder " + FolderPath(a));
        if (want == 0) {
          const std::string k = Fold(a.folder->name);
          auto node = std::move(a.parent->folders[k]);
          a.parent->folders.erase(k);
          node->name = name;
          a.parent->folders[Fold(name)] = std::move(node);
        }
        break;
      }
      case 13: case 14: {  // delete file
        if (!RandomFile(a, key)) break;
        const std::string path = a.path + "\\" + a.folder->files[key].name;
        Expect(s()->DeleteFile(path.c_str()), 0, i, "delete " + path);
        a.folder->files.erase(key);
        break;
      }
      case 15: {  // delete folder
        a = RandomFolder();
        // Whole subtrees go rarely, so the tree grows.
        if (a.parent && FileCount(*a.folder) > 3 && rng_() % 3) break;
        Expect(s()->DeleteFolder(FolderPath(a).c_str()), a.parent ? 0 : zk::kInvalidArg, i,
               "delete folder " + FolderPath(a));
        if (a.parent) a.parent->folders.erase(Fold(a.folder->name));
        break;
      }
      case 16: case 17: {  // missing paths
        Expect(s()->DeleteFile("\\no such folder\\x"), zk::kNotFound, i, "delete in a missing folder");
        Expect(s()->CreateFolder("\\no such folder", "x"), zk::kNotFound, i, "create in a missing folder");
        break;
      }
      case 18: {
        ASSERT_EQ(s()->Commit(), 0) << "operation " << i;
        Compare("commit at " + std::to_string(i));
        break;
      }
      case 19: {
        if (rng_() % 4) break;
        medium_.Reopen();
        full_ = true;
        Compare("reopen at " + std::to_string(i));
        full_ = false;
        break;
      }
    }
  }

  void CompareFolder(const Folder& f, const std::string& path, const std::string& when) {
    const std::string p = path.empty() ? "\\" : path;
    ASSERT_EQ(s()->GetFileCount(p.c_str()), f.files.size()) << when << " " << p;
    uint32_t i = 0;
    for (const auto& [k, file] : f.files) {
      char* name = nullptr;
      zk::SafeFileInfo info{};
      ASSERT_EQ(s()->GetFileAt(p.c_str(), i++, &name, &info), 0) << when;
      EXPECT_EQ(zktest::TakeString(name), file.name) << when << " " << p;
      EXPECT_EQ(info.size, file.data.size()) << when;
      EXPECT_EQ(info.flags, file.flags) << when;
      // Compressed data are restored after every reopen; after a commit
      // only the plain ones (restoring is what takes the time).
      if ((file.flags & 1) && !full_) continue;
      char* data = nullptr;
      ASSERT_EQ(s()->ReadFile((path + "\\" + file.name).c_str(), &data, nullptr), 0) << when;
      EXPECT_TRUE(file.data.empty() || std::memcmp(file.data.data(), data, file.data.size()) == 0)
          << when << " " << path << "\\" << file.name << " flags " << file.flags << " size " << file.data.size();
      zk_free(data);
    }
    ASSERT_EQ(s()->GetFolderCount(p.c_str()), f.folders.size()) << when << " " << p;
    i = 0;
    for (const auto& [k, sub] : f.folders) {
      char* name = nullptr;
      ASSERT_EQ(s()->GetFolderAt(p.c_str(), i++, &name), 0);
      ASSERT_EQ(zktest::TakeString(name), sub->name) << when;
      CompareFolder(*sub, path + "\\" + sub->name, when);
    }
  }

  void Compare(const std::string& when) {
    CompareFolder(root_, "", when);
    const size_t flows = medium_.FlowCount();
    if (flows) {
      EXPECT_EQ(flows, FileCount(root_) + 1) << when << ": a flow that no entry names, or one missing";
    }
    ++compares_;
  }

 public:
  int compares_ = 0;
  bool full_ = false;

 private:
  SafeMedium& medium_;
  std::string dir_;
  std::mt19937 rng_;
  Folder root_;
  std::vector<File> disk_;
};

}  // namespace enginetest
