// The probe for outside tools (ImageMagick, SoX, Info-ZIP, id3v2, ...) that
// some tests use as format checks. A test that needs a missing tool skips
// visibly: ZKTEST_NEED_TOOL("identify") at its start, or GTEST_SKIP() once
// its own checks ran.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ZkTestSupport.h"

namespace zktest {

// Is the tool on the search path?
inline bool HaveTool(const char* name) {
  std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// Runs a shell command, output discarded; true when it exits with 0.
inline bool ToolAccepts(const std::string& command) {
  std::string cmd = command + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// Runs a shell command on a file written from bytes; the exit status.
inline int RunOn(const std::string& commandPrefix, const std::vector<uint8_t>& bytes,
                 const std::string& name, std::string* output = nullptr) {
  TempDir dir;
  std::string path = dir.File(name);
  WriteFile(path, bytes);
  std::string outPath = dir.File("tool.out");
  std::string cmd = commandPrefix + " '" + path + "' >'" + outPath + "' 2>&1";
  int rc = std::system(cmd.c_str());
  if (output) {
    auto o = ReadFile(outPath);
    output->assign(o.begin(), o.end());
  }
  return rc;
}

}  // namespace zktest

// Skips the current test, saying so, when the tool is not installed.
#define ZKTEST_NEED_TOOL(name) \
  do {                                                                 \
    if (!::zktest::HaveTool(name)) GTEST_SKIP() << name << " is not installed"; \
  } while (0)
