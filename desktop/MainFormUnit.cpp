#include "desktop/MainFormUnit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidget>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "desktop/AboutUnit.h"
#include "desktop/ActionLooks.h"
#include "desktop/ClipboardCoderUnit.h"
#include "desktop/CommonUnit.h"
#include "desktop/DropTargetUnit.h"
#include "desktop/EnvOptUnit.h"
#include "desktop/ExplorerExtUnit.h"
#include "desktop/MessageCommandsUnit.h"
#include "desktop/OneFileUnit.h"
#include "desktop/ExternalCommandsUnit.h"
#include "desktop/KeyStorageUnit.h"
#include "desktop/PasswordGeneratorHook.h"
#include "desktop/PassGenUnit.h"
#include "desktop/PhysicalDeleteUnit.h"
#include "desktop/SafeCommandsUnit.h"
#include "desktop/SafeViewUnit.h"
#include "desktop/SignUnit.h"
#include "desktop/Prompter.h"
#include "desktop/SysTrayUnit.h"
#include "desktop/TextIds.h"
#include "desktop/EngineWorker.h"
#include "desktop/KivEvent.h"
#include "desktop/MessageSocket.h"
#include "desktop/NewSecretChainUnit.h"
#include "desktop/WaitHourglassUnit.h"
#include "desktop/WizardTextIds.h"
#include "desktop/zk5Base.hpp"
#include "kvMessageSocket.h"
#include "ProgramFolder.h"
#include "ToolkitObject.h"

namespace kiv {

TMainForm::TMainForm(std::vector<std::string> arguments, QWidget* parent,
                     std::unique_ptr<TrayBackend> tray)
    : QMainWindow(parent), arguments_(std::move(arguments)), trayBackend_(std::move(tray)) {
  setObjectName("MainForm");
  model_.SetView(this);
  setWindowTitle(QString::fromLatin1(wm::kWindowTitle));
  setWindowIcon(ProgramIcon());
  BuildWindow();
  ChooseFallbackIconTheme();
  ApplyActionLooks(this);
  resize(700, 520);
  // Messages queued during an engine call run once it has returned.
  EngineWorker::Instance().AddIdleHook(this, [this] { ReplayQueued(); });
}

namespace {

// What the engine's start has to tell the user (settings or keys moved from
// an earlier build, a settings file left unused and why): on stderr, and in
// a box once the window shows.
void ShowStartNotes(QWidget* owner, zk::ISafeDriverApp* driver) {
  zk::Held<zk::IStartNotes> notes(QueryToolkitInterface<zk::IStartNotes>(driver, zk::id::KivIStartNotes));
  if (!notes) return;
  HeldString text;
  QString shown;
  if (notes->GetStartNotes(&text) == 0 && text) shown = text.Text();
  if (shown.isEmpty()) return;
  std::fprintf(stderr, "%s\n", shown.toUtf8().constData());
  QTimer::singleShot(0, owner, [owner, shown] {
    CurrentPrompter().Message(owner, QApplication::applicationName(), shown, BoxIcon::kWarning,
                              BoxButtons::kOk);
  });
}

}  // namespace

EngineSource LibraryEngine() {
  EngineSource s;
  s.load = [] {
    std::string path = zk::ProgramFolder() + "kiv_safe.so";
    // Never unloaded while the program runs.
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE) != nullptr;
  };
  s.create = [](zk::IBase** out) {
    return ToolkitCreateInstance(zk::id::KivSafeDriverApp, out);
  };
  return s;
}

TMainForm::~TMainForm() {
  EngineWorker::Instance().RemoveIdleHooks(this);
  FormDestroy();
}

void TMainForm::FormCreate(const EngineSource& engine) {
  firstShow_ = true;
  shutDown_ = false;
  const QString caption = QApplication::applicationName();
  // The runtime first: the engine library needs it to load at all.
  GetToolkitProc("zk_CreateInstance");
  if (!engine.load()) StartFailure(caption, "The library kiv_safe.dll was not found!", -1);
  zk::IBase* object = nullptr;
  if (engine.create(&object) != 0 || !object ||
      !(driver_ = QueryToolkitInterface<zk::ISafeDriverApp>(object, zk::id::KivISafeDriverApp))) {
    if (object) object->Release();
    StartFailure(caption, "Can not create the object of kvCSafeDriverApp class!", -2);
  }
  object->Release();
  if (driver_->Start() != 0) StartFailure(caption, "Can not initialize the m_Driver object!", -3);
  if (driver_->GetTextRes(&texts_) != 0 || !texts_)
    StartFailure(caption, "Can not get the text resource object!", -4);
  if (driver_->GetAppParam(&params_) != 0 || !params_)
    StartFailure(caption, "Can not get the application parametrs object!", -5);
  int32_t copy = 0;
  if (params_->GetInt("copy_container", &copy) != 0) copy = 0;
  copyContainer_ = copy == 1;
  PublishProgramObjects(driver_, texts_, params_);
  InstallPasswordGenerator();
  hiddenToTray_ = false;
}

void TMainForm::FormDestroy() {
  DestroyClipboardCoder();
  if (ProgramDriver() == driver_) PublishProgramObjects(nullptr, nullptr, nullptr);
  model_.SetView(nullptr);
  model_.Release();
  zk::ReleaseAndNull(params_);
  zk::ReleaseAndNull(texts_);
  zk::ReleaseAndNull(driver_);
}

void TMainForm::ListenForMessages(int listenFd) {
  if (listenFd >= 0) socket_ = new TMessageSocket(listenFd, this, this);
}

