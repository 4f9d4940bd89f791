// The verification list's rules, without a window: why Step 1 refuses a
// container or adds it, how it makes list rows from the container query's
// records, and which row Step 2 accepts.
#include "apperror.h"
#include "connection.h"
#include "containerlist.h"
#include "fixture.h"
#include "testmain.h"

#include <QtTest>

using namespace ContainerList;

Q_DECLARE_METATYPE(ContainerList::Preload)

namespace {

Record record(const QString &ref, const QString &exam, const QString &request = QStringLiteral("R1"))
{
    return Record{ref,
                  QStringLiteral("H1"),
                  QStringLiteral("A1"),
                  exam,
                  QStringLiteral("Dela Cruz, Juan Santos"),
                  QStringLiteral("2B-07"),
                  QStringLiteral("3/14/1958"),
                  QStringLiteral("M"),
                  request};
}

ListedContainer listedRow(const QString &refNum, const QString &idn = QStringLiteral("A"))
{
    ListedContainer row;
    row.refNum = refNum;
    row.idn = idn;
    row.exams = QStringList{QStringLiteral("X")};
    return row;
}

// A list of (container, admission) rows.
void fill(VerificationList &list, const QList<QPair<QString, QString>> &rows)
{
    for (const auto &[refNum, idn] : rows)
        list.append(listedRow(refNum, idn));
}

// Fillers up to `rows` rows, none of them a code the tests scan.
void fillUpTo(VerificationList &list, int rows)
{
    QList<ListedContainer> filler;
    for (int i = list.size(); i < rows; ++i)
        filler << listedRow(QStringLiteral("F%1").arg(i));
    list.append(filler);
}

// "RefNum|LabExams|RequestNum" as the list shows them.
QStringList shown(const VerificationList &list, int from = 0)
{
    QStringList rows;
    for (int r = from; r < list.size(); ++r) {
        rows << list.text(r, VerificationList::RefNum) + QLatin1Char('|') + list.text(r, VerificationList::LabExams)
                    + QLatin1Char('|') + list.text(r, VerificationList::RequestNum);
    }
    return rows;
}

} // namespace

class TestContainerList : public QObject
{
    Q_OBJECT

private slots:
    void grouping_data();
    void grouping();
    void bedsideMatch_data();
    void bedsideMatch();
    void listedAndBlank();
    void preload_data();
    void preload();
    void preloadStopsWhenTold_data();
    void preloadStopsWhenTold();
    void preloadPassesReconnectErrorsOn();
};

void TestContainerList::grouping_data()
{
    QTest::addColumn<QList<Record>>("records");
    QTest::addColumn<int>("listedBefore");
    QTest::addColumn<QStringList>("rows"); // the rows this lookup added
    QTest::addColumn<int>("refused"); // the first record refused for a full list, or -1

    const int lastFree = VerificationList::MaxRows - 1;
    QTest::newRow("one exam") << QList<Record>{record("L1", "CBC")} << 0 << QStringList{"L1|CBC| R1"} << -1;
    QTest::newRow("three exams, one row")
        << QList<Record>{record("L1", "CBC"), record("L1", "Urinalysis"), record("L1", "Lipid Profile")} << 0
        << QStringList{"L1|CBC, Urinalysis, Lipid Profile| R1"} << -1;
    QTest::newRow("exam missing from the catalogue")
        << QList<Record>{record("L2", "CBC"), record("L2", "")} << 0 << QStringList{"L2|CBC, | R1"} << -1;
    QTest::newRow("first exam missing") << QList<Record>{record("L2", ""), record("L2", "CBC")} << 0
                                        << QStringList{"L2|, CBC| R1"} << -1;
    // The server finds both spellings of a code; the list keeps them apart.
    QTest::newRow("stored in two cases") << QList<Record>{record("L1", "CBC"), record("l1", "Urinalysis")} << 0
                                         << QStringList{"L1|CBC| R1", "l1|Urinalysis| R1"} << -1;
    QTest::newRow("a code back after another")
        << QList<Record>{record("L1", "CBC"), record("L2", "TSH"), record("L1", "Sodium")} << 0
        << QStringList{"L1|CBC| R1", "L2|TSH| R1", "L1|Sodium| R1"} << -1;
    QTest::newRow("no request number") << QList<Record>{record("L4", "CBC", "")} << 0 << QStringList{"L4|CBC| "} << -1;
    // A listed row with the same code is not this lookup's row.
    QTest::newRow("same code as an earlier lookup's row")
        << QList<Record>{record("F0", "CBC")} << 1 << QStringList{"F0|CBC| R1"} << -1;
    // Exams of the last row still fit a full list; a second row does not.
    QTest::newRow("last free row, more exams")
        << QList<Record>{record("L1", "CBC"), record("L1", "TSH")} << lastFree << QStringList{"L1|CBC, TSH| R1"} << -1;
    QTest::newRow("last free row, two spellings")
        << QList<Record>{record("L1", "CBC"), record("l1", "TSH"), record("L1", "Sodium")} << lastFree
        << QStringList{"L1|CBC| R1"} << 1;
}

