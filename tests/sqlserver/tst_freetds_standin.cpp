#include "apperror.h"
#include "connection.h"
#include "containerlist.h"
#include "dialogrecorder.h"
#include "fixture.h"
#include "frmview.h"
#include "packagelookup.h"
#include "recordset.h"
#include "session.h"
#include "tdsstandinprocess.h"
#include "testmain.h"
#include "textgridmodel.h"
#include "texts.h"
#include "wristbandcheck.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <sql.h>
#include <sqlext.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The real FreeTDS driver (Debian's tdsodbc) over TCP to the TDS stand-in
// server: the program's statements give the same rows as over the embedded
// file, names keep their accents, and the server's refusals, stalls, drops
// and restarts reach the program as SQL Server's would.
class TestFreeTdsStandin : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void programStatementsAgree_data();
    void programStatementsAgree();
    void patientListOverFreeTds();
    void accentedNames_data();
    void accentedNames();
    void zeroAfterLastAttribute_data();
    void zeroAfterLastAttribute();
    void refusedLogins_data();
    void refusedLogins();
    void queryTimeoutSendsAttention();
    void preparedStatements_data();
    void preparedStatements();
    void procedureCalls_data();
    void procedureCalls();
    void lookupsTimeOut_data();
    void lookupsTimeOut();
    void secondStatementWhileResultsPending();
    void droppedLink();
    void serverRestart();
    void everyStatementFails();
    void malformedMessagesEndOnlyTheirLink_data();
    void malformedMessagesEndOnlyTheirLink();
    void stopsWhenTold();

private:
    ConnectionSettings freeTds(const QString &extra = QStringLiteral(";ClientCharset=UTF-8")) const;

    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<TdsStandinProcess> m_server;
};

namespace {

// A small ODBC client of its own, for what Qt does not reach: the query
// timeout and the SQLSTATEs.
class OdbcLink
{
public:
    // `countZero`: the length passed includes the terminating zero, as Qt
    // 6.4's ODBC driver passes it.
    explicit OdbcLink(const QString &connection, bool countZero = false)
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        SQLSetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(5), 0);
        QByteArray text = connection.toUtf8();
        const SQLSMALLINT length = countZero ? SQLSMALLINT(text.size() + 1) : SQLSMALLINT(SQL_NTS);
        const SQLRETURN rc = SQLDriverConnect(m_dbc, nullptr, reinterpret_cast<SQLCHAR *>(text.data()), length, nullptr,
                                              0, nullptr, SQL_DRIVER_NOPROMPT);
        m_connected = SQL_SUCCEEDED(rc);
        if (!m_connected)
            m_state = diagnostic(SQL_HANDLE_DBC, m_dbc);
    }
    ~OdbcLink()
    {
        if (m_pending)
            SQLFreeHandle(SQL_HANDLE_STMT, m_pending);
        if (m_stmt)
            SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
        if (m_connected)
            SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }

    bool connected() const { return m_connected; }
    // What the program asks before it takes a kept connection back.
    bool dead() const
    {
        SQLUINTEGER dead = SQL_CD_FALSE;
        return SQL_SUCCEEDED(SQLGetConnectAttr(m_dbc, SQL_ATTR_CONNECTION_DEAD, &dead, SQL_IS_UINTEGER, nullptr))
               && dead == SQL_CD_TRUE;
    }
    // SQLSTATE and message of the last failure.
    QString state() const { return m_state; }

    // Runs a statement and reads column 1 of every row as text; false on
    // failure (execution or fetch), with state() set.
    bool query(const QString &sql, QStringList &rows, SQLULEN timeoutSeconds = 0)
    {
        rows.clear();
        if (m_stmt)
            SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt);
        SQLSetStmtAttr(m_stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(timeoutSeconds), 0);
        QByteArray text = sql.toUtf8();
        SQLRETURN rc = SQLExecDirect(m_stmt, reinterpret_cast<SQLCHAR *>(text.data()), SQL_NTS);
        if (!SQL_SUCCEEDED(rc)) {
            m_state = diagnostic(SQL_HANDLE_STMT, m_stmt);
            return false;
        }
        while (SQL_SUCCEEDED(rc = SQLFetch(m_stmt))) {
            char value[256] = {};
            SQLLEN length = 0;
            SQLGetData(m_stmt, 1, SQL_C_CHAR, value, sizeof value, &length);
            rows << (length == SQL_NULL_DATA ? QStringLiteral("<null>") : QString::fromUtf8(value));
        }
        if (rc != SQL_NO_DATA) {
            m_state = diagnostic(SQL_HANDLE_STMT, m_stmt);
            return false;
        }
        SQLCloseCursor(m_stmt);
        return true;
    }