bool TMainForm::event(QEvent* e) {
  if (e->type() == KivEvent::EventType()) {
    auto* k = static_cast<KivEvent*>(e);
    // Every message waits for a modal window to close: a chain step run
    // inside another window's loop would open its window over it.
    if (EngineWorker::Instance().Busy() || HoldWhileModal(this, [this] { ReplayQueued(); }))
      queued_.push_back({k->message, k->wParam, k->lParam});
    else
      HandleMessage(k->message, k->wParam, k->lParam);
    return true;
  }
  return QMainWindow::event(e);
}

void TMainForm::ReplayQueued() {
  // Posted again in arrival order, ahead of anything posted later.
  std::vector<Message> q;
  q.swap(queued_);
  for (const Message& m : q) PostKivMessage(this, m.message, m.wParam, m.lParam);
}

void TMainForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (firstShow_) {
    firstShow_ = false;
    FormShow();
  }
}

void TMainForm::FormShow() {
  setWindowTitle(QString::fromLatin1(wm::kWindowTitle));
  QApplication::setApplicationDisplayName(QString::fromLatin1(wm::kWindowTitle));
  SetSilent(HasSwitch(arguments_, 's'));
  // The recent files: 9 entries under Secret, Reopen.
  recent_.SetParentMenu(mnSecretReopen);
  recent_.SetParams(params_);
  recent_.SetMaximum(9);
  recent_.SetOnClick([this](TReloadFileMenu&, const QString& path) {
    if (!CloseForCommand()) return;
    OpenSecretPath(*this, path.toStdString());
  });
  recent_.Load();
  HideView();
  // The tray icon, with the window's caption as hint; shown when asked for
  // and when the desktop has a notification area.
  tray_ = new kvTSysTray(this, trayBackend_ ? std::move(trayBackend_) : SystemTrayBackend());
  tray_->SetHint(windowTitle());
  tray_->SetIcon(windowIcon());
  tray_->SetPopupMenu(PopupMenuSystray);
  tray_->OnMouseUp = [this](int button, int, int) {
    if (button == 0) stmShowClick();
  };
  if (ParamInt("systray", 0) != 0 && tray_->Available()) tray_->Show();
  CaptionWindow();
  ApplyStates();
  QFont font(ParamString("font_name", "MS Sans Serif"));
  font.setPointSize(std::max<int32_t>(5, ParamString("font_size", "8").toInt()));
  MemoMessage->setFont(font);
  // Files dropped on the safe's list.
  CreateMainDropTarget(*this);
  // Placement: the stored values are the client area's, as FormClose
  // stores them, so the window manager's frame does not move the window.
  setGeometry(ParamInt("left", 50), ParamInt("top", 50), ParamInt("width", 700),
              ParamInt("height", 520));
  SecretChoice& choice = model_.Choice();
  choice.hashIndex = ParamInt("hash", choice.hashIndex);
  choice.cipherIndex = ParamInt("cipher", choice.cipherIndex);
  if (!arguments_.empty()) {
    std::string path = UnquotedArgument(arguments_[0]);
    if (!path.empty() && QFileInfo(QString::fromStdString(path)).isFile())
      PostKivMessage(this, chain::kOpenArgument);
  }
  if (ParamInt("startup minimized", 0) != 0) PostKivMessage(this, wm::kMinimise);
  ShowStartNotes(this, driver_);
}

int32_t TMainForm::ParamInt(const char* name, int32_t def) const {
  int32_t v = def;
  if (!params_ || params_->GetInt(name, &v) != 0) return def;
  return v;
}

QString TMainForm::ParamString(const char* name, const QString& def) const {
  if (!params_) return def;
  HeldString s;
  QString v;
  if (params_->GetString(name, &s) == 0 && s) v = s.Text();
  return v.isEmpty() ? def : v;
}

void TMainForm::BeginCommand() {
  if (hiddenToTray_) {
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    hiddenToTray_ = false;
  }
  receiver_.TakePending();
}

void TMainForm::HandleMessage(uint32_t message, uint32_t wParam, uint32_t lParam) {
  Dispatch(message, wParam, lParam);
  // KIVORA_MESSAGE_LOG=<file>: each command and the working list it took,
  // for the process tests.
  static const char* log = std::getenv("KIVORA_MESSAGE_LOG");
  if (log && message != wm::kName && wm::IsInterfaceMessage(message)) {
    if (FILE* f = std::fopen(log, "a")) {
      std::fprintf(f, "%u", message);
      for (const std::string& n : receiver_.WorkingFiles()) std::fprintf(f, "\t%s", n.c_str());
      std::fprintf(f, "\n");
      std::fclose(f);
    }
  }
}

void TMainForm::Dispatch(uint32_t message, uint32_t wParam, uint32_t lParam) {
  switch (message) {
    case wm::kName:
      receiver_.ReceiveChunk(wParam, lParam);
      return;
    case wm::kNewSafe:
    case wm::kOpen:
    case wm::kNewInCarrier:
    case wm::kWipe:
      BeginCommand();
      // A carrier of a type no container has ends the command before the
      // shown secret is closed.
      if (message == wm::kNewInCarrier && !receiver_.WorkingFiles().empty() &&
          !CarrierTypeAccepted(this, texts_, receiver_.WorkingFiles().front())) {
        recorded_.push_back(message);
        return;
      }
      // New safe closes the shown secret; open and new-in-carrier once
      // they have a name. A close the user refuses ends the command.
      if ((message == wm::kNewSafe ||
           ((message == wm::kOpen || message == wm::kNewInCarrier) &&
            !receiver_.WorkingFiles().empty())) &&
          !CloseForCommand())
        return;
      // Physical deletion of the names the extension sent.
      if (message == wm::kWipe) PhysicalDeletion(this, texts_, receiver_.WorkingFiles());
      if (message == wm::kOpen && !receiver_.WorkingFiles().empty() && driver_)
        OpenSecretPath(*this, receiver_.WorkingFiles().front());
      if (message == wm::kNewInCarrier && !receiver_.WorkingFiles().empty() && driver_)
        NewSecretInCarrier(*this, receiver_.WorkingFiles().front());
      // A new safe with the names the extension sent.
      if (message == wm::kNewSafe && driver_) NewSafeWithNames(*this);
      recorded_.push_back(message);
      return;
    case wm::kMinimise:
      recorded_.push_back(message);
      showMinimized();
      return;
    case chain::kAfterShow:
      Relayout(true);
      return;
    case chain::kRelayoutBack:
      Relayout(false);
      return;
    case chain::kAskFile:
      AskFileForNewSecret(*this);
      return;
    case chain::kAddDropped:
      AddWorkingFiles(*this);
      return;
    case chain::kOpenArgument:
      recorded_.push_back(message);
      if (!arguments_.empty()) OpenSecretPath(*this, UnquotedArgument(arguments_[0]));
      return;
    default:
      if (RunSecretChainMessage(*this, message)) return;
      // The chains' own steps (WM_USER+1 ... +13) come with their windows.
      recorded_.push_back(message);
      return;
  }
}

}  // namespace kiv

