// TFormKeyStorage "Key Storage": the key pairs and the public keys of the
// open key storage; every change is saved to disk at once.
#pragma once
#include <QDialog>

#include "kvSafeDriver.h"
#include "zk5script.h"

class QListWidget;
class QMenu;
class QPushButton;
class QToolBar;
class QToolButton;
class QTreeWidget;

namespace kiv {

class TFormKeyStorage : public QDialog {
  Q_OBJECT
 public:
  // keys: the open storage (not owned, not counted).
  TFormKeyStorage(zk::ITextRes* texts, zk::IKeysCtrl* keys, QWidget* owner = nullptr);

  // Item 0 key pairs, 1 public keys.
  void SelectList(int item);
  bool PairsShown() const;
  void Reload();

  // Commands; those that need a key do nothing without a selected row.
  void mnCreatePrivateKeyClick();
  void mnLoadPrivateKeyClick();
  void mnSavePrivateKeyClick();
  void mnSavePublicCompClick();
  void mnPrivateImportPGPClick();
  void mnPrivateExportPGPClick();
  void mnPrivateExportPubPGPClick();
  void mnDeletePrivateKeyClick();
  void mnLoadPublicKeyClick();
  void mnSavePublicKeyClick();
  void mnPublicKeysExportToPGPClick();
  void mnDeletePublicKeyClick();
  void tlbOpenKeyFileClick();
  void tlbSaveKeyClick();
  void tlbOpenPGPClick();
  void tlbSavePGPClick();
  void BitBtnChngPassClick();

  QListWidget* ListViewIcons;
  QTreeWidget* ListViewKeys;
  QMenu* PopupMenuPrivateCommands;
  QMenu* PopupMenuPublicKeys;
  QToolBar* ToolBarKeys;
  QAction* tlbGenerateKey;
  QAction* tlbOpenKeyFile;
  QAction* tlbSaveKey;
  QAction* tlbSavePublicKey;
  QAction* tlbOpenPGP;
  QAction* tlbSavePGP;
  QAction* tlbSavePublicPGP;
  QPushButton* BitBtnChngPass;
  QPushButton* BitBtnClose;

 private:
  // The selected row, or -1.
  int SelectedRow() const;
  void LoadKeyFile(bool pairFile);
  void ImportPgp();
  void ExportPgpPublic(int32_t listFlag);
  // Save after a change: true when stored, else the error is shown.
  bool SaveStorage();
  void Inform(int32_t id);
  void Fail(int32_t id);
  void ExportResult(StatusCode code, bool informationIcon);
  QString KeyFileSave(int32_t titleId);
  QString PgpFileDialog(bool save, int32_t titleId);

  zk::ITextRes* texts_;
  zk::IKeysCtrl* keys_;
};

// Shows the key storage window over owner (the main window's menu command,
// after OpenKeyStorage).
void ShowKeyStorageWindow(QWidget* owner, zk::ITextRes* texts, zk::IKeysCtrl* keys);

}  // namespace kiv
