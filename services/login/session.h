#pragma once

#include <memory>

class Connection;
class UserComponent;

// The program-wide reference to the user component: set once at start-up
// and kept until the program ends.
namespace Session {

UserComponent *user();
void setUser(std::unique_ptr<UserComponent> user);

// The user component's connection; AppError 91 when there is none.
Connection &hospitalConnection();
// Close, then Open without arguments: recovers a connection that the
// server or the network dropped. Throws AppError.
void reconnect();
// For tests, which start every case with a fresh component.
void reset();

} // namespace Session
