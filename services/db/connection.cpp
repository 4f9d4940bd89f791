#include "connection.h"

#include "apperror.h"
#include "sqldialect.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>

#ifdef Q_OS_WIN
#include <windows.h> // the ODBC headers of Windows use its types without including them
#endif
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <limits>

namespace {

QString newConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("wardcheck-%1").arg(++counter);
}

// ODBC attribute values need braces when they hold characters that would
// otherwise end or split the attribute.
QString odbcValue(const QString &value)
{
    static const QString special = QStringLiteral(";{}=");
    bool needsBraces = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    for (QChar c : value)
        needsBraces = needsBraces || special.contains(c);
    if (!needsBraces)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QStringLiteral("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

bool namesDriverOrServer(const QString &connection)
{
    return connection.contains(QLatin1String("DRIVER="), Qt::CaseInsensitive)
           || connection.contains(QLatin1String("SERVER="), Qt::CaseInsensitive);
}

// Qt's ODBC driver reads FreeTDS's texts narrow and as UTF-8, and FreeTDS
// converts them to its client character set, which is the process locale's
// unless the connection names one: under a C or Latin-1 locale every
// accented name would arrive broken, and typed accents would be sent wrong.
bool namesFreeTds(const QString &text)
{
    static const QRegularExpression freeTds(QStringLiteral("(^|;)\\s*DRIVER\\s*=\\s*\\{?[^;]*(FreeTDS|tdsodbc)"),
                                            QRegularExpression::CaseInsensitiveOption);
    return freeTds.match(text).hasMatch();
}

QString withAttribute(const QString &text, const QString &attribute)
{
    return text + (text.endsWith(QLatin1Char(';')) ? QString() : QStringLiteral(";")) + attribute;
}

QString withFreeTdsCharset(const QString &text)
{
    if (!namesFreeTds(text) || text.contains(QLatin1String("ClientCharset"), Qt::CaseInsensitive))
        return text;
    return withAttribute(text, QStringLiteral("ClientCharset=UTF-8"));
}

// Qt's ODBC driver asks the server for its date types right after the
// login, on a statement of its own; FreeTDS sends that without a time limit
// unless the connection names one. (Its connection timeout covers the
// login only.)
QString withFreeTdsTimeout(const QString &text, int seconds)
{
    static const QRegularExpression timeout(QStringLiteral("(^|;)\\s*Timeout\\s*="),
                                            QRegularExpression::CaseInsensitiveOption);
    if (!namesFreeTds(text) || timeout.match(text).hasMatch())
        return text;
    return withAttribute(text, QStringLiteral("Timeout=%1").arg(seconds));
}

// What Qt's ODBC driver is given as its database name: it prefixes "DSN="
// itself unless the text names a driver or server.
QString odbcDatabaseName(const QString &database)
{
    QString text = database.trimmed();
    if (!namesDriverOrServer(text) && text.startsWith(QLatin1String("DSN="), Qt::CaseInsensitive))
        text.remove(0, 4);
    return withFreeTdsCharset(text);
}

int sqliteCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : -1;
}

QString describeSqliteError(const QString &path, const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    switch (sqliteCode(error)) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return QStringLiteral("The hospital database file %1 is locked by another program. Try again in a moment.")
            .arg(path);
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return QStringLiteral("The hospital database file %1 is damaged or is not a database (%2).").arg(path, text);
    case 14: // SQLITE_CANTOPEN
        return QStringLiteral("The hospital database file %1 cannot be opened (%2).").arg(path, text);
    case 23: // SQLITE_AUTH
    case 3: // SQLITE_PERM
        return QStringLiteral("The hospital database file %1 cannot be read: permission denied.").arg(path);
    default:
        return text;
    }
}

} // namespace

