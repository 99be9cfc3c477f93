#include "desktop/KeyStorageUnit.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstring>
#include <string>

#include "Wipe.h"
#include "desktop/CommonUnit.h"
#include "desktop/KeyDialogsUnit.h"
#include "desktop/Prompter.h"
#include "desktop/TextIds.h"
#include "desktop/ToolTextIds.h"
#include "desktop/WaitHourglassUnit.h"
#include "desktop/zk5Base.hpp"

namespace kiv {

namespace {

QString WithDefaultSuffix(QString path, const char* suffix) {
  if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QString(".") + suffix;
  return path;
}

struct Secret {
  std::string text;
  ~Secret() { zk::Wipe(text.data(), text.size()); }
};

}  // namespace

TFormKeyStorage::TFormKeyStorage(zk::ITextRes* texts, zk::IKeysCtrl* keys, QWidget* owner)
    : QDialog(owner), texts_(texts), keys_(keys) {
  setObjectName("FormKeyStorage");
  setWindowTitle(GetResText(texts, txt::kKeyStorageCaption));
  QStyle* st = style();
  const QIcon publicIcon = st->standardIcon(QStyle::SP_FileIcon);
  const QIcon pairIcon = st->standardIcon(QStyle::SP_DialogApplyButton);
  auto T = [texts](int32_t id) { return GetResText(texts, id); };

  // Pop-up menus of the key table.
  PopupMenuPrivateCommands = new QMenu(this);
  auto add = [this](QMenu* m, int32_t id, const char* name, void (TFormKeyStorage::*f)()) {
    QAction* a = m->addAction(GetResText(texts_, id));
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, f);
    return a;
  };
  add(PopupMenuPrivateCommands, txt::kMenuCreatePrivateKey, "mnCreatePrivateKey", &TFormKeyStorage::mnCreatePrivateKeyClick);
  add(PopupMenuPrivateCommands, txt::kMenuLoadKey, "mnLoadPrivateKey", &TFormKeyStorage::mnLoadPrivateKeyClick);
  add(PopupMenuPrivateCommands, txt::kMenuSaveKey, "mnSavePrivateKey", &TFormKeyStorage::mnSavePrivateKeyClick);
  add(PopupMenuPrivateCommands, txt::kMenuSavePublicComponent, "mnSavePublicComp", &TFormKeyStorage::mnSavePublicCompClick);
  PopupMenuPrivateCommands->addSeparator();
  add(PopupMenuPrivateCommands, txt::kMenuImportPgp, "mnPrivateImportPGP", &TFormKeyStorage::mnPrivateImportPGPClick);
  add(PopupMenuPrivateCommands, txt::kMenuExportPgp, "mnPrivateExportPGP", &TFormKeyStorage::mnPrivateExportPGPClick);
  add(PopupMenuPrivateCommands, txt::kMenuExportPublicPgp, "mnPrivateExportPubPGP", &TFormKeyStorage::mnPrivateExportPubPGPClick);
  PopupMenuPrivateCommands->addSeparator();
  add(PopupMenuPrivateCommands, txt::kMenuDeleteKey, "mnDeletePrivateKey", &TFormKeyStorage::mnDeletePrivateKeyClick);
  PopupMenuPublicKeys = new QMenu(this);
  add(PopupMenuPublicKeys, txt::kMenuLoadKey, "mnLoadPublicKey", &TFormKeyStorage::mnLoadPublicKeyClick);
  add(PopupMenuPublicKeys, txt::kMenuSaveKey, "mnSavePublicKey", &TFormKeyStorage::mnSavePublicKeyClick);
  PopupMenuPublicKeys->addSeparator();
  add(PopupMenuPublicKeys, txt::kMenuImportPgp, "mnPublicKeysImportPGP", &TFormKeyStorage::tlbOpenPGPClick);
  add(PopupMenuPublicKeys, txt::kMenuExportPgp, "mnPublicKeysExportToPGP", &TFormKeyStorage::mnPublicKeysExportToPGPClick);
  PopupMenuPublicKeys->addSeparator();
  add(PopupMenuPublicKeys, txt::kMenuDeleteKey, "mnDeletePublicKey", &TFormKeyStorage::mnDeletePublicKeyClick);

