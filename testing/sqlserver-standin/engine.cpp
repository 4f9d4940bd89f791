#include "engine.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/stat.h>

namespace standin {
namespace {

// Errors raised inside SQLite functions carry SQL Server's SQLSTATE and
// number ahead of the text: "\x01" STATE "|" NUMBER "|" TEXT.
void raise(sqlite3_context *context, const char *state, int native, const std::string &text)
{
    const std::string message = std::string("\x01") + state + "|" + std::to_string(native) + "|" + text;
    sqlite3_result_error(context, message.c_str(), int(message.size()));
}

unsigned char foldAscii(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

// SQL Server's default collation: case does not matter, and neither do
// trailing blanks. Registered as NOCASE, the collation the fixture's text
// columns declare, so that their indexes stay usable. Folds ASCII letters
// only, as SQLite's own NOCASE did when it ordered those indexes.
int compareAsSqlServer(void *, int length1, const void *text1, int length2, const void *text2)
{
    const auto *a = static_cast<const unsigned char *>(text1);
    const auto *b = static_cast<const unsigned char *>(text2);
    while (length1 > 0 && a[length1 - 1] == ' ')
        --length1;
    while (length2 > 0 && b[length2 - 1] == ' ')
        --length2;
    const int common = length1 < length2 ? length1 : length2;
    for (int i = 0; i < common; ++i) {
        const int d = int(foldAscii(a[i])) - int(foldAscii(b[i]));
        if (d != 0)
            return d;
    }
    return length1 - length2;
}

bool isTextual(int type)
{
    return type == SQLITE_TEXT || type == SQLITE_BLOB;
}

bool parseInteger(std::string text, long long &out)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    const char *begin = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*begin)))
        ++begin;
    if (!*begin)
        return false;
    char *end = nullptr;
    errno = 0;
    out = std::strtoll(begin, &end, 10);
    return errno == 0 && *end == '\0';
}

bool parseReal(std::string text, double &out)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    const char *begin = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*begin)))
        ++begin;
    if (!*begin)
        return false;
    char *end = nullptr;
    out = std::strtod(begin, &end);
    return *end == '\0';
}

std::string textOf(sqlite3_value *value)
{
    const auto *text = sqlite3_value_text(value);
    return text ? std::string(reinterpret_cast<const char *>(text), size_t(sqlite3_value_bytes(value))) : std::string();
}

// T-SQL's '+': joins two texts (NULL if either is NULL), adds two numbers,
// and converts a text to the other side's number type otherwise.
void tsqlAdd(sqlite3_context *context, int, sqlite3_value **args)
{
    const int left = sqlite3_value_type(args[0]);
    const int right = sqlite3_value_type(args[1]);
    if (left == SQLITE_NULL || right == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    if (isTextual(left) && isTextual(right)) {
        const std::string joined = textOf(args[0]) + textOf(args[1]);
        sqlite3_result_text(context, joined.data(), int(joined.size()), SQLITE_TRANSIENT);
        return;
    }
    long long a = 0;
    long long b = 0;
    double x = 0;
    double y = 0;
    const bool integers = (left == SQLITE_INTEGER || isTextual(left)) && (right == SQLITE_INTEGER || isTextual(right));
    for (int side = 0; side < 2; ++side) {
        sqlite3_value *value = args[side];
        if (!isTextual(sqlite3_value_type(value))) {
            (side ? b : a) = sqlite3_value_int64(value);
            (side ? y : x) = sqlite3_value_double(value);
            continue;
        }
        const std::string text = textOf(value);
        if (integers) {
            if (!parseInteger(text, side ? b : a)) {
                raise(context, "22018", 245,
                      "Conversion failed when converting the varchar value '" + text + "' to data type int.");
                return;
            }
        } else if (!parseReal(text, side ? y : x)) {
            raise(context, "42000", 8114, "Error converting data type varchar to float.");
            return;
        }
    }
    if (integers) {
        long long sum = 0;
        if (__builtin_add_overflow(a, b, &sum)) {
            raise(context, "22003", 8115, "Arithmetic overflow error converting expression to data type bigint.");
            return;
        }
        sqlite3_result_int64(context, sum);
    } else {
        sqlite3_result_double(context, x + y);
    }
}

std::u32string decodeUtf8(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + size_t(extra) >= text.size() + (extra == 0 ? 1 : 0)) {
            out.push_back(c);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? c : c & (0x3f >> extra);
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + size_t(k)]) & 0x3f);
        out.push_back(cp);
        i += size_t(extra) + 1;
    }
    return out;
}

