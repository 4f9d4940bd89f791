// The ODBC entry points of the SQL Server stand-in: handles, connecting,
// executing, fetching and reading data. The narrow entry points take and
// give UTF-8; the wide ones UTF-16, converted at the boundary.

#include "odbc.h"

#include <odbcinst.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <thread>

using namespace standin;

namespace standin {

std::u16string toUtf16(const std::string &text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        char32_t cp = c;
        size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 0;
        if (extra && i + extra < text.size() + 0) {
            cp = c & (0x3f >> extra);
            for (size_t k = 1; k <= extra && i + k < text.size(); ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3f);
        } else {
            extra = 0;
        }
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xd800 + (cp >> 10)));
            out.push_back(char16_t(0xdc00 + (cp & 0x3ff)));
        } else {
            out.push_back(char16_t(cp));
        }
    }
    return out;
}

std::string fromWide(const SQLWCHAR *text, SQLLEN length)
{
    std::string out;
    if (!text)
        return out;
    // Qt counts the terminating zero into the length it passes; the text ends there.
    SQLLEN end = 0;
    while ((length == SQL_NTS || end < length) && text[end])
        ++end;
    length = end;
    for (SQLLEN i = 0; i < length; ++i) {
        char32_t cp = text[i];
        if (cp >= 0xd800 && cp < 0xdc00 && i + 1 < length && text[i + 1] >= 0xdc00 && text[i + 1] < 0xe000)
            cp = 0x10000 + ((cp - 0xd800) << 10) + (text[++i] - 0xdc00);
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xc0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3f));
        } else if (cp < 0x10000) {
            out += char(0xe0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3f));
            out += char(0x80 | (cp & 0x3f));
        } else {
            out += char(0xf0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3f));
            out += char(0x80 | ((cp >> 6) & 0x3f));
            out += char(0x80 | (cp & 0x3f));
        }
    }
    return out;
}

SQLRETURN putString(Handle *handle, const std::string &text, SQLPOINTER buffer, SQLLEN capacity, SQLLEN *length,
                    bool wide, bool bytes)
{
    if (wide) {
        const std::u16string units = toUtf16(text);
        const SQLLEN total = SQLLEN(units.size());
        if (length)
            *length = bytes ? total * SQLLEN(sizeof(SQLWCHAR)) : total;
        const SQLLEN room = bytes ? capacity / SQLLEN(sizeof(SQLWCHAR)) : capacity;
        if (buffer && room > 0) {
            const SQLLEN n = std::min(total, room - 1);
            auto *out = static_cast<SQLWCHAR *>(buffer);
            for (SQLLEN k = 0; k < n; ++k)
                out[k] = units[size_t(k)];
            out[n] = 0;
        }
        if (total >= room && (buffer || room > 0)) {
            handle->warn("01004", "String data, right truncated");
            return SQL_SUCCESS_WITH_INFO;
        }
        return SQL_SUCCESS;
    }
    const SQLLEN total = SQLLEN(text.size());
    if (length)
        *length = total;
    if (buffer && capacity > 0) {
        const SQLLEN n = std::min(total, capacity - 1);
        std::memcpy(buffer, text.data(), size_t(n));
        static_cast<char *>(buffer)[n] = 0;
    }
    if (total >= capacity && (buffer || capacity > 0)) {
        handle->warn("01004", "String data, right truncated");
        return SQL_SUCCESS_WITH_INFO;
    }
    return SQL_SUCCESS;
}

} // namespace standin

