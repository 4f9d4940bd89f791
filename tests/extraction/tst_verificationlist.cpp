// What the verification list's grid shows for its records: the texts of
// each column, the titles, and the green of a container that passed.
#include "testmain.h"
#include "verificationlist.h"

#include <QColor>
#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(ListedContainer)

namespace {

ListedContainer juan()
{
    return ListedContainer{QStringLiteral("H001"),
                           QStringLiteral("A100"),
                           {QStringLiteral("CBC"), QStringLiteral("Urinalysis")},
                           QStringLiteral("Dela Cruz, Juan Santos"),
                           QStringLiteral("2B-07"),
                           QStringLiteral("3/14/1958"),
                           QStringLiteral("M"),
                           QStringLiteral("L001"),
                           QStringLiteral("R1")};
}

QStringList shownRow(const VerificationList &list, int row, int role = Qt::DisplayRole)
{
    QStringList cells;
    for (int c = 0; c < list.columnCount(); ++c)
        cells << list.index(row, c).data(role).toString();
    return cells;
}

} // namespace

class TestVerificationList : public QObject
{
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void titles();
    void passedRowIsGreen();
    void examsJoinAsTheyCome();
};

void TestVerificationList::texts_data()
{
    QTest::addColumn<ListedContainer>("row");
    QTest::addColumn<QString>("shown"); // the cells joined with |

    QTest::newRow("every field") << juan()
                                 << "H001|A100|CBC, Urinalysis|Dela Cruz, Juan Santos|2B-07|3/14/1958|M|L001| R1";
    ListedContainer empty = juan();
    empty.hn = empty.idn = empty.patientName = empty.room = empty.birthdate = empty.sex = empty.requestNum = QString();
    empty.exams = QStringList{QString()};
    QTest::newRow("nulls") << empty << "|||||||L001| ";
    ListedContainer missing = juan();
    missing.exams = QStringList{QStringLiteral("CBC"), QString(), QStringLiteral("TSH")};
    QTest::newRow("exam missing from the catalogue")
        << missing << "H001|A100|CBC, , TSH|Dela Cruz, Juan Santos|2B-07|3/14/1958|M|L001| R1";
    ListedContainer spaced = juan();
    spaced.refNum = QStringLiteral(" L001 ");
    spaced.requestNum = QStringLiteral(" R1");
    QTest::newRow("blanks kept") << spaced
                                 << "H001|A100|CBC, Urinalysis|Dela Cruz, Juan Santos|2B-07|3/14/1958|M| L001 |  R1";
    ListedContainer tabbed = juan();
    tabbed.patientName = QStringLiteral("Dela\tCruz, Juan");
    QTest::newRow("tab stays in its column")
        << tabbed << "H001|A100|CBC, Urinalysis|Dela\tCruz, Juan|2B-07|3/14/1958|M|L001| R1";
}

void TestVerificationList::texts()
{
    QFETCH(ListedContainer, row);
    QFETCH(QString, shown);
    VerificationList list;
    list.append(juan());
    list.append(row);
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(list.columnCount(), 9);
    QCOMPARE(shownRow(list, 1).join(QLatin1Char('|')), shown);
    QCOMPARE(shownRow(list, 1, Qt::ToolTipRole).join(QLatin1Char('|')), shown);
    for (int c = 0; c < list.columnCount(); ++c) {
        QCOMPARE(list.text(1, VerificationList::Column(c)), shownRow(list, 1).at(c));
        QVERIFY(!(list.flags(list.index(1, c)) & Qt::ItemIsEditable));
        QVERIFY(list.flags(list.index(1, c)) & Qt::ItemIsSelectable);
    }
    QCOMPARE(list.text(2, VerificationList::RefNum), QString());
    QVERIFY(!list.index(2, 0).data().isValid());
}

void TestVerificationList::titles()
{
    VerificationList list;
    QStringList titles;
    for (int c = 0; c < list.columnCount(); ++c)
        titles << list.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(titles, QStringList({"HospNum", "IDNum", "LabExam(s)", "PatientName", "Room", "Birthdate", "Sex", "RefNum",
                                  "RequestNum"}));
    QCOMPARE(list.headerData(9, Qt::Horizontal).toString(), QString());
}

void TestVerificationList::passedRowIsGreen()
{
    VerificationList list;
    for (int i = 0; i < 3; ++i)
        list.append(juan());
    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    list.markPassed(1);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().at(0).toModelIndex(), list.index(1, 0));
    QCOMPARE(changed.first().at(1).toModelIndex(), list.index(1, 8));
    for (int r = 0; r < 3; ++r) {
        QCOMPARE(list.at(r).passed, r == 1);
        for (int c = 0; c < list.columnCount(); ++c) {
            const QVariant background = list.index(r, c).data(Qt::BackgroundRole);
            QCOMPARE(background.value<QColor>(), r == 1 ? QColor(0, 255, 0) : QColor());
        }
    }
    QCOMPARE(shownRow(list, 1), shownRow(list, 0));

    list.clear();
    QCOMPARE(list.rowCount(), 0);
    list.append(juan());
    QVERIFY(!list.index(0, 0).data(Qt::BackgroundRole).isValid());
}

void TestVerificationList::examsJoinAsTheyCome()
{
    VerificationList list;
    ListedContainer row = juan();
    row.exams = QStringList{QStringLiteral("CBC")};
    list.append(row);
    list.append(row);
    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    list.addExam(0, QStringLiteral("Lipid Profile"));
    list.addExam(0, QString());
    QCOMPARE(list.text(0, VerificationList::LabExams), QStringLiteral("CBC, Lipid Profile, "));
    QCOMPARE(list.text(1, VerificationList::LabExams), QStringLiteral("CBC"));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.first().at(0).toModelIndex(), list.index(0, VerificationList::LabExams));
}

WARDCHECK_CORE_TEST_MAIN(TestVerificationList)
#include "tst_verificationlist.moc"