char32_t lower(char32_t c)
{
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

char32_t upper(char32_t c)
{
    return c >= 'a' && c <= 'z' ? c - 32 : c;
}

struct Element
{
    enum Kind { Literal, One, Many, Set };
    Element(Kind k, char32_t literal = 0) : kind(k), c(literal) { }
    Kind kind;
    char32_t c = 0;
    std::u32string ranges; // pairs: low, high
    bool negated = false;

    bool matches(char32_t x) const
    {
        if (kind == One)
            return true;
        if (kind == Literal)
            return lower(x) == lower(c);
        bool inside = false;
        for (size_t k = 0; k + 1 < ranges.size(); k += 2) {
            for (char32_t v : {x, lower(x), upper(x)})
                inside = inside || (v >= ranges[k] && v <= ranges[k + 1]);
        }
        return inside != negated;
    }
};

// T-SQL patterns: %, _, [set], [^set], [a-z]; "[%]" matches a percent sign.
std::vector<Element> compilePattern(const std::u32string &pattern, char32_t escape, bool hasEscape)
{
    std::vector<Element> out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char32_t c = pattern[i];
        if (hasEscape && c == escape && i + 1 < pattern.size()) {
            out.push_back({Element::Literal, pattern[++i]});
        } else if (c == '%') {
            out.push_back({Element::Many});
        } else if (c == '_') {
            out.push_back({Element::One});
        } else if (c == '[') {
            size_t k = i + 1;
            Element set(Element::Set);
            if (k < pattern.size() && pattern[k] == '^') {
                set.negated = true;
                ++k;
            }
            const size_t first = k;
            while (k < pattern.size() && (pattern[k] != ']' || k == first)) {
                char32_t low = pattern[k];
                char32_t high = low;
                if (k + 2 < pattern.size() && pattern[k + 1] == '-' && pattern[k + 2] != ']') {
                    high = pattern[k + 2];
                    k += 2;
                }
                set.ranges.push_back(low);
                set.ranges.push_back(high);
                ++k;
            }
            if (k >= pattern.size()) {
                // No closing bracket: the bracket stands for itself.
                out.push_back({Element::Literal, '['});
                continue;
            }
            out.push_back(set);
            i = k;
        } else {
            out.push_back({Element::Literal, c});
        }
    }
    return out;
}

bool matchPattern(std::u32string_view text, const std::vector<Element> &pattern)
{
    size_t t = 0;
    size_t p = 0;
    size_t star = std::string::npos;
    size_t mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p].kind == Element::Many) {
            star = p++;
            mark = t;
        } else if (p < pattern.size() && pattern[p].matches(text[t])) {
            ++t;
            ++p;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p].kind == Element::Many)
        ++p;
    return p == pattern.size();
}

