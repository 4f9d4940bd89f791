// The audit record of the bedside checks, written through a real
// systemd-journald (in_private_journal.sh runs this suite beside a journald
// of its own) and read back with journalctl, field by field: a pass, a fail,
// an error, a dropped scan and a printed band. With the preset off nothing
// is written.
#include "audit.h"
#include "auditsummary.h"
#include "componentregistry.h"
#include "dialogs.h"
#include "fixture.h"
#include "frmmeds.h"
#include "frmview.h"
#include "medicinescan.h"
#include "scankeys.h"
#include "session.h"
#include "settingsstore.h"
#include "testmain.h"
#include "wristbandprinter.h"

#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// What journalctl has of the program, one object a record.
QList<QJsonObject> journal()
{
    QProcess journalctl;
    journalctl.start(QStringLiteral("journalctl"),
                     {QStringLiteral("-t"), QStringLiteral("wardcheck"), QStringLiteral("-o"), QStringLiteral("json"),
                      QStringLiteral("--no-pager")});
    if (!journalctl.waitForFinished(30000))
        return {};
    QList<QJsonObject> records;
    for (const QByteArray &line : journalctl.readAllStandardOutput().split('\n')) {
        if (!line.trimmed().isEmpty())
            records << QJsonDocument::fromJson(line).object();
    }
    return records;
}

} // namespace

class TestAudit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void recordsInTheJournal_data();
    void recordsInTheJournal();

private:
    QTemporaryDir m_work;
    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<DialogRecorder> m_dialogs;
};

void TestAudit::initTestCase()
{
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_work.filePath(QStringLiteral("presets"))));
    qputenv("WARDCHECK_WRISTBAND_DIR", QFile::encodeName(m_work.filePath(QStringLiteral("bands"))));
    // No print server: the band goes to a PDF file.
    qputenv("CUPS_SERVER", QFile::encodeName(m_work.filePath(QStringLiteral("no-cups"))));
    QCoreApplication::setApplicationVersion(QStringLiteral("6.0.0.11"));
}

