// New files written beside their target and renamed over it only when
// complete and flushed, so that a failure or a cancel never costs the old
// file; the part files such writes leave behind, and the flush of files
// written without one of their own. Every write, flush and rename of a file
// the engine writes goes through a counted fault check that tests can
// arm.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "zk5Stream.h"

namespace zk::engine {

// Counts one guarded operation; true when it is the one to fail.
bool FaultHere();

// Wraps a file stream so that its writes and flushes are counted by the
// fault seam; takes the reference to file (released when no wrapper can
// be had: kNoMemory).
StatusCode GuardWrites(IFileStrem* file, IFileStrem** out);

// Ten random lower-case letters and digits, for new file names.
std::string RandomTag();

// Removes the part files that earlier saves of `target` left beside it
// (a killed process, a power cut): those of its name whose lock nobody
// holds. A part file still being written is locked and stays.
void RemoveStaleParts(const char* target);

// A file written beside `target` ("." name "." random ".part") and put in
// its place by Commit. The part file is locked (flock) while it exists, so
// that RemoveStaleParts leaves it alone.
class FileReplacement {
 public:
  explicit FileReplacement(IFileSystem* fs) : fs_(fs) {}
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  ~FileReplacement() { Abandon(); }

  // Removes stale part files of the target, then creates the sibling
  // exclusively and locks it, with the target's permissions when the target
  // exists (-101 when the target is no regular file or may not be written).
  StatusCode Begin(const char* target);
  IFileStrem* stream() const { return stream_; }
  // Flushes the new file, renames it over the target and flushes the folder.
  // The stream stays open on the file now at the target's path.
  StatusCode Commit();
  // For a target that does not exist yet (no original to keep): Commit
  // renames without flushing; the caller flushes the file with its batch
  // (SyncFiles) before it reports success.
  void FlushLater() { flushLater_ = true; }
  // Hands out the stream after Commit (the caller owns the reference).
  IFileStrem* TakeStream();
  // Closes and removes the sibling unless committed.
  void Abandon();

 private:
  // Creates and locks a new sibling; -101 when none can be made.
  StatusCode MakeSibling(const std::string& folder, const std::string& base);
  void Unlock();

  IFileSystem* fs_;
  int lock_ = -1;
  IFileStrem* stream_ = nullptr;
  std::string target_;
  std::string sibling_;
  bool committed_ = false;
  bool flushLater_ = false;
};

// Flushes files written without a flush of their own: one syncfs per file
// system they are on, then each of their folders.
StatusCode SyncFiles(const std::vector<std::string>& paths);

}  // namespace zk::engine
