#pragma once

#include <QSqlDatabase>
#include <QString>

#include <chrono>
#include <functional>

class QSqlError;
class QSqlQuery;
class Recordset;

enum class SqlDialectKind { SqlServer, Sqlite };

// Where the hospital database is and who logs in to it. The password lives
// in memory only, for as long as the connection may need to reconnect.
struct ConnectionSettings
{
    enum class Kind { Embedded, Odbc };

    Kind kind = Kind::Embedded;
    QString database; // embedded: a file path; ODBC: a connection string or a DSN name
    QString userName;
    QString password;
    // ODBC: Close keeps the server connection and Open takes it again while
    // the driver reports it alive, so a lookup's reconnect costs no login.
    bool reuseServerConnection = true;
    // How long one statement may take before it fails with an error, as the
    // platform's command timeout did: a row locked anywhere in the hospital
    // must not freeze a ward PC.
    int queryTimeoutSeconds = 30;
    // How long a login may take, the driver's first queries after it
    // included.
    int loginTimeoutSeconds = 15;
};

// The one connection to the hospital database. Close() and then Open()
// without arguments reconnect with the settings it was made with. A
// recordset has read its rows by the time its Open returns, so no query is
// ever active when Close() runs.
//
// Over ODBC, Close() keeps the server connection and Open() takes it back
// when the driver says it is still alive (a pool of one); a dead one is
// replaced. The driver's word is its last known state, not a check: a
// statement that fails on a connection taken back this way, for whatever
// reason, is sent once more over a new login, and a connection on which a
// statement failed is never taken back. The driver manager's own
// pooling is not used: unixODBC 2.3.11 loses some 70 KB each time it hands
// out a pooled connection again, hundreds of megabytes over a shift.
class Connection
{
public:
    explicit Connection(ConnectionSettings settings);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // One time limit for one lookup, from the scan's Enter to its verdict:
    // what the connection does meanwhile (a reconnect, the statements, a new
    // login and a statement sent again) ends within the query timeout plus
    // at most the login timeout; nothing starts once the limit has passed,
    // and each statement and login gets no more than what is left. A limit
    // made inside another is the outer one. Without one, Open and each
    // statement make their own.
    class TimeLimit
    {
    public:
        explicit TimeLimit(Connection &connection);
        ~TimeLimit();
        TimeLimit(const TimeLimit &) = delete;
        TimeLimit &operator=(const TimeLimit &) = delete;

    private:
        Connection &m_connection;
    };
    // What the running time limit leaves, in milliseconds.
    qint64 remainingMs() const;
    // The error of a lookup whose time limit has passed.
    QString timeLimitPassed() const;

    // Throws AppError with a description a person can act on.
    void Open();
    void Close();
    bool isOpen() const;

    // Server connections made since this object was created.
    int physicalConnects() const { return m_physicalConnects; }

    const ConnectionSettings &settings() const { return m_settings; }
    // The embedded demo database, with its public accounts: not for patient care.
    bool isDemo() const { return m_demo; }
    // The last login failed because the server refused it: it was reached.
    bool loginRefused() const { return m_loginRefused; }
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
    // Runs a statement with the query timeout; false with the query's error.
    QSqlError execute(QSqlQuery &query, const QString &statement);
    // After a statement failed: a server connection that Open took back is
    // replaced by a new login and the statement may be sent again (true);
    // otherwise the connection is let go, so that the next Open logs in
    // anew. A statement that timed out is not sent again: the user has
    // waited the whole timeout already.
    bool replaceAfterFailure(const QSqlError &error);
    // Ends the statement clock that execute started.
    void statementDone();
    // Logs in again when a failure let the server link go.
    void relinkIfDropped();
    void dropLink();
    bool isTimeout(const QSqlError &error) const;
    // Sets the statement's time limit in the driver: false when the driver
    // does not take it.
    static bool limitStatement(QSqlQuery &query, int seconds);
    bool watchEmbeddedStatements(QSqlDatabase &db);
    static int embeddedProgress(void *connection);
    void notifyStatement(const QString &statement) const;

    void openEmbedded(QSqlDatabase &db, int seconds);
    void openOdbc(QSqlDatabase &db, int seconds);
    // Seconds a login or a statement may take now: its own limit, or what the
    // running time limit leaves if that is less. Throws when nothing is left.
    int secondsAllowed(int ownSeconds) const;
    void connect();
    void disconnect();
    bool keptConnectionAlive() const;

    ConnectionSettings m_settings;
    QString m_name;
    SqlDialectKind m_dialect;
    StatementObserver m_observer;
    bool m_open = false;
    bool m_takenBack = false; // this Open reused a kept server connection
    bool m_demo = false;
    bool m_loginRefused = false;
    int m_physicalConnects = 0;
    // The running time limit: when it ends, and how many are nested.
    std::chrono::steady_clock::time_point m_limitEnds = std::chrono::steady_clock::time_point::max();
    int m_limits = 0;
    // The embedded engine's deadline, read by its progress handler.
    std::chrono::steady_clock::time_point m_deadline = std::chrono::steady_clock::time_point::max();
    std::chrono::steady_clock::time_point m_statementStarted;
    int m_statementSeconds = 0;
};
