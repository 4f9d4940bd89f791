#pragma once

#include <QString>

// The console a command-line run of the program talks to: on Windows a
// window program is given none, so --check, --version, --help and
// --measure-scan would print nowhere (console_windows.cpp); elsewhere the
// terminal is already there (console_posix.cpp).
namespace Console {

// Output not already sent to a file or a pipe goes to the console of the
// program that started this one, if it has one.
void attachToParent();

// One line from standard input, not echoed when it is a terminal: a
// password for --check.
QString readSecret(const QString &prompt);

} // namespace Console