// like(pattern, value [, escape]). Trailing blanks of the value do not
// matter; those of the pattern do, as in SQL Server.
void tsqlLike(sqlite3_context *context, int count, sqlite3_value **args)
{
    for (int i = 0; i < count; ++i) {
        if (sqlite3_value_type(args[i]) == SQLITE_NULL) {
            sqlite3_result_null(context);
            return;
        }
    }
    char32_t escape = 0;
    if (count == 3) {
        const std::u32string e = decodeUtf8(textOf(args[2]));
        if (e.size() != 1) {
            raise(context, "22019", 506,
                  "The invalid escape character \"" + textOf(args[2]) + "\" was specified in a LIKE predicate.");
            return;
        }
        escape = e[0];
    }
    const std::vector<Element> pattern = compilePattern(decodeUtf8(textOf(args[0])), escape, count == 3);
    const std::u32string value = decodeUtf8(textOf(args[1]));
    std::u32string_view view(value);
    bool matched = matchPattern(view, pattern);
    while (!matched && !view.empty() && view.back() == ' ') {
        view.remove_suffix(1);
        matched = matchPattern(view, pattern);
    }
    sqlite3_result_int(context, matched ? 1 : 0);
}

// Only reading passes, whatever a statement turns out to be.
int authorize(void *, int action, const char *, const char *, const char *, const char *)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

std::string between(const std::string &message, const char *prefix)
{
    return message.substr(std::strlen(prefix));
}

ServerError mapError(sqlite3 *db, int code)
{
    const std::string message = sqlite3_errmsg(db);
    if (!message.empty() && message[0] == '\x01') {
        const size_t bar1 = message.find('|');
        const size_t bar2 = message.find('|', bar1 + 1);
        return {message.substr(1, bar1 - 1), std::atoi(message.substr(bar1 + 1, bar2 - bar1 - 1).c_str()),
                message.substr(bar2 + 1)};
    }
    const auto starts = [&](const char *prefix) { return message.rfind(prefix, 0) == 0; };
    if (starts("no such table: "))
        return {"42S02", 208, "Invalid object name '" + between(message, "no such table: ") + "'."};
    if (starts("no such column: ")) {
        std::string name = between(message, "no such column: ");
        const size_t dot = name.rfind('.');
        if (dot != std::string::npos)
            return {"42000", 4104, "The multi-part identifier \"" + name + "\" could not be bound."};
        return {"42S22", 207, "Invalid column name '" + name + "'."};
    }
    if (starts("ambiguous column name: "))
        return {"42000", 209, "Ambiguous column name '" + between(message, "ambiguous column name: ") + "'."};
    if (starts("no such function: "))
        return {"42000", 195,
                "'" + between(message, "no such function: ") + "' is not a recognized built-in function name."};
    if (starts("near \"")) {
        const size_t end = message.find('"', 6);
        return {"42000", 102, "Incorrect syntax near '" + message.substr(6, end - 6) + "'."};
    }
    if (starts("incomplete input"))
        return {"42000", 102, "Incorrect syntax near the end of the statement."};
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return {"HYT00", 1222, "Lock request time out period exceeded."};
    case SQLITE_AUTH:
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return {"42000", 229, "The permission was denied: this login may only read."};
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_IOERR:
        return {"HY000", 824, "SQL Server detected an I/O error reading the database (" + message + ")."};
    default:
        return {"42000", 50000, message};
    }
}

class SqliteResult : public Result
{
public:
    SqliteResult(sqlite3 *db, sqlite3_stmt *statement) : m_db(db), m_statement(statement) { }
    ~SqliteResult() override { sqlite3_finalize(m_statement); }

    // Steps to the first row, so that expression columns can be typed by
    // their first value, as SQL Server types them by the expression.
    bool prime(ServerError &error)
    {
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_ROW) {
            read(m_first);
            m_pending = true;
        } else if (rc == SQLITE_DONE) {
            m_done = true;
        } else {
            error = mapError(m_db, rc);
            return false;
        }
        return true;
    }

    const std::vector<Value> *firstRow() const { return m_pending ? &m_first : nullptr; }

    int next(std::vector<Value> &row, ServerError &error) override
    {
        if (m_pending) {
            row = std::move(m_first);
            m_pending = false;
            return 1;
        }
        if (m_done)
            return 0;
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_ROW) {
            read(row);
            return 1;
        }
        m_done = true;
        if (rc == SQLITE_DONE)
            return 0;
        error = mapError(m_db, rc);
        return -1;
    }

