#include "server.h"

#include "engine.h"
#include "tds.h"
#include "tsql.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace tds {
namespace {

using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point when)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now()).count();
    return int(std::clamp<long long>(left, 0, 100));
}

bool sendAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= size_t(sent);
    }
    return true;
}

bool receiveAll(int fd, char *data, size_t size)
{
    while (size > 0) {
        const ssize_t got = ::recv(fd, data, size, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= size_t(got);
    }
    return true;
}

std::string lower(std::string text)
{
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// What SQL Server says for the errors the control channel can make every
// statement fail with: (state, class, text).
struct Canned
{
    int state;
    int severity;
    std::string text;
};

Canned cannedError(int number)
{
    switch (number) {
    case 942:
        return {4, 14, "Database 'patient_data' cannot be opened because it is offline."};
    case 983:
        return {1, 14,
                "Unable to access availability database 'patient_data' because the database replica is not in "
                "the PRIMARY or SECONDARY role. Connections to an availability database is permitted only when "
                "the database replica is in the PRIMARY or SECONDARY role. Try the operation again later."};
    case 1205:
        return {51, 13,
                "Transaction (Process ID 57) was deadlocked on lock resources with another process and has been "
                "chosen as the deadlock victim. Rerun the transaction."};
    case 1222:
        return {56, 16, "Lock request time out period exceeded."};
    default:
        return {1, 16, "The statement failed with error " + std::to_string(number) + "."};
    }
}

} // namespace

// One client link, from pre-login to the end.
class Conversation
{
public:
    Conversation(Server &server, int fd) : m_server(server), m_fd(fd) { }

    void run()
    {
        uint8_t type = 0;
        std::string payload;
        while (readMessage(type, payload)) {
            bool goOn = true;
            switch (type) {
            case PreLogin:
                goOn = preLogin(payload);
                break;
            case Login7:
                goOn = login(payload);
                break;
            case SqlBatch:
                goOn = m_loggedIn && batch(payload);
                break;
            case Rpc:
                goOn = m_loggedIn && rpc(payload);
                break;
            case TransactionManager:
                goOn = m_loggedIn && answerDone();
                break;
            case Attention:
                // The statement it was meant for has already ended.
                ++m_server.counters.attentions;
                goOn = acknowledgeAttention();
                break;
            default:
                goOn = false;
                break;
            }
            if (!goOn)
                break;
        }
    }

private:
    // ---------------------------------------------------------- packets

    enum class Read { Packet, Nothing, Closed };

    // Waits at most `waitMs` for a packet to begin.
    Read readPacket(uint8_t &type, uint8_t &status, std::string &payload, int waitMs)
    {
        pollfd p{m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, waitMs);
        if (ready < 0 && errno == EINTR)
            return Read::Nothing;
        if (ready < 0)
            return Read::Closed;
        if (ready == 0)
            return Read::Nothing;
        char header[8];
        if (!receiveAll(m_fd, header, sizeof header))
            return Read::Closed;
        type = uint8_t(header[0]);
        status = uint8_t(header[1]);
        const size_t length = size_t(uint8_t(header[2])) << 8 | uint8_t(header[3]);
        if (length < 8 || length > 32768)
            return Read::Closed;
        payload.resize(length - 8);
        if (!payload.empty() && !receiveAll(m_fd, payload.data(), payload.size()))
            return Read::Closed;
        return Read::Packet;
    }

    bool readMessage(uint8_t &type, std::string &message)
    {
        message.clear();
        bool started = false;
        for (;;) {
            if (m_server.m_stopping)
                return false;
            uint8_t packetType = 0;
            uint8_t status = 0;
            std::string payload;
            const Read read = readPacket(packetType, status, payload, 100);
            if (read == Read::Closed)
                return false;
            if (read == Read::Nothing)
                continue;
            if (started && packetType != type)
                return false;
            type = packetType;
            started = true;
            message += payload;
            if (message.size() > (64u << 20))
                return false;
            if (status & 0x01)
                return true;
        }
    }

    // Sends whole packets of what is pending; with `end`, all of it, the last
    // packet marked as the end of the message.
    bool flush(bool end)
    {
        const size_t room = m_packetSize - 8;
        size_t at = 0;
        while (m_pending.size() - at >= room || (end && at <= m_pending.size())) {
            const size_t part = std::min(room, m_pending.size() - at);
            const bool last = end && at + part == m_pending.size();
            if (!last && part < room)
                break;
            const size_t length = part + 8;
            char header[8] = {char(TabularResult),
                              char(last ? 0x01 : 0x00),
                              char(length >> 8),
                              char(length & 0xff),
                              0,
                              0,
                              char(m_packetId++),
                              0};
            if (!sendAll(m_fd, header, sizeof header) || !sendAll(m_fd, m_pending.data() + at, part))
                return false;
            at += part;
            if (last)
                break;
        }
        m_pending.erase(0, at);
        return true;
    }

    bool send(Tokens &tokens, bool end)
    {
        m_pending += tokens.take();
        return flush(end);
    }

    // Looks for an attention without waiting longer than `waitMs`. A packet
    // that is not one ends the link: a client must not send anything else
    // while a result is under way.
    enum class Interrupt { None, Attention, Broken };
    Interrupt interrupted(int waitMs)
    {
        uint8_t type = 0;
        uint8_t status = 0;
        std::string payload;
        switch (readPacket(type, status, payload, waitMs)) {
        case Read::Nothing:
            return m_server.m_stopping ? Interrupt::Broken : Interrupt::None;
        case Read::Closed:
            return Interrupt::Broken;
        case Read::Packet:
            break;
        }
        if (type != Attention)
            return Interrupt::Broken;
        ++m_server.counters.attentions;
        return Interrupt::Attention;
    }

    bool acknowledgeAttention()
    {
        Tokens out;
        out.done(DoneAttention, 0, 0);
        return send(out, true);
    }

    bool answerDone()
    {
        Tokens out;
        out.done(DoneFinal, 0, 0);
        return send(out, true);
    }

    // ---------------------------------------------------------- login

    bool preLogin(const std::string &payload)
    {
        if (!tds::preLoginWellFormed(payload))
            return false;
        m_pending += preLoginAnswer();
        return flush(true);
    }

    bool refuseLogin(Tokens &out, const std::string &user)
    {
        ++m_server.counters.refusedLogins;
        out.error(18456, 1, 14, "Login failed for user '" + user + "'.", m_server.m_options.serverName);
        out.done(DoneError, 0, 0);
        send(out, true);
        return false;
    }

    bool login(const std::string &payload)
    {
        Login login;
        std::string why;
        if (m_loggedIn || !parseLogin(payload, login, why)) {
            if (!why.empty())
                std::fprintf(stderr, "tds-standin: %s\n", why.c_str());
            return false;
        }
        const auto stallUntil = Clock::now() + std::chrono::milliseconds(m_server.faults.loginStallMs.load());
        while (Clock::now() < stallUntil) {
            if (interrupted(millisecondsUntil(stallUntil)) == Interrupt::Broken)
                return false;
        }
        if (login.packetSize >= 512 && login.packetSize <= 32767)
            m_packetSize = login.packetSize;
        Tokens out;
        const auto &logins = m_server.m_options.logins;
        const bool known = std::any_of(logins.begin(), logins.end(), [&](const auto &entry) {
            return lower(entry.first) == lower(login.user) && entry.second == login.password;
        });
        if (m_server.faults.refuseLogins || !known) {
            std::fprintf(stderr, "tds-standin: login of '%s' refused (%s)\n", login.user.c_str(),
                         m_server.faults.refuseLogins ? "logins are refused" : "unknown user or wrong password");
            return refuseLogin(out, login.user);
        }
        const std::string database = login.database.empty() ? std::string("master") : login.database;
        standin::ServerError error;
        if ((!login.database.empty() && !standin::isKnownDatabase(login.database))
            || !m_session.open(m_server.m_options.database, error)) {
            out.error(4060, 1, 11,
                      "Cannot open database \"" + database + "\" requested by the login. The login failed.",
                      m_server.m_options.serverName);
            return refuseLogin(out, login.user);
        }
        const std::string &server = m_server.m_options.serverName;
        out.envChange(1, database, "master");
        out.info(5701, 2, "Changed database context to '" + database + "'.", server);
        out.collationChange(DefaultCollation);
        out.envChange(2, "us_english", "");
        out.info(5703, 1, "Changed language setting to us_english.", server);
        // LOGIN7 carries the version little-endian (04 00 00 74 for 7.4).
        const uint32_t major = login.tdsVersion >> 24;
        out.loginAck(major >= 0x72 && major <= 0x74 ? login.tdsVersion : 0x74000004, "Microsoft SQL Server");
        out.envChange(4, std::to_string(m_packetSize), std::to_string(m_packetSize));
        out.done(DoneFinal, 0, 0);
        // Counted before the answer goes, so that a client that has it sees it counted.
        m_loggedIn = true;
        ++m_server.counters.logins;
        return send(out, true);
    }

    // ---------------------------------------------------------- statements

    enum class Outcome { Done, Failed, Attention, LinkEnds };

    void errorOf(Tokens &out, const standin::ServerError &error)
    {
        const int number = error.native ? error.native : 50000;
        out.error(number, 1, number == 824 ? 24 : 16, error.text, m_server.m_options.serverName);
    }

    // The stall and the always-failing fault meet every statement alike,
    // whether it came as a batch or in a procedure call. A fault's ERROR is
    // written without its DONE, which the caller knows.
    Outcome faultsFirst(Tokens &out)
    {
        const bool stalls = m_server.counters.batches.load() > m_server.faults.stallAfter.load();
        const auto stallUntil = Clock::now() + std::chrono::milliseconds(stalls ? m_server.faults.stallMs.load() : 0);
        while (Clock::now() < stallUntil) {
            switch (interrupted(millisecondsUntil(stallUntil))) {
            case Interrupt::None:
                break;
            case Interrupt::Attention:
                return Outcome::Attention;
            case Interrupt::Broken:
                return Outcome::LinkEnds;
            }
        }
        if (const int number = m_server.faults.failStatements) {
            const Canned canned = cannedError(number);
            out.error(number, canned.state, canned.severity, canned.text, m_server.m_options.serverName);
            return Outcome::Failed;
        }
        return Outcome::Done;
    }

    // Translates and runs SQL text. In a batch each statement ends in a DONE
    // (MORE between them); in a procedure call in a DONEINPROC (always MORE,
    // as the DONEPROC follows), and a statement that does not compile ends
    // in its ERROR alone.
    Outcome runText(Tokens &out, const std::string &text, bool inProcedure)
    {
        const uint8_t token = inProcedure ? DoneInProcToken : DoneToken;
        std::vector<standin::Translated> statements;
        standin::ServerError error;
        if (!standin::translate(text, statements, error)) {
            errorOf(out, error);
            if (!inProcedure)
                out.done(DoneError, SelectCommand, 0);
            return Outcome::Failed;
        }
        if (statements.empty()) {
            if (!inProcedure)
                out.done(DoneFinal, 0, 0);
            return Outcome::Done;
        }
        for (size_t k = 0; k < statements.size(); ++k) {
            const uint16_t more = inProcedure || k + 1 < statements.size() ? DoneMore : DoneFinal;
            const standin::Translated &statement = statements[k];
            if (statement.kind != standin::Translated::Kind::Query) {
                out.done(more, 0, 0, token);
                continue;
            }
            const Outcome outcome = query(out, statement, more, inProcedure ? DoneMore : DoneFinal, token);
            if (outcome != Outcome::Done)
                return outcome;
        }
        return Outcome::Done;
    }

    bool batch(const std::string &payload)
    {
        ++m_server.counters.batches;
        std::string text;
        std::string why;
        if (!batchText(payload, text, why)) {
            std::fprintf(stderr, "tds-standin: %s\n", why.c_str());
            return false;
        }
        Tokens out;
        Outcome outcome = faultsFirst(out);
        if (outcome == Outcome::Failed)
            out.done(DoneError, 0, 0);
        else if (outcome == Outcome::Done)
            outcome = runText(out, text, false);
        return finish(out, outcome);
    }

    bool finish(Tokens &out, Outcome outcome)
    {
        switch (outcome) {
        case Outcome::Done:
        case Outcome::Failed:
            break;
        case Outcome::Attention:
            out.done(DoneAttention, 0, 0);
            break;
        case Outcome::LinkEnds:
            return false;
        }
        return send(out, true);
    }

    // ---------------------------------------------------------- procedure calls

    static uint16_t procIdOf(const RpcRequest &request)
    {
        if (request.procId)
            return request.procId;
        const std::string name = lower(request.procName);
        const std::pair<const char *, uint16_t> known[] = {
            {"sp_executesql", SpExecuteSql},
            {"sp_execute", SpExecute},
            {"sp_prepexec", SpPrepExec},
            {"sp_unprepare", SpUnprepare},
        };
        for (const auto &[procName, id] : known) {
            if (name == procName || name == std::string("sys.") + procName)
                return id;
        }
        return 0;
    }

    static std::string procNameOf(const RpcRequest &request)
    {
        if (!request.procId)
            return request.procName;
        static const char *const names[] = {"",
                                            "sp_cursor",
                                            "sp_cursoropen",
                                            "sp_cursorprepare",
                                            "sp_cursorexecute",
                                            "sp_cursorprepexec",
                                            "sp_cursorunprepare",
                                            "sp_cursorfetch",
                                            "sp_cursoroption",
                                            "sp_cursorclose",
                                            "sp_executesql",
                                            "sp_prepare",
                                            "sp_execute",
                                            "sp_prepexec",
                                            "sp_prepexecrpc",
                                            "sp_unprepare"};
        return request.procId < std::size(names) ? names[request.procId] : "#" + std::to_string(request.procId);
    }

    void procedureFails(Tokens &out, int number, int state, const std::string &text, uint16_t final)
    {
        out.error(number, state, 16, text, m_server.m_options.serverName);
        out.done(uint16_t(final | DoneError), 0, 0, DoneProcToken);
    }

    bool rpc(const std::string &payload)
    {
        std::vector<RpcRequest> requests;
        std::string why;
        if (!parseRpc(payload, requests, why)) {
            std::fprintf(stderr, "tds-standin: %s\n", why.c_str());
            return false;
        }
        Tokens out;
        for (size_t k = 0; k < requests.size(); ++k) {
            ++m_server.counters.rpcs;
            const Outcome outcome = procedure(out, requests[k], k + 1 < requests.size() ? DoneMore : DoneFinal);
            if (outcome == Outcome::Attention || outcome == Outcome::LinkEnds)
                return finish(out, outcome);
        }
        return send(out, true);
    }

    // One request of an RPC message: the procedures a driver calls to run a
    // statement; any other is unknown, as a user procedure would be here.
    Outcome procedure(Tokens &out, const RpcRequest &request, uint16_t final)
    {
        const std::vector<RpcParameter> &p = request.parameters;
        const auto noValues = [&](size_t definitions) {
            // The stand-in runs statements as written; it binds no parameter values.
            return p.size() <= definitions + 1
                   && (p.size() <= definitions || p[definitions].null || p[definitions].text.empty());
        };
        switch (procIdOf(request)) {
        case SpPrepExec:
            // @handle OUTPUT, @params, @stmt, then the values of @params.
            if (p.size() < 3 || !p[2].character || p[2].null) {
                procedureFails(out, 201, 4,
                               "Procedure or function 'sp_prepexec' expects parameter '@stmt', which was not supplied.",
                               final);
                return Outcome::Failed;
            }
            if (p.size() > 3 || !(p[1].null || p[1].text.empty())) {
                procedureFails(out, 50000, 1, "The stand-in server runs statements without parameters.", final);
                return Outcome::Failed;
            }
            return statement(out, p[2].text, true, final);
        case SpExecuteSql:
            // @stmt, [@params, values...]
            if (p.empty() || !p[0].character || p[0].null) {
                procedureFails(out, 214, 2, "Procedure expects parameter '@statement' of type 'ntext/nchar/nvarchar'.",
                               final);
                return Outcome::Failed;
            }
            if (p.size() > 2 || (p.size() == 2 && !noValues(1))) {
                procedureFails(out, 50000, 1, "The stand-in server runs statements without parameters.", final);
                return Outcome::Failed;
            }
            return statement(out, p[0].text, false, final);
        case SpExecute: {
            const auto found = p.empty() || !p[0].integer ? m_prepared.end() : m_prepared.find(p[0].number);
            if (found == m_prepared.end()) {
                procedureFails(out, 8179, 4,
                               "Could not find prepared statement with handle "
                                   + (p.empty() ? std::string("(none)") : std::to_string(p[0].number)) + ".",
                               final);
                return Outcome::Failed;
            }
            if (p.size() > 1) {
                procedureFails(out, 50000, 1, "The stand-in server runs statements without parameters.", final);
                return Outcome::Failed;
            }
            return statement(out, found->second, false, final);
        }
        case SpUnprepare:
            if (p.empty() || !p[0].integer || m_prepared.erase(p[0].number) == 0) {
                procedureFails(out, 8179, 4,
                               "Could not find prepared statement with handle "
                                   + (p.empty() || !p[0].integer ? std::string("(none)") : std::to_string(p[0].number))
                                   + ".",
                               final);
                return Outcome::Failed;
            }
            out.returnStatus(0);
            out.done(final, 0, 0, DoneProcToken);
            return Outcome::Done;
        default:
            procedureFails(out, 2812, 62, "Could not find stored procedure '" + procNameOf(request) + "'.", final);
            return Outcome::Failed;
        }
    }

    // A statement in a procedure call, answered as SQL Server answers
    // sp_prepexec: its results (each ending in DONEINPROC), RETURNSTATUS,
    // the new handle as a RETURNVALUE, DONEPROC.
    Outcome statement(Tokens &out, const std::string &text, bool newHandle, uint16_t final)
    {
        ++m_server.counters.batches;
        Outcome outcome = faultsFirst(out);
        if (outcome == Outcome::Done)
            outcome = runText(out, text, true);
        switch (outcome) {
        case Outcome::Done:
            break;
        case Outcome::Failed:
            out.done(uint16_t(final | DoneError), 0, 0, DoneProcToken);
            return outcome;
        case Outcome::Attention:
        case Outcome::LinkEnds:
            return outcome;
        }
        out.returnStatus(0);
        if (newHandle) {
            const int32_t handle = m_nextHandle++;
            m_prepared[handle] = text;
            out.returnValueInt(0, "", handle);
        }
        out.done(final, 0, 0, DoneProcToken);
        return Outcome::Done;
    }

    Outcome query(Tokens &out, const standin::Translated &statement, uint16_t more, uint16_t onFailure, uint8_t token)
    {
        standin::ServerError error;
        std::unique_ptr<standin::Result> result = m_session.run(statement, {}, error);
        if (!result) {
            errorOf(out, error);
            out.done(uint16_t(onFailure | DoneError), SelectCommand, 0, token);
            return Outcome::Failed;
        }
        const ResultWriter writer(result->columns);
        writer.metadata(out);
        const long dropAfter = m_server.faults.dropAfterRows;
        uint64_t rows = 0;
        std::vector<standin::Value> row;
        for (;;) {
            if (dropAfter >= 0 && rows == uint64_t(dropAfter)) {
                // What has been sent reaches the client; the rest never does.
                send(out, false);
                ++m_server.counters.drops;
                ::shutdown(m_fd, SHUT_RDWR);
                return Outcome::LinkEnds;
            }
            const int got = result->next(row, error);
            if (got < 0 || (got > 0 && !writer.row(out, row, error))) {
                errorOf(out, error);
                out.done(uint16_t(onFailure | DoneError | DoneCount), SelectCommand, rows, token);
                return Outcome::Failed;
            }
            if (got == 0)
                break;
            ++rows;
            if (rows % 64 == 0 || out.size() >= m_packetSize) {
                if (!send(out, false))
                    return Outcome::LinkEnds;
                switch (interrupted(0)) {
                case Interrupt::None:
                    break;
                case Interrupt::Attention:
                    return Outcome::Attention;
                case Interrupt::Broken:
                    return Outcome::LinkEnds;
                }
            }
        }
        out.done(uint16_t(more | DoneCount), SelectCommand, rows, token);
        return Outcome::Done;
    }

    Server &m_server;
    int m_fd;
    uint32_t m_packetSize = 4096;
    uint8_t m_packetId = 1;
    std::string m_pending;
    bool m_loggedIn = false;
    standin::Session m_session;
    std::map<int32_t, std::string> m_prepared; // sp_prepexec's handles
    int32_t m_nextHandle = 1;
};

Server::Server(Options options) : m_options(std::move(options))
{ }

Server::~Server()
{
    closeListener();
    dropLinks();
    reap(true);
    if (m_control >= 0)
        ::close(m_control);
    for (int fd : m_wake) {
        if (fd >= 0)
            ::close(fd);
    }
}

namespace {

int listenOn(uint16_t port, uint16_t &bound, std::string &why)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0) {
        why = std::string("cannot listen on 127.0.0.1:") + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size);
    bound = ntohs(address.sin_port);
    return fd;
}

} // namespace

