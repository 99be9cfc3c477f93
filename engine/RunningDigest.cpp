#include "RunningDigest.h"

#include <cstring>
#include <mutex>

#include "StreamCopy.h"
#include "ToolkitObject.h"

namespace zk::engine {
namespace {

// The digesting stream's own face, found through QueryInterface.
constexpr const char* kIdRunningDigest = "local.kiv.IRunningDigest";
struct IRunningDigest : IBase {
  virtual bool Take(int32_t hashIndex, uint8_t digest[32]) = 0;
};

// Everything but the memory block: writes go on to the inner stream and,
// while the running digest holds and they land at the end of the bytes
// hashed, into the hash. One lock keeps the hash and the positions to one
// thread at a time (the writer stage's while it runs, the caller's after).
template <class Self, class... More>
class DigestingBase : public ToolkitObject<Self, IFileStrem, IRunningDigest, More...> {
 public:
  ~DigestingBase() {
    ReleaseAndNull(hash_);
    ReleaseAndNull(inner_);
  }
  void Wrap(IFileStrem* inner, IHash* hash, int32_t hashIndex) {
    inner_ = inner;
    hash_ = hash;
    hashIndex_ = hashIndex;
    live_ = hash_->Init() == kOk;
  }

  StatusCode IsEnd() override { return inner_->IsEnd(); }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    std::lock_guard<std::mutex> hold(lock_);
    uint32_t got = 0;
    StatusCode st = inner_->Read(buffer, size, &got);
    position_ += got;
    if (gotOut) *gotOut = got;
    return st;
  }
  StatusCode Write(const void* data, uint32_t length) override {
    std::lock_guard<std::mutex> hold(lock_);
    const bool inOrder = live_ && position_ == hashed_;
    if (!inOrder) live_ = false;
    StatusCode st = inner_->Write(data, length);
    if (st != kOk) {
      // What the stream holds now is not known.
      live_ = false;
      return st;
    }
    position_ += length;
    if (inOrder && length) {
      if (hash_->Update(data, length) == kOk) {
        hashed_ += length;
      } else {
        live_ = false;
      }
    }
    return kOk;
  }
  StatusCode Close() override {
    Drop();
    return inner_->Close();
  }
  StatusCode CopyFrom(IStream* source, uint64_t count) override {
    // Through this object's Write, so that the copy is hashed too.
    return CopyStream(this, source, count);
  }
  StatusCode Commit() override { return inner_->Commit(); }
  StatusCode GetSize(uint64_t* sizeOut) override { return inner_->GetSize(sizeOut); }
  StatusCode GetPosition(uint64_t* positionOut) override { return inner_->GetPosition(positionOut); }
  StatusCode Seek(int64_t offset, int32_t origin) override {
    std::lock_guard<std::mutex> hold(lock_);
    StatusCode st = inner_->Seek(offset, origin);
    Reposition();
    return st;
  }
  StatusCode SetEnd() override {
    std::lock_guard<std::mutex> hold(lock_);
    if (position_ != hashed_) live_ = false;
    StatusCode st = inner_->SetEnd();
    if (st != kOk) live_ = false;
    return st;
  }

  bool Take(int32_t hashIndex, uint8_t digest[32]) override {
    std::lock_guard<std::mutex> hold(lock_);
    uint64_t size = 0;
    if (!live_ || hashIndex != hashIndex_ || inner_->GetSize(&size) != kOk || size != hashed_) return false;
    live_ = false;
    uint8_t d[32] = {};
    if (hash_->Final(d, sizeof d) != kOk) return false;
    std::memcpy(digest, d, sizeof d);
    return true;
  }

 protected:
  void Drop() {
    std::lock_guard<std::mutex> hold(lock_);
    live_ = false;
  }
  void DropHeld() { live_ = false; }  // lock held
  // The position as the inner stream has it (lock held).
  void Reposition() {
    if (inner_->GetPosition(&position_) != kOk) live_ = false;
  }
  IFileStrem* inner_ = nullptr;
  std::mutex lock_;

 private:
  IHash* hash_ = nullptr;
  int32_t hashIndex_ = -1;
  bool live_ = false;
  uint64_t hashed_ = 0;    // bytes added to the hash, from 0
  uint64_t position_ = 0;  // the inner stream's position
};

class DigestingFile final : public DigestingBase<DigestingFile> {
 public:
  static constexpr const char* kClassId = "local.kiv.DigestingFile";
  static constexpr InterfaceSlot kInterfaces[] = {
      {id::StreamIFileStrem, 0}, {id::StreamIStream, 0}, {kIdRunningDigest, 1}};
};

// Over a memory stream, whose block is handed out for wiping: the block
// may be changed behind the stream's back, so that drops the digest.
class DigestingMemory final : public DigestingBase<DigestingMemory, IMemStream> {
 public:
  static constexpr const char* kClassId = "local.kiv.DigestingMemory";
  static constexpr InterfaceSlot kInterfaces[] = {
      {id::StreamIFileStrem, 0}, {id::StreamIStream, 0}, {kIdRunningDigest, 1}, {id::StreamIMemStream, 2}};
  ~DigestingMemory() { ReleaseAndNull(memory_); }
  void WrapMemory(IMemStream* memory) { memory_ = memory; }

  void* GetBuffer(uint32_t* sizeOut) override {
    Drop();
    return memory_->GetBuffer(sizeOut);
  }
  StatusCode SetBuffer(void* data, uint32_t length, int32_t copy) override {
    std::lock_guard<std::mutex> hold(this->lock_);
    StatusCode st = memory_->SetBuffer(data, length, copy);
    DropHeld();
    this->Reposition();
    return st;
  }

 private:
  IMemStream* memory_ = nullptr;
};

}  // namespace

StatusCode MakeDigestingStream(IFileStrem* inner, IHash* hash, int32_t hashIndex, IFileStrem** out) {
  *out = nullptr;
  IMemStream* memory = nullptr;
  if (inner->QueryInterface(id::StreamIMemStream, reinterpret_cast<void**>(&memory)) != kOk) memory = nullptr;
  if (memory) {
    DigestingMemory* s = DigestingMemory::Create();
    if (!s) {
      memory->Release();
      inner->Release();
      hash->Release();
      return kNoMemory;
    }
    s->Wrap(inner, hash, hashIndex);
    s->WrapMemory(memory);
    *out = s;
    return kOk;
  }
  DigestingFile* s = DigestingFile::Create();
  if (!s) {
    inner->Release();
    hash->Release();
    return kNoMemory;
  }
  s->Wrap(inner, hash, hashIndex);
  *out = s;
  return kOk;
}

StatusCode CreateSaveStream(IStreamProvider* provider, int32_t large, IFileStrem** out) {
  IDigestingStreams* digesting = nullptr;
  if (provider->QueryInterface(kIdDigestingStreams, reinterpret_cast<void**>(&digesting)) == kOk && digesting) {
    StatusCode st = digesting->CreateDigestingStream(large, out);
    digesting->Release();
    return st;
  }
  return provider->CreateStream(large, out);
}

bool TakeRunningDigest(IFileStrem* stream, int32_t hashIndex, uint8_t digest[32]) {
  IRunningDigest* running = nullptr;
  if (!stream || stream->QueryInterface(kIdRunningDigest, reinterpret_cast<void**>(&running)) != kOk || !running)
    return false;
  const bool taken = running->Take(hashIndex, digest);
  running->Release();
  return taken;
}

}  // namespace zk::engine
