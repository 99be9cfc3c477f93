// kiv.Message: the text of a message secret. Stored as its length in bytes
// (u32, no terminator) followed by the text coded by arc.Lzpxj.
#include <cstring>

#include "ByteOrder.h"
#include "EngineTables.h"
#include "ToolkitObject.h"
#include "Wipe.h"
#include "ContentBase.h"
#include "SecretContents.h"
#include "SecretCopy.h"
#include "SecretFiles.h"
#include "SecretFormat.h"
#include "RunningDigest.h"
#include "SecretPipe.h"

namespace zk::engine {
namespace {

class Message final : public ContentBase<Message, IMessage> {
 public:
  static constexpr const char* kClassId = id::KivMessage;
  static constexpr InterfaceSlot kInterfaces[] = {{id::KivIMessage, 0}, {id::KivISetProvider, 1}};

  StatusCode GetText(char** textOut) override {
    if (!textOut) return kInvalidArg;
    if (*textOut) {
      zk_free(*textOut);
      *textOut = nullptr;
    }
    IStreamProvider* provider = Provider();
    uint32_t size = 0;
    StatusCode st = provider->GetContentSize(&size);
    if (st != kOk) return st;
    WorkStream a, b;
    if ((st = provider->CreateStream(size > kStageLimit, &a.p)) != kOk) return st;
    if ((st = provider->Load(a.p, 0, nullptr)) != kOk) return st;
    a.p->Seek(0, kSeekSet);
    uint8_t word[4];
    if (ReadFully(a.p, word, 4) != kOk) return kOk;  // nothing stored: no text
    const uint32_t n = LoadLE32(word);
    if (n == 0) return kOk;
    if ((st = provider->CreateStream(n > kStageLimit, &b.p)) != kOk) return st;
    if ((st = DecodeBounded(a.p, b.p, n, nullptr)) != kOk) return st;
    // The text and its terminator must fit one runtime block.
    if (uint64_t(n) + 1 > 0x7FFFFFFFu) return kNoMemory;
    char* text = static_cast<char*>(zk_malloc(int32_t(n + 1)));
    if (!text) return kNoMemory;
    b.p->Seek(0, kSeekSet);
    if ((st = ReadFully(b.p, text, n)) != kOk) {
      Wipe(text, n);
      zk_free(text);
      return kNotFound;
    }
    text[n] = 0;
    *textOut = text;
    return kOk;
  }

  StatusCode SetText(const char* text) override {
    if (!text) return kInvalidArg;
    IStreamProvider* provider = Provider();
    const size_t length = std::strlen(text);
    if (length >= kContentLimit) return kTooMuch;
    const uint32_t n = uint32_t(length);
    WorkStream a, b;
    StatusCode st = CreateSaveStream(provider, n > kStageLimit, &a.p);
    if (st == kOk) st = provider->CreateStream(n > kStageLimit, &b.p);
    if (st != kOk) return st;
    uint8_t word[4];
    StoreLE32(word, n);
    if ((st = a.p->Write(word, 4)) != kOk) return st;
    if ((st = WriteAll(b.p, text, n)) != kOk) return st;
    b.p->Seek(0, kSeekSet);
    IArc* coder = nullptr;
    if ((st = Coder(&coder)) != kOk) return st;
    if ((st = coder->Init(0)) != kOk) return st;
    {
      // The coding is written (and digested) on a thread of its own.
      WriteBehind writing;
      if ((st = writing.Start(a.p)) != kOk) return st;
      st = writing.Finish(coder->Encode(b.p, writing.stream(), nullptr, n));
      if (st != kOk) return st;
    }
    a.p->Seek(0, kSeekSet);
    return provider->Save(a.p, nullptr, nullptr, 0);
  }

 private:
  static StatusCode WriteAll(IStream* s, const char* data, uint32_t n) {
    while (n > 0) {
      uint32_t piece = n < 0x1000000 ? n : 0x1000000;
      StatusCode st = s->Write(data, piece);
      if (st != kOk) return st;
      data += piece;
      n -= piece;
    }
    return kOk;
  }
};

}  // namespace

StatusCode MakeMessage(ISetProvider** out) {
  *out = nullptr;
  Message* m = Message::Create();
  if (!m) return kNoMemory;
  *out = m;
  return kOk;
}

}  // namespace zk::engine