namespace {

template<typename T>
T *as(SQLHANDLE handle, SQLSMALLINT type)
{
    auto *h = static_cast<Handle *>(handle);
    return h && h->type == type ? static_cast<T *>(h) : nullptr;
}

std::string narrow(const SQLCHAR *text, SQLLEN length)
{
    if (!text)
        return {};
    const auto *chars = reinterpret_cast<const char *>(text);
    return length == SQL_NTS ? std::string(chars) : std::string(chars, strnlen(chars, size_t(length)));
}

Value integer(long long n)
{
    Value v;
    v.type = Value::Int;
    v.i = n;
    return v;
}

void releaseBusy(Stmt *stmt)
{
    if (stmt->dbc->busy == stmt)
        stmt->dbc->busy = nullptr;
}

void closeCursor(Stmt *stmt)
{
    stmt->result.reset();
    stmt->row.clear();
    stmt->onRow = false;
    stmt->atEnd = false;
    stmt->nextInBatch = stmt->batch.size();
    releaseBusy(stmt);
}

bool queriesRemain(const Stmt *stmt)
{
    for (size_t k = stmt->nextInBatch; k < stmt->batch.size(); ++k) {
        if (stmt->batch[k].kind == Translated::Kind::Query)
            return true;
    }
    return false;
}

SQLRETURN linkFailure(Handle *handle)
{
    return handle->fail("08S01", "Communication link failure");
}

// Runs the batch's next query: SQL_SUCCESS with a result, SQL_NO_DATA when
// no query is left.
SQLRETURN startNext(Stmt *stmt)
{
    stmt->result.reset();
    stmt->row.clear();
    stmt->onRow = false;
    stmt->atEnd = false;
    stmt->fetched = 0;
    stmt->lastColumn = 0;
    while (stmt->nextInBatch < stmt->batch.size()) {
        const Translated &next = stmt->batch[stmt->nextInBatch++];
        if (next.kind != Translated::Kind::Query)
            continue;
        control::trace(("  as " + next.sql).c_str());
        ServerError error;
        std::vector<Value> parameters;
        int needed = 0;
        std::vector<Column> unused;
        if (!stmt->dbc->session.describe(next, unused, needed, error)) {
            closeCursor(stmt);
            return stmt->fail(error);
        }
        if (stmt->parameterOffset + size_t(needed) > stmt->parameterValues.size()) {
            closeCursor(stmt);
            return stmt->fail("07002", "COUNT field incorrect or syntax error");
        }
        parameters.assign(stmt->parameterValues.begin() + long(stmt->parameterOffset),
                          stmt->parameterValues.begin() + long(stmt->parameterOffset) + needed);
        stmt->parameterOffset += size_t(needed);
        stmt->result = stmt->dbc->session.run(next, parameters, error);
        if (!stmt->result) {
            closeCursor(stmt);
            return stmt->fail(error);
        }
        stmt->dbc->busy = stmt;
        return SQL_SUCCESS;
    }
    releaseBusy(stmt);
    return SQL_NO_DATA;
}

// The application's parameter buffers as values.
bool readParameters(Stmt *stmt)
{
    stmt->parameterValues.clear();
    if (stmt->parameters.empty())
        return true;
    const SQLUSMALLINT last = stmt->parameters.rbegin()->first;
    for (SQLUSMALLINT k = 1; k <= last; ++k) {
        const auto found = stmt->parameters.find(k);
        if (found == stmt->parameters.end()) {
            stmt->fail("07002", "COUNT field incorrect or syntax error");
            return false;
        }
        const Parameter &p = found->second;
        Value v;
        const SQLLEN indicator = p.indicator ? *p.indicator : SQL_NTS;
        if (indicator == SQL_NULL_DATA || !p.buffer) {
            stmt->parameterValues.push_back(v);
            continue;
        }
        if (indicator == SQL_DATA_AT_EXEC || indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET) {
            stmt->fail("HYC00", "Optional feature not implemented");
            return false;
        }
        SQLSMALLINT type = p.cType;
        if (type == SQL_C_DEFAULT)
            type = p.sqlType == SQL_WVARCHAR || p.sqlType == SQL_WCHAR || p.sqlType == SQL_WLONGVARCHAR ? SQL_C_WCHAR : SQL_C_CHAR;
        switch (type) {
        case SQL_C_CHAR:
            v.type = Value::Text;
            v.s = indicator == SQL_NTS ? std::string(static_cast<const char *>(p.buffer))
                                       : std::string(static_cast<const char *>(p.buffer), size_t(indicator));
            break;
        case SQL_C_WCHAR:
            v.type = Value::Text;
            v.s = fromWide(static_cast<const SQLWCHAR *>(p.buffer),
                           indicator == SQL_NTS ? SQL_NTS : indicator / SQLLEN(sizeof(SQLWCHAR)));
            break;
        case SQL_C_BINARY:
            v.type = Value::Blob;
            v.s.assign(static_cast<const char *>(p.buffer), size_t(indicator < 0 ? p.capacity : indicator));
            break;
        case SQL_C_SLONG:
        case SQL_C_LONG:
            v = integer(*static_cast<const SQLINTEGER *>(p.buffer));
            break;
        case SQL_C_ULONG:
            v = integer(*static_cast<const SQLUINTEGER *>(p.buffer));
            break;
        case SQL_C_SSHORT:
        case SQL_C_SHORT:
            v = integer(*static_cast<const SQLSMALLINT *>(p.buffer));
            break;
        case SQL_C_USHORT:
            v = integer(*static_cast<const SQLUSMALLINT *>(p.buffer));
            break;
        case SQL_C_SBIGINT:
            v = integer(*static_cast<const SQLBIGINT *>(p.buffer));
            break;
        case SQL_C_UBIGINT:
            v = integer(static_cast<long long>(*static_cast<const SQLUBIGINT *>(p.buffer)));
            break;
        case SQL_C_BIT:
        case SQL_C_UTINYINT:
        case SQL_C_TINYINT:
        case SQL_C_STINYINT:
            v = integer(*static_cast<const unsigned char *>(p.buffer));
            break;
        case SQL_C_DOUBLE:
            v.type = Value::Real;
            v.r = *static_cast<const SQLDOUBLE *>(p.buffer);
            break;
        case SQL_C_FLOAT:
            v.type = Value::Real;
            v.r = *static_cast<const SQLREAL *>(p.buffer);
            break;
        case SQL_C_TYPE_TIMESTAMP:
        case SQL_C_TIMESTAMP: {
            const auto *t = static_cast<const SQL_TIMESTAMP_STRUCT *>(p.buffer);
            char text[80];
            std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u", t->year, t->month, t->day, t->hour,
                          t->minute, t->second);
            v.type = Value::Text;
            v.s = text;
            if (t->fraction) {
                std::snprintf(text, sizeof text, ".%03u", unsigned(t->fraction / 1000000));
                v.s += text;
            }
            break;
        }
        case SQL_C_TYPE_DATE:
        case SQL_C_DATE: {
            const auto *d = static_cast<const SQL_DATE_STRUCT *>(p.buffer);
            char text[48];
            std::snprintf(text, sizeof text, "%04d-%02u-%02u 00:00:00", d->year, d->month, d->day);
            v.type = Value::Text;
            v.s = text;
            break;
        }
        case SQL_C_TYPE_TIME:
        case SQL_C_TIME: {
            const auto *t = static_cast<const SQL_TIME_STRUCT *>(p.buffer);
            char text[48];
            std::snprintf(text, sizeof text, "%02u:%02u:%02u", t->hour, t->minute, t->second);
            v.type = Value::Text;
            v.s = text;
            break;
        }
        default:
            stmt->fail("HY003", "Invalid application buffer type");
            return false;
        }
        stmt->parameterValues.push_back(v);
    }
    return true;
}

