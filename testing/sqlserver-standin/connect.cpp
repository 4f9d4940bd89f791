// Connecting as SQL Server's drivers do (connection strings, DSNs, the
// controls' verdict on each attempt), and the connection's and statement's
// attributes.

#include "odbc.h"

#include <cctype>
#include <chrono>
#include <cstdint>
#include <odbcinst.h>
#include <thread>

namespace standin {
namespace {

// key=value;... with {braced} values, keys without regard to case.
std::map<std::string, std::string> parseConnectionString(const std::string &text)
{
    std::map<std::string, std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ';' || text[i] == ' '))
            ++i;
        const size_t eq = text.find('=', i);
        if (eq == std::string::npos)
            break;
        std::string key = text.substr(i, eq - i);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        for (char &c : key)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        i = eq + 1;
        std::string value;
        if (i < text.size() && text[i] == '{') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '}') {
                    if (i + 1 < text.size() && text[i + 1] == '}') {
                        value += '}';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            while (i < text.size() && text[i] != ';')
                ++i;
        } else {
            const size_t end = text.find(';', i);
            value = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
            i = end == std::string::npos ? text.size() : end;
        }
        if (!out.count(key))
            out[key] = value;
    }
    return out;
}

} // namespace

std::string dsnDatabase(const std::string &dsn)
{
    char value[4096] = {};
    SQLGetPrivateProfileString(dsn.c_str(), "Database", "", value, sizeof value, "odbc.ini");
    return value;
}

SQLRETURN connect(Dbc *dbc, const std::string &database, const std::string &user, const std::string &password)
{
    if (dbc->connected)
        return dbc->fail("08002", "Connection name in use");
    const ConnectVerdict verdict = control::attempt(user, password);
    switch (verdict.kind) {
    case ConnectVerdict::Refused:
        dbc->diags.push_back({"08001", 10061, DriverPrefix + "TCP Provider: Error code 0x274D"});
        return dbc->fail("08001",
                         "A network-related or instance-specific error has occurred while establishing a connection to "
                         "SQL Server. Server is not found or not accessible. Check if instance name is correct and if "
                         "SQL Server is configured to allow remote connections. For more information see SQL Server "
                         "Books Online.",
                         10061);
    case ConnectVerdict::TimedOut:
        std::this_thread::sleep_for(std::chrono::milliseconds(verdict.waitMs));
        return dbc->fail("HYT00", "Login timeout expired");
    case ConnectVerdict::UntrustedCertificate:
        // As Microsoft's ODBC Driver 18 refuses a server whose certificate
        // this PC does not trust (it encrypts and checks by default).
        dbc->diags.push_back({"08001", -1,
                              DriverPrefix
                                  + "Client unable to establish connection. For solutions related to "
                                    "encryption errors, see https://go.microsoft.com/fwlink/?linkid=2226722"});
        return dbc->fail("08001",
                         "SSL Provider: [error:0A000086:SSL routines::certificate verify failed:unable to get local "
                         "issuer certificate]",
                         -1);
    case ConnectVerdict::LoginFailed:
        return dbc->fail(ServerError{"28000", 18456, "Login failed for user '" + user + "'."});
    case ConnectVerdict::Accepted:
        break;
    }
    if (database.empty())
        return dbc->fail("08001", "The stand-in needs Database=<path of the hospital database file>.");
    ServerError error;
    if (!dbc->session.open(database, error))
        return dbc->fail(error);
    dbc->connected = true;
    dbc->live.dead = false;
    dbc->busy = nullptr;
    dbc->user = user.empty() ? "dbo" : user;
    control::connected(&dbc->live);
    return SQL_SUCCESS;
}

SQLRETURN driverConnect(Dbc *dbc, const std::string &in, std::string &out)
{
    const auto attributes = parseConnectionString(in);
    const auto get = [&](const char *key) {
        const auto found = attributes.find(key);
        return found == attributes.end() ? std::string() : found->second;
    };
    std::string database = get("DATABASE");
    if (database.empty() && !get("DSN").empty())
        database = dsnDatabase(get("DSN"));
    out = in;
    return connect(dbc, database, get("UID"), get("PWD"));
}

SQLRETURN disconnect(Dbc *dbc)
{
    if (!dbc->connected)
        return dbc->fail("08003", "Connection not open");
    while (!dbc->statements.empty())
        freeStatement(dbc->statements.back());
    dbc->session.close();
    dbc->connected = false;
    dbc->busy = nullptr;
    control::disconnected(&dbc->live);
    return SQL_SUCCESS;
}