private:
    // Every diagnostic record, "STATE message", joined by " | ".
    static QString diagnostic(SQLSMALLINT type, SQLHANDLE handle)
    {
        QStringList records;
        for (SQLSMALLINT k = 1; k <= 10; ++k) {
            SQLCHAR state[6] = {};
            SQLCHAR message[512] = {};
            SQLINTEGER native = 0;
            SQLSMALLINT length = 0;
            if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, k, state, &native, message, sizeof message, &length)))
                break;
            records << QStringLiteral("%1 %2").arg(QString::fromLatin1(reinterpret_cast<char *>(state)),
                                                   QString::fromUtf8(reinterpret_cast<char *>(message)));
        }
        return records.isEmpty() ? QStringLiteral("<no diagnostic>") : records.join(QStringLiteral(" | "));
    }

public:
    // Starts a statement on a handle of its own and leaves its rows unread.
    bool startPending(const QString &sql)
    {
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_pending);
        QByteArray text = sql.toUtf8();
        return SQL_SUCCEEDED(SQLExecDirect(m_pending, reinterpret_cast<SQLCHAR *>(text.data()), SQL_NTS));
    }
    // A procedure call with one text bound as `sqlType`.
    bool call(const QString &sql, const QString &argument, SQLSMALLINT sqlType, QStringList &rows)
    {
        rows.clear();
        if (m_stmt)
            SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt);
        QByteArray value = argument.toUtf8();
        SQLLEN length = value.size();
        SQLBindParameter(m_stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, sqlType, SQLULEN(value.size()), 0, value.data(),
                         length, &length);
        QByteArray text = sql.toUtf8();
        SQLRETURN rc = SQLExecDirect(m_stmt, reinterpret_cast<SQLCHAR *>(text.data()), SQL_NTS);
        if (!SQL_SUCCEEDED(rc)) {
            m_state = diagnostic(SQL_HANDLE_STMT, m_stmt);
            return false;
        }
        while (SQL_SUCCEEDED(rc = SQLFetch(m_stmt))) {
            char got[256] = {};
            SQLLEN size = 0;
            SQLGetData(m_stmt, 1, SQL_C_CHAR, got, sizeof got, &size);
            rows << QString::fromUtf8(got);
        }
        SQLCloseCursor(m_stmt);
        return rc == SQL_NO_DATA;
    }
    // As the program runs a statement: prepared, the query timeout set on
    // the prepared handle, executed (FreeTDS sends sp_prepexec), every row
    // read, and the handle freed (sp_unprepare).
    bool prepared(const QString &sql, QStringList &rows, SQLULEN timeoutSeconds = 0)
    {
        rows.clear();
        SQLHSTMT stmt = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt);
        QByteArray text = sql.toUtf8();
        bool ok = SQL_SUCCEEDED(SQLPrepare(stmt, reinterpret_cast<SQLCHAR *>(text.data()), SQL_NTS));
        SQLSetStmtAttr(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(timeoutSeconds), 0);
        ok = ok && SQL_SUCCEEDED(SQLExecute(stmt));
        SQLRETURN rc = SQL_NO_DATA;
        while (ok && SQL_SUCCEEDED(rc = SQLFetch(stmt))) {
            char value[256] = {};
            SQLLEN length = 0;
            SQLGetData(stmt, 1, SQL_C_CHAR, value, sizeof value, &length);
            rows << (length == SQL_NULL_DATA ? QStringLiteral("<null>") : QString::fromUtf8(value));
        }
        ok = ok && rc == SQL_NO_DATA;
        if (!ok)
            m_state = diagnostic(SQL_HANDLE_STMT, stmt);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        return ok;
    }
    void finishPending()
    {
        SQLFreeHandle(SQL_HANDLE_STMT, m_pending);
        m_pending = SQL_NULL_HSTMT;
    }