  // Tool bar.
  ToolBarKeys = new QToolBar(this);
  auto tool = [this](QStyle::StandardPixmap icon, int32_t hint, const char* name,
                     void (TFormKeyStorage::*f)()) {
    QAction* a = ToolBarKeys->addAction(style()->standardIcon(icon), GetResText(texts_, hint));
    a->setObjectName(name);
    a->setToolTip(GetResText(texts_, hint));
    connect(a, &QAction::triggered, this, f);
    return a;
  };
  tlbGenerateKey = tool(QStyle::SP_FileDialogNewFolder, txt::kHintCreateKeyPair, "tlbGenerateKey",
                        &TFormKeyStorage::mnCreatePrivateKeyClick);
  tlbOpenKeyFile = tool(QStyle::SP_DialogOpenButton, txt::kHintLoadKeyFile, "tlbOpenKeyFile",
                        &TFormKeyStorage::tlbOpenKeyFileClick);
  tlbSaveKey = tool(QStyle::SP_DialogSaveButton, txt::kHintSaveKey, "tlbSaveKey", &TFormKeyStorage::tlbSaveKeyClick);
  tlbSavePublicKey = tool(QStyle::SP_FileLinkIcon, txt::kHintSavePublicComponent, "tlbSavePublicKey",
                          &TFormKeyStorage::mnSavePublicCompClick);
  ToolBarKeys->addSeparator();
  tlbOpenPGP = tool(QStyle::SP_ArrowDown, txt::kHintImportPgp, "tlbOpenPGP", &TFormKeyStorage::tlbOpenPGPClick);
  tlbSavePGP = tool(QStyle::SP_ArrowUp, txt::kHintExportPgp, "tlbSavePGP", &TFormKeyStorage::tlbSavePGPClick);
  tlbSavePublicPGP = tool(QStyle::SP_ArrowRight, txt::kHintExportPublicPgp, "tlbSavePublicPGP",
                          &TFormKeyStorage::mnPrivateExportPubPGPClick);

  ListViewIcons = new QListWidget(this);
  ListViewIcons->setObjectName("ListViewIcons");
  ListViewIcons->setViewMode(QListView::IconMode);
  ListViewIcons->setIconSize(QSize(32, 32));
  ListViewIcons->setMovement(QListView::Static);
  ListViewIcons->setFlow(QListView::TopToBottom);
  ListViewIcons->setFixedWidth(110);
  ListViewIcons->setGridSize(QSize(100, 70));
  new QListWidgetItem(pairIcon, T(txt::kPrivateKeys), ListViewIcons);
  new QListWidgetItem(publicIcon, T(txt::kPublicKeys), ListViewIcons);

  ListViewKeys = new QTreeWidget(this);
  ListViewKeys->setObjectName("ListViewKeys");
  ListViewKeys->setColumnCount(3);
  ListViewKeys->setHeaderLabels({T(txt::kKeyColumnName), T(txt::kKeyColumnCreated), T(txt::kKeyBits)});
  ListViewKeys->setRootIsDecorated(false);
  ListViewKeys->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListViewKeys->setSelectionMode(QAbstractItemView::SingleSelection);
  ListViewKeys->setAlternatingRowColors(true);
  ListViewKeys->setContextMenuPolicy(Qt::CustomContextMenu);
  ListViewKeys->header()->resizeSection(0, 260);
  ListViewKeys->header()->resizeSection(1, 200);
  connect(ListViewKeys, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    (PairsShown() ? PopupMenuPrivateCommands : PopupMenuPublicKeys)
        ->popup(ListViewKeys->viewport()->mapToGlobal(p));
  });

  BitBtnChngPass = new QPushButton(T(txt::kChangePassword), this);
  BitBtnChngPass->setObjectName("BitBtnChngPass");
  BitBtnClose = new QPushButton(T(txt::kClose), this);
  BitBtnClose->setObjectName("BitBtnClose");
  BitBtnChngPass->setAutoDefault(false);
  BitBtnClose->setAutoDefault(false);
  connect(BitBtnChngPass, &QPushButton::clicked, this, &TFormKeyStorage::BitBtnChngPassClick);
  connect(BitBtnClose, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ToolBarKeys);
  auto* middle = new QHBoxLayout;
  middle->addWidget(ListViewIcons);
  middle->addWidget(ListViewKeys, 1);
  layout->addLayout(middle, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BitBtnChngPass);
  buttons->addStretch(1);
  buttons->addWidget(BitBtnClose);
  layout->addLayout(buttons);
  resize(680, 380);

  connect(ListViewIcons, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) SelectList(row);
  });
  ListViewIcons->setCurrentRow(0);
  SelectList(0);
}

