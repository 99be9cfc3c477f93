// A small per-user key tree kept in one file: the registry that file-type
// and shell-menu registration write and read (the engine and the
// file-manager extension). Keys are paths of names joined by "\"
// (compared without regard to ASCII letter case); each key has a key class
// and may hold a default value and named values (names compared the same
// way).
//
// File: one key a line, "path<TAB>class", then for each value a TAB and
// "name=value" (the default value has the empty name, so "=value"), with
// "%", TAB, CR, LF and, in names, "=" written as %25, %09, %0D, %0A, %3D.
// Every change rewrites the whole file beside it and renames it over the
// old one.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "zk5Status.h"

namespace zk {

class UserRegistry {
 public:
  // $XDG_CONFIG_HOME/kivora/registry (an absolute XDG_CONFIG_HOME only),
  // else $HOME/.config/kivora/registry.
  static std::string DefaultFile();

  explicit UserRegistry(std::string file = DefaultFile()) : file_(std::move(file)) {}

  bool KeyExists(std::string_view path) const;
  // 0 with the value; -6 when the key is missing or holds no value.
  StatusCode QueryDefault(std::string_view path, std::string* value) const;
  // Creates the key and its missing parents (a new key gets keyClass);
  // an existing key stays as it is. -2 for a malformed path, -105 when
  // the file cannot be written.
  StatusCode CreateKey(std::string_view path, std::string_view keyClass);
  // Sets the default value of an existing key (-6 when it is missing).
  StatusCode SetDefault(std::string_view path, std::string_view value);
  // A named value (the empty name is the default value): the same results.
  StatusCode QueryValue(std::string_view path, std::string_view name, std::string* value) const;
  StatusCode SetValue(std::string_view path, std::string_view name, std::string_view value);
  // Deletes the key with every key below it (-6 when it is missing).
  StatusCode DeleteTree(std::string_view path);

  const std::string& file() const { return file_; }

 private:
  struct Key {
    std::string path;
    std::string keyClass;
    std::vector<std::pair<std::string, std::string>> values;  // {name, value}
  };
  std::vector<Key> Load() const;
  StatusCode Store(const std::vector<Key>& keys) const;
  static Key* Find(std::vector<Key>& keys, std::string_view path);
  static std::string* FindValue(Key& key, std::string_view name);

  std::string file_;
};

}  // namespace zk
