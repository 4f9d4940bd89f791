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
    // ODBC: Close keeps the server connection and Open takes it again while
    // the driver reports it alive, so a lookup's reconnect costs no login.
    bool reuseServerConnection = true;
};

// The one connection to the hospital database. Close() and then Open()
// without arguments reconnect with the settings it was made with. A
// recordset has read its rows by the time its Open returns, so no query is
// ever active when Close() runs.
//
// Over ODBC, Close() keeps the server connection and Open() takes it back
// when the driver says it is still alive (a pool of one); a dead one is
// replaced, and a statement whose link failed on a connection taken back
// this way is sent once more over a new one. The driver manager's own
// pooling is not used: unixODBC 2.3.11 loses some 70 KB each time it hands
// out a pooled connection again, hundreds of megabytes over a shift.
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

    // Server connections made since this object was created.
    int physicalConnects() const { return m_physicalConnects; }

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
    // After a statement failed: when the link broke under a server
    // connection that Open took back, replaces it and says the statement
    // may be sent again.
    bool replaceBrokenLink();
    void notifyStatement(const QString &statement) const;

    void openEmbedded(QSqlDatabase &db);
    void openOdbc(QSqlDatabase &db);
    void connect();
    void disconnect();
    bool keptConnectionAlive() const;

    ConnectionSettings m_settings;
    QString m_name;
    SqlDialectKind m_dialect;
    StatementObserver m_observer;
    bool m_open = false;
    bool m_takenBack = false;   // this Open reused a kept server connection
    int m_physicalConnects = 0;
};
