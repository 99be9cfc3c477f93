#include "desktop/NewSecretChainUnit.h"

#include <QApplication>
#include <QFileInfo>
#include <QObject>

#include <cstring>

#include "Wipe.h"
#include "desktop/AboutUnit.h"
#include "desktop/CommonUnit.h"
#include "desktop/ContainerTypeUnit.h"
#include "desktop/CopyContainerUnit.h"
#include "desktop/MainFormUnit.h"
#include "desktop/ModalRun.h"
#include "desktop/OpenWizardUnit.h"
#include "desktop/Prompter.h"
#include "desktop/SecretParamsUnit.h"
#include "desktop/SecretPropertiesUnit.h"
#include "desktop/SecretTypeUnit.h"
#include "desktop/TextIds.h"
#include "desktop/WaitHourglassUnit.h"
#include "desktop/WizardTextIds.h"
#include "desktop/zk5Base.hpp"
#include "ToolkitObject.h"
#include "zk5Steg.h"

namespace kiv {

namespace {

// What the chains keep between their steps beside the main window's
// fields: probe version, key choice, the text shown.
class TSecretChain : public QObject {
 public:
  explicit TSecretChain(QObject* parent) : QObject(parent) { setObjectName("SecretChain"); }
  int32_t version = 1;
  int32_t keyList = -1, keyIndex = -1;
  QString shownText;
};

TSecretChain& State(TMainForm& form) {
  auto* c = form.findChild<TSecretChain*>("SecretChain", Qt::FindDirectChildrenOnly);
  return c ? *c : *new TSecretChain(&form);
}

std::function<void(TMainForm&, const QString&)>& ShownHook() {
  static std::function<void(TMainForm&, const QString&)> hook;
  return hook;
}

QString UpperExt(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).suffix().toUpper();
}

QString Text(TMainForm& f, int32_t id) { return GetResText(f.Texts(), id); }

void WipePassword(TMainForm& f) {
  std::string& password = f.Model().Choice().password;
  zk::Wipe(password.data(), password.size());
  password.clear();
}

// Closes and releases the shown secret and its content.
void CloseShown(TMainForm& f) {
  f.Model().Discard();
  State(f).shownText.clear();
}

// The secret object the chain makes or opens, held by the model until shown.
void NewSecretObject(TMainForm& f) {
  f.Model().Adopt(nullptr);
  zk::IKivSecret* secret = nullptr;
  if (f.Driver()->CreateSecret(&secret) != 0 || !secret)
    StartFailure(QApplication::applicationName(), "Can not create a new secret!", -6);
  f.Model().Adopt(secret);
}

// Releases the secret being made or opened.
void DropSecretObject(TMainForm& f) { f.Model().Adopt(nullptr); }

void Post(TMainForm& f, uint32_t m) { PostKivMessage(&f, m); }

// The bytes that open every stored secret (its masked prefix).
constexpr uint64_t kSecretPrefixBytes = 10;

// The content is shown by kind; a message's text is read into the view.
void ShowContent(TMainForm& f, bool isNew) {
  TSecretChain& s = State(f);
  int32_t kind = 0;
  if (f.Model().Choice().contentKind == zk::kContentMessage) {
    auto* m = QueryToolkitInterface<zk::IMessage>(f.Model().Content(), zk::id::KivIMessage);
    if (!m) return;
    if (isNew) {
      m->SetText("");
      s.shownText.clear();
    } else {
      HeldString text;
      StatusCode rc = m->GetText(&text);
      if (!ShowToolkitError(&f, f.Texts(), rc, QString())) {
        m->Release();
        return;
      }
      s.shownText = text.Text();
    }
    m->Release();
    kind = 1;
  } else if (f.Model().Choice().contentKind == zk::kContentFile) {
    auto* file = QueryToolkitInterface<zk::IKivFile>(f.Model().Content(), zk::id::KivIKivFile);
    if (!file) return;
    if (isNew) file->LoadFromDisk(nullptr, 0, nullptr);
    file->Release();
    kind = 2;
    if (isNew) Post(f, chain::kAskFile);
  } else {
    kind = 3;
  }
  // The model shows the secret it holds; the window's views follow.
  f.Model().ShowHeld(kind, isNew);
  if (isNew && f.Model().Choice().carrierFormat != zk::kFormatSecretFile)
    ShowWarning(&f, f.Texts(), f.Params(), txt::kCarrierWarning);
  if (ShownHook()) ShownHook()(f, s.shownText);
}

// True when the carrier tells that it holds fewer hidden bytes than a
// secret's prefix. Carriers that store no length report their capacity, so
// a picture or sound that could hold a secret never counts as empty here.
bool NothingHidden(const std::string& path, int32_t format) {
  const char* cls = nullptr;
  switch (format) {
    case 2: cls = zk::id::StegBMP; break;
    case 3: cls = zk::id::StegPNG; break;
    case 4: cls = zk::id::StegJPEG; break;
    case 5: cls = zk::id::StegGIF; break;
    case 16: cls = zk::id::StegText; break;
    case 32: cls = zk::id::StegWAVE; break;
    case 33: cls = zk::id::StegMP3; break;
    case 48: cls = zk::id::StegZIP; break;
    default: return false;
  }
  zk::Held<zk::IBase> folder;
  if (ToolkitCreateInstance(zk::id::FosFileSys, &folder) != 0 || !folder) return false;
  zk::Held<zk::IFileSystem> fs(QueryToolkitInterface<zk::IFileSystem>(folder, zk::id::StreamIFileSystem));
  if (!fs) return false;
  zk::Held<zk::IFileStrem> file;
  StatusCode rc = fs->OpenFile(path.c_str(), zk::kOpenBinary, &file);
  if (rc != 0 || !file) return false;
  uint64_t hidden = 0;
  rc = -1;
  zk::Held<zk::IBase> object;
  if (ToolkitCreateInstance(cls, &object) == 0 && object) {
    zk::Held<zk::ICarrier> carrier(QueryToolkitInterface<zk::ICarrier>(object, zk::id::StegICarrier));
    if (carrier) rc = carrier->GetHiddenSize(file, &hidden);
  }
  return rc == 0 && hidden < kSecretPrefixBytes;
}

}  // namespace

