#pragma once

// Start-up: the user component logs the user in; the main menu opens only
// when it reports a connection. Errors from the component are not caught
// here: the caller reports them and ends the program.
namespace modMain {

// True when the main menu is showing and the program should run.
bool Main();

} // namespace modMain