void TestAudit::init()
{
    MedicineScan::current().clear();
    m_db = std::make_unique<FixtureDb>();
    m_db->patient(QStringLiteral("H1"), QStringLiteral("Dela Cruz"), QStringLiteral("Juan"), QStringLiteral("Santos"));
    m_db->admission(QStringLiteral("A1"), QStringLiteral("H1"));
    m_db->patient(QStringLiteral("H2"), QStringLiteral("Reyes"), QStringLiteral("Ana"), QStringLiteral("Cruz"));
    m_db->admission(QStringLiteral("A2"), QStringLiteral("H2"));
    m_db->item(QStringLiteral("I1"), QStringLiteral("Paracetamol 500 mg"));
    m_db->nurseRow(QStringLiteral("C1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("R1"),
                   QStringLiteral("I1"));
    m_db->close();
    installTestUser(m_db->path());
    ComponentRegistry::add(ComponentIds::Barcode, [] { return std::make_unique<WristbandPrinter>(); });
    m_dialogs = std::make_unique<DialogRecorder>(DialogRecorder::Boxes::Shown);
    Audit::setUser(QStringLiteral("nurse"));
}

void TestAudit::cleanup()
{
    if (QFile::exists(m_db->path() + QStringLiteral(".away")))
        bringDatabaseBack(m_db->path());
    m_dialogs.reset();
    Session::reset();
    m_db.reset();
}

void TestAudit::recordsInTheJournal_data()
{
    QTest::addColumn<bool>("on");
    QTest::newRow("preset on") << true;
    QTest::newRow("preset off") << false;
}

void TestAudit::recordsInTheJournal()
{
    QFETCH(bool, on);
    SettingsStore::write(SettingsStore::Scope::Preset, QStringLiteral("Wardcheck"),
                         on ? "[audit]\nenabled=true\n" : "[audit]\nenabled=false\n");
    // A user's own file cannot turn it on.
    SettingsStore::write(SettingsStore::Scope::User, QStringLiteral("Wardcheck"), "[audit]\nenabled=true\n");
    Audit::reload();
    const qsizetype before = journal().size();

    // Each box is closed as a nurse closes it, once read.
    m_dialogs->onMessage([](const Dialogs::Message &) {
        QTimer::singleShot(1500, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                postKeys(box->windowHandle(), QStringLiteral("\n"));
        });
    });
    auto meds = std::make_unique<frmMeds>();
    QVERIFY(showActive(meds.get()));
    typeInto(meds.get(), QStringLiteral("C1\nA1\n"));
    typeInto(meds.get(), QStringLiteral("C1\nA2\n"));
    QVERIFY(takeDatabaseAway(m_db->path()));
    typeInto(meds.get(), QStringLiteral("C1\n"));
    QVERIFY(bringDatabaseBack(m_db->path()));
    // A scan typed into a box in its first moments is dropped, with the beep.
    m_dialogs->onMessage([](const Dialogs::Message &) {
        QTimer::singleShot(50, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                postKeys(box->windowHandle(), QStringLiteral("C1\n"));
        });
        QTimer::singleShot(1500, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                postKeys(box->windowHandle(), QStringLiteral("\n"));
        });
    });
    typeInto(meds.get(), QStringLiteral("C1\nA2\n"));
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 10000);
    QCOMPARE(m_dialogs->beepCount(), 3); // the two failed checks, the dropped scan
    meds.reset();

    m_dialogs->onMessage(nullptr);
    auto list = std::make_unique<frmview>();
    list->show();
    auto *grid = list->findChild<QTableView *>(QStringLiteral("Grid1"));
    QTRY_COMPARE(grid->model()->rowCount() > 0, true);
    list->findChild<QLineEdit *>(QStringLiteral("txtSearch"))->setText(QStringLiteral("Dela"));
    QTRY_COMPARE(grid->model()->rowCount(), 1);
    grid->setCurrentIndex(grid->model()->index(0, 0));
    list->findChild<QPushButton *>(QStringLiteral("cmdPrint"))->click();
    QCOMPARE(QDir(m_work.filePath(QStringLiteral("bands"))).entryList(QDir::Files).size() > 0, true);
    list.reset();

    Audit::flush();
    const QList<QJsonObject> records = journal().mid(before);
    if (!on) {
        QCOMPARE(records.size(), 0);
        return;
    }
    QStringList seen;
    for (const QJsonObject &record : records) {
        seen << record.value(QStringLiteral("WARDCHECK_EVENT")).toString() + QLatin1Char(' ')
                    + record.value(QStringLiteral("WARDCHECK_OUTCOME")).toString();
    }
    // The check is recorded as it is decided, the scan dropped into its box after it.
    QCOMPARE(seen, QStringList({"medicine-check pass", "medicine-check fail", "connection-error error",
                                "medicine-check fail", "dropped-scan dropped", "wristband-printed printed"}));
    const QJsonObject pass = records.at(0);
    const auto field = [](const QJsonObject &record, const char *name) {
        return record.value(QLatin1String("WARDCHECK_") + QLatin1String(name)).toString();
    };
    QCOMPARE(field(pass, "SCREEN"), QStringLiteral("medicine"));
    QCOMPARE(field(pass, "USER"), QStringLiteral("nurse"));
    QCOMPARE(field(pass, "CODE"), QStringLiteral("C1"));
    QCOMPARE(field(pass, "WRISTBAND"), QStringLiteral("A1"));
    QCOMPARE(field(pass, "HOSPITAL_NUMBER"), QStringLiteral("H1"));
    QCOMPARE(field(pass, "ENTRY"), QStringLiteral("scanned"));
    QCOMPARE(field(pass, "MEAN_GAP_MS"), QStringLiteral("2.0"));
    QCOMPARE(field(pass, "VERSION"), QStringLiteral("6.0.0.11"));
    QCOMPARE(pass.value(QStringLiteral("PRIORITY")).toString(), QStringLiteral("6"));
    QCOMPARE(field(records.at(1), "WRISTBAND"), QStringLiteral("A2"));
    QCOMPARE(records.at(1).value(QStringLiteral("PRIORITY")).toString(), QStringLiteral("4"));
    QVERIFY2(field(records.at(2), "DETAIL").startsWith(databaseGoneDescription()),
             qPrintable(field(records.at(2), "DETAIL")));
    QVERIFY(field(records.at(2), "LOOKUP_MS").toInt() >= 0);
    QCOMPARE(field(records.at(4), "SCREEN"), QStringLiteral("medicine"));
    QCOMPARE(field(records.at(5), "WRISTBAND"), QStringLiteral("A1"));
    QCOMPARE(field(records.at(5), "HOSPITAL_NUMBER"), QStringLiteral("H1"));
    for (const QJsonObject &record : records)
        QVERIFY(!record.value(QStringLiteral("MESSAGE")).toString().isEmpty());

    // The export reads back as the summary reads it.
    QByteArray exported;
    for (const QJsonObject &record : records)
        exported += QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
    const AuditSummary::Reading reading = AuditSummary::read(exported);
    QCOMPARE(reading.entries.size(), records.size());
    const QList<AuditSummary::Row> rows = AuditSummary::summarise(reading.entries, false);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().checks, 3);
    QCOMPARE(rows.first().passed, 1);
    QCOMPARE(rows.first().errors, 1);
    QCOMPARE(rows.first().dropped, 1);
    QCOMPARE(rows.first().scanned, 3);

    // The program itself, over the journal as IT exports it: its counts,
    // and a chart that opens as a picture.
    const QString exportFile = m_work.filePath(QStringLiteral("shift.json"));
    QProcess journalctl;
    journalctl.setStandardOutputFile(exportFile);
    journalctl.start(QStringLiteral("journalctl"),
                     {QStringLiteral("-t"), QStringLiteral("wardcheck"), QStringLiteral("-o"), QStringLiteral("json")});
    QVERIFY(journalctl.waitForFinished(30000));
    const QString chart = m_work.filePath(QStringLiteral("shift.png"));
    QProcess summary;
    summary.start(QStringLiteral(WARDCHECK_EXE),
                  {QStringLiteral("--audit-summary"), exportFile, QStringLiteral("--chart"), chart});
    QVERIFY(summary.waitForFinished(60000));
    QCOMPARE(summary.exitCode(), 0);
    const QString printed = QString::fromUtf8(summary.readAllStandardOutput());
    QVERIFY2(printed.contains(QRegularExpression(
                 QStringLiteral("\\d{4}-\\d\\d-\\d\\d  \\S+ +3 +1 +2 +1 +1  3 of 3, 100.0% \\(meets the 95% goal\\)"))),
             qPrintable(printed));
    QVERIFY2(printed.contains(QStringLiteral("%1 records of Wardcheck read").arg(journal().size())),
             qPrintable(printed));
    QImage picture(chart);
    QVERIFY(!picture.isNull());
    QVERIFY(picture.width() >= 640);
}

WARDCHECK_TEST_MAIN(TestAudit)
#include "tst_audit.moc"
