// Where a password edit offers the password generator: the generator's
// window installs itself here; until then the buttons do nothing.
#pragma once
#include <functional>

class QWidget;

namespace kiv {

using PasswordGeneratorOpener = std::function<void(QWidget* owner)>;

// Installs the opener (an empty one removes it).
void SetPasswordGenerator(PasswordGeneratorOpener opener);
bool HasPasswordGenerator();
// Opens the generator over owner; nothing when none is installed.
void OpenPasswordGenerator(QWidget* owner);

}  // namespace kiv
