#pragma once

#include <optional>

// Start-up: the user component logs the user in; the main menu opens only
// when it reports a connection.
namespace modMain {

// Errors from the user component are not caught here. True when the main
// menu is showing and the program should run.
bool Main();

// Main with the platform's treatment of an uncaught error: the error's
// number and description are reported and the program ends with status 1.
// Returns the exit status when the program is to end now, nothing when it
// is to run.
std::optional<int> Start();

} // namespace modMain
