// Status codes used by name throughout the system.
#pragma once
#include "zk5main.h"

namespace zk {
enum : StatusCode {
  kOk = 0,
  kFatal = -1,
  kInvalidArg = -2,
  kNotExecuted = -3,
  kNoMemory = -4,
  kNegative = -5,
  kNotFound = -6,
  kNotImplemented = -7,
  kNoInterface = -8,
  kNotInitialized = -9,
  kAlreadyExists = -10,
  kNullPointer = -11,
  kInvalidType = -12,
  kAccessDenied = -13,
  kInvalidFormat = -14,
  kTooMuch = -15,
  kOutOfRange = -16,
  kTimeExpired = -17,
  kBadVersion = -18,
  kNoMessages = -19,
  kNotBlocked = -20,
  kInUse = -21,
  kHeaderCheck = -22,
  kCannotOpen = -101,
  kNotOpen = -102,
  kEndOfStream = -103,
  kReadError = -104,
  kWriteError = -105,
  kCannotDelete = -106,
  kKeyTooSmall = -401,
  kDigestMismatch = -402,
};
}  // namespace zk