SQLRETURN execute(Stmt *stmt)
{
    Dbc *dbc = stmt->dbc;
    if (!dbc->connected)
        return stmt->fail("08003", "Connection not open");
    if (dbc->dead())
        return linkFailure(stmt);
    if (dbc->busy && dbc->busy != stmt)
        return stmt->fail("HY000", "Connection is busy with results for another command");
    if (stmt->result)
        return stmt->fail("24000", "Invalid cursor state");
    if (!readParameters(stmt))
        return SQL_ERROR;
    stmt->nextInBatch = 0;
    stmt->parameterOffset = 0;
    const SQLRETURN rc = startNext(stmt);
    return rc == SQL_NO_DATA ? SQL_SUCCESS : rc;
}

SQLRETURN prepare(Stmt *stmt, const std::string &text)
{
    control::trace(("  " + text).c_str());
    Dbc *dbc = stmt->dbc;
    if (dbc->dead())
        return linkFailure(stmt);
    if (stmt->result)
        return stmt->fail("24000", "Invalid cursor state");
    ServerError error;
    stmt->prepared = false;
    stmt->preparedColumns.clear();
    stmt->preparedParameters = 0;
    if (!translate(text, stmt->batch, error))
        return stmt->fail(error);
    for (const Translated &t : stmt->batch) {
        if (t.kind != Translated::Kind::Query)
            continue;
        std::vector<Column> columns;
        int parameters = 0;
        if (!dbc->session.describe(t, columns, parameters, error))
            return stmt->fail(error);
        if (stmt->preparedColumns.empty())
            stmt->preparedColumns = columns;
        stmt->preparedParameters += parameters;
    }
    stmt->prepared = true;
    return SQL_SUCCESS;
}

SQLRETURN execDirect(Stmt *stmt, const std::string &text)
{
    control::trace(("  " + text).c_str());
    Dbc *dbc = stmt->dbc;
    if (!dbc->connected)
        return stmt->fail("08003", "Connection not open");
    if (dbc->dead())
        return linkFailure(stmt);
    if (dbc->busy && dbc->busy != stmt)
        return stmt->fail("HY000", "Connection is busy with results for another command");
    if (stmt->result)
        return stmt->fail("24000", "Invalid cursor state");
    ServerError error;
    stmt->prepared = false;
    if (!translate(text, stmt->batch, error))
        return stmt->fail(error);
    return execute(stmt);
}

// ------------------------------------------------------------- data

bool parseTimestamp(const std::string &text, SQL_TIMESTAMP_STRUCT &out)
{
    out = {};
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int used = 0;
    const char *s = text.c_str();
    while (*s == ' ')
        ++s;
    if (std::sscanf(s, "%4u-%2u-%2u%n", &year, &month, &day, &used) == 3) {
        s += used;
        if (*s == ' ' || *s == 'T') {
            ++s;
            used = 0;
            if (std::sscanf(s, "%2u:%2u%n", &hour, &minute, &used) != 2)
                return false;
            s += used;
            if (*s == ':') {
                used = 0;
                if (std::sscanf(s + 1, "%2u%n", &second, &used) != 1)
                    return false;
                s += used + 1;
            }
        }
    } else if (std::sscanf(s, "%2u:%2u:%2u%n", &hour, &minute, &second, &used) == 3) {
        year = 1900;
        month = day = 1;
        s += used;
    } else {
        return false;
    }
    unsigned long fraction = 0;
    if (*s == '.') {
        ++s;
        unsigned long scale = 100000000;
        while (*s >= '0' && *s <= '9') {
            fraction += static_cast<unsigned long>(*s - '0') * scale;
            scale /= 10;
            ++s;
        }
    }
    while (*s == ' ')
        ++s;
    if (*s || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
        return false;
    out.year = SQLSMALLINT(year);
    out.month = SQLUSMALLINT(month);
    out.day = SQLUSMALLINT(day);
    out.hour = SQLUSMALLINT(hour);
    out.minute = SQLUSMALLINT(minute);
    out.second = SQLUSMALLINT(second);
    out.fraction = SQLUINTEGER(fraction);
    return true;
}

bool isDateType(SQLSMALLINT type)
{
    return type == SQL_TYPE_TIMESTAMP || type == SQL_TYPE_TIME;
}

std::string realText(double r)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", r);
    if (std::strtod(text, nullptr) != r)
        std::snprintf(text, sizeof text, "%.17g", r);
    return text;
}

// The value as text, as SQL Server converts it to a character type.
bool valueText(Handle *handle, const Value &v, const Column &column, std::string &out)
{
    switch (v.type) {
    case Value::Int:
        out = std::to_string(v.i);
        return true;
    case Value::Real:
        out = realText(v.r);
        return true;
    case Value::Blob: {
        static const char digits[] = "0123456789ABCDEF";
        out.clear();
        for (unsigned char c : v.s) {
            out += digits[c >> 4];
            out += digits[c & 15];
        }
        return true;
    }
    case Value::Text:
        if (isDateType(column.sqlType)) {
            SQL_TIMESTAMP_STRUCT t;
            if (!parseTimestamp(v.s, t)) {
                handle->fail("22007", "Invalid datetime format");
                return false;
            }
            char text[80];
            if (column.sqlType == SQL_TYPE_TIME)
                std::snprintf(text, sizeof text, "%02u:%02u:%02u", t.hour, t.minute, t.second);
            else
                std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u.%03u", t.year, t.month, t.day, t.hour,
                              t.minute, t.second, unsigned(t.fraction / 1000000));
            out = text;
            return true;
        }
        out = v.s;
        return true;
    case Value::Null:
        break;
    }
    out.clear();
    return true;
}