private:
    SQLHSTMT m_pending = SQL_NULL_HSTMT;
    SQLHENV m_env = SQL_NULL_HENV;
    SQLHDBC m_dbc = SQL_NULL_HDBC;
    SQLHSTMT m_stmt = SQL_NULL_HSTMT;
    bool m_connected = false;
    QString m_state;
};

// Every field of every row as the program reads it.
QList<QStringList> readAll(Connection &connection, const QString &statement)
{
    Recordset records;
    records.Open(statement, &connection);
    static const QStringList fields = {"ReferenceNum", "RefNum",   "HN",      "IDN",         "RequestNum",
                                       "ItemID",       "itemname", "LabExam", "PatientName", "RoomID",
                                       "Birthdate",    "Sex",      "AdmDate", "dcrdate"};
    QList<QStringList> rows;
    for (; !records.isEOF(); records.MoveNext()) {
        QStringList row;
        for (const QString &field : fields) {
            try {
                row << field + QLatin1Char('=') + records.text(field);
            } catch (const AppError &) {
                // The statement has no such column.
            }
        }
        rows << row;
    }
    return rows;
}

} // namespace

void TestFreeTdsStandin::init()
{
    m_db = std::make_unique<FixtureDb>();
    m_db->patient("H1", "Santos", "Maria", "Lim", "1958-03-14 00:00:00", "F");
    m_db->patient("H2", "Müller", "José", "Ünal", "1960-01-02 08:15:30.250", "M");
    m_db->patient("H3", "O'Brien", "Seán", QVariant());
    m_db->admission("A1", "H1", "1A-01", "2026-12-01 09:30:00");
    m_db->admission("A2", "H2", "1A-02", "2026-12-02 10:00:00");
    m_db->admission("A3", "H3", "1A-03", "2026-11-30 07:00:00", "2026-12-03 12:00:00");
    m_db->item("I1", "Paracetamol 500 mg");
    m_db->item("I2", "Alteplase", {"07"});
    m_db->item("I3", "Kaliumchlorid ölig");
    m_db->nurseRow("C100", "H1", "A1", "R1", "I1");
    m_db->nurseRow("C100", "H1", "A1", "R1", "I2");
    m_db->nurseRow("C200", "H2", "A2", "R2", "I3");
    m_db->nurseRow("C'3", "H3", "A3", "R3", "I1");
    m_db->exam("E1", "Complete blood count");
    m_db->exam("E2", "Glucose");
    m_db->labRow("L100", "H2", "A2", "R4", "E1");
    m_db->labRow("L100", "H2", "A2", "R4", "E2");
    m_db->labRow("L200", "H404", "A404", "R5", "E1");
    m_db->close();
    m_server = std::make_unique<TdsStandinProcess>();
    QVERIFY2(m_server->start(m_db->path()), qPrintable(m_server->errorString()));
}

void TestFreeTdsStandin::cleanup()
{
    Session::reset();
    m_server.reset();
    m_db.reset();
}

ConnectionSettings TestFreeTdsStandin::freeTds(const QString &extra) const
{
    return ConnectionSettings{ConnectionSettings::Kind::Odbc, m_server->connectionString(extra),
                              TdsStandinProcess::user(), TdsStandinProcess::password()};
}

void TestFreeTdsStandin::programStatementsAgree_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("rows");
    QTest::newRow("package") << PackageLookup::statement("C100") << 1;
    QTest::newRow("package, other case") << PackageLookup::statement("c100") << 1;
    QTest::newRow("package, accents") << PackageLookup::statement("C200") << 1;
    QTest::newRow("package, apostrophe") << PackageLookup::statement("C'3") << 1;
    QTest::newRow("package, unknown") << PackageLookup::statement("C999") << 0;
    QTest::newRow("package items") << PackageLookup::showItemsStatement("C100") << 2;
    QTest::newRow("container") << ContainerList::statement("L100") << 2;
    QTest::newRow("container, unknown patient") << ContainerList::statement("L200") << 1;
    QTest::newRow("container, unknown") << ContainerList::statement("L999") << 0;
}

