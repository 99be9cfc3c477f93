// Helpers of the desktop tests: one application object for the whole test
// program (offscreen platform), and a wait that spins the event loop until
// a condition holds (the limit only turns a hang into a failure).
#pragma once
#include <QApplication>
#include <functional>

namespace desktoptest {

QApplication& App();

// Processes events until done() or about ten seconds passed; done()'s last
// answer.
bool SpinUntil(const std::function<bool()>& done);

// Delivers every event posted so far.
void Drain();

}  // namespace desktoptest