Connection::Connection(ConnectionSettings settings)
    : m_settings(std::move(settings)), m_name(newConnectionName()), m_dialect(SqlDialectKind::SqlServer)
{
    // The dialect is what the user chose, never guessed from the connection
    // text: a server, user or password that happens to say "sqlite" must not
    // change what the statements mean.
    if (m_settings.kind == ConnectionSettings::Kind::Embedded) {
        m_dialect = SqlDialectKind::Sqlite;
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    } else {
        QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_name);
    }
}

Connection::~Connection()
{
    disconnect();
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase Connection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool Connection::isOpen() const
{
    // A server link let go after a failed statement is made again by the
    // next statement; the connection stays open for its users meanwhile.
    return m_open;
}

Connection::TimeLimit::TimeLimit(Connection &connection) : m_connection(connection)
{
    if (m_connection.m_limits++ > 0)
        return;
    const ConnectionSettings &s = m_connection.m_settings;
    const int seconds = std::max(1, s.queryTimeoutSeconds) + std::max(1, s.loginTimeoutSeconds);
    m_connection.m_limitEnds = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    // The embedded engine's own work (the probe after opening, the login's
    // reading of its accounts) stops there too.
    m_connection.m_deadline = m_connection.m_limitEnds;
}

Connection::TimeLimit::~TimeLimit()
{
    if (--m_connection.m_limits > 0)
        return;
    m_connection.m_limitEnds = std::chrono::steady_clock::time_point::max();
    m_connection.m_deadline = std::chrono::steady_clock::time_point::max();
}

qint64 Connection::remainingMs() const
{
    using namespace std::chrono;
    if (m_limits == 0)
        return std::numeric_limits<qint64>::max();
    return std::max<qint64>(0, duration_cast<milliseconds>(m_limitEnds - steady_clock::now()).count());
}

QString Connection::timeLimitPassed() const
{
    const int seconds = std::max(1, m_settings.queryTimeoutSeconds) + std::max(1, m_settings.loginTimeoutSeconds);
    return QStringLiteral("The hospital database did not answer within %1 seconds.").arg(seconds);
}

int Connection::secondsAllowed(int ownSeconds) const
{
    ownSeconds = std::max(1, ownSeconds);
    if (m_limits == 0)
        return ownSeconds;
    const qint64 left = remainingMs();
    if (left <= 0)
        throw AppError(AppError::ProviderError, timeLimitPassed());
    // Drivers count in whole seconds; the last part of one is still given.
    return int(std::min<qint64>(ownSeconds, (left + 999) / 1000));
}

void Connection::Open()
{
    if (isOpen())
        return;
    const TimeLimit limit(*this);
    m_takenBack = false;
    if (database().isOpen()) {
        if (keptConnectionAlive()) {
            m_open = true;
            m_takenBack = true;
            return;
        }
        disconnect();
    }
    connect();
    m_open = true;
}

bool Connection::keptConnectionAlive() const
{
    // Qt's ODBC driver hands out its connection handle as a void*.
    const QVariant handle = database().driver()->handle();
    if (m_settings.kind != ConnectionSettings::Kind::Odbc || handle.metaType().id() != QMetaType::VoidStar)
        return false;
    SQLHDBC dbc = handle.value<void *>();
    SQLUINTEGER dead = SQL_CD_FALSE;
    const SQLRETURN rc = SQLGetConnectAttr(dbc, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr);
    // A driver that cannot tell is trusted; a link that broke meanwhile is
    // found by the next statement, which is then sent over a new one.
    return !SQL_SUCCEEDED(rc) || dead != SQL_CD_TRUE;
}

bool Connection::replaceAfterFailure(const QSqlError &error)
{
    // A new login and the statement again only while the lookup's time
    // limit leaves room for them.
    const bool retry =
        m_settings.kind == ConnectionSettings::Kind::Odbc && m_takenBack && !isTimeout(error) && remainingMs() > 1000;
    m_takenBack = false;
    if (m_settings.kind == ConnectionSettings::Kind::Embedded)
        return false;
    dropLink();
    if (!retry)
        return false;
    connect();
    return true;
}

void Connection::relinkIfDropped()
{
    if (m_open && !database().isOpen())
        connect();
}

void Connection::dropLink()
{
    QSqlDatabase db = database();
    if (db.isOpen())
        db.close();
}

bool Connection::isTimeout(const QSqlError &) const
{
    // Told apart by the clock rather than by the error: drivers word and
    // number a timeout differently, and a statement that failed only after
    // the whole timeout has cost the user that wait, whatever the reason.
    using namespace std::chrono;
    const auto waited = duration_cast<milliseconds>(steady_clock::now() - m_statementStarted).count();
    return waited + 250 >= qint64(m_statementSeconds) * 1000;
}

QSqlError Connection::execute(QSqlQuery &query, const QString &statement)
{
    using namespace std::chrono;
    const int seconds = secondsAllowed(m_settings.queryTimeoutSeconds);
    const auto started = steady_clock::now();
    m_statementStarted = started;
    m_statementSeconds = seconds;
    QSqlError error;
    if (m_settings.kind == ConnectionSettings::Kind::Embedded) {
        m_deadline = std::min(started + std::chrono::seconds(seconds), m_limitEnds);
        if (!query.exec(statement))
            error = query.lastError();
    } else {
        // Qt's ODBC driver has a statement handle to set the timeout on only
        // between prepare and exec. Nothing in a statement is a parameter
        // marker: a statement that prepare would change is not sent.
        if (!query.prepare(statement)) {
            error = query.lastError();
        } else if (query.executedQuery() != statement) {
            error = QSqlError(QStringLiteral("The statement could not be sent as written."), QString(),
                              QSqlError::StatementError);
        } else {
            if (!limitStatement(query, seconds)) {
                error = QSqlError(QStringLiteral("The ODBC driver did not take a time limit for the statement, "
                                                 "so it was not sent."),
                                  QString(), QSqlError::StatementError);
            } else if (!query.exec()) {
                error = query.lastError();
            }
        }
    }
    return error;
}

void Connection::statementDone()
{
    m_deadline = m_limitEnds;
}

bool Connection::limitStatement(QSqlQuery &query, int seconds)
{
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (handle.metaType().id() != QMetaType::VoidStar || !handle.value<void *>())
        return false;
    auto *statement = static_cast<SQLHSTMT>(handle.value<void *>());
    const SQLRETURN set = SQLSetStmtAttr(statement, SQL_ATTR_QUERY_TIMEOUT,
                                         reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), SQL_IS_UINTEGER);
    if (!SQL_SUCCEEDED(set))
        return false;
    // A driver may take the attribute and keep a value of its own (01S02):
    // no limit, or a longer one, is no limit of ours.
    SQLULEN taken = 0;
    if (!SQL_SUCCEEDED(SQLGetStmtAttr(statement, SQL_ATTR_QUERY_TIMEOUT, &taken, SQL_IS_UINTEGER, nullptr)))
        return set == SQL_SUCCESS;
    return taken > 0 && taken <= SQLULEN(seconds);
}

