// The receiving side of the message interface: the pending name that grows
// chunk by chunk, the pending file list of the names received whole, and
// the working file list a command takes them into.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "kvMessageSocket.h"

namespace kiv {

class MessageReceiver {
 public:
  // Message 1044: 8 bytes of a name.
  void ReceiveChunk(uint32_t wParam, uint32_t lParam);
  // Each command message: the pending list replaces the working list and
  // the pending list empties.
  void TakePending();

  const std::string& PendingName() const { return assembler_.Pending(); }
  const std::vector<std::string>& PendingFiles() const { return pending_; }
  std::vector<std::string>& WorkingFiles() { return working_; }

 private:
  wm::NameAssembler assembler_;
  std::vector<std::string> pending_;
  std::vector<std::string> working_;
};

// A command-line argument as a path: a leading double quote drops the
// first and the last character.
std::string UnquotedArgument(const std::string& argument);

// True when an argument is the switch letter (either case) after "-" or "/".
bool HasSwitch(const std::vector<std::string>& arguments, char letter);

}  // namespace kiv