bool TFormKeyStorage::PairsShown() const { return ListViewIcons->currentRow() != 1; }

void TFormKeyStorage::SelectList(int item) {
  if (ListViewIcons->currentRow() != item) {
    ListViewIcons->setCurrentRow(item);  // comes back here through the signal
    return;
  }
  bool pairs = item == 0;
  tlbGenerateKey->setEnabled(pairs);
  tlbSavePublicKey->setEnabled(pairs);
  tlbSavePublicPGP->setEnabled(pairs);
  Reload();
}

void TFormKeyStorage::Reload() {
  bool pairs = PairsShown();
  ListViewKeys->setUpdatesEnabled(false);
  ListViewKeys->clear();
  uint32_t count = pairs ? keys_->GetPrivateKeyCount() : keys_->GetPublicKeyCount();
  const QIcon icon = style()->standardIcon(pairs ? QStyle::SP_DialogApplyButton : QStyle::SP_FileIcon);
  for (uint32_t i = 0; i < count; ++i) {
    zk::KeyInfo info{};
    StatusCode r = pairs ? keys_->GetPrivateKeyInfo(i, &info) : keys_->GetPublicKeyInfo(i, &info);
    if (r != 0) std::memset(&info, 0, sizeof info);
    auto* row = new QTreeWidgetItem(ListViewKeys);
    row->setText(0, OwnerCaption(info.owner));
    row->setText(1, FormatTmDateTime(texts_, info.created));
    row->setText(2, FormatGroupedNumber(info.bits));
    row->setIcon(0, icon);
  }
  ListViewKeys->setUpdatesEnabled(true);
}

int TFormKeyStorage::SelectedRow() const {
  QTreeWidgetItem* item = ListViewKeys->currentItem();
  if (!item || !item->isSelected()) return -1;
  return ListViewKeys->indexOfTopLevelItem(item);
}

void TFormKeyStorage::Inform(int32_t id) {
  CurrentPrompter().Message(this, windowTitle(), GetResText(texts_, id), BoxIcon::kInformation,
                            BoxButtons::kOk);
}

void TFormKeyStorage::Fail(int32_t id) {
  CurrentPrompter().Message(this, windowTitle(), GetResText(texts_, id), BoxIcon::kError,
                            BoxButtons::kOk);
}

void TFormKeyStorage::ExportResult(StatusCode code, bool informationIcon) {
  if (code == 0)
    Inform(txt::kKeySaved);
  else if (informationIcon)
    Inform(txt::kKeySaveFailed);
  else
    Fail(txt::kKeySaveFailed);
}

bool TFormKeyStorage::SaveStorage() {
  return ShowKeyStorageError(this, texts_, keys_->Save(), windowTitle());
}

QString TFormKeyStorage::KeyFileSave(int32_t titleId) {
  return WithDefaultSuffix(CurrentPrompter().SaveFile(this, GetResText(texts_, titleId), QString(),
                                                      QtFilter(GetResText(texts_, txt::kKeyFilter))),
                           "kvk");
}

