#include "connection.h"
#include "fixture.h"
#include "recordset.h"
#include "testmain.h"

#include <QDir>
#include <QtTest>

#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__)
#define WARDCHECK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WARDCHECK_ASAN 1
#endif
#endif
#ifdef WARDCHECK_ASAN
// From the sanitizer runtime; GCC installs no header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

int openDescriptors()
{
    return int(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size());
}

// Bytes of heap in use now (not what the process holds from the system).
qint64 heapInUse()
{
#ifdef WARDCHECK_ASAN
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return qint64(mallinfo2().uordblks);
#endif
}

} // namespace

// Every lookup closes and reopens the hospital connection. Over a long
// shift that is tens of thousands of reconnects; none may leave anything
// behind.
class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void reconnectsLeaveNothingBehind_data();
    void reconnectsLeaveNothingBehind();
};

void TestSoak::reconnectsLeaveNothingBehind_data()
{
    QTest::addColumn<bool>("odbc");
    QTest::addColumn<bool>("reuse");
    QTest::newRow("embedded") << false << false;
    QTest::newRow("odbc, server connection kept") << true << true;
    QTest::newRow("odbc, a new server connection every time") << true << false;
}

void TestSoak::reconnectsLeaveNothingBehind()
{
    QFETCH(bool, odbc);
    QFETCH(bool, reuse);
    FixtureDb db;
    db.patient(QStringLiteral("H1"), QStringLiteral("Santos"), QStringLiteral("Maria"), QStringLiteral("Lim"));
    db.admission(QStringLiteral("A1"), QStringLiteral("H1"));
    db.close();

    ConnectionSettings settings{ConnectionSettings::Kind::Embedded, db.path(), QStringLiteral("t"), QString()};
    if (odbc) {
        settings = ConnectionSettings{
            ConnectionSettings::Kind::Odbc,
            QStringLiteral("DRIVER={%1};Database=%2").arg(QStringLiteral(WARDCHECK_STANDIN_NAME), db.path()), QString(),
            QString()};
        settings.reuseServerConnection = reuse;
    }
    Connection connection(settings);
    connection.Open();
    const auto lookup = [&] {
        connection.Close();
        connection.Open();
        Recordset rs;
        rs.Open(
            QStringLiteral("select M.Lastname + ', ' + M.Firstname as PatientName from patient_data..tbpatient N "
                           "left outer join patient_data..tbmaster M on N.Hospnum = M.Hospnum where N.IDNum = 'A1'"),
            &connection);
        if (rs.text(QStringLiteral("PatientName")) != QLatin1String("Santos, Maria"))
            qFatal("wrong row");
    };
    for (int i = 0; i < 500; ++i)
        lookup();
    const int descriptors = openDescriptors();
    const qint64 heap = heapInUse();
    for (int i = 0; i < 10000; ++i)
        lookup();
    QCOMPARE(openDescriptors(), descriptors);
    const qint64 growth = heapInUse() - heap;
    // A few kilobytes of caches may settle; a leak of even 100 bytes a
    // reconnect would show as a megabyte.
    QVERIFY2(growth < 256 * 1024, qPrintable(QStringLiteral("heap grew by %1 bytes").arg(growth)));
}

WARDCHECK_TEST_MAIN(TestSoak)
#include "tst_soak.moc"
