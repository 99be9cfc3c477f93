// script.ParamScript: a parameter file held in memory as an ordered list of
// named text values with their comments.
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "zk5script.h"
#include "ParamFormat.h"
#include "ToolkitObject.h"

namespace zk::script {

namespace {

// Hands a copy out through an in-and-out string parameter.
StatusCode HandOut(const std::string* text, char** out) {
  char* copy = nullptr;
  if (text) {
    copy = zk_DupString(text->c_str());
    if (!copy) return kNoMemory;
  }
  zk_free(*out);
  *out = copy;
  return kOk;
}

// Whole-stream reads and writes go in pieces a 32-bit length can carry.
constexpr uint32_t kPiece = 1u << 20;

}  // namespace

class ParamScript final : public ToolkitObject<ParamScript, IAppParam> {
 public:
  static constexpr const char* kClassId = id::ScriptParamScript;
  static constexpr InterfaceSlot kInterfaces[] = {{id::ScriptIAppParam, 0}};

  ~ParamScript() { ReleaseAndNull(stream_); }

  StatusCode Load(IFileStrem* stream) override {
    return Guard([&]() -> StatusCode {
      ReleaseAndNull(stream_);
      if (!stream) return kInvalidArg;
      uint64_t size = 0;
      StatusCode st = stream->GetSize(&size);
      if (st != kOk) return st;
      entries_.clear();
      if (size != 0) {
        std::string text;
        st = ReadAll(stream, size, text);
        if (st != kOk) return st;
        ParseParams(text, entries_);
      }
      void* kept = nullptr;
      st = stream->QueryInterface(id::StreamIFileStrem, &kept);
      if (st != kOk) return st;
      stream_ = static_cast<IFileStrem*>(kept);
      return kOk;
    });
  }

  // The whole text is built before the file is touched, written from its
  // start, then the file is cut at the text's end and committed, so a
  // failure never leaves the file shorter than what was written. Commit
  // comes only after every piece was taken: a stream that writes beside its
  // file and renames it over (the engine's, for the user's settings) does so
  // there.
  StatusCode Save() override {
    if (!stream_) return kNotInitialized;
    return Guard([&]() -> StatusCode {
      std::string text = WriteParams(entries_);
      StatusCode st = stream_->Seek(0, kSeekSet);
      if (st != kOk) return st;
      for (size_t done = 0; done < text.size();) {
        uint32_t piece = static_cast<uint32_t>(std::min<size_t>(text.size() - done, kPiece));
        st = stream_->Write(text.data() + done, piece);
        if (st != kOk) return st;
        done += piece;
      }
      st = stream_->SetEnd();
      if (st != kOk) return st;
      return stream_->Commit();
    });
  }

  StatusCode Add(const char* name, const char* comment) override {
    if (!name) return kInvalidArg;
    // A name the parser would not read back as itself would be lost or,
    // worse, turn a value into entries on the next Load.
    if (!IsStorableName(name)) return kInvalidArg;
    if (Find(name)) return kAlreadyExists;
    return Guard([&]() -> StatusCode {
      ParamEntry e;
      e.name = name;
      if (comment) e.comment = comment;
      e.comment += "\r\n";
      e.hasComment = true;
      entries_.push_back(std::move(e));
      return kOk;
    });
  }

  StatusCode GetComment(const char* name, char** commentOut) override {
    ParamEntry* e = nullptr;
    if (StatusCode st = Lookup(name, &e)) return st;
    if (!commentOut) return kInvalidArg;
    return HandOut(e->hasComment ? &e->comment : nullptr, commentOut);
  }

  StatusCode GetInt(const char* name, int32_t* valueOut) override {
    ParamEntry* e = nullptr;
    if (StatusCode st = Lookup(name, &e)) return st;
    if (!valueOut) return kInvalidArg;
    *valueOut = ParseDecimal(e->value);
    return kOk;
  }

  StatusCode GetHex(const char* name, uint32_t* valueOut) override {
    ParamEntry* e = nullptr;
    if (StatusCode st = Lookup(name, &e)) return st;
    if (!valueOut) return kInvalidArg;
    *valueOut = ParseHex(e->value);
    return kOk;
  }

  StatusCode GetLong(const char* name, int32_t* valueOut) override { return GetInt(name, valueOut); }

  StatusCode GetString(const char* name, char** valueOut) override {
    ParamEntry* e = nullptr;
    if (StatusCode st = Lookup(name, &e)) return st;
    if (!valueOut) return kInvalidArg;
    return HandOut(e->hasValue ? &e->value : nullptr, valueOut);
  }

