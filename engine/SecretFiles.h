// Files the secret writes: staging streams (memory up to 16 MiB, else a
// delete-on-close file in the user's private temporary folder), and new
// media written beside their target and renamed over it only when complete
// and flushed, so that a failure or a cancel never costs the old file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "zk5Stream.h"

namespace zk::engine {

namespace seam {
// Every write and flush of a file the engine writes, and every rename, is
// counted; the one whose count reaches failAt fails (0: none fails).
extern uint64_t failAt;
extern uint64_t opCount;
// Refuses opening a medium for writing (a read-only medium without
// changing permissions; null: the file system decides).
extern bool (*refuseWrite)(const char* path);
// Told of every staging decision (size asked for, whether a file was made).
extern void (*onStage)(uint64_t size, bool file);
}  // namespace seam

// Counts one guarded operation; true when it is the one to fail.
bool FaultHere();

// The user's staging folder for temporary files (zk::StagingFolder, under
// the private-folder rule of PrivateFolder.h); kCannotOpen when the rule
// refuses it or it cannot be made.
StatusCode PrivateTempFolder(std::string* out);
// A new delete-on-close file there, opened exclusively.
StatusCode MakeTempFile(IFileSystem* fs, IFileStrem** out);
// A staging stream for `size` bytes.
StatusCode MakeStage(IFileSystem* fs, uint64_t size, IFileStrem** out);
// Zeroes what a working stream holds in memory, then empties it.
void WipeStream(IFileStrem* stream);

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