private:
    void read(std::vector<Value> &row) const
    {
        const int count = sqlite3_column_count(m_statement);
        row.resize(size_t(count));
        for (int i = 0; i < count; ++i) {
            Value &v = row[size_t(i)];
            v.s.clear();
            switch (sqlite3_column_type(m_statement, i)) {
            case SQLITE_INTEGER:
                v.type = Value::Int;
                v.i = sqlite3_column_int64(m_statement, i);
                break;
            case SQLITE_FLOAT:
                v.type = Value::Real;
                v.r = sqlite3_column_double(m_statement, i);
                break;
            case SQLITE_TEXT:
                v.type = Value::Text;
                v.s.assign(reinterpret_cast<const char *>(sqlite3_column_text(m_statement, i)),
                           size_t(sqlite3_column_bytes(m_statement, i)));
                break;
            case SQLITE_BLOB: {
                v.type = Value::Blob;
                const void *blob = sqlite3_column_blob(m_statement, i);
                v.s.assign(static_cast<const char *>(blob), size_t(sqlite3_column_bytes(m_statement, i)));
                break;
            }
            default:
                v.type = Value::Null;
                break;
            }
        }
    }

    sqlite3 *m_db;
    sqlite3_stmt *m_statement;
    std::vector<Value> m_first;
    bool m_pending = false;
    bool m_done = false;
};

unsigned long declaredLength(const std::string &declared)
{
    const size_t open = declared.find('(');
    if (open == std::string::npos)
        return 0;
    return std::strtoul(declared.c_str() + open + 1, nullptr, 10);
}

void describeColumns(sqlite3_stmt *statement, const Translated &translated, const std::vector<Value> *first,
                     std::vector<Column> &columns)
{
    const int count = sqlite3_column_count(statement);
    columns.clear();
    for (int i = 0; i < count; ++i) {
        const char *declared = sqlite3_column_decltype(statement, i);
        Column column = columnFor(declared);
        const char *name = sqlite3_column_name(statement, i);
        column.name = name ? name : "";
        if (const char *origin = sqlite3_column_origin_name(statement, i)) {
            column.column = origin;
            const char *table = sqlite3_column_table_name(statement, i);
            column.table = table ? table : "";
            column.nullable = SQL_NULLABLE;
        } else {
            for (const std::string &item : translated.unnamed) {
                if (item == column.name)
                    column.name.clear();
            }
        }
        if (!declared && first) {
            const Value &v = (*first)[size_t(i)];
            const std::string kept = column.name;
            if (v.type == Value::Int) {
                const bool small = v.i >= INT_MIN && v.i <= INT_MAX;
                column.sqlType = small ? SQL_INTEGER : SQL_BIGINT;
                column.typeName = small ? "int" : "bigint";
                column.size = small ? 10 : 19;
            } else if (v.type == Value::Real) {
                column = columnFor("FLOAT");
            } else if (v.type == Value::Blob) {
                column = columnFor("VARBINARY");
            }
            column.name = kept;
        }
        columns.push_back(column);
    }
}

bool bindParameters(sqlite3 *db, sqlite3_stmt *statement, const std::vector<Value> &parameters, ServerError &error)
{
    for (size_t k = 0; k < parameters.size(); ++k) {
        const Value &v = parameters[k];
        const int at = int(k) + 1;
        int rc = SQLITE_OK;
        switch (v.type) {
        case Value::Null:
            rc = sqlite3_bind_null(statement, at);
            break;
        case Value::Int:
            rc = sqlite3_bind_int64(statement, at, v.i);
            break;
        case Value::Real:
            rc = sqlite3_bind_double(statement, at, v.r);
            break;
        case Value::Text:
            rc = sqlite3_bind_text(statement, at, v.s.data(), int(v.s.size()), SQLITE_TRANSIENT);
            break;
        case Value::Blob:
            rc = sqlite3_bind_blob(statement, at, v.s.data(), int(v.s.size()), SQLITE_TRANSIENT);
            break;
        }
        if (rc != SQLITE_OK) {
            error = mapError(db, rc);
            return false;
        }
    }
    return true;
}

} // namespace

