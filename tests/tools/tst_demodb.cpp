#include "connection.h"
#include "recordset.h"
#include "testmain.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The demo ward must hold the awkward rows that the checking screens meet
// in real hospitals, and its sheet must carry barcodes a scanner can read.
class TestDemoDb : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void awkwardRowsArePresent_data();
    void awkwardRowsArePresent();
    void demoAccountsAreHashed();
    void sheetBarcodesScan();
    void replacesOnlyItsOwnFiles_data();
    void replacesOnlyItsOwnFiles();

private:
    QString count(const QString &sql);
    QTemporaryDir m_dir;
    QString m_db;
    QString m_sheet;
    std::unique_ptr<Connection> m_connection;
};

void TestDemoDb::initTestCase()
{
    m_db = m_dir.filePath(QStringLiteral("hospital.db"));
    m_sheet = m_dir.filePath(QStringLiteral("sheet.pdf"));
    QProcess maker;
    maker.start(QStringLiteral(MAKEDEMODB), {QStringLiteral("--out"), m_db, QStringLiteral("--sheet"), m_sheet});
    QVERIFY(maker.waitForFinished(120000));
    QCOMPARE(maker.exitCode(), 0);
    m_connection = std::make_unique<Connection>(
        ConnectionSettings{ConnectionSettings::Kind::Embedded, m_db, QStringLiteral("t"), QString()});
    m_connection->Open();
}

void TestDemoDb::replacesOnlyItsOwnFiles_data()
{
    QTest::addColumn<QString>("existing"); // text, database, ours
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("a document") << "text" << false << false;
    QTest::newRow("another program's database") << "database" << false << false;
    QTest::newRow("a demo database made before") << "ours" << false << true;
    QTest::newRow("a document, forced") << "text" << true << true;
}

void TestDemoDb::replacesOnlyItsOwnFiles()
{
    QFETCH(QString, existing);
    QFETCH(bool, force);
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("hospital.db"));
    if (existing == QLatin1String("ours")) {
        QVERIFY(QFile::copy(m_db, target));
    } else if (existing == QLatin1String("database")) {
        QProcess sqlite;
        sqlite.start(QStringLiteral("sqlite3"),
                     {target, QStringLiteral("create table notes(t text); insert into notes values('x');")});
        QVERIFY(sqlite.waitForFinished());
        QCOMPARE(sqlite.exitCode(), 0);
    } else {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Ward 4B handover notes\n");
    }
    QFile original(target);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();

    QStringList arguments = {QStringLiteral("--out"),        target,
                             QStringLiteral("--patients"),   QStringLiteral("20"),
                             QStringLiteral("--nurse-rows"), QStringLiteral("20"),
                             QStringLiteral("--lab-rows"),   QStringLiteral("20")};
    if (force)
        arguments << QStringLiteral("--force");
    QProcess maker;
    maker.start(QStringLiteral(MAKEDEMODB), arguments);
    QVERIFY(maker.waitForFinished(120000));
    QCOMPARE(maker.exitCode() == 0, replaced);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray after = original.readAll();
    if (replaced) {
        QVERIFY(after != before);
        QVERIFY(after.startsWith("SQLite format 3"));
    } else {
        QCOMPARE(after, before);
        QVERIFY(maker.readAllStandardError().contains("left alone"));
    }
}

QString TestDemoDb::count(const QString &sql)
{
    Recordset rs;
    rs.Open(QStringLiteral("select count(*) as N from ") + sql, m_connection.get());
    return rs.text(QStringLiteral("N"));
}

void TestDemoDb::awkwardRowsArePresent_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("atLeast");
    QTest::newRow("admitted patients") << "patient_data..tbpatient where dcrdate is null" << 200;
    QTest::newRow("discharged patients") << "patient_data..tbpatient where dcrdate is not null" << 20;
    QTest::newRow("admission without master record")
        << "patient_data..tbpatient N left outer join patient_data..tbmaster M on N.Hospnum = M.Hospnum where "
           "M.Hospnum is null"
        << 1;
    QTest::newRow("null middle name") << "patient_data..tbmaster where Middlename is null" << 1;
    QTest::newRow("exam without catalogue entry")
        << "[Laboratory].[dbo].[tbLABmaster] L left outer join build_file..tbcoLabExam B on L.[ItemID] = B.LabExamId "
           "where B.LabExamId is null"
        << 1;
    QTest::newRow("item not stocked at 20")
        << "Station..tbnursecommunicationfile S where not exists (select 1 from Inventory..tbinvent I where I.itemid = "
           "S.ItemID and I.locationid = '20')"
        << 1;
    QTest::newRow("packages begin with C") << "Station..tbnursecommunicationfile where ReferenceNum like 'C%'" << 1000;
    QTest::newRow("request without admission number") << "[Laboratory].[dbo].[tbLABmaster] where idnum is null" << 1;
    QTest::newRow("lab requests with several exams")
        << "(select refnum from [Laboratory].[dbo].[tbLABmaster] group by refnum having count(*) >= 3)" << 10;
    QTest::newRow("patients sharing a name")
        << "(select Lastname from patient_data..tbmaster group by Lastname, Firstname, Middlename having count(*) > 1)"
        << 1;
}

void TestDemoDb::awkwardRowsArePresent()
{
    QFETCH(QString, from);
    QFETCH(int, atLeast);
    const int n = count(from).toInt();
    QVERIFY2(n >= atLeast, qPrintable(QStringLiteral("%1 rows").arg(n)));
}

void TestDemoDb::demoAccountsAreHashed()
{
    Recordset rs;
    rs.Open(QStringLiteral("select username, pwhash from wc_user order by username"), m_connection.get());
    QStringList users;
    for (; !rs.isEOF(); rs.MoveNext()) {
        users << rs.text(QStringLiteral("username"));
        QVERIFY(rs.text(QStringLiteral("pwhash")).startsWith(QLatin1String("$argon2id$")));
        QVERIFY(!rs.text(QStringLiteral("pwhash")).contains(QLatin1String("wardcheck")));
    }
    QCOMPARE(users, (QStringList{"lab", "nurse"}));
}

void TestDemoDb::sheetBarcodesScan()
{
    QProcess raster;
    raster.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("200"), QStringLiteral("-gray"),
                                              QStringLiteral("-png"), m_sheet, m_dir.filePath(QStringLiteral("page"))});
    QVERIFY2(raster.waitForFinished(60000) && raster.exitCode() == 0, "pdftoppm (poppler-utils) is needed");
    QProcess zbar;
    zbar.start(QStringLiteral("sh"),
               {QStringLiteral("-c"), QStringLiteral("zbarimg --quiet --raw '%1'/page*.png").arg(m_dir.path())});
    QVERIFY2(zbar.waitForFinished(60000), "zbarimg (zbar-tools) is needed");
    const QStringList codes =
        QString::fromUtf8(zbar.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const char *expected : {"C0000001", "A090000", "A090001", "L0000001", "L0000005", "A090003", "X1234567"})
        QVERIFY2(codes.contains(QLatin1String(expected)), expected);
    QVERIFY(codes.size() >= 15);
}

WARDCHECK_TEST_MAIN(TestDemoDb)
#include "tst_demodb.moc"
