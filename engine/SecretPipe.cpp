#include "SecretPipe.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>

#include "SecretCopy.h"
#include "StreamCopy.h"
#include "ToolkitObject.h"
#include "Wipe.h"

namespace zk::engine {

// A bounded queue of bytes between one writer and one reader thread. The
// ring is wiped when the queue dies: plain content passes through it.
class BytePipe {
 public:
  static constexpr uint32_t kCapacity = 1u << 20;

  BytePipe() : ring_(new uint8_t[kCapacity]) {}
  ~BytePipe() { Wipe(ring_.get(), kCapacity); }

  // Blocks while the ring is full; answers the reader's stop code once it
  // has stopped. A blocked side waits for a quarter of the ring, so the
  // threads change hands in large steps.
  StatusCode Write(const void* data, uint32_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    std::unique_lock<std::mutex> hold(lock_);
    while (n > 0) {
      if (!stopped_ && head_ - tail_ == kCapacity) {
        writerNeeds_ = kStep;
        canWrite_.wait(hold, [&] { return stopped_ || kCapacity - (head_ - tail_) >= kStep; });
        writerNeeds_ = 0;
      }
      if (stopped_) return stopCode_;
      const uint32_t space = uint32_t(kCapacity - (head_ - tail_));
      uint32_t take = n < space ? n : space;
      const uint32_t at = uint32_t(head_ % kCapacity);
      const uint32_t first = take < kCapacity - at ? take : kCapacity - at;
      std::memcpy(ring_.get() + at, p, first);
      std::memcpy(ring_.get(), p + first, take - first);
      head_ += take;
      p += take;
      n -= take;
      if (readerNeeds_ && head_ - tail_ >= readerNeeds_) canRead_.notify_one();
    }
    return kOk;
  }

  // The writer's end: st 0 is the end of the bytes, else the failure the
  // reader meets once it has read every byte written before it.
  void Close(StatusCode st) {
    std::lock_guard<std::mutex> hold(lock_);
    closed_ = true;
    closeCode_ = st;
    if (st != kOk && !stopped_) failedFirst_ = true;
    canRead_.notify_all();
  }
  // True when the writer failed on its own before any stop.
  bool WriterFailedFirst() {
    std::lock_guard<std::mutex> hold(lock_);
    return failedFirst_;
  }

  // Blocks until want bytes are in or the writer has ended: got 0 with
  // status 0 at the end, the writer's failure after its last byte.
  StatusCode Read(void* out, uint32_t want, uint32_t* got) {
    *got = 0;
    std::unique_lock<std::mutex> hold(lock_);
    if (!stopped_ && !closed_ && head_ - tail_ < want) {
      const uint64_t wait = want > kStep ? want : kStep;
      Await(hold, wait < kCapacity ? wait : kCapacity);
    }
    if (stopped_) return stopCode_;
    const uint64_t have = head_ - tail_;
    if (have == 0) return closeCode_;
    const uint32_t take = have < want ? uint32_t(have) : want;
    const uint32_t at = uint32_t(tail_ % kCapacity);
    const uint32_t first = take < kCapacity - at ? take : kCapacity - at;
    uint8_t* q = static_cast<uint8_t*>(out);
    std::memcpy(q, ring_.get() + at, first);
    std::memcpy(q + first, ring_.get(), take - first);
    tail_ += take;
    *got = take;
    if (writerNeeds_ && kCapacity - (head_ - tail_) >= writerNeeds_) canWrite_.notify_one();
    return kOk;
  }

  // Blocks until a byte is in or the writer has ended; true when a Read
  // would deliver a byte or a failure.
  bool More() {
    std::unique_lock<std::mutex> hold(lock_);
    if (!stopped_ && !closed_ && head_ == tail_) Await(hold, kStep);
    return stopped_ || head_ > tail_ || closeCode_ != kOk;
  }