bool Server::openListener(std::string &why)
{
    uint16_t bound = 0;
    m_listener = listenOn(m_options.port, bound, why);
    if (m_listener < 0)
        return false;
    // A restart comes back on the same port.
    m_options.port = bound;
    m_down = false;
    return true;
}

void Server::closeListener()
{
    if (m_listener >= 0) {
        ::close(m_listener);
        m_listener = -1;
    }
}

bool Server::listen(std::string &why)
{
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!openListener(why))
        return false;
    m_control = listenOn(0, m_controlPort, why);
    if (m_control < 0)
        return false;
    writePortFile();
    return true;
}

void Server::writePortFile()
{
    std::printf("tds-standin listening on 127.0.0.1:%u, control on 127.0.0.1:%u\n", unsigned(m_options.port),
                unsigned(m_controlPort));
    std::fflush(stdout);
    if (m_options.portFile.empty())
        return;
    // Written whole and then renamed, so that a reader never sees half of it.
    const std::string partial = m_options.portFile + ".partial";
    if (FILE *file = std::fopen(partial.c_str(), "w")) {
        std::fprintf(file, "%u %u\n", unsigned(m_options.port), unsigned(m_controlPort));
        std::fclose(file);
        std::rename(partial.c_str(), m_options.portFile.c_str());
    }
}

