// How the extension reaches the desktop program: its socket, and starting
// it from the extension's own folder when it does not listen yet.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace kiv::shellext {

// The full path of this library's own file (empty when unknown).
std::string ModulePath();
// Its folder, with the trailing "/".
std::string ModuleFolder();

// The program's file in the module folder.
inline constexpr char kProgramName[] = "Kivora";
// Polls after a start, and the pause before each.
inline constexpr int kStartPolls = 10;
inline constexpr int kPollMilliseconds = 500;

// A connection to the running program; when none listens, starts the
// program and polls for it. -1 when it does not appear.
int FindOrStartProgram();

}  // namespace kiv::shellext