void TestFreeTdsStandin::programStatementsAgree()
{
    QFETCH(QString, statement);
    QFETCH(int, rows);
    Connection embedded(ConnectionSettings{ConnectionSettings::Kind::Embedded, m_db->path(), "tester", QString()});
    embedded.Open();
    const QList<QStringList> expected = readAll(embedded, statement);
    QCOMPARE(expected.size(), rows);

    Connection server(freeTds());
    server.Open();
    QCOMPARE(readAll(server, statement), expected);
}

void TestFreeTdsStandin::patientListOverFreeTds()
{
    auto user = std::make_unique<TestUser>(freeTds());
    TestUser *raw = user.get();
    Session::setUser(std::move(user));
    frmview screen;
    screen.show();
    QTRY_COMPARE(raw->statements.size(), 1);
    auto *grid = screen.findChild<QAbstractItemView *>(QStringLiteral("Grid1"));
    QVERIFY(grid);
    auto *model = qobject_cast<TextGridModel *>(grid->model());
    QVERIFY(model);
    QTRY_COMPARE(model->dataRowCount(), 2);
    // Newest admission first; the discharged patient is not listed.
    QCOMPARE(model->text(0, 0), QStringLiteral("H2"));
    QCOMPARE(model->text(0, 2), QStringLiteral("Müller, José Ünal"));
    QCOMPARE(model->text(1, 2), QStringLiteral("Santos, Maria Lim"));
    QCOMPARE(model->text(0, 5), QStringLiteral("12/2/2026 10:00:00 AM"));
}

void TestFreeTdsStandin::accentedNames_data()
{
    QTest::addColumn<QString>("extra");
    QTest::newRow("ClientCharset=UTF-8 given") << ";ClientCharset=UTF-8";
    // The program adds it: without it the names would depend on the
    // process locale (tst_freetds_standin_c_locale runs this under LC_ALL=C).
    QTest::newRow("none given") << "";
}

void TestFreeTdsStandin::accentedNames()
{
    QFETCH(QString, extra);
    Connection server(freeTds(extra));
    server.Open();
    Recordset records;
    records.Open("select Lastname, Firstname, Lastname + ', ' + Firstname as Joined from patient_data..tbmaster "
                 "where Hospnum = 'H2'",
                 &server);
    QVERIFY(!records.isEOF());
    QCOMPARE(records.text("Lastname"), QStringLiteral("Müller"));
    QCOMPARE(records.text("Firstname"), QStringLiteral("José"));
    QCOMPARE(records.text("Joined"), QStringLiteral("Müller, José"));
    // An accented literal reaches the server intact too.
    records.Open("select Hospnum from patient_data..tbmaster where Lastname = 'müller'", &server);
    QVERIFY(!records.isEOF());
    QCOMPARE(records.text("Hospnum"), QStringLiteral("H2"));
}

// Why the program ends its connection string with ';': FreeTDS keeps a
// counted terminating zero as part of the last attribute's value.
void TestFreeTdsStandin::zeroAfterLastAttribute_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("password last") << ";UID=tester;PWD=pw" << false;
    QTest::newRow("empty attribute last") << ";UID=tester;PWD=pw;" << true;
}

void TestFreeTdsStandin::zeroAfterLastAttribute()
{
    QFETCH(QString, ending);
    QFETCH(bool, accepted);
    OdbcLink link(m_server->connectionString() + ending, true);
    QVERIFY2(link.connected() == accepted, qPrintable(link.state()));
    QCOMPARE(m_server->counter("logins"), accepted ? 1L : 0L);
}

void TestFreeTdsStandin::refusedLogins_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("fault");
    QTest::newRow("wrong password") << "wrong" << QString();
    QTest::newRow("password in other case") << "PW" << QString();
    QTest::newRow("logins refused") << TdsStandinProcess::password() << "refuse-logins on";
}