int Connection::embeddedProgress(void *connection)
{
    // A nonzero answer interrupts the statement (SQLITE_INTERRUPT).
    return std::chrono::steady_clock::now() > static_cast<const Connection *>(connection)->m_deadline ? 1 : 0;
}

bool Connection::watchEmbeddedStatements(QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *engine = *static_cast<sqlite3 *const *>(handle.constData());
    if (!engine)
        return false;
    sqlite3_progress_handler(engine, 10000, &Connection::embeddedProgress, this);
    return true;
}

void Connection::connect()
{
    QSqlDatabase db = database();
    if (!db.isValid() || !db.driver()) {
        throw AppError(AppError::ProviderError, QStringLiteral("The database driver for %1 is not installed.")
                                                    .arg(m_settings.kind == ConnectionSettings::Kind::Embedded
                                                             ? QStringLiteral("the embedded database")
                                                             : QStringLiteral("ODBC")));
    }
    const int seconds = secondsAllowed(m_settings.loginTimeoutSeconds);
    if (m_settings.kind == ConnectionSettings::Kind::Embedded)
        openEmbedded(db, seconds);
    else
        openOdbc(db, seconds);
    ++m_physicalConnects;
}

void Connection::openEmbedded(QSqlDatabase &db, int seconds)
{
    const QString path = m_settings.database;
    const QFileInfo info(path);
    if (path.trimmed().isEmpty())
        throw AppError(AppError::ProviderError, QStringLiteral("No hospital database file has been chosen."));
    if (!info.exists())
        throw AppError(AppError::ProviderError,
                       QStringLiteral("The hospital database file %1 does not exist.").arg(path));
    if (info.isDir())
        throw AppError(AppError::ProviderError,
                       QStringLiteral("%1 is a folder, not a hospital database file.").arg(path));
    if (!info.isReadable())
        throw AppError(AppError::ProviderError,
                       QStringLiteral("The hospital database file %1 cannot be read: permission denied.").arg(path));

    db.setDatabaseName(path);
    // Read-only: the program never writes to the hospital database, and a
    // short busy wait keeps a bedside scan from hanging behind a writer.
    const int busyMs = std::min(1000, seconds * 1000);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(busyMs));
    if (!db.open())
        throw AppError(AppError::ProviderError, describeSqliteError(path, db.lastError()));
    // No statement runs without its time limit, the probe below included.
    if (!watchEmbeddedStatements(db)) {
        db.close();
        throw AppError(AppError::ProviderError,
                       QStringLiteral("The embedded database driver does not let Wardcheck limit a statement's time."));
    }

    // SQLite opens lazily; read the schema now so that a damaged or locked
    // file is reported when connecting, not halfway through a lookup.
    // The same read says whether it is the demo database.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("select count(*), count(case when type = 'table' and name = 'wc_demo' then 1 end) "
                                   "from sqlite_master"))
        || !probe.next()) {
        const QString message = sqliteCode(probe.lastError()) == SQLITE_INTERRUPT
                                    ? timeLimitPassed()
                                    : describeSqliteError(path, probe.lastError());
        probe = QSqlQuery();
        db.close();
        throw AppError(AppError::ProviderError, message);
    }
    m_demo = probe.value(1).toInt() > 0;
    probe = QSqlQuery();
    // A list of every admitted patient reads pages all over a large file;
    // with SQLite's small default cache each of them is read again on every
    // refill. 64 MiB holds the patient tables of a large hospital.
    QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size = -65536"));
}

