// What the stand-in says about itself and the hospital's tables: SQLGetInfo,
// column descriptions and the catalogue functions, as SQL Server answers them.

#include "odbc.h"

#include <algorithm>
#include <cctype>

namespace standin {
namespace {

SQLRETURN putShort(SQLPOINTER value, SQLSMALLINT *length, SQLUSMALLINT number)
{
    if (value)
        *static_cast<SQLUSMALLINT *>(value) = number;
    if (length)
        *length = sizeof number;
    return SQL_SUCCESS;
}

SQLRETURN putInteger(SQLPOINTER value, SQLSMALLINT *length, SQLUINTEGER number)
{
    if (value)
        *static_cast<SQLUINTEGER *>(value) = number;
    if (length)
        *length = sizeof number;
    return SQL_SUCCESS;
}

constexpr SQLUINTEGER TextConversions =
    SQL_CVT_CHAR | SQL_CVT_VARCHAR | SQL_CVT_LONGVARCHAR | SQL_CVT_WCHAR | SQL_CVT_WVARCHAR | SQL_CVT_WLONGVARCHAR
    | SQL_CVT_NUMERIC | SQL_CVT_DECIMAL | SQL_CVT_INTEGER | SQL_CVT_SMALLINT | SQL_CVT_BIGINT | SQL_CVT_FLOAT
    | SQL_CVT_REAL | SQL_CVT_DOUBLE | SQL_CVT_TIMESTAMP | SQL_CVT_BIT | SQL_CVT_TINYINT;

bool likeName(const std::string &pattern, const std::string &text)
{
    // Catalogue search patterns: %, _ and \ as escape; no regard to case.
    size_t p = 0;
    size_t t = 0;
    size_t star = std::string::npos;
    size_t mark = 0;
    const auto fold = [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); };
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '%') {
            star = p++;
            mark = t;
            continue;
        }
        if (p < pattern.size()) {
            char want = pattern[p];
            size_t step = 1;
            if (want == '\\' && p + 1 < pattern.size()) {
                want = pattern[p + 1];
                step = 2;
            } else if (want == '_') {
                ++p;
                ++t;
                continue;
            }
            if (fold(want) == fold(text[t])) {
                p += step;
                ++t;
                continue;
            }
        }
        if (star == std::string::npos)
            return false;
        p = star + 1;
        t = ++mark;
    }
    while (p < pattern.size() && pattern[p] == '%')
        ++p;
    return p == pattern.size();
}

Column textColumn(const char *name, unsigned long size = 128)
{
    Column c;
    c.name = name;
    c.sqlType = SQL_WVARCHAR;
    c.typeName = "sysname";
    c.size = size;
    c.nullable = SQL_NULLABLE;
    return c;
}

Column numberColumn(const char *name, bool small = true)
{
    Column c;
    c.name = name;
    c.sqlType = small ? SQL_SMALLINT : SQL_INTEGER;
    c.typeName = small ? "smallint" : "int";
    c.size = small ? 5 : 10;
    c.nullable = SQL_NULLABLE;
    return c;
}

Value text(const std::string &s)
{
    return Value{Value::Text, 0, 0, s};
}

Value number(long long n)
{
    return Value{Value::Int, n, 0, {}};
}

Value null()
{
    return Value{};
}

std::string catalogOf(const std::string &table)
{
    const std::string db = databaseOf(table);
    return db.empty() ? "master" : db;
}

const Column *columnAt(Stmt *stmt, SQLUSMALLINT column)
{
    const std::vector<Column> &columns = stmt->columns();
    if (column < 1 || column > columns.size()) {
        stmt->fail("07009", "Invalid Descriptor Index");
        return nullptr;
    }
    return &columns[column - 1];
}

bool isNumeric(SQLSMALLINT type)
{
    switch (type) {
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIGINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_BIT:
        return true;
    default:
        return false;
    }
}