void TestFreeTdsStandin::refusedLogins()
{
    QFETCH(QString, password);
    QFETCH(QString, fault);
    if (!fault.isEmpty())
        QCOMPARE(m_server->control(fault), QStringLiteral("ok"));
    ConnectionSettings settings = freeTds();
    settings.password = password;
    Connection server(settings);
    try {
        server.Open();
        QFAIL("the login was accepted");
    } catch (const AppError &error) {
        QVERIFY2(error.description().contains("Login failed for user 'tester'."), qPrintable(error.description()));
    }
    QCOMPARE(m_server->counter("refused"), 1L);
    QCOMPARE(m_server->counter("logins"), 0L);
}

void TestFreeTdsStandin::queryTimeoutSendsAttention()
{
    OdbcLink link(m_server->connectionString() + ";UID=tester;PWD=pw");
    QVERIFY2(link.connected(), qPrintable(link.state()));
    QCOMPARE(m_server->control("stall 30000"), QStringLiteral("ok"));
    QStringList rows;
    QVERIFY(!link.query("select Hospnum from patient_data..tbmaster", rows, 1));
    QVERIFY2(link.state().startsWith("HYT00"), qPrintable(link.state()));
    QCOMPARE(m_server->counter("attentions"), 1L);
    // The server acknowledged the attention, so the link is in step and the
    // next statement on it is answered.
    QCOMPARE(m_server->control("stall 0"), QStringLiteral("ok"));
    QVERIFY2(link.query("select Hospnum from patient_data..tbmaster order by Hospnum", rows), qPrintable(link.state()));
    QCOMPARE(rows, QStringList({"H1", "H2", "H3"}));
    QCOMPARE(m_server->counter("logins"), 1L);
}

void TestFreeTdsStandin::preparedStatements_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<bool>("linkSurvives");
    const QString all = QStringLiteral("select Hospnum from patient_data..tbmaster order by Hospnum");
    QTest::newRow("rows") << QString() << all << 0 << QString() << true;
    QTest::newRow("stalled past the timeout") << "stall 30000" << all << 1 << "HYT00" << true;
    QTest::newRow("every statement fails")
        << "fail-statements 1205" << all << 0 << "has been chosen as the deadlock victim" << true;
    QTest::newRow("no such table") << QString() << "select Hospnum from patient_data..nosuch" << 0
                                   << "Invalid object name" << true;
    QTest::newRow("link dropped after rows")
        << "drop-after-rows 2" << all << 0 << "Unexpected EOF from the server" << false;
}

// Statements run as the program runs them: FreeTDS sends them as
// sp_prepexec calls and frees them with sp_unprepare, and the server's
// stall, failures and drops reach them as they reach a batch.
void TestFreeTdsStandin::preparedStatements()
{
    QFETCH(QString, fault);
    QFETCH(QString, sql);
    QFETCH(int, timeout);
    QFETCH(QString, failure);
    QFETCH(bool, linkSurvives);
    OdbcLink link(m_server->connectionString() + ";UID=tester;PWD=pw");
    QVERIFY2(link.connected(), qPrintable(link.state()));
    if (!fault.isEmpty())
        QCOMPARE(m_server->control(fault), QStringLiteral("ok"));
    QStringList rows;
    const bool ok = link.prepared(sql, rows, SQLULEN(timeout));
    QCOMPARE(m_server->control("clear"), QStringLiteral("ok"));
    QCOMPARE(m_server->counter("batches"), 1L);
    if (failure.isEmpty()) {
        QVERIFY2(ok, qPrintable(link.state()));
        QCOMPARE(rows, QStringList({"H1", "H2", "H3"}));
        // sp_prepexec, and sp_unprepare with the handle it gave back.
        QCOMPARE(m_server->counter("rpcs"), 2L);
    } else {
        QVERIFY(!ok);
        QVERIFY2(link.state().contains(failure), qPrintable(link.state()));
        if (failure == QLatin1String("HYT00"))
            QCOMPARE(m_server->counter("attentions"), 1L);
    }
    QCOMPARE(link.dead(), !linkSurvives);
    if (!linkSurvives)
        return;
    QVERIFY2(link.prepared("select Lastname from patient_data..tbmaster where Hospnum = 'H2'", rows),
             qPrintable(link.state()));
    QCOMPARE(rows, QStringList{"Müller"});
    QCOMPARE(m_server->counter("logins"), 1L);
}

