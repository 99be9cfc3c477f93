// What the extension's tests share: a program folder of their own holding
// a copy of the extension (and, when a test wants one, a stand-in
// Kivora), a private runtime folder for the program's socket, and a fake
// program listening there.
#pragma once
#include <string>
#include <vector>

#include "ShellExtHost.h"
#include "ZkTestSupport.h"
#include "kvMessageSocket.h"

namespace shellexttest {

// A folder with a copy of build/bin/kiv_shell_ext.so, loaded.
class ModuleFolder {
 public:
  ModuleFolder();
  const std::string& path() const { return dir_.path(); }
  std::string ModulePath() const { return dir_.File("kiv_shell_ext.so"); }
  // An executable shell script named Kivora in the folder.
  void WriteProgram(const std::string& script) const;
  kiv::shellext::ShellExtModule module;

 private:
  zktest::TempDir dir_;
};

// Listens on the program's socket in the current runtime folder. Senders
// connect into the backlog and write without anyone accepting, so a test
// runs the extension first and reads what arrived afterwards.
class FakeProgram {
 public:
  FakeProgram();
  ~FakeProgram();
  bool Listening() const { return fd_ >= 0; }
  // The records of the connections made so far, in order; the senders
  // must have closed.
  std::vector<kiv::wm::Record> Received();
  // The number of connections made so far.
  int Connections();

 private:
  int fd_ = -1;
  std::vector<kiv::wm::Record> records_;
  int connections_ = 0;
};

// The records of names followed by a command, written out by hand.
std::vector<kiv::wm::Record> Records(const std::vector<std::string>& names, uint32_t command);

}  // namespace shellexttest
