#include "Registrar.h"

#include <cerrno>
#include <cstdio>
#include <new>

#include "DesktopFiles.h"
#include "ShellExt.h"
#include "UserRegistry.h"

namespace kiv::shellext {

namespace {

using namespace com;

const char* const kHandlerKeys[] = {"*\\shellex\\ContextMenuHandlers\\Kivora",
                                    "folder\\shellex\\ContextMenuHandlers\\Kivora"};

// The helper's argument for each verb, and the action file's id.
const char* const kVerbWords[] = {"add", "put", "wipe"};
const char* const kActionIds[] = {"kivora-add", "kivora-put", "kivora-wipe"};

std::string ExecLine(int verb, const std::string& helperPath) {
  return "Exec=" + zk::DesktopExecArgument(helperPath) + " " + kVerbWords[verb] + " %F\n";
}

// Creates the key (with its class) and sets its default value.
bool SetKey(zk::UserRegistry& registry, const std::string& path, const std::string& value,
            const char* keyClass = "") {
  return registry.CreateKey(path, keyClass) == zk::kOk && registry.SetDefault(path, value) == zk::kOk;
}

}  // namespace

std::string ServiceMenuText(const std::string& helperPath) {
  std::string text =
      "[Desktop Entry]\n"
      "Type=Service\n"
      "X-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
      "MimeType=all/all;\n"
      "Actions=kivoraAdd;kivoraPut;_SEPARATOR_;kivoraWipe;\n"
      "X-KDE-Submenu=" +
      std::string(kPopupCaption) + "\n";
  const char* const actions[] = {"kivoraAdd", "kivoraPut", "kivoraWipe"};
  for (int verb = 0; verb < 3; ++verb)
    text += std::string("\n[Desktop Action ") + actions[verb] + "]\nName=" + kItemTexts[verb] +
            "\n" + ExecLine(verb, helperPath);
  return text;
}

std::string ActionMenuText() {
  return std::string(
             "[Desktop Entry]\n"
             "Type=Menu\n"
             "Name=") +
         kPopupCaption + "\nItemsList=" + kActionIds[0] + ";" + kActionIds[1] + ";" + kActionIds[2] +
         ";\n";
}

std::string ActionText(int verb, const std::string& helperPath) {
  return std::string(
             "[Desktop Entry]\n"
             "Type=Action\n"
             "Name=") +
         kItemTexts[verb] +
         "\n"
         "Profiles=profile-zero;\n"
         "\n"
         "[X-Action-Profile profile-zero]\n"
         "MimeTypes=all/all;\n" +
         ExecLine(verb, helperPath);
}

HRESULT RegisterServer(const std::string& modulePath) {
  try {
    zk::UserRegistry registry;
    const std::string clsid = GuidString(CLSID_KivShellExt);
    // The file managers' handler keys; one that fails does not stop the other.
    for (const char* key : kHandlerKeys) SetKey(registry, key, clsid, "Kivora");

    const std::string progId = kProgId, indep = kVersionIndependentProgId;
    const std::string server = "CLSID\\" + clsid;
    bool ok = SetKey(registry, progId, kClassDescription) &&
              SetKey(registry, progId + "\\CLSID", clsid) &&
              SetKey(registry, indep, kClassDescription) &&
              SetKey(registry, indep + "\\CLSID", clsid) &&
              SetKey(registry, indep + "\\CurVer", progId) &&
              SetKey(registry, server, kClassDescription) &&
              SetKey(registry, server + "\\ProgID", progId) &&
              SetKey(registry, server + "\\VersionIndependentProgID", indep) &&
              registry.CreateKey(server + "\\Programmable", "") == zk::kOk &&
              SetKey(registry, server + "\\InprocServer32", modulePath) &&
              registry.SetValue(server + "\\InprocServer32", "ThreadingModel", "Apartment") ==
                  zk::kOk &&
              SetKey(registry, server + "\\TypeLib", GuidString(LIBID_KIV_SHELL_EXTLib));

    // What makes the menu appear in the file managers.
    std::string folder = modulePath.substr(0, modulePath.rfind('/') + 1);
    std::string helper = folder + kHelperName;
    std::string data = zk::DataHome();
    ok = zk::WriteFileWhole(data + "/" + kServiceMenuFile, ServiceMenuText(helper), 0755) && ok;
    ok = zk::WriteFileWhole(data + "/" + kActionFiles[0], ActionMenuText()) && ok;
    for (int verb = 0; verb < 3; ++verb)
      ok = zk::WriteFileWhole(data + "/" + kActionFiles[verb + 1], ActionText(verb, helper)) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT UnregisterServer() {
  try {
    zk::UserRegistry registry;
    for (const char* key : kHandlerKeys) registry.DeleteTree(key);
    // The server's own keys; the CLSID key above them stays.
    registry.DeleteTree(kProgId);
    registry.DeleteTree(kVersionIndependentProgId);
    registry.DeleteTree("CLSID\\" + GuidString(CLSID_KivShellExt));
    bool ok = true;
    std::string data = zk::DataHome();
    auto remove = [&](const char* file) {
      std::string path = data + "/" + file;
      if (std::remove(path.c_str()) != 0 && errno != ENOENT) ok = false;
    };
    remove(kServiceMenuFile);
    for (const char* file : kActionFiles) remove(file);
    return ok ? S_OK : SELFREG_E_CLASS;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace kiv::shellext