QString TFormKeyStorage::PgpFileDialog(bool save, int32_t titleId) {
  QString title = GetResText(texts_, titleId);
  QString filter = QtFilter(GetResText(texts_, txt::kPgpKeyFilter));
  if (save) return WithDefaultSuffix(CurrentPrompter().SaveFile(this, title, QString(), filter), "txt");
  return CurrentPrompter().OpenFile(this, title, QString(), filter);
}

void TFormKeyStorage::mnCreatePrivateKeyClick() {
  zk::KeyOwner owner{};
  int32_t bits = 1024;
  {
    TFormRSAKeyParam form(texts_, this);
    if (!form.Run(owner, bits)) return;
  }
  zk::IKeysCtrl* keys = keys_;
  StatusCode r = WaitRun(windowTitle(), GetResText(texts_, txt::kCreatingKeyPair),
                         [keys, owner, bits] { return keys->GenerateKeyPair(&owner, bits); });
  if (r != 0) {
    Fail(txt::kKeyPairCreateFailed);
  } else if (SaveStorage()) {
    Inform(txt::kKeyPairCreated);
  }
  Reload();
}

void TFormKeyStorage::LoadKeyFile(bool pairFile) {
  QString file = CurrentPrompter().OpenFile(this, GetResText(texts_, txt::kLoadKeyTitle), QString(),
                                            QtFilter(GetResText(texts_, txt::kKeyFilter)));
  if (file.isEmpty()) return;
  Secret password;
  if (pairFile && !RunInputPass(this, GetResText(texts_, txt::kKeyFilePassword), password.text)) return;
  StatusCode r = keys_->ImportKeys(file.toUtf8().constData(), password.text.c_str());
  // Saved in both cases; a failing save is shown instead of the success.
  bool saved = SaveStorage();
  if (r != 0)
    Fail(txt::kKeyLoadFailed);
  else if (saved)
    Inform(txt::kKeyLoaded);
  Reload();
}

void TFormKeyStorage::mnLoadPrivateKeyClick() { LoadKeyFile(true); }
void TFormKeyStorage::mnLoadPublicKeyClick() { LoadKeyFile(false); }

void TFormKeyStorage::mnSavePrivateKeyClick() {
  int row = SelectedRow();
  if (row < 0) return;
  QString file = KeyFileSave(txt::kSaveKeyPairTitle);
  if (file.isEmpty()) return;
  Secret password;
  if (!RunNewPassword(this, GetResText(texts_, txt::kExportPasswordTitle), texts_, password.text))
    return;
  ExportResult(keys_->ExportPrivateKey(file.toUtf8().constData(), password.text.c_str(), uint32_t(row)),
               false);
}

void TFormKeyStorage::mnSavePublicCompClick() {
  int row = SelectedRow();
  if (row < 0 || !PairsShown()) return;
  QString file = KeyFileSave(txt::kSavePublicKeyTitle);
  if (file.isEmpty()) return;
  ExportResult(keys_->ExportPublicPart(file.toUtf8().constData(), uint32_t(row)), false);
}

void TFormKeyStorage::mnSavePublicKeyClick() {
  int row = SelectedRow();
  if (row < 0) return;
  QString file = KeyFileSave(txt::kSavePublicKeyTitle);
  if (file.isEmpty()) return;
  ExportResult(keys_->ExportPublicKey(file.toUtf8().constData(), uint32_t(row)), false);
}

void TFormKeyStorage::ImportPgp() {
  QString file = PgpFileDialog(false, txt::kImportPgpTitle);
  if (file.isEmpty()) return;
  QByteArray path = file.toUtf8();
  int32_t isPrivate = 0, bits = 0;
  HeldString userId;
  zk::PgpCalendarTime created{}, second{};
  StatusCode r = keys_->GetPgpKeyInfo(path.constData(), &isPrivate, &bits, &userId, &created, &second);
  QString user = userId.Text();
  if (!ShowToolkitError(this, texts_, r, GetResText(texts_, txt::kPgpKey))) return;
  zk::KeyOwner owner{};
  Secret password;
  if (!RunPgpKeyInfo(this, texts_, isPrivate == 1, bits, created, user, owner, password.text)) return;
  r = keys_->ImportPgpKey(path.constData(), password.text.c_str(), &owner);
  if (ShowToolkitError(this, texts_, r, GetResText(texts_, txt::kPgpKey)) && SaveStorage()) Inform(txt::kPgpKeyImported);
  Reload();
}