  // Stops both sides at once: every later Read and Write answers code.
  void Stop(StatusCode code) {
    std::lock_guard<std::mutex> hold(lock_);
    if (!stopped_) {
      stopped_ = true;
      stopCode_ = code;
    }
    canRead_.notify_all();
    canWrite_.notify_all();
  }

  // Empty and open again (both sides idle).
  void Reset() {
    std::lock_guard<std::mutex> hold(lock_);
    head_ = tail_ = 0;
    closed_ = stopped_ = failedFirst_ = false;
    closeCode_ = stopCode_ = kOk;
  }

 private:
  static constexpr uint32_t kStep = kCapacity / 4;
  // Waits until `bytes` are in (or the writer ended, or a stop).
  void Await(std::unique_lock<std::mutex>& hold, uint64_t bytes) {
    readerNeeds_ = bytes;
    canRead_.wait(hold, [&] { return stopped_ || closed_ || head_ - tail_ >= bytes; });
    readerNeeds_ = 0;
  }

  std::mutex lock_;
  std::condition_variable canRead_, canWrite_;
  std::unique_ptr<uint8_t[]> ring_;
  uint64_t head_ = 0;  // bytes written
  uint64_t tail_ = 0;  // bytes read
  bool closed_ = false;
  StatusCode closeCode_ = kOk;
  bool stopped_ = false;
  StatusCode stopCode_ = kOk;
  bool failedFirst_ = false;
  uint64_t readerNeeds_ = 0;  // what a waiting reader waits for (0: none waits)
  uint64_t writerNeeds_ = 0;  // the free space a waiting writer waits for
};

namespace {

// The reading end of a ReadAhead queue, for the caller's thread.
class PipeReader final : public ToolkitObject<PipeReader, IFileStrem> {
 public:
  static constexpr const char* kClassId = "local.kiv.PipeReader";
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIFileStrem, 0}, {id::StreamIStream, 0}};
  PipeReader(BytePipe* pipe, uint64_t size) : pipe_(pipe), size_(size) {}

  StatusCode IsEnd() override { return pipe_->More() ? kOk : kEndOfStream; }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    uint32_t got = 0;
    StatusCode st = buffer ? pipe_->Read(buffer, size, &got) : kInvalidArg;
    position_ += got;
    if (gotOut) *gotOut = got;
    return st;
  }
  StatusCode Write(const void*, uint32_t) override { return kWriteError; }
  StatusCode Close() override { return kOk; }
  StatusCode CopyFrom(IStream*, uint64_t) override { return kNotImplemented; }
  StatusCode Commit() override { return kOk; }
  StatusCode GetSize(uint64_t* sizeOut) override {
    if (!sizeOut) return kInvalidArg;
    *sizeOut = size_;
    return kOk;
  }
  StatusCode GetPosition(uint64_t* positionOut) override {
    if (!positionOut) return kInvalidArg;
    *positionOut = position_;
    return kOk;
  }
  StatusCode Seek(int64_t, int32_t) override { return kNotImplemented; }
  StatusCode SetEnd() override { return kNotImplemented; }

 private:
  BytePipe* pipe_;
  uint64_t size_;
  uint64_t position_ = 0;
};

// The writing end of a ReadAhead queue, for the stage's thread.
class PipeWriter final : public ToolkitObject<PipeWriter, IFileStrem> {
 public:
  static constexpr const char* kClassId = "local.kiv.PipeWriter";
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIFileStrem, 0}, {id::StreamIStream, 0}};
  explicit PipeWriter(BytePipe* pipe) : pipe_(pipe) {}

  StatusCode IsEnd() override { return kEndOfStream; }
  StatusCode Read(void*, uint32_t, uint32_t* gotOut) override {
    if (gotOut) *gotOut = 0;
    return kReadError;
  }
  StatusCode Write(const void* data, uint32_t length) override {
    if (length == 0) return kOk;
    if (!data) return kInvalidArg;
    StatusCode st = pipe_->Write(data, length);
    if (st == kOk) written_ += length;
    return st;
  }
  StatusCode Close() override { return kOk; }
  StatusCode CopyFrom(IStream*, uint64_t) override { return kNotImplemented; }
  StatusCode Commit() override { return kOk; }
  StatusCode GetSize(uint64_t* sizeOut) override {
    if (!sizeOut) return kInvalidArg;
    *sizeOut = written_;
    return kOk;
  }
  StatusCode GetPosition(uint64_t* positionOut) override { return GetSize(positionOut); }
  StatusCode Seek(int64_t, int32_t) override { return kNotImplemented; }
  StatusCode SetEnd() override { return kNotImplemented; }

 private:
  BytePipe* pipe_;
  uint64_t written_ = 0;
};

