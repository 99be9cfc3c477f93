// Stages of one engine operation on threads of their own, joined by a
// bounded byte queue, so that reading, decrypting, hashing, coding,
// encrypting and writing overlap instead of following one another.
//
// Every thread is started and joined inside the one operation that needs
// it. Each stage uses only the toolkit objects it was given (its stream,
// its cipher stream, its coder); the caller's thread keeps everything else,
// progress reports included. A stage's failure reaches the other side of
// the queue at the byte where it happened; a failure or a cancel on the
// caller's side stops the stage.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "zk5Stream.h"

namespace zk::engine {

class BytePipe;

// A stage that writes into a queue on its own thread while the caller reads
// the queue through stream() (an IFileStrem that reports `size` as its size
// and the bytes read as its position; Seek is refused).
class ReadAhead {
 public:
  ReadAhead();
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Starts produce(out) on the thread; its status ends the queue (0: the
  // reader then meets the end; else the reader's next Read answers it).
  StatusCode Start(uint64_t size, std::function<StatusCode(IFileStrem* out)> produce);
  IFileStrem* stream() const { return reader_; }
  // Stops the stage when consumed is not 0, joins it, and answers the first
  // failure: the caller's own (consumed) else the stage's.
  StatusCode Finish(StatusCode consumed);

 private:
  std::unique_ptr<BytePipe> pipe_;
  IFileStrem* reader_ = nullptr;
  IFileStrem* writer_ = nullptr;
  std::thread thread_;
  StatusCode status_ = kOk;
};

// A stage that takes the caller's writes through stream() and passes them
// on to `next` on its own thread, in pieces that end on multiples of align
// counted from alignBase (see AlignedPiece). Until the first write, Seek,
// Read and the position go straight to next on the caller's thread, so a
// cipher stream can be attached over it. A failure of next is answered by
// the caller's next write (or by Finish).
class WriteBehind {
 public:
  WriteBehind();
  ~WriteBehind();
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  StatusCode Start(IFileStrem* next, uint32_t align = 1, uint64_t alignBase = 0);
  IFileStrem* stream() const { return front_; }
  // Ends the queue, waits until next has every byte, and answers the first
  // failure: the stage's (it happened on bytes the caller had already
  // passed), else the caller's own (produced).
  StatusCode Finish(StatusCode produced);

 private:
  friend class WriteBehindStream;
  StatusCode Launch();
  StatusCode Drain();
  std::unique_ptr<BytePipe> pipe_;
  IFileStrem* front_ = nullptr;
  IFileStrem* next_ = nullptr;
  uint32_t align_ = 1;
  uint64_t alignBase_ = 0;
  std::thread thread_;
  bool started_ = false;
  bool finished_ = false;
  StatusCode status_ = kOk;
};

}  // namespace zk::engine