SQLRETURN setConnectAttr(Dbc *dbc, SQLINTEGER attribute, SQLPOINTER value, const std::string &text)
{
    const auto number = SQLULEN(reinterpret_cast<uintptr_t>(value));
    switch (attribute) {
    case SQL_ATTR_ACCESS_MODE:
        dbc->accessMode = number;
        return SQL_SUCCESS;
    case SQL_ATTR_AUTOCOMMIT:
        dbc->autocommit = number;
        return SQL_SUCCESS;
    case SQL_ATTR_LOGIN_TIMEOUT:
        dbc->loginTimeout = number;
        return SQL_SUCCESS;
    case SQL_ATTR_CONNECTION_TIMEOUT:
        dbc->connectionTimeout = number;
        return SQL_SUCCESS;
    case SQL_ATTR_TXN_ISOLATION:
        dbc->isolation = number;
        return SQL_SUCCESS;
    case SQL_ATTR_PACKET_SIZE:
        dbc->packetSize = number;
        return SQL_SUCCESS;
    case SQL_ATTR_METADATA_ID:
        dbc->metadataId = number;
        return SQL_SUCCESS;
    case SQL_ATTR_CURRENT_CATALOG:
        if (!isKnownDatabase(text))
            return dbc->fail(ServerError{
                "08004", 911, "Database '" + text + "' does not exist. Make sure that the name is entered correctly."});
        dbc->catalog = text;
        return SQL_SUCCESS;
    case SQL_ATTR_QUIET_MODE:
    case SQL_ATTR_ASYNC_ENABLE:
    case SQL_ATTR_TRACE:
    case SQL_ATTR_TRACEFILE:
    case SQL_ATTR_TRANSLATE_LIB:
    case SQL_ATTR_TRANSLATE_OPTION:
    case SQL_ATTR_ODBC_CURSORS:
        return SQL_SUCCESS;
    case SQL_ATTR_RESET_CONNECTION:
        // A pooled connection handed out again starts as a fresh one.
        for (Stmt *stmt : dbc->statements)
            closeCursor(stmt);
        dbc->busy = nullptr;
        dbc->catalog = "master";
        dbc->autocommit = SQL_AUTOCOMMIT_ON;
        return SQL_SUCCESS;
    default:
        return dbc->fail("HY092", "Invalid attribute/option identifier");
    }
}

SQLRETURN getConnectAttr(Dbc *dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER capacity, SQLINTEGER *length,
                         bool wide)
{
    SQLULEN number = 0;
    switch (attribute) {
    case SQL_ATTR_CONNECTION_DEAD:
        number = !dbc->connected || dbc->dead() ? SQL_CD_TRUE : SQL_CD_FALSE;
        break;
    case SQL_ATTR_ACCESS_MODE:
        number = dbc->accessMode;
        break;
    case SQL_ATTR_AUTOCOMMIT:
        number = dbc->autocommit;
        break;
    case SQL_ATTR_LOGIN_TIMEOUT:
        number = dbc->loginTimeout;
        break;
    case SQL_ATTR_CONNECTION_TIMEOUT:
        number = dbc->connectionTimeout;
        break;
    case SQL_ATTR_TXN_ISOLATION:
        number = dbc->isolation;
        break;
    case SQL_ATTR_PACKET_SIZE:
        number = dbc->packetSize;
        break;
    case SQL_ATTR_METADATA_ID:
        number = dbc->metadataId;
        break;
    case SQL_ATTR_ASYNC_ENABLE:
        number = SQL_ASYNC_ENABLE_OFF;
        break;
    case SQL_ATTR_AUTO_IPD:
        number = SQL_FALSE;
        break;
    case SQL_ATTR_CURRENT_CATALOG: {
        SQLLEN written = 0;
        const SQLRETURN rc = putString(dbc, dbc->catalog, value, capacity, &written, wide, true);
        if (length)
            *length = SQLINTEGER(written);
        return rc;
    }
    default:
        return dbc->fail("HY092", "Invalid attribute/option identifier");
    }
    if (value)
        *static_cast<SQLUINTEGER *>(value) = SQLUINTEGER(number);
    if (length)
        *length = sizeof(SQLUINTEGER);
    return SQL_SUCCESS;
}

