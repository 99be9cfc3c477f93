// Factories of the engine's inner objects, called across the engine's own
// files. Each makes a new object (reference count 1) into *out and returns
// 0, or kNoMemory when memory runs out.
#pragma once
#include "kvSafeDriver.h"

namespace zk::engine {

// The secret object kiv.Secret, holding one reference to its driver (the
// source of the key storage). Called by ISafeDriverApp::CreateSecret.
// Defined by the secret's files (engine/Secret*.cpp).
StatusCode MakeSecret(ISafeDriverApp* driver, IKivSecret** out);

// The key storage kiv.Keys over the storage file at the absolute path
// storagePath. Called once by ISafeDriverApp::GetKeysCtrl, which keeps it.
// Defined by the key storage's files (engine/Keys*.cpp).
StatusCode MakeKeys(const char* storagePath, IKeysCtrl** out);

// A safe kiv.Safe with an empty tree (its kiv.ISetProvider and
// kiv.ISafeCallback are asked for through QueryInterface). Called by the
// secret when it creates or opens a safe secret.
// Defined by the safe's files (engine/Safe*.cpp).
StatusCode MakeSafe(ISafe** out);

}  // namespace zk::engine
