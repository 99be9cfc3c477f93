// From the file manager's action to the program: kiv_shell_cmd wipe on two
// temporary files, received by the program's main window (offscreen, its
// questions answered by the scripted prompter), which asks before wiping
// and wipes both.
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include <gtest/gtest.h>

#include "ZkTestSupport.h"
#include "desktop/MainFormUnit.h"
#include "desktop/SingleInstance.h"
#include "desktop/testing/DesktopTestSupport.h"
#include "desktop/testing/FakePrompter.h"

namespace {

using zktest::EnvFolder;

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

TEST(EndToEndTest, HelperWipesTwoFilesThroughTheProgram) {
  desktoptest::App();
  EnvFolder runtime("XDG_RUNTIME_DIR");
  zktest::TempDir dir;
  const std::string one = dir.File("one.txt"), two = dir.File("two.bin");
  std::ofstream(one) << "first secret";
  std::ofstream(two) << std::string(70000, 'x');

  desktoptest::FakePrompter prompter;
  prompter.AnswerBox(kiv::BoxAnswer::kYes);  // the question before wiping
  const std::string folder = kiv::wm::RuntimeFolder();
  kiv::InstanceClaim claim = kiv::ClaimInstance(folder);
  ASSERT_EQ(claim.kind, kiv::InstanceClaim::kFirst);
  ASSERT_GE(claim.fd, 0);  // else the helper would start a program of its own
  {
    kiv::TMainForm form({});
    form.ListenForMessages(claim.fd);
    ASSERT_EQ(zktest::RunProgram("kiv_shell_cmd", {"wipe", one, two}), 0);
    auto handled = [&] {
      const auto& r = form.RecordedMessages();
      return std::find(r.begin(), r.end(), 1048u) != r.end();
    };
    desktoptest::SpinUntil(handled);
    ASSERT_TRUE(handled());
    // Both names arrived, in order, with the command.
    EXPECT_EQ(form.Receiver().WorkingFiles(), (std::vector<std::string>{one, two}));
    ASSERT_FALSE(prompter.Calls().empty());
    EXPECT_EQ(prompter.Calls()[0].kind, "message");
    EXPECT_EQ(prompter.Calls()[0].buttons, kiv::BoxButtons::kYesNoDefaultNo);  // deletion cannot be undone
    EXPECT_FALSE(Exists(one));
    EXPECT_FALSE(Exists(two));
    // The closing box follows the question.
    ASSERT_EQ(prompter.Calls().size(), 2u);
    EXPECT_EQ(prompter.Calls()[1].icon, kiv::BoxIcon::kInformation);
  }
  kiv::ReleaseInstance(folder, claim);
}

}  // namespace
