// Values between the application's buffers and the engine: UTF-8 and
// UTF-16 texts, bound parameters, and each column converted as SQL Server's
// drivers convert it to the C type asked for.

#include "odbc.h"
#include "utf16.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace standin {

std::string fromWide(const SQLWCHAR *text, SQLLEN length)
{
    if (!text)
        return {};
    // Qt counts the terminating zero into the length it passes; the text ends there.
    SQLLEN end = 0;
    while ((length == SQL_NTS || end < length) && text[end])
        ++end;
    return utf8(std::u16string(text, text + end));
}

SQLRETURN putString(Handle *handle, const std::string &text, SQLPOINTER buffer, SQLLEN capacity, SQLLEN *length,
                    bool wide, bool bytes)
{
    if (wide) {
        const std::u16string units = utf16(text, Undecodable::Latin1);
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

std::string narrow(const SQLCHAR *text, SQLLEN length)
{
    if (!text)
        return {};
    const auto *chars = reinterpret_cast<const char *>(text);
    return length == SQL_NTS ? std::string(chars) : std::string(chars, strnlen(chars, size_t(length)));
}

namespace {

Value integer(long long n)
{
    Value v;
    v.type = Value::Int;
    v.i = n;
    return v;
}

bool sqlTimestamp(const std::string &text, SQL_TIMESTAMP_STRUCT &out)
{
    out = {};
    Timestamp t;
    if (!parseTimestamp(text, t))
        return false;
    out.year = SQLSMALLINT(t.year);
    out.month = SQLUSMALLINT(t.month);
    out.day = SQLUSMALLINT(t.day);
    out.hour = SQLUSMALLINT(t.hour);
    out.minute = SQLUSMALLINT(t.minute);
    out.second = SQLUSMALLINT(t.second);
    out.fraction = SQLUINTEGER(t.nanoseconds);
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
            if (!sqlTimestamp(v.s, t)) {
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

template<typename T> SQLRETURN putFixed(SQLPOINTER buffer, SQLLEN *indicator, T value)
{
    if (buffer)
        std::memcpy(buffer, &value, sizeof value);
    if (indicator)
        *indicator = SQLLEN(sizeof value);
    return SQL_SUCCESS;
}

} // namespace

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
            type = p.sqlType == SQL_WVARCHAR || p.sqlType == SQL_WCHAR || p.sqlType == SQL_WLONGVARCHAR ? SQL_C_WCHAR
                                                                                                        : SQL_C_CHAR;
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
                const std::u16string units = utf16(text, Undecodable::Latin1);
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
        if (!sqlTimestamp(v.s, t))
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

} // namespace standin
