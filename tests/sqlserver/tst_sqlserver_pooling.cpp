#include "fixture.h"
#include "standincontrol.h"
#include "testmain.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

// unixODBC's connection pooling over the stand-in, as the program would
// use it: every lookup closes and opens its QSqlDatabase. This suite runs
// twice, with the test odbcinst.ini's pooling on and off
// (WARDCHECK_POOLING says which).
class TestSqlServerPooling : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void closeOpenCycles();
    void droppedConnectionIsReplaced_data();
    void droppedConnectionIsReplaced();

private:
    bool lookup(QSqlDatabase &db);

    std::unique_ptr<FixtureDb> m_db;
    StandinControl m_control;
    const bool m_pooled = qgetenv("WARDCHECK_POOLING") == "on";
};

void TestSqlServerPooling::init()
{
    m_db = std::make_unique<FixtureDb>();
    m_db->patient("H1", "Santos", "Maria", "Lim");
    m_db->patient("H2", "Reyes", "Ana", "Cruz");
    m_db->close();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("pooled"));
    db.setDatabaseName(
        QStringLiteral("Driver={%1};Database=%2").arg(QStringLiteral(WARDCHECK_STANDIN_NAME), m_db->path()));
    db.setUserName(QStringLiteral("nurse"));
    db.setPassword(QStringLiteral("pw"));
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=15;SQL_ATTR_ACCESS_MODE=SQL_MODE_READ_ONLY"));
    m_control.clearFaults();
    m_control.resetCounters();
}

void TestSqlServerPooling::cleanup()
{
    QSqlDatabase::database(QStringLiteral("pooled"), false).close();
    QSqlDatabase::removeDatabase(QStringLiteral("pooled"));
    m_control.clearFaults();
    m_db.reset();
}

bool TestSqlServerPooling::lookup(QSqlDatabase &db)
{
    if (!db.open()) {
        qWarning("%s", qPrintable(db.lastError().text()));
        return false;
    }
    bool found = false;
    {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        found = query.exec(QStringLiteral(
                    "select Lastname + ', ' + Firstname from patient_data..tbmaster where Hospnum = 'h1'"))
                && query.next() && query.value(0).toString() == QLatin1String("Santos, Maria");
        if (!found)
            qWarning("%s", qPrintable(query.lastError().text()));
    }
    db.close();
    return found;
}

void TestSqlServerPooling::closeOpenCycles()
{
    QSqlDatabase db = QSqlDatabase::database(QStringLiteral("pooled"), false);
    for (int i = 0; i < 100; ++i)
        QVERIFY(lookup(db));
    qInfo("100 close/open cycles, pooling %s: %ld physical connects, %ld disconnects", m_pooled ? "on" : "off",
          m_control.connects(), m_control.disconnects());
    if (m_pooled) {
        QVERIFY2(m_control.connects() <= 3, qPrintable(QString::number(m_control.connects())));
        QVERIFY(m_control.disconnects() < m_control.connects());
    } else {
        QCOMPARE(m_control.connects(), 100L);
        QCOMPARE(m_control.disconnects(), 100L);
    }
}

void TestSqlServerPooling::droppedConnectionIsReplaced_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("while idle in the pool") << "idle";
    QTest::newRow("in the middle of a result") << "mid-result";
}

void TestSqlServerPooling::droppedConnectionIsReplaced()
{
    QFETCH(QString, how);
    QSqlDatabase db = QSqlDatabase::database(QStringLiteral("pooled"), false);
    QVERIFY(lookup(db));
    const long before = m_control.connects();
    if (how == QLatin1String("idle")) {
        QVERIFY(m_control.dropConnections() >= (m_pooled ? 1 : 0));
    } else {
        m_control.setFault("drop-after-rows:1/1");
        QVERIFY(db.open());
        {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            QVERIFY(query.exec(QStringLiteral("select Hospnum from patient_data..tbmaster")));
            QVERIFY(query.next());
            QVERIFY(!query.next());
            QVERIFY2(query.lastError().databaseText().contains(QLatin1String("Communication link failure")),
                     qPrintable(query.lastError().text()));
        }
        db.close();
    }
    QVERIFY(lookup(db));
    QVERIFY(lookup(db));
    // One new physical connection replaces the dead one (pooled), or each
    // lookup connects anew (not pooled).
    const long expected = m_pooled ? 1L : (how == QLatin1String("idle") ? 2L : 3L);
    QCOMPARE(m_control.connects() - before, expected);
}

WARDCHECK_TEST_MAIN(TestSqlServerPooling)
#include "tst_sqlserver_pooling.moc"
