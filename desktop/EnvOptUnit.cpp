#include "desktop/EnvOptUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeDatabase>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

#include "desktop/CommonUnit.h"
#include "desktop/InputStringUnit.h"
#include "desktop/Prompter.h"
#include "desktop/SafePathUnit.h"
#include "desktop/TextIds.h"
#include "desktop/ToolTextIds.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

namespace {

StringInput& Input() {
  static StringInput input;
  return input;
}

bool AskString(QWidget* owner, zk::ITextRes* texts, const QString& title, QString& answer) {
  if (Input()) return Input()(owner, title, answer);
  answer.clear();
  return InputString(owner, answer, title, GetResText(texts, txt::kCancel), GetResText(texts, txt::kApply));
}

QByteArray Name(const QString& prefix, int n) { return (prefix + QString::number(n)).toUtf8(); }

}  // namespace

void SetStringInput(StringInput input) { Input() = std::move(input); }

ExtensionLook DesktopExtensionLook(const QString& ext) {
  ExtensionLook look;
  QMimeDatabase db;
  QList<QMimeType> types = db.mimeTypesForFileName("file." + ext);
  if (types.isEmpty()) return look;
  const QMimeType& t = types.front();
  look.description = t.comment();
  look.icon = QIcon::fromTheme(t.iconName(), QIcon::fromTheme(t.genericIconName()));
  look.found = true;
  return look;
}