  StatusCode GetDouble(const char* name, double* valueOut) override {
    ParamEntry* e = nullptr;
    if (StatusCode st = Lookup(name, &e)) return st;
    if (!valueOut) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      *valueOut = ParseDouble(e->value);
      return kOk;
    });
  }

  StatusCode GetBinary(const char* name, void** blockOut, uint32_t* countOut) override {
    ParamEntry* e = nullptr;
    if (StatusCode st = Lookup(name, &e)) return st;
    if (!blockOut || !countOut) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      std::vector<uint8_t> bytes = ParseBinary(e->value);
      void* block = nullptr;
      if (!bytes.empty()) {
        if (bytes.size() > 0x7FFFFFFF) return kNoMemory;
        block = zk_malloc(static_cast<int32_t>(bytes.size()));
        if (!block) return kNoMemory;
        std::memcpy(block, bytes.data(), bytes.size());
      }
      zk_free(*blockOut);
      *blockOut = block;
      *countOut = static_cast<uint32_t>(bytes.size());
      return kOk;
    });
  }

  StatusCode SetInt(const char* name, int32_t value) override {
    return Store(name, [&] { return FormatDecimal(value); });
  }
  StatusCode SetHex(const char* name, uint32_t value) override {
    return Store(name, [&] { return FormatHex(value); });
  }
  StatusCode SetLong(const char* name, int32_t value) override { return SetInt(name, value); }

  StatusCode SetString(const char* name, const char* value) override {
    ParamEntry* e = nullptr;
    if (StatusCode st = Lookup(name, &e)) return st;
    // The format has no escape: a double quote would end the value early.
    if (value && std::strchr(value, '"')) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      if (value) {
        e->value = value;
      } else {
        e->value.clear();
      }
      e->hasValue = value != nullptr;
      return kOk;
    });
  }

  StatusCode SetDouble(const char* name, double value) override {
    return Store(name, [&] { return FormatDouble(value); });
  }

  StatusCode SetBinary(const char* name, const void* bytes, uint32_t count) override {
    ParamEntry* e = nullptr;
    if (StatusCode st = Lookup(name, &e)) return st;
    if (count == 0) {
      e->value.clear();
      e->hasValue = false;
      return kOk;
    }
    if (!bytes) return kInvalidArg;
    return Guard([&]() -> StatusCode {
      e->value = FormatBinary(static_cast<const uint8_t*>(bytes), count);
      e->hasValue = true;
      return kOk;
    });
  }

  StatusCode Delete(const char* name) override {
    ParamEntry* e = nullptr;
    if (StatusCode st = Lookup(name, &e)) return st;
    entries_.erase(entries_.begin() + (e - entries_.data()));
    return kOk;
  }

  int32_t GetCount() override { return static_cast<int32_t>(entries_.size()); }

  StatusCode GetName(int32_t index, char** nameOut) override {
    if (index < 0 || static_cast<size_t>(index) >= entries_.size() || !nameOut) return kInvalidArg;
    return HandOut(&entries_[static_cast<size_t>(index)].name, nameOut);
  }

 private:
  ParamEntry* Find(const char* name) {
    for (ParamEntry& e : entries_) {
      if (e.name == name) return &e;
    }
    return nullptr;
  }

  StatusCode Lookup(const char* name, ParamEntry** out) {
    if (!name) return kInvalidArg;
    *out = Find(name);
    return *out ? kOk : kNotFound;
  }

  template <class MakeText>
  StatusCode Store(const char* name, MakeText make) {
    ParamEntry* e = nullptr;
    if (StatusCode st = Lookup(name, &e)) return st;
    return Guard([&]() -> StatusCode {
      e->value = make();
      e->hasValue = true;
      return kOk;
    });
  }

  // Reads size bytes from the start; the buffer grows with what really
  // arrives, so a stream that claims a huge size cannot force a huge block.
  static StatusCode ReadAll(IFileStrem* stream, uint64_t size, std::string& text) {
    StatusCode st = stream->Seek(0, kSeekSet);
    if (st != kOk) return st;
    uint64_t done = 0;
    while (done < size) {
      uint32_t piece = static_cast<uint32_t>(std::min<uint64_t>(size - done, kPiece));
      size_t at = text.size();
      text.resize(at + piece);
      uint32_t got = 0;
      st = stream->Read(text.data() + at, piece, &got);
      if (st != kOk) return st;
      if (got > piece) got = piece;
      text.resize(at + got);
      done += got;
      if (got == 0) break;
    }
    return done < size ? kReadError : kOk;
  }

  std::vector<ParamEntry> entries_;
  IFileStrem* stream_ = nullptr;
};

ZK_REGISTER_CLASS(ParamScript)

}  // namespace zk::script
