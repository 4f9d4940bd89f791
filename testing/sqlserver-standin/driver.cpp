// The ODBC entry points of the SQL Server stand-in: each checks its handle,
// converts texts at the boundary and hands over to handles.cpp, connect.cpp,
// statement.cpp, convert.cpp or catalog.cpp. The narrow entry points take
// and give UTF-8, the wide ones UTF-16; each pair shares one body.

#include "odbc.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <optional>
#include <type_traits>

using namespace standin;

namespace {

template<typename T> T *as(SQLHANDLE handle, SQLSMALLINT type)
{
    auto *h = static_cast<Handle *>(handle);
    return h && h->type == type ? static_cast<T *>(h) : nullptr;
}

const SQLUSMALLINT Supported[] = {
    SQL_API_SQLALLOCHANDLE,  SQL_API_SQLBINDCOL,      SQL_API_SQLBINDPARAMETER,  SQL_API_SQLCANCEL,
    SQL_API_SQLCLOSECURSOR,  SQL_API_SQLCOLATTRIBUTE, SQL_API_SQLCOLUMNS,        SQL_API_SQLCONNECT,
    SQL_API_SQLDESCRIBECOL,  SQL_API_SQLDISCONNECT,   SQL_API_SQLDRIVERCONNECT,  SQL_API_SQLENDTRAN,
    SQL_API_SQLEXECDIRECT,   SQL_API_SQLEXECUTE,      SQL_API_SQLFETCH,          SQL_API_SQLFETCHSCROLL,
    SQL_API_SQLFREEHANDLE,   SQL_API_SQLFREESTMT,     SQL_API_SQLGETCONNECTATTR, SQL_API_SQLGETDATA,
    SQL_API_SQLGETDIAGFIELD, SQL_API_SQLGETDIAGREC,   SQL_API_SQLGETENVATTR,     SQL_API_SQLGETFUNCTIONS,
    SQL_API_SQLGETINFO,      SQL_API_SQLGETSTMTATTR,  SQL_API_SQLGETTYPEINFO,    SQL_API_SQLMORERESULTS,
    SQL_API_SQLNATIVESQL,    SQL_API_SQLNUMPARAMS,    SQL_API_SQLNUMRESULTCOLS,  SQL_API_SQLPREPARE,
    SQL_API_SQLPRIMARYKEYS,  SQL_API_SQLROWCOUNT,     SQL_API_SQLSETCONNECTATTR, SQL_API_SQLSETENVATTR,
    SQL_API_SQLSETSTMTATTR,  SQL_API_SQLTABLES,
};

} // namespace

// ====================================================================
// Entry points

#define TRACE() control::trace(__func__)
#define STMT(handle)                                                                                                   \
    Stmt *stmt = as<Stmt>(handle, SQL_HANDLE_STMT);                                                                    \
    if (!stmt)                                                                                                         \
        return SQL_INVALID_HANDLE;                                                                                     \
    stmt->diags.clear()
#define DBC(handle)                                                                                                    \
    Dbc *dbc = as<Dbc>(handle, SQL_HANDLE_DBC);                                                                        \
    if (!dbc)                                                                                                          \
        return SQL_INVALID_HANDLE;                                                                                     \
    dbc->diags.clear()