bool NewSecretFileStep(TMainForm& f) {
  Prompter& p = CurrentPrompter();
  if (f.Model().Choice().containerKind == 1) {
    QString name = p.SaveFile(&f, Text(f, txt::kSaveSecretTitle), QString(),
                              Text(f, txt::kSecretFilter));
    if (name.isEmpty()) return false;
    if (QFileInfo(name).suffix().isEmpty()) name += ".kvs";
    f.Model().SetPath(name.toStdString());
    f.Model().Choice().carrierFormat = zk::kFormatSecretFile;
    return true;
  }
  static constexpr int32_t kTitles[6] = {0, 0, txt::kChoosePictureTitle, txt::kChooseSoundTitle, txt::kChooseDocumentTitle, txt::kChooseArchiveTitle};
  static constexpr int32_t kFilters[6] = {0, 0, txt::kPictureFilter, txt::kSoundFilter, txt::kDocumentFilter, txt::kArchiveFilter};
  SecretChoice& c = f.Model().Choice();
  const int k = c.containerKind >= 2 && c.containerKind <= 5 ? c.containerKind : 2;
  // An existing carrier is chosen with a dialog that needs an existing file.
  const QString name = p.OpenFile(&f, Text(f, kTitles[k]), QString(), Text(f, kFilters[k]));
  if (name.isEmpty()) return false;
  const std::string carrier = name.toStdString();
  if (f.CopyContainer()) {
    std::string copy;
    if (!MakeCopyName(carrier, copy)) {
      p.Message(&f, QApplication::applicationName(), Text(f, txt::kErrCannotOpen), BoxIcon::kError,
                BoxButtons::kOk);
      return false;
    }
    if (!CopyContainerFile(carrier, copy, f.Texts(), &f)) return false;
  }
  f.Model().SetPath(carrier);
  c.carrierFormat = NewCarrierFormat(c.containerKind, carrier, c.carrierFormat);
  return true;
}

