// The content objects a secret hands out for its content types 1 and 2:
// kiv.Message (a text) and kiv.File (one disk file with its name and
// times). Each is made with no provider; the secret binds itself through
// kiv.ISetProvider.
#pragma once
#include "kvSafeDriver.h"

namespace zk::engine {

// The new object's kiv.ISetProvider (one reference).
StatusCode MakeMessage(ISetProvider** out);
StatusCode MakeFile(ISetProvider** out);

// The 18 bytes that open a file content: size, flags, creation and
// modification time, name length; the name follows.
inline constexpr uint32_t kFileInfoSize = 18;
// Files of this size or more are refused.
inline constexpr uint64_t kFileSizeLimit = 0x80000000u;

}  // namespace zk::engine