namespace {
namespace entry {

// The bodies of the narrow (UTF-8) and wide (UTF-16) entry points, one for
// both: Char is SQLCHAR or SQLWCHAR.
template<typename Char> constexpr bool Wide = std::is_same_v<Char, SQLWCHAR>;

std::string textOf(const SQLCHAR *text, SQLLEN length)
{
    return narrow(text, length);
}

std::string textOf(const SQLWCHAR *text, SQLLEN length)
{
    return fromWide(text, length);
}

// A text argument that may be left out (a null pointer).
template<typename Char> std::optional<std::string> optionalText(const Char *text, SQLSMALLINT length)
{
    return text ? std::optional(textOf(text, length)) : std::nullopt;
}

const std::string *given(const std::optional<std::string> &text)
{
    return text ? &*text : nullptr;
}

template<typename Char>
SQLRETURN driverConnect(SQLHDBC handle, Char *in, SQLSMALLINT inLength, Char *out, SQLSMALLINT outCapacity,
                        SQLSMALLINT *outLength)
{
    DBC(handle);
    std::string written;
    const SQLRETURN rc = standin::driverConnect(dbc, textOf(in, inLength), written);
    if (SQL_SUCCEEDED(rc) && (out || outLength)) {
        SQLLEN length = 0;
        putString(dbc, written, out, outCapacity, &length, Wide<Char>, false);
        if (outLength)
            *outLength = SQLSMALLINT(length);
    }
    return rc;
}

template<typename Char>
SQLRETURN connect(SQLHDBC handle, Char *dsn, SQLSMALLINT dsnLength, Char *user, SQLSMALLINT userLength, Char *password,
                  SQLSMALLINT passwordLength)
{
    DBC(handle);
    return standin::connect(dbc, dsnDatabase(textOf(dsn, dsnLength)), textOf(user, userLength),
                            textOf(password, passwordLength));
}

template<typename Char>
SQLRETURN setConnectAttr(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length)
{
    DBC(handle);
    std::string text;
    // The length of a text attribute counts bytes.
    if (attribute == SQL_ATTR_CURRENT_CATALOG)
        text = textOf(static_cast<Char *>(value), length == SQL_NTS ? SQL_NTS : length / SQLINTEGER(sizeof(Char)));
    return standin::setConnectAttr(dbc, attribute, value, text);
}

template<typename Char>
SQLRETURN nativeSql(SQLHDBC handle, Char *in, SQLINTEGER inLength, Char *out, SQLINTEGER capacity, SQLINTEGER *length)
{
    DBC(handle);
    SQLLEN written = 0;
    const SQLRETURN rc = putString(dbc, textOf(in, inLength), out, capacity, &written, Wide<Char>, false);
    if (length)
        *length = SQLINTEGER(written);
    return rc;
}

template<typename Char> SQLRETURN execDirect(SQLHSTMT handle, Char *text, SQLINTEGER length)
{
    STMT(handle);
    return standin::execDirect(stmt, textOf(text, length));
}

template<typename Char> SQLRETURN prepare(SQLHSTMT handle, Char *text, SQLINTEGER length)
{
    STMT(handle);
    return standin::prepare(stmt, textOf(text, length));
}

template<typename Char>
SQLRETURN describeColumn(SQLHSTMT handle, SQLUSMALLINT column, Char *name, SQLSMALLINT capacity,
                         SQLSMALLINT *nameLength, SQLSMALLINT *type, SQLULEN *size, SQLSMALLINT *decimals,
                         SQLSMALLINT *nullable)
{
    STMT(handle);
    std::string text;
    SQLRETURN rc = standin::describeColumn(stmt, column, text, type, size, decimals, nullable);
    if (rc != SQL_ERROR) {
        SQLLEN written = 0;
        const SQLRETURN put = putString(stmt, text, name, capacity, &written, Wide<Char>, false);
        if (nameLength)
            *nameLength = SQLSMALLINT(written);
        if (put != SQL_SUCCESS)
            rc = put;
    }
    return rc;
}

template<typename Char>
SQLRETURN tables(SQLHSTMT handle, Char *catalog, SQLSMALLINT catalogLength, Char *schema, SQLSMALLINT schemaLength,
                 Char *table, SQLSMALLINT tableLength, Char *types, SQLSMALLINT typesLength)
{
    STMT(handle);
    const auto c = optionalText(catalog, catalogLength), s = optionalText(schema, schemaLength),
               t = optionalText(table, tableLength), y = optionalText(types, typesLength);
    return standin::tables(stmt, given(c), given(s), given(t), given(y));
}

template<typename Char>
SQLRETURN columns(SQLHSTMT handle, Char *table, SQLSMALLINT tableLength, Char *column, SQLSMALLINT columnLength)
{
    STMT(handle);
    const auto t = optionalText(table, tableLength), c = optionalText(column, columnLength);
    return columnsOf(stmt, given(t), given(c));
}

template<typename Char> SQLRETURN primaryKeys(SQLHSTMT handle, Char *table, SQLSMALLINT tableLength)
{
    STMT(handle);
    return standin::primaryKeys(stmt, given(optionalText(table, tableLength)));
}

template<typename Char>
SQLRETURN getConnectAttr(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER capacity,
                         SQLINTEGER *length)
{
    DBC(handle);
    return standin::getConnectAttr(dbc, attribute, value, capacity, length, Wide<Char>);
}

template<typename Char>
SQLRETURN getInfo(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT capacity, SQLSMALLINT *length)
{
    DBC(handle);
    return standin::getInfo(dbc, type, value, capacity, length, Wide<Char>);
}

template<typename Char>
SQLRETURN columnAttribute(SQLHSTMT handle, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER buffer,
                          SQLSMALLINT capacity, SQLSMALLINT *length, SQLLEN *number)
{
    STMT(handle);
    return standin::columnAttribute(stmt, column, field, buffer, capacity, length, number, Wide<Char>);
}

// These take no text: narrow and wide are the same call.
SQLRETURN setStmtAttr(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value)
{
    STMT(handle);
    return standin::setStmtAttr(stmt, attribute, value);
}

SQLRETURN getStmtAttr(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER *length)
{
    STMT(handle);
    return standin::getStmtAttr(stmt, attribute, value, length);
}

SQLRETURN typeInfo(SQLHSTMT handle, SQLSMALLINT type)
{
    STMT(handle);
    return standin::typeInfo(stmt, type);
}

} // namespace entry
} // namespace

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE *output)
{
    TRACE();
    if (!output)
        return SQL_ERROR;
    switch (type) {
    case SQL_HANDLE_ENV:
        *output = new Env;
        return SQL_SUCCESS;
    case SQL_HANDLE_DBC: {
        Env *env = as<Env>(input, SQL_HANDLE_ENV);
        if (!env)
            return SQL_INVALID_HANDLE;
        *output = new Dbc(env);
        return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
        Dbc *dbc = as<Dbc>(input, SQL_HANDLE_DBC);
        if (!dbc)
            return SQL_INVALID_HANDLE;
        dbc->diags.clear();
        if (!dbc->connected)
            return dbc->fail("08003", "Connection not open");
        auto *stmt = new Stmt(dbc);
        dbc->statements.push_back(stmt);
        *output = stmt;
        return SQL_SUCCESS;
    }
    default:
        return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle)
{
    TRACE();
    switch (type) {
    case SQL_HANDLE_ENV:
        if (Env *env = as<Env>(handle, SQL_HANDLE_ENV)) {
            delete env;
            return SQL_SUCCESS;
        }
        return SQL_INVALID_HANDLE;
    case SQL_HANDLE_DBC:
        if (Dbc *dbc = as<Dbc>(handle, SQL_HANDLE_DBC)) {
            if (dbc->connected)
                disconnect(dbc);
            delete dbc;
            return SQL_SUCCESS;
        }
        return SQL_INVALID_HANDLE;
    case SQL_HANDLE_STMT:
        if (Stmt *stmt = as<Stmt>(handle, SQL_HANDLE_STMT)) {
            freeStatement(stmt);
            return SQL_SUCCESS;
        }
        return SQL_INVALID_HANDLE;
    default:
        return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option)
{
    TRACE();
    STMT(handle);
    switch (option) {
    case SQL_CLOSE:
        closeCursor(stmt);
        return SQL_SUCCESS;
    case SQL_DROP:
        freeStatement(stmt);
        return SQL_SUCCESS;
    case SQL_UNBIND:
        stmt->bindings.clear();
        return SQL_SUCCESS;
    case SQL_RESET_PARAMS:
        stmt->parameters.clear();
        return SQL_SUCCESS;
    default:
        return stmt->fail("HY092", "Invalid attribute/option identifier");
    }
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER)
{
    TRACE();
    Env *env = as<Env>(handle, SQL_HANDLE_ENV);
    if (!env)
        return SQL_INVALID_HANDLE;
    if (attribute == SQL_ATTR_ODBC_VERSION)
        env->version = SQLINTEGER(reinterpret_cast<intptr_t>(value));
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER, SQLINTEGER *length)
{
    TRACE();
    Env *env = as<Env>(handle, SQL_HANDLE_ENV);
    if (!env)
        return SQL_INVALID_HANDLE;
    SQLINTEGER number = 0;
    switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
        number = env->version;
        break;
    case SQL_ATTR_OUTPUT_NTS:
        number = SQL_TRUE;
        break;
    default:
        number = 0;
        break;
    }
    if (value)
        *static_cast<SQLINTEGER *>(value) = number;
    if (length)
        *length = sizeof number;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC handle, SQLHWND, SQLCHAR *in, SQLSMALLINT inLength, SQLCHAR *out,
                                   SQLSMALLINT outCapacity, SQLSMALLINT *outLength, SQLUSMALLINT)
{
    TRACE();
    return entry::driverConnect(handle, in, inLength, out, outCapacity, outLength);
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC handle, SQLHWND, SQLWCHAR *in, SQLSMALLINT inLength, SQLWCHAR *out,
                                    SQLSMALLINT outCapacity, SQLSMALLINT *outLength, SQLUSMALLINT)
{
    TRACE();
    return entry::driverConnect(handle, in, inLength, out, outCapacity, outLength);
}

SQLRETURN SQL_API SQLConnect(SQLHDBC handle, SQLCHAR *dsn, SQLSMALLINT dsnLength, SQLCHAR *user, SQLSMALLINT userLength,
                             SQLCHAR *password, SQLSMALLINT passwordLength)
{
    TRACE();
    return entry::connect(handle, dsn, dsnLength, user, userLength, password, passwordLength);
}

SQLRETURN SQL_API SQLConnectW(SQLHDBC handle, SQLWCHAR *dsn, SQLSMALLINT dsnLength, SQLWCHAR *user,
                              SQLSMALLINT userLength, SQLWCHAR *password, SQLSMALLINT passwordLength)
{
    TRACE();
    return entry::connect(handle, dsn, dsnLength, user, userLength, password, passwordLength);
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC handle)
{
    TRACE();
    DBC(handle);
    return disconnect(dbc);
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length)
{
    TRACE();
    return entry::setConnectAttr<SQLCHAR>(handle, attribute, value, length);
}

SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length)
{
    TRACE();
    return entry::setConnectAttr<SQLWCHAR>(handle, attribute, value, length);
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER capacity,
                                    SQLINTEGER *length)
{
    TRACE();
    return entry::getConnectAttr<SQLCHAR>(handle, attribute, value, capacity, length);
}

SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER capacity,
                                     SQLINTEGER *length)
{
    TRACE();
    return entry::getConnectAttr<SQLWCHAR>(handle, attribute, value, capacity, length);
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT capacity,
                             SQLSMALLINT *length)
{
    TRACE();
    return entry::getInfo<SQLCHAR>(handle, type, value, capacity, length);
}

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT capacity,
                              SQLSMALLINT *length)
{
    TRACE();
    return entry::getInfo<SQLWCHAR>(handle, type, value, capacity, length);
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC handle, SQLUSMALLINT function, SQLUSMALLINT *supported)
{
    TRACE();
    DBC(handle);
    if (!supported)
        return SQL_ERROR;
    if (function == SQL_API_ODBC3_ALL_FUNCTIONS) {
        std::memset(supported, 0, sizeof(SQLUSMALLINT) * SQL_API_ODBC3_ALL_FUNCTIONS_SIZE);
        for (SQLUSMALLINT f : Supported)
            supported[f >> 4] = SQLUSMALLINT(supported[f >> 4] | (1 << (f & 15)));
    } else if (function == SQL_API_ALL_FUNCTIONS) {
        std::memset(supported, 0, sizeof(SQLUSMALLINT) * 100);
        for (SQLUSMALLINT f : Supported) {
            if (f < 100)
                supported[f] = SQL_TRUE;
        }
    } else {
        *supported = std::find(std::begin(Supported), std::end(Supported), function) != std::end(Supported) ? SQL_TRUE
                                                                                                            : SQL_FALSE;
    }
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT)
{
    TRACE();
    if (type == SQL_HANDLE_DBC && !as<Dbc>(handle, SQL_HANDLE_DBC))
        return SQL_INVALID_HANDLE;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLNativeSql(SQLHDBC handle, SQLCHAR *in, SQLINTEGER inLength, SQLCHAR *out, SQLINTEGER capacity,
                               SQLINTEGER *length)
{
    TRACE();
    return entry::nativeSql(handle, in, inLength, out, capacity, length);
}

SQLRETURN SQL_API SQLNativeSqlW(SQLHDBC handle, SQLWCHAR *in, SQLINTEGER inLength, SQLWCHAR *out, SQLINTEGER capacity,
                                SQLINTEGER *length)
{
    TRACE();
    return entry::nativeSql(handle, in, inLength, out, capacity, length);
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT handle, SQLCHAR *text, SQLINTEGER length)
{
    TRACE();
    return entry::execDirect(handle, text, length);
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT handle, SQLWCHAR *text, SQLINTEGER length)
{
    TRACE();
    return entry::execDirect(handle, text, length);
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT handle, SQLCHAR *text, SQLINTEGER length)
{
    TRACE();
    return entry::prepare(handle, text, length);
}

SQLRETURN SQL_API SQLPrepareW(SQLHSTMT handle, SQLWCHAR *text, SQLINTEGER length)
{
    TRACE();
    return entry::prepare(handle, text, length);
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT handle)
{
    TRACE();
    STMT(handle);
    if (!stmt->prepared)
        return stmt->fail("HY010", "Function sequence error");
    return execute(stmt);
}

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT direction, SQLSMALLINT cType,
                                   SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT, SQLPOINTER buffer, SQLLEN capacity,
                                   SQLLEN *indicator)
{
    TRACE();
    STMT(handle);
    if (number < 1)
        return stmt->fail("07009", "Invalid Descriptor Index");
    if (direction != SQL_PARAM_INPUT)
        return stmt->fail("HYC00", "Optional feature not implemented");
    stmt->parameters[number] = Parameter{cType, sqlType, size, buffer, capacity, indicator};
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLNumParams(SQLHSTMT handle, SQLSMALLINT *count)
{
    TRACE();
    STMT(handle);
    if (count)
        *count = SQLSMALLINT(stmt->preparedParameters);
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT *count)
{
    TRACE();
    STMT(handle);
    if (count)
        *count = SQLSMALLINT(stmt->columns().size());
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT handle, SQLLEN *count)
{
    TRACE();
    STMT(handle);
    if (count)
        *count = -1;
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT handle, SQLUSMALLINT column, SQLCHAR *name, SQLSMALLINT capacity,
                                 SQLSMALLINT *nameLength, SQLSMALLINT *type, SQLULEN *size, SQLSMALLINT *decimals,
                                 SQLSMALLINT *nullable)
{
    TRACE();
    return entry::describeColumn(handle, column, name, capacity, nameLength, type, size, decimals, nullable);
}

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT handle, SQLUSMALLINT column, SQLWCHAR *name, SQLSMALLINT capacity,
                                  SQLSMALLINT *nameLength, SQLSMALLINT *type, SQLULEN *size, SQLSMALLINT *decimals,
                                  SQLSMALLINT *nullable)
{
    TRACE();
    return entry::describeColumn(handle, column, name, capacity, nameLength, type, size, decimals, nullable);
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT handle, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER buffer,
                                  SQLSMALLINT capacity, SQLSMALLINT *length, SQLLEN *number)
{
    TRACE();
    return entry::columnAttribute<SQLCHAR>(handle, column, field, buffer, capacity, length, number);
}

SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT handle, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER buffer,
                                   SQLSMALLINT capacity, SQLSMALLINT *length, SQLLEN *number)
{
    TRACE();
    return entry::columnAttribute<SQLWCHAR>(handle, column, field, buffer, capacity, length, number);
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER buffer, SQLLEN capacity,
                             SQLLEN *indicator)
{
    TRACE();
    STMT(handle);
    if (!buffer && !indicator)
        stmt->bindings.erase(column);
    else
        stmt->bindings[column] = Binding{type, buffer, capacity, indicator};
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT handle)
{
    TRACE();
    STMT(handle);
    return fetch(stmt);
}

SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT handle, SQLSMALLINT orientation, SQLLEN)
{
    TRACE();
    STMT(handle);
    if (orientation != SQL_FETCH_NEXT)
        return stmt->fail("HY106", "Fetch type out of range");
    return fetch(stmt);
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER buffer, SQLLEN capacity,
                             SQLLEN *indicator)
{
    TRACE();
    STMT(handle);
    return getData(stmt, column, type, buffer, capacity, indicator);
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT handle)
{
    TRACE();
    STMT(handle);
    if (stmt->dbc->dead())
        return linkFailure(stmt);
    if (!stmt->result && !queriesRemain(stmt))
        return SQL_NO_DATA;
    return startNext(stmt);
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT handle)
{
    TRACE();
    STMT(handle);
    if (!stmt->result)
        return stmt->fail("24000", "Invalid cursor state");
    closeCursor(stmt);
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLCancel(SQLHSTMT handle)
{
    TRACE();
    STMT(handle);
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER)
{
    TRACE();
    return entry::setStmtAttr(handle, attribute, value);
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER)
{
    TRACE();
    return entry::setStmtAttr(handle, attribute, value);
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                 SQLINTEGER *length)
{
    TRACE();
    return entry::getStmtAttr(handle, attribute, value, length);
}

SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                  SQLINTEGER *length)
{
    TRACE();
    return entry::getStmtAttr(handle, attribute, value, length);
}

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLCHAR *state,
                                SQLINTEGER *native, SQLCHAR *message, SQLSMALLINT capacity, SQLSMALLINT *length)
{
    TRACE();
    return getDiagRec(type, handle, record, state, native, message, capacity, length, false);
}

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR *state,
                                 SQLINTEGER *native, SQLWCHAR *message, SQLSMALLINT capacity, SQLSMALLINT *length)
{
    TRACE();
    return getDiagRec(type, handle, record, state, native, message, capacity, length, true);
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field,
                                  SQLPOINTER info, SQLSMALLINT capacity, SQLSMALLINT *length)
{
    TRACE();
    return getDiagField(type, handle, record, field, info, capacity, length, false);
}

SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field,
                                   SQLPOINTER info, SQLSMALLINT capacity, SQLSMALLINT *length)
{
    TRACE();
    return getDiagField(type, handle, record, field, info, capacity, length, true);
}

SQLRETURN SQL_API SQLTables(SQLHSTMT handle, SQLCHAR *catalog, SQLSMALLINT catalogLength, SQLCHAR *schema,
                            SQLSMALLINT schemaLength, SQLCHAR *table, SQLSMALLINT tableLength, SQLCHAR *types,
                            SQLSMALLINT typesLength)
{
    TRACE();
    return entry::tables(handle, catalog, catalogLength, schema, schemaLength, table, tableLength, types, typesLength);
}

SQLRETURN SQL_API SQLTablesW(SQLHSTMT handle, SQLWCHAR *catalog, SQLSMALLINT catalogLength, SQLWCHAR *schema,
                             SQLSMALLINT schemaLength, SQLWCHAR *table, SQLSMALLINT tableLength, SQLWCHAR *types,
                             SQLSMALLINT typesLength)
{
    TRACE();
    return entry::tables(handle, catalog, catalogLength, schema, schemaLength, table, tableLength, types, typesLength);
}

SQLRETURN SQL_API SQLColumns(SQLHSTMT handle, SQLCHAR *, SQLSMALLINT, SQLCHAR *, SQLSMALLINT, SQLCHAR *table,
                             SQLSMALLINT tableLength, SQLCHAR *column, SQLSMALLINT columnLength)
{
    TRACE();
    return entry::columns(handle, table, tableLength, column, columnLength);
}