// The parameters page after measuring the carrier: its result (-1, 0 or 1;
// a failed measurement counts as back). On next the password, indexes and
// key choice are kept; otherwise the password is cleared.
int32_t NewSecretParamsStep(TMainForm& f) {
  TSecretChain& s = State(f);
  SecretChoice& c = f.Model().Choice();
  uint64_t capacity = 0;
  if (c.carrierFormat != zk::kFormatSecretFile) {
    zk::IKivSecret* probe = nullptr;
    if (f.Driver()->CreateSecret(&probe) != 0 || !probe)
      StartFailure(QApplication::applicationName(), "Can not create a new secret!", -6);
    const std::string path = f.Model().Path();
    const int32_t format = c.carrierFormat;
    StatusCode rc = WaitRun(f.windowTitle(), Text(f, txt::kPleaseWait),
                            [&] { return probe->GetCapacity(path.c_str(), format, &capacity); });
    probe->Release();
    if (!ShowKeyStorageError(&f, f.Texts(), rc, Text(f, txt::kCarrierCapacity))) return kWizardBack;
  }
  TFormSecretParams page(f.Texts(), f.Driver(), c.keysCtrl, c.hashIndex, c.cipherIndex, capacity,
                         &f);
  RunModal(&page);
  c.keysCtrl = page.keys;
  c.passwordMode = page.symmetric;
  WipePassword(f);
  if (page.result == kWizardNext) {
    c.hashIndex = page.hash;
    c.cipherIndex = page.cipher;
    c.password = page.password;
    s.keyList = page.keyList;
    s.keyIndex = page.keyIndex;
  }
  return page.result;
}

bool NewSecretCreateStep(TMainForm& f) {
  TSecretChain& s = State(f);
  SecretChoice& c = f.Model().Choice();
  NewSecretObject(f);
  zk::SecretParams p{};
  StatusCode rc = 0;
  if (c.passwordMode) {
    FillPasswordParams(p, c.contentKind, c.carrierFormat, c.hashIndex, c.cipherIndex, c.password);
  } else {
    rc = FillRsaParams(p, c.contentKind, c.carrierFormat, c.hashIndex, c.cipherIndex, c.keysCtrl,
                       s.keyList, s.keyIndex);
  }
  if (rc == 0) rc = f.Model().Create(p);
  zk::Wipe(&p, sizeof p);
  if (!ShowToolkitError(&f, f.Texts(), rc, Text(f, txt::kSecretCreateFailed))) {
    DropSecretObject(f);
    return false;
  }
  Post(f, chain::kShowNew);
  Post(f, chain::kAfterShow);
  return true;
}

int32_t NewSecretContainerPage(TMainForm& f) {
  TContainerTypeForm page(f.Texts(), f.Model().Choice().containerKind, f.CopyContainer(), &f);
  RunModal(&page);
  f.Model().Choice().containerKind = page.kind;
  f.SetCopyContainer(page.makeCopy);
  return page.result;
}

namespace {

void OpenWizardStep(TMainForm& f) {
  TSecretChain& s = State(f);
  const SecretChoice& c = f.Model().Choice();
  TFormOpenWizard page(f.Texts(), c.containerKind, c.contentKind, s.version,
                       QString::fromStdString(f.Model().Path()), &f);
  RunModal(&page);
  WipePassword(f);
  if (page.result == kWizardNext) {
    f.Model().Choice().password = page.password;
    Post(f, chain::kOpenSecret);
  } else {
    // A cancelled open releases the new secret at once.
    DropSecretObject(f);
  }
}

void OpenSecretStep(TMainForm& f) {
  if (!f.Model().Secret()) return;
  const SecretChoice& c = f.Model().Choice();
  zk::SecretParams p{};
  p.contentType = uint8_t(c.contentKind);
  p.format = uint8_t(c.carrierFormat);
  const size_t n = std::min(c.password.size(), sizeof p.key);
  std::memcpy(p.key, c.password.data(), n);
  p.keyLength = uint16_t(n);
  WipePassword(f);
  StatusCode rc = f.Model().Open(p);
  zk::Wipe(&p, sizeof p);
  if (rc != 0) {
    if (c.passwordMode && rc == zk::kAccessDenied) {
      // The header did not open under this password: asked again, the
      // file kept.
      CurrentPrompter().Message(&f, MainWindowCaption(), Text(f, txt::kWrongPassword),
                                BoxIcon::kError, BoxButtons::kOk);
      Post(f, chain::kOpenWizard);
      return;
    }
    if (!c.passwordMode && rc == zk::kAccessDenied)
      CurrentPrompter().Message(&f, MainWindowCaption(), Text(f, txt::kNoKeyOpensSecret), BoxIcon::kError,
                                BoxButtons::kOk);
    else
      ShowToolkitError(&f, f.Texts(), rc, QString());
    DropSecretObject(f);
    return;
  }
  ShowContent(f, false);
  Post(f, chain::kAfterShow);
}

}  // namespace