SQLLEN octets(const Column &c)
{
    switch (c.sqlType) {
    case SQL_WVARCHAR:
        return SQLLEN(c.size * 2);
    case SQL_TYPE_TIMESTAMP:
        return SQLLEN(sizeof(SQL_TIMESTAMP_STRUCT));
    case SQL_TYPE_TIME:
        return SQLLEN(sizeof(SQL_TIME_STRUCT));
    case SQL_INTEGER:
        return 4;
    case SQL_BIGINT:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return 8;
    case SQL_SMALLINT:
        return 2;
    case SQL_TINYINT:
    case SQL_BIT:
        return 1;
    case SQL_REAL:
        return 4;
    default:
        return SQLLEN(c.size);
    }
}

} // namespace

SQLRETURN getInfo(Dbc *dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT capacity, SQLSMALLINT *length, bool wide)
{
    const auto string = [&](const std::string &s) {
        SQLLEN written = 0;
        const SQLRETURN rc = putString(dbc, s, value, capacity, &written, wide, true);
        if (length)
            *length = SQLSMALLINT(written);
        return rc;
    };
    switch (type) {
    case SQL_DRIVER_NAME:
        return string("libwardcheck_standin.so");
    case SQL_DRIVER_VER:
        return string("17.10.0001");
    case SQL_DRIVER_ODBC_VER:
        return string("03.80");
    case SQL_DBMS_NAME:
        return string("Microsoft SQL Server");
    case SQL_DBMS_VER:
        return string("15.00.2000");
    case SQL_SERVER_NAME:
        return string("WARDCHECK-STANDIN");
    case SQL_DATA_SOURCE_NAME:
        return string("");
    case SQL_DATABASE_NAME:
        return string(dbc->catalog);
    case SQL_USER_NAME:
        return string(dbc->user);
    case SQL_IDENTIFIER_QUOTE_CHAR:
        return string("\"");
    case SQL_CATALOG_NAME_SEPARATOR:
        return string(".");
    case SQL_CATALOG_TERM:
        return string("database");
    case SQL_SCHEMA_TERM:
        return string("owner");
    case SQL_TABLE_TERM:
        return string("table");
    case SQL_PROCEDURE_TERM:
        return string("stored procedure");
    case SQL_SEARCH_PATTERN_ESCAPE:
        return string("\\");
    case SQL_SPECIAL_CHARACTERS:
        return string("$#@");
    case SQL_KEYWORDS:
    case SQL_COLLATION_SEQ:
        return string("");
    case SQL_XOPEN_CLI_YEAR:
        return string("1995");
    case SQL_MULT_RESULT_SETS:
    case SQL_MULTIPLE_ACTIVE_TXN:
    case SQL_ACCESSIBLE_TABLES:
    case SQL_ACCESSIBLE_PROCEDURES:
    case SQL_CATALOG_NAME:
    case SQL_COLUMN_ALIAS:
    case SQL_EXPRESSIONS_IN_ORDERBY:
    case SQL_LIKE_ESCAPE_CLAUSE:
    case SQL_OUTER_JOINS:
    case SQL_PROCEDURES:
    case SQL_INTEGRITY:
    case SQL_ORDER_BY_COLUMNS_IN_SELECT:
        return string(type == SQL_ORDER_BY_COLUMNS_IN_SELECT ? "N" : "Y");
    case SQL_DATA_SOURCE_READ_ONLY:
    case SQL_DESCRIBE_PARAMETER:
    case SQL_NEED_LONG_DATA_LEN:
    case SQL_ROW_UPDATES:
    case SQL_MAX_ROW_SIZE_INCLUDES_LONG:
        return string("N");

    case SQL_ACTIVE_ENVIRONMENTS:
    case SQL_MAX_DRIVER_CONNECTIONS:
        return putShort(value, length, 0);
    // Without MARS, SQL Server serves one active statement per connection.
    case SQL_MAX_CONCURRENT_ACTIVITIES:
        return putShort(value, length, 1);
    case SQL_CATALOG_LOCATION:
        return putShort(value, length, SQL_CL_START);
    case SQL_CONCAT_NULL_BEHAVIOR:
        return putShort(value, length, SQL_CB_NULL);
    case SQL_CORRELATION_NAME:
        return putShort(value, length, SQL_CN_ANY);
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR:
        return putShort(value, length, SQL_CB_CLOSE);
    case SQL_FILE_USAGE:
        return putShort(value, length, SQL_FILE_NOT_SUPPORTED);
    case SQL_GROUP_BY:
        return putShort(value, length, SQL_GB_GROUP_BY_CONTAINS_SELECT);
    case SQL_IDENTIFIER_CASE:
    case SQL_QUOTED_IDENTIFIER_CASE:
        return putShort(value, length, SQL_IC_MIXED);
    case SQL_MAX_CATALOG_NAME_LEN:
    case SQL_MAX_COLUMN_NAME_LEN:
    case SQL_MAX_CURSOR_NAME_LEN:
    case SQL_MAX_IDENTIFIER_LEN:
    case SQL_MAX_PROCEDURE_NAME_LEN:
    case SQL_MAX_SCHEMA_NAME_LEN:
    case SQL_MAX_TABLE_NAME_LEN:
    case SQL_MAX_USER_NAME_LEN:
        return putShort(value, length, 128);
    case SQL_MAX_COLUMNS_IN_GROUP_BY:
    case SQL_MAX_COLUMNS_IN_INDEX:
    case SQL_MAX_COLUMNS_IN_ORDER_BY:
    case SQL_MAX_COLUMNS_IN_SELECT:
    case SQL_MAX_COLUMNS_IN_TABLE:
    case SQL_MAX_TABLES_IN_SELECT:
        return putShort(value, length,
                        type == SQL_MAX_COLUMNS_IN_INDEX   ? 16
                        : type == SQL_MAX_TABLES_IN_SELECT ? 256
                                                           : 4096);
    case SQL_NON_NULLABLE_COLUMNS:
        return putShort(value, length, SQL_NNC_NON_NULL);
    case SQL_NULL_COLLATION:
        return putShort(value, length, SQL_NC_LOW);
    case SQL_TXN_CAPABLE:
        return putShort(value, length, SQL_TC_ALL);
    case SQL_ODBC_API_CONFORMANCE:
        return putShort(value, length, SQL_OAC_LEVEL2);
    case SQL_ODBC_SQL_CONFORMANCE:
        return putShort(value, length, SQL_OSC_CORE);

    case SQL_CONVERT_CHAR:
    case SQL_CONVERT_VARCHAR:
    case SQL_CONVERT_LONGVARCHAR:
    case SQL_CONVERT_WCHAR:
    case SQL_CONVERT_WVARCHAR:
    case SQL_CONVERT_WLONGVARCHAR:
        return putInteger(value, length, TextConversions);
    case SQL_CONVERT_INTEGER:
    case SQL_CONVERT_SMALLINT:
    case SQL_CONVERT_BIGINT:
    case SQL_CONVERT_TINYINT:
    case SQL_CONVERT_FLOAT:
    case SQL_CONVERT_REAL:
    case SQL_CONVERT_DOUBLE:
    case SQL_CONVERT_DECIMAL:
    case SQL_CONVERT_NUMERIC:
    case SQL_CONVERT_BIT:
        return putInteger(value, length, TextConversions & ~SQLUINTEGER(SQL_CVT_TIMESTAMP));
    case SQL_CONVERT_TIMESTAMP:
        return putInteger(value, length,
                          SQL_CVT_CHAR | SQL_CVT_VARCHAR | SQL_CVT_WCHAR | SQL_CVT_WVARCHAR | SQL_CVT_TIMESTAMP);
    case SQL_CONVERT_DATE:
    case SQL_CONVERT_TIME:
    case SQL_CONVERT_BINARY:
    case SQL_CONVERT_VARBINARY:
    case SQL_CONVERT_LONGVARBINARY:
    case SQL_CONVERT_INTERVAL_DAY_TIME:
    case SQL_CONVERT_INTERVAL_YEAR_MONTH:
    case SQL_CONVERT_GUID:
    case SQL_CONVERT_FUNCTIONS:
        return putInteger(value, length, type == SQL_CONVERT_FUNCTIONS ? SQL_FN_CVT_CAST | SQL_FN_CVT_CONVERT : 0);
    case SQL_DEFAULT_TXN_ISOLATION:
        return putInteger(value, length, SQL_TXN_READ_COMMITTED);
    case SQL_TXN_ISOLATION_OPTION:
        return putInteger(value, length,
                          SQL_TXN_READ_UNCOMMITTED | SQL_TXN_READ_COMMITTED | SQL_TXN_REPEATABLE_READ
                              | SQL_TXN_SERIALIZABLE);
    case SQL_GETDATA_EXTENSIONS:
        return putInteger(value, length, SQL_GD_BOUND);
    case SQL_SCHEMA_USAGE:
    case SQL_CATALOG_USAGE:
        return putInteger(value, length,
                          SQL_SU_DML_STATEMENTS | SQL_SU_TABLE_DEFINITION | SQL_SU_INDEX_DEFINITION
                              | SQL_SU_PRIVILEGE_DEFINITION | SQL_SU_PROCEDURE_INVOCATION);
    case SQL_SCROLL_OPTIONS:
        return putInteger(value, length, SQL_SO_FORWARD_ONLY);
    case SQL_FETCH_DIRECTION:
        return putInteger(value, length, SQL_FD_FETCH_NEXT);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1:
        return putInteger(value, length, SQL_CA1_NEXT);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2:
        return putInteger(value, length, SQL_CA2_READ_ONLY_CONCURRENCY);
    case SQL_STATIC_CURSOR_ATTRIBUTES1:
    case SQL_STATIC_CURSOR_ATTRIBUTES2:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES1:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES2:
    case SQL_KEYSET_CURSOR_ATTRIBUTES1:
    case SQL_KEYSET_CURSOR_ATTRIBUTES2:
    case SQL_POS_OPERATIONS:
    case SQL_POSITIONED_STATEMENTS:
    case SQL_BOOKMARK_PERSISTENCE:
    case SQL_LOCK_TYPES:
    case SQL_STATIC_SENSITIVITY:
    case SQL_ASYNC_MODE:
    case SQL_MAX_ASYNC_CONCURRENT_STATEMENTS:
    case SQL_ASYNC_DBC_FUNCTIONS:
    case SQL_DRIVER_AWARE_POOLING_SUPPORTED:
    case SQL_BATCH_SUPPORT:
    case SQL_BATCH_ROW_COUNT:
    case SQL_PARAM_ARRAY_ROW_COUNTS:
    case SQL_PARAM_ARRAY_SELECTS:
    case SQL_MAX_STATEMENT_LEN:
    case SQL_MAX_CHAR_LITERAL_LEN:
    case SQL_MAX_BINARY_LITERAL_LEN:
    case SQL_MAX_INDEX_SIZE:
    case SQL_DATETIME_LITERALS:
    case SQL_ALTER_TABLE:
    case SQL_DDL_INDEX:
    case SQL_INSERT_STATEMENT:
    case SQL_CREATE_TABLE:
    case SQL_CREATE_VIEW:
    case SQL_DROP_TABLE:
    case SQL_DROP_VIEW:
    case SQL_INFO_SCHEMA_VIEWS:
    case SQL_CURSOR_SENSITIVITY:
        return putInteger(value, length, type == SQL_CURSOR_SENSITIVITY ? SQL_INSENSITIVE : 0);
    case SQL_MAX_ROW_SIZE:
        return putInteger(value, length, 8060);
    case SQL_ODBC_INTERFACE_CONFORMANCE:
        return putInteger(value, length, SQL_OIC_CORE);
    case SQL_SQL_CONFORMANCE:
        return putInteger(value, length, SQL_SC_SQL92_ENTRY);
    case SQL_OJ_CAPABILITIES:
        return putInteger(value, length,
                          SQL_OJ_LEFT | SQL_OJ_NESTED | SQL_OJ_NOT_ORDERED | SQL_OJ_INNER | SQL_OJ_ALL_COMPARISON_OPS);
    case SQL_SUBQUERIES:
        return putInteger(value, length,
                          SQL_SQ_COMPARISON | SQL_SQ_EXISTS | SQL_SQ_IN | SQL_SQ_QUANTIFIED
                              | SQL_SQ_CORRELATED_SUBQUERIES);
    case SQL_UNION:
        return putInteger(value, length, SQL_U_UNION | SQL_U_UNION_ALL);
    case SQL_AGGREGATE_FUNCTIONS:
        return putInteger(value, length,
                          SQL_AF_ALL | SQL_AF_AVG | SQL_AF_COUNT | SQL_AF_DISTINCT | SQL_AF_MAX | SQL_AF_MIN
                              | SQL_AF_SUM);
    case SQL_STRING_FUNCTIONS:
        return putInteger(value, length,
                          SQL_FN_STR_LTRIM | SQL_FN_STR_RTRIM | SQL_FN_STR_UCASE | SQL_FN_STR_LCASE
                              | SQL_FN_STR_SUBSTRING | SQL_FN_STR_REPLACE);
    case SQL_NUMERIC_FUNCTIONS:
        return putInteger(value, length, SQL_FN_NUM_ABS | SQL_FN_NUM_ROUND);
    case SQL_TIMEDATE_FUNCTIONS:
    case SQL_SYSTEM_FUNCTIONS:
    case SQL_TIMEDATE_ADD_INTERVALS:
    case SQL_TIMEDATE_DIFF_INTERVALS:
        return putInteger(value, length, type == SQL_SYSTEM_FUNCTIONS ? SQL_FN_SYS_IFNULL : 0);
    default:
        return dbc->fail("HY096", "Information type out of range");
    }
}

