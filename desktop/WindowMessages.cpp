#include "desktop/WindowMessages.h"

#include <cctype>

namespace kiv {

void MessageReceiver::ReceiveChunk(uint32_t wParam, uint32_t lParam) {
  assembler_.Feed(wParam, lParam, [this](std::string name) { pending_.push_back(std::move(name)); });
}

void MessageReceiver::TakePending() {
  working_ = std::move(pending_);
  pending_.clear();
}

std::string UnquotedArgument(const std::string& argument) {
  if (!argument.empty() && argument[0] == '"') {
    if (argument.size() < 2) return {};
    return argument.substr(1, argument.size() - 2);
  }
  return argument;
}

bool HasSwitch(const std::vector<std::string>& arguments, char letter) {
  for (const std::string& a : arguments) {
    if (a.size() == 2 && (a[0] == '-' || a[0] == '/') &&
        std::tolower(static_cast<unsigned char>(a[1])) ==
            std::tolower(static_cast<unsigned char>(letter)))
      return true;
  }
  return false;
}

}  // namespace kiv