bool numberOf(Handle *handle, const Value &v, long long &integer, double &real, bool &isReal)
{
    isReal = false;
    switch (v.type) {
    case Value::Int:
        integer = v.i;
        real = double(v.i);
        return true;
    case Value::Real:
        real = v.r;
        integer = std::isfinite(v.r) && std::fabs(v.r) < 9.2e18 ? static_cast<long long>(v.r) : 0;
        isReal = true;
        return true;
    case Value::Text: {
        char *end = nullptr;
        const char *s = v.s.c_str();
        real = std::strtod(s, &end);
        while (end && *end == ' ')
            ++end;
        if (v.s.empty() || !end || *end) {
            handle->fail("22018", "Invalid character value for cast specification");
            return false;
        }
        integer = std::fabs(real) < 9.2e18 ? static_cast<long long>(real) : 0;
        isReal = real != double(integer);
        return true;
    }
    default:
        handle->fail("07006", "Restricted data type attribute violation");
        return false;
    }
}

SQLSMALLINT defaultCType(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_WVARCHAR:
    case SQL_WCHAR:
    case SQL_WLONGVARCHAR:
        return SQL_C_WCHAR;
    case SQL_INTEGER:
        return SQL_C_SLONG;
    case SQL_BIGINT:
        return SQL_C_SBIGINT;
    case SQL_SMALLINT:
        return SQL_C_SSHORT;
    case SQL_TINYINT:
        return SQL_C_UTINYINT;
    case SQL_BIT:
        return SQL_C_BIT;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return SQL_C_DOUBLE;
    case SQL_REAL:
        return SQL_C_FLOAT;
    case SQL_TYPE_TIMESTAMP:
        return SQL_C_TYPE_TIMESTAMP;
    case SQL_TYPE_TIME:
        return SQL_C_TYPE_TIME;
    case SQL_VARBINARY:
        return SQL_C_BINARY;
    default:
        return SQL_C_CHAR;
    }
}

template<typename T>
SQLRETURN putFixed(SQLPOINTER buffer, SQLLEN *indicator, T value)
{
    if (buffer)
        std::memcpy(buffer, &value, sizeof value);
    if (indicator)
        *indicator = SQLLEN(sizeof value);
    return SQL_SUCCESS;
}

// Converts one value into an application buffer. Character and binary data
// continue from `offset` and set `done` when the last piece was given.
SQLRETURN convert(Handle *handle, const Value &v, const Column &column, SQLSMALLINT cType, SQLPOINTER buffer,
                  SQLLEN capacity, SQLLEN *indicator, size_t &offset, bool &done)
{
    if (v.type == Value::Null) {
        if (!indicator)
            return handle->fail("22002", "Indicator variable required but not supplied");
        *indicator = SQL_NULL_DATA;
        done = true;
        return SQL_SUCCESS;
    }
    if (cType == SQL_C_DEFAULT)
        cType = defaultCType(column.sqlType);
    if (cType == SQL_C_CHAR || cType == SQL_C_WCHAR || cType == SQL_C_BINARY) {
        std::string bytes;
        if (cType == SQL_C_BINARY && (v.type == Value::Blob || v.type == Value::Text)) {
            bytes = v.s;
        } else {
            std::string text;
            if (!valueText(handle, v, column, text))
                return SQL_ERROR;
            if (cType == SQL_C_WCHAR) {
                const std::u16string units = toUtf16(text);
                bytes.resize(units.size() * sizeof(SQLWCHAR));
                for (size_t k = 0; k < units.size(); ++k) {
                    const SQLWCHAR unit = units[k];
                    std::memcpy(&bytes[k * sizeof(SQLWCHAR)], &unit, sizeof unit);
                }
            } else {
                bytes = text;
            }
        }
        const size_t terminator = cType == SQL_C_WCHAR ? sizeof(SQLWCHAR) : cType == SQL_C_CHAR ? 1 : 0;
        const size_t remaining = bytes.size() - std::min(offset, bytes.size());
        if (indicator)
            *indicator = SQLLEN(remaining);
        if (!buffer || capacity < SQLLEN(terminator) || (capacity == 0 && remaining > 0)) {
            handle->warn("01004", "String data, right truncated");
            return SQL_SUCCESS_WITH_INFO;
        }
        size_t room = size_t(capacity) - terminator;
        if (cType == SQL_C_WCHAR)
            room -= room % sizeof(SQLWCHAR);
        const size_t n = std::min(room, remaining);
        std::memcpy(buffer, bytes.data() + offset, n);
        if (terminator)
            std::memset(static_cast<char *>(buffer) + n, 0, terminator);
        offset += n;
        if (n < remaining) {
            handle->warn("01004", "String data, right truncated");
            return SQL_SUCCESS_WITH_INFO;
        }
        done = true;
        return SQL_SUCCESS;
    }

    done = true;
    switch (cType) {
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE:
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME: {
        if (v.type != Value::Text)
            return handle->fail("07006", "Restricted data type attribute violation");
        SQL_TIMESTAMP_STRUCT t;
        if (!parseTimestamp(v.s, t))
            return handle->fail("22018", "Invalid character value for cast specification");
        if (cType == SQL_C_TYPE_TIMESTAMP || cType == SQL_C_TIMESTAMP)
            return putFixed(buffer, indicator, t);
        if (cType == SQL_C_TYPE_DATE || cType == SQL_C_DATE)
            return putFixed(buffer, indicator, SQL_DATE_STRUCT{t.year, t.month, t.day});
        return putFixed(buffer, indicator, SQL_TIME_STRUCT{t.hour, t.minute, t.second});
    }
    default:
        break;
    }
    long long integer = 0;
    double real = 0;
    bool isReal = false;
    if (!numberOf(handle, v, integer, real, isReal))
        return SQL_ERROR;
    const auto inRange = [&](long long low, long long high) {
        if (integer < low || integer > high || (isReal && (real < double(low) - 1 || real > double(high) + 1))) {
            handle->fail("22003", "Numeric value out of range");
            return false;
        }
        return true;
    };
    switch (cType) {
    case SQL_C_SLONG:
    case SQL_C_LONG:
        return inRange(INT32_MIN, INT32_MAX) ? putFixed(buffer, indicator, SQLINTEGER(integer)) : SQL_ERROR;
    case SQL_C_ULONG:
        return inRange(0, UINT32_MAX) ? putFixed(buffer, indicator, SQLUINTEGER(integer)) : SQL_ERROR;
    case SQL_C_SSHORT:
    case SQL_C_SHORT:
        return inRange(INT16_MIN, INT16_MAX) ? putFixed(buffer, indicator, SQLSMALLINT(integer)) : SQL_ERROR;
    case SQL_C_USHORT:
        return inRange(0, UINT16_MAX) ? putFixed(buffer, indicator, SQLUSMALLINT(integer)) : SQL_ERROR;
    case SQL_C_STINYINT:
    case SQL_C_TINYINT:
        return inRange(INT8_MIN, INT8_MAX) ? putFixed(buffer, indicator, SQLSCHAR(integer)) : SQL_ERROR;
    case SQL_C_UTINYINT:
        return inRange(0, UINT8_MAX) ? putFixed(buffer, indicator, SQLCHAR(integer)) : SQL_ERROR;
    case SQL_C_BIT:
        return inRange(0, 1) ? putFixed(buffer, indicator, SQLCHAR(integer)) : SQL_ERROR;
    case SQL_C_SBIGINT:
        return putFixed(buffer, indicator, SQLBIGINT(integer));
    case SQL_C_UBIGINT:
        return inRange(0, std::numeric_limits<long long>::max()) ? putFixed(buffer, indicator, SQLUBIGINT(integer))
                                                                 : SQL_ERROR;
    case SQL_C_DOUBLE:
        return putFixed(buffer, indicator, SQLDOUBLE(real));
    case SQL_C_FLOAT:
        return putFixed(buffer, indicator, SQLREAL(real));
    default:
        return handle->fail("HY003", "Invalid application buffer type");
    }
}

