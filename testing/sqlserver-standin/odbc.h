#pragma once

// Handles and the functions the driver's files share. The entry points
// (driver.cpp) only check handles and convert texts at the boundary.

#include "control.h"
#include "engine.h"
#include "tsql.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace standin {

inline const std::string DriverPrefix = "[Microsoft][ODBC Driver 17 for SQL Server]";

struct Diag
{
    std::string state;
    SQLINTEGER native = 0;
    std::string message;
};

struct Handle
{
    explicit Handle(SQLSMALLINT t) : type(t) { }
    virtual ~Handle() = default;
    SQLSMALLINT type;
    std::vector<Diag> diags;

    SQLRETURN fail(const std::string &state, const std::string &text, SQLINTEGER native = 0)
    {
        diags.push_back({state, native, DriverPrefix + text});
        return SQL_ERROR;
    }
    void warn(const std::string &state, const std::string &text) { diags.push_back({state, 0, DriverPrefix + text}); }
    // An error the server raised (native number 0: the driver's own).
    SQLRETURN fail(const ServerError &error)
    {
        diags.push_back({error.state, error.native, DriverPrefix + (error.native ? "[SQL Server]" : "") + error.text});
        return SQL_ERROR;
    }
};

struct Env : Handle
{
    Env() : Handle(SQL_HANDLE_ENV) { }
    SQLINTEGER version = SQL_OV_ODBC3;
};

struct Stmt;

struct Dbc : Handle
{
    explicit Dbc(Env *e) : Handle(SQL_HANDLE_DBC), env(e) { }
    Env *env;
    Session session;
    LiveConnection live;
    bool connected = false;
    Stmt *busy = nullptr; // the statement whose results are pending
    std::vector<Stmt *> statements;
    std::string user;
    std::string catalog = "master";
    SQLULEN loginTimeout = 15;
    SQLULEN connectionTimeout = 0;
    SQLULEN accessMode = SQL_MODE_READ_WRITE;
    SQLULEN autocommit = SQL_AUTOCOMMIT_ON;
    SQLULEN isolation = SQL_TXN_READ_COMMITTED;
    SQLULEN packetSize = 4096;
    SQLULEN metadataId = SQL_FALSE;
    bool dead() const { return live.dead.load(); }
};

struct Binding
{
    SQLSMALLINT type;
    SQLPOINTER buffer;
    SQLLEN capacity;
    SQLLEN *indicator;
};

struct Parameter
{
    SQLSMALLINT cType;
    SQLSMALLINT sqlType;
    SQLULEN size;
    SQLPOINTER buffer;
    SQLLEN capacity;
    SQLLEN *indicator;
};

struct Stmt : Handle
{
    explicit Stmt(Dbc *d) : Handle(SQL_HANDLE_STMT), dbc(d) { }
    Dbc *dbc;

    std::vector<Translated> batch;
    size_t nextInBatch = 0;
    size_t parameterOffset = 0;
    bool prepared = false;
    std::vector<Column> preparedColumns;
    int preparedParameters = 0;
    std::vector<Value> parameterValues;

    std::unique_ptr<Result> result;
    std::vector<Value> row;
    bool onRow = false;
    bool atEnd = false;
    long fetched = 0;

    // SQLGetData: columns are read in ascending order, each in pieces.
    SQLUSMALLINT lastColumn = 0;
    size_t offset = 0;
    bool columnDone = false;

    std::map<SQLUSMALLINT, Binding> bindings;
    std::map<SQLUSMALLINT, Parameter> parameters;

    SQLULEN queryTimeout = 0;
    SQLULEN maxRows = 0;
    SQLULEN maxLength = 0;
    SQLULEN *rowsFetched = nullptr;
    SQLUSMALLINT *rowStatus = nullptr;
    // Stand-ins for the implicit descriptors the driver manager asks for.
    int descriptors[4] = {};

    const std::vector<Column> &columns() const { return result ? result->columns : preparedColumns; }
};