void TestFreeTdsStandin::procedureCalls_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("sqlType");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("failure");
    const QString executeSql = QStringLiteral("{call sp_executesql (?)}");
    QTest::newRow("sp_executesql, varchar") << executeSql << int(SQL_VARCHAR) << QStringList{"Müller"} << QString();
    QTest::newRow("sp_executesql, nvarchar") << executeSql << int(SQL_WVARCHAR) << QStringList{"Müller"} << QString();
    QTest::newRow("sp_executesql, long nvarchar")
        << executeSql << int(SQL_WLONGVARCHAR) << QStringList{"Müller"} << QString();
    QTest::newRow("a handle never given out")
        << "{call sp_unprepare (42)}" << 0 << QStringList() << "Could not find prepared statement with handle 42.";
    QTest::newRow("any other procedure") << "{call sp_who}" << 0 << QStringList()
                                         << "Could not find stored procedure 'sp_who'.";
}

void TestFreeTdsStandin::procedureCalls()
{
    QFETCH(QString, call);
    QFETCH(int, sqlType);
    QFETCH(QStringList, rows);
    QFETCH(QString, failure);
    OdbcLink link(m_server->connectionString() + ";UID=tester;PWD=pw");
    QVERIFY2(link.connected(), qPrintable(link.state()));
    QStringList got;
    const bool ok =
        sqlType ? link.call(call, QStringLiteral("select Lastname from patient_data..tbmaster where Hospnum = 'H2'"),
                            SQLSMALLINT(sqlType), got)
                : link.query(call, got);
    QCOMPARE(m_server->counter("rpcs"), 1L);
    if (failure.isEmpty()) {
        QVERIFY2(ok, qPrintable(link.state()));
        QCOMPARE(got, rows);
    } else {
        QVERIFY(!ok);
        QVERIFY2(link.state().contains(failure), qPrintable(link.state()));
    }
    // The link is in step after a refusal.
    QVERIFY2(link.query("select Hospnum from patient_data..tbmaster where Hospnum = 'H1'", got),
             qPrintable(link.state()));
    QCOMPARE(got, QStringList{"H1"});
}

void TestFreeTdsStandin::lookupsTimeOut_data()
{
    QTest::addColumn<bool>("patientList");
    QTest::newRow("patient list") << true;
    QTest::newRow("wristband lookup") << false;
}

// The patient list and the wristband lookup have the query timeout too: a
// stalled statement ends in its error after the timeout (2 s here), not
// sent again, and the next try works.
void TestFreeTdsStandin::lookupsTimeOut()
{
    QFETCH(bool, patientList);
    ConnectionSettings settings = freeTds();
    settings.queryTimeoutSeconds = 2;
    auto user = std::make_unique<TestUser>(settings);
    Connection &connection = *user->SQLConnection();
    Session::setUser(std::move(user));
    DialogRecorder dialogs;
    QCOMPARE(m_server->control("stall 20000"), QStringLiteral("ok"));
    QElapsedTimer waited;
    waited.start();
    if (patientList) {
        frmview screen;
        screen.show();
        QTRY_COMPARE_WITH_TIMEOUT(dialogs.messageCount(), 1, 15000);
        const qint64 ms = waited.elapsed();
        QCOMPARE(m_server->control("stall 0"), QStringLiteral("ok"));
        QVERIFY2(ms >= 1900 && ms < 10000, qPrintable(QString::number(ms)));
        QVERIFY2(dialogs.texts().first().startsWith(Texts::ErrorInConnection), qPrintable(dialogs.texts().first()));
        QVERIFY2(dialogs.texts().first().contains("Timeout expired"), qPrintable(dialogs.texts().first()));
        auto *model =
            qobject_cast<TextGridModel *>(screen.findChild<QAbstractItemView *>(QStringLiteral("Grid1"))->model());
        QVERIFY(model);
        QCOMPARE(model->dataRowCount(), 0);
        QCOMPARE(m_server->counter("batches"), 1L);
        screen.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        QTRY_COMPARE(model->dataRowCount(), 2);
        QCOMPARE(dialogs.messageCount(), 1);
    } else {
        try {
            WristbandCheck::lookUp(connection, QStringLiteral("H1"), QStringLiteral("A1"));
            QFAIL("the lookup passed");
        } catch (const AppError &error) {
            const qint64 ms = waited.elapsed();
            QCOMPARE(m_server->control("stall 0"), QStringLiteral("ok"));
            QVERIFY2(ms >= 1900 && ms < 10000, qPrintable(QString::number(ms)));
            QVERIFY2(error.description().contains("Timeout expired"), qPrintable(error.description()));
        }
        QCOMPARE(m_server->counter("batches"), 1L);
        QCOMPARE(WristbandCheck::lookUp(connection, QStringLiteral("H1"), QStringLiteral("A1")).patientName(),
                 QStringLiteral("Santos, Maria Lim"));
    }
    QCOMPARE(m_server->counter("attentions"), 1L);
}