// A failure a thread could not start with.
StatusCode StartThread(std::thread* thread, std::function<void()> body) {
  try {
    *thread = std::thread(std::move(body));
    return kOk;
  } catch (const std::system_error&) {
    return kNoMemory;
  }
}

}  // namespace

// The caller's face of a WriteBehind: writes go to the queue, everything
// else first lets the stage finish and then goes to the next stream.
class WriteBehindStream final : public ToolkitObject<WriteBehindStream, IFileStrem> {
 public:
  static constexpr const char* kClassId = "local.kiv.WriteBehind";
  static constexpr InterfaceSlot kInterfaces[] = {{id::StreamIFileStrem, 0}, {id::StreamIStream, 0}};
  explicit WriteBehindStream(WriteBehind* owner) : owner_(owner) {}

  StatusCode IsEnd() override { return Settled() ? Next()->IsEnd() : kEndOfStream; }
  StatusCode Read(void* buffer, uint32_t size, uint32_t* gotOut) override {
    if (gotOut) *gotOut = 0;
    StatusCode st = Settle();
    return st != kOk ? st : Next()->Read(buffer, size, gotOut);
  }
  StatusCode Write(const void* data, uint32_t length) override {
    // The stage's status is only looked at while no stage runs.
    if (!owner_->started_ && owner_->status_ != kOk) return owner_->status_;
    if (length == 0) return kOk;
    if (!data) return kInvalidArg;
    if (!owner_->started_) {
      StatusCode st = owner_->Launch();
      if (st != kOk) return st;
      // No thread could be started: the bytes go straight on.
      if (!owner_->started_) return Next()->Write(data, length);
    }
    return owner_->pipe_->Write(data, length);
  }
  StatusCode Close() override {
    StatusCode st = Settle();
    return st != kOk ? st : Next()->Close();
  }
  StatusCode CopyFrom(IStream* source, uint64_t count) override {
    return CopyStreamWith([&](const void* data, uint32_t length) { return Write(data, length); }, source,
                          count);
  }
  StatusCode Commit() override {
    StatusCode st = Settle();
    return st != kOk ? st : Next()->Commit();
  }
  StatusCode GetSize(uint64_t* sizeOut) override {
    StatusCode st = Settle();
    return st != kOk ? st : Next()->GetSize(sizeOut);
  }
  StatusCode GetPosition(uint64_t* positionOut) override {
    StatusCode st = Settle();
    return st != kOk ? st : Next()->GetPosition(positionOut);
  }
  StatusCode Seek(int64_t offset, int32_t origin) override {
    StatusCode st = Settle();
    return st != kOk ? st : Next()->Seek(offset, origin);
  }
  StatusCode SetEnd() override {
    StatusCode st = Settle();
    return st != kOk ? st : Next()->SetEnd();
  }

 private:
  IFileStrem* Next() { return owner_->next_; }
  StatusCode Settle() { return owner_->Drain(); }
  bool Settled() { return Settle() == kOk; }
  WriteBehind* owner_;
};

// ------------------------------------------------------------- ReadAhead

ReadAhead::ReadAhead() = default;

ReadAhead::~ReadAhead() {
  if (thread_.joinable()) {
    pipe_->Stop(kReadError);
    thread_.join();
  }
  ReleaseAndNull(reader_);
  ReleaseAndNull(writer_);
}

