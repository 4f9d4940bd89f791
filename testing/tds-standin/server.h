#pragma once

// A TDS server over the stand-in engine: one thread per link, a control
// channel of one-line commands, and faults that tests switch on and off.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tds {

struct Options
{
    std::string database; // the fixture file every hospital database lives in
    std::vector<std::pair<std::string, std::string>> logins; // user, password
    std::string serverName = "WARDSQL";
    uint16_t port = 0; // 0: any free port
    std::string portFile; // "PORT CONTROL_PORT\n" once listening
    std::chrono::seconds lifetime{900}; // stops by itself after this long
};

// What the tests can switch at any time (also from the command line).
struct Faults
{
    std::atomic<int> stallMs{0}; // each batch waits this long before it runs
    std::atomic<long> stallAfter{0}; // ... once this many batches have been received
    std::atomic<int> loginStallMs{0}; // a login waits this long before it is answered
    std::atomic<long> dropAfterRows{-1}; // a result's link closes after this many rows
    std::atomic<bool> refuseLogins{false};
    std::atomic<int> failStatements{0}; // SQL Server's error number every batch is answered with
};

struct Counters
{
    std::atomic<long> links{0}; // accepted since start
    std::atomic<long> openLinks{0};
    std::atomic<long> logins{0}; // successful
    std::atomic<long> refusedLogins{0};
    std::atomic<long> batches{0}; // statements received: SQL batches and statements in procedure calls
    std::atomic<long> rpcs{0}; // procedure calls, sp_unprepare and refused ones included
    std::atomic<long> attentions{0};
    std::atomic<long> drops{0}; // links closed by a fault or a command
};

class Server
{
public:
    explicit Server(Options options);
    ~Server();

    bool listen(std::string &why);
    // Runs until stop() or the lifetime ends.
    int run();
    // Safe from a signal handler.
    void stop();

    Faults faults;
    Counters counters;

    // The control channel's answer to one command line.
    std::string command(const std::string &line);

private:
    struct Link
    {
        int fd = -1;
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    bool openListener(std::string &why);
    void closeListener();
    void dropLinks();
    void reap(bool all);
    void serve(Link *link);
    void writePortFile();

    Options m_options;
    int m_listener = -1;
    int m_control = -1;
    uint16_t m_controlPort = 0;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_stopping{false};
    std::chrono::steady_clock::time_point m_reopenAt{};
    bool m_down = false;
    std::mutex m_linksLock;
    std::list<std::unique_ptr<Link>> m_links;

    friend class Conversation;
};

} // namespace tds
