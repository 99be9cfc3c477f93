// kiv.SafeDriverApp: starts the engine (component libraries, the user's
// kiv_config.txt, the language's texts) and hands out parameters, texts, the key storage,
// new secrets and text encoders; registers the file type and the shell menu.
#include "SafeDriverApp.h"

#include <new>
#include <string>

#include "EngineFactories.h"
#include "EngineTables.h"
#include "Platform.h"
#include "Registration.h"
#include "TextEncoder.h"
#include "UserConfig.h"
#include "UserFolders.h"

namespace zk::engine {

namespace {

// Loading the engine brings the two libraries every engine object needs,
// before the driver's class is registered.
[[maybe_unused]] const int zk_engine_libraries =
    (LoadFromProgramFolder("zk5cipher"), LoadFromProgramFolder("zk5storage"), 0);

// Hands out one more reference of a kept object (null when there is none).
template <class T>
StatusCode HandOut(T* kept, T** out) {
  if (!out) return kInvalidArg;
  ReleaseAndNull(*out);
  if (!kept) return kNotInitialized;
  kept->AddRef();
  *out = kept;
  return kOk;
}

}  // namespace

ZK_REGISTER_CLASS(SafeDriverApp)

SafeDriverApp::~SafeDriverApp() {
  ReleaseAndNull(keys_);
  ReleaseAndNull(texts_);
  ReleaseAndNull(params_);
}

StatusCode SafeDriverApp::Start() {
  return Guard([&]() -> StatusCode {
    folder_ = ProgramFolder();
    if (started_) return kOk;
    IFileSystem* fs = nullptr;
    StatusCode st = CreateFace(id::FosFileSys, id::StreamIFileSystem, &fs);
    if (st != kOk) return st;
    char* previous = nullptr;
    st = fs->GetCurrentDir(&previous);
    if (st == kOk) {
      fs->ChangeDir(folder_.c_str());
      for (const char* name : {"kiv_safe", "zk5steg", "zk5arc", "zk5script", "zk5open_pgp"})
        LoadFromProgramFolder(name);
      st = Guard([&] { return LoadConfiguration(fs); });
      // Back where the caller was, whatever happened above.
      fs->ChangeDir(previous);
      zk_free(previous);
    }
    fs->Release();
    if (st == kOk) started_ = true;
    return st;
  });
}

// Parameters from the user's own kiv_config.txt (made from the program
// folder's on the first start, given the names a newer shipped file adds),
// then the current language's texts from the program folder; both are kept
// only when everything succeeded.
StatusCode SafeDriverApp::LoadConfiguration(IFileSystem* fs) {
  std::vector<std::string> notes;
  UserConfig config;
  IAppParam* params = nullptr;
  ITextRes* texts = nullptr;
  IFileStrem* stream = nullptr;
  char* language = nullptr;
  char* file = nullptr;
  StatusCode st = PrepareUserConfig(fs, folder_, UserConfigFolder(), &config, &notes);
  if (st == kOk) st = CreateFace(id::ScriptParamScript, id::ScriptIAppParam, &params);
  if (st == kOk) st = params->Load(config.stream);
  ReleaseAndNull(config.stream);
  if (st == kOk && !config.userFile.empty() && !config.madeNow && config.shippedRead)
    st = MergeShipped(fs, config.shippedText, params);
  if (st == kOk && config.madeNow) MigrateKeys(params, &notes);
  if (st == kOk) st = params->GetString("lang_cur", &language);
  if (st == kOk) {
    std::string name = std::string(language ? language : "") + "_file";
    st = params->GetString(name.c_str(), &file);
  }
  if (st == kOk) st = CreateFace(id::ScriptTextRes, id::ScriptITextRes, &texts);
  if (st == kOk) {
    std::string path = JoinPath(folder_, file ? file : "");
    st = fs->OpenFile(path.c_str(), 0x8000, &stream);
  }
  if (st == kOk) st = texts->Load(stream);
  ReleaseAndNull(stream);
  zk_free(language);
  zk_free(file);
  if (st != kOk) {
    ReleaseAndNull(texts);
    ReleaseAndNull(params);
    return st;
  }
  ReleaseAndNull(params_);
  ReleaseAndNull(texts_);
  params_ = params;
  texts_ = texts;
  notes_ = std::move(notes);
  return kOk;
}

// The names a newer shipped file has and the user's copy lacks (the
// setters never create names), with the shipped values; the user's values
// stay. Written with the next save.
StatusCode SafeDriverApp::MergeShipped(IFileSystem* fs, const std::string& shippedText,
                                       IAppParam* params) {
  Held<IAppParam> shipped;
  Held<IFileStrem> stream;
  StatusCode st = CreateFace(id::ScriptParamScript, id::ScriptIAppParam, &shipped);
  if (st == kOk) st = MakeConfigStream(fs, shippedText, std::string(), &stream);
  if (st == kOk) st = shipped->Load(stream);
  if (st == kOk) st = MergeShippedNames(params, shipped, nullptr);
  return st;
}

// On the first start, a key storage an earlier build kept in the program
// folder is copied to the user's data folder.
void SafeDriverApp::MigrateKeys(IAppParam* params, std::vector<std::string>* notes) {
  char* value = nullptr;
  if (params->GetString("key_storage", &value) == kOk && value)
    MigrateKeyStorage(folder_, value, UserDataFolder(), notes);
  zk_free(value);
}

StatusCode SafeDriverApp::GetStartNotes(char** notesOut) {
  if (!notesOut) return kInvalidArg;
  return Guard([&]() -> StatusCode {
    char* text = nullptr;
    if (!notes_.empty()) {
      std::string joined;
      for (const std::string& n : notes_) joined += (joined.empty() ? "" : "\n\n") + n;
      text = zk_DupString(joined.c_str());
      if (!text) return kNoMemory;
    }
    zk_free(*notesOut);
    *notesOut = text;
    return kOk;
  });
}

StatusCode SafeDriverApp::CreateSecret(IKivSecret** out) {
  if (!out) return kInvalidArg;
  ReleaseAndNull(*out);
  if (!started_) return kNotExecuted;
  return MakeSecret(this, out);
}

StatusCode SafeDriverApp::GetKeysCtrl(IKeysCtrl** out) {
  if (!out) return kInvalidArg;
  ReleaseAndNull(*out);
  if (!keys_) {
    if (!params_) return kNotInitialized;
    StatusCode st = Guard([&]() -> StatusCode {
      char* value = nullptr;
      StatusCode got = params_->GetString("key_storage", &value);
      if (got != kOk) return got;
      // A relative value lies in the user's private data folder.
      std::string where = value ? value : "";
      zk_free(value);
      std::string path = where;
      if (where.empty() || where[0] != '/') {
        std::string data = UserDataFolder();
        if (data.empty()) return kCannotOpen;
        if (StatusCode made = MakePrivateFolder(data); made != kOk) return made;
        path = JoinPath(data + "/", where);
      }
      IKeysCtrl* keys = nullptr;
      got = MakeKeys(path.c_str(), &keys);
      if (got != kOk) return got;
      if (!keys) return kNoMemory;
      keys_ = keys;
      return kOk;
    });
    if (st != kOk) return st;
  }
  return HandOut(keys_, out);
}

StatusCode SafeDriverApp::GetAppParam(IAppParam** out) { return HandOut(params_, out); }

StatusCode SafeDriverApp::GetTextRes(ITextRes** out) { return HandOut(texts_, out); }

StatusCode SafeDriverApp::IsFileTypeRegistered() { return engine::IsFileTypeRegistered(); }
StatusCode SafeDriverApp::RegisterFileType() { return engine::RegisterFileType(); }
StatusCode SafeDriverApp::UnregisterFileType() { return engine::UnregisterFileType(); }
StatusCode SafeDriverApp::IsShellExtRegistered() { return engine::IsShellExtRegistered(); }
StatusCode SafeDriverApp::RegisterShellExt() { return engine::RegisterShellExt(); }
StatusCode SafeDriverApp::UnregisterShellExt() { return engine::UnregisterShellExt(); }

StatusCode SafeDriverApp::CreateTextEncoder(ITextEncoder** out) {
  if (!out) return kInvalidArg;
  ReleaseAndNull(*out);
  return MakeTextEncoder(params_, out);
}

}  // namespace zk::engine
