#include "desktop/OneFileUnit.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QTreeWidget>
#include <QUrl>
#include <utility>

#include "ToolkitObject.h"
#include "desktop/CommonUnit.h"
#include "desktop/ExplorerExtUnit.h"
#include "desktop/MainFormUnit.h"
#include "desktop/MessageFileTextIds.h"
#include "desktop/ProgressUnit.h"
#include "desktop/Prompter.h"
#include "desktop/SafePathUnit.h"
#include "desktop/TextIds.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

namespace {

UrlOpener& Opener() {
  static UrlOpener opener;
  return opener;
}

// ".ext" of a file name, empty when it has none.
std::string Extension(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

QString Caption(TMainForm& f, const char* item) {
  QAction* a = f.Action(item);
  return a ? PlainMenuText(a->text()) : QString();
}

// Runs call on the worker under the progress window with a progress object
// of its own.
StatusCode WithProgress(const QString& title, const QString& text,
                        const std::function<StatusCode(zk::IProgress*)>& call) {
  zk::Held<kvIProgressImp> progress(kvIProgressImp::Create());
  const StatusCode r = ProgressRun(title, text, [&] { return call(progress); });
  return r;
}

// The shown one-file secret's content (one reference), or null.
zk::IKivFile* ShownFile(TMainForm& f) {
  return QueryToolkitInterface<zk::IKivFile>(f.Model().Content(), zk::id::KivIKivFile);
}

}  // namespace

void FillOneFileView(TMainForm& f) {
  QTreeWidget* view = f.ListViewOneFile;
  for (int i = 0; i < view->topLevelItemCount(); ++i) view->topLevelItem(i)->setText(1, QString());
  f.ImageFileExtIcon->clear();
  zk::Held<zk::IKivFile> file(ShownFile(f));
  if (!file) return;
  HeldString rawName;
  zk::FileContentInfo info{};
  const StatusCode r = file->GetFileInfo(&rawName, &info);
  const std::string name = rawName.Str();
  if (r != 0) return;
  zk::ITextRes* texts = f.Texts();
  auto cell = [view](int row, const QString& text) {
    if (QTreeWidgetItem* item = view->topLevelItem(row)) item->setText(1, text);
  };
  cell(1, QString::fromStdString(name));
  cell(2, FormatGroupedNumber(info.size));
  cell(3, (info.flags & 1) ? StoredCell(info.size, info.storedSize)
                           : GetResText(texts, txt::kNotCompressed));
  cell(4, FormatTmDateTime(texts, info.created));
  cell(5, FormatTmDateTime(texts, info.modified));
  const std::string ext = Extension(name);
  kvTExplorerExt& icons = f.ExplorerExt();
  int image = kvTExplorerExt::kFileImage;
  if (QString::fromStdString(ext).compare(".EXE", Qt::CaseInsensitive) == 0) {
    cell(0, GetResText(texts, txt::kProgramType));
    image = kvTExplorerExt::kProgramImage;
  } else if (int index = icons.LargeIconIndex(ext); index >= 0) {
    cell(0, QString::fromStdString(icons.ExtensionDescription(ext)));
    image = index;
  } else {
    cell(0, GetResText(texts, txt::kUnknownType));
  }
  f.ImageFileExtIcon->setPixmap(icons.LargeIcon(image).pixmap(32, 32));
}

void OneFileAddClick(TMainForm& f) {
  const QString path = CurrentPrompter().OpenFile(&f, GetResText(f.Texts(), txt::kOneFileOpenTitle),
                                                  QString(), QString());
  if (path.isEmpty()) return;
  zk::Held<zk::IKivFile> file(ShownFile(f));
  if (!file) return;
  const QByteArray p = path.toUtf8();
  const int32_t flags =
      CompressedExtension(p.toStdString(), CompressedExtensions(f.Params())) ? 1 : 0;
  const QString title = Caption(f, "mnFileAdd");
  const StatusCode r = WithProgress(title, path, [&file, &p, flags](zk::IProgress* progress) {
    return file->LoadFromDisk(p.constData(), flags, progress);
  });
  if (ShowToolkitError(&f, f.Texts(), r, title)) {
    // The engine has written the secret with its new file.
    f.Model().Written();
    FillOneFileView(f);
  }
  f.ApplyStates();
}

void AskFileForNewSecret(TMainForm& f) {
  if (f.Model().Kind() != 2) {
    f.ContentCommand("mnFileAdd");
    return;
  }
  OneFileAddClick(f);
  if (f.Model().Kind() != 2) return;
  zk::Held<zk::IKivFile> file(ShownFile(f));
  if (!file) return;
  HeldString name;
  zk::FileContentInfo info{};
  const StatusCode r = file->GetFileInfo(&name, &info);
  if (r != 0)
    CurrentPrompter().Message(&f, MainWindowCaption(), GetResText(f.Texts(), txt::kNoFileYet),
                              BoxIcon::kInformation, BoxButtons::kOk);
}

void OneFileGetClick(TMainForm& f) {
  zk::Held<zk::IKivFile> file(ShownFile(f));
  if (!file) return;
  HeldString rawName;
  zk::FileContentInfo info{};
  const StatusCode got = file->GetFileInfo(&rawName, &info);
  const QString name = rawName.Text();
  if (got != 0) return;
  const QString title = Caption(f, "mnFileGet");
  const QString target = CurrentPrompter().SaveFile(&f, title, name, QString());
  if (target.isEmpty()) return;
  const QByteArray t = target.toUtf8();
  const StatusCode r = WithProgress(title, target, [&file, &t](zk::IProgress* progress) {
    return file->SaveToDisk(t.constData(), progress);
  });
  if (ShowToolkitError(&f, f.Texts(), r, title))
    CurrentPrompter().Message(&f, MainWindowCaption(), GetResText(f.Texts(), txt::kFilesWritten),
                              BoxIcon::kInformation, BoxButtons::kOk);
}

void SetUrlOpener(UrlOpener opener) { Opener() = std::move(opener); }

void tlbExplorerClick() {
  const QUrl url = QUrl::fromLocalFile(QDir::currentPath());
  if (Opener()) Opener()(url);
  else QDesktopServices::openUrl(url);
}

bool RunOneFileCommand(TMainForm& f, const QString& name) {
  if (name == QLatin1String("tlbExplorer")) {
    tlbExplorerClick();
    return true;
  }
  if (f.Model().Kind() != 2) return false;
  if (name == QLatin1String("mnFileAdd")) OneFileAddClick(f);
  else if (name == QLatin1String("mnFileGet")) OneFileGetClick(f);
  else return false;
  return true;
}

}  // namespace kiv
