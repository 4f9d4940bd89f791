#include "fixture.h"
#include "standincontrol.h"
#include "testmain.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <sql.h>
#include <sqlext.h>

#include <dlfcn.h>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime; GCC installs no header that declares it.
extern "C" void __asan_init();
#endif

// The stand-in through raw ODBC 3 calls and the driver manager, where Qt
// would hide what a test must see: exact SQLSTATEs, SQL types, data in
// pieces, connection state. And its controls: counters and faults.
namespace {

struct Diagnostic
{
    QString state;
    QString message;
};

Diagnostic diagnostic(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record = 1)
{
    SQLCHAR state[6] = {};
    SQLCHAR message[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, record, state, &native, message, sizeof message, &length)))
        return {};
    return {QString::fromUtf8(reinterpret_cast<char *>(state)), QString::fromUtf8(reinterpret_cast<char *>(message))};
}

// One ODBC 3 connection, closed and freed at the end of the scope.
class Odbc
{
public:
    Odbc()
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    }
    ~Odbc()
    {
        for (SQLHSTMT stmt : statements)
            SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        if (connected)
            SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
    Odbc(const Odbc &) = delete;
    Odbc &operator=(const Odbc &) = delete;

    SQLRETURN connect(const QString &path, const QString &login = QString())
    {
        const QByteArray text = QStringLiteral("Driver={%1};Database=%2%3")
                                    .arg(QStringLiteral(WARDCHECK_STANDIN_NAME), path, login)
                                    .toUtf8();
        const SQLRETURN rc =
            SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR *>(const_cast<char *>(text.constData())), SQL_NTS,
                             nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        connected = SQL_SUCCEEDED(rc);
        return rc;
    }
    SQLHSTMT statement()
    {
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        statements << stmt;
        return stmt;
    }
    static SQLRETURN exec(SQLHSTMT stmt, const QString &sql)
    {
        QByteArray text = sql.toUtf8();
        return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR *>(text.data()), SQL_NTS);
    }
    bool dead()
    {
        SQLUINTEGER value = SQL_CD_FALSE;
        SQLGetConnectAttr(dbc, SQL_ATTR_CONNECTION_DEAD, &value, 0, nullptr);
        return value == SQL_CD_TRUE;
    }

    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    QList<SQLHSTMT> statements;
    bool connected = false;
};

const char *const BusyMessage =
    "[Microsoft][ODBC Driver 17 for SQL Server]Connection is busy with results for another command";

} // namespace

class TestSqlServerOdbc : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void busyUntilResultsAreDone_data();
    void busyUntilResultsAreDone();
    void describesTypesAsSqlServer_data();
    void describesTypesAsSqlServer();
    void readsDataInPieces_data();
    void readsDataInPieces();
    void columnsAreReadInOrder();
    void countsPhysicalConnects();
    void connectFaults_data();
    void connectFaults();
    void acceptsOnlyTheConfiguredLogin();
    void dropsMidResult();
    void dropsIdleConnections();
    void environmentControlsAnotherProcess();
    void catalogueAsSqlServer();
    void batchesGiveResultsInTurn();

private:
    std::unique_ptr<FixtureDb> m_db;
    StandinControl m_control;
};

void TestSqlServerOdbc::init()
{
    m_control.clearFaults();
    m_control.acceptAnyLogin();
    m_db = std::make_unique<FixtureDb>();
    for (int i = 1; i <= 5; ++i)
        m_db->patient(QStringLiteral("H%1").arg(i), QStringLiteral("Last%1").arg(i), "First", "Middle");
    m_db->writer().exec("CREATE TABLE typed (seen DATETIME, name NVARCHAR(40), code VARCHAR(20), note TEXT, n INTEGER, "
                        "big BIGINT, ratio FLOAT)");
    m_db->writer().insert("typed", {"2026-12-01 09:30:15.250", QStringLiteral("Zoë Ñúñez"), "C-1",
                                    QStringLiteral("x").repeated(100), 42, 5000000000LL, 2.5});
    m_db->close();
}

void TestSqlServerOdbc::cleanup()
{
    m_control.clearFaults();
    m_control.acceptAnyLogin();
    m_db.reset();
}