void TestContainerList::grouping()
{
    QFETCH(QList<Record>, records);
    QFETCH(int, listedBefore);
    QFETCH(QStringList, rows);
    QFETCH(int, refused);
    VerificationList list;
    fillUpTo(list, listedBefore);
    const QStringList before = shown(list);
    Grouping grouping(list);
    int firstRefused = -1;
    for (int i = 0; i < records.size() && firstRefused < 0; ++i) {
        if (!grouping.add(records.at(i)))
            firstRefused = i;
    }
    QCOMPARE(firstRefused, refused);
    QCOMPARE(shown(list, listedBefore), rows);
    QCOMPARE(shown(list).mid(0, listedBefore), before);
}

void TestContainerList::bedsideMatch_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("wristband");
    QTest::addColumn<int>("row");

    QTest::newRow("right pair") << "L1"
                                << "A1" << 0;
    QTest::newRow("the second row") << "L2"
                                    << "A2" << 1;
    QTest::newRow("container of another patient") << "L2"
                                                  << "A1" << -1;
    QTest::newRow("container in other case") << "l1"
                                             << "A1" << -1;
    QTest::newRow("wristband in other case") << "L1"
                                             << "a1" << -1;
    QTest::newRow("trailing blank") << "L1 "
                                    << "A1" << -1;
    QTest::newRow("request without admission, empty wristband") << "L3"
                                                                << "" << -1;
    QTest::newRow("both empty") << ""
                                << "" << -1;
    QTest::newRow("listed twice: the first") << "L5"
                                             << "A5" << 4;
    // The request number is shown after a blank; the match never sees it.
    QTest::newRow("request number is not a container") << " R1"
                                                       << "A1" << -1;
}

void TestContainerList::bedsideMatch()
{
    QFETCH(QString, container);
    QFETCH(QString, wristband);
    QFETCH(int, row);
    VerificationList list;
    fill(list, {{"L1", "A1"}, {"L2", "A2"}, {"L3", ""}, {"", ""}, {"L5", "A5"}, {"L5", "A5"}});
    for (int r = 0; r < list.size(); ++r)
        QCOMPARE(list.at(r).passed, false);
    QCOMPARE(findBedsideMatch(list, container, wristband), row);
}

void TestContainerList::listedAndBlank()
{
    VerificationList list;
    fill(list, {{"L1", "A1"}, {"l2", "A2"}});
    QCOMPARE(findListed(list, QStringLiteral("L1")), 0);
    QCOMPARE(findListed(list, QStringLiteral("L2")), -1); // another spelling is another container
    QCOMPARE(findListed(list, QStringLiteral("l2")), 1);
    QCOMPARE(findListed(list, QStringLiteral("L1 ")), -1);
    QVERIFY(isBlank(QString()));
    QVERIFY(isBlank(QStringLiteral("   ")));
    QVERIFY(!isBlank(QStringLiteral(" L1")));
    QVERIFY(!isBlank(QStringLiteral("\t")));
}