TFormEnvOpt::TFormEnvOpt(zk::IAppParam* params, zk::ITextRes* texts, zk::ISafeDriverApp* driver,
                         const QFont& font, ExtensionLookup lookup, QWidget* owner)
    : QDialog(owner), params_(params), texts_(texts), driver_(driver), font_(font),
      lookup_(std::move(lookup)) {
  setObjectName("FormEnvOpt");
  auto T = [texts](int32_t id) { return GetResText(texts, id); };
  setWindowTitle(T(txt::kOptionsCaption));
  updating_ = true;

  ListBoxPages = new QListWidget(this);
  ListBoxPages->setObjectName("ListBoxPages");
  ListBoxPages->addItems({T(txt::kOptPageExtensions), T(txt::kOptPageFont), T(txt::kOptPageShell)});
  ListBoxPages->setFixedWidth(130);
  PageControl = new QStackedWidget(this);

  // Extensions.
  auto* extPage = new QWidget(PageControl);
  auto* extLayout = new QVBoxLayout(extPage);
  LabelArcExt = new QLabel(T(txt::kOptCompressedExtensions), extPage);
  LabelArcExt->setWordWrap(true);
  extLayout->addWidget(LabelArcExt);
  ListViewExts = new QTreeWidget(extPage);
  ListViewExts->setObjectName("ListViewExts");
  ListViewExts->setColumnCount(2);
  ListViewExts->setHeaderLabels({T(txt::kOptColumnExt), T(txt::kOptColumnDescription)});
  ListViewExts->setRootIsDecorated(false);
  ListViewExts->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListViewExts->setSortingEnabled(true);
  ListViewExts->sortByColumn(0, Qt::AscendingOrder);
  ListViewExts->header()->resizeSection(0, 80);
  extLayout->addWidget(ListViewExts, 1);
  auto* extButtons = new QHBoxLayout;
  BitBtnAddExt = new QPushButton(T(txt::kOptAdd), extPage);
  BitBtnClearExt = new QPushButton(T(txt::kOptClear), extPage);
  BitBtnDelExt = new QPushButton(T(txt::kOptDelete), extPage);
  for (QPushButton* b : {BitBtnAddExt, BitBtnClearExt, BitBtnDelExt}) {
    b->setAutoDefault(false);
    extButtons->addWidget(b);
  }
  extButtons->addStretch(1);
  extLayout->addLayout(extButtons);
  PageControl->addWidget(extPage);

  // Font and language.
  auto* fontPage = new QWidget(PageControl);
  auto* fontLayout = new QVBoxLayout(fontPage);
  GroupBoxEdit = new QGroupBox(T(txt::kOptMessageEditor), fontPage);
  auto* fontForm = new QFormLayout(GroupBoxEdit);
  LabeledEditFontName = new QLineEdit(GroupBoxEdit);
  LabeledEditFontName->setReadOnly(true);
  LabeledEditSize = new QLineEdit(GroupBoxEdit);
  LabeledEditSize->setReadOnly(true);
  fontForm->addRow(T(txt::kOptFontName), LabeledEditFontName);
  fontForm->addRow(T(txt::kOptFontSize), LabeledEditSize);
  BitBtnFontSetup = new QPushButton(T(txt::kOptChooseFont), GroupBoxEdit);
  BitBtnFontSetup->setAutoDefault(false);
  fontForm->addRow(BitBtnFontSetup);
  fontLayout->addWidget(GroupBoxEdit);
  LabelLanguage = new QLabel(T(txt::kOptLanguage), fontPage);
  ComboBoxLanguage = new QComboBox(fontPage);
  ComboBoxLanguage->setObjectName("ComboBoxLanguage");
  fontLayout->addWidget(LabelLanguage);
  fontLayout->addWidget(ComboBoxLanguage);
  fontLayout->addStretch(1);
  PageControl->addWidget(fontPage);

  // Shell.
  auto* shellPage = new QWidget(PageControl);
  auto* shellLayout = new QVBoxLayout(shellPage);
  CheckBoxShellExt = new QCheckBox(T(txt::kOptShellCommands), shellPage);
  CheckBoxAssoc = new QCheckBox(T(txt::kOptAssociate), shellPage);
  CheckBoxSystray = new QCheckBox(T(txt::kOptSystemTray), shellPage);
  CheckBoxMinOnStartup = new QCheckBox(T(txt::kOptMinimizedStart), shellPage);
  for (QCheckBox* c : {CheckBoxShellExt, CheckBoxAssoc, CheckBoxSystray, CheckBoxMinOnStartup})
    shellLayout->addWidget(c);
  shellLayout->addStretch(1);
  PageControl->addWidget(shellPage);

  BitBtnClose = new QPushButton(T(txt::kOptClose), this);
  BitBtnClose->setObjectName("BitBtnClose");
  BitBtnClose->setAutoDefault(false);
  auto* layout = new QVBoxLayout(this);
  auto* middle = new QHBoxLayout;
  middle->addWidget(ListBoxPages);
  middle->addWidget(PageControl, 1);
  layout->addLayout(middle, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(BitBtnClose);
  layout->addLayout(bottom);
  resize(560, 360);

  // Fill the controls; nothing registers meanwhile.
  if (driver_) {
    CheckBoxShellExt->setChecked(driver_->IsShellExtRegistered() == 0);
    CheckBoxAssoc->setChecked(driver_->IsFileTypeRegistered() == 0);
  }
  CheckBoxSystray->setChecked(IntValue("systray") != 0);
  CheckBoxMinOnStartup->setChecked(IntValue("startup minimized") != 0);
  for (const std::string& ext : CompressedExtensions(params_)) AddRow(QString::fromStdString(ext).mid(1));
  ShowFont();
  int32_t langs = IntValue("lang_count");
  QString current = Value("lang_cur");
  for (int32_t n = 0; n < langs; ++n) {
    QString code = Value("lang" + QString::number(n));
    langCodes_ << code;
    ComboBoxLanguage->addItem(code.isEmpty() ? QString() : Value(code + "_name"));
    if (code == current && !code.isEmpty()) ComboBoxLanguage->setCurrentIndex(int(n));
  }
  if (langCodes_.indexOf(current) < 0 || current.isEmpty()) ComboBoxLanguage->setCurrentIndex(-1);
  ListBoxPages->setCurrentRow(0);
  PageControl->setCurrentIndex(0);
  updating_ = false;

  connect(ListBoxPages, &QListWidget::currentRowChanged, this, &TFormEnvOpt::SelectPage);
  connect(BitBtnAddExt, &QPushButton::clicked, this, &TFormEnvOpt::BitBtnAddExtClick);
  connect(BitBtnDelExt, &QPushButton::clicked, this, &TFormEnvOpt::BitBtnDelExtClick);
  connect(BitBtnClearExt, &QPushButton::clicked, this, &TFormEnvOpt::BitBtnClearExtClick);
  connect(BitBtnFontSetup, &QPushButton::clicked, this, &TFormEnvOpt::BitBtnFontSetupClick);
  connect(ComboBoxLanguage, &QComboBox::currentIndexChanged, this, &TFormEnvOpt::ComboBoxLanguageChange);
  connect(CheckBoxAssoc, &QCheckBox::clicked, this, &TFormEnvOpt::CheckBoxAssocClick);
  connect(CheckBoxShellExt, &QCheckBox::clicked, this, &TFormEnvOpt::CheckBoxShellExtClick);
  connect(BitBtnClose, &QPushButton::clicked, this, &TFormEnvOpt::BitBtnCloseClick);
}

void TFormEnvOpt::SelectPage(int page) {
  if (page < 0 || page > 2) return;
  if (ListBoxPages->currentRow() != page) ListBoxPages->setCurrentRow(page);
  PageControl->setCurrentIndex(page);
}

QString TFormEnvOpt::Value(const QString& name) const {
  HeldString v;
  QString out;
  if (params_ && params_->GetString(name.toUtf8().constData(), &v) == 0 && v) out = v.Text();
  return out;
}

int32_t TFormEnvOpt::IntValue(const QString& name) const {
  int32_t v = 0;
  if (!params_ || params_->GetInt(name.toUtf8().constData(), &v) != 0) return 0;
  return v;
}

void TFormEnvOpt::AddRow(const QString& ext) {
  auto* row = new QTreeWidgetItem;
  row->setText(0, ext);
  if (ext.compare("EXE", Qt::CaseInsensitive) == 0) {
    row->setIcon(0, style()->standardIcon(QStyle::SP_ComputerIcon));
    row->setText(1, GetResText(texts_, txt::kProgramType));
  } else {
    ExtensionLook look = lookup_ ? lookup_(ext) : ExtensionLook{};
    if (look.found) {
      row->setIcon(0, look.icon.isNull() ? style()->standardIcon(QStyle::SP_FileIcon) : look.icon);
      row->setText(1, look.description);
    } else {
      row->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
      row->setText(1, GetResText(texts_, txt::kUnknownType));
    }
  }
  ListViewExts->addTopLevelItem(row);
}

void TFormEnvOpt::RewriteExtensions() {
  if (!params_) return;
  int32_t stored = IntValue("count_of_arc_ext");
  for (int32_t n = 0; n < stored; ++n) params_->Delete(Name("arc_ext_", n).constData());
  int rows = ListViewExts->topLevelItemCount();
  params_->SetInt("count_of_arc_ext", rows);
  for (int n = 0; n < rows; ++n) {
    QByteArray name = Name("arc_ext_", n);
    // The setters never create a name: each entry is added first.
    params_->Add(name.constData(), nullptr);
    params_->SetString(name.constData(), ("." + ListViewExts->topLevelItem(n)->text(0)).toUtf8().constData());
  }
  params_->Save();
}

void TFormEnvOpt::BitBtnAddExtClick() {
  QString answer;
  if (!AskString(this, texts_, GetResText(texts_, txt::kAddExtensionTitle), answer) || answer.isEmpty())
    return;
  if (!answer.startsWith('.')) answer.prepend('.');
  QString ext = answer.mid(1);
  for (int n = 0; n < ListViewExts->topLevelItemCount(); ++n)
    if (ListViewExts->topLevelItem(n)->text(0).compare(ext, Qt::CaseInsensitive) == 0) return;
  AddRow(ext);
  RewriteExtensions();
}

void TFormEnvOpt::BitBtnDelExtClick() {
  QTreeWidgetItem* row = ListViewExts->currentItem();
  if (!row || !row->isSelected()) return;
  delete row;
  RewriteExtensions();
}

void TFormEnvOpt::BitBtnClearExtClick() {
  ListViewExts->clear();
  RewriteExtensions();
}

void TFormEnvOpt::ShowFont() {
  LabeledEditFontName->setText(font_.family());
  LabeledEditSize->setText(QString::number(font_.pointSize()));
}

void TFormEnvOpt::BitBtnFontSetupClick() {
  QFont f = font_;
  if (!CurrentPrompter().Font(this, f)) return;
  font_ = f;
  ShowFont();
}

void TFormEnvOpt::ComboBoxLanguageChange(int index) {
  if (updating_ || index < 0 || index >= langCodes_.size() || !params_) return;
  const QString& code = langCodes_[index];
  if (code == Value("lang_cur")) return;
  params_->SetString("lang_cur", code.toUtf8().constData());
  CurrentPrompter().Message(this, windowTitle(), GetResText(texts_, txt::kLanguageChanged),
                            BoxIcon::kWarning, BoxButtons::kOk);
}

void TFormEnvOpt::CheckBoxAssocClick() {
  if (updating_ || !driver_) return;
  if (CheckBoxAssoc->isChecked())
    driver_->RegisterFileType();
  else
    driver_->UnregisterFileType();
}

void TFormEnvOpt::CheckBoxShellExtClick() {
  if (updating_ || !driver_) return;
  if (CheckBoxShellExt->isChecked())
    driver_->RegisterShellExt();
  else
    driver_->UnregisterShellExt();
}

void TFormEnvOpt::BitBtnCloseClick() {
  if (params_) {
    params_->SetLong("systray", CheckBoxSystray->isChecked() ? 1 : 0);
    params_->SetLong("startup minimized", CheckBoxMinOnStartup->isChecked() ? 1 : 0);
    params_->Save();
  }
  accept();
}

void ShowEnvironmentOptions(QWidget* owner, zk::IAppParam* params, zk::ITextRes* texts,
                            zk::ISafeDriverApp* driver, QFont& font, ExtensionLookup lookup) {
  TFormEnvOpt form(params, texts, driver, font, std::move(lookup), owner);
  form.exec();
  font = form.ChosenFont();
}

}  // namespace kiv