void TestSqlServerOdbc::busyUntilResultsAreDone_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("release");
    const QString rows = QStringLiteral("select Hospnum from patient_data..tbmaster");
    const QString none = QStringLiteral("select Hospnum from patient_data..tbmaster where Hospnum = 'none'");
    QTest::newRow("fetched to the end") << rows << "fetch";
    QTest::newRow("cursor closed") << rows << "close";
    QTest::newRow("statement freed") << rows << "free";
    QTest::newRow("no rows, until fetched") << none << "fetch";
    QTest::newRow("catalogue result") << QString() << "fetch";
    QTest::newRow("batch of two, until the second is done") << rows + "; " + rows << "more";
}

void TestSqlServerOdbc::busyUntilResultsAreDone()
{
    QFETCH(QString, sql);
    QFETCH(QString, release);
    Odbc odbc;
    QVERIFY(SQL_SUCCEEDED(odbc.connect(m_db->path())));
    SQLHSTMT first = odbc.statement();
    SQLHSTMT second = odbc.statement();
    if (sql.isEmpty())
        QVERIFY(SQL_SUCCEEDED(SQLTables(first, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0)));
    else
        QVERIFY(SQL_SUCCEEDED(Odbc::exec(first, sql)));

    const QString other = QStringLiteral("select IDNum from patient_data..tbpatient");
    QCOMPARE(Odbc::exec(second, other), SQLRETURN(SQL_ERROR));
    const Diagnostic busy = diagnostic(SQL_HANDLE_STMT, second);
    QCOMPARE(busy.state, QStringLiteral("HY000"));
    QCOMPARE(busy.message, QString::fromLatin1(BusyMessage));

    if (release == QLatin1String("fetch") || release == QLatin1String("more")) {
        while (SQL_SUCCEEDED(SQLFetch(first))) { }
        if (release == QLatin1String("more")) {
            QCOMPARE(Odbc::exec(second, other), SQLRETURN(SQL_ERROR));
            QCOMPARE(SQLMoreResults(first), SQLRETURN(SQL_SUCCESS));
            while (SQL_SUCCEEDED(SQLFetch(first))) { }
            QCOMPARE(SQLMoreResults(first), SQLRETURN(SQL_NO_DATA));
        }
    } else if (release == QLatin1String("close")) {
        QCOMPARE(SQLCloseCursor(first), SQLRETURN(SQL_SUCCESS));
    } else {
        QCOMPARE(SQLFreeHandle(SQL_HANDLE_STMT, first), SQLRETURN(SQL_SUCCESS));
        odbc.statements.removeOne(first);
    }
    QCOMPARE(Odbc::exec(second, other), SQLRETURN(SQL_SUCCESS));
}

void TestSqlServerOdbc::describesTypesAsSqlServer_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::newRow("DATETIME") << 1 << int(SQL_TYPE_TIMESTAMP) << 23;
    QTest::newRow("NVARCHAR") << 2 << int(SQL_WVARCHAR) << 40;
    QTest::newRow("VARCHAR") << 3 << int(SQL_VARCHAR) << 20;
    QTest::newRow("TEXT") << 4 << int(SQL_VARCHAR) << 0;
    QTest::newRow("INTEGER") << 5 << int(SQL_INTEGER) << 10;
    QTest::newRow("BIGINT") << 6 << int(SQL_BIGINT) << 19;
    QTest::newRow("FLOAT") << 7 << int(SQL_FLOAT) << 53;
    QTest::newRow("joined texts") << 8 << int(SQL_VARCHAR) << 0;
    QTest::newRow("count") << 9 << int(SQL_INTEGER) << 10;
}