int32_t NewCarrierFormat(int32_t containerKind, const std::string& path, int32_t current) {
  const QString e = UpperExt(path);
  switch (containerKind) {
    case 1: return zk::kFormatSecretFile;
    case 2:
      if (e == "BMP") return 2;
      if (e == "PNG") return 3;
      if (e == "JPG" || e == "JPEG") return 4;
      if (e == "GIF") return 5;
      return current;
    case 3:
      if (e == "WAV") return 32;
      if (e == "MP3") return 33;
      return current;
    case 4: return 16;
    case 5: return 48;
    default: return current;
  }
}

bool OpenKindsFromPath(const std::string& path, int32_t& kind, int32_t& format) {
  const QString e = UpperExt(path);
  if (e == "KVS") {
    kind = 1, format = 1;
  } else if (e == "BMP" || e == "PNG" || e == "GIF" || e == "JPG" || e == "JPEG") {
    kind = 2;
    format = e == "BMP" ? 2 : e == "PNG" ? 3 : e == "GIF" ? 5 : 4;
  } else if (e == "WAV" || e == "MP3") {
    kind = 3;
    format = e == "WAV" ? 32 : 33;
  } else if (e == "TXT") {
    kind = 4, format = 16;
  } else if (e == "ZIP") {
    kind = 5, format = 48;
  } else {
    return false;
  }
  return true;
}

namespace {
void FillCommon(zk::SecretParams& p, int32_t contentKind, int32_t format, int32_t hash,
                int32_t cipher) {
  std::memset(&p, 0, sizeof p);
  p.contentType = uint8_t(contentKind);
  p.format = uint8_t(format);
  p.hashIndex = uint8_t(hash);
  p.cipherIndex = uint8_t(cipher);
  p.headerByte = 1;
}
}  // namespace

void FillPasswordParams(zk::SecretParams& p, int32_t contentKind, int32_t format, int32_t hash,
                        int32_t cipher, std::string& password) {
  FillCommon(p, contentKind, format, hash, cipher);
  const size_t n = std::min(password.size(), sizeof p.key);
  std::memcpy(p.key, password.data(), n);
  p.keyLength = uint16_t(n);
  zk::Wipe(password.data(), password.size());
  password.clear();
}

StatusCode FillRsaParams(zk::SecretParams& p, int32_t contentKind, int32_t format, int32_t hash,
                         int32_t cipher, zk::IKeysCtrl* keys, int32_t keyList, int32_t keyIndex) {
  FillCommon(p, contentKind, format, hash, cipher);
  p.flags = 1;
  if (!keys || keyList < 0 || keyIndex < 0) return zk::kAccessDenied;
  uint32_t length = 0;
  StatusCode rc = keys->GetPublicKeyBlob(p.key, keyList, uint32_t(keyIndex), &length);
  if (rc != 0) return rc;
  if (length > sizeof p.key) return zk::kOutOfRange;
  p.keyLength = uint16_t(length);
  return 0;
}

void SecretNewCommand(TMainForm& f) {
  CloseShown(f);
  Post(f, chain::kSecretType);
}

void SecretOpenCommand(TMainForm& f) {
  CloseShown(f);
  const QString name = CurrentPrompter().OpenFile(&f, Text(f, txt::kOpenSecretTitle), QString(), Text(f, txt::kOpenSecretFilter));
  if (!name.isEmpty()) OpenSecretPath(f, name.toStdString());
}