StatusCode ReadAhead::Start(uint64_t size, std::function<StatusCode(IFileStrem* out)> produce) {
  StatusCode st = Guard([&] {
    pipe_ = std::make_unique<BytePipe>();
    reader_ = new PipeReader(pipe_.get(), size);
    writer_ = new PipeWriter(pipe_.get());
    return kOk;
  });
  if (st != kOk) return st;
  return StartThread(&thread_, [this, produce = std::move(produce)] {
    StatusCode s = Guard([&] { return produce(writer_); });
    status_ = s;
    pipe_->Close(s);
  });
}

StatusCode ReadAhead::Finish(StatusCode consumed) {
  if (!thread_.joinable()) return consumed;
  if (consumed != kOk) {
    pipe_->Stop(consumed);
    thread_.join();
    // The stage's own failure came first (the caller often failed only
    // because of it); a failure caused by the stop does not count.
    return pipe_->WriterFailedFirst() ? status_ : consumed;
  }
  // What the caller did not need is still read to the end, as a reader
  // without the queue would have: the stage's failure there still counts.
  uint8_t rest[4096];
  uint32_t got = 0;
  StatusCode st;
  while ((st = pipe_->Read(rest, sizeof rest, &got)) == kOk && got) {
  }
  Wipe(rest, sizeof rest);
  thread_.join();
  return st != kOk ? st : status_;
}

// ----------------------------------------------------------- WriteBehind

WriteBehind::WriteBehind() = default;

WriteBehind::~WriteBehind() {
  if (thread_.joinable()) {
    pipe_->Stop(kWriteError);
    thread_.join();
  }
  ReleaseAndNull(front_);
  ReleaseAndNull(next_);
}

StatusCode WriteBehind::Start(IFileStrem* next, uint32_t align, uint64_t alignBase) {
  if (!next) return kInvalidArg;
  StatusCode st = Guard([&] {
    pipe_ = std::make_unique<BytePipe>();
    front_ = new WriteBehindStream(this);
    return kOk;
  });
  if (st != kOk) return st;
  next->AddRef();
  next_ = next;
  align_ = align;
  alignBase_ = alignBase;
  return kOk;
}

StatusCode WriteBehind::Launch() {
  pipe_->Reset();
  uint64_t at = 0;
  // The stage's pieces are cut from where the next stream stands.
  if (align_ > 1 && next_->GetPosition(&at) != kOk) at = alignBase_;
  const uint64_t base = align_ > 1 ? at : 0;
  StatusCode st = StartThread(&thread_, [this, base] {
    constexpr uint32_t kPiece = 65536;
    uint8_t* piece = nullptr;
    StatusCode s = Guard([&] {
      piece = new uint8_t[kPiece];
      return kOk;
    });
    uint64_t done = 0;
    while (s == kOk) {
      uint32_t got = 0;
      // A stop (the caller failed or gave up) ends the stage quietly.
      if (pipe_->Read(piece, AlignedPiece(base + done, kPiece, align_), &got) != kOk || got == 0) break;
      s = next_->Write(piece, got);
      done += got;
    }
    if (piece) {
      Wipe(piece, kPiece);
      delete[] piece;
    }
    if (s != kOk) {
      status_ = s;
      pipe_->Stop(s);
    }
  });
  if (st != kOk) return kOk;  // no thread: the caller writes through
  started_ = true;
  return kOk;
}

StatusCode WriteBehind::Drain() {
  if (started_) {
    pipe_->Close(kOk);
    thread_.join();
    started_ = false;
  }
  return status_;
}

StatusCode WriteBehind::Finish(StatusCode produced) {
  if (started_ && produced != kOk) {
    pipe_->Stop(produced);
    thread_.join();
    started_ = false;
  }
  StatusCode st = Drain();
  return st != kOk ? st : produced;
}

}  // namespace zk::engine
