// Scanned texts go into statements between apostrophes. Whatever the text,
// the translated statement must be one statement whose literal reads back
// exactly the text, and a LIKE prefix must match exactly the values that
// begin with it. SQLite's LIKE cannot tell U+FFFD from U+FFFE, U+FFFF and
// unpaired surrogates, so "exactly" holds for the texts as SqlText::comparable
// gives them. Statements go to the engine in UTF-16, as the Qt driver sends them.
#include "fuzztext.h"
#include "sqldialect.h"
#include "sqltext.h"

#include <QString>

#include <sqlite3.h>

#include <cstdlib>
#include <cstring>

namespace {

sqlite3 *db()
{
    static sqlite3 *handle = [] {
        sqlite3 *h = nullptr;
        if (sqlite3_open_v2(":memory:", &h, SQLITE_OPEN_READONLY | SQLITE_OPEN_MEMORY, nullptr) != SQLITE_OK)
            std::abort();
        return h;
    }();
    return handle;
}

// Runs a statement that must be exactly one statement and returns its first
// column of the first row, or null when there is no row.
bool runOne(const QString &statement, QString *value)
{
    const char16_t *const begin = QStringView(statement).utf16();
    const char16_t *const end = begin + statement.size();
    sqlite3_stmt *stmt = nullptr;
    const void *tail = nullptr;
    if (sqlite3_prepare16_v2(db(), begin, int(statement.size() * 2), &stmt, &tail) != SQLITE_OK)
        std::abort(); // the statement around a literal is always valid
    const auto *rest = static_cast<const char16_t *>(tail);
    if (rest < begin || rest > end || !QStringView(rest, end).trimmed().isEmpty())
        std::abort(); // a second statement appeared
    const int rc = sqlite3_step(stmt);
    const bool row = rc == SQLITE_ROW;
    if (row && value) {
        const auto *text = static_cast<const char16_t *>(sqlite3_column_text16(stmt, 0));
        *value = QStringView(text, sqlite3_column_bytes16(stmt, 0) / 2).toString();
    }
    sqlite3_finalize(stmt);
    return row;
}

QString asciiFold(const QString &s)
{
    QString out = s;
    for (QChar &c : out) {
        if (c.unicode() < 128)
            c = c.toLower();
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = bytes.indexOf('\xff');
    QString text = fuzzText(split < 0 ? bytes : bytes.left(split));
    QString other = split < 0 ? text + QStringLiteral("tail") : fuzzText(bytes.mid(split + 1));
    // NUL ends an SQL text at the engine; scanners never send one.
    text.remove(QChar(0));
    other.remove(QChar(0));

    QString value;
    // The statement as a SQL Server would get it, then as the embedded engine does.
    runOne(SqlDialect::toSqlite(QStringLiteral("select '") + SqlText::literalBody(text) + QStringLiteral("'")), &value);
    if (value != SqlText::comparable(text))
        std::abort();

    const QString like = QStringLiteral("select 1 where '") + SqlText::literalBody(other) + QStringLiteral("' like '")
                         + SqlText::likePrefixBody(text) + QStringLiteral("%'");
    const bool matched = runOne(SqlDialect::toSqlite(like), nullptr);
    const bool expected = asciiFold(SqlText::comparable(other)).startsWith(asciiFold(SqlText::comparable(text)));
    if (matched != expected)
        std::abort();
    // With a column on the left, the translation also states the prefix as
    // a range; that may never change which values match.
    const QString column = QStringLiteral("select 1 from (select '") + SqlText::literalBody(other)
                           + QStringLiteral("' as v) where v like '") + SqlText::likePrefixBody(text)
                           + QStringLiteral("%' order by 1");
    if (runOne(SqlDialect::toSqlite(column), nullptr) != expected)
        std::abort();
    return 0;
}
