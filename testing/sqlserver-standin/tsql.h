#pragma once

#include <string>
#include <vector>

namespace standin {

// An error as SQL Server reports it: SQLSTATE, native error number and the
// server's own text (without the driver's bracketed prefix).
struct ServerError
{
    std::string state;
    int native = 0;
    std::string text;
};

// One statement of a batch, ready for SQLite.
struct Translated
{
    enum class Kind { Query, SessionOption };
    Kind kind = Kind::Query;
    std::string sql;
    // SQLite's own name for each top-level select-list item that has no
    // alias and is not a plain column; SQL Server leaves those unnamed.
    std::vector<std::string> unnamed;
};

// Turns a T-SQL batch into SQLite statements, or says why SQL Server would
// refuse it. Refuses everything that is not a read.
bool translate(const std::string &batch, std::vector<Translated> &out, ServerError &error);

// The database that holds a hospital table, or empty for a table the
// catalogue does not know.
std::string databaseOf(const std::string &table);
bool isKnownDatabase(const std::string &name);

} // namespace standin