// One active statement per connection: FreeTDS refuses the second with
// 24000 "Invalid cursor state" where Microsoft's driver (and the stand-in
// driver) say HY000 "Connection is busy with results for another command".
// The program reads every result to its end before the next statement, so
// it meets neither.
void TestFreeTdsStandin::secondStatementWhileResultsPending()
{
    OdbcLink link(m_server->connectionString() + ";UID=tester;PWD=pw");
    QVERIFY2(link.connected(), qPrintable(link.state()));
    QVERIFY(link.startPending("select Hospnum from patient_data..tbmaster"));
    QStringList rows;
    QVERIFY(!link.query("select Lastname from patient_data..tbmaster", rows));
    QVERIFY2(link.state().startsWith("24000"), qPrintable(link.state()));
    link.finishPending();
    QVERIFY2(link.query("select Lastname from patient_data..tbmaster where Hospnum = 'H1'", rows),
             qPrintable(link.state()));
    QCOMPARE(rows, QStringList{"Santos"});
}

void TestFreeTdsStandin::droppedLink()
{
    OdbcLink link(m_server->connectionString() + ";UID=tester;PWD=pw");
    QVERIFY2(link.connected(), qPrintable(link.state()));
    QCOMPARE(m_server->control("drop-after-rows 2"), QStringLiteral("ok"));
    QStringList rows;
    QVERIFY(!link.dead());
    QVERIFY(!link.query("select Hospnum from patient_data..tbmaster order by Hospnum", rows));
    // FreeTDS 1.3 says 01000 here, where Microsoft's driver says 08S01; the
    // program goes by the connection's state, which FreeTDS does keep.
    QVERIFY2(link.state().startsWith("01000 [FreeTDS][SQL Server]Unexpected EOF from the server"),
             qPrintable(link.state()));
    QVERIFY(link.dead());

    // Through the program: half a result never passes for the whole.
    Connection server(freeTds());
    server.Open();
    Recordset records;
    QVERIFY_THROWS_EXCEPTION(AppError, records.Open("select Hospnum from patient_data..tbmaster", &server));
    QCOMPARE(m_server->control("clear"), QStringLiteral("ok"));
    server.Close();
    server.Open();
    records.Open("select Hospnum from patient_data..tbmaster order by Hospnum", &server);
    QCOMPARE(records.text("Hospnum"), QStringLiteral("H1"));
}

