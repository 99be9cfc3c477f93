// Helpers of the desktop tests: one application object for the whole test
// program (offscreen platform), and a wait that spins the event loop until
// a condition holds (the limit only turns a hang into a failure).
#pragma once
#include <QApplication>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace desktoptest {

QApplication& App();

// Processes events until done() or about ten seconds passed; done()'s last
// answer.
bool SpinUntil(const std::function<bool()>& done);

// Delivers every event posted so far.
void Drain();

// The texts of a language file (a line of digits opens a text, the lines
// after it that start with a blank or TAB are its text), for pictures in
// the shipped language.
std::map<int32_t, std::string> LanguageFile(const std::string& path);

}  // namespace desktoptest