void TestSqlServerOdbc::describesTypesAsSqlServer()
{
    QFETCH(int, column);
    QFETCH(int, type);
    QFETCH(int, size);
    Odbc odbc;
    QVERIFY(SQL_SUCCEEDED(odbc.connect(m_db->path())));
    SQLHSTMT stmt = odbc.statement();
    QVERIFY(SQL_SUCCEEDED(Odbc::exec(stmt, "select seen, name, code, note, n, big, ratio, code + name, "
                                           "(select count(*) from typed) from typed")));
    SQLCHAR name[64];
    SQLSMALLINT nameLength = 0, described = 0, decimals = 0, nullable = 0;
    SQLULEN columnSize = 0;
    QVERIFY(SQL_SUCCEEDED(SQLDescribeCol(stmt, SQLUSMALLINT(column), name, sizeof name, &nameLength, &described,
                                         &columnSize, &decimals, &nullable)));
    QCOMPARE(int(described), type);
    QCOMPARE(int(columnSize), size);
    SQLLEN concise = 0;
    QVERIFY(SQL_SUCCEEDED(
        SQLColAttribute(stmt, SQLUSMALLINT(column), SQL_DESC_CONCISE_TYPE, nullptr, 0, nullptr, &concise)));
    QCOMPARE(int(concise), type);

    QVERIFY(SQL_SUCCEEDED(SQLFetch(stmt)));
    if (type == SQL_TYPE_TIMESTAMP) {
        SQL_TIMESTAMP_STRUCT t{};
        SQLLEN indicator = 0;
        QCOMPARE(SQLGetData(stmt, 1, SQL_C_TYPE_TIMESTAMP, &t, sizeof t, &indicator), SQLRETURN(SQL_SUCCESS));
        QCOMPARE(QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second, int(t.fraction / 1000000))),
                 QDateTime(QDate(2026, 12, 1), QTime(9, 30, 15, 250)));
    }
}

void TestSqlServerOdbc::readsDataInPieces_data()
{
    QTest::addColumn<int>("cType");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("expected");
    QTest::newRow("narrow text, narrow buffer") << int(SQL_C_CHAR) << 4 << QStringLiteral("x").repeated(100);
    QTest::newRow("narrow text, wide buffer") << int(SQL_C_WCHAR) << 4 << QStringLiteral("x").repeated(100);
    QTest::newRow("wide text, wide buffer") << int(SQL_C_WCHAR) << 2 << QStringLiteral("Zoë Ñúñez");
    QTest::newRow("datetime as text") << int(SQL_C_CHAR) << 1 << QStringLiteral("2026-12-01 09:30:15.250");
}

void TestSqlServerOdbc::readsDataInPieces()
{
    QFETCH(int, cType);
    QFETCH(int, column);
    QFETCH(QString, expected);
    Odbc odbc;
    QVERIFY(SQL_SUCCEEDED(odbc.connect(m_db->path())));
    SQLHSTMT stmt = odbc.statement();
    QVERIFY(SQL_SUCCEEDED(Odbc::exec(stmt, "select seen, name, code, note from typed")));
    QVERIFY(SQL_SUCCEEDED(SQLFetch(stmt)));
    const bool wide = cType == SQL_C_WCHAR;
    const int unit = wide ? int(sizeof(SQLWCHAR)) : 1;
    QByteArray collected;
    int pieces = 0;
    for (;;) {
        char buffer[8];
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(stmt, SQLUSMALLINT(column), SQLSMALLINT(cType), buffer, sizeof buffer, &indicator);
        if (rc == SQL_NO_DATA)
            break;
        QVERIFY(SQL_SUCCEEDED(rc));
        ++pieces;
        const int room = int(sizeof buffer) - unit;
        if (rc == SQL_SUCCESS_WITH_INFO) {
            QCOMPARE(diagnostic(SQL_HANDLE_STMT, stmt).state, QStringLiteral("01004"));
            QVERIFY(indicator > room);
            collected.append(buffer, room);
        } else {
            QVERIFY(indicator <= room);
            collected.append(buffer, int(indicator));
        }
        QVERIFY(pieces < 1000);
    }
    const QString text =
        wide ? QString::fromUtf16(reinterpret_cast<const char16_t *>(collected.constData()), collected.size() / 2)
             : QString::fromUtf8(collected);
    QCOMPARE(text, expected);
    QVERIFY(pieces > 1);
}

void TestSqlServerOdbc::columnsAreReadInOrder()
{
    Odbc odbc;
    QVERIFY(SQL_SUCCEEDED(odbc.connect(m_db->path())));
    SQLHSTMT stmt = odbc.statement();
    QVERIFY(SQL_SUCCEEDED(Odbc::exec(stmt, "select code, n from typed")));
    QVERIFY(SQL_SUCCEEDED(SQLFetch(stmt)));
    SQLINTEGER n = 0;
    SQLLEN indicator = 0;
    QCOMPARE(SQLGetData(stmt, 2, SQL_C_SLONG, &n, sizeof n, &indicator), SQLRETURN(SQL_SUCCESS));
    QCOMPARE(n, 42);
    char code[16];
    QCOMPARE(SQLGetData(stmt, 1, SQL_C_CHAR, code, sizeof code, &indicator), SQLRETURN(SQL_ERROR));
    QCOMPARE(diagnostic(SQL_HANDLE_STMT, stmt).state, QStringLiteral("07009"));
}

