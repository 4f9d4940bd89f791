#pragma once

#include <QString>

// Statements are written for SQL Server. The embedded SQLite engine keeps
// the five hospital databases' tables in one file (their names do not
// clash), so a statement is translated by:
//   - dropping database and schema qualifiers: db..t, db.dbo.t, [db].[dbo].[t] -> t
//   - turning bracketed identifiers into quoted ones: [ItemID] -> "ItemID"
//   - joining texts with || instead of +
//   - giving a LIKE pattern that escapes with brackets ([%], [_], [[])
//     SQLite's ESCAPE form
// String literals are copied unchanged otherwise, so nothing inside quotes
// can alter the translated statement.
namespace SqlDialect {

QString toSqlite(const QString &statement);

} // namespace SqlDialect
