// The medicine check's rules, without a window: the verdict for each kind
// of near miss, and what the package lookup reads into the scan.
#include "apperror.h"
#include "fixture.h"
#include "medfixture.h"
#include "packagelookup.h"
#include "patientcheck.h"
#include "testmain.h"

#include <QtTest>

Q_DECLARE_METATYPE(MedicineVerdict)

class TestMedicineCheck : public QObject
{
    Q_OBJECT

private slots:
    void verdict_data();
    void verdict();
    void packageCodes_data();
    void packageCodes();
    void lookup_data();
    void lookup();
};

void TestMedicineCheck::verdict_data()
{
    QTest::addColumn<QString>("foundIdn"); // what the lookup found
    QTest::addColumn<QString>("foundReference");
    QTest::addColumn<bool>("lookupFailed");
    QTest::addColumn<QString>("wristband"); // what is in the boxes now
    QTest::addColumn<QString>("packageBox");
    QTest::addColumn<MedicineVerdict>("verdict");

    const auto pass = MedicineVerdict::Pass, fail = MedicineVerdict::Fail, first = MedicineVerdict::ScanPackageFirst;
    QTest::newRow("right patient") << "A100"
                                   << "C100" << false << "A100"
                                   << "C100" << pass;
    QTest::newRow("other patient") << "A100"
                                   << "C100" << false << "A300"
                                   << "C100" << fail;
    QTest::newRow("wristband in other case") << "A100"
                                             << "C100" << false << "a100"
                                             << "C100" << fail;
    QTest::newRow("wristband with a trailing blank") << "A100"
                                                     << "C100" << false << "A100 "
                                                     << "C100" << fail;
    QTest::newRow("wristband one character short") << "A100"
                                                   << "C100" << false << "A10"
                                                   << "C100" << fail;
    QTest::newRow("package scanned in lower case") << "A100"
                                                   << "C100" << false << "A100"
                                                   << "c100" << fail;
    QTest::newRow("package box edited after the lookup") << "A100"
                                                         << "C100" << false << "A100"
                                                         << "C1000" << fail;
    QTest::newRow("empty wristband, empty admission number") << ""
                                                             << "C600" << false << ""
                                                             << "C600" << fail;
    QTest::newRow("empty wristband") << "A100"
                                     << "C100" << false << ""
                                     << "C100" << fail;
    QTest::newRow("no package looked up") << ""
                                          << "" << false << ""
                                          << "" << first;
    QTest::newRow("lookup failed part-way") << "A100"
                                            << "C100" << true << "A100"
                                            << "C100" << first;
}

void TestMedicineCheck::verdict()
{
    QFETCH(QString, foundIdn);
    QFETCH(QString, foundReference);
    QFETCH(bool, lookupFailed);
    QFETCH(QString, wristband);
    QFETCH(QString, packageBox);
    QFETCH(MedicineVerdict, verdict);
    MedicineScan scan;
    scan.IDN = foundIdn;
    scan.ReferenceNum = foundReference;
    scan.lookupFailed = lookupFailed;
    QCOMPARE(checkPatient(scan, wristband, packageBox), verdict);
}

void TestMedicineCheck::packageCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("looked");
    QTest::newRow("C") << "C100" << true;
    QTest::newRow("c") << "c100" << true;
    QTest::newRow("C alone") << "C" << true;
    QTest::newRow("other letter") << "X1234567" << false;
    QTest::newRow("leading blank") << " C100" << false;
    QTest::newRow("empty") << "" << false;
}

void TestMedicineCheck::packageCodes()
{
    QFETCH(QString, code);
    QFETCH(bool, looked);
    QCOMPARE(PackageLookup::isPackageCode(code), looked);
}

void TestMedicineCheck::lookup_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("error"); // empty: none
    QTest::addColumn<QStringList>("scan"); // HN, IDN, name, reference, request, items

    QTest::newRow("three items, server order")
        << "C100" << true << ""
        << QStringList{"H1",   "A100", "Dela Cruz, Juan Santos",
                       "C100", "R3",   "\r\nOmeprazole 20 mg\r\nParacetamol 500 mg\r\nAmoxicillin 250 mg"};
    QTest::newRow("found in other case")
        << "c100" << true << ""
        << QStringList{"H1",   "A100", "Dela Cruz, Juan Santos",
                       "C100", "R3",   "\r\nOmeprazole 20 mg\r\nParacetamol 500 mg\r\nAmoxicillin 250 mg"};
    QTest::newRow("stocked elsewhere only") << "C200" << false << "" << QStringList{"", "", "", "", "", ""};
    QTest::newRow("unknown") << "C999" << false << "" << QStringList{"", "", "", "", "", ""};
    QTest::newRow("nameless item") << "C300" << true << "" << QStringList{"H3",   "A300", "Reyes, Maria Lopez",
                                                                          "C300", "R7",   "\r\n\r\nParacetamol 500 mg"};
    QTest::newRow("apostrophes") << "C'7" << true << "" << QStringList{"H7",  "A'7", "O'Brien, Sean Pat",
                                                                       "C'7", "R10", "\r\nParacetamol 500 mg"};
    // Read as far as the error, kept, and marked failed.
    QTest::newRow("patient not on file") << "C400" << true << "Invalid use of Null"
                                         << QStringList{"", "", "", "", "", ""};
    QTest::newRow("no request number") << "C402" << true << "Invalid use of Null"
                                       << QStringList{"H1", "A402", "Dela Cruz, Juan Santos", "C402", "", ""};
}

void TestMedicineCheck::lookup()
{
    QFETCH(QString, code);
    QFETCH(bool, found);
    QFETCH(QString, error);
    QFETCH(QStringList, scan);
    FixtureDb db;
    fillMedicineWard(db);

    Connection connection(fixtureSettings(db.path()));
    connection.Open();
    MedicineScan result;
    PackageLookup lookup(connection, code, result);
    QString thrown;
    try {
        QCOMPARE(lookup.open(), found);
        int rows = 0;
        while (lookup.readRow())
            ++rows;
        if (found) {
            QVERIFY(rows > 0);
            lookup.readItems();
        }
    } catch (const AppError &e) {
        thrown = e.description();
    }
    QCOMPARE(thrown, error);
    QCOMPARE(result.lookupFailed, !error.isEmpty());
    QCOMPARE(QStringList(
                 {result.HN, result.IDN, result.PatientName, result.ReferenceNum, result.RequestNum, result.ItemList}),
             scan);
}

WARDCHECK_CORE_TEST_MAIN(TestMedicineCheck)
#include "tst_medicinecheck.moc"
