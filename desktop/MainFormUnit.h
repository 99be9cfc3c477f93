// TMainForm, the program's main window "Kivora 1.01": it shows the open
// secret (OpenSecret, which holds the document and its rules). It receives the
// messages it posts to itself and those other processes send (as
// KivEvent), keeps the pending and working file lists, and queues every
// message that arrives while an engine call runs on the worker thread.
#pragma once
#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/MainStates.h"
#include "desktop/OpenSecret.h"
#include "desktop/ReloadMenu.h"
#include "desktop/SysTrayUnit.h"
#include "desktop/WindowMessages.h"
#include "kvSafeDriver.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStackedWidget;
class QTimer;
class QToolBar;
class QTreeWidget;

namespace kiv {

// Where FormCreate finds the engine: by default kiv_safe.so from the
// program's folder and its class kiv.SafeDriverApp; tests give a fake.
struct EngineSource {
  std::function<bool()> load;                       // false: not found
  std::function<StatusCode(zk::IBase**)> create;    // the driver object
};
EngineSource LibraryEngine();

class TMessageSocket;
class kvTExplorerExt;
class kvTSysTray;
class TrayBackend;

class TMainForm : public QMainWindow, private OpenSecretView {
  Q_OBJECT
 public:
  // arguments: the command line without the program name.
  // tray: the notification-area backend (null: the system's).
  explicit TMainForm(std::vector<std::string> arguments, QWidget* parent = nullptr,
                     std::unique_ptr<TrayBackend> tray = nullptr);
  ~TMainForm() override;

  // Binds the toolkit and the engine, starts the engine and takes its text
  // resource and parameters. A failure shows its message and ends the
  // process with its code (-1 to -5).
  void FormCreate(const EngineSource& engine = LibraryEngine());

  // Serves the socket this program listens on (fd from the single-instance
  // claim; -1 for none).
  void ListenForMessages(int listenFd);

  MessageReceiver& Receiver() { return receiver_; }
  // The messages handled so far whose windows are not built yet (each a
  // recorded no-op), in handling order.
  const std::vector<uint32_t>& RecordedMessages() const { return recorded_; }
  bool HiddenToTray() const { return hiddenToTray_; }
  bool ShutDown() const { return shutDown_; }
  // Log-out or SIGTERM: the window closes (settings saved) and is never
  // hidden to the tray.
  void BeginShutDown();

  // Shows an opened or new secret (the end of the new and open chains):
  // the model takes over one reference of each; the window shows the view
  // of the kind (1-3), starts the monitor and applies the states. created:
  // a new secret, whose message or safe is unsaved until Save.
  void ShowSecret(zk::IKivSecret* s, zk::IBase* c, int32_t kind, const std::string& path,
                  bool created = false);

  // Commands of the Secret and Help menus.
  void mnSecretNewClick();
  void mnSecretOpenClick();
  void mnSecretSaveClick();
  // Offers unsaved changes for saving (Yes, No, Cancel); false when the
  // user cancelled or the save failed: the secret then stays open.
  bool OfferSave();
  // Closes the shown secret; false (and nothing closed) when OfferSave
  // refused.
  bool mnSecretCloseClick();
  void mnSecretPropertiesClick();
  void mnSecretDeleteClick();
  void mnHelpAboutClick();
  void mnHelpContentsClick();
  void stmShowClick();
  void stmExitClick();
  void TimerMonitorTimer();
  void MemoMessageChange();
  // The menus' and tool bars' states for the window as it is now.
  void ApplyStates();
  MainStateInput StateInput() const;

  // The tool windows (the password generator, once built, installs its
  // own opener; until then its command is recorded, see RecordedCommands).
  void mnToolsEnvironmentOptionsClick();
  void mnToolsKeyStorageClick();
  void mnToolSignCreateClick();
  void mnToolsSignCheckClick();
  void mnToolsGenePassClick();
  void mnToolsClipboardClick();
  // The commands of the chains and of the content (new, open, edit, file
  // and folder items, properties window) are recorded here and do nothing
  // until their units hook in.
  void ContentCommand(const QString& name);
  const std::vector<QString>& RecordedCommands() const { return commands_; }