void Connection::openOdbc(QSqlDatabase &db, int seconds)
{
    // Qt 6.4 counts the terminating zero into the connection string's length
    // and FreeTDS takes that zero into the last attribute's value, so a
    // password sent last would reach the server one character too long and
    // every login would fail. Ending the text with ';' leaves the zero after
    // an empty attribute, which drivers ignore. Qt joins database, UID and
    // PWD in that order, leaving out the empty ones.
    QString database = withFreeTdsTimeout(odbcDatabaseName(m_settings.database), seconds);
    QString user = m_settings.userName.isEmpty() ? QString() : odbcValue(m_settings.userName);
    QString password = m_settings.password.isEmpty() ? QString() : odbcValue(m_settings.password);
    QString &last = !password.isEmpty() ? password : !user.isEmpty() ? user : database;
    if (!last.endsWith(QLatin1Char(';')))
        last += QLatin1Char(';');
    db.setDatabaseName(database);
    db.setUserName(user);
    db.setPassword(password);
    // The login timeout bounds the login; the connection timeout what the
    // driver is asked on the connection outside a statement of ours.
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%1;"
                                        "SQL_ATTR_ACCESS_MODE=SQL_MODE_READ_ONLY")
                             .arg(seconds));
    m_loginRefused = false;
    if (!db.open()) {
        const QSqlError error = db.lastError();
        const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
        // SQL Server's error 18456, in whatever words its language has.
        m_loginRefused = error.nativeErrorCode() == QLatin1String("18456")
                         || detail.contains(QLatin1String("Login failed"), Qt::CaseInsensitive);
        throw AppError(
            AppError::ProviderError,
            QStringLiteral("The hospital database could not be reached, or it refused the login: %1").arg(detail));
    }
}

