// OpenSecret, the secret the main window shows: the secret object, its
// content, the open kind (0 nothing, 1 message, 2 file, 3 safe), its path,
// the saved flag, and the choices the new and open chains make for it
// (content and container kind, carrier format, key). It holds what Save,
// Close, Delete and showing a secret do to that state, and tells its view
// after every change of the saved flag or the kind, so the menus follow
// the state without each caller remembering to refresh them. No toolkit
// widgets here: the rules are tested without a window.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "desktop/MainStates.h"
#include "kvSafeDriver.h"

namespace kiv {

// The engine calls the model makes through its view (the view runs them on
// the worker thread behind the wait window and shows their failures).
enum class SecretOperation { kSave, kDelete, kOpen };

// The answer to "save the changes?".
enum class SaveAnswer { kYes, kNo, kCancel };

class OpenSecretView {
 public:
  virtual ~OpenSecretView() = default;
  // The saved flag, the kind or the path changed: the states are re-applied.
  virtual void StateChanged() = 0;
  // A secret was shown (Kind() != 0) or the shown one closed (Kind() == 0).
  virtual void ContentChanged() = 0;
  // The message as edited, which Save writes.
  virtual std::string MessageText() = 0;
  // Asks whether the unsaved changes are saved; mayCancel false during a
  // log-out, when only Yes and No are offered.
  virtual SaveAnswer AskSaveChanges(bool mayCancel) = 0;
  // Runs an engine call where engine calls run (the worker thread) and
  // answers its status.
  virtual StatusCode RunEngine(SecretOperation op, std::function<StatusCode()> call) = 0;
  // Shows a failed operation's code.
  virtual void ShowFailure(SecretOperation op, StatusCode code) = 0;
};

// What the new and open chains chose for the next secret, and how its key
// is given (password or RSA through the key storage).
struct SecretChoice {
  int32_t contentKind = zk::kContentMessage;
  int32_t containerKind = 1;
  int32_t carrierFormat = 0;
  bool passwordMode = true;
  std::string password;
  int32_t hashIndex = zk::kHashSHA;
  int32_t cipherIndex = zk::kCipherBlowfish;
  zk::IKeysCtrl* keysCtrl = nullptr;  // once the key storage is open (owned)
};

class OpenSecret {
 public:
  OpenSecret() = default;
  ~OpenSecret();
  OpenSecret(const OpenSecret&) = delete;
  OpenSecret& operator=(const OpenSecret&) = delete;

  // The view told of changes (null: none); it must outlive the model or be
  // unset first.
  void SetView(OpenSecretView* view) { view_ = view; }

  zk::IKivSecret* Secret() const { return secret_; }
  zk::IBase* Content() const { return content_; }
  int32_t Kind() const { return kind_; }
  bool Saved() const { return saved_; }
  const std::string& Path() const { return path_; }
  SecretChoice& Choice() { return choice_; }
  const SecretChoice& Choice() const { return choice_; }

  // The chains' path of the secret being made or opened (shown with it).
  void SetPath(const std::string& path) { path_ = path; }

  // The chains' secret object being made or opened, before it is shown:
  // takes over one reference (null releases the held one unclosed).
  void Adopt(zk::IKivSecret* secret);
  // Takes over one reference of the content being made (releasing the
  // held one).
  void AdoptContent(zk::IBase* content);

  // Creates the held secret at Path() (on the calling thread, as the
  // create step always ran); on success the model holds the new content
  // until ShowHeld. A failure leaves nothing held.
  StatusCode Create(const zk::SecretParams& params);
  // Opens the held secret at Path() where engine calls run; on success the
  // model holds the content until ShowHeld. A failure keeps the secret
  // object, so a wrong password can be asked again.
  StatusCode Open(const zk::SecretParams& params);

  // Shows a secret: takes over one reference of each, the saved flag
  // settled by whether it is new (a new message or safe is unsaved until
  // Save). Then ContentChanged and StateChanged.
  void Show(zk::IKivSecret* secret, zk::IBase* content, int32_t kind, const std::string& path,
            bool created);
  // Shows the secret and content the chain made or opened, at Path().
  void ShowHeld(int32_t kind, bool created);

  // The content was changed in the window (message typed, safe edited).
  void Changed();
  // The engine wrote the change itself (a one-file secret's new file).
  void Written();

  // Writes the message or safe; the flag follows the result, which is
  // answered (0 when the kind has nothing to write).
  StatusCode Save();
  // Offers unsaved changes for saving; false when the user cancelled or
  // the save failed: the secret then stays open. forced (a log-out): no
  // Cancel, and nothing stops the close.
  bool OfferSave(bool forced);
  // Offers the changes, then closes and releases the secret; false (and
  // nothing closed) when OfferSave refused.
  bool Close(bool forced);
  // Closes and releases without offering anything (a chain starts over).
  void Discard();
  // Deletes the secret from its file or carrier, then closes it. A failed
  // Delete keeps the secret and its content shown; false then.
  bool Delete();
  // Releases every reference without telling the view (the window goes).
  void Release();

 private:
  friend class OpenSecretProbe;  // the tests' seam (desktop/testing)
  void Notify(bool content);

  OpenSecretView* view_ = nullptr;
  zk::IKivSecret* secret_ = nullptr;
  zk::IBase* content_ = nullptr;
  int32_t kind_ = 0;
  bool saved_ = true;
  std::string path_;
  SecretChoice choice_;
};

}  // namespace kiv
