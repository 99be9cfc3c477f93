#include "desktop/SafeCommandsUnit.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <QTreeWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "ToolkitObject.h"
#include "desktop/AboutUnit.h"
#include "desktop/CommonUnit.h"
#include "desktop/CopyFileUnit.h"
#include "desktop/FolderPropsUnit.h"
#include "desktop/InputStringUnit.h"
#include "desktop/MainFormUnit.h"
#include "desktop/ModalRun.h"
#include "desktop/NewSecretChainUnit.h"
#include "desktop/ProgressUnit.h"
#include "desktop/Prompter.h"
#include "desktop/SafePathUnit.h"
#include "desktop/SafeTextIds.h"
#include "desktop/TextIds.h"
#include "desktop/WizardPageUnit.h"
#include "desktop/zk5Base.hpp"
#include "zk5Status.h"

namespace kiv {

namespace {

namespace fs = std::filesystem;

QString Text(TMainForm& f, int32_t id) { return GetResText(f.Texts(), id); }

std::string CurrentOf(zk::ISafe* safe) {
  HeldString p;
  safe->GetCurrentFolder(&p);
  const std::string cur = p.Str();
  return cur.empty() ? std::string(1, kSafeSeparator) : cur;
}

// A successful change marks the safe unsaved.
void Changed(TMainForm& f) {
  f.Model().Changed();
  f.ApplyStates();
}

// After every command: the view follows the safe.
void Done(TMainForm& f) {
  RefreshSafeView(f);
  f.ApplyStates();
}

// The list's item of a kind the command works on: the current item when it
// is selected, else the first selected one.
QTreeWidgetItem* SelectedOfKind(TMainForm& f, SafeItemKind kind) {
  QTreeWidget* list = f.ListViewSafe;
  QTreeWidgetItem* c = list->currentItem();
  if (c && c->isSelected() && kvTSafeView::Kind(c) == kind) return c;
  for (QTreeWidgetItem* i : list->selectedItems())
    if (kvTSafeView::Kind(i) == kind) return i;
  return nullptr;
}

void ErrorBox(TMainForm& f, int32_t id) {
  CurrentPrompter().Message(&f, MainWindowCaption(), Text(f, id), BoxIcon::kError,
                            BoxButtons::kOk);
}

bool InputName(TMainForm& f, int32_t title, QString& name) {
  return InputString(&f, name, Text(f, title), Text(f, txt::kCancel), Text(f, txt::kApply));
}

// One batch of adds or extractions: one progress object for all of it, the
// stop flag of the replace question's Cancel, the noted error.
struct Batch {
  zk::ISafe* safe;
  zk::ITextRes* texts;
  QString title;
  zk::IProgress* progress;
  bool stop = false;
  SafeBatchResult result;

  bool Ended() const { return stop || ProgressCancelled(); }
  void Note(StatusCode rc) {
    // A cancel the user asked for is no error to show.
    if (rc == zk::kNegative && ProgressCancelled()) return;
    result.error = rc;
  }
};

struct AddBatch : Batch {
  const std::vector<std::string>& compressed;

  void AddPath(const fs::path& path) {
    if (Ended()) return;
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(path, ec);
    if (ec || !fs::exists(link)) return;
    // A link is taken for the file it names, never for a folder: a link
    // back up the tree would make the walk endless.
    if (fs::is_symlink(link)) {
      const fs::file_status target = fs::status(path, ec);
      if (ec || !fs::is_regular_file(target)) return;
      AddFile(path);
    } else if (fs::is_directory(link)) {
      AddFolder(path);
    } else if (fs::is_regular_file(link)) {
      AddFile(path);
    }
  }

  void AddFolder(const fs::path& path) {
    const std::string name = path.filename().string();
    if (name.empty()) return;
    StatusCode rc = safe->CreateFolder("", name.c_str());
    if (rc == 0) result.changed = true;
    else if (rc != zk::kAlreadyExists) {  // an existing folder takes the contents
      Note(rc);
      return;
    }
    rc = safe->ChangeFolder(name.c_str());
    if (rc != 0) {
      Note(rc);
      return;
    }
    std::vector<fs::path> entries;
    std::error_code ec;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
      entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& e : entries) {
      if (Ended()) break;
      AddPath(e);
    }
    safe->FolderUp();
  }

