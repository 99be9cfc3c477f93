// The open secret's rules without a window: the saved flag through a
// secret's life, Close with and without changes, a failing save, Delete.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/OpenSecret.h"
#include "desktop/testing/FakeChainSecret.h"
#include "desktop/testing/FakeSecret.h"

namespace {

using kiv::OpenSecret;
using kiv::SaveAnswer;
using kiv::SecretOperation;

// Records what the model tells and asks; runs engine calls in place.
class RecordingView : public kiv::OpenSecretView {
 public:
  void StateChanged() override {
    events.push_back("state saved=" + std::to_string(model->Saved()));
  }
  void ContentChanged() override {
    events.push_back("content kind=" + std::to_string(model->Kind()));
  }
  std::string MessageText() override { return text; }
  SaveAnswer AskSaveChanges(bool mayCancel) override {
    events.push_back(mayCancel ? "ask" : "ask-no-cancel");
    return answer;
  }
  StatusCode RunEngine(SecretOperation op, std::function<StatusCode()> call) override {
    events.push_back(op == SecretOperation::kSave   ? "run save"
                     : op == SecretOperation::kOpen ? "run open"
                                                    : "run delete");
    return call();
  }
  void ShowFailure(SecretOperation, StatusCode code) override {
    events.push_back("failure " + std::to_string(code));
  }

  OpenSecret* model = nullptr;
  std::string text = "typed";
  SaveAnswer answer = SaveAnswer::kYes;
  std::vector<std::string> events;
};

class OpenSecretRules : public ::testing::Test {
 protected:
  void SetUp() override {
    view.model = &model;
    model.SetView(&view);
    secret = new desktoptest::FakeSecret();
    message = new desktoptest::FakeMessage();
    safe = new desktoptest::FakeSafe();
  }
  void TearDown() override {
    model.Release();
    secret->Release();
    message->Release();
    safe->Release();
  }
  // Shows the message (kind 1) or the safe (kind 3); the model takes one
  // reference of each, the test keeps its own.
  void Show(int32_t kind, bool created) {
    zk::IBase* content = kind == 3 ? static_cast<zk::IBase*>(safe) : message;
    content->AddRef();
    secret->AddRef();
    model.Show(secret, content, kind, "/tmp/shown.kvs", created);
    view.events.clear();
  }