SQLRETURN describeColumn(Stmt *stmt, SQLUSMALLINT column, std::string &name, SQLSMALLINT *type, SQLULEN *size,
                         SQLSMALLINT *decimals, SQLSMALLINT *nullable)
{
    if (stmt->dbc->dead())
        return stmt->fail("08S01", "Communication link failure");
    const Column *c = columnAt(stmt, column);
    if (!c)
        return SQL_ERROR;
    name = c->name;
    if (type)
        *type = c->sqlType;
    if (size)
        *size = c->size;
    if (decimals)
        *decimals = c->decimals;
    if (nullable)
        *nullable = c->nullable;
    return SQL_SUCCESS;
}

SQLRETURN columnAttribute(Stmt *stmt, SQLUSMALLINT column, SQLUSMALLINT field, SQLPOINTER buffer, SQLSMALLINT capacity,
                          SQLSMALLINT *length, SQLLEN *number, bool wide)
{
    if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) {
        if (number)
            *number = SQLLEN(stmt->columns().size());
        return SQL_SUCCESS;
    }
    const Column *c = columnAt(stmt, column);
    if (!c)
        return SQL_ERROR;
    const auto string = [&](const std::string &s) {
        SQLLEN written = 0;
        const SQLRETURN rc = putString(stmt, s, buffer, capacity, &written, wide, true);
        if (length)
            *length = SQLSMALLINT(written);
        return rc;
    };
    const auto integer = [&](SQLLEN n) {
        if (number)
            *number = n;
        return SQL_SUCCESS;
    };
    switch (field) {
    case SQL_DESC_NAME:
    case SQL_DESC_LABEL:
    case SQL_COLUMN_NAME:
        return string(c->name);
    case SQL_DESC_BASE_COLUMN_NAME:
        return string(c->column);
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
        return string(c->table);
    case SQL_DESC_CATALOG_NAME:
        return string(c->table.empty() ? std::string() : catalogOf(c->table));
    case SQL_DESC_SCHEMA_NAME:
        return string(c->table.empty() ? "" : "dbo");
    case SQL_DESC_TYPE_NAME:
    case SQL_DESC_LOCAL_TYPE_NAME:
        return string(c->typeName);
    case SQL_DESC_LITERAL_PREFIX:
    case SQL_DESC_LITERAL_SUFFIX:
        return string(c->sqlType == SQL_VARCHAR                                        ? "'"
                      : c->sqlType == SQL_WVARCHAR && field == SQL_DESC_LITERAL_PREFIX ? "N'"
                      : c->sqlType == SQL_WVARCHAR                                     ? "'"
                                                                                       : "");
    case SQL_DESC_TYPE:
    case SQL_DESC_CONCISE_TYPE:
        return integer(field == SQL_DESC_TYPE && c->sqlType == SQL_TYPE_TIMESTAMP ? SQL_DATETIME : c->sqlType);
    case SQL_DESC_DATETIME_INTERVAL_CODE:
        return integer(c->sqlType == SQL_TYPE_TIMESTAMP ? SQL_CODE_TIMESTAMP : 0);
    case SQL_DESC_LENGTH:
    case SQL_DESC_PRECISION:
    case SQL_COLUMN_LENGTH:
    case SQL_COLUMN_PRECISION:
        return integer(SQLLEN(c->size));
    case SQL_DESC_OCTET_LENGTH:
        return integer(octets(*c));
    case SQL_DESC_DISPLAY_SIZE:
        return integer(c->sqlType == SQL_TYPE_TIMESTAMP ? 23 : SQLLEN(c->size ? c->size : 0));
    case SQL_DESC_SCALE:
    case SQL_COLUMN_SCALE:
        return integer(c->decimals);
    case SQL_DESC_NULLABLE:
    case SQL_COLUMN_NULLABLE:
        return integer(c->nullable);
    case SQL_DESC_UNSIGNED:
        return integer(isNumeric(c->sqlType) && c->sqlType != SQL_TINYINT ? SQL_FALSE : SQL_TRUE);
    case SQL_DESC_AUTO_UNIQUE_VALUE:
    case SQL_DESC_FIXED_PREC_SCALE:
    case SQL_DESC_CASE_SENSITIVE:
        return integer(SQL_FALSE);
    case SQL_DESC_SEARCHABLE:
        return integer(SQL_PRED_SEARCHABLE);
    case SQL_DESC_UPDATABLE:
        return integer(SQL_ATTR_READONLY);
    case SQL_DESC_NUM_PREC_RADIX:
        return integer(isNumeric(c->sqlType) ? (c->sqlType == SQL_FLOAT || c->sqlType == SQL_REAL ? 2 : 10) : 0);
    case SQL_DESC_UNNAMED:
        return integer(c->name.empty() ? SQL_UNNAMED : SQL_NAMED);
    default:
        return stmt->fail("HY091", "Invalid descriptor field identifier");
    }
}