  void AddFile(const fs::path& path) {
    const std::string disk = path.string();
    const std::string name = path.filename().string();
    ProgressUpdate(title, QString::fromStdString(disk), 0);
    zk::SafeFileInfo existing{};
    if (safe->GetFileInfo("", name.c_str(), &existing) == 0) {
      bool cancel = false;
      const bool replace = ConfirmReplaceIntoSafe(texts, disk, SafeJoin(CurrentOf(safe), name),
                                                  existing, cancel);
      if (cancel) stop = true;
      if (!replace) return;
      StatusCode rc = safe->DeleteFile(name.c_str());
      if (rc != 0) {
        Note(rc);
        return;
      }
      result.changed = true;
    }
    const uint32_t flags = CompressedExtension(disk, compressed) ? 1u : 0u;
    StatusCode rc = safe->AddFile("", disk.c_str(), flags, progress);
    if (rc != 0) Note(rc);
    else result.changed = true;
  }
};

// Flushes the files and folders an extraction made: one syncfs per file
// system, then the folders that name them. False when a flush failed.
bool SyncMade(const std::vector<std::string>& paths) {
  bool ok = true;
  std::vector<dev_t> synced;
  std::vector<std::string> folders;
  for (const std::string& path : paths) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (std::find(synced.begin(), synced.end(), st.st_dev) == synced.end()) {
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0 || ::syncfs(fd) != 0) ok = false;
      if (fd >= 0) ::close(fd);
      synced.push_back(st.st_dev);
    }
    const std::string folder = fs::path(path).parent_path().string();
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  for (const std::string& folder : folders) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
      if (::fsync(fd) != 0) ok = false;
      ::close(fd);
    }
  }
  return ok;
}

struct ExtractBatch : Batch {
  // Files and folders made under new names: flushed together at the end.
  std::vector<std::string> fresh;

  bool Refused(const std::string& name) {
    if (ValidDiskName(name)) return false;
    result.refused.push_back(SafeJoin(CurrentOf(safe), name));
    return true;
  }

  void File(const std::string& name, const std::string& folder) {
    if (Ended() || Refused(name)) return;
    const std::string safePath = SafeJoin(CurrentOf(safe), name);
    const std::string disk = folder + name;
    ProgressUpdate(title, QString::fromStdString(safePath), 0);
    struct stat st {};
    if (::lstat(disk.c_str(), &st) != 0 && errno == ENOENT) {
      // A new name has no original to keep: the safe writes beside it and
      // renames without a flush, and the batch flushes it at the end.
      StatusCode rc = safe->ExtractFile(name.c_str(), disk.c_str(), progress);
      if (rc != 0) Note(rc);
      else fresh.push_back(disk);
      return;
    }
    {
      zk::SafeFileInfo entry{};
      safe->GetFileInfo("", name.c_str(), &entry);
      bool cancel = false;
      const bool replace = ConfirmReplaceOnDisk(texts, safePath, entry, disk, cancel);
      if (cancel) stop = true;
      if (!replace) return;
    }
    // The engine writes the file beside the target under a locked part
    // name of the target's own and renames it over once complete: a failed,
    // cancelled or killed extraction leaves no half-written file and no lost
    // original (a later one removes what a killed one left), and a link in
    // the target's place is replaced, never written through.
    StatusCode rc = safe->ExtractFile(name.c_str(), disk.c_str(), progress);
    if (rc != 0) Note(rc);
  }

  void Folder(const std::string& name, const std::string& folder) {
    if (Ended() || Refused(name)) return;
    const std::string disk = folder + name;
    struct stat st {};
    if (::lstat(disk.c_str(), &st) != 0) {
      if (::mkdir(disk.c_str(), 0777) != 0) {
        result.error = zk::kNotExecuted;
        stop = true;
        return;
      }
      fresh.push_back(disk);
    } else if (!S_ISDIR(st.st_mode)) {
      result.error = zk::kNotExecuted;
      stop = true;
      return;
    }
    StatusCode rc = safe->ChangeFolder(name.c_str());
    if (rc != 0) {
      Note(rc);
      return;
    }
    const std::string inner = disk + "/";
    const uint32_t folders = safe->GetFolderCount("");
    for (uint32_t i = 0; i < folders && !Ended(); ++i) {
      char* p = nullptr;
      if (safe->GetFolderAt("", i, &p) == 0) Folder(TakeToolkitString(p), inner);
      else TakeToolkitString(p);
    }
    const uint32_t files = safe->GetFileCount("");
    for (uint32_t i = 0; i < files && !Ended(); ++i) {
      char* p = nullptr;
      if (safe->GetFileAt("", i, &p, nullptr) == 0) File(TakeToolkitString(p), inner);
      else TakeToolkitString(p);
    }
    safe->FolderUp();
  }
};