void Connection::Close()
{
    m_open = false;
    m_takenBack = false;
    if (m_settings.kind == ConnectionSettings::Kind::Embedded || !m_settings.reuseServerConnection)
        disconnect();
}

void Connection::disconnect()
{
    m_open = false;
    QSqlDatabase db = database();
    if (db.isOpen())
        db.close();
}

QString Connection::describe() const
{
    if (m_settings.kind == ConnectionSettings::Kind::Embedded)
        return m_settings.database;
    // A password may come with the login or in the preset's own string;
    // neither is ever shown.
    return withoutPassword(odbcConnectionString(m_settings));
}

QString Connection::odbcConnectionString(const ConnectionSettings &settings)
{
    const QString name = odbcDatabaseName(settings.database);
    QString text = namesDriverOrServer(name) ? name : QStringLiteral("DSN=") + name;
    if (!settings.userName.isEmpty())
        text += QStringLiteral(";UID=") + odbcValue(settings.userName);
    if (!settings.password.isEmpty())
        text += QStringLiteral(";PWD=") + odbcValue(settings.password);
    return text;
}

QString Connection::withoutPassword(const QString &odbcText)
{
    // Attributes are separated by semicolons, except inside a braced value,
    // where "}}" stands for one brace.
    QStringList kept;
    qsizetype start = 0;
    while (start <= odbcText.size()) {
        qsizetype end = start;
        bool braced = false;
        while (end < odbcText.size()) {
            const QChar c = odbcText.at(end);
            if (braced && c == QLatin1Char('}')) {
                if (end + 1 < odbcText.size() && odbcText.at(end + 1) == QLatin1Char('}'))
                    ++end;
                else
                    braced = false;
            } else if (!braced && c == QLatin1Char('{')) {
                braced = true;
            } else if (!braced && c == QLatin1Char(';')) {
                break;
            }
            ++end;
        }
        const QString attribute = odbcText.mid(start, end - start);
        const QString key = attribute.section(QLatin1Char('='), 0, 0).trimmed();
        const bool password = attribute.contains(QLatin1Char('='))
                              && (key.compare(QLatin1String("PWD"), Qt::CaseInsensitive) == 0
                                  || key.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0);
        if (!password && !attribute.trimmed().isEmpty())
            kept << attribute;
        start = end + 1;
    }
    return kept.join(QLatin1Char(';'));
}

QString Connection::translate(const QString &statement) const
{
    return m_dialect == SqlDialectKind::Sqlite ? SqlDialect::toSqlite(statement) : statement;
}

QString Connection::describeError(const QSqlError &error) const
{
    if (m_settings.kind == ConnectionSettings::Kind::Embedded && sqliteCode(error) == SQLITE_INTERRUPT) {
        if (m_limits > 0 && remainingMs() == 0)
            return timeLimitPassed();
        const int seconds = std::max(1, m_statementSeconds);
        return seconds == 1 ? QStringLiteral("The hospital database did not answer within 1 second.")
                            : QStringLiteral("The hospital database did not answer within %1 seconds.").arg(seconds);
    }
    if (m_settings.kind == ConnectionSettings::Kind::Embedded)
        return describeSqliteError(m_settings.database, error);
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

void Connection::notifyStatement(const QString &statement) const
{
    if (m_observer)
        m_observer(statement);
}