  OpenSecret model;
  RecordingView view;
  desktoptest::FakeSecret* secret = nullptr;
  desktoptest::FakeMessage* message = nullptr;
  desktoptest::FakeSafe* safe = nullptr;
};

TEST_F(OpenSecretRules, SavedFlagThroughASecretsLife) {
  struct Case {
    const char* step;
    int32_t kind;
    bool created, saved;
  };
  // A one-file secret is written by each change, so it never waits for Save.
  for (const Case c :
       {Case{"created message", 1, true, false}, Case{"opened message", 1, false, true},
        Case{"created safe", 3, true, false}, Case{"opened safe", 3, false, true}}) {
    SCOPED_TRACE(c.step);
    Show(c.kind, c.created);
    EXPECT_EQ(model.Saved(), c.saved);
    EXPECT_EQ(model.Kind(), c.kind);
    EXPECT_EQ(model.Path(), "/tmp/shown.kvs");
  }
  secret->AddRef();
  model.Show(secret, nullptr, 2, "/tmp/file.kvs", true);
  EXPECT_TRUE(model.Saved()) << "created one-file secret";
  model.Changed();
  EXPECT_TRUE(model.Saved()) << "changed one-file secret";

  Show(1, false);
  model.Changed();
  EXPECT_FALSE(model.Saved()) << "typed";
  EXPECT_EQ(view.events, std::vector<std::string>{"state saved=0"}) << "the states follow";
  view.events.clear();
  model.Changed();
  EXPECT_TRUE(view.events.empty()) << "no news while the flag stays off";

  EXPECT_EQ(model.Save(), zk::kOk);
  EXPECT_TRUE(model.Saved()) << "saved";
  EXPECT_EQ(message->text, "typed");
  EXPECT_EQ(view.events, (std::vector<std::string>{"run save", "state saved=1"}));

  model.Changed();
  message->setResult = zk::kWriteError;
  view.events.clear();
  EXPECT_EQ(model.Save(), zk::kWriteError);
  EXPECT_FALSE(model.Saved()) << "failed save";
  EXPECT_EQ(view.events,
            (std::vector<std::string>{"run save", "failure " + std::to_string(zk::kWriteError),
                                      "state saved=0"}));

  // Reopened: the same secret shown afresh is saved again.
  Show(1, false);
  EXPECT_TRUE(model.Saved()) << "reopened";

  model.Changed();
  EXPECT_TRUE(model.Delete());
  EXPECT_TRUE(model.Saved()) << "deleted";
  EXPECT_EQ(model.Kind(), 0);
  EXPECT_TRUE(model.Path().empty());
}

TEST_F(OpenSecretRules, SafeSaveCommits) {
  Show(3, true);
  EXPECT_EQ(model.Save(), zk::kOk);
  EXPECT_EQ(safe->commits, 1);
  EXPECT_TRUE(model.Saved());
}

TEST_F(OpenSecretRules, CloseWithoutChangesAsksNothing) {
  Show(1, false);
  EXPECT_TRUE(model.Close(false));
  EXPECT_EQ(view.events, (std::vector<std::string>{"content kind=0", "state saved=1"}));
  EXPECT_EQ(model.Secret(), nullptr);
  EXPECT_EQ(model.Content(), nullptr);
  EXPECT_EQ(secret->calls, std::vector<std::string>{"Close"});
  EXPECT_EQ(secret->GetRefCount(), 1) << "the model let its reference go";
  EXPECT_EQ(message->GetRefCount(), 1);
  EXPECT_EQ(message->sets, 0);
}

TEST_F(OpenSecretRules, CloseWithChangesOffersSave) {
  struct Case {
    SaveAnswer answer;
    bool forced, closed;
    int sets;
  };
  for (const Case c :
       {Case{SaveAnswer::kYes, false, true, 1}, Case{SaveAnswer::kNo, false, true, 0},
        Case{SaveAnswer::kCancel, false, false, 0}, Case{SaveAnswer::kNo, true, true, 0}}) {
    SCOPED_TRACE(int(c.answer) * 10 + c.forced);
    message->sets = 0;
    secret->calls.clear();
    Show(1, false);
    model.Changed();
    view.events.clear();
    view.answer = c.answer;
    EXPECT_EQ(model.Close(c.forced), c.closed);
    ASSERT_FALSE(view.events.empty());
    EXPECT_EQ(view.events[0], c.forced ? "ask-no-cancel" : "ask");
    EXPECT_EQ(message->sets, c.sets);
    EXPECT_EQ(model.Kind(), c.closed ? 0 : 1);
    EXPECT_EQ(model.Saved(), c.closed);
    EXPECT_EQ(secret->calls,
              c.closed ? std::vector<std::string>{"Close"} : std::vector<std::string>{});
  }
  model.Discard();
}

TEST_F(OpenSecretRules, FailingSaveKeepsTheSecretOpenAndUnsaved) {
  Show(1, true);
  message->setResult = zk::kWriteError;
  view.answer = SaveAnswer::kYes;
  EXPECT_FALSE(model.Close(false));
  EXPECT_EQ(model.Secret(), secret);
  EXPECT_EQ(model.Content(), message);
  EXPECT_EQ(model.Kind(), 1);
  EXPECT_FALSE(model.Saved());
  EXPECT_TRUE(secret->calls.empty());
  // During a log-out nothing stops the close, not even a failed save.
  EXPECT_TRUE(model.Close(true));
  EXPECT_EQ(model.Kind(), 0);
  EXPECT_EQ(secret->calls, std::vector<std::string>{"Close"});
}

TEST_F(OpenSecretRules, DeleteReleasesTheContentOnlyAfterTheEngineDeleted) {
  Show(1, true);
  secret->deleteResult = zk::kAccessDenied;
  EXPECT_FALSE(model.Delete());
  EXPECT_EQ(model.Content(), message) << "a failed Delete leaves a usable view";
  EXPECT_EQ(model.Secret(), secret);
  EXPECT_FALSE(model.Saved());
  EXPECT_EQ(view.events, (std::vector<std::string>{
                             "run delete", "failure " + std::to_string(zk::kAccessDenied)}));
  EXPECT_EQ(message->GetRefCount(), 2);

  secret->deleteResult = zk::kOk;
  view.events.clear();
  EXPECT_TRUE(model.Delete());
  EXPECT_EQ(secret->calls, (std::vector<std::string>{"Delete", "Delete", "Close"}));
  EXPECT_EQ(view.events,
            (std::vector<std::string>{"run delete", "content kind=0", "state saved=1"}))
      << "nothing offered for saving";
  EXPECT_EQ(model.Content(), nullptr);
  EXPECT_EQ(message->GetRefCount(), 1);
}

TEST_F(OpenSecretRules, ChainHandsItsSecretOver) {
  // A cancelled chain drops the object it made, unclosed.
  secret->AddRef();
  model.Adopt(secret);
  model.Adopt(nullptr);
  EXPECT_TRUE(secret->calls.empty());
  EXPECT_EQ(secret->GetRefCount(), 1);

  secret->AddRef();
  model.Adopt(secret);
  message->AddRef();
  model.AdoptContent(message);
  model.SetPath("/tmp/new.kvs");
  EXPECT_EQ(model.Kind(), 0) << "not shown yet";
  EXPECT_TRUE(view.events.empty());
  model.ShowHeld(1, true);
  EXPECT_EQ(model.Secret(), secret);
  EXPECT_EQ(model.Content(), message);
  EXPECT_EQ(model.Path(), "/tmp/new.kvs");
  EXPECT_EQ(secret->GetRefCount(), 2) << "the model holds one reference";
  EXPECT_EQ(message->GetRefCount(), 2);
  EXPECT_EQ(view.events, (std::vector<std::string>{"content kind=1", "state saved=0"}))
      << "the flag is settled before the view applies the states";
}

// The chain's create and open steps through the model: the content is
// held until shown; a failed create leaves nothing, a failed open keeps the
// secret object for another password.
TEST(OpenSecretChain, CreateAndOpenHoldTheContentUntilShown) {
  desktoptest::SecretLog log;
  OpenSecret model;
  RecordingView view;
  view.model = &model;
  model.SetView(&view);
  zk::SecretParams p{};

  model.Adopt(new desktoptest::ChainSecret(&log));
  model.SetPath("/tmp/new.kvs");
  log.createResult = zk::kWriteError;
  EXPECT_EQ(model.Create(p), zk::kWriteError);
  EXPECT_EQ(model.Secret(), nullptr);
  EXPECT_EQ(model.Content(), nullptr);
  EXPECT_EQ(log.alive, 0);

  model.Adopt(new desktoptest::ChainSecret(&log));
  log.createResult = zk::kOk;
  EXPECT_EQ(model.Create(p), zk::kOk);
  EXPECT_NE(model.Content(), nullptr);
  EXPECT_EQ(model.Kind(), 0) << "held, not shown";
  EXPECT_TRUE(view.events.empty()) << "Create runs where the create step always ran";
  model.ShowHeld(1, true);
  EXPECT_FALSE(model.Saved());
  model.Discard();
  EXPECT_EQ(log.alive, 0);

  view.events.clear();
  model.Adopt(new desktoptest::ChainSecret(&log));
  model.SetPath("/tmp/old.kvs");
  log.openResult = zk::kAccessDenied;
  EXPECT_EQ(model.Open(p), zk::kAccessDenied);
  EXPECT_NE(model.Secret(), nullptr) << "kept for another password";
  EXPECT_EQ(model.Content(), nullptr);
  log.openResult = zk::kOk;
  EXPECT_EQ(model.Open(p), zk::kOk);
  EXPECT_EQ(view.events, (std::vector<std::string>{"run open", "run open"}))
      << "Open runs where engine calls run";
  ASSERT_NE(model.Content(), nullptr);
  model.ShowHeld(1, false);
  EXPECT_TRUE(model.Saved());
  EXPECT_EQ(model.Path(), "/tmp/old.kvs");
  model.Release();
  EXPECT_EQ(log.alive, 0);
}

}  // namespace