SQLRETURN tables(Stmt *stmt, const std::string *catalog, const std::string *schema, const std::string *table,
                 const std::string *types)
{
    auto result = std::make_unique<TableResult>();
    result->columns = {textColumn("TABLE_CAT"), textColumn("TABLE_SCHEM"), textColumn("TABLE_NAME"),
                       textColumn("TABLE_TYPE", 32), textColumn("REMARKS", 254)};
    if (catalog && *catalog == SQL_ALL_CATALOGS && (!schema || schema->empty()) && (!table || table->empty())) {
        for (const char *db : {"build_file", "Inventory", "Laboratory", "master", "patient_data", "Station"})
            result->rows.push_back({text(db), null(), null(), null(), null()});
        return startResult(stmt, std::move(result));
    }
    std::vector<std::string> wanted;
    if (types && !types->empty() && *types != SQL_ALL_TABLE_TYPES) {
        std::string item;
        for (char c : *types + ",") {
            if (c == ',') {
                if (!item.empty())
                    wanted.push_back(item);
                item.clear();
            } else if (c != '\'' && c != ' ') {
                item += char(std::toupper(static_cast<unsigned char>(c)));
            }
        }
    }
    for (const Session::Table &t : stmt->dbc->session.tables()) {
        const std::string type = t.view ? "VIEW" : "TABLE";
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), type) == wanted.end())
            continue;
        if (table && !table->empty() && !likeName(*table, t.name))
            continue;
        if (schema && !schema->empty() && !likeName(*schema, "dbo"))
            continue;
        const std::string home = catalogOf(t.name);
        if (catalog && !catalog->empty() && !likeName(*catalog, home))
            continue;
        result->rows.push_back({text(home), text("dbo"), text(t.name), text(type), null()});
    }
    return startResult(stmt, std::move(result));
}

