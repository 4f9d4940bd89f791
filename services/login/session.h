#pragma once

#include <memory>

class UserComponent;

// The program-wide reference to the user component: set once at start-up
// and kept until the program ends.
namespace Session {

UserComponent *user();
void setUser(std::unique_ptr<UserComponent> user);
// For tests, which start every case with a fresh component.
void reset();

} // namespace Session
