// The verification list's rules, without a window: how Step 1 makes list
// rows from the container query's records, and which row Step 2 accepts.
#include "containerlist.h"
#include "testmain.h"

#include <QtTest>

using namespace ContainerList;

namespace {

Record record(const QString &ref, const QString &exam, const QString &request = QStringLiteral("R1"))
{
    return Record{ref, QStringLiteral("H1"), QStringLiteral("A1"), exam, QStringLiteral("Dela Cruz, Juan Santos"),
                  QStringLiteral("2B-07"), QStringLiteral("3/14/1958"), QStringLiteral("M"), request};
}

// A list of (container, admission) rows.
Rows listOf(const QList<QPair<QString, QString>> &rows)
{
    return {int(rows.size()), [rows](int row, Column column) {
                return column == RefNum ? rows.at(row).first : column == IDNum ? rows.at(row).second : QString();
            }};
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
};

void TestContainerList::grouping_data()
{
    QTest::addColumn<QList<Record>>("records");
    QTest::addColumn<QStringList>("rows");   // each row as "RefNum|LabExams|RequestNum"

    QTest::newRow("one exam") << QList<Record>{record("L1", "CBC")} << QStringList{"L1|CBC| R1"};
    QTest::newRow("three exams, one row")
        << QList<Record>{record("L1", "CBC"), record("L1", "Urinalysis"), record("L1", "Lipid Profile")}
        << QStringList{"L1|CBC, Urinalysis, Lipid Profile| R1"};
    QTest::newRow("exam missing from the catalogue") << QList<Record>{record("L2", "CBC"), record("L2", "")}
                                                     << QStringList{"L2|CBC, | R1"};
    // The server finds both spellings of a code; the list keeps them apart.
    QTest::newRow("stored in two cases") << QList<Record>{record("L1", "CBC"), record("l1", "Urinalysis")}
                                         << QStringList{"L1|CBC| R1", "l1|Urinalysis| R1"};
    QTest::newRow("a code back after another")
        << QList<Record>{record("L1", "CBC"), record("L2", "TSH"), record("L1", "Sodium")}
        << QStringList{"L1|CBC| R1", "L2|TSH| R1", "L1|Sodium| R1"};
    QTest::newRow("no request number") << QList<Record>{record("L4", "CBC", "")} << QStringList{"L4|CBC| "};
}

void TestContainerList::grouping()
{
    QFETCH(QList<Record>, records);
    QFETCH(QStringList, rows);
    QStringList made;
    for (const QStringList &row : Grouping::rowsOf(records)) {
        QCOMPARE(row.size(), int(ColumnCount));
        made << row.at(RefNum) + QLatin1Char('|') + row.at(LabExams) + QLatin1Char('|') + row.at(RequestNum);
    }
    QCOMPARE(made, rows);
}

void TestContainerList::bedsideMatch_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("wristband");
    QTest::addColumn<int>("row");

    QTest::newRow("right pair") << "L1" << "A1" << 0;
    QTest::newRow("the second row") << "L2" << "A2" << 1;
    QTest::newRow("container of another patient") << "L2" << "A1" << -1;
    QTest::newRow("container in other case") << "l1" << "A1" << -1;
    QTest::newRow("wristband in other case") << "L1" << "a1" << -1;
    QTest::newRow("trailing blank") << "L1 " << "A1" << -1;
    QTest::newRow("request without admission, empty wristband") << "L3" << "" << -1;
    QTest::newRow("both empty") << "" << "" << -1;
    QTest::newRow("listed twice: the first") << "L5" << "A5" << 4;
}

void TestContainerList::bedsideMatch()
{
    QFETCH(QString, container);
    QFETCH(QString, wristband);
    QFETCH(int, row);
    const Rows rows = listOf({{"L1", "A1"}, {"L2", "A2"}, {"L3", ""}, {"", ""}, {"L5", "A5"}, {"L5", "A5"}});
    QCOMPARE(findBedsideMatch(rows, container, wristband), row);
}

void TestContainerList::listedAndBlank()
{
    const Rows rows = listOf({{"L1", "A1"}, {"l2", "A2"}});
    QCOMPARE(findListed(rows, QStringLiteral("L1")), 0);
    QCOMPARE(findListed(rows, QStringLiteral("L2")), -1);   // another spelling is another container
    QCOMPARE(findListed(rows, QStringLiteral("l2")), 1);
    QVERIFY(isBlank(QString()));
    QVERIFY(isBlank(QStringLiteral("   ")));
    QVERIFY(!isBlank(QStringLiteral(" L1")));
    QVERIFY(!isBlank(QStringLiteral("\t")));
}

WARDCHECK_CORE_TEST_MAIN(TestContainerList)
#include "tst_containerlist.moc"