namespace kiv {

namespace {

// Standard icons stand in for the tool bars' pictures.
constexpr int kNoIcon = -1;

bool ClipboardHasText() {
  const QMimeData* m = QApplication::clipboard()->mimeData();
  return m && m->hasText();
}

}  // namespace

QAction* TMainForm::MenuItem(QMenu* menu, const char* name, std::function<void()> handler) {
  QAction* a = menu->addAction(QString());
  a->setObjectName(name);
  if (handler) connect(a, &QAction::triggered, this, [handler] { handler(); });
  return a;
}

QAction* TMainForm::ToolButton(QToolBar* bar, const char* name, int icon, QAction* sameAs,
                               std::function<void()> handler) {
  QAction* a = bar->addAction(icon == kNoIcon ? QIcon() : style()->standardIcon(QStyle::StandardPixmap(icon)), QString());
  a->setObjectName(name);
  if (sameAs) connect(a, &QAction::triggered, sameAs, &QAction::trigger);
  else if (handler) connect(a, &QAction::triggered, this, [handler] { handler(); });
  return a;
}

QAction* TMainForm::Action(const QString& name) const { return findChild<QAction*>(name); }

void TMainForm::BuildWindow() {
  // Menus.
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainFormMenu");
  auto menu = [&](QMenu* parent, const char* name) {
    QMenu* m = parent ? parent->addMenu(QString()) : bar->addMenu(QString());
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    return m;
  };
  auto hook = [this](const char* name) { return [this, name] { ContentCommand(name); }; };
  mnSecret = menu(nullptr, "mnSecret");
  MenuItem(mnSecret, "mnSecretNew", [this] { mnSecretNewClick(); });
  MenuItem(mnSecret, "mnSecretOpen", [this] { mnSecretOpenClick(); });
  mnSecretReopen = menu(mnSecret, "mnSecretReopen");
  MenuItem(mnSecret, "mnSecretSave", [this] { mnSecretSaveClick(); });
  MenuItem(mnSecret, "mnSecretClose", [this] { mnSecretCloseClick(); });
  mnSecret->addSeparator();
  MenuItem(mnSecret, "mnSecretProperties", [this] { mnSecretPropertiesClick(); });
  MenuItem(mnSecret, "mnSecretDelete", [this] { mnSecretDeleteClick(); });
  mnSecret->addSeparator();
  MenuItem(mnSecret, "mnSecretExit", [this] { close(); });
  mnEdit = menu(nullptr, "mnEdit");
  for (const char* n : {"mnEditCut", "mnEditCopy", "mnEditPaste", "mnEditDelete",
                        "mnEditSelectAll", "mnEditFind", "mnEditReplace", "mnEditRead",
                        "mnEditWrite"})
    MenuItem(mnEdit, n, hook(n));
  mnFile = menu(nullptr, "mnFile");
  for (const char* n : {"mnFileAdd", "mnFileGet", "mnFileDelete", "mnFileView", "mnFileRename"})
    MenuItem(mnFile, n, hook(n));
  mnFolder = menu(nullptr, "mnFolder");
  for (const char* n : {"mnFolderNew", "mnFolderAdd", "mnFolderGet", "mnFolderDelete",
                        "mnFolderProperties", "mnFolderRename"})
    MenuItem(mnFolder, n, hook(n));
  mnTools = menu(nullptr, "mnTools");
  MenuItem(mnTools, "mnToolsKeyStorage", [this] { mnToolsKeyStorageClick(); });
  mnToolsSignature = menu(mnTools, "mnToolsSignature");
  MenuItem(mnToolsSignature, "mnToolSignCreate", [this] { mnToolSignCreateClick(); });
  MenuItem(mnToolsSignature, "mnToolsSignCheck", [this] { mnToolsSignCheckClick(); });
  MenuItem(mnTools, "mnToolsGenePass", [this] { mnToolsGenePassClick(); });
  MenuItem(mnTools, "mnToolsClipboard", [this] { mnToolsClipboardClick(); });
  MenuItem(mnTools, "mnToolsPhisicalDeleting", [this] { PhysicalDeletionFromDialog(this, texts_); });
  mnTools->addSeparator();
  MenuItem(mnTools, "mnToolsEnvironmentOptions", [this] { mnToolsEnvironmentOptionsClick(); });
  mnHelp = menu(nullptr, "mnHelp");
  MenuItem(mnHelp, "mnHelpContents", [this] { mnHelpContentsClick(); });
  MenuItem(mnHelp, "mnHelpAbout", [this] { mnHelpAboutClick(); });

  // Tool bars in one row.
  auto* central = new QWidget(this);
  central->setObjectName("PanelMain");
  auto* v = new QVBoxLayout(central);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  PanelTools = new QWidget(central);
  PanelTools->setObjectName("PanelTools");
  auto* tools = new QHBoxLayout(PanelTools);
  tools->setContentsMargins(2, 2, 2, 2);
  tools->setSpacing(2);  // the shown bar stands 2 pixels right of ToolBarSecret
  auto toolbar = [&](const char* name) {
    auto* t = new QToolBar(PanelTools);
    t->setObjectName(name);
    t->setIconSize(QSize(20, 20));
    tools->addWidget(t);
    return t;
  };
  ToolBarSecret = toolbar("ToolBarSecret");
  ToolBarEdit = toolbar("ToolBarEdit");
  ToolBarOneFile = toolbar("ToolBarOneFile");
  ToolBarSafe = toolbar("ToolBarSafe");
  tools->addStretch(1);
  ToolButton(ToolBarSecret, "tlbNewSecret", QStyle::SP_FileIcon, Action("mnSecretNew"));
  ToolButton(ToolBarSecret, "tlbOpenSecret", QStyle::SP_DialogOpenButton, Action("mnSecretOpen"));
  ToolButton(ToolBarSecret, "tlbSaveSecret", QStyle::SP_DialogSaveButton, Action("mnSecretSave"));
  ToolButton(ToolBarEdit, "tlbEditCut", QStyle::SP_DialogDiscardButton, Action("mnEditCut"));
  ToolButton(ToolBarEdit, "tlbEditCopy", QStyle::SP_FileDialogContentsView, Action("mnEditCopy"));
  ToolButton(ToolBarEdit, "tlbEditPaste", QStyle::SP_DialogApplyButton, Action("mnEditPaste"));
  ToolButton(ToolBarEdit, "tlbSelectAll", QStyle::SP_FileDialogListView, Action("mnEditSelectAll"));
  ToolButton(ToolBarEdit, "tlbEditSearch", QStyle::SP_FileDialogDetailedView, Action("mnEditFind"));
  ToolButton(ToolBarEdit, "tlbInsertTextFromFile", QStyle::SP_ArrowDown, Action("mnEditRead"));
  ToolButton(ToolBarEdit, "tlbSaveTextToFile", QStyle::SP_ArrowUp, Action("mnEditWrite"));
  ToolButton(ToolBarOneFile, "tlbAddOneFile", QStyle::SP_FileDialogNewFolder, Action("mnFileAdd"));
  ToolButton(ToolBarOneFile, "tlbGetOneFile", QStyle::SP_DialogSaveButton, Action("mnFileGet"));
  ToolButton(ToolBarSafe, "tlbSafeNewFolder", QStyle::SP_FileDialogNewFolder, Action("mnFolderNew"));
  ToolButton(ToolBarSafe, "tlbAddFolder", QStyle::SP_DirOpenIcon, Action("mnFolderAdd"));
  ToolButton(ToolBarSafe, "tlbSafeGetFolder", QStyle::SP_DirLinkIcon, Action("mnFolderGet"));
  ToolButton(ToolBarSafe, "tlbSafeFolderProp", QStyle::SP_FileDialogInfoView, Action("mnFolderProperties"));
  ToolButton(ToolBarSafe, "tlbSafeAddFile", QStyle::SP_FileIcon, Action("mnFileAdd"));
  ToolButton(ToolBarSafe, "tlbSafeGetFile", QStyle::SP_DialogSaveButton, Action("mnFileGet"));
  ToolButton(ToolBarSafe, "tlbSafeFileView", QStyle::SP_FileDialogContentsView, Action("mnFileView"));
  ToolButton(ToolBarSafe, "tlbExplorer", QStyle::SP_ComputerIcon, nullptr, hook("tlbExplorer"));
  v->addWidget(PanelTools);

  // The safe tree, the splitter and the three views.
  PanelCommon = new QWidget(central);
  PanelCommon->setObjectName("PanelCommon");
  auto* common = new QHBoxLayout(PanelCommon);
  common->setContentsMargins(0, 0, 0, 0);
  MainSplitter = new QSplitter(Qt::Horizontal, PanelCommon);
  MainSplitter->setObjectName("MainSplitter");
  PanelLeft = new QWidget(MainSplitter);
  PanelLeft->setObjectName("PanelLeft");
  auto* left = new QVBoxLayout(PanelLeft);
  left->setContentsMargins(0, 0, 0, 0);
  TreeViewSafe = new QTreeWidget(PanelLeft);
  TreeViewSafe->setObjectName("TreeViewSafe");
  TreeViewSafe->setHeaderHidden(true);
  left->addWidget(TreeViewSafe);
  PanelView = new QWidget(MainSplitter);
  PanelView->setObjectName("PanelView");
  auto* view = new QVBoxLayout(PanelView);
  view->setContentsMargins(0, 0, 0, 0);
  PageControlView = new QStackedWidget(PanelView);
  PageControlView->setObjectName("PageControlView");
  view->addWidget(PageControlView);
  MainSplitter->addWidget(PanelLeft);
  MainSplitter->addWidget(PanelView);
  MainSplitter->setStretchFactor(1, 1);
  MainSplitter->setSizes({200, 500});
  common->addWidget(MainSplitter);

  TabSheetMessage = new QWidget();
  TabSheetMessage->setObjectName("TabSheetMessage");
  auto* m = new QVBoxLayout(TabSheetMessage);
  m->setContentsMargins(0, 0, 0, 0);
  MemoMessage = new QPlainTextEdit(TabSheetMessage);
  MemoMessage->setObjectName("MemoMessage");
  m->addWidget(MemoMessage);
  connect(MemoMessage, &QPlainTextEdit::textChanged, this, &TMainForm::MemoMessageChange);
  connect(MemoMessage, &QPlainTextEdit::selectionChanged, this, [this] { TimerMonitorTimer(); });
  PageControlView->addWidget(TabSheetMessage);

  TabSheetFile = new QWidget();
  TabSheetFile->setObjectName("TabSheetFile");
  auto* f = new QHBoxLayout(TabSheetFile);
  f->setContentsMargins(0, 0, 0, 0);
  PanelIconLeft = new QWidget(TabSheetFile);
  PanelIconLeft->setObjectName("PanelIconLeft");
  PanelIconLeft->setFixedWidth(72);
  auto* icon = new QVBoxLayout(PanelIconLeft);
  ImageFileExtIcon = new QLabel(PanelIconLeft);
  ImageFileExtIcon->setObjectName("ImageFileExtIcon");
  ImageFileExtIcon->setFixedSize(48, 48);
  ImageFileExtIcon->setPixmap(style()->standardIcon(QStyle::SP_FileIcon).pixmap(48, 48));
  icon->addWidget(ImageFileExtIcon);
  icon->addStretch(1);
  f->addWidget(PanelIconLeft);
  ListViewOneFile = new QTreeWidget(TabSheetFile);
  ListViewOneFile->setObjectName("ListViewOneFile");
  ListViewOneFile->setColumnCount(2);
  ListViewOneFile->setRootIsDecorated(false);
  ListViewOneFile->setColumnWidth(0, 180);
  for (int i = 0; i < 6; ++i) new QTreeWidgetItem(ListViewOneFile, {QString(), QString()});
  f->addWidget(ListViewOneFile, 1);
  PageControlView->addWidget(TabSheetFile);

  TabSheetSafe = new QWidget();
  TabSheetSafe->setObjectName("TabSheetSafe");
  auto* sf = new QVBoxLayout(TabSheetSafe);
  sf->setContentsMargins(0, 0, 0, 0);
  sf->setSpacing(0);
  ListViewSafe = new QTreeWidget(TabSheetSafe);
  ListViewSafe->setObjectName("ListViewSafe");
  ListViewSafe->setColumnCount(3);
  ListViewSafe->setRootIsDecorated(false);
  ListViewSafe->setColumnWidth(0, 230);
  ListViewSafe->setColumnWidth(1, 120);
  ListViewSafe->setColumnWidth(2, 100);
  sf->addWidget(ListViewSafe, 1);
  PanelSafeBottom = new QLabel(TabSheetSafe);
  PanelSafeBottom->setObjectName("PanelSafeBottom");
  PanelSafeBottom->setFrameShape(QFrame::StyledPanel);
  sf->addWidget(PanelSafeBottom);
  PageControlView->addWidget(TabSheetSafe);
  v->addWidget(PanelCommon, 1);
  setCentralWidget(central);

  // Status bar: the secret's path and the read-only note.
  statusBar()->setObjectName("MainFormStatusBar");
  StatusPanel0 = new QLabel(statusBar());
  StatusPanel0->setObjectName("StatusPanel0");
  StatusPanel1 = new QLabel(statusBar());
  StatusPanel1->setObjectName("StatusPanel1");
  statusBar()->addWidget(StatusPanel0, 1);
  statusBar()->addPermanentWidget(StatusPanel1);

  TimerMonitor = new QTimer(this);
  TimerMonitor->setObjectName("TimerMonitor");
  TimerMonitor->setInterval(500);
  connect(TimerMonitor, &QTimer::timeout, this, &TMainForm::TimerMonitorTimer);

  PopupMenuSystray = new QMenu(this);
  PopupMenuSystray->setObjectName("PopupMenuSystray");
  MenuItem(PopupMenuSystray, "stmShow", [this] { stmShowClick(); });
  MenuItem(PopupMenuSystray, "stmClipboardCoder", [this] { mnToolsClipboardClick(); });
  MenuItem(PopupMenuSystray, "stmPassGen", [this] { mnToolsGenePassClick(); });
  PopupMenuSystray->addSeparator();
  MenuItem(PopupMenuSystray, "stmExit", [this] { stmExitClick(); });
}

void TMainForm::CaptionWindow() {
  static const std::pair<const char*, int32_t> menus[] = {
      {"mnSecret", txt::kMenuSecret}, {"mnSecretNew", txt::kMenuNew}, {"mnSecretOpen", txt::kMenuOpen}, {"mnSecretReopen", txt::kMenuReopen},
      {"mnSecretSave", txt::kMenuSave}, {"mnSecretClose", txt::kClose}, {"mnSecretDelete", txt::kMenuDeleteSecret}, {"mnSecretExit", txt::kMenuExit},
      {"mnEdit", txt::kMenuEdit}, {"mnFile", txt::kFileLabel}, {"mnFileAdd", txt::kMenuAddFile}, {"mnFileDelete", txt::kMenuDeleteFile}, {"mnFileGet", txt::kMenuGetFile},
      {"mnToolsPhisicalDeleting", txt::kMenuPhysicalDeletion}, {"mnToolsGenePass", txt::kMenuPasswordGenerator}, {"mnEditCut", txt::kMenuCut},
      {"mnEditCopy", txt::kMenuCopy}, {"mnEditPaste", txt::kMenuPaste}, {"mnEditDelete", txt::kMenuDelete}, {"mnEditSelectAll", txt::kMenuSelectAll},
      {"mnEditFind", txt::kMenuFind}, {"mnEditReplace", txt::kMenuReplace}, {"mnEditRead", txt::kMenuReadText}, {"mnEditWrite", txt::kMenuWriteText},
      {"mnFileView", txt::kMenuViewFile}, {"mnSecretProperties", txt::kMenuSecretProperties}, {"mnTools", txt::kMenuTools},
      {"mnToolsEnvironmentOptions", txt::kMenuOptions}, {"mnToolSignCreate", txt::kMenuCreateSignature}, {"mnToolsClipboard", txt::kMenuClipboardCoder},
      {"mnFolder", txt::kMenuFolder}, {"mnFolderNew", txt::kMenuNewFolder}, {"mnFolderAdd", txt::kMenuAddFolder}, {"mnFolderGet", txt::kMenuGetFolder},
      {"mnFolderDelete", txt::kMenuDeleteFolder}, {"mnFolderProperties", txt::kMenuFolderProperties}, {"mnFolderRename", txt::kMenuRenameFolder},
      {"mnFileRename", txt::kMenuRenameFile}, {"mnHelp", txt::kMenuHelp}, {"mnHelpContents", txt::kHelpContents}, {"mnHelpAbout", txt::kMenuAbout},
      {"mnToolsKeyStorage", txt::kMenuKeyStorage}, {"mnToolsSignature", txt::kMenuSignature}, {"mnToolsSignCheck", txt::kMenuCheckSignature},
      {"stmShow", txt::kTrayShow}, {"stmExit", txt::kTrayExit}, {"stmClipboardCoder", txt::kMenuClipboardCoder}, {"stmPassGen", txt::kMenuPasswordGenerator}};
  for (const auto& [name, id] : menus)
    if (QAction* a = Action(name)) a->setText(GetResText(texts_, id));
  static const std::pair<const char*, int32_t> hints[] = {
      {"tlbNewSecret", txt::kHintNewSecret}, {"tlbOpenSecret", txt::kHintOpenSecret}, {"tlbSaveSecret", txt::kHintSaveSecret},
      {"tlbEditCut", txt::kHintCut}, {"tlbEditCopy", txt::kHintCopy}, {"tlbEditPaste", txt::kHintPaste}, {"tlbSelectAll", txt::kHintSelectAll},
      {"tlbEditSearch", txt::kHintFind}, {"tlbSafeNewFolder", txt::kHintNewFolder}, {"tlbSafeGetFolder", txt::kHintGetFolder},
      {"tlbSafeFolderProp", txt::kHintFolderProperties}, {"tlbSafeAddFile", txt::kHintAddFile}, {"tlbSafeGetFile", txt::kHintGetFile},
      {"tlbExplorer", txt::kHintOpenOnDisk}, {"tlbAddFolder", txt::kHintAddFolder}, {"tlbInsertTextFromFile", txt::kHintInsertText},
      {"tlbSaveTextToFile", txt::kHintSaveText}, {"tlbAddOneFile", txt::kHintPutOneFile}, {"tlbGetOneFile", txt::kHintGetOneFile},
      {"tlbSafeFileView", txt::kHintViewFile}};
  for (const auto& [name, id] : hints)
    if (QAction* a = Action(name)) {
      a->setToolTip(GetResText(texts_, id));
      a->setText(a->toolTip());
    }
  ListViewOneFile->setHeaderLabels({GetResText(texts_, txt::kOneFileColumn), QString()});
  static const int32_t rows[] = {txt::kColumnFileType, txt::kColumnSafeName, txt::kColumnSafeSize, txt::kColumnSafeStoredSize, txt::kColumnSafeCreated, txt::kColumnSafeChanged};
  for (int i = 0; i < 6; ++i) ListViewOneFile->topLevelItem(i)->setText(0, GetResText(texts_, rows[i]));
  ListViewSafe->setHeaderLabels(
      {GetResText(texts_, txt::kColumnFolderName), GetResText(texts_, txt::kColumnFolderSize), GetResText(texts_, txt::kColumnFolderChanged)});
}

MainStateInput TMainForm::StateInput() const {
  MainStateInput in;
  in.openKind = model_.Kind();
  in.saved = model_.Saved();
  in.clipboardHasText = ClipboardHasText();
  in.memoHasSelection = MemoMessage->textCursor().hasSelection();
  return in;
}

void TMainForm::ApplyStates() {
  const MainStates s = ComputeMainStates(StateInput());
  auto set = [this](const char* name, bool on) {
    if (QAction* a = Action(name)) a->setEnabled(on);
  };
  set("mnSecretSave", s.secretSave);
  set("mnSecretClose", s.secretClose);
  set("mnSecretProperties", s.secretProperties);
  set("mnSecretDelete", s.secretDelete);
  set("mnEdit", s.edit);
  set("mnEditCut", s.editCut);
  set("mnEditCopy", s.editCopy);
  set("mnEditPaste", s.editPaste);
  set("mnEditDelete", s.editDelete);
  set("mnEditSelectAll", s.editSelectAll);
  for (const char* n : {"mnEditFind", "mnEditReplace"}) set(n, s.editFind);
  set("mnEditRead", s.editRead);
  set("mnEditWrite", s.editWrite);
  set("mnFile", s.file);
  set("mnFileAdd", s.fileAdd);
  set("mnFileGet", s.fileGet);
  set("mnFileDelete", s.fileDelete);
  set("mnFileView", s.fileView);
  set("mnFileRename", s.fileRename);
  set("mnFolder", s.folder);
  for (QAction* a : mnFolder->actions()) a->setEnabled(s.folder);
  ToolBarEdit->setVisible(s.shownToolBar == 1);
  ToolBarOneFile->setVisible(s.shownToolBar == 2);
  ToolBarSafe->setVisible(s.shownToolBar == 3);
  // Tool buttons: those of the shown bar on, then the saved flag, the
  // clipboard and the selection.
  for (QAction* a : ToolBarEdit->actions()) a->setEnabled(s.shownToolBar == 1);
  for (QAction* a : ToolBarOneFile->actions()) a->setEnabled(s.shownToolBar == 2);
  for (QAction* a : ToolBarSafe->actions()) a->setEnabled(s.shownToolBar == 3);
  set("tlbSaveSecret", s.tlbSave);
  set("tlbEditCut", s.tlbCut);
  set("tlbEditCopy", s.tlbCopy);
  set("tlbEditPaste", s.tlbPaste);
  StatusPanel0->setText(QString::fromStdString(model_.Path()));
}

void TMainForm::TimerMonitorTimer() {
  const int32_t openKind = model_.Kind();
  if (openKind != 0 && Action("mnEdit")->isEnabled() &&
      (Action("tlbEditPaste")->isEnabled() != ClipboardHasText() ||
       Action("tlbEditCut")->isEnabled() != MemoMessage->textCursor().hasSelection()))
    ApplyStates();
  if (openKind != 0) {
    // The menu item and the tool button alike: the button only forwards
    // to the item, which does nothing while disabled.
    for (const char* name : {"tlbSaveSecret", "mnSecretSave"}) {
      QAction* save = Action(name);
      if (save->isEnabled() != !model_.Saved()) save->setEnabled(!model_.Saved());
    }
  }
}

void TMainForm::MemoMessageChange() {
  if (model_.Kind() != 1) return;
  // The model applies the states when the flag goes off; whatever cleared
  // the flag before, Save must follow it now.
  model_.Changed();
  const bool saved = model_.Saved();
  if (Action("mnSecretSave")->isEnabled() == saved || Action("tlbSaveSecret")->isEnabled() == saved)
    ApplyStates();
}

void TMainForm::ShowView(int32_t kind) {
  PageControlView->setCurrentIndex(kind - 1);
  PageControlView->show();
  PanelLeft->setVisible(kind == 3);
  MainSplitter->handle(1)->setVisible(kind == 3);
}

void TMainForm::HideView() {
  PanelLeft->hide();
  MainSplitter->handle(1)->hide();
  PageControlView->hide();
}

void TMainForm::UpdateReadOnlyNote() {
  const std::string& path = model_.Path();
  QFileInfo fi(QString::fromStdString(path));
  const bool readOnly = !path.empty() && fi.exists() && !fi.isWritable();
  StatusPanel1->setText(readOnly ? GetResText(texts_, txt::kReadOnly) : QString());
}

void TMainForm::ShowSecret(zk::IKivSecret* s, zk::IBase* c, int32_t kind, const std::string& path,
                           bool created) {
  model_.Show(s, c, kind, path, created);
}

void TMainForm::ContentChanged() {
  const int32_t kind = model_.Kind();
  if (kind == 0) {
    // The shown secret was closed.
    StatusPanel0->clear();
    RefreshSafeView(*this);
    TimerMonitor->stop();
    HideView();
    {
      const QSignalBlocker block(MemoMessage);
      MemoMessage->clear();
    }
    StatusPanel1->clear();
    return;
  }
  if (kind == 1) {
    QString text;
    if (auto* m = QueryToolkitInterface<zk::IMessage>(model_.Content(), zk::id::KivIMessage)) {
      HeldString t;
      if (m->GetText(&t) == 0 && t) text = t.Text();
      m->Release();
    }
    const QSignalBlocker block(MemoMessage);
    MemoMessage->setPlainText(text);
  }
  ShowView(kind);
  if (kind == 2) FillOneFileView(*this);
  RefreshSafeView(*this);
  if (model_.Choice().carrierFormat == zk::kFormatSecretFile)
    recent_.Add(QString::fromStdString(model_.Path()));
  UpdateReadOnlyNote();
  TimerMonitor->start();
}

void TMainForm::StateChanged() { ApplyStates(); }

std::string TMainForm::MessageText() { return MemoMessage->toPlainText().toStdString(); }

SaveAnswer TMainForm::AskSaveChanges(bool mayCancel) {
  const BoxAnswer a = CurrentPrompter().Message(
      this, windowTitle(), GetResText(texts_, txt::kAskSaveChanges), BoxIcon::kQuestion,
      mayCancel ? BoxButtons::kYesNoCancel : BoxButtons::kYesNo);
  if (a == BoxAnswer::kYes) return SaveAnswer::kYes;
  if (a == BoxAnswer::kNo) return SaveAnswer::kNo;
  return SaveAnswer::kCancel;
}

StatusCode TMainForm::RunEngine(SecretOperation op, std::function<StatusCode()> call) {
  int32_t wait = txt::kDeleting;
  if (op == SecretOperation::kSave) wait = txt::kSaving;
  if (op == SecretOperation::kOpen) wait = txt::kOpeningSecret;
  return WaitRun(MainWindowCaption(), GetResText(texts_, wait), std::move(call));
}

void TMainForm::ShowFailure(SecretOperation op, StatusCode code) {
  // Open's failures are told by the open chain itself.
  const QString prefix = op == SecretOperation::kSave
                            ? PlainMenuText(GetResText(texts_, txt::kMenuSave))
                            : GetResText(texts_, txt::kDeleteFailed);
  ShowToolkitError(this, texts_, code, prefix);
}

void TMainForm::mnSecretNewClick() {
  if (!CloseForCommand()) return;
  SecretNewCommand(*this);
}

void TMainForm::mnSecretOpenClick() {
  if (!CloseForCommand()) return;
  SecretOpenCommand(*this);
}

bool TMainForm::CloseForCommand() { return !model_.Secret() || mnSecretCloseClick(); }

void TMainForm::mnSecretSaveClick() { model_.Save(); }

bool TMainForm::OfferSave() { return model_.OfferSave(shutDown_); }

bool TMainForm::mnSecretCloseClick() {
  if (!model_.Close(shutDown_)) return false;
  PostKivMessage(this, chain::kAfterShow);
  return true;
}

void TMainForm::mnSecretPropertiesClick() {
  zk::IKivSecret* secret = model_.Secret();
  if (!secret || !OfferSave()) return;
  zk::SecretProperties props{};
  if (!ShowToolkitError(this, texts_, secret->GetProperties(&props), PlainMenuText(GetResText(texts_, txt::kMenuSecretProperties))))
    return;
  ShowSecretProperties(*this, props);
}

void TMainForm::mnSecretDeleteClick() {
  if (!model_.Secret()) return;
  const int32_t question = model_.Choice().carrierFormat == zk::kFormatSecretFile
                               ? txt::kAskDeleteSecretFile
                               : txt::kAskDeleteCarrierSecret;
  if (CurrentPrompter().Message(this, windowTitle(), GetResText(texts_, question),
                                BoxIcon::kQuestion, BoxButtons::kYesNo) != BoxAnswer::kYes)
    return;
  if (model_.Delete()) PostKivMessage(this, chain::kAfterShow);
}

void TMainForm::mnHelpAboutClick() {
  TFormAbout about(texts_, this);
  about.exec();
}

void TMainForm::mnHelpContentsClick() {
  ShowHelpContents(this, texts_, params_, QString::fromStdString(zk::ProgramFolder()));
}

void TMainForm::ContentCommand(const QString& name) {
  if (RunSafeCommand(*this, name)) return;
  if (RunMessageCommand(*this, name) || RunOneFileCommand(*this, name)) return;
  commands_.push_back(name);
}

kvTExplorerExt& TMainForm::ExplorerExt() {
  if (!explorerExt_) explorerExt_ = std::make_unique<kvTExplorerExt>();
  return *explorerExt_;
}

void TMainForm::mnToolsEnvironmentOptionsClick() {
  QFont font = MemoMessage->font();
  ShowEnvironmentOptions(this, params_, texts_, driver_, font, ExplorerExt().AsLookup());
  MemoMessage->setFont(font);
  if (params_) {
    params_->SetString("font_name", font.family().toUtf8().constData());
    params_->SetLong("font_size", font.pointSize());
    params_->Save();
  }
  if (tray_) {
    if (ParamInt("systray", 0) != 0 && tray_->Available()) tray_->Show();
    else tray_->Hide();
  }
}

void TMainForm::mnToolsKeyStorageClick() {
  zk::IKeysCtrl*& keys = model_.Choice().keysCtrl;
  if (OpenKeyStorage(this, texts_, driver_, keys)) ShowKeyStorageWindow(this, texts_, keys);
}

void TMainForm::mnToolSignCreateClick() {
  zk::IKeysCtrl*& keys = model_.Choice().keysCtrl;
  if (OpenKeyStorage(this, texts_, driver_, keys)) ShowSignCreateWindow(this, texts_, keys);
}

void TMainForm::mnToolsSignCheckClick() {
  zk::IKeysCtrl*& keys = model_.Choice().keysCtrl;
  if (OpenKeyStorage(this, texts_, driver_, keys)) ShowCheckSignWindow(this, texts_, keys);
}

void TMainForm::mnToolsGenePassClick() {
  // The generator's window installs itself when it is built.
  if (HasPasswordGenerator()) OpenPasswordGenerator(this);
  else ContentCommand("mnToolsGenePass");
}

void TMainForm::mnToolsClipboardClick() { BringUpClipboardCoder(this, MemoMessage->font()); }

void TMainForm::stmShowClick() {
  show();
  setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
  activateWindow();
  hiddenToTray_ = false;
}

void TMainForm::stmExitClick() {
  if (isHidden()) stmShowClick();
  if (tray_) tray_->Hide();
  close();
}

void TMainForm::Relayout(bool narrower) {
  resize(width() + (narrower ? -20 : 20), height());
  if (narrower) {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    PostKivMessage(this, chain::kRelayoutBack);
  }
}

void TMainForm::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  // Minimised with the tray icon shown: hidden there.
  if (e->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) &&
      tray_ && tray_->IsShown() && !shutDown_) {
    QTimer::singleShot(0, this, [this] {
      hide();
      hiddenToTray_ = true;
    });
  }
}

