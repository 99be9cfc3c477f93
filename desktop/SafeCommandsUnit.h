// The commands on an open safe: new folder, rename, delete, properties,
// view, adding disk files and folders (recursively), getting them out,
// moves by dragging, the dropped files (WM_USER+11) and the new safe made
// for the names another process sent (message 1045).
#pragma once
#include <QString>
#include <string>
#include <vector>

#include "desktop/SafeViewUnit.h"
#include "kvSafeDriver.h"
#include "zk5script.h"

namespace kiv {

class TMainForm;

// Runs a File or Folder menu command on the shown safe; false when the
// command is not one of the safe's (File, Add and Get with a one-file
// secret shown belong to the file view).
bool RunSafeCommand(TMainForm& form, const QString& name);

void SafeFolderNew(TMainForm& form);
void SafeFolderRename(TMainForm& form);
void SafeFileRename(TMainForm& form);
void SafeDelete(TMainForm& form);
void SafeFolderProperties(TMainForm& form);
void SafeFileView(TMainForm& form);
void SafeAddFiles(TMainForm& form);
void SafeAddFolder(TMainForm& form);
void SafeGet(TMainForm& form);
// Moves items of the current folder into the folder at target.
void SafeMoveItems(TMainForm& form, const std::vector<SafeItem>& items, const std::string& target);
// WM_USER+11: the working file list goes into the shown safe and empties.
void AddWorkingFiles(TMainForm& form);
// Message 1045, once the shown secret is closed: a new safe from the
// container-type, file and parameters steps, then the working list added
// to it; the list empties. A failed create adds nothing.
void NewSafeWithNames(TMainForm& form);

// What a batch did: the last error noted (0 none) and whether the safe
// changed at all.
struct SafeBatchResult {
  StatusCode error = 0;
  bool changed = false;
  std::vector<std::string> refused;  // names no disk file may take
};

// Adds disk files and folders to the safe's current folder under the
// progress window titled title (folders recursively; symbolic links to
// folders are never followed; existing names are asked about).
SafeBatchResult AddPathsToSafe(zk::ISafe* safe, zk::ITextRes* texts,
                               const std::vector<std::string>& paths,
                               const std::vector<std::string>& compressed, const QString& title);
// Extracts items of the current folder (folders recursively) into the
// disk folder target under the progress window titled title.
SafeBatchResult ExtractFromSafe(zk::ISafe* safe, zk::ITextRes* texts,
                                const std::vector<SafeItem>& items, const std::string& target,
                                const QString& title);

}  // namespace kiv
