// Where the running program lives: the path of its executable and the
// folder that holds it, from which the programs and libraries load each
// other and their files. Plain POSIX; any program or library may use it.
#pragma once
#include <string>

namespace zk {

// The full path of the running executable (/proc/self/exe); empty when it
// cannot be read.
std::string ProgramPath();

// The folder part of a path with its trailing "/" ("/" for a name at the
// root); empty for a path without a "/".
std::string FolderOf(const std::string& path);

// The running executable's folder with its trailing "/" ("/" for a program
// in the root folder); empty when the executable's path cannot be read, so
// names joined to it are taken relative to the current folder.
std::string ProgramFolder();

}  // namespace zk
