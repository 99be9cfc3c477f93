// Helpers of the commands other processes send (new safe, open, new
// secret in a carrier, physical deletion).
#pragma once
#include <functional>
#include <string>

class QObject;

class QWidget;
namespace zk {
struct ITextRes;
}

namespace kiv {

// Command 1047's test of the carrier's extension: false (after the
// information box) when no container takes that file type.
bool CarrierTypeAccepted(QWidget* owner, zk::ITextRes* texts, const std::string& path);

// While a modal window is up (a wizard page, a question), the commands of
// other processes wait: run inside its loop they would change the secret
// path and kinds under the page's feet. True when a modal window is up;
// replay then runs on owner once that window hides or goes.
bool HoldWhileModal(QObject* owner, std::function<void()> replay);

}  // namespace kiv