// Shows what a batch left to say, with the prefix of its title.
void ShowBatch(TMainForm& f, const SafeBatchResult& r, int32_t prefix) {
  if (r.error != 0) ShowToolkitError(&f, f.Texts(), r.error, Text(f, prefix));
  if (!r.refused.empty()) {
    QString text = Text(f, txt::kUnsafeNames);
    for (const std::string& n : r.refused) text += "\n" + QString::fromStdString(n);
    CurrentPrompter().Message(&f, Text(f, prefix), text, BoxIcon::kWarning, BoxButtons::kOk);
  }
}

void AddToShown(TMainForm& f, zk::ISafe* safe, const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  const SafeBatchResult r = AddPathsToSafe(safe, f.Texts(), paths, CompressedExtensions(f.Params()),
                                           Text(f, txt::kAddFiles));
  if (r.changed) f.Model().Changed();
  Done(f);
  ShowBatch(f, r, txt::kAddFiles);
}

}  // namespace

SafeBatchResult AddPathsToSafe(zk::ISafe* safe, zk::ITextRes* texts,
                               const std::vector<std::string>& paths,
                               const std::vector<std::string>& compressed, const QString& title) {
  SetReplaceMode(kReplaceAsk);
  zk::Held<kvIProgressImp> progress(kvIProgressImp::Create());
  AddBatch batch{{safe, texts, title, progress, false, {}}, compressed};
  ProgressRun(title, QString(), [&] {
    for (const std::string& p : paths) {
      if (batch.Ended()) break;
      std::string path = p;
      while (path.size() > 1 && path.back() == '/') path.pop_back();
      batch.AddPath(fs::path(path));
    }
    return StatusCode{0};
  });
  return batch.result;
}

SafeBatchResult ExtractFromSafe(zk::ISafe* safe, zk::ITextRes* texts,
                                const std::vector<SafeItem>& items, const std::string& target,
                                const QString& title) {
  SetReplaceMode(kReplaceAsk);
  std::string folder = target;
  if (folder.empty() || folder.back() != '/') folder += '/';
  kvIProgressImp* progress = kvIProgressImp::Create();
  ExtractBatch batch{{safe, texts, title, progress, false, {}}, {}};
  ProgressRun(title, QString(), [&] {
    for (const SafeItem& i : items) {
      if (batch.Ended()) break;
      if (i.kind == SafeItemKind::kFile) batch.File(i.name, folder);
      else if (i.kind == SafeItemKind::kFolder) batch.Folder(i.name, folder);
    }
    // Before the batch reports: what it made under new names is flushed.
    if (!SyncMade(batch.fresh) && batch.result.error == 0) batch.result.error = zk::kWriteError;
    return StatusCode{0};
  });
  progress->Release();
  return batch.result;
}

bool RunSafeCommand(TMainForm& f, const QString& name) {
  static const std::pair<const char*, void (*)(TMainForm&)> commands[] = {
      {"mnFolderNew", SafeFolderNew},       {"mnFolderRename", SafeFolderRename},
      {"mnFileRename", SafeFileRename},     {"mnFileDelete", SafeDelete},
      {"mnFolderDelete", SafeDelete},       {"mnFolderProperties", SafeFolderProperties},
      {"mnFileView", SafeFileView},         {"mnFolderAdd", SafeAddFolder},
      {"mnFolderGet", SafeGet},             {"mnFileAdd", SafeAddFiles},
      {"mnFileGet", SafeGet}};
  if (f.Model().Kind() != 3) return false;
  for (const auto& [n, run] : commands)
    if (name == n) {
      run(f);
      return true;
    }
  return false;
}

void SafeFolderNew(TMainForm& f) {
  zk::Held<zk::ISafe> safe(ShownSafe(f));
  if (!safe) return;
  QString name;
  if (!InputName(f, txt::kNewFolder, name)) return;
  if (name.isEmpty() || name == "." || name == "..") {
    ErrorBox(f, txt::kBadFolderName);
  } else if (ShowToolkitError(&f, f.Texts(), safe->CreateFolder("", name.toStdString().c_str()),
                              Text(f, txt::kNewFolder) + ":")) {
    Changed(f);
  }
  Done(f);
}

