// The commands of a one-file secret (open kind 2): the file view's six
// rows and icon, File, Add (the file goes into the secret, which the engine
// writes at once) and File, Get (the file back onto disk); and the tool
// button that opens the file manager on the current directory.
#pragma once
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "zk5script.h"

class QUrl;

namespace kiv {

class TMainForm;

// Clears the view's value cells and icon, then fills them from the shown
// file's information (nothing when the secret holds no file yet).
void FillOneFileView(TMainForm& f);
// File, Add and File, Get of a one-file secret.
void OneFileAddClick(TMainForm& f);
void OneFileGetClick(TMainForm& f);
// File, Add asked at once for a new one-file secret; when no file went in
// (the choice cancelled or the add failed), the user is told that the
// secret stays, empty.
void AskFileForNewSecret(TMainForm& f);
// Opens the process's current directory in the file manager.
void tlbExplorerClick();

// Runs "mnFileAdd" and "mnFileGet" when a one-file secret is shown, and
// "tlbExplorer" always; false for anything else.
bool RunOneFileCommand(TMainForm& f, const QString& name);

// How a folder is opened in the file manager (QDesktopServices::openUrl
// unless a test sets another; empty goes back to it).
using UrlOpener = std::function<bool(const QUrl&)>;
void SetUrlOpener(UrlOpener opener);

}  // namespace kiv
