// The user's freedesktop data folder and the small files registration
// writes there (desktop entries, service menus, MIME packages).
#pragma once
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zk {

// $XDG_DATA_HOME (an absolute one only), else $HOME/.local/share; no
// trailing "/".
inline std::string DataHome() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return data;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.local/share";
}

// Writes a whole file beside its place (making missing folders), gives it
// mode, then renames it over; false on any failure (nothing half-written
// is left behind).
inline bool WriteFileWhole(const std::string& path, const std::string& text, mode_t mode = 0644) {
  for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
    mkdir(path.substr(0, at).c_str(), 0755);
  std::string temp = path + ".new";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fflush(f) == 0 && fchmod(fileno(f), mode) == 0 && fsync(fileno(f)) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

// An argument of a desktop entry's Exec key: quoted, with the characters
// that quoting reserves escaped, then as a desktop-entry string value.
inline std::string DesktopExecArgument(const std::string& path) {
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string out;
  for (char c : quoted) {
    if (c == '\\') out += "\\\\";
    else if (c == '%') out += "%%";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

}  // namespace zk
