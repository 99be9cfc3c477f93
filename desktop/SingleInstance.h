// The single-instance rule: the first program of a user listens on the
// user's socket; a later start finds it there and hands its file over.
// The check runs under a lock file, so two programs started together
// cannot both become the first. No Qt.
#pragma once
#include <string>

namespace kiv {

struct InstanceClaim {
  enum Kind {
    kFirst,  // this program is the first: fd listens (or is -1 without a socket)
    kOther,  // another program runs: fd is connected to it
  };
  Kind kind = kFirst;
  int fd = -1;
  unsigned long socketInode = 0;  // of the socket file a first program bound
};

// Claims the socket in the runtime folder (empty folder: no socket, first).
// A socket left by a program that ended without removing it is removed.
InstanceClaim ClaimInstance(const std::string& runtimeFolder);

// Removes a first program's socket file at its end, when the file is still
// the one this program bound (the listening socket itself is the main
// window's, closed with it).
void ReleaseInstance(const std::string& runtimeFolder, const InstanceClaim& claim);

}  // namespace kiv