int TableResult::next(std::vector<Value> &row, ServerError &)
{
    if (m_next >= rows.size())
        return 0;
    row = rows[m_next++];
    return 1;
}

Column columnFor(const char *declared)
{
    Column c;
    std::string type = declared ? declared : "";
    for (char &ch : type)
        ch = char(std::toupper(static_cast<unsigned char>(ch)));
    const auto has = [&](const char *word) { return type.find(word) != std::string::npos; };
    c.nullable = SQL_NULLABLE_UNKNOWN;
    if (has("NCHAR") || has("NVARCHAR") || has("NTEXT")) {
        c.sqlType = SQL_WVARCHAR;
        c.typeName = "nvarchar";
        c.size = declaredLength(type);
    } else if (has("DATE") || has("TIMESTAMP")) {
        c.sqlType = SQL_TYPE_TIMESTAMP;
        c.typeName = "datetime";
        c.size = 23;
        c.decimals = 3;
    } else if (has("TIME")) {
        c.sqlType = SQL_TYPE_TIME;
        c.typeName = "time";
        c.size = 8;
    } else if (has("CHAR") || has("TEXT") || has("CLOB")) {
        c.sqlType = SQL_VARCHAR;
        c.typeName = "varchar";
        c.size = declaredLength(type);
    } else if (has("BIGINT")) {
        c.sqlType = SQL_BIGINT;
        c.typeName = "bigint";
        c.size = 19;
    } else if (has("SMALLINT")) {
        c.sqlType = SQL_SMALLINT;
        c.typeName = "smallint";
        c.size = 5;
    } else if (has("TINYINT")) {
        c.sqlType = SQL_TINYINT;
        c.typeName = "tinyint";
        c.size = 3;
    } else if (has("INT")) {
        c.sqlType = SQL_INTEGER;
        c.typeName = "int";
        c.size = 10;
    } else if (type == "BIT" || type == "BOOLEAN") {
        c.sqlType = SQL_BIT;
        c.typeName = "bit";
        c.size = 1;
    } else if (has("REAL")) {
        c.sqlType = SQL_REAL;
        c.typeName = "real";
        c.size = 24;
    } else if (has("FLOA") || has("DOUB")) {
        c.sqlType = SQL_FLOAT;
        c.typeName = "float";
        c.size = 53;
    } else if (has("DEC") || has("NUMERIC") || has("MONEY")) {
        c.sqlType = SQL_DECIMAL;
        c.typeName = "decimal";
        c.size = 18;
        const size_t comma = type.find(',');
        c.size = declaredLength(type) ? declaredLength(type) : 18;
        c.decimals = comma == std::string::npos ? 0 : short(std::atoi(type.c_str() + comma + 1));
    } else if (has("BLOB") || has("BINARY") || has("IMAGE")) {
        c.sqlType = SQL_VARBINARY;
        c.typeName = "varbinary";
        c.size = declaredLength(type);
    } else {
        c.sqlType = SQL_VARCHAR;
        c.typeName = "varchar";
    }
    return c;
}

Session::~Session()
{
    close();
}

void Session::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

