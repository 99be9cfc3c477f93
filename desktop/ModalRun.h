// Every wizard page and small dialog is shown through RunModal, so tests
// can act on a dialog once it shows (click its buttons, fill its edits).
#pragma once
#include <functional>

class QDialog;

namespace kiv {

// Shows the dialog modally; its exec() result.
int RunModal(QDialog* dialog);

// Test seam: called with each dialog once it shows (queued after show);
// empty: nobody acts and the dialog waits for the user.
void SetModalDriver(std::function<void(QDialog*)> driver);

}  // namespace kiv
