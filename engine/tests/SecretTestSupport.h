// Helpers of the secret tests: the toolkit loaded, secrets made through the
// engine's factory, parameter records, progress recorders, carrier files
// made by the real tools, and short forms of the common calls.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "EngineFactories.h"
#include "FileReplacement.h"
#include "ToolkitObject.h"
#include "kvSafeDriver.h"
#include "EngineTestSupport.h"
#include "tests/SeamTestSupport.h"
#include "ZkTestSupport.h"

namespace enginetest {

// Owns one interface reference.
using zktest::Ref;

// A face of an object (nullptr when it has none).
using zktest::Face;

zk::IKivSecret* NewSecret();

zk::SecretParams Params(int type, int format, int hash, int cipher, const std::string& password);

// A progress object: records every report; answers code at report number
// cancelAt (1-based; 0 never).
class Progress final : public zk::ToolkitObject<Progress, zk::IProgress> {
 public:
  static constexpr const char* kClassId = "test.Progress";
  static constexpr zk::InterfaceSlot kInterfaces[] = {{zk::id::ArcIProgress, 0}};
  StatusCode OnProgress(int32_t percent) override {
    reports.push_back(percent);
    if (cancelAt && int(reports.size()) == cancelAt) return code;
    return 0;
  }
  std::vector<int32_t> reports;
  int cancelAt = 0;
  StatusCode code = -5;
};

// Carrier files made by the real tools (empty path when a tool is missing).
struct CarrierKind {
  const char* name;
  int format;
  const char* extension;
};
const std::vector<CarrierKind>& AllCarriers();
// Makes a carrier of the kind in dir holding at least `capacity` bytes;
// empty when the tools are missing.
std::string MakeCarrierFile(const CarrierKind& kind, const zktest::TempDir& dir, const std::string& name,
                            uint64_t capacity = 4096);
// Whether the kind's own tool accepts the file (true when the tool is
// missing); original: the carrier as the tool made it.
bool ToolAccepts(const CarrierKind& kind, const std::string& path, const std::vector<uint8_t>& original);
bool HaveTool(const char* tool);

// Short forms: create a secret and store a message or a file in it.
StatusCode SaveMessage(const std::string& path, int format, int hash, int cipher, const std::string& password,
                       const std::string& text);
StatusCode SaveFile(const std::string& path, int format, int hash, int cipher, const std::string& password,
                    const std::string& diskPath, int flags, zk::IProgress* progress = nullptr);
// Opens and reads back; the status of the first failing step.
StatusCode ReadMessage(const std::string& path, int format, const std::string& password, std::string* text);
StatusCode ReadFileBack(const std::string& path, int format, const std::string& password,
                        const std::string& outPath);

std::vector<uint8_t> AllByteValues(size_t repeat = 1);

// The names in a folder.
std::set<std::string> Listing(const std::string& folder);

// Fixes the clock and the mask of new secrets for the scope.
class FixedClock {
 public:
  FixedClock(uint32_t now, uint16_t mask);
  ~FixedClock();
};

}  // namespace enginetest
