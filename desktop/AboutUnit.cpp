#include "desktop/AboutUnit.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStatusBar>
#include <QStyle>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "desktop/CommonUnit.h"
#include "desktop/ModalRun.h"
#include "desktop/Prompter.h"
#include "desktop/RtfReader.h"
#include "desktop/TextIds.h"
#include "desktop/ToolTextIds.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

QTextBrowser* MakeInfoBrowser(QWidget* parent, const QString& name) {
  auto* b = new QTextBrowser(parent);
  b->setObjectName(name);
  b->setContextMenuPolicy(Qt::NoContextMenu);
  b->setOpenLinks(false);
  b->setMinimumSize(420, 260);
  return b;
}

namespace {

QPushButton* CloseButton(QWidget* parent, zk::ITextRes* texts) {
  auto* b = new QPushButton(GetResText(texts, txt::kClose), parent);
  b->setObjectName("BitBtnClose");
  b->setIcon(parent->style()->standardIcon(QStyle::SP_DialogCloseButton));
  return b;
}

}  // namespace

TFormAbout::TFormAbout(zk::ITextRes* texts, QWidget* parent) : QDialog(parent) {
  setObjectName("FormAbout");
  setWindowTitle(GetResText(texts, txt::kAboutCaption));
  auto* l = new QVBoxLayout(this);
  WebBrowserInfo = MakeInfoBrowser(this, "WebBrowserInfo");
  WebBrowserInfo->setHtml(GetResText(texts, txt::kAboutHtml));
  l->addWidget(WebBrowserInfo, 1);
  BitBtnClose = CloseButton(this, texts);
  connect(BitBtnClose, &QPushButton::clicked, this, &QDialog::accept);
  auto* row = new QHBoxLayout();
  row->addStretch(1);
  row->addWidget(BitBtnClose);
  l->addLayout(row);
  resize(480, 360);
}

TFormWarning::TFormWarning(zk::ITextRes* texts, zk::IAppParam* params, int32_t textId,
                           QWidget* parent)
    : QDialog(parent), params_(params) {
  setObjectName("FormWarning");
  setWindowTitle(GetResText(texts, txt::kWarningCaption));
  auto* l = new QVBoxLayout(this);
  WebBrowserInfo = MakeInfoBrowser(this, "WebBrowserInfo");
  WebBrowserInfo->setHtml(GetResText(texts, textId));
  l->addWidget(WebBrowserInfo, 1);
  CheckBoxNotShow = new QCheckBox(GetResText(texts, txt::kDontShowAgain), this);
  CheckBoxNotShow->setObjectName("CheckBoxNotShow");
  BitBtnClose = CloseButton(this, texts);
  connect(BitBtnClose, &QPushButton::clicked, this, &QDialog::accept);
  auto* row = new QHBoxLayout();
  row->addWidget(CheckBoxNotShow);
  row->addStretch(1);
  row->addWidget(BitBtnClose);
  l->addLayout(row);
  resize(480, 340);
}

void TFormWarning::done(int r) {
  if (CheckBoxNotShow->isChecked() && params_) params_->SetInt("next_show", 0);
  QDialog::done(r);
}

void ShowWarning(QWidget* owner, zk::ITextRes* texts, zk::IAppParam* params, int32_t textId) {
  int32_t next = 1;
  if (!params || params->GetInt("next_show", &next) != 0) next = 1;
  if (next == 0) return;
  TFormWarning w(texts, params, textId, owner);
  RunModal(&w);
}

void ShowHelpContents(QWidget* owner, zk::ITextRes* texts, zk::IAppParam* params,
                      const QString& programFolder) {
  QString page;
  auto read = [params](const std::string& name) {
    QString v;
    HeldString s;
    if (params && params->GetString(name.c_str(), &s) == 0 && s) v = s.Text();
    return v;
  };
  QString lang = read("lang_cur");
  if (!lang.isEmpty()) page = read(lang.toStdString() + "_help");
  QString path = programFolder + (programFolder.endsWith('/') ? "" : "/") + page;
  if (page.isEmpty() || !QFileInfo(path).isFile()) {
    CurrentPrompter().Message(owner, MainWindowCaption(), GetResText(texts, txt::kNoHelp),
                              BoxIcon::kWarning, BoxButtons::kOk);
    return;
  }
  auto* w = new QDialog(owner);
  w->setObjectName("FormHelp");
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->setWindowTitle(PlainMenuText(GetResText(texts, txt::kHelpContents)));
  auto* l = new QVBoxLayout(w);
  auto* b = new QTextBrowser(w);
  b->setObjectName("TextBrowserHelp");
  b->setSource(QUrl::fromLocalFile(path));
  l->addWidget(b);
  w->resize(640, 520);
  w->show();
}

