// The main window of a test on the real engine: a private folder, a page
// script for the dialogs, a scripted prompter and the window itself, made
// as the program makes it with the tips at start off. The window is the
// last member, so it goes before the script and the prompter it uses.
#pragma once
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "desktop/MainFormUnit.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/PageScriptTestSupport.h"
#include "desktop/testing/FakePrompter.h"
#include "tests/support/ZkTestSupport.h"

namespace desktoptest {

struct MainWindowRig {
  void OpenWindow() {
    App();
    form = std::make_unique<kiv::TMainForm>(std::vector<std::string>{});
    form->FormCreate();
    form->Params()->SetInt("next_show", 0);
  }
  // Processes events until every page was used.
  void RunPages() { script.Run(); }

  zktest::TempDir dir;
  PageScript script;
  std::deque<Page>& pages = script.pages;
  std::vector<std::string>& seen = script.seen;
  desktoptest::FakePrompter prompter;
  std::unique_ptr<kiv::TMainForm> form;
};

}  // namespace desktoptest
