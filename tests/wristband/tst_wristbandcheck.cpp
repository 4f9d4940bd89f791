// When a band may print, without a window: whose band a row's numbers
// make, and which presses and double-clicks print at all.
#include "apperror.h"
#include "fixture.h"
#include "testmain.h"
#include "wristbandcheck.h"

#include <QtTest>

using Generation = std::optional<quint64>;

class TestWristbandCheck : public QObject
{
    Q_OBJECT

private slots:
    void lookUp_data();
    void lookUp();
    void printRule_data();
    void printRule();
};

void TestWristbandCheck::lookUp_data()
{
    QTest::addColumn<QString>("hn");
    QTest::addColumn<QString>("idn");
    QTest::addColumn<QString>("expected"); // name|birth|sex|room, or "error"

    QTest::newRow("patient") << "H1"
                             << "A1"
                             << "Smith, John A|3/4/1950|M|1A-01";
    QTest::newRow("no middle name") << "H2"
                                    << "A2"
                                    << "Smythe, Jane|1/1/1970|F|1A-02";
    QTest::newRow("apostrophe in id") << "H5"
                                      << "A'5"
                                      << "O'Brien, Pat Q|1/1/1970|M|1A-05";
    QTest::newRow("no patient record") << ""
                                       << "A99"
                                       << "|||3C-07";
    QTest::newRow("hospital number of another patient") << "H2"
                                                        << "A1"
                                                        << "error";
    QTest::newRow("unknown admission") << "H1"
                                       << "A7"
                                       << "error";
    QTest::newRow("id differing in case only") << "H1"
                                               << "a1"
                                               << "error";
    QTest::newRow("no admission id") << "H1"
                                     << ""
                                     << "error";
}

void TestWristbandCheck::lookUp()
{
    QFETCH(QString, hn);
    QFETCH(QString, idn);
    QFETCH(QString, expected);
    FixtureDb db;
    db.patient("H1", "Smith", "John", "A", "1950-03-04 00:00:00", "M");
    db.patient("H2", "Smythe", "Jane", QVariant());
    db.patient("H5", "O'Brien", "Pat", "Q", "1970-01-01 00:00:00", "M");
    db.admission("A1", "H1", "1A-01");
    db.admission("A2", "H2", "1A-02");
    db.admission("A'5", "H5", "1A-05");
    db.admission("A99", "H404", "3C-07");
    db.close();
    TestUser user(db.path());

    if (expected == QLatin1String("error")) {
        QVERIFY_THROWS_EXCEPTION(AppError, WristbandCheck::lookUp(*user.SQLConnection(), hn, idn));
        return;
    }
    const WristbandData data = WristbandCheck::lookUp(*user.SQLConnection(), hn, idn);
    QCOMPARE(QStringList({data.patientName(), data.birthDate, data.sex, data.room}).join(QLatin1Char('|')), expected);
    QCOMPARE(data.admissionId, idn);
    QCOMPARE(data.hospitalNumber, hn);
}

// The list's state when the user pressed Print (or double-clicked), and
// when the click arrives.
void TestWristbandCheck::printRule_data()
{
    QTest::addColumn<bool>("busyThen");
    QTest::addColumn<quint64>("generationThen");
    QTest::addColumn<bool>("busyNow");
    QTest::addColumn<quint64>("generationNow");
    QTest::addColumn<bool>("prints");

    QTest::newRow("settled, nothing since") << false << quint64(3) << false << quint64(3) << true;
    QTest::newRow("the first list") << false << quint64(0) << false << quint64(0) << true;
    QTest::newRow("another fill since") << false << quint64(3) << false << quint64(5) << false;
    QTest::newRow("a fill starting now") << false << quint64(3) << true << quint64(3) << false;
    QTest::newRow("a fill running now") << false << quint64(3) << true << quint64(4) << false;
    QTest::newRow("acted during a fill, settled now") << true << quint64(4) << false << quint64(4) << false;
    QTest::newRow("acted during a fill, still running") << true << quint64(4) << true << quint64(4) << false;
}

void TestWristbandCheck::printRule()
{
    QFETCH(bool, busyThen);
    QFETCH(quint64, generationThen);
    QFETCH(bool, busyNow);
    QFETCH(quint64, generationNow);
    QFETCH(bool, prints);
    const Generation actedOn = WristbandCheck::settledList(busyThen, generationThen);
    QCOMPARE(actedOn.has_value(), !busyThen);
    QCOMPARE(WristbandCheck::mayPrint(actedOn, WristbandCheck::settledList(busyNow, generationNow)), prints);
}

WARDCHECK_CORE_TEST_MAIN(TestWristbandCheck)
#include "tst_wristbandcheck.moc"