void TestSqlServerOdbc::countsPhysicalConnects()
{
    const long connects = m_control.connects();
    const long disconnects = m_control.disconnects();
    const long open = m_control.openConnections();
    {
        Odbc a;
        Odbc b;
        QVERIFY(SQL_SUCCEEDED(a.connect(m_db->path())));
        QVERIFY(SQL_SUCCEEDED(b.connect(m_db->path())));
        QCOMPARE(m_control.connects(), connects + 2);
        QCOMPARE(m_control.openConnections(), open + 2);
        QCOMPARE(m_control.disconnects(), disconnects);
    }
    QCOMPARE(m_control.disconnects(), disconnects + 2);
    QCOMPARE(m_control.openConnections(), open);
    m_control.resetCounters();
    QCOMPARE(m_control.connects(), 0L);
}

void TestSqlServerOdbc::connectFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("laterConnects");
    QTest::newRow("refused") << "connect-refused"
                             << "08001"
                             << "TCP Provider: Error code 0x274D" << false;
    QTest::newRow("refused once") << "connect-refused/1"
                                  << "08001"
                                  << "TCP Provider: Error code 0x274D" << true;
    QTest::newRow("login timeout") << "login-timeout:20"
                                   << "HYT00"
                                   << "]Login timeout expired" << false;
    QTest::newRow("refused, then a timeout") << "connect-refused/1, login-timeout:1/1"
                                             << "08001"
                                             << "TCP Provider: Error code 0x274D" << false;
}

void TestSqlServerOdbc::connectFaults()
{
    QFETCH(QString, fault);
    QFETCH(QString, state);
    QFETCH(QString, message);
    QFETCH(bool, laterConnects);
    m_control.setFault(fault.toUtf8().constData());
    const long attempts = m_control.connectAttempts();
    const long connects = m_control.connects();
    {
        Odbc odbc;
        QCOMPARE(odbc.connect(m_db->path()), SQLRETURN(SQL_ERROR));
        const Diagnostic d = diagnostic(SQL_HANDLE_DBC, odbc.dbc);
        QCOMPARE(d.state, state);
        QVERIFY2(d.message.startsWith(QLatin1String("[Microsoft][ODBC Driver 17 for SQL Server]")),
                 qPrintable(d.message));
        QVERIFY2(d.message.contains(message), qPrintable(d.message));
    }
    Odbc again;
    QCOMPARE(SQL_SUCCEEDED(again.connect(m_db->path())), laterConnects);
    QCOMPARE(m_control.connectAttempts(), attempts + 2);
    QCOMPARE(m_control.connects(), connects + (laterConnects ? 1 : 0));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, m_control.setFault("connect-refused:5"));
}

void TestSqlServerOdbc::acceptsOnlyTheConfiguredLogin()
{
    m_control.requireLogin("nurse", "s3cret;x");
    Odbc wrong;
    QCOMPARE(wrong.connect(m_db->path(), QStringLiteral(";UID=nurse;PWD=other")), SQLRETURN(SQL_ERROR));
    const Diagnostic d = diagnostic(SQL_HANDLE_DBC, wrong.dbc);
    QCOMPARE(d.state, QStringLiteral("28000"));
    QCOMPARE(d.message,
             QStringLiteral("[Microsoft][ODBC Driver 17 for SQL Server][SQL Server]Login failed for user 'nurse'."));
    Odbc right;
    QVERIFY(SQL_SUCCEEDED(right.connect(m_db->path(), QStringLiteral(";UID=nurse;PWD={s3cret;x}"))));
}

