#pragma once

#include <atomic>
#include <string>

namespace standin {

// What the "server" makes of a connect attempt.
struct ConnectVerdict
{
    enum Kind { Accepted, Refused, TimedOut, LoginFailed, UntrustedCertificate };
    Kind kind = Accepted;
    int waitMs = 0;
};

// One physical connection as the controls see it.
struct LiveConnection
{
    std::atomic<bool> dead{false};
};

namespace control {

ConnectVerdict attempt(const std::string &user, const std::string &password);
void connected(LiveConnection *connection);
void disconnected(LiveConnection *connection);
// Whether a result that has delivered `rows` rows breaks its connection now.
bool dropsAfter(long rows);
// Whether a statement's query timeout is refused, as some drivers do.
bool refusesQueryTimeout();
void trace(const char *call);

} // namespace control
} // namespace standin