bool IsRichTextName(const QString& fileName) { return fileName.toLower().endsWith(".rtf"); }

TFormViewText::TFormViewText(zk::ITextRes* texts, const QByteArray& bytes, const QFont& font,
                             bool rich, const QString& fileName, QWidget* parent)
    : QDialog(parent), texts_(texts), bytes_(bytes), fileName_(fileName) {
  setObjectName("FormViewText");
  setWindowTitle(GetResText(texts, txt::kViewerCaption));
  auto* l = new QVBoxLayout(this);
  l->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QToolBar(this);
  auto button = [&](const char* name, QStyle::StandardPixmap icon, int32_t hint) {
    auto* b = new QToolButton(bar);
    b->setObjectName(name);
    b->setIcon(style()->standardIcon(icon));
    b->setToolTip(GetResText(texts, hint));
    bar->addWidget(b);
    return b;
  };
  tlbSave = button("tlbSave", QStyle::SP_DialogSaveButton, txt::kViewerSaveHint);
  tlbCopy = button("tlbCopy", QStyle::SP_FileDialogContentsView, txt::kViewerCopyHint);
  tlbExit = button("tlbExit", QStyle::SP_DialogCloseButton, txt::kViewerExitHint);
  l->addWidget(bar);
  if (rich) {
    RichEditText = new QTextEdit(this);
    RichEditText->setObjectName("RichEditText");
    RichEditText->setReadOnly(true);
    RichEditText->document()->setDefaultFont(font);
    ReadRtf(bytes, RichEditText->document());
    l->addWidget(RichEditText, 1);
  } else {
    MemoText = new QPlainTextEdit(this);
    MemoText->setObjectName("MemoText");
    MemoText->setReadOnly(true);
    MemoText->setFont(font);
    MemoText->setPlainText(QString::fromUtf8(bytes));
    l->addWidget(MemoText, 1);
  }
  MainStatusBar = new QStatusBar(this);
  MainStatusBar->setObjectName("MainStatusBar");
  MainStatusBar->showMessage(fileName);
  l->addWidget(MainStatusBar);
  connect(tlbSave, &QToolButton::clicked, this, &TFormViewText::tlbSaveClick);
  connect(tlbCopy, &QToolButton::clicked, this, &TFormViewText::tlbCopyClick);
  connect(tlbExit, &QToolButton::clicked, this, &QDialog::accept);
  resize(600, 460);
}

bool TFormViewText::SaveTo(const QString& path) const {
  // Written beside and renamed over, the bytes as they came.
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  if (f.write(bytes_) != bytes_.size()) {
    f.cancelWriting();
    return false;
  }
  return f.commit();
}

void TFormViewText::tlbSaveClick() {
  const QString title = GetResText(texts_, txt::kViewerSaveTitle);
  QString path = CurrentPrompter().SaveFile(this, title, QFileInfo(fileName_).fileName(),
                                            GetResText(texts_, txt::kViewerSaveFilter));
  if (path.isEmpty()) return;
  if (SaveTo(path))
    CurrentPrompter().Message(this, title, GetResText(texts_, txt::kViewerSaved),
                              BoxIcon::kInformation, BoxButtons::kOk);
  else
    CurrentPrompter().Message(this, title, GetResText(texts_, txt::kViewerSaveFailed),
                              BoxIcon::kError, BoxButtons::kOk);
}

void TFormViewText::tlbCopyClick() {
  if (RichEditText) {
    RichEditText->selectAll();
    RichEditText->copy();
    QTextCursor c = RichEditText->textCursor();
    c.clearSelection();
    RichEditText->setTextCursor(c);
  } else {
    MemoText->selectAll();
    MemoText->copy();
    QTextCursor c = MemoText->textCursor();
    c.clearSelection();
    MemoText->setTextCursor(c);
  }
}

void ViewText(QWidget* owner, zk::ITextRes* texts, const QByteArray& bytes, const QFont& font,
              bool rich, const QString& fileName) {
  TFormViewText v(texts, bytes, font, rich, fileName, owner);
  RunModal(&v);
}

}  // namespace kiv