SQLRETURN fetch(Stmt *stmt)
{
    if (!stmt->result)
        return stmt->fail("24000", "Invalid cursor state");
    if (stmt->dbc->dead())
        return linkFailure(stmt);
    if (stmt->atEnd)
        return SQL_NO_DATA;
    if (control::dropsAfter(stmt->fetched)) {
        stmt->dbc->live.dead = true;
        closeCursor(stmt);
        stmt->diags.push_back({"08S01", 10054, DriverPrefix + "TCP Provider: An existing connection was forcibly closed by the remote host.\n"});
        return linkFailure(stmt);
    }
    ServerError error;
    const int rc = stmt->result->next(stmt->row, error);
    if (rc < 0) {
        closeCursor(stmt);
        return stmt->fail(error);
    }
    stmt->lastColumn = 0;
    if (rc == 0) {
        stmt->onRow = false;
        stmt->atEnd = true;
        if (!queriesRemain(stmt))
            releaseBusy(stmt);
        if (stmt->rowsFetched)
            *stmt->rowsFetched = 0;
        return SQL_NO_DATA;
    }
    stmt->onRow = true;
    ++stmt->fetched;
    if (stmt->rowsFetched)
        *stmt->rowsFetched = 1;
    SQLRETURN result = SQL_SUCCESS;
    for (const auto &[number, binding] : stmt->bindings) {
        if (number < 1 || number > stmt->row.size())
            continue;
        size_t offset = 0;
        bool done = false;
        const SQLRETURN one = convert(stmt, stmt->row[number - 1], stmt->result->columns[number - 1], binding.type,
                                      binding.buffer, binding.capacity, binding.indicator, offset, done);
        if (one == SQL_ERROR)
            result = SQL_SUCCESS_WITH_INFO;
        else if (one == SQL_SUCCESS_WITH_INFO)
            result = SQL_SUCCESS_WITH_INFO;
    }
    if (stmt->rowStatus)
        *stmt->rowStatus = result == SQL_SUCCESS ? SQL_ROW_SUCCESS : SQL_ROW_SUCCESS_WITH_INFO;
    return result;
}

SQLRETURN getData(Stmt *stmt, SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER buffer, SQLLEN capacity,
                  SQLLEN *indicator)
{
    if (!stmt->result || !stmt->onRow)
        return stmt->fail("24000", "Invalid cursor state");
    if (stmt->dbc->dead())
        return linkFailure(stmt);
    // SQL Server's drivers hand out columns in ascending order only.
    if (column < 1 || column > stmt->row.size() || column < stmt->lastColumn)
        return stmt->fail("07009", "Invalid Descriptor Index");
    if (column != stmt->lastColumn) {
        stmt->lastColumn = column;
        stmt->offset = 0;
        stmt->columnDone = false;
    } else if (stmt->columnDone) {
        return SQL_NO_DATA;
    }
    return convert(stmt, stmt->row[column - 1], stmt->result->columns[column - 1], cType, buffer, capacity, indicator,
                   stmt->offset, stmt->columnDone);
}

// ------------------------------------------------------------- connect

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

