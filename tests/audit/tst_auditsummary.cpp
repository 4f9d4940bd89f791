// wardcheck --audit-summary's reading and counting, over records as the two
// platforms export them: journalctl -o json (one object a line) and wevtutil
// qe /f:xml (events one after another), and over broken exports of both. A
// line or an event that cannot be read, and a record of another program, is
// counted and skipped, never a crash.
#include "auditsummary.h"
#include "testmain.h"

#include <QtTest>

namespace {

// A journal record of Wardcheck, as journalctl -o json writes it.
QByteArray journal(const char *day, const char *pc, const char *event, const char *outcome, const char *entry = "",
                   const char *user = "nurse")
{
    const qint64 ms =
        QDateTime::fromString(QString::fromLatin1(day) + QStringLiteral("T10:00:00Z"), Qt::ISODate).toMSecsSinceEpoch();
    return QStringLiteral("{\"__REALTIME_TIMESTAMP\":\"%1\",\"_HOSTNAME\":\"%2\",\"SYSLOG_IDENTIFIER\":\"wardcheck\","
                          "\"MESSAGE\":\"a record\",\"WARDCHECK_EVENT\":\"%3\",\"WARDCHECK_OUTCOME\":\"%4\","
                          "\"WARDCHECK_ENTRY\":\"%5\",\"WARDCHECK_USER\":\"%6\"}\n")
        .arg(ms * 1000)
        .arg(QLatin1String(pc), QLatin1String(event), QLatin1String(outcome), QLatin1String(entry), QLatin1String(user))
        .toUtf8();
}

// An event of the Application log, as wevtutil qe /f:xml writes it: the
// record's fields as its insertion strings.
QByteArray logEvent(const char *day, const char *pc, const char *name, const char *outcome, const char *entry = "",
                    const char *provider = "Wardcheck")
{
    QByteArray data;
    const QList<QByteArray> fields = {name, outcome, "medicine", "nurse", "C1", "A1",
                                      "H1", entry,   "2.0",      "",      "",   "6.0.0.11"};
    for (const QByteArray &field : fields)
        data += "<Data>" + field + "</Data>";
    return "<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'><System><Provider Name='"
           + QByteArray(provider) + "'/><EventID Qualifiers='0'>1</EventID><Level>4</Level><TimeCreated SystemTime='"
           + QByteArray(day) + "T10:00:00.1234567Z'/><Computer>" + QByteArray(pc) + "</Computer></System><EventData>"
           + data + "</EventData></Event>";
}

} // namespace

class TestAuditSummary : public QObject
{
    Q_OBJECT

private slots:
    void counts_data();
    void counts();
};

