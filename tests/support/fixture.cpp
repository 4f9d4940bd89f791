#include "fixture.h"

#include "session.h"
#ifdef WARDCHECK_TEST_STANDINS
#include "standincontrol.h"
#include "tdsstandinprocess.h"
#endif

#include <QDir>
#include <QFile>
#include <QTest>

#include <map>
#ifdef Q_OS_WIN
#include <windows.h>

#include <string>
#endif

#ifdef WARDCHECK_TEST_STANDINS
namespace {

// The TDS stand-in servers of the FreeTDS road, one per fixture file.
std::map<QString, std::unique_ptr<TdsStandinProcess>> &tdsServers()
{
    static std::map<QString, std::unique_ptr<TdsStandinProcess>> servers;
    return servers;
}

} // namespace

TdsStandinProcess &tdsServerFor(const QString &databasePath)
{
    std::unique_ptr<TdsStandinProcess> &server = tdsServers()[databasePath];
    if (!server) {
        server = std::make_unique<TdsStandinProcess>();
        if (!server->start(databasePath))
            qFatal("the TDS stand-in did not start: %s", qPrintable(server->errorString()));
    }
    return *server;
}
#endif

FixtureDb::FixtureDb() : m_path(m_dir.filePath(QStringLiteral("hospital.db")))
{
    m_writer = std::make_unique<DbWriter>(m_path);
}

FixtureDb::~FixtureDb()
{
#ifdef WARDCHECK_TEST_STANDINS
    tdsServers().erase(m_path);
#endif
}

DbWriter &FixtureDb::writer()
{
    if (!m_writer)
        qFatal("fixture already closed");
    return *m_writer;
}

void FixtureDb::close()
{
    m_writer.reset();
}

void FixtureDb::patient(const QVariant &hn, const QVariant &last, const QVariant &first, const QVariant &middle,
                        const QVariant &birth, const QVariant &sex)
{
    writer().insert(QStringLiteral("tbmaster"), {hn, last, first, middle, birth, sex});
}

void FixtureDb::admission(const QVariant &idn, const QVariant &hn, const QVariant &room, const QVariant &admDate,
                          const QVariant &dcrDate)
{
    writer().insert(QStringLiteral("tbpatient"), {idn, hn, room, admDate, dcrDate});
}

void FixtureDb::item(const QVariant &itemId, const QVariant &name, const QStringList &locations)
{
    writer().insert(QStringLiteral("tbinvmaster"), {itemId, name});
    for (const QString &location : locations)
        writer().insert(QStringLiteral("tbinvent"), {itemId, location});
}

void FixtureDb::nurseRow(const QVariant &ref, const QVariant &hn, const QVariant &idn, const QVariant &request,
                         const QVariant &itemId)
{
    writer().insert(QStringLiteral("tbnursecommunicationfile"), {ref, hn, idn, request, itemId});
}

void FixtureDb::exam(const QVariant &id, const QVariant &name)
{
    writer().insert(QStringLiteral("tbcoLabExam"), {id, name});
}

void FixtureDb::labRow(const QVariant &ref, const QVariant &hn, const QVariant &idn, const QVariant &request,
                       const QVariant &itemId)
{
    writer().insert(QStringLiteral("tbLABmaster"), {ref, hn, idn, request, itemId});
}

void FixtureDb::user(const QString &name, const QString &password)
{
    writer().addUser(name, password, PasswordHash::Cost::Minimal);
}

QByteArray FixtureDb::bytes() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool onSqlServerRoad()
{
    const QString road = qEnvironmentVariable("WARDCHECK_TEST_ROAD");
    return road == QLatin1String("sqlserver") || road == QLatin1String("freetds");
}

bool onFreeTdsRoad()
{
    return qEnvironmentVariable("WARDCHECK_TEST_ROAD") == QLatin1String("freetds");
}

