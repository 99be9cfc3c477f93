// Each user's own copy of kiv_config.txt: made from the shipped one on the
// first start, given the names a newer shipped file adds, saved beside and
// renamed over; and the move of settings and keys an earlier build kept in
// the program folder.
#pragma once
#include <string>
#include <vector>

#include "zk5Stream.h"
#include "zk5script.h"

namespace zk::engine {

inline constexpr char kConfigFileName[] = "kiv_config.txt";

// What the parameters are loaded from at start.
struct UserConfig {
  // The bytes to load; a Commit of it writes what it holds to the user's
  // file (held, released by the caller). In place of an unusable user file
  // it holds the shipped settings and refuses to save them.
  IFileStrem* stream = nullptr;
  std::string userFile;     // the user's kiv_config.txt; empty when not usable
  std::string shippedText;  // the program folder's kiv_config.txt
  bool shippedRead = false;
  bool madeNow = false;     // the user's file was copied from the shipped one now
  bool fromEarlierBuild = false;  // that copy holds an earlier build's saves
};

// A stream over `bytes` in memory whose Commit writes its whole content
// beside `target` and renames it over (mode 0600); an empty target refuses
// the Commit with -13. Reads, writes, seeks and SetEnd act on memory only.
StatusCode MakeConfigStream(IFileSystem* fs, const std::string& bytes, const std::string& target,
                            IFileStrem** out);

// Finds or makes the user's copy in `userFolder` (made private) from the
// program folder's shipped file. Anything the user should know (a copy
// from an earlier build, an unusable file left as it is) goes to notes.
// -101 when neither file can be had.
StatusCode PrepareUserConfig(IFileSystem* fs, const std::string& programFolder,
                             const std::string& userFolder, UserConfig* out,
                             std::vector<std::string>* notes);

// Adds every name of `shipped` that `params` lacks, with its comment and
// value, after the entries params has; values params has stay. The
// entries of the compressed extensions ("arc_ext_" and a number), which the
// user removes and adds, are not added. The number
// of names added goes to addedOut.
StatusCode MergeShippedNames(IAppParam* params, IAppParam* shipped, int* addedOut);

// True when a parameter text holds no NUL byte and does not end inside an
// entry (a name or a value cut off), as a file cut short part-way would.
bool ConfigTextIsWhole(const std::string& text);

// Copies an earlier build's key storage (programFolder + value, value
// relative) into dataFolder once, when it is there and the new place has
// none; the old file is left. The user is told in notes.
void MigrateKeyStorage(const std::string& programFolder, const std::string& value,
                       const std::string& dataFolder, std::vector<std::string>* notes);

// Writes bytes beside path and renames them over it, for the user alone:
// 0600 for a new file whatever the umask, an old file's own bits kept.
StatusCode WritePrivateFile(IFileSystem* fs, const std::string& path, const std::string& bytes);

}  // namespace zk::engine
