// A small per-user key tree kept in one file: the registry that file-type
// and shell-menu registration write and read. Keys are paths of names
// joined by "\" (compared without regard to ASCII letter case); each key
// may hold a default value and a key class.
//
// File: one key a line, "path<TAB>class" or "path<TAB>class<TAB>=value",
// with "%", TAB, CR and LF written as %25, %09, %0D and %0A. Every change
// rewrites the whole file beside it and renames it over the old one.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "zk5Status.h"

namespace zk::engine {

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
  // Deletes the key with every key below it (-6 when it is missing).
  StatusCode DeleteTree(std::string_view path);

  const std::string& file() const { return file_; }

 private:
  struct Key {
    std::string path;
    std::string keyClass;
    bool hasValue = false;
    std::string value;
  };
  std::vector<Key> Load() const;
  StatusCode Store(const std::vector<Key>& keys) const;
  static Key* Find(std::vector<Key>& keys, std::string_view path);

  std::string file_;
};

}  // namespace zk::engine