void freeStatement(Stmt *stmt)
{
    closeCursor(stmt);
    auto &list = stmt->dbc->statements;
    list.erase(std::remove(list.begin(), list.end(), stmt), list.end());
    delete stmt;
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

// ------------------------------------------------------------- attributes

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
            return dbc->fail(ServerError{"08004", 911, "Database '" + text
                                                           + "' does not exist. Make sure that the name is entered correctly."});
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
        const int index = attribute == SQL_ATTR_APP_ROW_DESC ? 0 : attribute == SQL_ATTR_APP_PARAM_DESC ? 1
                        : attribute == SQL_ATTR_IMP_ROW_DESC ? 2 : 3;
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

const SQLUSMALLINT Supported[] = {
    SQL_API_SQLALLOCHANDLE,   SQL_API_SQLBINDCOL,       SQL_API_SQLBINDPARAMETER,  SQL_API_SQLCANCEL,
    SQL_API_SQLCLOSECURSOR,   SQL_API_SQLCOLATTRIBUTE,  SQL_API_SQLCOLUMNS,        SQL_API_SQLCONNECT,
    SQL_API_SQLDESCRIBECOL,   SQL_API_SQLDISCONNECT,    SQL_API_SQLDRIVERCONNECT,  SQL_API_SQLENDTRAN,
    SQL_API_SQLEXECDIRECT,    SQL_API_SQLEXECUTE,       SQL_API_SQLFETCH,          SQL_API_SQLFETCHSCROLL,
    SQL_API_SQLFREEHANDLE,    SQL_API_SQLFREESTMT,      SQL_API_SQLGETCONNECTATTR, SQL_API_SQLGETDATA,
    SQL_API_SQLGETDIAGFIELD,  SQL_API_SQLGETDIAGREC,    SQL_API_SQLGETENVATTR,     SQL_API_SQLGETFUNCTIONS,
    SQL_API_SQLGETINFO,       SQL_API_SQLGETSTMTATTR,   SQL_API_SQLGETTYPEINFO,    SQL_API_SQLMORERESULTS,
    SQL_API_SQLNATIVESQL,     SQL_API_SQLNUMPARAMS,     SQL_API_SQLNUMRESULTCOLS,  SQL_API_SQLPREPARE,
    SQL_API_SQLPRIMARYKEYS,   SQL_API_SQLROWCOUNT,      SQL_API_SQLSETCONNECTATTR, SQL_API_SQLSETENVATTR,
    SQL_API_SQLSETSTMTATTR,   SQL_API_SQLTABLES,
};

SQLRETURN getDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field, SQLPOINTER info,
                       SQLSMALLINT capacity, SQLSMALLINT *length, bool wide)
{
    auto *h = static_cast<Handle *>(handle);
    if (!h || h->type != type)
        return SQL_INVALID_HANDLE;
    switch (field) {
    case SQL_DIAG_NUMBER:
        if (info)
            *static_cast<SQLINTEGER *>(info) = SQLINTEGER(h->diags.size());
        return SQL_SUCCESS;
    case SQL_DIAG_RETURNCODE:
        if (info)
            *static_cast<SQLRETURN *>(info) = h->diags.empty() ? SQL_SUCCESS : SQL_ERROR;
        return SQL_SUCCESS;
    case SQL_DIAG_ROW_COUNT:
    case SQL_DIAG_CURSOR_ROW_COUNT:
        if (info)
            *static_cast<SQLLEN *>(info) = -1;
        return SQL_SUCCESS;
    default:
        break;
    }
    if (record < 1 || size_t(record) > h->diags.size())
        return SQL_NO_DATA;
    const Diag &d = h->diags[size_t(record - 1)];
    SQLLEN written = 0;
    SQLRETURN rc = SQL_SUCCESS;
    switch (field) {
    case SQL_DIAG_SQLSTATE:
        rc = putString(h, d.state, info, capacity, &written, wide, true);
        break;
    case SQL_DIAG_MESSAGE_TEXT:
        rc = putString(h, d.message, info, capacity, &written, wide, true);
        break;
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
        rc = putString(h, d.state.rfind("IM", 0) == 0 ? "ODBC 3.0" : "ISO 9075", info, capacity, &written, wide, true);
        break;
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
        rc = putString(h, "", info, capacity, &written, wide, true);
        break;
    case SQL_DIAG_NATIVE:
        if (info)
            *static_cast<SQLINTEGER *>(info) = d.native;
        return SQL_SUCCESS;
    case SQL_DIAG_COLUMN_NUMBER:
        if (info)
            *static_cast<SQLINTEGER *>(info) = SQL_COLUMN_NUMBER_UNKNOWN;
        return SQL_SUCCESS;
    case SQL_DIAG_ROW_NUMBER:
        if (info)
            *static_cast<SQLLEN *>(info) = SQL_ROW_NUMBER_UNKNOWN;
        return SQL_SUCCESS;
    default:
        return SQL_ERROR;
    }
    if (length)
        *length = SQLSMALLINT(written);
    return rc;
}

SQLRETURN getDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLPOINTER state, SQLINTEGER *native,
                     SQLPOINTER message, SQLSMALLINT capacity, SQLSMALLINT *length, bool wide)
{
    auto *h = static_cast<Handle *>(handle);
    if (!h || h->type != type)
        return SQL_INVALID_HANDLE;
    if (record < 1)
        return SQL_ERROR;
    if (size_t(record) > h->diags.size())
        return SQL_NO_DATA;
    const Diag d = h->diags[size_t(record - 1)];
    if (state) {
        SQLLEN ignored = 0;
        putString(h, d.state, state, 6, &ignored, wide, false);
    }
    if (native)
        *native = d.native;
    SQLLEN written = 0;
    const size_t before = h->diags.size();
    const SQLRETURN rc = putString(h, d.message, message, capacity, &written, wide, false);
    h->diags.resize(before); // a truncated message is no new diagnostic
    if (length)
        *length = SQLSMALLINT(written);
    return rc;
}

} // namespace

namespace standin {

SQLRETURN startResult(Stmt *stmt, std::unique_ptr<Result> result)
{
    Dbc *dbc = stmt->dbc;
    if (dbc->dead())
        return linkFailure(stmt);
    if (dbc->busy && dbc->busy != stmt)
        return stmt->fail("HY000", "Connection is busy with results for another command");
    if (stmt->result)
        return stmt->fail("24000", "Invalid cursor state");
    stmt->batch.clear();
    stmt->nextInBatch = 0;
    stmt->prepared = false;
    stmt->result = std::move(result);
    stmt->row.clear();
    stmt->onRow = false;
    stmt->atEnd = false;
    stmt->fetched = 0;
    stmt->lastColumn = 0;
    dbc->busy = stmt;
    return SQL_SUCCESS;
}

} // namespace standin

