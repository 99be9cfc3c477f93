#include "desktop/MessageCommandsUnit.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QFile>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <memory>
#include <new>

#include "desktop/CommonUnit.h"
#include "desktop/MainFormUnit.h"
#include "desktop/MessageFileTextIds.h"
#include "desktop/Prompter.h"
#include "desktop/TextIds.h"

namespace kiv {

namespace {

TextFileFaults g_faults;

QString Plain(const QTextCursor& c) { return c.selection().toPlainText(); }

// A change of the text: the saved flag goes off.
void Changed(TMainForm& f) {
  f.Model().Changed();
  f.ApplyStates();
}

void ErrorBox(TMainForm& f, int32_t id) {
  CurrentPrompter().Message(&f, f.windowTitle(), GetResText(f.Texts(), id), BoxIcon::kError,
                            BoxButtons::kOk);
}

// The window's dialog of that kind, made on first use.
TSearchDialog* Dialog(TMainForm& f, bool replace, bool make) {
  const char* name = replace ? "EditReplaceDialog" : "FindTextDialog";
  auto* d = f.findChild<TSearchDialog*>(name, Qt::FindDirectChildrenOnly);
  if (d || !make) return d;
  d = new TSearchDialog(f.Texts(), replace, &f);
  QObject::connect(d, &TSearchDialog::Find, &f, [&f, d] { FindTextDialogFind(f, *d); });
  QObject::connect(d, &TSearchDialog::Replace, &f,
                   [&f, d](bool all) { EditReplaceDialogReplace(f, *d, all); });
  return d;
}

void ShowDialog(TMainForm& f, bool replace) {
  // Showing either dialog clears the selection; the search starts there.
  QTextCursor c = f.MemoMessage->textCursor();
  c.setPosition(c.selectionStart());
  f.MemoMessage->setTextCursor(c);
  TSearchDialog* d = Dialog(f, replace, true);
  d->show();
  d->raise();
  d->activateWindow();
  d->EditFindText->setFocus();
  d->EditFindText->selectAll();
}

// The selection equals the search text (in the dialog's case rule).
bool SelectionIsHit(QPlainTextEdit* memo, const QString& text, bool matchCase) {
  const QTextCursor c = memo->textCursor();
  return c.hasSelection() &&
         Plain(c).compare(text, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
}

}  // namespace

TSearchDialog::TSearchDialog(zk::ITextRes* texts, bool replace, QWidget* owner) : QDialog(owner) {
  setObjectName(replace ? "EditReplaceDialog" : "FindTextDialog");
  auto T = [texts](int32_t id) { return GetResText(texts, id); };
  setWindowTitle(T(replace ? txt::kReplaceCaption : txt::kFindCaption));
  setModal(false);
  auto* grid = new QGridLayout(this);
  EditFindText = new QLineEdit(this);
  EditFindText->setObjectName("EditFindText");
  grid->addWidget(new QLabel(T(txt::kFindWhat), this), 0, 0);
  grid->addWidget(EditFindText, 0, 1);
  int row = 1;
  if (replace) {
    EditReplaceText = new QLineEdit(this);
    EditReplaceText->setObjectName("EditReplaceText");
    grid->addWidget(new QLabel(T(txt::kReplaceWith), this), row, 0);
    grid->addWidget(EditReplaceText, row, 1);
    ++row;
  }
  CheckBoxMatchCase = new QCheckBox(T(txt::kMatchCase), this);
  CheckBoxMatchCase->setObjectName("CheckBoxMatchCase");
  grid->addWidget(CheckBoxMatchCase, row, 0, 1, 2);
  grid->setRowStretch(row + 1, 1);
  auto* buttons = new QVBoxLayout;
  BitBtnFindNext = new QPushButton(T(txt::kFindNext), this);
  BitBtnFindNext->setObjectName("BitBtnFindNext");
  BitBtnFindNext->setDefault(true);
  buttons->addWidget(BitBtnFindNext);
  connect(BitBtnFindNext, &QPushButton::clicked, this, [this] { emit Find(); });
  if (replace) {
    BitBtnReplace = new QPushButton(T(txt::kReplaceButton), this);
    BitBtnReplace->setObjectName("BitBtnReplace");
    BitBtnReplaceAll = new QPushButton(T(txt::kReplaceAllButton), this);
    BitBtnReplaceAll->setObjectName("BitBtnReplaceAll");
    buttons->addWidget(BitBtnReplace);
    buttons->addWidget(BitBtnReplaceAll);
    connect(BitBtnReplace, &QPushButton::clicked, this, [this] { emit Replace(false); });
    connect(BitBtnReplaceAll, &QPushButton::clicked, this, [this] { emit Replace(true); });
  }
  BitBtnCancel = new QPushButton(T(txt::kCancel), this);
  BitBtnCancel->setObjectName("BitBtnCancel");
  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addWidget(BitBtnCancel);
  buttons->addStretch(1);
  grid->addLayout(buttons, 0, 2, row + 2, 1);
}

QString TSearchDialog::FindText() const { return EditFindText->text(); }
QString TSearchDialog::ReplaceText() const {
  return EditReplaceText ? EditReplaceText->text() : QString();
}
bool TSearchDialog::MatchCase() const { return CheckBoxMatchCase->isChecked(); }

bool FindInMemo(QPlainTextEdit* memo, const QString& text, bool matchCase) {
  if (text.isEmpty()) return false;
  QTextDocument* doc = memo->document();
  const QTextCursor from = memo->textCursor();
  QTextDocument::FindFlags flags;
  if (matchCase) flags |= QTextDocument::FindCaseSensitively;
  const QTextCursor hit = doc->find(text, from.selectionEnd(), flags);
  if (hit.isNull()) return false;
  memo->setTextCursor(hit);
  memo->ensureCursorVisible();
  return true;
}

void mnEditCutClick(TMainForm& f) {
  QTextCursor c = f.MemoMessage->textCursor();
  if (!c.hasSelection()) return;
  QApplication::clipboard()->setText(Plain(c));
  c.removeSelectedText();
  f.MemoMessage->setTextCursor(c);
  Changed(f);
}

void mnEditCopyClick(TMainForm& f) {
  const QTextCursor c = f.MemoMessage->textCursor();
  if (c.hasSelection()) QApplication::clipboard()->setText(Plain(c));
}

void mnEditPasteClick(TMainForm& f) {
  const QMimeData* m = QApplication::clipboard()->mimeData();
  if (!m || !m->hasText()) return;
  QTextCursor c = f.MemoMessage->textCursor();
  c.insertText(m->text());
  f.MemoMessage->setTextCursor(c);
  Changed(f);
}

void mnEditDeleteClick(TMainForm& f) {
  QTextCursor c = f.MemoMessage->textCursor();
  if (!c.hasSelection()) return;
  c.removeSelectedText();
  f.MemoMessage->setTextCursor(c);
  Changed(f);
}

void mnEditSelectAllClick(TMainForm& f) { f.MemoMessage->selectAll(); }

void mnEditFindClick(TMainForm& f) { ShowDialog(f, false); }
void mnEditReplaceClick(TMainForm& f) { ShowDialog(f, true); }

TSearchDialog* FindTextDialog(TMainForm& f) { return Dialog(f, false, false); }
TSearchDialog* EditReplaceDialog(TMainForm& f) { return Dialog(f, true, false); }

void FindTextDialogFind(TMainForm& f, TSearchDialog& d) {
  // Left open while the message was closed: nothing to search.
  if (f.Model().Kind() != 1) {
    d.close();
    return;
  }
  if (!FindInMemo(f.MemoMessage, d.FindText(), d.MatchCase())) d.close();
}

void EditReplaceDialogReplace(TMainForm& f, TSearchDialog& d, bool all) {
  if (f.Model().Kind() != 1) {
    d.close();
    return;
  }
  const QString text = d.FindText();
  const bool matchCase = d.MatchCase();
  // Nothing (or something else) selected: find the next hit first.
  if (!SelectionIsHit(f.MemoMessage, text, matchCase) &&
      !FindInMemo(f.MemoMessage, text, matchCase)) {
    d.close();
    return;
  }
  bool changed = false;
  do {
    QTextCursor c = f.MemoMessage->textCursor();
    c.insertText(d.ReplaceText());
    f.MemoMessage->setTextCursor(c);
    changed = true;
  } while (all && FindInMemo(f.MemoMessage, text, matchCase));
  if (changed) Changed(f);
  if (all) d.close();
}

void mnEditReadClick(TMainForm& f) {
  const QString path = CurrentPrompter().OpenFile(&f, GetResText(f.Texts(), txt::kReadTextTitle),
                                                  QString(), GetResText(f.Texts(), txt::kTextFilter));
  if (path.isEmpty()) return;
  QByteArray bytes;
  if (int32_t id = ReadWholeFile(path, bytes)) {
    ErrorBox(f, id);
    return;
  }
  QTextCursor c = f.MemoMessage->textCursor();
  c.insertText(QString::fromUtf8(bytes));
  f.MemoMessage->setTextCursor(c);
  Changed(f);
}

void mnEditWriteClick(TMainForm& f) {
  const QTextCursor c = f.MemoMessage->textCursor();
  const bool selection = c.hasSelection();
  const QString path = CurrentPrompter().SaveFile(
      &f, GetResText(f.Texts(), selection ? txt::kWriteSelectionTitle : txt::kWriteTextTitle),
      QString(), GetResText(f.Texts(), txt::kTextFilter));
  if (path.isEmpty()) return;
  const QString text = selection ? Plain(c) : f.MemoMessage->toPlainText();
  if (int32_t id = WriteWholeFile(path, text.toUtf8())) {
    ErrorBox(f, id);
    return;
  }
  CurrentPrompter().Message(&f, f.windowTitle(), GetResText(f.Texts(), txt::kTextWritten),
                            BoxIcon::kInformation, BoxButtons::kOk);
}

bool RunMessageCommand(TMainForm& f, const QString& name) {
  if (f.Model().Kind() != 1) return false;
  static const std::pair<const char*, void (*)(TMainForm&)> commands[] = {
      {"mnEditCut", mnEditCutClick},       {"mnEditCopy", mnEditCopyClick},
      {"mnEditPaste", mnEditPasteClick},   {"mnEditDelete", mnEditDeleteClick},
      {"mnEditSelectAll", mnEditSelectAllClick}, {"mnEditFind", mnEditFindClick},
      {"mnEditReplace", mnEditReplaceClick}, {"mnEditRead", mnEditReadClick},
      {"mnEditWrite", mnEditWriteClick}};
  for (const auto& [n, run] : commands)
    if (name == QLatin1String(n)) {
      run(f);
      return true;
    }
  return false;
}

void SetTextFileFaults(const TextFileFaults& faults) { g_faults = faults; }

int32_t ReadWholeFile(const QString& path, QByteArray& out) {
  // Not blocking on a pipe's open; only a regular file is read.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return txt::kCannotOpenFile;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return txt::kCannotOpenFile;
  }
  if (st.st_size > INT32_MAX) {
    ::close(fd);
    return txt::kFileTooLarge;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  std::unique_ptr<char[]> buffer(g_faults.noMemory ? nullptr : new (std::nothrow) char[size + 1]);
  if (!buffer) {
    ::close(fd);
    return txt::kNoMemory;
  }
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, buffer.get() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (got != size || g_faults.shortRead) return txt::kReadFailed;
  out = QByteArray(buffer.get(), static_cast<qsizetype>(size));
  return 0;
}

int32_t WriteWholeFile(const QString& path, const QByteArray& bytes) {
  if (g_faults.noMemory) return txt::kNoMemory;
  // Written beside the target and renamed over it once complete.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return txt::kCannotOpenFile;
  const qint64 want = g_faults.shortWrite ? bytes.size() / 2 : bytes.size();
  if (file.write(bytes.constData(), want) != bytes.size()) {
    file.cancelWriting();
    file.commit();
    return txt::kWriteFailed;
  }
  return file.commit() ? 0 : txt::kWriteFailed;
}

}  // namespace kiv
