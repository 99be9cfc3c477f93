// kvTDropTarget with synthetic drag and drop events: what a drag's data
// offers, the answer (always a copy), the events in order, the safe's own
// drags left alone, registration; and the main window's drop on its safe
// list.
#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>
#include <memory>

#include "DropFiles.h"
#include "desktop/DropTargetUnit.h"
#include "desktop/KivEvent.h"
#include "desktop/MainFormUnit.h"
#include "desktop/testing/DesktopTestSupport.h"

namespace {

using Names = std::vector<std::string>;

std::unique_ptr<QMimeData> Files(const Names& names) {
  auto m = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const std::string& n : names) urls << QUrl::fromLocalFile(QString::fromStdString(n));
  m->setUrls(urls);
  return m;
}

std::unique_ptr<QMimeData> Block(const Names& names, bool wide) {
  auto m = std::make_unique<QMimeData>();
  std::vector<uint8_t> b = zk::MakeDropFiles(names, wide);
  m->setData(kiv::kDropFilesMime, QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())));
  return m;
}

TEST(DropData, OfferedFormatsAndNames) {
  desktoptest::App();
  struct Case {
    const char* what;
    std::unique_ptr<QMimeData> data;
    int formats;
    Names names;
  };
  std::vector<Case> cases;
  cases.push_back({"two local files, in order", Files({"/tmp/b z.txt", "/tmp/a"}), 2,
                   {"/tmp/b z.txt", "/tmp/a"}});
  {
    auto m = std::make_unique<QMimeData>();
    m->setUrls({QUrl("https://example.org/x"), QUrl::fromLocalFile("/tmp/\xC3\xA9")});
    cases.push_back({"a remote address is not a file", std::move(m), 2, {"/tmp/\xC3\xA9"}});
  }
  {
    auto m = std::make_unique<QMimeData>();
    m->setUrls({QUrl("https://example.org/x")});
    cases.push_back({"only remote addresses", std::move(m), 0, {}});
  }
  {
    auto m = std::make_unique<QMimeData>();
    m->setText("some words");
    cases.push_back({"text", std::move(m), 1, {}});
  }
  {
    auto m = Files({"/tmp/f"});
    m->setText("/tmp/f");
    cases.push_back({"files and text", std::move(m), 3, {"/tmp/f"}});
  }
  cases.push_back({"byte drop-file list", Block({"/tmp/1", "/tmp/2"}, false), 2, {"/tmp/1", "/tmp/2"}});
  cases.push_back({"wide drop-file list", Block({"/tmp/\xC3\xA9"}, true), 2, {"/tmp/\xC3\xA9"}});
  cases.push_back({"empty drop-file list", Block({}, false), 0, {}});
  {
    // The safe's own drag: neither files nor text, whatever else it holds.
    auto m = Files({"/tmp/f"});
    m->setText("x");
    m->setData(kiv::kSafeItemsMime, "\\folder\\file");
    cases.push_back({"the safe's own drag", std::move(m), 0, {}});
  }
  cases.push_back({"nothing", std::make_unique<QMimeData>(), 0, {}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(kiv::DropOfferedFormats(c.data.get()), c.formats);
    EXPECT_EQ(kiv::DroppedFileNames(c.data.get()), c.names);
  }
  EXPECT_EQ(kiv::DropOfferedFormats(nullptr), 0);
}

struct Target : ::testing::Test {
  void SetUp() override {
    desktoptest::App();
    view = std::make_unique<QTreeWidget>();
    view->resize(300, 200);
    target = new kiv::kvTDropTarget(view.get());
    target->SetTargetWindow(view.get());
    target->OnDragOver = [this](int x, int y, bool& accept, int formats, int state) {
      over.push_back({x, y, formats, state});
      accept = acceptOver;
    };
    target->OnDragFiles = [this](int, int, bool& accept, bool copy, const Names& names) {
      dropped.push_back(names);
      copies.push_back(copy);
      accept = true;
    };
    target->OnDragText = [this](int, int, bool& accept, bool, const QString& t) {
      texts.push_back(t);
      accept = true;
    };
  }
  QWidget* Viewport() { return view->viewport(); }

  // Enter, move and drop with the given proposed action and keys; the
  // drop's answer.
  Qt::DropAction Drag(const QMimeData* data, Qt::KeyboardModifiers keys,
                      Qt::DropActions possible = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction,
                      bool* enterAccepted = nullptr, Qt::DropAction* enterAction = nullptr) {
    const QPoint at(10, 20);
    QDragEnterEvent enter(at, possible, data, Qt::LeftButton, keys);
    enter.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(Viewport(), &enter);
    if (enterAccepted) *enterAccepted = enter.isAccepted();
    if (enterAction) *enterAction = enter.dropAction();
    QDragMoveEvent move(at + QPoint(1, 1), possible, data, Qt::LeftButton, keys);
    move.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(Viewport(), &move);
    QDropEvent drop(QPointF(at + QPoint(2, 2)), possible, data, Qt::LeftButton, keys);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(Viewport(), &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
  }

  struct Over {
    int x, y, formats, state;
    bool operator==(const Over&) const = default;
  };
  std::unique_ptr<QTreeWidget> view;
  kiv::kvTDropTarget* target;
  bool acceptOver = true;
  std::vector<Over> over;
  std::vector<Names> dropped;
  std::vector<bool> copies;
  std::vector<QString> texts;
};

TEST_F(Target, FilesArriveInOrderAndTheAnswerIsAlwaysCopy) {
  ASSERT_TRUE(target->Register());
  auto data = Files({"/tmp/one", "/tmp/two", "/tmp/three"});
  for (Qt::KeyboardModifiers keys : {Qt::KeyboardModifiers(Qt::NoModifier),
                                     Qt::KeyboardModifiers(Qt::ControlModifier)}) {
    bool entered = false;
    Qt::DropAction enterAction = Qt::IgnoreAction;
    EXPECT_EQ(Drag(data.get(), keys, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &entered,
                   &enterAction),
              Qt::CopyAction);
    EXPECT_TRUE(entered);
    EXPECT_EQ(enterAction, Qt::CopyAction);
  }
  EXPECT_EQ(dropped, (std::vector<Names>{{"/tmp/one", "/tmp/two", "/tmp/three"},
                                         {"/tmp/one", "/tmp/two", "/tmp/three"}}));
  EXPECT_EQ(copies, (std::vector<bool>{false, true}));
  // Enter then over, in the target's coordinates (a list view's viewport
  // lies inside its frame), with the offered formats.
  ASSERT_EQ(over.size(), 4u);
  const QPoint p = Viewport()->mapTo(view.get(), QPoint(10, 20));
  EXPECT_EQ(over[0], (Over{p.x(), p.y(), 2, kiv::kDragEnter}));
  EXPECT_EQ(over[1], (Over{p.x() + 1, p.y() + 1, 2, kiv::kDragOver}));
}

TEST_F(Target, LeaveRefusalMoveOnlyAndText) {
  ASSERT_TRUE(target->Register());
  auto data = Files({"/tmp/f"});
  QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Viewport(), &enter);
  QDragLeaveEvent leave;
  QApplication::sendEvent(Viewport(), &leave);
  ASSERT_EQ(over.size(), 2u);
  EXPECT_EQ(over[1], (Over{0, 0, 2, kiv::kDragLeave}));
  // A source that can only move its files is refused: never a move.
  EXPECT_EQ(Drag(data.get(), Qt::NoModifier, Qt::MoveAction), Qt::IgnoreAction);
  // OnDragOver refusing: the drag shows no drop.
  acceptOver = false;
  bool entered = true;
  Drag(data.get(), Qt::NoModifier, Qt::CopyAction, &entered);
  EXPECT_FALSE(entered);
  // Text is offered to OnDragText.
  acceptOver = true;
  QMimeData text;
  text.setText("dropped words");
  EXPECT_EQ(Drag(&text, Qt::NoModifier), Qt::CopyAction);
  EXPECT_EQ(texts, (std::vector<QString>{"dropped words"}));
  // A drop format chooser narrows what is delivered.
  target->OnDropFormat = [](int offered, int& chosen) {
    EXPECT_EQ(offered, 1);
    chosen = kiv::kDropFormatFiles;
  };
  EXPECT_EQ(Drag(&text, Qt::NoModifier), Qt::IgnoreAction);
  EXPECT_EQ(texts.size(), 1u);
}

TEST_F(Target, TheSafesOwnDragIsLeftToTheWidget) {
  ASSERT_TRUE(target->Register());
  auto data = Files({"/tmp/f"});
  data->setData(kiv::kSafeItemsMime, "x");
  Drag(data.get(), Qt::ControlModifier);
  EXPECT_TRUE(over.empty());
  EXPECT_TRUE(dropped.empty());
  EXPECT_TRUE(texts.empty());
}

TEST_F(Target, DisablingAndEnablingRegistersOnce) {
  EXPECT_TRUE(target->Enabled());
  auto data = Files({"/tmp/f"});
  // Nothing is taken before Register, nor without a window.
  Drag(data.get(), Qt::NoModifier);
  EXPECT_TRUE(dropped.empty());
  kiv::kvTDropTarget lone;
  EXPECT_FALSE(lone.Register());
  EXPECT_TRUE(target->Register());
  EXPECT_TRUE(Viewport()->acceptDrops());
  target->SetEnabled(false);
  EXPECT_FALSE(target->Registered());
  Drag(data.get(), Qt::NoModifier);
  EXPECT_TRUE(dropped.empty());
  target->SetEnabled(true);
  target->SetEnabled(true);
  EXPECT_EQ(target->Registrations(), 2);
  // Registered once: one event per drag, not two.
  Drag(data.get(), Qt::NoModifier);
  EXPECT_EQ(dropped.size(), 1u);
  EXPECT_EQ(over.size(), 2u);
  // Register again replaces the registration.
  target->Register();
  Drag(data.get(), Qt::NoModifier);
  EXPECT_EQ(dropped.size(), 2u);
}

// Counts the WM_USER+11 messages posted to a window.
struct AddCounter : QObject {
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == kiv::KivEvent::EventType() &&
        static_cast<kiv::KivEvent*>(e)->message == kiv::chain::kAddDropped)
      ++count;
    return false;
  }
  int count = 0;
};