void TestContainerList::preload_data()
{
    QTest::addColumn<QStringList>("listed"); // codes listed before the scan
    QTest::addColumn<int>("listedUpTo"); // then fillers up to this many rows
    QTest::addColumn<QString>("code");
    QTest::addColumn<Preload>("answer");
    QTest::addColumn<bool>("lookedUp"); // reconnected and sent the statement
    QTest::addColumn<QStringList>("added"); // rows added, as shown

    const int full = VerificationList::MaxRows;
    const QStringList none;
    QTest::newRow("empty") << none << 0 << "" << Preload::Blank << false << none;
    QTest::newRow("blanks") << none << 0 << "   " << Preload::Blank << false << none;
    QTest::newRow("blanks, a blank code listed") << QStringList{"   "} << 0 << "   " << Preload::Blank << false << none;
    QTest::newRow("blanks, full list") << none << full << "  " << Preload::Blank << false << none;
    QTest::newRow("listed") << QStringList{"L001"} << 0 << "L001" << Preload::Listed << false << none;
    QTest::newRow("listed, full list") << QStringList{"L001"} << full << "L001" << Preload::Listed << false << none;
    QTest::newRow("full list") << QStringList{"L002"} << full << "L001" << Preload::Full << false << none;
    QTest::newRow("full list, unknown code") << none << full << "L999" << Preload::Full << false << none;
    QTest::newRow("unknown") << none << 0 << "L999" << Preload::NotFound << true << none;
    QTest::newRow("unknown, other listed") << QStringList{"L002"} << 0 << "L999" << Preload::NotFound << true << none;
    // Blanks around a code are part of it for the list and the query.
    QTest::newRow("leading blank, code listed")
        << QStringList{"L001"} << 0 << " L001" << Preload::NotFound << true << none;
    QTest::newRow("added") << none << 0 << "L001" << Preload::Added << true << QStringList{"L001|CBC, Urinalysis| R1"};
    QTest::newRow("added beside others") << QStringList{"L002"} << 0 << "L001" << Preload::Added << true
                                         << QStringList{"L001|CBC, Urinalysis| R1"};
    QTest::newRow("other case of a listed code")
        << QStringList{"l001"} << 0 << "L001" << Preload::Added << true << QStringList{"L001|CBC, Urinalysis| R1"};
    QTest::newRow("the last free row") << none << full - 1 << "L001" << Preload::Added << true
                                       << QStringList{"L001|CBC, Urinalysis| R1"};
    // The server's collation finds both spellings: two rows, one too many.
    QTest::newRow("two spellings") << none << 0 << "L7" << Preload::Added << true
                                   << QStringList{"L7|CBC| R7", "l7|TSH| R8"};
    QTest::newRow("two spellings, one free row")
        << none << full - 1 << "L7" << Preload::Full << true << QStringList{"L7|CBC| R7"};
}