void TestFreeTdsStandin::serverRestart()
{
    Connection server(freeTds());
    server.Open();
    Recordset records;
    records.Open(PackageLookup::statement("C100"), &server);
    QCOMPARE(records.text("PatientName"), QStringLiteral("Santos, Maria Lim"));
    server.Close();

    OdbcLink old(m_server->connectionString() + ";UID=tester;PWD=pw");
    QVERIFY(old.connected());
    QCOMPARE(m_server->control("restart 200"), QStringLiteral("ok"));
    QTRY_COMPARE(m_server->counter("listening"), 1L);
    QStringList rows;
    QVERIFY(!old.dead());
    QVERIFY(!old.query("select Hospnum from patient_data..tbmaster", rows));
    // FreeTDS 1.3 reports a link that the server closed as HY000 "Unknown error".
    QVERIFY2(old.state().startsWith("HY000"), qPrintable(old.state()));
    QVERIFY(old.dead());

    // The program's kept connection died with the restart; the next scan
    // logs in again and passes.
    server.Open();
    records.Open(PackageLookup::statement("C100"), &server);
    QCOMPARE(records.text("PatientName"), QStringLiteral("Santos, Maria Lim"));
    QCOMPARE(server.physicalConnects(), 2);
}

void TestFreeTdsStandin::everyStatementFails()
{
    Connection server(freeTds());
    server.Open();
    QCOMPARE(m_server->control("fail-statements 942"), QStringLiteral("ok"));
    Recordset records;
    try {
        records.Open(PackageLookup::statement("C100"), &server);
        QFAIL("the statement passed");
    } catch (const AppError &error) {
        QVERIFY2(error.description().contains("Database 'patient_data' cannot be opened because it is offline."),
                 qPrintable(error.description()));
    }
    OdbcLink link(m_server->connectionString() + ";UID=tester;PWD=pw");
    QStringList rows;
    QVERIFY(!link.query("select 1", rows));
    QVERIFY2(link.state().startsWith("42000") || link.state().startsWith("HY000"), qPrintable(link.state()));
}

void TestFreeTdsStandin::malformedMessagesEndOnlyTheirLink_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("not TDS") << QByteArray("GET / HTTP/1.0\r\n\r\n");
    QTest::newRow("length shorter than the header") << QByteArray("\x12\x01\x00\x04\x00\x00\x00\x00", 8);
    QTest::newRow("LOGIN7 cut short") << QByteArray("\x10\x01\x00\x10\x00\x00\x01\x00\x5e\x00\x00\x00\x04\x00\x00\x74",
                                                    16);
    QTest::newRow("batch before a login") << QByteArray("\x01\x01\x00\x14\x00\x00\x01\x00\x04\x00\x00\x00"
                                                        "s\x00"
                                                        "e\x00"
                                                        "l\x00"
                                                        "e\x00",
                                                        20);
    QTest::newRow("pre-login without its terminator")
        << QByteArray("\x12\x01\x00\x0d\x00\x00\x01\x00\x00\x00\x05\x00\x06", 13);
}

// A client that sends what is not TDS loses its link, and only its link.
void TestFreeTdsStandin::malformedMessagesEndOnlyTheirLink()
{
    QFETCH(QByteArray, bytes);
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(m_server->port());
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    QCOMPARE(::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL), ssize_t(bytes.size()));
    ::shutdown(fd, SHUT_WR);
    char answer[4096];
    ssize_t got = 0;
    qsizetype total = 0;
    while ((got = ::recv(fd, answer, sizeof answer, 0)) > 0)
        total += got;
    ::close(fd);
    QCOMPARE(got, ssize_t(0)); // closed by the server, not timed out
    QCOMPARE(total, qsizetype(0));
    QTRY_COMPARE(m_server->counter("open"), 0L);

    OdbcLink link(m_server->connectionString() + ";UID=tester;PWD=pw");
    QVERIFY2(link.connected(), qPrintable(link.state()));
    QStringList rows;
    QVERIFY2(link.query("select Hospnum from patient_data..tbmaster where Hospnum = 'H1'", rows),
             qPrintable(link.state()));
    QCOMPARE(rows, QStringList{"H1"});
}

void TestFreeTdsStandin::stopsWhenTold()
{
    OdbcLink link(m_server->connectionString() + ";UID=tester;PWD=pw");
    QVERIFY(link.connected());
    QCOMPARE(m_server->control("stall 60000"), QStringLiteral("ok"));
    // SIGTERM ends it, open links and a stalled statement included.
    QCOMPARE(m_server->stop(), 0);
    QVERIFY(!m_server->isRunning());
}

WARDCHECK_TEST_MAIN(TestFreeTdsStandin)
#include "tst_freetds_standin.moc"
