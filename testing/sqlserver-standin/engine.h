#pragma once

#include "tsql.h"

#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace standin {

// A value of one column of one row, as SQLite holds it.
struct Value
{
    enum Type { Null, Int, Real, Text, Blob };
    Type type = Null;
    long long i = 0;
    double r = 0;
    std::string s;
};

// A result column as SQL Server would describe it.
struct Column
{
    std::string name;
    std::string typeName; // SQL Server's name of the type
    std::string table; // base table, empty for an expression
    std::string column; // base column
    short sqlType = 0; // SQL_VARCHAR, SQL_WVARCHAR, SQL_TYPE_TIMESTAMP, ...
    unsigned long size = 0; // characters, digits; 0 for unlimited
    short decimals = 0;
    short nullable = 2; // SQL_NULLABLE_UNKNOWN
};

class Result
{
public:
    virtual ~Result() = default;
    // 1: a row, 0: the end, -1: an error (in `error`).
    virtual int next(std::vector<Value> &row, ServerError &error) = 0;
    std::vector<Column> columns;
};

// Rows made by the driver itself (catalogue functions).
class TableResult : public Result
{
public:
    int next(std::vector<Value> &row, ServerError &error) override;
    std::vector<std::vector<Value>> rows;

private:
    size_t m_next = 0;
};

// The type SQL Server would report for a column declared `declared` in the
// fixture file (SQLite keeps declared types as text).
Column columnFor(const char *declared);

// The hospital database file, open read-only, comparing and matching texts
// as SQL Server's default collation does.
class Session
{
public:
    Session() = default;
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    bool open(const std::string &path, ServerError &error);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    // Runs one translated statement with its parameters bound in order.
    std::unique_ptr<Result> run(const Translated &statement, const std::vector<Value> &parameters, ServerError &error);
    // Describes a statement without running it.
    bool describe(const Translated &statement, std::vector<Column> &columns, int &parameters, ServerError &error);

    struct Table
    {
        std::string name;
        bool view = false;
    };
    std::vector<Table> tables();
    // Columns of a table, with whether each is part of its primary key.
    bool tableColumns(const std::string &table, std::vector<Column> &columns, std::vector<bool> &primaryKey);

private:
    sqlite3 *m_db = nullptr;
};

} // namespace standin