void TestContainerList::preload()
{
    QFETCH(QStringList, listed);
    QFETCH(int, listedUpTo);
    QFETCH(QString, code);
    QFETCH(Preload, answer);
    QFETCH(bool, lookedUp);
    QFETCH(QStringList, added);

    FixtureDb db;
    db.exam(QStringLiteral("E1"), QStringLiteral("CBC"));
    db.exam(QStringLiteral("E2"), QStringLiteral("Urinalysis"));
    db.exam(QStringLiteral("E3"), QStringLiteral("TSH"));
    db.labRow(QStringLiteral("L001"), QStringLiteral("H001"), QStringLiteral("A100"), QStringLiteral("R1"),
              QStringLiteral("E1"));
    db.labRow(QStringLiteral("L001"), QStringLiteral("H001"), QStringLiteral("A100"), QStringLiteral("R1"),
              QStringLiteral("E2"));
    db.labRow(QStringLiteral("L002"), QStringLiteral("H002"), QStringLiteral("A200"), QStringLiteral("R2"),
              QStringLiteral("E1"));
    db.labRow(QStringLiteral("L7"), QStringLiteral("H001"), QStringLiteral("A100"), QStringLiteral("R7"),
              QStringLiteral("E1"));
    db.labRow(QStringLiteral("l7"), QStringLiteral("H002"), QStringLiteral("A200"), QStringLiteral("R8"),
              QStringLiteral("E3"));
    db.close();

    Connection connection(fixtureSettings(db.path()));
    QStringList statements;
    connection.setStatementObserver([&](const QString &statement) { statements << statement; });
    int reconnects = 0;
    const LookupSteps steps{[&]() -> Connection & {
                                ++reconnects;
                                connection.Close();
                                connection.Open();
                                return connection;
                            },
                            [] { return true; }};

    VerificationList list;
    for (const QString &refNum : listed)
        list.append(listedRow(refNum));
    fillUpTo(list, listedUpTo);
    const QStringList before = shown(list);

    QCOMPARE(ContainerList::preload(list, code, steps), answer);
    QCOMPARE(reconnects, lookedUp ? 1 : 0);
    QCOMPARE(statements, lookedUp ? QStringList{statement(code)} : QStringList());
    QCOMPARE(shown(list).mid(0, before.size()), before);
    QCOMPARE(shown(list, int(before.size())), added);
}

void TestContainerList::preloadStopsWhenTold_data()
{
    QTest::addColumn<int>("stopAt"); // the yield that says stop, from 1
    QTest::addColumn<int>("rows"); // rows in the list when it stops

    QTest::newRow("before the query") << 1 << 0;
    QTest::newRow("after the first record") << 2 << 1;
}

void TestContainerList::preloadStopsWhenTold()
{
    QFETCH(int, stopAt);
    QFETCH(int, rows);
    FixtureDb db;
    db.exam(QStringLiteral("E1"), QStringLiteral("CBC"));
    db.labRow(QStringLiteral("L001"), QStringLiteral("H001"), QStringLiteral("A100"), QStringLiteral("R1"),
              QStringLiteral("E1"));
    db.labRow(QStringLiteral("L001"), QStringLiteral("H001"), QStringLiteral("A100"), QStringLiteral("R1"),
              QStringLiteral("E1"));
    db.close();
    Connection connection(fixtureSettings(db.path()));
    int statements = 0;
    connection.setStatementObserver([&](const QString &) { ++statements; });
    int yields = 0;
    const LookupSteps steps{[&]() -> Connection & {
                                connection.Open();
                                return connection;
                            },
                            [&] { return ++yields < stopAt; }};
    VerificationList list;
    QCOMPARE(ContainerList::preload(list, QStringLiteral("L001"), steps), Preload::Stopped);
    QCOMPARE(yields, stopAt);
    QCOMPARE(statements, stopAt > 1 ? 1 : 0);
    QCOMPARE(list.size(), rows);
    if (rows > 0)
        QCOMPARE(list.text(0, VerificationList::LabExams), QStringLiteral("CBC"));
}

void TestContainerList::preloadPassesReconnectErrorsOn()
{
    VerificationList list;
    list.append(listedRow(QStringLiteral("L001")));
    bool yielded = false;
    const LookupSteps steps{
        []() -> Connection & { throw AppError(AppError::ProviderError, QStringLiteral("link down")); },
        [&] { return yielded = true; }};
    QString thrown;
    try {
        ContainerList::preload(list, QStringLiteral("L002"), steps);
    } catch (const AppError &error) {
        thrown = error.description();
    }
    QCOMPARE(thrown, QStringLiteral("link down"));
    QVERIFY(!yielded);
    QCOMPARE(list.size(), 1);
}

WARDCHECK_CORE_TEST_MAIN(TestContainerList)
#include "tst_containerlist.moc"
