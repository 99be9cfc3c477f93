// Helpers of the commands other processes send (new safe, open, new
// secret in a carrier, physical deletion).
#pragma once
#include <string>

class QWidget;
namespace zk {
struct ITextRes;
}

namespace kiv {

// Command 1047's test of the carrier's extension: false (after the
// information box) when no container takes that file type.
bool CarrierTypeAccepted(QWidget* owner, zk::ITextRes* texts, const std::string& path);

}  // namespace kiv