void TestSqlServerOdbc::dropsMidResult()
{
    m_control.setFault("drop-after-rows:2/1");
    Odbc odbc;
    QVERIFY(SQL_SUCCEEDED(odbc.connect(m_db->path())));
    SQLHSTMT stmt = odbc.statement();
    QVERIFY(SQL_SUCCEEDED(Odbc::exec(stmt, "select Hospnum from patient_data..tbmaster")));
    QVERIFY(!odbc.dead());
    QCOMPARE(SQLFetch(stmt), SQLRETURN(SQL_SUCCESS));
    QCOMPARE(SQLFetch(stmt), SQLRETURN(SQL_SUCCESS));
    QCOMPARE(SQLFetch(stmt), SQLRETURN(SQL_ERROR));
    bool linkFailure = false;
    for (SQLSMALLINT k = 1; k <= 2; ++k) {
        const Diagnostic d = diagnostic(SQL_HANDLE_STMT, stmt, k);
        QCOMPARE(d.state, QStringLiteral("08S01"));
        linkFailure =
            linkFailure
            || d.message == QLatin1String("[Microsoft][ODBC Driver 17 for SQL Server]Communication link failure");
    }
    QVERIFY(linkFailure);
    QVERIFY(odbc.dead());

    SQLHSTMT next = odbc.statement();
    QCOMPARE(Odbc::exec(next, "select 1"), SQLRETURN(SQL_ERROR));
    QCOMPARE(diagnostic(SQL_HANDLE_STMT, next).state, QStringLiteral("08S01"));

    // The fault fired once: a new connection reads to the end.
    Odbc fresh;
    QVERIFY(SQL_SUCCEEDED(fresh.connect(m_db->path())));
    SQLHSTMT all = fresh.statement();
    QVERIFY(SQL_SUCCEEDED(Odbc::exec(all, "select Hospnum from patient_data..tbmaster")));
    int rows = 0;
    while (SQLFetch(all) == SQL_SUCCESS)
        ++rows;
    QCOMPARE(rows, 5);
}

void TestSqlServerOdbc::dropsIdleConnections()
{
    Odbc odbc;
    QVERIFY(SQL_SUCCEEDED(odbc.connect(m_db->path())));
    QVERIFY(!odbc.dead());
    QVERIFY(m_control.dropConnections() >= 1);
    QVERIFY(odbc.dead());
    SQLHSTMT stmt = odbc.statement();
    QCOMPARE(Odbc::exec(stmt, "select 1"), SQLRETURN(SQL_ERROR));
    QCOMPARE(diagnostic(SQL_HANDLE_STMT, stmt).state, QStringLiteral("08S01"));
}

void TestSqlServerOdbc::environmentControlsAnotherProcess()
{
    const QString isql = QStandardPaths::findExecutable(QStringLiteral("isql"));
    QVERIFY2(!isql.isEmpty(), "unixODBC's isql is needed (package unixodbc)");
    const QString counters = m_db->folder() + QStringLiteral("/counters.txt");
    const auto run = [&](const QString &fault, const QString &login) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("WARDCHECK_STANDIN_COUNTERS"), counters);
        env.insert(QStringLiteral("WARDCHECK_STANDIN_FAULT"), fault);
        env.insert(QStringLiteral("WARDCHECK_STANDIN_LOGIN"), QStringLiteral("lab:pw"));
#if defined(__SANITIZE_ADDRESS__)
        // isql is not instrumented; the driver it loads is, and needs the
        // sanitizer's runtime loaded first.
        Dl_info runtime{};
        if (dladdr(reinterpret_cast<void *>(&__asan_init), &runtime))
            env.insert(QStringLiteral("LD_PRELOAD"), QString::fromLocal8Bit(runtime.dli_fname));
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
#endif
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(isql, {QStringLiteral("-b"), QStringLiteral("-v"), QStringLiteral("-k"),
                             QStringLiteral("Driver={%1};Database=%2;%3")
                                 .arg(QStringLiteral(WARDCHECK_STANDIN_NAME), m_db->path(), login)});
        process.write("select count(*) from patient_data..tbmaster\n");
        process.closeWriteChannel();
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAll());
    };
    const QString refused = run(QStringLiteral("connect-refused"), QStringLiteral("UID=lab;PWD=pw"));
    QVERIFY2(refused.contains(QLatin1String("08001")), qPrintable(refused));
    const QString wrongLogin = run(QString(), QStringLiteral("UID=lab;PWD=no"));
    QVERIFY2(wrongLogin.contains(QLatin1String("Login failed for user 'lab'.")), qPrintable(wrongLogin));
    const QString answered = run(QString(), QStringLiteral("UID=lab;PWD=pw"));
    QVERIFY2(answered.contains(QLatin1String("5")), qPrintable(answered));
    QFile file(counters);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("connect\ndisconnect\n"));
}