// ====================================================================
// Entry points

#define TRACE() control::trace(__func__)
#define STMT(handle)                                 \
    Stmt *stmt = as<Stmt>(handle, SQL_HANDLE_STMT);  \
    if (!stmt)                                       \
        return SQL_INVALID_HANDLE;                   \
    stmt->diags.clear()
#define DBC(handle)                                  \
    Dbc *dbc = as<Dbc>(handle, SQL_HANDLE_DBC);      \
    if (!dbc)                                        \
        return SQL_INVALID_HANDLE;                   \
    dbc->diags.clear()

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
    DBC(handle);
    std::string written;
    const SQLRETURN rc = driverConnect(dbc, narrow(in, inLength), written);
    if (SQL_SUCCEEDED(rc) && (out || outLength)) {
        SQLLEN length = 0;
        putString(dbc, written, out, outCapacity, &length, false, false);
        if (outLength)
            *outLength = SQLSMALLINT(length);
    }
    return rc;
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC handle, SQLHWND, SQLWCHAR *in, SQLSMALLINT inLength, SQLWCHAR *out,
                                    SQLSMALLINT outCapacity, SQLSMALLINT *outLength, SQLUSMALLINT)
{
    TRACE();
    DBC(handle);
    std::string written;
    const SQLRETURN rc = driverConnect(dbc, fromWide(in, inLength), written);
    if (SQL_SUCCEEDED(rc) && (out || outLength)) {
        SQLLEN length = 0;
        putString(dbc, written, out, outCapacity, &length, true, false);
        if (outLength)
            *outLength = SQLSMALLINT(length);
    }
    return rc;
}

SQLRETURN SQL_API SQLConnect(SQLHDBC handle, SQLCHAR *dsn, SQLSMALLINT dsnLength, SQLCHAR *user, SQLSMALLINT userLength,
                             SQLCHAR *password, SQLSMALLINT passwordLength)
{
    TRACE();
    DBC(handle);
    return connect(dbc, dsnDatabase(narrow(dsn, dsnLength)), narrow(user, userLength), narrow(password, passwordLength));
}

SQLRETURN SQL_API SQLConnectW(SQLHDBC handle, SQLWCHAR *dsn, SQLSMALLINT dsnLength, SQLWCHAR *user,
                              SQLSMALLINT userLength, SQLWCHAR *password, SQLSMALLINT passwordLength)
{
    TRACE();
    DBC(handle);
    return connect(dbc, dsnDatabase(fromWide(dsn, dsnLength)), fromWide(user, userLength),
                   fromWide(password, passwordLength));
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
    DBC(handle);
    std::string text;
    if (attribute == SQL_ATTR_CURRENT_CATALOG)
        text = narrow(static_cast<SQLCHAR *>(value), length);
    return setConnectAttr(dbc, attribute, value, text);
}

SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length)
{
    TRACE();
    DBC(handle);
    std::string text;
    if (attribute == SQL_ATTR_CURRENT_CATALOG)
        text = fromWide(static_cast<SQLWCHAR *>(value), length == SQL_NTS ? SQL_NTS : length / SQLINTEGER(sizeof(SQLWCHAR)));
    return setConnectAttr(dbc, attribute, value, text);
}

SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER capacity,
                                    SQLINTEGER *length)
{
    TRACE();
    DBC(handle);
    return getConnectAttr(dbc, attribute, value, capacity, length, false);
}

SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER capacity,
                                     SQLINTEGER *length)
{
    TRACE();
    DBC(handle);
    return getConnectAttr(dbc, attribute, value, capacity, length, true);
}

SQLRETURN SQL_API SQLGetInfo(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT capacity,
                             SQLSMALLINT *length)
{
    TRACE();
    DBC(handle);
    return getInfo(dbc, type, value, capacity, length, false);
}

SQLRETURN SQL_API SQLGetInfoW(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT capacity,
                              SQLSMALLINT *length)
{
    TRACE();
    DBC(handle);
    return getInfo(dbc, type, value, capacity, length, true);
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
    DBC(handle);
    SQLLEN written = 0;
    const SQLRETURN rc = putString(dbc, narrow(in, inLength), out, capacity, &written, false, false);
    if (length)
        *length = SQLINTEGER(written);
    return rc;
}

SQLRETURN SQL_API SQLNativeSqlW(SQLHDBC handle, SQLWCHAR *in, SQLINTEGER inLength, SQLWCHAR *out, SQLINTEGER capacity,
                                SQLINTEGER *length)
{
    TRACE();
    DBC(handle);
    SQLLEN written = 0;
    const SQLRETURN rc = putString(dbc, fromWide(in, inLength), out, capacity, &written, true, false);
    if (length)
        *length = SQLINTEGER(written);
    return rc;
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT handle, SQLCHAR *text, SQLINTEGER length)
{
    TRACE();
    STMT(handle);
    return execDirect(stmt, narrow(text, length));
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT handle, SQLWCHAR *text, SQLINTEGER length)
{
    TRACE();
    STMT(handle);
    return execDirect(stmt, fromWide(text, length));
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT handle, SQLCHAR *text, SQLINTEGER length)
{
    TRACE();
    STMT(handle);
    return prepare(stmt, narrow(text, length));
}