SQLRETURN columnsOf(Stmt *stmt, const std::string *table, const std::string *column)
{
    auto result = std::make_unique<TableResult>();
    result->columns = {textColumn("TABLE_CAT"),
                       textColumn("TABLE_SCHEM"),
                       textColumn("TABLE_NAME"),
                       textColumn("COLUMN_NAME"),
                       numberColumn("DATA_TYPE"),
                       textColumn("TYPE_NAME"),
                       numberColumn("COLUMN_SIZE", false),
                       numberColumn("BUFFER_LENGTH", false),
                       numberColumn("DECIMAL_DIGITS"),
                       numberColumn("NUM_PREC_RADIX"),
                       numberColumn("NULLABLE"),
                       textColumn("REMARKS", 254),
                       textColumn("COLUMN_DEF", 4000),
                       numberColumn("SQL_DATA_TYPE"),
                       numberColumn("SQL_DATETIME_SUB"),
                       numberColumn("CHAR_OCTET_LENGTH", false),
                       numberColumn("ORDINAL_POSITION", false),
                       textColumn("IS_NULLABLE", 254)};
    for (const Session::Table &t : stmt->dbc->session.tables()) {
        if (table && !table->empty() && !likeName(*table, t.name))
            continue;
        std::vector<Column> columns;
        std::vector<bool> key;
        if (!stmt->dbc->session.tableColumns(t.name, columns, key))
            continue;
        for (size_t k = 0; k < columns.size(); ++k) {
            const Column &c = columns[k];
            if (column && !column->empty() && !likeName(*column, c.name))
                continue;
            const bool date = c.sqlType == SQL_TYPE_TIMESTAMP;
            result->rows.push_back(
                {text(catalogOf(t.name)), text("dbo"), text(t.name), text(c.name), number(c.sqlType), text(c.typeName),
                 number(static_cast<long long>(c.size)), number(octets(c)), number(c.decimals),
                 isNumeric(c.sqlType) ? number(10) : null(), number(c.nullable), null(), null(),
                 number(date ? SQL_DATETIME : c.sqlType), date ? number(SQL_CODE_TIMESTAMP) : null(),
                 c.sqlType == SQL_VARCHAR || c.sqlType == SQL_WVARCHAR ? number(octets(c)) : null(),
                 number(static_cast<long long>(k + 1)), text(c.nullable == SQL_NO_NULLS ? "NO" : "YES")});
        }
    }
    return startResult(stmt, std::move(result));
}

