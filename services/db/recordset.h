#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>

#include <utility>
#include <vector>

class Connection;
class QSqlError;
class QSqlQuery;

// A forward-only, read-only set of rows, opened with a statement over a
// connection. Fields are found by name without regard to case. Errors are
// thrown as AppError.
//
// Open reads every row before it returns and leaves no statement active, as
// a client-side cursor does: SQL Server's drivers allow one active statement
// per connection, and the screens let window events run between rows, where
// another screen may query or reconnect the same connection. The rows stay
// readable after the connection closes.
class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    void Open(const QString &statement, Connection *connection);
    void Close();
    bool isOpen() const;

    bool isEOF() const;
    void MoveNext();

    QVariant value(const QString &field) const;
    // The text of a field: empty for null, dates as the system writes them.
    QString text(const QString &field) const;
    // As text(), but a null value is an error ("Invalid use of Null").
    QString requiredText(const QString &field) const;

private:
    int column(const QString &field) const;
    const QVariant &current(int column) const;
    // Runs the statement and reads all its rows; an invalid error when done.
    QSqlError read(const QString &statement, Connection *connection);
    void readColumns(const QSqlQuery &query);
    void checkOpen() const;

    bool m_open = false;
    QHash<QString, int> m_columns; // by lower-case name
    mutable QHash<QString, int> m_asked; // by the names callers used
    mutable std::vector<std::pair<QString, int>> m_recent; // the very strings callers used
    QVector<bool> m_dateColumns;
    int m_columnCount = 0;
    // Row r's values are m_values[r * m_columnCount ...]; one block, as a
    // hospital's patient list has tens of thousands of rows.
    std::vector<QVariant> m_values;
    qsizetype m_row = 0;
    qsizetype m_rowCount = 0;
};
