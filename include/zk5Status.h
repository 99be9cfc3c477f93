// Status codes used by name throughout the system: 0 is success, every
// failure is negative. Each line gives the code's meaning; the quoted text
// is the runtime's English message for it (zk_ErrorMessageEn).
// kHeaderCheck, kCannotDelete and kDigestMismatch are the engine's and the
// storage's own: the runtime reads them as "unrecognozed error".
#pragma once
#include "zk5main.h"

namespace zk {
enum : StatusCode {
  kOk = 0,                // success: "no error"
  kFatal = -1,            // an internal fault: "fatal internal error"
  kInvalidArg = -2,       // a null or out-of-range argument: "invalid arguments"
  kNotExecuted = -3,      // refused in this state, or not possible: "operation is not executed"
  kNoMemory = -4,         // memory could not be had: "it is not enough memories"
  kNegative = -5,         // a negative answer: "negative result"
  kNotFound = -6,         // no such object, class, name or value: "object or value are not found"
  kNotImplemented = -7,   // no such operation or interface: "method or part of algorithm not marketed"
  kNoInterface = -8,      // an object lacks an interface it needs: "interface not implemented"
  kNotInitialized = -9,   // used before it was set up: "object is not initialized"
  kAlreadyExists = -10,   // the name is taken: "object is already exists"
  kNullPointer = -11,     // a required pointer is null (fatal stop): "pointer to memory or object is null"
  kInvalidType = -12,     // the wrong kind of object or content: "invalid type"
  kAccessDenied = -13,    // wrong password or key: "access prohibited or right on object are absent"
  kInvalidFormat = -14,   // damaged or unknown data: "invalid format"
  kTooMuch = -15,         // larger than allowed or than fits: "too much volume"
  kOutOfRange = -16,      // beyond the allowed range: "importance abroad possible"
  kTimeExpired = -17,     // a time limit passed: "time expired"
  kBadVersion = -18,      // a version this build cannot read: "incorrect version"
  kNoMessages = -19,      // no hidden data or magic where one was expected: "no messges"
  kNotBlocked = -20,      // not locked: "object is not blocked"
  kInUse = -21,           // in use by another: "objecy is used"
  kHeaderCheck = -22,     // a key or signature file's header fails its check
  kCannotOpen = -101,     // a file or folder cannot be opened or used: "can't open object for read/write operations"
  kNotOpen = -102,        // the file is not open: "file was not open"
  kEndOfStream = -103,    // a read past the end: "attempt of the reading abroad file"
  kReadError = -104,      // reading failed: "can't read the data from file"
  kWriteError = -105,     // writing failed: "can't write the data to file"
  kCannotDelete = -106,   // a file or folder cannot be removed
  kKeyTooSmall = -401,    // an RSA key too small for the block: "key too small"
  kDigestMismatch = -402, // the stored digest differs: content or signature damaged, or wrong key
};
}  // namespace zk
