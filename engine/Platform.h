// The program's place on this platform: the running executable, its
// folder, and loading libraries from that folder by absolute path.
#pragma once
#include <string>

namespace zk::engine {

// The executable's full path (zk::ProgramPath), or the one a test stood in.
std::string ProgramPath();
// Tests stand a path of their own in for the executable's (empty: the real
// one again), so a fixture folder plays the program folder.
void SetProgramPathForTests(const std::string& path);
// That path's folder with its trailing "/" (zk::FolderOf).
std::string ProgramFolder();
// Loads <program folder><name>.so; the result is not looked at (a missing
// library only means that its classes are not registered).
void LoadFromProgramFolder(const char* name);
// A path as it is when absolute, else joined to folder (which ends in "/").
std::string JoinPath(const std::string& folder, const std::string& path);

}  // namespace zk::engine