SQLRETURN setStmtAttr(Stmt *stmt, SQLINTEGER attribute, SQLPOINTER value)
{
    const auto number = SQLULEN(reinterpret_cast<uintptr_t>(value));
    switch (attribute) {
    case SQL_ATTR_CURSOR_TYPE:
        if (number != SQL_CURSOR_FORWARD_ONLY) {
            stmt->warn("01S02", "Option value changed");
            return SQL_SUCCESS_WITH_INFO;
        }
        return SQL_SUCCESS;
    case SQL_ATTR_CONCURRENCY:
        if (number != SQL_CONCUR_READ_ONLY) {
            stmt->warn("01S02", "Option value changed");
            return SQL_SUCCESS_WITH_INFO;
        }
        return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_SCROLLABLE:
        if (number != SQL_NONSCROLLABLE)
            return stmt->fail("HYC00", "Optional feature not implemented");
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_ARRAY_SIZE:
    case SQL_ROWSET_SIZE:
        if (number != 1)
            return stmt->fail("HYC00", "Optional feature not implemented");
        return SQL_SUCCESS;
    case SQL_ATTR_QUERY_TIMEOUT:
        if (control::refusesQueryTimeout())
            return stmt->fail("HYC00", "Optional feature not implemented");
        stmt->queryTimeout = number;
        return SQL_SUCCESS;
    case SQL_ATTR_MAX_ROWS:
        stmt->maxRows = number;
        return SQL_SUCCESS;
    case SQL_ATTR_MAX_LENGTH:
        stmt->maxLength = number;
        return SQL_SUCCESS;
    case SQL_ATTR_ROWS_FETCHED_PTR:
        stmt->rowsFetched = static_cast<SQLULEN *>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR:
        stmt->rowStatus = static_cast<SQLUSMALLINT *>(value);
        return SQL_SUCCESS;
    case SQL_ATTR_NOSCAN:
    case SQL_ATTR_RETRIEVE_DATA:
    case SQL_ATTR_ROW_BIND_TYPE:
    case SQL_ATTR_PARAM_BIND_TYPE:
    case SQL_ATTR_ASYNC_ENABLE:
    case SQL_ATTR_CURSOR_SENSITIVITY:
    case SQL_ATTR_METADATA_ID:
    case SQL_ATTR_ENABLE_AUTO_IPD:
        return SQL_SUCCESS;
    case SQL_ATTR_USE_BOOKMARKS:
        if (number != SQL_UB_OFF)
            return stmt->fail("HYC00", "Optional feature not implemented");
        return SQL_SUCCESS;
    case SQL_ATTR_PARAMSET_SIZE:
        if (number != 1)
            return stmt->fail("HYC00", "Optional feature not implemented");
        return SQL_SUCCESS;
    default:
        return stmt->fail("HY092", "Invalid attribute/option identifier");
    }
}

SQLRETURN getStmtAttr(Stmt *stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER *length)
{
    SQLULEN number = 0;
    switch (attribute) {
    case SQL_ATTR_APP_ROW_DESC:
    case SQL_ATTR_APP_PARAM_DESC:
    case SQL_ATTR_IMP_ROW_DESC:
    case SQL_ATTR_IMP_PARAM_DESC: {
        const int index = attribute == SQL_ATTR_APP_ROW_DESC     ? 0
                          : attribute == SQL_ATTR_APP_PARAM_DESC ? 1
                          : attribute == SQL_ATTR_IMP_ROW_DESC   ? 2
                                                                 : 3;
        if (value)
            *static_cast<SQLPOINTER *>(value) = &stmt->descriptors[index];
        if (length)
            *length = sizeof(SQLPOINTER);
        return SQL_SUCCESS;
    }
    case SQL_ATTR_CURSOR_TYPE:
        number = SQL_CURSOR_FORWARD_ONLY;
        break;
    case SQL_ATTR_CURSOR_SCROLLABLE:
        number = SQL_NONSCROLLABLE;
        break;
    case SQL_ATTR_CONCURRENCY:
        number = SQL_CONCUR_READ_ONLY;
        break;
    case SQL_ATTR_CURSOR_SENSITIVITY:
        number = SQL_INSENSITIVE;
        break;
    case SQL_ATTR_ROW_ARRAY_SIZE:
    case SQL_ROWSET_SIZE:
    case SQL_ATTR_PARAMSET_SIZE:
        number = 1;
        break;
    case SQL_ATTR_QUERY_TIMEOUT:
        number = stmt->queryTimeout;
        break;
    case SQL_ATTR_MAX_ROWS:
        number = stmt->maxRows;
        break;
    case SQL_ATTR_MAX_LENGTH:
        number = stmt->maxLength;
        break;
    case SQL_ATTR_ROW_NUMBER:
        number = stmt->onRow ? SQLULEN(stmt->fetched) : 0;
        break;
    case SQL_ATTR_USE_BOOKMARKS:
        number = SQL_UB_OFF;
        break;
    case SQL_ATTR_RETRIEVE_DATA:
        number = SQL_RD_ON;
        break;
    case SQL_ATTR_NOSCAN:
        number = SQL_NOSCAN_OFF;
        break;
    case SQL_ATTR_ASYNC_ENABLE:
        number = SQL_ASYNC_ENABLE_OFF;
        break;
    case SQL_ATTR_ROWS_FETCHED_PTR:
        if (value)
            *static_cast<SQLULEN **>(value) = stmt->rowsFetched;
        return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR:
        if (value)
            *static_cast<SQLUSMALLINT **>(value) = stmt->rowStatus;
        return SQL_SUCCESS;
    default:
        return stmt->fail("HY092", "Invalid attribute/option identifier");
    }
    // Qt passes a 32-bit buffer for some of these; an SQLULEN written into it
    // would overrun, and these values all fit 32 bits.
    if (value)
        *static_cast<SQLUINTEGER *>(value) = SQLUINTEGER(number);
    if (length)
        *length = sizeof(SQLUINTEGER);
    return SQL_SUCCESS;
}

} // namespace standin