void OpenSecretPath(TMainForm& f, const std::string& path) {
  TSecretChain& s = State(f);
  NewSecretObject(f);
  int32_t kind = 0, format = 0;
  if (!OpenKindsFromPath(path, kind, format)) {
    CurrentPrompter().Message(&f, f.windowTitle(), Text(f, txt::kCannotHoldSecret), BoxIcon::kWarning,
                              BoxButtons::kOk);
    DropSecretObject(f);
    return;
  }
  int32_t version = 0, content = 0, keyKind = 0;
  zk::IKivSecret* secret = f.Model().Secret();
  StatusCode rc = WaitRun(f.windowTitle(), Text(f, txt::kPleaseWait), [&] {
    return secret->Probe(path.c_str(), format, &version, &content, &keyKind);
  });
  // Told before any password is asked: the hidden bytes are no secret, or
  // the carrier holds too few hidden bytes for one.
  if (rc == zk::kNoMessages ||
      ((rc == -14 || rc == -6 || rc == -15) && NothingHidden(path, format))) {
    CurrentPrompter().Message(&f, f.windowTitle(), Text(f, txt::kNoSecretFound),
                              BoxIcon::kInformation, BoxButtons::kOk);
    DropSecretObject(f);
    return;
  }
  if (rc == -14 || rc == -6 || rc == -15) {
    version = 1, content = zk::kContentMessage, keyKind = 0;
  } else if (!ShowToolkitError(&f, f.Texts(), rc, Text(f, txt::kSecretReadFailed))) {
    DropSecretObject(f);
    return;
  }
  f.Model().Choice().containerKind = kind;
  f.Model().Choice().carrierFormat = format;
  f.Model().Choice().contentKind = content;
  f.Model().SetPath(path);
  s.version = version;
  f.Model().Choice().passwordMode = keyKind == 0;
  if (f.Model().Choice().passwordMode) {
    Post(f, chain::kOpenWizard);
  } else if (OpenKeyStorage(&f, f.Texts(), f.Driver(), f.Model().Choice().keysCtrl)) {
    Post(f, chain::kOpenSecret);
  } else {
    DropSecretObject(f);
  }
}

void NewSecretInCarrier(TMainForm& f, const std::string& carrier) {
  int32_t kind = 0, format = 0;
  if (!OpenKindsFromPath(carrier, kind, format) || kind == 1) return;
  f.Model().Choice().containerKind = kind;
  f.Model().Choice().carrierFormat = format;
  // The secret goes into the file itself; no copy is made first.
  f.Model().SetPath(carrier);
  for (;;) {
    TFormSecretType type(f.Texts(), f.Model().Choice().contentKind, &f);
    RunModal(&type);
    f.Model().Choice().contentKind = type.kind;
    if (type.result != kWizardNext) return;
    const int r = NewSecretParamsStep(f);
    if (r == kWizardNext) {
      Post(f, chain::kCreate);
      return;
    }
    if (r != kWizardBack) return;
  }
}

void ShowSecretProperties(TMainForm& f, const zk::SecretProperties& props) {
  TFormSecretProperties dialog(f.Texts(), QString::fromStdString(f.Model().Path()), props, &f);
  RunModal(&dialog);
}

bool RunSecretChainMessage(TMainForm& f, uint32_t message) {
  switch (message) {
    case chain::kSecretType: {
      TFormSecretType page(f.Texts(), f.Model().Choice().contentKind, &f);
      RunModal(&page);
      f.Model().Choice().contentKind = page.kind;
      if (page.result == kWizardNext) Post(f, chain::kContainerType);
      return true;
    }
    case chain::kContainerType: {
      const int32_t result = NewSecretContainerPage(f);
      if (result == kWizardBack) Post(f, chain::kSecretType);
      if (result == kWizardNext) Post(f, chain::kFileStep);
      return true;
    }
    case chain::kFileStep:
      Post(f, NewSecretFileStep(f) ? chain::kParams : chain::kContainerType);
      return true;
    case chain::kParams: {
      const int32_t result = NewSecretParamsStep(f);
      if (result == kWizardNext) Post(f, chain::kCreate);
      if (result == kWizardBack) Post(f, chain::kContainerType);
      return true;
    }
    case chain::kCreate:
      NewSecretCreateStep(f);
      return true;
    case chain::kShowNew:
      ShowContent(f, true);
      return true;
    case chain::kOpenWizard:
      OpenWizardStep(f);
      return true;
    case chain::kOpenSecret:
      OpenSecretStep(f);
      return true;
    default:
      return false;
  }
}

QString ChainShownText(TMainForm& f) { return State(f).shownText; }

void SetContentShownHook(std::function<void(TMainForm&, const QString&)> hook) {
  ShownHook() = std::move(hook);
}

}  // namespace kiv