namespace {

// Rename of the selected folder or file: an empty name or ".." is refused
// with badName; "." goes to the engine, which answers for it.
void RenameSelected(TMainForm& f, SafeItemKind kind) {
  const bool folder = kind == SafeItemKind::kFolder;
  const int32_t title = folder ? txt::kRenameFolder : txt::kRenameFile;
  zk::Held<zk::ISafe> safe(ShownSafe(f));
  QTreeWidgetItem* item = SelectedOfKind(f, kind);
  if (!safe || !item) return;
  const std::string old = item->text(0).toStdString();
  QString name = item->text(0);
  if (!InputName(f, title, name)) return;
  const std::string n = name.toStdString();
  if (n.empty() || n == "..") {
    ErrorBox(f, folder ? txt::kBadFolderName : txt::kBadFileName);
  } else if (ShowToolkitError(&f, f.Texts(),
                              folder ? safe->RenameFolder(old.c_str(), n.c_str())
                                     : safe->RenameFile(old.c_str(), n.c_str()),
                              Text(f, title) + (folder ? ":" : ": "))) {
    Changed(f);
  }
  Done(f);
}

}  // namespace

void SafeFolderRename(TMainForm& f) { RenameSelected(f, SafeItemKind::kFolder); }

void SafeFileRename(TMainForm& f) { RenameSelected(f, SafeItemKind::kFile); }

void SafeDelete(TMainForm& f) {
  zk::Held<zk::ISafe> safe(ShownSafe(f));
  if (!safe) return;
  const std::vector<SafeItem> items = SafeView(f).Selected();
  Prompter& p = CurrentPrompter();
  if (items.empty()) {
    p.Message(&f, Text(f, txt::kDeleteItems), Text(f, txt::kNothingSelected), BoxIcon::kWarning,
              BoxButtons::kOk);
    return;
  }
  if (p.Message(&f, Text(f, txt::kDeleteItems), Text(f, txt::kAskDeleteItems), BoxIcon::kQuestion,
                BoxButtons::kYesNo) != BoxAnswer::kYes)
    return;
  for (const SafeItem& i : items) {
    if (i.kind == SafeItemKind::kUp) continue;
    const StatusCode rc = i.kind == SafeItemKind::kFolder ? safe->DeleteFolder(i.name.c_str())
                                                          : safe->DeleteFile(i.name.c_str());
    if (ShowToolkitError(&f, f.Texts(), rc, Text(f, txt::kDeleteItems))) Changed(f);
  }
  Done(f);
}

void SafeFolderProperties(TMainForm& f) {
  zk::Held<zk::ISafe> safe(ShownSafe(f));
  if (!safe) return;
  std::string path;
  QTreeWidgetItem* node = f.TreeViewSafe->currentItem();
  if (f.TreeViewSafe->hasFocus() && node) {
    path = kvTSafeView::NodePath(node);
  } else if (QTreeWidgetItem* item = SelectedOfKind(f, SafeItemKind::kFolder)) {
    path = item->text(0).toStdString();
  } else {
    path = CurrentOf(safe);  // nothing chosen: the folder shown
  }
  if (path.empty() || path[0] != kSafeSeparator) path = SafeJoin(CurrentOf(safe), path);
  uint32_t folders = 0, files = 0, size = 0, stored = 0;
  if (!ShowToolkitError(&f, f.Texts(),
                        safe->GetFolderStats(path.c_str(), &folders, &files, &size, &stored),
                        PlainMenuText(Text(f, txt::kMenuFolderProperties))))
    return;
  TFormFolderProps props(f.Texts(), &f);
  props.Fill(QString::fromStdString(path), folders, files, size, stored);
  RunModal(&props);
}

void SafeFileView(TMainForm& f) {
  zk::Held<zk::ISafe> safe(ShownSafe(f));
  QTreeWidgetItem* item = SelectedOfKind(f, SafeItemKind::kFile);
  if (!safe || !item) return;
  const std::string name = item->text(0).toStdString();
  const std::string path = SafeJoin(CurrentOf(safe), name);
  zk::SafeFileInfo info{};
  safe->GetFileInfo("", name.c_str(), &info);
  zk::Held<kvIProgressImp> progress(kvIProgressImp::Create());
  char* data = nullptr;
  const StatusCode rc = ProgressRun(Text(f, txt::kGetFiles), QString::fromStdString(path),
                                    [&] { return safe->ReadFile(path.c_str(), &data, progress); });
  if (!ShowToolkitError(&f, f.Texts(), rc, Text(f, txt::kGetFiles))) {
    TakeToolkitString(data);
    return;
  }
  // The block holds the bytes and a zero after them; the size tells where
  // they end, so a file with zero bytes inside is shown whole.
  const QByteArray bytes(data ? data : "", data ? qsizetype(info.size) : 0);
  TakeToolkitString(data);
  const QString shown = QString::fromStdString(name);
  ViewText(&f, f.Texts(), bytes, f.MemoMessage->font(), IsRichTextName(shown), shown);
}

