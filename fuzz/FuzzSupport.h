// What the fuzz targets share: making a registered class or stopping,
// loading a toolkit library from the target's own folder, and the
// in-memory fake stream of the tests (FakeStream.h, tests/support).
// A fuzz target reports a fault by abort(), so every check here aborts.
#pragma once
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FakeStream.h"
#include "ZkTestSupport.h"
#include "zk5Base.h"
#include "zk5Clsid.h"
#include "zk5main.h"

namespace zkfuzz {

using zktest::MustCreate;

// Loads <name>.so from the folder of the running target (never unloaded);
// aborts when it cannot.
inline void LoadBeside(const char* name) {
  const std::string path = zktest::ProgramDir() + "/" + name + ".so";
  if (!dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) std::abort();
}

// The fuzz input as bytes.
inline std::vector<uint8_t> Bytes(const uint8_t* data, size_t size) { return {data, data + size}; }

}  // namespace zkfuzz
