#include "UserRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>

namespace zk::engine {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

bool SamePath(std::string_view a, std::string_view b) {
  return a.size() == b.size() && Lower(a) == Lower(b);
}

// A path of non-empty names joined by single backslashes.
bool WellFormed(std::string_view path) {
  if (path.empty() || path.front() == '\\' || path.back() == '\\') return false;
  return path.find("\\\\") == std::string_view::npos;
}

std::string Escape(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '%': out += "%25"; break;
      case '\t': out += "%09"; break;
      case '\r': out += "%0D"; break;
      case '\n': out += "%0A"; break;
      default: out += c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
      out += char(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Makes every missing folder of path's parent.
void MakeParents(const std::string& file) {
  for (size_t at = file.find('/', 1); at != std::string::npos; at = file.find('/', at + 1))
    mkdir(file.substr(0, at).c_str(), 0700);
}

}  // namespace

std::string UserRegistry::DefaultFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home ? home : "") + "/.config";
  }
  return base + "/kivora/registry";
}

std::vector<UserRegistry::Key> UserRegistry::Load() const {
  std::vector<Key> keys;
  std::ifstream in(file_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0) continue;  // not a key line
    Key k;
    k.path = Unescape(std::string_view(line).substr(0, tab));
    std::string_view rest = std::string_view(line).substr(tab + 1);
    size_t tab2 = rest.find('\t');
    k.keyClass = Unescape(rest.substr(0, tab2));
    if (tab2 != std::string_view::npos && tab2 + 1 < rest.size() && rest[tab2 + 1] == '=') {
      k.hasValue = true;
      k.value = Unescape(rest.substr(tab2 + 2));
    }
    if (WellFormed(k.path) && !Find(keys, k.path)) keys.push_back(std::move(k));
  }
  return keys;
}

StatusCode UserRegistry::Store(const std::vector<Key>& keys) const {
  std::string text = "# Kivora's registry: key path, TAB, key class[, TAB, =default value]\n";
  for (const Key& k : keys) {
    text += Escape(k.path) + "\t" + Escape(k.keyClass);
    if (k.hasValue) text += "\t=" + Escape(k.value);
    text += "\n";
  }
  MakeParents(file_);
  std::string temp = file_ + ".new";
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return kWriteError;
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  bool ok = done == text.size() && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), file_.c_str()) != 0) {
    unlink(temp.c_str());
    return kWriteError;
  }
  return kOk;
}

UserRegistry::Key* UserRegistry::Find(std::vector<Key>& keys, std::string_view path) {
  for (Key& k : keys)
    if (SamePath(k.path, path)) return &k;
  return nullptr;
}

bool UserRegistry::KeyExists(std::string_view path) const {
  try {
    std::vector<Key> keys = Load();
    return Find(keys, path) != nullptr;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

StatusCode UserRegistry::QueryDefault(std::string_view path, std::string* value) const {
  try {
    std::vector<Key> keys = Load();
    Key* k = Find(keys, path);
    if (!k || !k->hasValue) return kNotFound;
    if (value) *value = k->value;
    return kOk;
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}

StatusCode UserRegistry::CreateKey(std::string_view path, std::string_view keyClass) {
  if (!WellFormed(path)) return kInvalidArg;
  try {
    std::vector<Key> keys = Load();
    bool changed = false;
    for (size_t at = path.find('\\'); ; at = path.find('\\', at + 1)) {
      std::string_view part = path.substr(0, at);
      if (!Find(keys, part)) {
        Key k;
        k.path = std::string(part);
        if (at == std::string_view::npos) k.keyClass = std::string(keyClass);
        keys.push_back(std::move(k));
        changed = true;
      }
      if (at == std::string_view::npos) break;
    }
    return changed ? Store(keys) : kOk;
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}

StatusCode UserRegistry::SetDefault(std::string_view path, std::string_view value) {
  try {
    std::vector<Key> keys = Load();
    Key* k = Find(keys, path);
    if (!k) return kNotFound;
    k->hasValue = true;
    k->value = std::string(value);
    return Store(keys);
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}

StatusCode UserRegistry::DeleteTree(std::string_view path) {
  try {
    std::vector<Key> keys = Load();
    std::string below = Lower(path) + "\\";
    size_t before = keys.size();
    std::erase_if(keys, [&](const Key& k) {
      return SamePath(k.path, path) || Lower(k.path).compare(0, below.size(), below) == 0;
    });
    if (keys.size() == before) return kNotFound;
    return Store(keys);
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
}

}  // namespace zk::engine