void TMainForm::BeginShutDown() {
  shutDown_ = true;
  close();
}

bool TMainForm::FormCloseQuery() {
  if (tray_ && tray_->IsShown() && isVisible() && !shutDown_) {
    if (mnSecretCloseClick()) showMinimized();
    return false;
  }
  return true;
}

bool TMainForm::FormClose() {
  if (!CloseForCommand()) return false;
  if (params_) {
    params_->SetInt("top", geometry().y());
    params_->SetInt("left", geometry().x());
    params_->SetInt("width", width());
    params_->SetInt("height", height());
    params_->SetInt("hash", model_.Choice().hashIndex);
    params_->SetInt("cipher", model_.Choice().cipherIndex);
    params_->SetInt("copy_container", copyContainer_ ? 1 : 0);
    params_->Save();
  }
  return true;
}

void TMainForm::closeEvent(QCloseEvent* e) {
  if (closing_ || !FormCloseQuery() || !FormClose()) {
    e->ignore();
    return;
  }
  closing_ = true;
  e->accept();
  QMainWindow::closeEvent(e);
}

namespace {

int g_termPipe[2] = {-1, -1};

void OnTerm(int) {
  char c = 1;
  [[maybe_unused]] ssize_t n = write(g_termPipe[1], &c, 1);
}

}  // namespace

void InstallShutDownHandlers(TMainForm* form) {
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, form,
                   [form](QSessionManager&) { form->BeginShutDown(); });
  if (g_termPipe[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM, 0, g_termPipe) != 0) return;
  auto* n = new QSocketNotifier(g_termPipe[0], QSocketNotifier::Read, form);
  QObject::connect(n, &QSocketNotifier::activated, form, [form] {
    char c;
    [[maybe_unused]] ssize_t r = read(g_termPipe[0], &c, 1);
    form->BeginShutDown();
  });
  struct sigaction sa {};
  sa.sa_handler = OnTerm;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
}

}  // namespace kiv
