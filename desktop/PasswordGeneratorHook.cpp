#include "desktop/PasswordGeneratorHook.h"

#include <utility>

namespace kiv {

namespace {
PasswordGeneratorOpener& Opener() {
  static PasswordGeneratorOpener opener;
  return opener;
}
}  // namespace

void SetPasswordGenerator(PasswordGeneratorOpener opener) { Opener() = std::move(opener); }

bool HasPasswordGenerator() { return bool(Opener()); }

void OpenPasswordGenerator(QWidget* owner) {
  if (Opener()) Opener()(owner);
}

}  // namespace kiv