#ifdef Q_OS_WIN
namespace {

// Wine's own function (its kernel32 alone has it) for the Linux name of a
// Windows path; a path unchanged where there is no Wine.
QString wineUnixPath(const QString &path)
{
    using UnixName = char *(__cdecl *)(const wchar_t *);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return path;
    const std::wstring windowsName = QDir::toNativeSeparators(path).toStdWString();
    char *name = unixName(windowsName.c_str());
    if (!name)
        return path;
    const QString result = QString::fromLocal8Bit(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

} // namespace
#endif

ConnectionSettings fixtureSettings(const QString &databasePath)
{
#ifndef WARDCHECK_TEST_STANDINS
    // The Windows build has no stand-ins of its own. Under Wine its suites
    // may still reach the Linux build's stand-in driver, through Wine's ODBC
    // driver manager, which hands the calls to unixODBC: the driver then
    // names the fixture file as Linux does.
    if (onFreeTdsRoad())
        qFatal("WARDCHECK_TEST_ROAD=freetds: this build has no TDS stand-in");
    if (onSqlServerRoad()) {
        return ConnectionSettings{ConnectionSettings::Kind::Odbc,
                                  QStringLiteral("Driver={%1};Database=%2")
                                      .arg(qEnvironmentVariable("WARDCHECK_STANDIN_NAME"), wineUnixPath(databasePath)),
                                  QStringLiteral("tester"), QStringLiteral("pw")};
    }
#else
    if (onFreeTdsRoad()) {
        return ConnectionSettings{ConnectionSettings::Kind::Odbc, tdsServerFor(databasePath).connectionString(),
                                  TdsStandinProcess::user(), TdsStandinProcess::password()};
    }
#endif
    if (!onSqlServerRoad())
        return ConnectionSettings{ConnectionSettings::Kind::Embedded, databasePath, QStringLiteral("tester"),
                                  QString()};
    return ConnectionSettings{
        ConnectionSettings::Kind::Odbc,
        QStringLiteral("Driver={%1};Database=%2").arg(qEnvironmentVariable("WARDCHECK_STANDIN_NAME"), databasePath),
        QStringLiteral("tester"), QStringLiteral("pw")};
}

QString databaseGoneDescription()
{
    return onSqlServerRoad() ? QStringLiteral("The hospital database could not be reached")
                             : QStringLiteral("The hospital database file");
}

bool takeDatabaseAway(const QString &databasePath)
{
#ifdef WARDCHECK_TEST_STANDINS
    if (onFreeTdsRoad()) {
        // The server goes away: its links close and its port refuses.
        if (tdsServerFor(databasePath).control(QStringLiteral("down")) != QLatin1String("ok"))
            return false;
    } else if (onSqlServerRoad()) {
        StandinControl server;
        server.setFault("connect-refused");
        server.dropConnections();
    }
#endif
    return QFile::rename(databasePath, databasePath + QStringLiteral(".away"));
}

bool bringDatabaseBack(const QString &databasePath)
{
#ifdef WARDCHECK_TEST_STANDINS
    if (onFreeTdsRoad()) {
        if (tdsServerFor(databasePath).control(QStringLiteral("up")) != QLatin1String("ok"))
            return false;
    } else if (onSqlServerRoad())
        StandinControl().clearFaults();
#endif
    return QFile::rename(databasePath + QStringLiteral(".away"), databasePath);
}

TestUser::TestUser(const QString &databasePath) : TestUser(fixtureSettings(databasePath))
{ }

TestUser::TestUser(const ConnectionSettings &settings) : m_connection(std::make_unique<Connection>(settings))
{
    m_connection->Open();
    m_connection->setStatementObserver([this](const QString &statement) { statements << statement; });
}

TestUser *installTestUser(const QString &databasePath)
{
    auto user = std::make_unique<TestUser>(databasePath);
    TestUser *raw = user.get();
    Session::setUser(std::move(user));
    return raw;
}