SQLRETURN SQL_API SQLPrepareW(SQLHSTMT handle, SQLWCHAR *text, SQLINTEGER length)
{
    TRACE();
    STMT(handle);
    return prepare(stmt, fromWide(text, length));
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
    STMT(handle);
    std::string text;
    SQLRETURN rc = describeColumn(stmt, column, text, type, size, decimals, nullable);
    if (rc != SQL_ERROR) {
        SQLLEN written = 0;
        const SQLRETURN put = putString(stmt, text, name, capacity, &written, false, false);
        if (nameLength)
            *nameLength = SQLSMALLINT(written);
        if (put != SQL_SUCCESS)
            rc = put;
    }
    return rc;
}

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT handle, SQLUSMALLINT column, SQLWCHAR *name, SQLSMALLINT capacity,
                                  SQLSMALLINT *nameLength, SQLSMALLINT *type, SQLULEN *size, SQLSMALLINT *decimals,
                                  SQLSMALLINT *nullable)
{
    TRACE();
    STMT(handle);
    std::string text;
    SQLRETURN rc = describeColumn(stmt, column, text, type, size, decimals, nullable);
    if (rc != SQL_ERROR) {
        SQLLEN written = 0;
        const SQLRETURN put = putString(stmt, text, name, capacity, &written, true, false);
        if (nameLength)
            *nameLength = SQLSMALLINT(written);
        if (put != SQL_SUCCESS)
            rc = put;
    }
    return rc;
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT handle, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER buffer,
                                  SQLSMALLINT capacity, SQLSMALLINT *length, SQLLEN *number)
{
    TRACE();
    STMT(handle);
    return columnAttribute(stmt, column, field, buffer, capacity, length, number, false);
}

SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT handle, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER buffer,
                                   SQLSMALLINT capacity, SQLSMALLINT *length, SQLLEN *number)
{
    TRACE();
    STMT(handle);
    return columnAttribute(stmt, column, field, buffer, capacity, length, number, true);
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER buffer,
                             SQLLEN capacity, SQLLEN *indicator)
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

SQLRETURN SQL_API SQLGetData(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT type, SQLPOINTER buffer,
                             SQLLEN capacity, SQLLEN *indicator)
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
    STMT(handle);
    return setStmtAttr(stmt, attribute, value);
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER)
{
    TRACE();
    STMT(handle);
    return setStmtAttr(stmt, attribute, value);
}

SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                 SQLINTEGER *length)
{
    TRACE();
    STMT(handle);
    return getStmtAttr(stmt, attribute, value, length);
}

SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER,
                                  SQLINTEGER *length)
{
    TRACE();
    STMT(handle);
    return getStmtAttr(stmt, attribute, value, length);
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
    STMT(handle);
    const std::string c = narrow(catalog, catalogLength), s = narrow(schema, schemaLength),
                      t = narrow(table, tableLength), y = narrow(types, typesLength);
    return tables(stmt, catalog ? &c : nullptr, schema ? &s : nullptr, table ? &t : nullptr, types ? &y : nullptr);
}

SQLRETURN SQL_API SQLTablesW(SQLHSTMT handle, SQLWCHAR *catalog, SQLSMALLINT catalogLength, SQLWCHAR *schema,
                             SQLSMALLINT schemaLength, SQLWCHAR *table, SQLSMALLINT tableLength, SQLWCHAR *types,
                             SQLSMALLINT typesLength)
{
    TRACE();
    STMT(handle);
    const std::string c = fromWide(catalog, catalogLength), s = fromWide(schema, schemaLength),
                      t = fromWide(table, tableLength), y = fromWide(types, typesLength);
    return tables(stmt, catalog ? &c : nullptr, schema ? &s : nullptr, table ? &t : nullptr, types ? &y : nullptr);
}

SQLRETURN SQL_API SQLColumns(SQLHSTMT handle, SQLCHAR *, SQLSMALLINT, SQLCHAR *, SQLSMALLINT, SQLCHAR *table,
                             SQLSMALLINT tableLength, SQLCHAR *column, SQLSMALLINT columnLength)
{
    TRACE();
    STMT(handle);
    const std::string t = narrow(table, tableLength), c = narrow(column, columnLength);
    return columnsOf(stmt, table ? &t : nullptr, column ? &c : nullptr);
}

SQLRETURN SQL_API SQLColumnsW(SQLHSTMT handle, SQLWCHAR *, SQLSMALLINT, SQLWCHAR *, SQLSMALLINT, SQLWCHAR *table,
                              SQLSMALLINT tableLength, SQLWCHAR *column, SQLSMALLINT columnLength)
{
    TRACE();
    STMT(handle);
    const std::string t = fromWide(table, tableLength), c = fromWide(column, columnLength);
    return columnsOf(stmt, table ? &t : nullptr, column ? &c : nullptr);
}

SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT handle, SQLCHAR *, SQLSMALLINT, SQLCHAR *, SQLSMALLINT, SQLCHAR *table,
                                 SQLSMALLINT tableLength)
{
    TRACE();
    STMT(handle);
    const std::string t = narrow(table, tableLength);
    return primaryKeys(stmt, table ? &t : nullptr);
}

SQLRETURN SQL_API SQLPrimaryKeysW(SQLHSTMT handle, SQLWCHAR *, SQLSMALLINT, SQLWCHAR *, SQLSMALLINT, SQLWCHAR *table,
                                  SQLSMALLINT tableLength)
{
    TRACE();
    STMT(handle);
    const std::string t = fromWide(table, tableLength);
    return primaryKeys(stmt, table ? &t : nullptr);
}

SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT handle, SQLSMALLINT type)
{
    TRACE();
    STMT(handle);
    return typeInfo(stmt, type);
}

SQLRETURN SQL_API SQLGetTypeInfoW(SQLHSTMT handle, SQLSMALLINT type)
{
    TRACE();
    STMT(handle);
    return typeInfo(stmt, type);
}

} // extern "C"
