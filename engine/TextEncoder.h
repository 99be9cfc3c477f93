// kiv.CTextEncoder: a short text and a password to a printable Radix-64
// block and back (the clipboard coder's text).
#pragma once
#include "kvSafeDriver.h"

namespace zk::engine {

// A new text encoder that reads "cipher" and "hash" from params (null: the
// defaults 1 and 3).
StatusCode MakeTextEncoder(IAppParam* params, ITextEncoder** out);

}  // namespace zk::engine