  TReloadFileMenu& RecentFiles() { return recent_; }
  // The file-type icon cache (made on first use).
  kvTExplorerExt& ExplorerExt();
  kvTSysTray* Tray() const { return tray_; }
  // Integer and string parameters with defaults.
  int32_t ParamInt(const char* name, int32_t def) const;
  QString ParamString(const char* name, const QString& def) const;

  // Components (named as their object names).
  QMenu *mnSecret, *mnSecretReopen, *mnEdit, *mnFile, *mnFolder, *mnTools, *mnToolsSignature,
      *mnHelp;
  QToolBar *ToolBarSecret, *ToolBarEdit, *ToolBarOneFile, *ToolBarSafe;
  QWidget *PanelTools, *PanelCommon, *PanelLeft, *PanelView, *TabSheetMessage, *TabSheetFile,
      *TabSheetSafe, *PanelIconLeft;
  QSplitter* MainSplitter;
  QStackedWidget* PageControlView;
  QTreeWidget *TreeViewSafe, *ListViewOneFile, *ListViewSafe;
  QPlainTextEdit* MemoMessage;
  QLabel *ImageFileExtIcon, *PanelSafeBottom, *StatusPanel0, *StatusPanel1;
  QTimer* TimerMonitor;
  QMenu* PopupMenuSystray;
  // Every menu item and tool button by object name.
  QAction* Action(const QString& name) const;

  zk::ISafeDriverApp* Driver() const { return driver_; }
  zk::ITextRes* Texts() const { return texts_; }
  zk::IAppParam* Params() const { return params_; }
  bool CopyContainer() const { return copyContainer_; }
  void SetCopyContainer(bool on) { copyContainer_ = on; }

  // The secret being made or shown, its saved flag and the chains' choices.
  OpenSecret& Model() { return model_; }
  const OpenSecret& Model() const { return model_; }

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  struct Message {
    uint32_t message, wParam, lParam;
  };
  void FormShow();
  void FormDestroy();
  // FormCloseQuery and FormClose: false when the close is refused.
  bool FormCloseQuery();
  bool FormClose();
  void BuildWindow();
  void CaptionWindow();
  QAction* MenuItem(QMenu* menu, const char* name, std::function<void()> handler);
  QAction* ToolButton(QToolBar* bar, const char* name, int icon, QAction* sameAs,
                      std::function<void()> handler = nullptr);
  void ShowView(int32_t kind);
  void HideView();
  void UpdateReadOnlyNote();
  void Relayout(bool narrower);
  // Closes the secret before a command that replaces it; false: refused.
  bool CloseForCommand();
  void HandleMessage(uint32_t message, uint32_t wParam, uint32_t lParam);
  void Dispatch(uint32_t message, uint32_t wParam, uint32_t lParam);
  // The start of commands 1045-1048.
  void BeginCommand();
  void ReplayQueued();
  // OpenSecretView: how the window follows the model.
  void StateChanged() override;
  void ContentChanged() override;
  std::string MessageText() override;
  SaveAnswer AskSaveChanges(bool mayCancel) override;
  StatusCode RunEngine(SecretOperation op, std::function<StatusCode()> call) override;
  void ShowFailure(SecretOperation op, StatusCode code) override;

  OpenSecret model_;

  std::vector<std::string> arguments_;
  MessageReceiver receiver_;
  std::vector<uint32_t> recorded_;
  std::vector<QString> commands_;
  TReloadFileMenu recent_;
  kvTSysTray* tray_ = nullptr;
  std::unique_ptr<TrayBackend> trayBackend_;
  bool closing_ = false;
  std::vector<Message> queued_;
  TMessageSocket* socket_ = nullptr;
  bool firstShow_ = true;
  bool shutDown_ = false;
  bool hiddenToTray_ = false;
  bool copyContainer_ = false;
  zk::ISafeDriverApp* driver_ = nullptr;
  zk::ITextRes* texts_ = nullptr;
  zk::IAppParam* params_ = nullptr;
  std::unique_ptr<kvTExplorerExt> explorerExt_;
};

}  // namespace kiv

namespace kiv {
// Log-out (the session manager's commit request) and SIGTERM close the
// window properly.
void InstallShutDownHandlers(TMainForm* form);
}  // namespace kiv
