// The progress object kvIProgressImp, the progress and wait windows around
// a call on the worker thread, and the main window's queue of messages that
// arrive during such a call.
#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <vector>

#include "desktop/EngineWorker.h"
#include "desktop/KivEvent.h"
#include "desktop/MainFormUnit.h"
#include "desktop/ProgressUnit.h"
#include "desktop/WaitHourglassUnit.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "tests/support/ZkTestSupport.h"
#include "zk5Clsid.h"

namespace {

using kiv::kvIProgressImp;

QString ScreenshotFolder() {
  return QString::fromStdString(zktest::ProgramDir()) + "/../screenshots";
}

TEST(ProgressObject, QueryInterfaceAndCounts) {
  kvIProgressImp* p = kvIProgressImp::Create();
  EXPECT_EQ(p->GetRefCount(), 1);
  EXPECT_STREQ(p->GetClassId(), "kiv.kvIProgressImp");

  void* garbage = reinterpret_cast<void*>(0x1234);
  struct Case {
    const char* id;
    StatusCode result;
    bool self;
  } cases[] = {
      {nullptr, -2, false},
      {"std.IBase", 0, true},
      {"arc.IProgress", 0, true},
      {"stream.IStream", -7, false},
      {"arc.IProgres", -7, false},
      {"ARC.IPROGRESS", -7, false},
  };
  int32_t expected = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id ? c.id : "null");
    void* out = garbage;
    EXPECT_EQ(p->QueryInterface(c.id, &out), c.result);
    EXPECT_EQ(out, c.self ? static_cast<void*>(static_cast<zk::IProgress*>(p)) : nullptr);
    if (c.self) ++expected;
    EXPECT_EQ(p->GetRefCount(), expected);
  }
  EXPECT_EQ(p->QueryInterface("std.IBase", nullptr), -2);
  EXPECT_EQ(p->AddRef(), expected + 1);
  EXPECT_EQ(p->Release(), expected);
  while (p->GetRefCount() > 1) p->Release();
  EXPECT_EQ(p->Release(), 0);  // destroyed
}

TEST(ProgressObject, CancelMakesTheNextReportAnswerMinusFive) {
  desktoptest::App();
  kiv::SetSilent(false);
  kvIProgressImp* p = kvIProgressImp::Create();
  std::vector<StatusCode> answers;
  int shownPercent = -1;
  bool windowDuringCall = false;
  StatusCode r = kiv::ProgressRun("title", "text", [&] {
    answers.push_back(p->OnProgress(0));
    answers.push_back(p->OnProgress(50));
    // Events arrive in order: by now the window has shown 50.
    kiv::RunOnGuiThread([&] {
      kiv::TFormProgress* w = kiv::ShownProgressWindow();
      windowDuringCall = w && w->isVisible();
      if (!w) return;
      shownPercent = w->ProgressBarWork->value();
      // A picture of the window beside the build's other screenshots.
      QDir().mkpath(ScreenshotFolder());
      w->grab().save(ScreenshotFolder() + "/progress-window.png");
      w->SpeedButtonCancel->click();
    });
    StatusCode s = p->OnProgress(60);
    answers.push_back(s);
    return s;
  });
  EXPECT_TRUE(windowDuringCall);
  EXPECT_EQ(shownPercent, 50);
  EXPECT_EQ(answers, (std::vector<StatusCode>{0, 0, -5}));
  EXPECT_EQ(r, -5);
  EXPECT_EQ(kiv::ShownProgressWindow(), nullptr);
  // The next command starts with the flag cleared.
  r = kiv::ProgressRun("t", "x", [&] { return p->OnProgress(100); });
  EXPECT_EQ(r, 0);
  p->Release();
}

TEST(ProgressObject, SilentShowsNoWindowAndAlwaysAnswersZero) {
  desktoptest::App();
  kiv::SetSilent(true);
  kvIProgressImp* p = kvIProgressImp::Create();
  bool anyWindow = false;
  StatusCode r = kiv::ProgressRun("t", "x", [&] {
    StatusCode s = 0;
    for (int pc = 0; pc <= 100; pc += 10) s |= p->OnProgress(pc);
    kiv::RunOnGuiThread([&] { anyWindow = kiv::ShownProgressWindow() != nullptr; });
    return s;
  });
  EXPECT_EQ(r, 0);
  EXPECT_FALSE(anyWindow);
  EXPECT_EQ(kiv::ProgressPercent(), 100);
  r = kiv::WaitRun("c", "t", [&] {
    kiv::RunOnGuiThread([&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "FormWait" && w->isVisible()) anyWindow = true;
    });
    return 7;
  });
  EXPECT_EQ(r, 7);
  EXPECT_FALSE(anyWindow);
  kiv::SetSilent(false);
  p->Release();
}

TEST(ProgressObject, WaitWindowShowsDuringTheCallOnly) {
  desktoptest::App();
  kiv::SetSilent(false);
  QString shownText;
  StatusCode r = kiv::WaitRun("Waiting...", "Saving", [&] {
    kiv::RunOnGuiThread([&] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<kiv::TFormWait*>(w); f && f->isVisible()) {
          shownText = f->StaticTextLabel->text();
          QDir().mkpath(ScreenshotFolder());
          f->grab().save(ScreenshotFolder() + "/wait-window.png");
        }
    });
    return -104;
  });
  EXPECT_EQ(r, -104);
  EXPECT_EQ(shownText, "Saving");
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(qobject_cast<kiv::TFormWait*>(w) && w->isVisible());
}

TEST(EngineCall, MessagesPostedDuringACallRunAfterIt) {
  desktoptest::App();
  kiv::SetSilent(false);
  kiv::TMainForm form({});
  std::atomic<size_t> handledDuringCall{99};
  StatusCode r = kiv::WaitRun("c", "t", [&] {
    // A chain step and a message from another process arrive meanwhile.
    kiv::PostKivMessage(&form, kiv::chain::kOpenArgument);
    for (const auto& rec : kiv::wm::CommandRecords({"/tmp/x.kvs"}, kiv::wm::kOpen))
      kiv::PostKivMessage(&form, rec.message, rec.wParam, rec.lParam);
    // Delivered after them: by the time it runs, they have reached the window.
    kiv::RunOnGuiThread([&] { handledDuringCall = form.RecordedMessages().size(); });
    return 0;
  });
  EXPECT_EQ(r, 0);
  EXPECT_EQ(handledDuringCall, 0u);
  desktoptest::Drain();
  EXPECT_EQ(form.RecordedMessages(), (std::vector<uint32_t>{1037, 1046}));
  EXPECT_EQ(form.Receiver().WorkingFiles(), (std::vector<std::string>{"/tmp/x.kvs"}));
}

TEST(EngineCall, OneCallAtATime) {
  desktoptest::App();
  kiv::SetSilent(true);
  StatusCode inner = 0;
  StatusCode r = kiv::WaitRun("c", "t", [&] {
    kiv::RunOnGuiThread([&] { inner = kiv::WaitRun("c", "t", [] { return 0; }); });
    return 0;
  });
  kiv::SetSilent(false);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(inner, -21);
}

}  // namespace
