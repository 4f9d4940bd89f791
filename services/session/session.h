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
// The connection, open: one that a failed reconnect left closed logs in
// again. Throws AppError.
Connection &openConnection();
// Close, then Open without arguments: recovers a connection that the
// server or the network dropped. Throws AppError.
void reconnect();
// The user logged in to the demo database, which is not for patient care.
bool onDemoDatabase();
// Releases the component and its connection: at the end of main, while Qt
// SQL still exists, and in tests, which start every case with a fresh one.
void reset();

} // namespace Session