SQLRETURN primaryKeys(Stmt *stmt, const std::string *table)
{
    auto result = std::make_unique<TableResult>();
    result->columns = {textColumn("TABLE_CAT"),   textColumn("TABLE_SCHEM"), textColumn("TABLE_NAME"),
                       textColumn("COLUMN_NAME"), numberColumn("KEY_SEQ"),   textColumn("PK_NAME")};
    std::vector<Column> columns;
    std::vector<bool> key;
    if (table && stmt->dbc->session.tableColumns(*table, columns, key)) {
        long long sequence = 0;
        for (size_t k = 0; k < columns.size(); ++k) {
            if (key[k])
                result->rows.push_back({text(catalogOf(*table)), text("dbo"), text(*table), text(columns[k].name),
                                        number(++sequence), text("PK_" + *table)});
        }
    }
    return startResult(stmt, std::move(result));
}

SQLRETURN typeInfo(Stmt *stmt, SQLSMALLINT type)
{
    auto result = std::make_unique<TableResult>();
    result->columns = {textColumn("TYPE_NAME"),
                       numberColumn("DATA_TYPE"),
                       numberColumn("COLUMN_SIZE", false),
                       textColumn("LITERAL_PREFIX"),
                       textColumn("LITERAL_SUFFIX"),
                       textColumn("CREATE_PARAMS"),
                       numberColumn("NULLABLE"),
                       numberColumn("CASE_SENSITIVE"),
                       numberColumn("SEARCHABLE"),
                       numberColumn("UNSIGNED_ATTRIBUTE"),
                       numberColumn("FIXED_PREC_SCALE"),
                       numberColumn("AUTO_UNIQUE_VALUE"),
                       textColumn("LOCAL_TYPE_NAME"),
                       numberColumn("MINIMUM_SCALE"),
                       numberColumn("MAXIMUM_SCALE"),
                       numberColumn("SQL_DATA_TYPE"),
                       numberColumn("SQL_DATETIME_SUB"),
                       numberColumn("NUM_PREC_RADIX", false),
                       numberColumn("INTERVAL_PRECISION")};
    struct Type
    {
        const char *name;
        SQLSMALLINT sqlType;
        long long size;
        const char *prefix;
        const char *params;
    };
    const Type known[] = {
        {"bit", SQL_BIT, 1, nullptr, nullptr},
        {"tinyint", SQL_TINYINT, 3, nullptr, nullptr},
        {"bigint", SQL_BIGINT, 19, nullptr, nullptr},
        {"varbinary", SQL_VARBINARY, 8000, "0x", "max length"},
        {"varchar", SQL_VARCHAR, 8000, "'", "max length"},
        {"decimal", SQL_DECIMAL, 38, nullptr, "precision,scale"},
        {"int", SQL_INTEGER, 10, nullptr, nullptr},
        {"smallint", SQL_SMALLINT, 5, nullptr, nullptr},
        {"float", SQL_FLOAT, 53, nullptr, nullptr},
        {"real", SQL_REAL, 24, nullptr, nullptr},
        {"datetime", SQL_TYPE_TIMESTAMP, 23, "'", nullptr},
        {"nvarchar", SQL_WVARCHAR, 4000, "N'", "max length"},
    };
    const auto matches = [&](SQLSMALLINT t) {
        if (type == SQL_ALL_TYPES || type == t)
            return true;
        return t == SQL_TYPE_TIMESTAMP && type == SQL_TIMESTAMP;
    };
    for (const Type &t : known) {
        if (!matches(t.sqlType))
            continue;
        const bool date = t.sqlType == SQL_TYPE_TIMESTAMP;
        const bool character = t.sqlType == SQL_VARCHAR || t.sqlType == SQL_WVARCHAR;
        result->rows.push_back(
            {text(t.name), number(t.sqlType), number(t.size), t.prefix ? text(t.prefix) : null(),
             t.prefix ? text(t.prefix[0] == '0' ? "" : "'") : null(), t.params ? text(t.params) : null(),
             number(SQL_NULLABLE), number(SQL_FALSE), number(character ? SQL_SEARCHABLE : SQL_PRED_BASIC),
             isNumeric(t.sqlType) ? number(SQL_FALSE) : null(), number(SQL_FALSE),
             isNumeric(t.sqlType) ? number(SQL_FALSE) : null(), text(t.name), date ? number(3) : null(),
             date ? number(3) : null(), number(date ? SQL_DATETIME : t.sqlType),
             date ? number(SQL_CODE_TIMESTAMP) : null(), isNumeric(t.sqlType) ? number(10) : null(), null()});
    }
    return startResult(stmt, std::move(result));
}

} // namespace standin