TEST(MainWindowDrop, DroppedFilesBecomeTheWorkingListAndAreAdded) {
  desktoptest::App();
  kiv::TMainForm form({});
  AddCounter addPosted;
  form.installEventFilter(&addPosted);
  form.show();
  kiv::kvTDropTarget* t = kiv::MainDropTarget(form);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->TargetWindow(), form.ListViewSafe);
  EXPECT_TRUE(t->Registered());
  QWidget* viewport = form.ListViewSafe->viewport();
  // Text alone is not taken.
  QMimeData text;
  text.setText("words");
  QDragEnterEvent enterText(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &text, Qt::LeftButton,
                            Qt::NoModifier);
  QApplication::sendEvent(viewport, &enterText);
  EXPECT_FALSE(enterText.isAccepted());
  // Files with text: only the files are used.
  auto data = Files({"/tmp/first", "/tmp/second"});
  data->setText("words");
  for (Qt::KeyboardModifiers keys : {Qt::KeyboardModifiers(Qt::ControlModifier),
                                     Qt::KeyboardModifiers(Qt::NoModifier)}) {
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                          keys);
    enter.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, keys);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(viewport, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(form.Receiver().WorkingFiles(), (Names{"/tmp/first", "/tmp/second"}));
  }
  desktoptest::Drain();
  EXPECT_EQ(addPosted.count, 2);
}

}  // namespace
