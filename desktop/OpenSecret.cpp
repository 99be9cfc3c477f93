#include "desktop/OpenSecret.h"

#include <utility>

#include "ToolkitObject.h"
#include "Wipe.h"

namespace kiv {

namespace {

template <class T>
T* Query(zk::IBase* object, const char* interfaceId) {
  if (!object) return nullptr;
  void* out = nullptr;
  if (object->QueryInterface(interfaceId, &out) != 0) return nullptr;
  return static_cast<T*>(out);
}

}  // namespace

OpenSecret::~OpenSecret() { Release(); }

void OpenSecret::Release() {
  zk::ReleaseAndNull(content_);
  zk::ReleaseAndNull(secret_);
  zk::ReleaseAndNull(choice_.keysCtrl);
  zk::Wipe(choice_.password.data(), choice_.password.size());
  choice_.password.clear();
}

void OpenSecret::Notify(bool content) {
  if (!view_) return;
  if (content) view_->ContentChanged();
  view_->StateChanged();
}

void OpenSecret::Adopt(zk::IKivSecret* secret) {
  zk::ReleaseAndNull(secret_);
  secret_ = secret;
}

void OpenSecret::AdoptContent(zk::IBase* content) {
  zk::ReleaseAndNull(content_);
  content_ = content;
}

StatusCode OpenSecret::Create(const zk::SecretParams& params) {
  zk::IBase* content = nullptr;
  const StatusCode r =
      secret_ ? secret_->Create(path_.c_str(), &params, &content) : zk::kNotInitialized;
  if (r != 0) {
    if (content) content->Release();
    zk::ReleaseAndNull(content_);
    zk::ReleaseAndNull(secret_);
    return r;
  }
  AdoptContent(content);
  return r;
}

StatusCode OpenSecret::Open(const zk::SecretParams& params) {
  if (!secret_) return zk::kNotInitialized;
  zk::IBase* content = nullptr;
  zk::IKivSecret* s = secret_;
  const std::string path = path_;
  auto call = [s, &path, &params, &content] { return s->Open(path.c_str(), &params, &content); };
  const StatusCode r = view_ ? view_->RunEngine(SecretOperation::kOpen, call) : call();
  if (r != 0) {
    if (content) content->Release();
    return r;
  }
  AdoptContent(content);
  return r;
}

void OpenSecret::ShowHeld(int32_t kind, bool created) {
  const std::string path = path_;
  Show(std::exchange(secret_, nullptr), std::exchange(content_, nullptr), kind, path, created);
}

void OpenSecret::Show(zk::IKivSecret* secret, zk::IBase* content, int32_t kind,
                      const std::string& path, bool created) {
  // The held references go; the caller handed over one of each (even of
  // the same objects).
  zk::ReleaseAndNull(content_);
  zk::ReleaseAndNull(secret_);
  secret_ = secret;
  content_ = content;
  path_ = path;
  kind_ = kind;
  // The flag is settled before the view applies the states.
  saved_ = SavedAfter(created ? SecretEvent::kCreated : SecretEvent::kOpened, kind);
  Notify(true);
}

void OpenSecret::Changed() {
  if (kind_ == 0) return;
  const bool was = saved_;
  saved_ = SavedAfter(SecretEvent::kChanged, kind_);
  if (was != saved_) Notify(false);
}

void OpenSecret::Written() {
  saved_ = SavedAfter(SecretEvent::kSaved, kind_);
  Notify(false);
}

StatusCode OpenSecret::Save() {
  if (kind_ != 1 && kind_ != 3) {
    // Nothing to write: the states are refreshed only.
    Notify(false);
    return 0;
  }
  std::function<StatusCode()> write;
  zk::Held<zk::IMessage> message(Query<zk::IMessage>(kind_ == 1 ? content_ : nullptr,
                                                     zk::id::KivIMessage));
  zk::Held<zk::ISafe> safe(Query<zk::ISafe>(kind_ == 3 ? content_ : nullptr, zk::id::KivISafe));
  const std::string text = message && view_ ? view_->MessageText() : std::string();
  if (message) write = [&message, &text] { return message->SetText(text.c_str()); };
  if (safe) write = [&safe] { return safe->Commit(); };
  StatusCode r = zk::kNotImplemented;
  if (write) r = view_ ? view_->RunEngine(SecretOperation::kSave, write) : write();
  if (r != 0 && view_) view_->ShowFailure(SecretOperation::kSave, r);
  saved_ = SavedAfter(r == 0 ? SecretEvent::kSaved : SecretEvent::kSaveFailed, kind_);
  Notify(false);
  return r;
}

bool OpenSecret::OfferSave(bool forced) {
  if (saved_ || kind_ == 0) return true;
  const SaveAnswer a = view_ ? view_->AskSaveChanges(!forced) : SaveAnswer::kCancel;
  if (a == SaveAnswer::kCancel) return false;
  if (a == SaveAnswer::kYes) {
    Save();
    // A failed save keeps the secret and stops what asked for the close.
    if (!saved_ && kind_ != 2 && !forced) return false;
  }
  return true;
}

bool OpenSecret::Close(bool forced) {
  if (!OfferSave(forced)) return false;
  Discard();
  return true;
}

void OpenSecret::Discard() {
  zk::ReleaseAndNull(content_);
  if (secret_) {
    secret_->Close();
    zk::ReleaseAndNull(secret_);
  }
  saved_ = SavedAfter(SecretEvent::kClosed, 0);
  kind_ = 0;
  path_.clear();
  Notify(true);
}

bool OpenSecret::Delete() {
  if (!secret_) return false;
  // The content goes only once the secret is gone: a failed Delete leaves
  // a usable view.
  zk::IKivSecret* s = secret_;
  auto call = [s] { return s->Delete(); };
  const StatusCode r = view_ ? view_->RunEngine(SecretOperation::kDelete, call) : call();
  if (r != 0) {
    if (view_) view_->ShowFailure(SecretOperation::kDelete, r);
    return false;
  }
  Discard();
  return true;
}

}  // namespace kiv