namespace {

QStringList rowsOf(SQLHSTMT stmt, const QList<int> &columns)
{
    QStringList rows;
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
        QStringList row;
        for (int column : columns) {
            char text[256] = {};
            SQLLEN indicator = 0;
            SQLGetData(stmt, SQLUSMALLINT(column), SQL_C_CHAR, text, sizeof text, &indicator);
            row << (indicator == SQL_NULL_DATA ? QStringLiteral("NULL") : QString::fromUtf8(text));
        }
        rows << row.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

void TestSqlServerOdbc::catalogueAsSqlServer()
{
    Odbc odbc;
    QVERIFY(SQL_SUCCEEDED(odbc.connect(m_db->path())));
    SQLHSTMT stmt = odbc.statement();
    SQLCHAR pattern[] = "tb%";
    SQLCHAR table[] = "TABLE";
    QVERIFY(SQL_SUCCEEDED(SQLTables(stmt, nullptr, 0, nullptr, 0, pattern, SQL_NTS, table, SQL_NTS)));
    const QStringList tables = rowsOf(stmt, {1, 2, 3, 4});
    QVERIFY2(tables.contains(QStringLiteral("Laboratory|dbo|tbLABmaster|TABLE")), qPrintable(tables.join(u' ')));
    QVERIFY(tables.contains(QStringLiteral("patient_data|dbo|tbpatient|TABLE")));
    QVERIFY(tables.contains(QStringLiteral("Station|dbo|tbnursecommunicationfile|TABLE")));
    QCOMPARE(tables.size(), 7);
    QCOMPARE(SQLCloseCursor(stmt), SQLRETURN(SQL_SUCCESS));

    SQLCHAR patients[] = "tbpatient";
    QVERIFY(SQL_SUCCEEDED(SQLColumns(stmt, nullptr, 0, nullptr, 0, patients, SQL_NTS, nullptr, 0)));
    QCOMPARE(rowsOf(stmt, {4, 5}), (QStringList{"IDNum|12", "Hospnum|12", "RoomID|12", "AdmDate|93", "dcrdate|93"}));
    QCOMPARE(SQLCloseCursor(stmt), SQLRETURN(SQL_SUCCESS));

    SQLCHAR master[] = "tbmaster";
    QVERIFY(SQL_SUCCEEDED(SQLPrimaryKeys(stmt, nullptr, 0, nullptr, 0, master, SQL_NTS)));
    QCOMPARE(rowsOf(stmt, {3, 4, 5}), QStringList{"tbmaster|Hospnum|1"});
    QCOMPARE(SQLCloseCursor(stmt), SQLRETURN(SQL_SUCCESS));

    QVERIFY(SQL_SUCCEEDED(SQLGetTypeInfo(stmt, SQL_TYPE_TIMESTAMP)));
    QCOMPARE(rowsOf(stmt, {1, 3}), QStringList{"datetime|23"});
}

void TestSqlServerOdbc::batchesGiveResultsInTurn()
{
    Odbc odbc;
    QVERIFY(SQL_SUCCEEDED(odbc.connect(m_db->path())));
    SQLHSTMT stmt = odbc.statement();
    QVERIFY(SQL_SUCCEEDED(Odbc::exec(stmt, "SET NOCOUNT ON; select count(*) from patient_data..tbmaster; "
                                           "select code, n from typed")));
    SQLSMALLINT columns = 0;
    QVERIFY(SQL_SUCCEEDED(SQLNumResultCols(stmt, &columns)));
    QCOMPARE(columns, SQLSMALLINT(1));
    QCOMPARE(rowsOf(stmt, {1}), QStringList{"5"});
    QCOMPARE(SQLMoreResults(stmt), SQLRETURN(SQL_SUCCESS));
    QVERIFY(SQL_SUCCEEDED(SQLNumResultCols(stmt, &columns)));
    QCOMPARE(columns, SQLSMALLINT(2));
    QCOMPARE(rowsOf(stmt, {1, 2}), QStringList{"C-1|42"});
    QCOMPARE(SQLMoreResults(stmt), SQLRETURN(SQL_NO_DATA));
}

WARDCHECK_TEST_MAIN(TestSqlServerOdbc)
#include "tst_sqlserver_odbc.moc"
