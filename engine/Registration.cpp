// Registration of the .kvs file type with the desktop program and of the
// file-manager context-menu extension. The registry keys are the source of
// truth; the freedesktop files make the file type known to the desktop.
#include "Registration.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "Launcher.h"
#include "Platform.h"
#include "UserRegistry.h"
#include "kvSafeDriver.h"

namespace zk::engine {

namespace {

const char* const kHandlerKeys[] = {"*\\shellex\\ContextMenuHandlers\\Kivora",
                                    "folder\\shellex\\ContextMenuHandlers\\Kivora"};

void Log(const std::string& text) { zk_WriteToLog(text.c_str()); }

// Writes a whole file beside its place, then renames it over.
bool WriteWhole(const std::string& path, const std::string& text) {
  for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
    mkdir(path.substr(0, at).c_str(), 0755);
  std::string temp = path + ".new";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  ok = std::fflush(f) == 0 && fsync(fileno(f)) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

// Starts one of the system's desktop-database tools; a tool that is not
// installed is simply not run.
void RunTool(const std::string& commandLine) {
  StatusCode st = Launch(commandLine);
  if (st != kOk && st != kNotFound) Log("Could not start: " + commandLine);
}

void UpdateDatabases(const std::string& data) {
  RunTool("update-mime-database \"" + data + "/mime\"");
  RunTool("update-desktop-database \"" + data + "/applications\"");
}

// An argument of a desktop entry's Exec key: quoted, with the characters
// that quoting reserves escaped, then as a desktop-entry string value.
std::string ExecArgument(const std::string& path) {
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

StatusCode SetKey(UserRegistry& registry, const char* path, const std::string& value,
                  const char* keyClass = "") {
  StatusCode st = registry.CreateKey(path, keyClass);
  if (st == kOk) st = registry.SetDefault(path, value);
  return st;
}

}  // namespace

std::string DataHome() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return data;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.local/share";
}

std::string ShellExtCommandLine(bool unregister) {
  return std::string(unregister ? "regsvr32 -s -u" : "regsvr32 -s") + " \"" + ProgramFolder() +
         kShellExtLibrary + " \"";
}

std::string MimeInfoText() {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
             "  <mime-type type=\"") +
         kMimeType +
         "\">\n"
         "    <comment>Kivora secret</comment>\n"
         "    <glob pattern=\"*.kvs\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

std::string DesktopEntryText(const std::string& exePath) {
  return std::string(
             "[Desktop Entry]\n"
             "Type=Application\n"
             "Name=Kivora\n"
             "Comment=Keeps messages, files and folders secret\n"
             "Exec=") +
         ExecArgument(exePath) + " %f\n" + "MimeType=" + kMimeType + ";\n" + "Terminal=false\n";
}

StatusCode IsFileTypeRegistered() {
  try {
    std::string value;
    if (UserRegistry().QueryDefault(".kvs", &value) == kOk && value == kFileTypeName) return kOk;
    return kNegative;
  } catch (const std::bad_alloc&) {
    return kNegative;
  }
}

StatusCode RegisterFileType() {
  try {
    UserRegistry registry;
    std::string exe = ProgramPath();
    const std::string name = kFileTypeName;
    struct Entry {
      std::string key, value;
    } entries[] = {{".kvs", name},
                   {name, name},
                   {name + "\\DefaultIcon", exe + ", 0"},
                   {name + "\\Shell\\Open", "&Open"},
                   {name + "\\Shell\\Open\\Command", "\"" + exe + "\" \"%1\""}};
    for (const Entry& e : entries) {
      if (SetKey(registry, e.key.c_str(), e.value) != kOk) {
        Log("Could not register the file type: key " + e.key + " in " + registry.file());
        return kNotExecuted;
      }
    }
    std::string data = DataHome();
    if (!WriteWhole(data + "/" + kMimeFile, MimeInfoText()))
      Log("Could not write " + data + "/" + kMimeFile);
    if (!WriteWhole(data + "/" + kDesktopFile, DesktopEntryText(exe)))
      Log("Could not write " + data + "/" + kDesktopFile);
    UpdateDatabases(data);
    return kOk;
  } catch (const std::bad_alloc&) {
    return kNotExecuted;
  }
}

StatusCode UnregisterFileType() {
  try {
    UserRegistry registry;
    registry.DeleteTree(".kvs");
    registry.DeleteTree(kFileTypeName);
    std::string data = DataHome();
    for (const char* file : {kMimeFile, kDesktopFile}) {
      std::string path = data + "/" + file;
      if (std::remove(path.c_str()) != 0 && errno != ENOENT) Log("Could not delete " + path);
    }
    UpdateDatabases(data);
  } catch (const std::bad_alloc&) {
  }
  return kOk;
}

StatusCode IsShellExtRegistered() {
  try {
    return UserRegistry().KeyExists(kHandlerKeys[0]) ? kOk : kNegative;
  } catch (const std::bad_alloc&) {
    return kNegative;
  }
}

StatusCode RegisterShellExt() {
  try {
    UserRegistry registry;
    for (const char* key : kHandlerKeys)
      if (SetKey(registry, key, id::KivShellExtGuid, "Kivora") != kOk)
        Log(std::string("Could not create the key ") + key + " in " + registry.file());
    std::string library = ProgramFolder() + kShellExtLibrary;
    if (access(library.c_str(), F_OK) != 0) Log("The file-manager extension is missing: " + library);
    std::string command = ShellExtCommandLine(false);
    if (Launch(command) != kOk) Log("Could not start: " + command);
  } catch (const std::bad_alloc&) {
  }
  return kOk;
}

StatusCode UnregisterShellExt() {
  try {
    UserRegistry registry;
    for (const char* key : kHandlerKeys) registry.DeleteTree(key);
    std::string command = ShellExtCommandLine(true);
    if (Launch(command) != kOk) Log("Could not start: " + command);
  } catch (const std::bad_alloc&) {
  }
  return kOk;
}

}  // namespace zk::engine
