// tds-standin: a TDS 7.4 server on 127.0.0.1 that answers as the hospital's
// SQL Server would, from a fixture file, for tests of the real ODBC drivers.

#include "server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/prctl.h>

namespace {

tds::Server *running = nullptr;

void onSignal(int)
{
    if (running)
        running->stop();
}

int usage(const char *why)
{
    std::fprintf(stderr,
                 "tds-standin: %s\n"
                 "usage: wardcheck_tds_standin --database FILE --login USER:PASSWORD [--login ...]\n"
                 "         [--port N] [--port-file FILE] [--lifetime SECONDS] [--server-name NAME]\n"
                 "         [--stall MS] [--drop-after-rows N] [--refuse-logins] [--fail-statements NUMBER]\n",
                 why);
    return 2;
}

bool number(const char *text, long low, long high, long &out)
{
    char *end = nullptr;
    out = std::strtol(text, &end, 10);
    return *text && !*end && out >= low && out <= high;
}

} // namespace

int main(int argc, char **argv)
{
    tds::Options options;
    long stall = 0;
    long dropAfter = -1;
    long failWith = 0;
    bool refuse = false;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        long n = 0;
        const auto needs = [&](long low, long high) {
            if (!value || !number(value, low, high, n))
                return false;
            ++i;
            return true;
        };
        if (flag == "--database" && value) {
            options.database = argv[++i];
        } else if (flag == "--login" && value && std::strchr(value, ':')) {
            const std::string entry = argv[++i];
            const size_t colon = entry.find(':');
            options.logins.emplace_back(entry.substr(0, colon), entry.substr(colon + 1));
        } else if (flag == "--port" && needs(0, 65535)) {
            options.port = uint16_t(n);
        } else if (flag == "--port-file" && value) {
            options.portFile = argv[++i];
        } else if (flag == "--server-name" && value) {
            options.serverName = argv[++i];
        } else if (flag == "--lifetime" && needs(1, 86400)) {
            options.lifetime = std::chrono::seconds(n);
        } else if (flag == "--stall" && needs(0, 600000)) {
            stall = n;
        } else if (flag == "--drop-after-rows" && needs(0, 1L << 30)) {
            dropAfter = n;
        } else if (flag == "--fail-statements" && needs(1, 1L << 30)) {
            failWith = n;
        } else if (flag == "--refuse-logins") {
            refuse = true;
        } else {
            return usage(("unknown or incomplete argument: " + flag).c_str());
        }
    }
    if (options.database.empty())
        return usage("--database is required");
    if (options.logins.empty())
        return usage("at least one --login is required");

    // A test that dies leaves no server behind.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    tds::Server server(options);
    server.faults.stallMs = int(stall);
    server.faults.dropAfterRows = dropAfter;
    server.faults.failStatements = int(failWith);
    server.faults.refuseLogins = refuse;
    std::string why;
    if (!server.listen(why)) {
        std::fprintf(stderr, "tds-standin: %s\n", why.c_str());
        return 1;
    }
    running = &server;
    struct sigaction action
    { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int rc = server.run();
    running = nullptr;
    return rc;
}