void Server::stop()
{
    m_stopping = true;
    if (m_wake[1] >= 0) {
        const char c = 's';
        [[maybe_unused]] const ssize_t ignored = ::write(m_wake[1], &c, 1);
    }
}

void Server::dropLinks()
{
    std::lock_guard lock(m_linksLock);
    for (const auto &link : m_links) {
        if (!link->finished) {
            ::shutdown(link->fd, SHUT_RDWR);
            ++counters.drops;
        }
    }
}

void Server::reap(bool all)
{
    std::list<std::unique_ptr<Link>> ended;
    {
        std::lock_guard lock(m_linksLock);
        for (auto it = m_links.begin(); it != m_links.end();) {
            if (all || (*it)->finished) {
                ended.push_back(std::move(*it));
                it = m_links.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto &link : ended) {
        if (link->thread.joinable())
            link->thread.join();
        ::close(link->fd);
    }
}

void Server::serve(Link *link)
{
    ++counters.openLinks;
    Conversation(*this, link->fd).run();
    ::shutdown(link->fd, SHUT_RDWR);
    --counters.openLinks;
    link->finished = true;
}

std::string Server::command(const std::string &line)
{
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    long number = 0;
    const bool hasNumber = static_cast<bool>(words >> number);
    if (verb == "stall" && hasNumber && number >= 0) {
        std::string after;
        long first = 0;
        if (words >> after && (after != "after" || !(words >> first) || first < 0))
            return "error stall takes MS [after N]";
        faults.stallAfter = first;
        faults.stallMs = int(std::min(number, 600000L));
    } else if (verb == "stall-login" && hasNumber && number >= 0) {
        faults.loginStallMs = int(std::min(number, 600000L));
    } else if (verb == "drop-after-rows" && hasNumber) {
        faults.dropAfterRows = number < 0 ? -1 : number;
    } else if (verb == "refuse-logins") {
        std::istringstream again(line);
        std::string ignored, value;
        again >> ignored >> value;
        if (value != "on" && value != "off")
            return "error refuse-logins takes on or off";
        faults.refuseLogins = value == "on";
    } else if (verb == "fail-statements" && hasNumber && number >= 0) {
        faults.failStatements = int(number);
    } else if (verb == "clear") {
        faults.stallMs = 0;
        faults.stallAfter = 0;
        faults.loginStallMs = 0;
        faults.dropAfterRows = -1;
        faults.refuseLogins = false;
        faults.failStatements = 0;
    } else if (verb == "drop") {
        dropLinks();
    } else if (verb == "down") {
        closeListener();
        dropLinks();
        m_down = true;
        m_reopenAt = {};
    } else if (verb == "up" || (verb == "restart" && hasNumber && number >= 0)) {
        if (verb == "restart") {
            closeListener();
            dropLinks();
            m_down = true;
            // Comes back after the main loop has waited the pause out.
            m_reopenAt = Clock::now() + std::chrono::milliseconds(std::min(number, 60000L));
            return "ok";
        }
        if (m_listener < 0) {
            std::string why;
            if (!openListener(why))
                return "error " + why;
        }
    } else if (verb == "counters") {
        std::ostringstream out;
        out << "links " << counters.links << " open " << counters.openLinks << " logins " << counters.logins
            << " refused " << counters.refusedLogins << " batches " << counters.batches << " attentions "
            << counters.attentions << " drops " << counters.drops << " listening " << (m_listener >= 0 ? 1 : 0)
            << " rpcs " << counters.rpcs;
        return out.str();
    } else if (verb == "quit") {
        stop();
    } else {
        return "error unknown command: " + line;
    }
    return "ok";
}

int Server::run()
{
    struct ControlClient
    {
        int fd;
        std::string input;
    };
    std::vector<ControlClient> clients;
    const auto started = Clock::now();
    while (!m_stopping) {
        if (Clock::now() - started > m_options.lifetime) {
            std::fprintf(stderr, "tds-standin: stopping after its lifetime of %llds\n",
                         static_cast<long long>(m_options.lifetime.count()));
            break;
        }
        if (m_down && m_reopenAt != Clock::time_point{} && Clock::now() >= m_reopenAt) {
            std::string why;
            m_reopenAt = {};
            if (!openListener(why))
                std::fprintf(stderr, "tds-standin: %s\n", why.c_str());
        }
        std::vector<pollfd> fds;
        fds.push_back({m_wake[0], POLLIN, 0});
        fds.push_back({m_control, POLLIN, 0});
        fds.push_back({m_listener, POLLIN, 0}); // poll ignores a negative descriptor
        for (const ControlClient &c : clients)
            fds.push_back({c.fd, POLLIN, 0});
        // Control clients accepted below were not polled in this round.
        const size_t polledClients = clients.size();
        if (::poll(fds.data(), fds.size(), 100) < 0 && errno != EINTR)
            break;
        reap(false);
        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(m_control, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                clients.push_back({fd, {}});
        }
        if (m_listener >= 0 && (fds[2].revents & POLLIN)) {
            const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                const int on = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                timeval limit{10, 0}; // a client that stops mid-packet does not hold a thread for ever
                ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
                ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
                ++counters.links;
                auto link = std::make_unique<Link>();
                link->fd = fd;
                Link *raw = link.get();
                std::lock_guard lock(m_linksLock);
                m_links.push_back(std::move(link));
                raw->thread = std::thread([this, raw] { serve(raw); });
            }
        }
        for (size_t k = 0; k < polledClients; ++k) {
            if (!(fds[3 + k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[512];
            const ssize_t got = ::recv(clients[k].fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                ::close(clients[k].fd);
                clients[k].fd = -1;
                continue;
            }
            clients[k].input.append(buffer, size_t(got));
            size_t end;
            while ((end = clients[k].input.find('\n')) != std::string::npos) {
                std::string line = clients[k].input.substr(0, end);
                clients[k].input.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                const std::string answer = command(line) + "\n";
                sendAll(clients[k].fd, answer.data(), answer.size());
            }
        }
        clients.erase(std::remove_if(clients.begin(), clients.end(), [](const ControlClient &c) { return c.fd < 0; }),
                      clients.end());
    }
    for (const ControlClient &c : clients)
        ::close(c.fd);
    closeListener();
    m_stopping = true;
    dropLinks();
    reap(true);
    return 0;
}

} // namespace tds