bool Session::open(const std::string &path, ServerError &error)
{
    close();
    const ServerError cannotOpen{"42000", 4060,
                                 "Cannot open database \"" + path + "\" requested by the login. The login failed."};
    struct stat info
    { };
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = cannotOpen;
        return false;
    }
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        error = cannotOpen;
        close();
        return false;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 2000);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_exec(m_db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    sqlite3_create_collation(m_db, "NOCASE", SQLITE_UTF8, nullptr, compareAsSqlServer);
    const int deterministic = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(m_db, "tsql_add", 2, deterministic, nullptr, tsqlAdd, nullptr, nullptr);
    sqlite3_create_function(m_db, "like", 2, deterministic, nullptr, tsqlLike, nullptr, nullptr);
    sqlite3_create_function(m_db, "like", 3, deterministic, nullptr, tsqlLike, nullptr, nullptr);
    sqlite3_set_authorizer(m_db, authorize, nullptr);

    // SQLite opens lazily: read the schema now, so that a file that is no
    // database fails the login as a missing database would.
    sqlite3_stmt *probe = nullptr;
    int rc = sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(probe);
    sqlite3_finalize(probe);
    if (rc != SQLITE_ROW) {
        error = cannotOpen;
        error.text += std::string(" (") + sqlite3_errmsg(m_db) + ")";
        close();
        return false;
    }
    return true;
}

std::unique_ptr<Result> Session::run(const Translated &statement, const std::vector<Value> &parameters,
                                     ServerError &error)
{
    sqlite3_stmt *prepared = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, statement.sql.c_str(), int(statement.sql.size()), &prepared, nullptr);
    if (rc != SQLITE_OK) {
        error = mapError(m_db, rc);
        return nullptr;
    }
    auto result = std::make_unique<SqliteResult>(m_db, prepared);
    if (!sqlite3_stmt_readonly(prepared)) {
        error = {"42000", 229, "The permission was denied: this login may only read."};
        return nullptr;
    }
    if (!bindParameters(m_db, prepared, parameters, error) || !result->prime(error))
        return nullptr;
    describeColumns(prepared, statement, result->firstRow(), result->columns);
    return result;
}

bool Session::describe(const Translated &statement, std::vector<Column> &columns, int &parameters, ServerError &error)
{
    sqlite3_stmt *prepared = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, statement.sql.c_str(), int(statement.sql.size()), &prepared, nullptr);
    if (rc != SQLITE_OK) {
        error = mapError(m_db, rc);
        return false;
    }
    describeColumns(prepared, statement, nullptr, columns);
    parameters = sqlite3_bind_parameter_count(prepared);
    sqlite3_finalize(prepared);
    return true;
}

std::vector<Session::Table> Session::tables()
{
    std::vector<Table> out;
    sqlite3_stmt *list = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name",
                           -1, &list, nullptr)
        != SQLITE_OK)
        return out;
    while (sqlite3_step(list) == SQLITE_ROW) {
        const std::string name = reinterpret_cast<const char *>(sqlite3_column_text(list, 0));
        if (name.rfind("sqlite_", 0) == 0)
            continue;
        out.push_back({name, std::strcmp(reinterpret_cast<const char *>(sqlite3_column_text(list, 1)), "view") == 0});
    }
    sqlite3_finalize(list);
    return out;
}

bool Session::tableColumns(const std::string &table, std::vector<Column> &columns, std::vector<bool> &primaryKey)
{
    std::string quoted = "\"";
    for (char c : table)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    const std::string sql = "SELECT * FROM " + quoted + "\"";
    sqlite3_stmt *prepared = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &prepared, nullptr) != SQLITE_OK)
        return false;
    columns.clear();
    primaryKey.clear();
    for (int i = 0; i < sqlite3_column_count(prepared); ++i) {
        Column column = columnFor(sqlite3_column_decltype(prepared, i));
        column.name = sqlite3_column_name(prepared, i);
        column.table = table;
        column.column = column.name;
        int notNull = 0;
        int inKey = 0;
        sqlite3_table_column_metadata(m_db, "main", table.c_str(), column.name.c_str(), nullptr, nullptr, &notNull,
                                      &inKey, nullptr);
        column.nullable = notNull ? SQL_NO_NULLS : SQL_NULLABLE;
        columns.push_back(column);
        primaryKey.push_back(inKey != 0);
    }
    sqlite3_finalize(prepared);
    return true;
}

} // namespace standin