void TestAuditSummary::counts_data()
{
    QTest::addColumn<QByteArray>("exported");
    QTest::addColumn<bool>("byUser");
    QTest::addColumn<QStringList>("rows"); // day pc [user] checks passed failed errors dropped wristbands scanned
    QTest::addColumn<int>("malformed");
    QTest::addColumn<int>("others");

    const QByteArray shift = journal("2026-12-08", "WARD4", "medicine-check", "pass", "scanned")
                             + journal("2026-12-08", "WARD4", "medicine-check", "fail", "typed")
                             + journal("2026-12-08", "WARD4", "bedside-check", "pass", "scanned", "lab")
                             + journal("2026-12-08", "WARD4", "medicine-check", "typed-wristband-refused", "typed")
                             + journal("2026-12-08", "WARD4", "connection-error", "error")
                             + journal("2026-12-08", "WARD4", "dropped-scan", "dropped")
                             + journal("2026-12-08", "WARD4", "medicine-check", "scan-package-first")
                             + journal("2026-12-09", "WARD4", "medicine-check", "pass", "scanned")
                             + journal("2026-12-09", "WARD5", "bedside-check", "fail", "scanned");
    QTest::newRow("journal: a shift") << shift << false
                                      << QStringList{"2026-12-08 WARD4 3 2 1 1 1 4 2", "2026-12-09 WARD4 1 1 0 0 0 1 1",
                                                     "2026-12-09 WARD5 1 0 1 0 0 1 1"}
                                      << 0 << 0;
    QTest::newRow("journal: by user") << shift << true
                                      << QStringList{"2026-12-08 WARD4 lab 1 1 0 0 0 1 1",
                                                     "2026-12-08 WARD4 nurse 2 1 1 1 1 3 1",
                                                     "2026-12-09 WARD4 nurse 1 1 0 0 0 1 1",
                                                     "2026-12-09 WARD5 nurse 1 0 1 0 0 1 1"}
                                      << 0 << 0;
    QTest::newRow("journal: broken lines, other programs")
        << QByteArray("{\"__REALTIME_TIMESTAMP\":\"1\",\"SYSLOG_IDENTIFIER\":\"sshd\",\"MESSAGE\":\"x\"}\n"
                      "not json at all\n"
                      "{\"SYSLOG_IDENTIFIER\":\"wardcheck\",\"WARDCHECK_EVENT\":\"medicine-check\"}\n"
                      "{\"__REALTIME_TIMESTAMP\":\"17\n"
                      "\n")
               + journal("2026-12-08", "WARD4", "medicine-check", "pass", "scanned") + QByteArray("[1,2,3]\n")
        << false << QStringList{"2026-12-08 WARD4 1 1 0 0 0 1 1"} << 4 << 1;
    const QByteArray events = logEvent("2026-12-08", "WARD4-PC", "medicine-check", "pass", "scanned") + "\r\n"
                              + logEvent("2026-12-08", "WARD4-PC", "bedside-check", "fail", "typed") + "\r\n"
                              + logEvent("2026-12-08", "WARD4-PC", "connection-error", "error");
    QTest::newRow("event log: a shift") << events << false << QStringList{"2026-12-08 WARD4-PC 2 1 1 1 0 2 1"} << 0
                                        << 0;
    QTest::newRow("event log: wrapped in <Events>")
        << "<Events>" + events + "</Events>" << false << QStringList{"2026-12-08 WARD4-PC 2 1 1 1 0 2 1"} << 0 << 0;
    QTest::newRow("event log: broken events, another source")
        << logEvent("2026-12-08", "WARD4-PC", "medicine-check", "pass", "scanned", "Service Control Manager")
               + "<Event xmlns='x'><System><Provider Name='Wardcheck'/></Syst"
               + logEvent("2026-12-08", "WARD4-PC", "medicine-check", "pass", "scanned")
               + "<Event><System><Provider Name='Wardcheck'/><TimeCreated SystemTime='soon'/></System></Event>"
               + "<Event xmlns='x'><System><Provider Name='Wardcheck'/></System>&bad;</Event>"
        << false << QStringList{"2026-12-08 WARD4-PC 1 1 0 0 0 1 1"} << 3 << 1;
    // wevtutil writes UTF-16 into a file on some versions of Windows.
    const QString wide = QString::fromUtf8(logEvent("2026-12-08", "WARD4-PC", "medicine-check", "fail", "typed"));
    QByteArray utf16("\xff\xfe");
    utf16.append(reinterpret_cast<const char *>(wide.utf16()), wide.size() * 2);
    QTest::newRow("event log: UTF-16") << utf16 << false << QStringList{"2026-12-08 WARD4-PC 1 0 1 0 0 1 0"} << 0 << 0;
    QTest::newRow("nothing") << QByteArray() << false << QStringList() << 0 << 0;
}

void TestAuditSummary::counts()
{
    QFETCH(QByteArray, exported);
    QFETCH(bool, byUser);
    QFETCH(QStringList, rows);
    QFETCH(int, malformed);
    QFETCH(int, others);
    const AuditSummary::Reading reading = AuditSummary::read(exported);
    QCOMPARE(reading.malformed, malformed);
    QCOMPARE(reading.otherPrograms, others);
    QStringList got;
    for (const AuditSummary::Row &row : AuditSummary::summarise(reading.entries, byUser)) {
        QStringList cells{row.day.toString(Qt::ISODate), row.pc};
        if (byUser)
            cells << row.user;
        for (const int n : {row.checks, row.passed, row.failed, row.errors, row.dropped, row.wristbands, row.scanned})
            cells << QString::number(n);
        got << cells.join(QLatin1Char(' '));
    }
    QCOMPARE(got, rows);
    const QString table = AuditSummary::table(AuditSummary::summarise(reading.entries, byUser), reading, byUser);
    QVERIFY(table.contains(
        QStringLiteral("skipped: %1 that could not be read, %2 of other programs.").arg(malformed).arg(others)));
}

WARDCHECK_CORE_TEST_MAIN(TestAuditSummary)
#include "tst_auditsummary.moc"