void SafeAddFiles(TMainForm& f) {
  zk::Held<zk::ISafe> safe(ShownSafe(f));
  if (!safe) return;
  const QStringList names = CurrentPrompter().OpenFiles(&f, Text(f, txt::kAddFiles), QString(),
                                                        Text(f, txt::kAddFilesFilter));
  std::vector<std::string> paths;
  for (const QString& n : names) paths.push_back(n.toStdString());
  AddToShown(f, safe, paths);
}

void SafeAddFolder(TMainForm& f) {
  zk::Held<zk::ISafe> safe(ShownSafe(f));
  if (!safe) return;
  QString folder;
  if (!SelectDirectory(&f, f.Texts(), folder) || folder.isEmpty()) return;
  AddToShown(f, safe, {folder.toStdString()});
}

void SafeGet(TMainForm& f) {
  zk::Held<zk::ISafe> safe(ShownSafe(f));
  if (!safe) return;
  std::vector<SafeItem> items = SafeView(f).Selected();
  if (items.empty()) items = SafeView(f).All();
  QString folder;
  if (!SelectDirectory(&f, f.Texts(), folder) || folder.isEmpty()) return;
  const SafeBatchResult r =
      ExtractFromSafe(safe, f.Texts(), items, folder.toStdString(), Text(f, txt::kGetFiles));
  Done(f);
  if (r.error == 0 && r.refused.empty())
    CurrentPrompter().Message(&f, MainWindowCaption(), Text(f, txt::kFilesWritten),
                              BoxIcon::kInformation, BoxButtons::kOk);
  else
    ShowBatch(f, r, txt::kGetFiles);
}

void SafeMoveItems(TMainForm& f, const std::vector<SafeItem>& items, const std::string& target) {
  zk::Held<zk::ISafe> safe(ShownSafe(f));
  if (!safe) return;
  const std::string cur = CurrentOf(safe);
  for (const SafeItem& i : items) {
    const std::string source = SafeJoin(cur, i.name);
    StatusCode rc = 0;
    if (i.kind == SafeItemKind::kFolder) {
      if (SafeFolderWithin(target, source)) continue;
      rc = safe->MoveFolder(source.c_str(), target.c_str());
    } else if (i.kind == SafeItemKind::kFile) {
      rc = safe->MoveFile(source.c_str(), target.c_str());
    } else {
      continue;
    }
    if (ShowToolkitError(&f, f.Texts(), rc, QString())) Changed(f);
  }
  Done(f);
}

void AddWorkingFiles(TMainForm& f) {
  std::vector<std::string> names;
  names.swap(f.Receiver().WorkingFiles());
  zk::Held<zk::ISafe> safe(ShownSafe(f));
  if (safe) AddToShown(f, safe, names);
}

void NewSafeWithNames(TMainForm& f) {
  std::vector<std::string> names;
  names.swap(f.Receiver().WorkingFiles());
  f.Model().Choice().contentKind = zk::kContentSafe;
  for (;;) {
    if (NewSecretContainerPage(f) != kWizardNext) return;
    if (!NewSecretFileStep(f)) continue;
    const int32_t r = NewSecretParamsStep(f);
    if (r == kWizardCancel) return;
    if (r == kWizardNext) break;
  }
  if (!NewSecretCreateStep(f)) return;
  // The new content waits to be shown (the create step has posted it).
  zk::Held<zk::ISafe> safe(QueryToolkitInterface<zk::ISafe>(f.Model().Content(), zk::id::KivISafe));
  if (!safe) return;
  const SafeBatchResult r = AddPathsToSafe(safe, f.Texts(), names, CompressedExtensions(f.Params()),
                                           Text(f, txt::kAddFiles));
  ShowBatch(f, r, txt::kAddFiles);
}

}  // namespace kiv
