#include "apperror.h"
#include "connection.h"
#include "fixture.h"
#include "recordset.h"
#include "standincontrol.h"
#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The ODBC road is the one a hospital's SQL Server takes. SQL Server does
// not run here, so these tests drive Qt's ODBC driver through the unixODBC
// driver manager to the SQL Server stand-in, over a real file.
class TestOdbc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void connectionString_data();
    void connectionString();
    void queriesThroughTheDriverManager();
    void dataSourceName();
    void reconnectsAndKeepsReadRows();
    void reconnectsLeakNoDescriptors();
    void refusesToWrite();
    void missingDriverIsExplained();
    void dialectIsTheUsersChoice_data();
    void reconnectsReuseALiveServerConnection_data();
    void reconnectsReuseALiveServerConnection();
    void brokenServerConnectionIsReplaced_data();
    void brokenServerConnectionIsReplaced();
    void dialectIsTheUsersChoice();

private:
    ConnectionSettings settingsFor(const QString &driver) const;

    QTemporaryDir m_config;
    std::unique_ptr<FixtureDb> m_db;
};

void TestOdbc::initTestCase()
{
    QVERIFY2(QFile::exists(QStringLiteral(WARDCHECK_STANDIN_DRIVER)), "the SQL Server stand-in driver is needed");
    // The driver list is the test build's; the data sources are this test's own.
    qputenv("ODBCINI", QFile::encodeName(m_config.filePath(QStringLiteral("odbc.ini"))));
}