void TFormKeyStorage::mnPrivateImportPGPClick() { ImportPgp(); }
void TFormKeyStorage::tlbOpenPGPClick() { ImportPgp(); }

void TFormKeyStorage::mnPrivateExportPGPClick() {
  int row = SelectedRow();
  if (row < 0) return;
  QString file = PgpFileDialog(true, txt::kExportPgpTitle);
  if (file.isEmpty()) return;
  Secret password;
  if (!RunNewPassword(this, GetResText(texts_, txt::kExportPasswordTitle), texts_, password.text))
    return;
  ExportResult(keys_->ExportPgpPrivateKey(file.toUtf8().constData(), password.text.c_str(), uint32_t(row)),
               true);
}

void TFormKeyStorage::ExportPgpPublic(int32_t listFlag) {
  int row = SelectedRow();
  if (row < 0) return;
  QString file = PgpFileDialog(true, txt::kExportPgpTitle);
  if (file.isEmpty()) return;
  ExportResult(keys_->ExportPgpPublicKey(file.toUtf8().constData(), listFlag, uint32_t(row)), true);
}

void TFormKeyStorage::mnPrivateExportPubPGPClick() {
  if (PairsShown()) ExportPgpPublic(1);
}
void TFormKeyStorage::mnPublicKeysExportToPGPClick() { ExportPgpPublic(0); }

void TFormKeyStorage::mnDeletePrivateKeyClick() {
  int row = SelectedRow();
  if (row < 0) return;
  if (CurrentPrompter().Message(this, windowTitle(), GetResText(texts_, txt::kAskDeleteKeyPair), BoxIcon::kQuestion,
                                BoxButtons::kYesNo) != BoxAnswer::kYes)
    return;
  if (ShowKeyStorageError(this, texts_, keys_->DeletePrivateKey(uint32_t(row)), windowTitle()))
    SaveStorage();
  Reload();
}

void TFormKeyStorage::mnDeletePublicKeyClick() {
  int row = SelectedRow();
  if (row < 0) return;
  if (CurrentPrompter().Message(this, windowTitle(), GetResText(texts_, txt::kAskDeletePublicKey), BoxIcon::kQuestion,
                                BoxButtons::kYesNo) != BoxAnswer::kYes)
    return;
  if (ShowKeyStorageError(this, texts_, keys_->DeletePublicKey(uint32_t(row)), windowTitle()))
    SaveStorage();
  Reload();
}

void TFormKeyStorage::tlbOpenKeyFileClick() { LoadKeyFile(PairsShown()); }

void TFormKeyStorage::tlbSaveKeyClick() {
  if (PairsShown())
    mnSavePrivateKeyClick();
  else
    mnSavePublicKeyClick();
}

void TFormKeyStorage::tlbSavePGPClick() {
  if (PairsShown())
    mnPrivateExportPGPClick();
  else
    mnPublicKeysExportToPGPClick();
}

void TFormKeyStorage::BitBtnChngPassClick() {
  Secret password;
  if (!RunNewPassword(this, GetResText(texts_, txt::kNewStoragePasswordTitle), texts_, password.text)) return;
  if (keys_->ChangePassword(password.text.c_str()) == 0)
    Inform(txt::kStoragePasswordChanged);
  else
    Fail(txt::kStoragePasswordNotChanged);
}

void ShowKeyStorageWindow(QWidget* owner, zk::ITextRes* texts, zk::IKeysCtrl* keys) {
  if (!keys) return;
  TFormKeyStorage form(texts, keys, owner);
  form.exec();
}

}  // namespace kiv
