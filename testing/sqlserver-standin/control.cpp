#include "control.h"

#include "standin.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

namespace standin::control {
namespace {

struct Fault
{
    enum Kind { Refuse, Timeout, Drop, Certificate, NoQueryTimeout };
    Kind kind;
    long argument = 0;
    long times = -1; // -1: every time
};

struct State
{
    std::mutex mutex;
    std::vector<Fault> faults;
    std::optional<std::pair<std::string, std::string>> login;
    std::set<LiveConnection *> open;
    long connects = 0;
    long attempts = 0;
    long disconnects = 0;
    std::string countersFile;
    std::string traceFile;
};

bool parseNumber(std::string_view text, long &value)
{
    if (text.empty() || text.size() > 12)
        return false;
    long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

bool parseFaults(std::string_view text, std::vector<Fault> &out)
{
    out.clear();
    while (!text.empty()) {
        const size_t comma = text.find(',');
        std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ')
            item.remove_suffix(1);
        if (item.empty())
            continue;
        Fault fault{Fault::Refuse};
        const size_t slash = item.find('/');
        if (slash != std::string_view::npos) {
            if (!parseNumber(item.substr(slash + 1), fault.times) || fault.times == 0)
                return false;
            item = item.substr(0, slash);
        }
        const size_t colon = item.find(':');
        const std::string_view kind = item.substr(0, colon);
        const bool hasArgument = colon != std::string_view::npos;
        if (hasArgument && !parseNumber(item.substr(colon + 1), fault.argument))
            return false;
        if (kind == "connect-refused" && !hasArgument) {
            fault.kind = Fault::Refuse;
        } else if (kind == "login-timeout") {
            fault.kind = Fault::Timeout;
            if (!hasArgument)
                fault.argument = 100;
        } else if (kind == "untrusted-certificate" && !hasArgument) {
            fault.kind = Fault::Certificate;
        } else if (kind == "drop-after-rows" && hasArgument) {
            fault.kind = Fault::Drop;
        } else if (kind == "query-timeout-refused" && !hasArgument) {
            fault.kind = Fault::NoQueryTimeout;
        } else {
            return false;
        }
        out.push_back(fault);
    }
    return true;
}

State &state()
{
    static State *s = [] {
        auto *fresh = new State;
        if (const char *faults = std::getenv("WARDCHECK_STANDIN_FAULT")) {
            if (!parseFaults(faults, fresh->faults)) {
                std::fprintf(stderr, "wardcheck stand-in: cannot read WARDCHECK_STANDIN_FAULT=%s\n", faults);
                fresh->faults.clear();
            }
        }
        if (const char *login = std::getenv("WARDCHECK_STANDIN_LOGIN")) {
            const std::string text = login;
            const size_t colon = text.find(':');
            fresh->login.emplace(text.substr(0, colon),
                                 colon == std::string::npos ? std::string() : text.substr(colon + 1));
        }
        if (const char *file = std::getenv("WARDCHECK_STANDIN_COUNTERS"))
            fresh->countersFile = file;
        if (const char *file = std::getenv("WARDCHECK_STANDIN_TRACE"))
            fresh->traceFile = file;
        return fresh;
    }();
    return *s;
}

void append(const std::string &file, const char *line)
{
    if (file.empty())
        return;
    if (FILE *f = std::fopen(file.c_str(), "a")) {
        std::fputs(line, f);
        std::fputc('\n', f);
        std::fclose(f);
    }
}

// The first fault of a kind that still fires, used up by one.
bool fire(State &s, Fault::Kind kind, long *argument = nullptr, long rows = -1)
{
    for (Fault &fault : s.faults) {
        if (fault.kind != kind || fault.times == 0)
            continue;
        if (kind == Fault::Drop && rows != fault.argument)
            continue;
        if (fault.times > 0)
            --fault.times;
        if (argument)
            *argument = fault.argument;
        return true;
    }
    return false;
}

} // namespace

ConnectVerdict attempt(const std::string &user, const std::string &password)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    ++s.attempts;
    long wait = 0;
    if (fire(s, Fault::Refuse))
        return {ConnectVerdict::Refused, 0};
    if (fire(s, Fault::Timeout, &wait))
        return {ConnectVerdict::TimedOut, int(wait)};
    if (fire(s, Fault::Certificate))
        return {ConnectVerdict::UntrustedCertificate, 0};
    if (s.login && (s.login->first != user || s.login->second != password))
        return {ConnectVerdict::LoginFailed, 0};
    return {};
}

void connected(LiveConnection *connection)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    ++s.connects;
    s.open.insert(connection);
    append(s.countersFile, "connect");
}

void disconnected(LiveConnection *connection)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    if (s.open.erase(connection) == 0)
        return;
    ++s.disconnects;
    append(s.countersFile, "disconnect");
}

bool dropsAfter(long rows)
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    return fire(s, Fault::Drop, nullptr, rows);
}

bool refusesQueryTimeout()
{
    State &s = state();
    std::lock_guard lock(s.mutex);
    return fire(s, Fault::NoQueryTimeout);
}

void trace(const char *call)
{
    State &s = state();
    if (s.traceFile.empty())
        return;
    std::lock_guard lock(s.mutex);
    append(s.traceFile, call);
}

} // namespace standin::control

using namespace standin::control;

extern "C" {

long wardcheck_standin_connects(void)
{
    std::lock_guard lock(state().mutex);
    return state().connects;
}

long wardcheck_standin_connect_attempts(void)
{
    std::lock_guard lock(state().mutex);
    return state().attempts;
}

long wardcheck_standin_disconnects(void)
{
    std::lock_guard lock(state().mutex);
    return state().disconnects;
}

void wardcheck_standin_reset_counters(void)
{
    std::lock_guard lock(state().mutex);
    state().connects = state().attempts = state().disconnects = 0;
}

long wardcheck_standin_open_connections(void)
{
    std::lock_guard lock(state().mutex);
    return long(state().open.size());
}

int wardcheck_standin_set_fault(const char *faults)
{
    std::vector<Fault> parsed;
    if (faults && !parseFaults(faults, parsed))
        return -1;
    std::lock_guard lock(state().mutex);
    state().faults = std::move(parsed);
    return 0;
}

void wardcheck_standin_set_login(const char *user, const char *password)
{
    std::lock_guard lock(state().mutex);
    if (user)
        state().login.emplace(user, password ? password : "");
    else
        state().login.reset();
}

long wardcheck_standin_drop_connections(void)
{
    std::lock_guard lock(state().mutex);
    long dropped = 0;
    for (standin::LiveConnection *connection : state().open) {
        if (!connection->dead.exchange(true))
            ++dropped;
    }
    return dropped;
}

} // extern "C"