void TestOdbc::init()
{
    m_db = std::make_unique<FixtureDb>();
    m_db->patient(QStringLiteral("H1"), QStringLiteral("Santos"), QStringLiteral("Maria"), QStringLiteral("Lim"),
                  QStringLiteral("1958-03-14 00:00:00"), QStringLiteral("F"));
    m_db->admission(QStringLiteral("A1"), QStringLiteral("H1"));
    m_db->item(QStringLiteral("I1"), QStringLiteral("Paracetamol 500 mg"));
    m_db->item(QStringLiteral("I2"), QStringLiteral("Alteplase"), {QStringLiteral("07")});
    m_db->nurseRow(QStringLiteral("C100"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("R1"),
                   QStringLiteral("I1"));
    m_db->nurseRow(QStringLiteral("C100"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("R1"),
                   QStringLiteral("I2"));
    m_db->close();
}

ConnectionSettings TestOdbc::settingsFor(const QString &driver) const
{
    return ConnectionSettings{ConnectionSettings::Kind::Odbc,
                              QStringLiteral("DRIVER={%1};Database=%2").arg(driver, m_db->path()), QString(),
                              QString()};
}

void TestOdbc::connectionString_data()
{
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expected");
    QTest::newRow("driver string") << "Driver={FreeTDS};Server=db1;Port=1433"
                                   << "ward"
                                   << "secret"
                                   << "Driver={FreeTDS};Server=db1;Port=1433;ClientCharset=UTF-8;UID=ward;PWD=secret";
    QTest::newRow("FreeTDS by its file")
        << "DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so;Server=db1"
        << ""
        << ""
        << "DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so;Server=db1;ClientCharset=UTF-8";
    QTest::newRow("FreeTDS with its own charset") << "Driver={FreeTDS};Server=db1;clientcharset=ISO-8859-1"
                                                  << ""
                                                  << ""
                                                  << "Driver={FreeTDS};Server=db1;clientcharset=ISO-8859-1";
    QTest::newRow("another driver") << "Driver={ODBC Driver 18 for SQL Server};Server=db1"
                                    << ""
                                    << ""
                                    << "Driver={ODBC Driver 18 for SQL Server};Server=db1";
    QTest::newRow("dsn name") << "Hospital"
                              << "ward"
                              << "pw"
                              << "DSN=Hospital;UID=ward;PWD=pw";
    QTest::newRow("dsn string") << "DSN=Hospital"
                                << "ward"
                                << "pw"
                                << "DSN=Hospital;UID=ward;PWD=pw";
    QTest::newRow("password with separators") << "DSN=H"
                                              << "ward"
                                              << "a;b=c"
                                              << "DSN=H;UID=ward;PWD={a;b=c}";
    QTest::newRow("password with braces") << "DSN=H"
                                          << "ward"
                                          << "x}y{"
                                          << "DSN=H;UID=ward;PWD={x}}y{}";
    QTest::newRow("password with blanks") << "DSN=H"
                                          << "ward"
                                          << " pw "
                                          << "DSN=H;UID=ward;PWD={ pw }";
    QTest::newRow("password in the preset's string")
        << "Driver={FreeTDS};Server=db1;PWD=inPreset"
        << "ward"
        << "pw"
        << "Driver={FreeTDS};Server=db1;PWD=inPreset;ClientCharset=UTF-8;UID=ward;PWD=pw";
    QTest::newRow("no login") << "DSN=H"
                              << ""
                              << ""
                              << "DSN=H";
}

void TestOdbc::connectionString()
{
    QFETCH(QString, database);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, expected);
    QCOMPARE(
        Connection::odbcConnectionString(ConnectionSettings{ConnectionSettings::Kind::Odbc, database, user, password}),
        expected);
    Connection connection(ConnectionSettings{ConnectionSettings::Kind::Odbc, database, user, password});
    QVERIFY2(!connection.describe().contains(QStringLiteral("PWD"), Qt::CaseInsensitive),
             qPrintable(connection.describe()));
}

void TestOdbc::queriesThroughTheDriverManager()
{
    Connection connection(settingsFor(QStringLiteral(WARDCHECK_STANDIN_NAME)));
    QCOMPARE(connection.dialect(), SqlDialectKind::SqlServer);
    connection.Open();
    Recordset rs;
    // The medicine package statement exactly as a SQL Server receives it.
    rs.Open(QStringLiteral(
                "  select ReferenceNum, M.Hospnum as HN,STA.idnum as IDN,STA.RequestNum,STA.ItemID, INVM.itemname, "
                "M.Lastname + ', ' + M.Firstname + ' ' +M.Middlename as PatientName "
                " from Station..tbnursecommunicationfile STA  "
                " left outer join patient_data..tbmaster M on STA.Hospnum = M.Hospnum "
                " left outer join patient_data..tbpatient N on STA.idnum = N.IDNum "
                " left outer join Inventory..tbinvmaster INVM on STA.itemid=INVM.itemid "
                " left outer join Inventory..tbinvent INV on INV.itemid=STA.itemid"
                " where ReferenceNum = 'c100' and INVM.itemid=INV.itemid and INV.locationid = '20'"),
            &connection);
    QVERIFY(!rs.isEOF());
    QCOMPARE(rs.text(QStringLiteral("patientname")), QStringLiteral("Santos, Maria Lim"));
    QCOMPARE(rs.text(QStringLiteral("ReferenceNum")), QStringLiteral("C100"));
    QCOMPARE(rs.text(QStringLiteral("itemname")), QStringLiteral("Paracetamol 500 mg"));
    rs.MoveNext();
    QVERIFY(rs.isEOF());

    rs.Open(QStringLiteral("select Birthdate from patient_data..tbmaster"), &connection);
    QCOMPARE(rs.text(QStringLiteral("Birthdate")), QStringLiteral("3/14/1958"));
}

void TestOdbc::dataSourceName()
{
    QFile ini(m_config.filePath(QStringLiteral("odbc.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[WardDemo]\nDriver=%1\nDatabase=%2\n")
                  .arg(QStringLiteral(WARDCHECK_STANDIN_NAME), m_db->path())
                  .toUtf8());
    ini.close();
    Connection connection(
        ConnectionSettings{ConnectionSettings::Kind::Odbc, QStringLiteral("WardDemo"), QString(), QString()});
    connection.Open();
    Recordset rs;
    rs.Open(QStringLiteral("select IDNum from patient_data..tbpatient"), &connection);
    QCOMPARE(rs.text(QStringLiteral("idnum")), QStringLiteral("A1"));
}

void TestOdbc::reconnectsAndKeepsReadRows()
{
    Connection connection(settingsFor(QStringLiteral(WARDCHECK_STANDIN_NAME)));
    connection.Open();
    Recordset rs;
    rs.Open(QStringLiteral("select IDNum from patient_data..tbpatient"), &connection);
    connection.Close();
    QCOMPARE(rs.text(QStringLiteral("IDNum")), QStringLiteral("A1"));
    connection.Open();
    rs.Open(QStringLiteral("select IDNum from patient_data..tbpatient"), &connection);
    QCOMPARE(rs.text(QStringLiteral("IDNum")), QStringLiteral("A1"));
}

void TestOdbc::reconnectsLeakNoDescriptors()
{
    Connection connection(settingsFor(QStringLiteral(WARDCHECK_STANDIN_NAME)));
    connection.Open();
    const auto count = [] {
        return QDir(QStringLiteral("/proc/self/fd"))
            .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
            .size();
    };
    const auto cycle = [&] {
        Recordset rs;
        rs.Open(QStringLiteral("select IDNum from patient_data..tbpatient"), &connection);
        connection.Close();
        connection.Open();
    };
    for (int i = 0; i < 20; ++i)
        cycle();
    const auto before = count();
    for (int i = 0; i < 1000; ++i)
        cycle();
    QCOMPARE(count(), before);
}

void TestOdbc::refusesToWrite()
{
    const QByteArray before = m_db->bytes();
    {
        Connection connection(settingsFor(QStringLiteral(WARDCHECK_STANDIN_NAME)));
        connection.Open();
        Recordset rs;
        bool refused = false;
        try {
            rs.Open(QStringLiteral("delete from patient_data..tbmaster"), &connection);
        } catch (const AppError &) {
            refused = true;
        }
        QVERIFY(refused);
    }
    QCOMPARE(m_db->bytes(), before);
}

void TestOdbc::missingDriverIsExplained()
{
    Connection connection(settingsFor(QStringLiteral("No Such Driver")));
    try {
        connection.Open();
        QFAIL("opened with a driver that does not exist");
    } catch (const AppError &e) {
        QVERIFY2(e.description().startsWith(
                     QLatin1String("The hospital database could not be reached, or it refused the login")),
                 qPrintable(e.description()));
        QVERIFY2(e.description().contains(QLatin1String("No Such Driver"))
                     || e.description().contains(QLatin1String("not found"), Qt::CaseInsensitive),
                 qPrintable(e.description()));
    }
    QVERIFY(!connection.isOpen());
}

void TestOdbc::dialectIsTheUsersChoice_data()
{
    QTest::addColumn<bool>("embedded");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("dialect");
    const int sqlServer = int(SqlDialectKind::SqlServer);
    QTest::newRow("server") << false << "Driver={FreeTDS};Server=sqlite-cluster.hospital.local"
                            << "ward"
                            << "pw" << sqlServer;
    QTest::newRow("data source") << false << "DSN=SQLiteMirror"
                                 << "ward"
                                 << "pw" << sqlServer;
    QTest::newRow("user") << false << "DSN=Hospital"
                          << "sqlite_reader"
                          << "pw" << sqlServer;
    QTest::newRow("password") << false << "DSN=Hospital"
                              << "ward"
                              << "mysqlitepw" << sqlServer;
    QTest::newRow("embedded file") << true << "/srv/hospital.db"
                                   << "nurse"
                                   << "" << int(SqlDialectKind::Sqlite);
}

// What the statements mean follows what the user chose in the login
// dialog, never a word that happens to appear in the connection.
void TestOdbc::dialectIsTheUsersChoice()
{
    QFETCH(bool, embedded);
    QFETCH(QString, database);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(int, dialect);
    const Connection connection(ConnectionSettings{
        embedded ? ConnectionSettings::Kind::Embedded : ConnectionSettings::Kind::Odbc, database, user, password});
    QCOMPARE(int(connection.dialect()), dialect);
    const QString statement = QStringLiteral("select [IDNum] from patient_data..tbpatient where Hospnum = 'H' + '1'");
    QCOMPARE(connection.translate(statement) == statement, !embedded);
}

void TestOdbc::reconnectsReuseALiveServerConnection_data()
{
    QTest::addColumn<bool>("reuse");
    QTest::addColumn<int>("connects");
    QTest::newRow("kept") << true << 1;
    QTest::newRow("not kept") << false << 100;
}

// Every lookup closes and reopens the connection; against a server that
// would be a login, a network round trip and a TLS handshake per scan.
void TestOdbc::reconnectsReuseALiveServerConnection()
{
    QFETCH(bool, reuse);
    QFETCH(int, connects);
    StandinControl server;
    server.resetCounters();
    ConnectionSettings settings = settingsFor(QStringLiteral(WARDCHECK_STANDIN_NAME));
    settings.reuseServerConnection = reuse;
    {
        Connection connection(settings);
        for (int i = 0; i < 100; ++i) {
            connection.Close();
            QVERIFY(!connection.isOpen());
            connection.Open();
            Recordset rs;
            rs.Open(QStringLiteral("select IDNum from patient_data..tbpatient"), &connection);
            QCOMPARE(rs.text(QStringLiteral("IDNum")), QStringLiteral("A1"));
        }
        QCOMPARE(connection.physicalConnects(), connects);
        QCOMPARE(int(server.connects()), connects);
    }
    QCOMPARE(server.openConnections(), 0L);
}

void TestOdbc::brokenServerConnectionIsReplaced_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("keptWhileBroken"); // the driver did not notice before the statement
    QTest::addColumn<int>("connects");
    QTest::newRow("server dropped it while kept") << "" << false << 2;
    QTest::newRow("link broke unnoticed, found by the statement") << "drop-after-rows:0/1" << true << 2;
}

void TestOdbc::brokenServerConnectionIsReplaced()
{
    QFETCH(QString, fault);
    QFETCH(bool, keptWhileBroken);
    QFETCH(int, connects);
    StandinControl server;
    Connection connection(settingsFor(QStringLiteral(WARDCHECK_STANDIN_NAME)));
    connection.Open();
    connection.Close();
    if (keptWhileBroken)
        server.setFault(fault.toLatin1().constData());
    else
        QVERIFY(server.dropConnections() > 0);
    connection.Open();
    Recordset rs;
    rs.Open(QStringLiteral("select IDNum from patient_data..tbpatient"), &connection);
    server.clearFaults();
    QCOMPARE(rs.text(QStringLiteral("IDNum")), QStringLiteral("A1"));
    QCOMPARE(connection.physicalConnects(), connects);

    // On a connection just made, a broken link is the server's trouble and is reported.
    server.setFault("drop-after-rows:0/1");
    QVERIFY_THROWS_EXCEPTION(AppError,
                             rs.Open(QStringLiteral("select IDNum from patient_data..tbpatient"), &connection));
    server.clearFaults();
}

WARDCHECK_TEST_MAIN(TestOdbc)
#include "tst_odbc.moc"