// Values (convert.cpp). putString writes a text into an application buffer,
// as narrow UTF-8 or as UTF-16. `capacity` and the length written back count
// bytes when `bytes` is set, characters otherwise. Sets 01004 on truncation.
SQLRETURN putString(Handle *handle, const std::string &text, SQLPOINTER buffer, SQLLEN capacity, SQLLEN *length,
                    bool wide, bool bytes);
std::string fromWide(const SQLWCHAR *text, SQLLEN length);
std::string narrow(const SQLCHAR *text, SQLLEN length);
// The application's parameter buffers as values, into stmt->parameterValues.
bool readParameters(Stmt *stmt);
// Converts one value into an application buffer. Character and binary data
// continue from `offset` and set `done` when the last piece was given.
SQLRETURN convert(Handle *handle, const Value &v, const Column &column, SQLSMALLINT cType, SQLPOINTER buffer,
                  SQLLEN capacity, SQLLEN *indicator, size_t &offset, bool &done);

// Handles and diagnostics (handles.cpp).
void releaseBusy(Stmt *stmt);
void closeCursor(Stmt *stmt);
bool queriesRemain(const Stmt *stmt);
SQLRETURN linkFailure(Handle *handle);
void freeStatement(Stmt *stmt);
SQLRETURN getDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field, SQLPOINTER info,
                       SQLSMALLINT capacity, SQLSMALLINT *length, bool wide);
SQLRETURN getDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLPOINTER state, SQLINTEGER *native,
                     SQLPOINTER message, SQLSMALLINT capacity, SQLSMALLINT *length, bool wide);

// Connecting and attributes (connect.cpp).
std::string dsnDatabase(const std::string &dsn);
SQLRETURN connect(Dbc *dbc, const std::string &database, const std::string &user, const std::string &password);
SQLRETURN driverConnect(Dbc *dbc, const std::string &in, std::string &out);
SQLRETURN disconnect(Dbc *dbc);
SQLRETURN setConnectAttr(Dbc *dbc, SQLINTEGER attribute, SQLPOINTER value, const std::string &text);
SQLRETURN getConnectAttr(Dbc *dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER capacity, SQLINTEGER *length,
                         bool wide);
SQLRETURN setStmtAttr(Stmt *stmt, SQLINTEGER attribute, SQLPOINTER value);
SQLRETURN getStmtAttr(Stmt *stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER *length);

// Running statements and fetching (statement.cpp). startNext runs the
// batch's next query: SQL_SUCCESS with a result, SQL_NO_DATA when no query
// is left.
SQLRETURN startNext(Stmt *stmt);
SQLRETURN execute(Stmt *stmt);
SQLRETURN prepare(Stmt *stmt, const std::string &text);
SQLRETURN execDirect(Stmt *stmt, const std::string &text);
SQLRETURN fetch(Stmt *stmt);
SQLRETURN getData(Stmt *stmt, SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER buffer, SQLLEN capacity,
                  SQLLEN *indicator);

// What the stand-in says about itself and its tables (catalog.cpp); narrow
// and wide callers share each body.
SQLRETURN getInfo(Dbc *dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT capacity, SQLSMALLINT *length, bool wide);
SQLRETURN describeColumn(Stmt *stmt, SQLUSMALLINT column, std::string &name, SQLSMALLINT *type, SQLULEN *size,
                         SQLSMALLINT *decimals, SQLSMALLINT *nullable);
SQLRETURN columnAttribute(Stmt *stmt, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER buffer, SQLSMALLINT capacity,
                          SQLSMALLINT *length, SQLLEN *number, bool wide);
SQLRETURN tables(Stmt *stmt, const std::string *catalog, const std::string *schema, const std::string *table,
                 const std::string *types);
SQLRETURN columnsOf(Stmt *stmt, const std::string *table, const std::string *column);
SQLRETURN primaryKeys(Stmt *stmt, const std::string *table);
SQLRETURN typeInfo(Stmt *stmt, SQLSMALLINT type);
// Installs a result made by the driver, as if a statement had produced it.
SQLRETURN startResult(Stmt *stmt, std::unique_ptr<Result> result);

} // namespace standin
