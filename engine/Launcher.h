// Starting other programs without waiting for them. A command line is a
// program name and its arguments separated by blanks; a double-quoted run
// is one argument (the quotes are dropped, there are no escapes). A bare
// program name is looked for in the program folder first, then along PATH.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "zk5Status.h"

namespace zk::engine {

using LaunchFunction = std::function<StatusCode(const std::string& commandLine)>;

// Starts the command line through the current launcher: 0 once started,
// -6 when the program is not found, -3 when it cannot be started.
StatusCode Launch(const std::string& commandLine);

// Tests put a launcher of their own in place (an empty one restores the
// real one).
void SetLauncherForTests(LaunchFunction launcher);

// The command line split into its arguments, as the real launcher does.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

}  // namespace zk::engine