SQLRETURN SQL_API SQLColumnsW(SQLHSTMT handle, SQLWCHAR *, SQLSMALLINT, SQLWCHAR *, SQLSMALLINT, SQLWCHAR *table,
                              SQLSMALLINT tableLength, SQLWCHAR *column, SQLSMALLINT columnLength)
{
    TRACE();
    return entry::columns(handle, table, tableLength, column, columnLength);
}

SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT handle, SQLCHAR *, SQLSMALLINT, SQLCHAR *, SQLSMALLINT, SQLCHAR *table,
                                 SQLSMALLINT tableLength)
{
    TRACE();
    return entry::primaryKeys(handle, table, tableLength);
}

SQLRETURN SQL_API SQLPrimaryKeysW(SQLHSTMT handle, SQLWCHAR *, SQLSMALLINT, SQLWCHAR *, SQLSMALLINT, SQLWCHAR *table,
                                  SQLSMALLINT tableLength)
{
    TRACE();
    return entry::primaryKeys(handle, table, tableLength);
}

SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT handle, SQLSMALLINT type)
{
    TRACE();
    return entry::typeInfo(handle, type);
}

SQLRETURN SQL_API SQLGetTypeInfoW(SQLHSTMT handle, SQLSMALLINT type)
{
    TRACE();
    return entry::typeInfo(handle, type);
}

} // extern "C"
