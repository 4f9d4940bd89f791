#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>

class QSqlError;
class Recordset;

enum class SqlDialectKind { SqlServer, Sqlite };

// Where the hospital database is and who logs in to it. The password lives
// in memory only, for as long as the connection may need to reconnect.
struct ConnectionSettings
{
    enum class Kind { Embedded, Odbc };

    Kind kind = Kind::Embedded;
    QString database;   // embedded: a file path; ODBC: a connection string or a DSN name
    QString userName;
    QString password;
};

// The one connection to the hospital database. Close() and then Open()
// without arguments reconnect with the settings it was made with. A
// recordset has read its rows by the time its Open returns, so no query is
// ever active when Close() runs.
class Connection
{
public:
    explicit Connection(ConnectionSettings settings);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Throws AppError with a description a person can act on.
    void Open();
    void Close();
    bool isOpen() const;

    const ConnectionSettings &settings() const { return m_settings; }
    SqlDialectKind dialect() const { return m_dialect; }

    // The ODBC connection string as sent, with the password masked; the file
    // path for the embedded database.
    QString describe() const;

    // What the database engine receives for a statement written for SQL Server.
    QString translate(const QString &statement) const;

    // Called with every statement before translation; for diagnostics and tests.
    using StatementObserver = std::function<void(const QString &)>;
    void setStatementObserver(StatementObserver observer) { m_observer = std::move(observer); }

    QSqlDatabase database() const;
    QString describeError(const QSqlError &error) const;

    static QString odbcConnectionString(const ConnectionSettings &settings);
    // A typed ODBC connection string without its PWD= or Password=
    // attributes, the rest as typed: what may be remembered.
    static QString withoutPassword(const QString &odbcText);

private:
    friend class Recordset;
    void notifyStatement(const QString &statement) const;

    void openEmbedded(QSqlDatabase &db);
    void openOdbc(QSqlDatabase &db);

    ConnectionSettings m_settings;
    QString m_name;
    SqlDialectKind m_dialect;
    StatementObserver m_observer;
};
