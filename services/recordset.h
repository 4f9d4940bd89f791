#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVector>

#include <memory>

class Connection;
class QSqlQuery;

// A forward-only, read-only set of rows, opened with a statement over a
// connection. Fields are found by name without regard to case. Errors are
// thrown as AppError.
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
    friend class Connection;
    void connectionClosing();
    int column(const QString &field) const;
    void readColumns();
    void checkOpen() const;

    Connection *m_connection = nullptr;
    std::unique_ptr<QSqlQuery> m_query;
    bool m_eof = true;
    QHash<QString, int> m_columns;
    QVector<bool> m_dateColumns;
};
