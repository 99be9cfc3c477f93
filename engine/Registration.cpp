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

#include "DesktopFiles.h"
#include "Launcher.h"
#include "Platform.h"
#include "UserRegistry.h"
#include "kvSafeDriver.h"

namespace zk::engine {

namespace {

const char* const kHandlerKeys[] = {"*\\shellex\\ContextMenuHandlers\\Kivora",
                                    "folder\\shellex\\ContextMenuHandlers\\Kivora"};

void Log(const std::string& text) { zk_WriteToLog(text.c_str()); }

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

StatusCode SetKey(UserRegistry& registry, const char* path, const std::string& value,
                  const char* keyClass = "") {
  StatusCode st = registry.CreateKey(path, keyClass);
  if (st == kOk) st = registry.SetDefault(path, value);
  return st;
}

}  // namespace

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
         DesktopExecArgument(exePath) + " %f\n" + "MimeType=" + kMimeType + ";\n" + "Terminal=false\n" +
         "Icon=" + exePath.substr(0, exePath.rfind('/') + 1) + "kivora.png\n";
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
    if (!WriteFileWhole(data + "/" + kMimeFile, MimeInfoText()))
      Log("Could not write " + data + "/" + kMimeFile);
    if (!WriteFileWhole(data + "/" + kDesktopFile, DesktopEntryText(exe)))
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
