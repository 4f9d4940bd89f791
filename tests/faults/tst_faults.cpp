// Faults of the hospital database met at the bedside: each is reported as
// "Error in connection." with a description a person can act on, the
// program keeps running, and the next scan works once the fault is gone.
#include "apperror.h"
#include "dialogrecorder.h"
#include "fixture.h"
#include "frmextraction.h"
#include "frmmeds.h"
#include "medicinescan.h"
#include "session.h"
#include "settings.h"
#include "standincontrol.h"
#include "tdsstandinprocess.h"
#include "testmain.h"
#include "texts.h"
#include "usercomponent.h"
#include "verificationlist.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <unistd.h>

namespace {

void fillWard(FixtureDb &db, const QString &patientLast)
{
    db.patient(QStringLiteral("H1"), patientLast, QStringLiteral("Maria"), QStringLiteral("Lim"));
    db.admission(QStringLiteral("A1"), QStringLiteral("H1"));
    db.item(QStringLiteral("I1"), QStringLiteral("Paracetamol 500 mg"));
    db.nurseRow(QStringLiteral("C1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("R1"),
                QStringLiteral("I1"));
    db.exam(QStringLiteral("X1"), QStringLiteral("Potassium"));
    db.labRow(QStringLiteral("L1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("Q1"),
              QStringLiteral("X1"));
    db.labRow(QStringLiteral("L2"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("Q2"),
              QStringLiteral("X1"));
    for (const char *more : {"L3", "L4", "L5"})
        db.labRow(QLatin1String(more), QStringLiteral("H1"), QStringLiteral("A1"),
                  QString(QString::fromLatin1(more) + QLatin1Char('Q')), QStringLiteral("X1"));
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void faultsAreReportedAndSurvived_data();
    void faultsAreReportedAndSurvived();
    void fileReplacedBetweenTwoScans();
    void fileRemovedDuringALookup();
    void odbcDriverMissing();
    void serverRestartedBetweenScans();
    void aScanHasOneTimeLimit_data();
    void aScanHasOneTimeLimit();
    void failingKeptConnectionIsReplaced();

private:
    enum class Screen { Medicine, Extraction };
    // Scans a code on a screen; returns the messages it showed.
    QStringList scan(Screen screen, const QString &code);
    QStringList retry(Screen screen);
    bool lastScanWorked(Screen screen);
    QLineEdit *codeBox(Screen screen) const;
    VerificationList *list() const;

    QString code(Screen screen, int k) const;
    // What a scan that fails must leave as it was: no medicine scan, and no
    // row added to the verification list.
    int forgetLastScan();
    int listSize() const;

    QTemporaryDir m_presets; // the PC's presets (XDG_CONFIG_DIRS) and the user's own settings
    std::unique_ptr<FixtureDb> m_db;
    QByteArray m_good;
    QPointer<frmMeds> m_meds;
    QPointer<frmExtraction> m_extraction;
    std::unique_ptr<DialogRecorder> m_dialogs;
};

void TestFaults::initTestCase()
{
    QVERIFY(QDir(m_presets.path()).mkpath(QStringLiteral("system/ORVANE")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_presets.filePath(QStringLiteral("system"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_presets.filePath(QStringLiteral("home"))));
}

QString TestFaults::code(Screen screen, int k) const
{
    // Each extraction scan needs a container not on the list yet.
    return screen == Screen::Medicine ? QStringLiteral("C1") : QStringLiteral("L%1").arg(k);
}

int TestFaults::forgetLastScan()
{
    MedicineScan::current().clear();
    return listSize();
}

int TestFaults::listSize() const
{
    return int(list()->size());
}

VerificationList *TestFaults::list() const
{
    return qobject_cast<VerificationList *>(m_extraction->findChild<QTableView *>(QStringLiteral("Grid1"))->model());
}

QLineEdit *TestFaults::codeBox(Screen screen) const
{
    return screen == Screen::Medicine ? m_meds->findChild<QLineEdit *>(QStringLiteral("txtContainerBarcode"))
                                      : m_extraction->findChild<QLineEdit *>(QStringLiteral("txtAddContainerBarcode"));
}

void TestFaults::init()
{
    m_db = std::make_unique<FixtureDb>();
    fillWard(*m_db, QStringLiteral("Santos"));
    m_db->close();
    m_good = m_db->bytes();
    installTestUser(m_db->path());
    MedicineScan::current().clear();
    m_dialogs = std::make_unique<DialogRecorder>();
    m_meds = new frmMeds();
    m_extraction = new frmExtraction();
    m_meds->show();
    m_extraction->show();
}

void TestFaults::cleanup()
{
    delete m_meds;
    delete m_extraction;
    m_dialogs.reset();
    Session::reset();
    m_db.reset();
}

QStringList TestFaults::scan(Screen screen, const QString &code)
{
    codeBox(screen)->setText(code);
    return retry(screen);
}

QStringList TestFaults::retry(Screen screen)
{
    m_dialogs->clear();
    QTest::keyClick(codeBox(screen), Qt::Key_Return);
    return m_dialogs->texts();
}

bool TestFaults::lastScanWorked(Screen screen)
{
    if (screen == Screen::Medicine)
        return MedicineScan::current().IDN == QLatin1String("A1") && !MedicineScan::current().lookupFailed;
    return listSize() > 0 && list()->at(listSize() - 1).idn == QLatin1String("A1");
}

void TestFaults::faultsAreReportedAndSurvived_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("description");
    for (const char *screen : {"medicine", "extraction"}) {
        const auto row = [&](const char *fault, const char *description) {
            QTest::addRow("%s: %s", screen, fault) << QString::fromLatin1(fault) << QString::fromLatin1(description);
        };
        if (onFreeTdsRoad()) {
            // FreeTDS's own words. A server that never answers a login is
            // tst_sqlserver_freetds's (it takes the 15 s login timeout).
            row("connect refused", "could not be reached");
            row("connection dropped mid-result", "Unexpected EOF from the server");
            continue;
        }
        if (onSqlServerRoad()) {
            // What goes wrong between a ward PC and the hospital's server.
            row("connect refused", "could not be reached");
            row("login timeout", "Login timeout expired");
            row("connection dropped mid-result", "Communication link failure");
            // A driver that takes no time limit for a statement gets none sent.
            row("query timeout refused", "did not take a time limit for the statement, so it was not sent");
            continue;
        }
        row("missing", "does not exist");
        row("folder in its place", "is a folder");
        row("unreadable", "permission denied");
        row("truncated", "is damaged");
        row("corrupt", "is damaged");
        row("locked by another program", "locked by another program");
    }
}

void TestFaults::faultsAreReportedAndSurvived()
{
    QFETCH(QString, fault);
    QFETCH(QString, description);
    const Screen screen = QString::fromLatin1(QTest::currentDataTag()).startsWith(QLatin1String("medicine"))
                              ? Screen::Medicine
                              : Screen::Extraction;
    const QString path = m_db->path();
    const QString aside = path + QStringLiteral(".aside");
    QProcess writer;

    std::unique_ptr<StandinControl> server;
    TdsStandinProcess *tds = onFreeTdsRoad() ? &tdsServerFor(path) : nullptr;
    if (tds) {
        // "down" closes the port and every link, the connection kept since the last scan too.
        QCOMPARE(tds->control(fault == QLatin1String("connect refused") ? QStringLiteral("down")
                                                                        : QStringLiteral("drop-after-rows 0")),
                 QStringLiteral("ok"));
    } else if (onSqlServerRoad()) {
        server = std::make_unique<StandinControl>();
        server->setFault(fault == QLatin1String("connect refused")         ? "connect-refused"
                         : fault == QLatin1String("login timeout")         ? "login-timeout:50"
                         : fault == QLatin1String("query timeout refused") ? "query-timeout-refused"
                                                                           : "drop-after-rows:0");
        // The server went away: the connection kept since the last scan is gone too.
        if (fault != QLatin1String("connection dropped mid-result"))
            server->dropConnections();
    } else if (fault == QLatin1String("missing")) {
        QVERIFY(QFile::rename(path, aside));
    } else if (fault == QLatin1String("folder in its place")) {
        QVERIFY(QFile::rename(path, aside));
        QVERIFY(QDir().mkdir(path));
    } else if (fault == QLatin1String("unreadable")) {
        if (geteuid() == 0)
            QSKIP("root reads every file");
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    } else if (fault == QLatin1String("truncated") || fault == QLatin1String("corrupt")) {
        QVERIFY(QFile::rename(path, aside));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QByteArray bytes = m_good;
        if (fault == QLatin1String("truncated"))
            bytes.truncate(bytes.size() / 3);
        else
            bytes.replace(4096, bytes.size() - 4096, QByteArray(bytes.size() - 4096, '\x5a'));
        out.write(bytes);
    } else if (fault == QLatin1String("locked by another program")) {
        writer.start(QStringLiteral("sqlite3"), {path});
        QVERIFY2(writer.waitForStarted(), "sqlite3 is needed for this test");
        writer.write("BEGIN EXCLUSIVE;\n");
        const auto locked = [&] {
            Connection probe(ConnectionSettings{ConnectionSettings::Kind::Embedded, path, QString(), QString()});
            try {
                probe.Open();
            } catch (const AppError &) {
                return true;
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(locked(), 10000);
    }

    const QStringList messages = scan(screen, code(screen, 1));
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(Texts::ErrorInConnection), qPrintable(messages.first()));
    QVERIFY2(messages.first().contains(description), qPrintable(messages.first()));
    QVERIFY(m_meds && m_extraction);
    QCOMPARE(m_meds->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(m_extraction->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!lastScanWorked(screen));

    // Mend the fault; the same scan, retried with Enter, now works.
    if (server)
        server->clearFaults();
    if (tds) {
        QCOMPARE(tds->control(QStringLiteral("clear")), QStringLiteral("ok"));
        QCOMPARE(tds->control(QStringLiteral("up")), QStringLiteral("ok"));
    }
    if (writer.state() == QProcess::Running) {
        writer.write("ROLLBACK;\n.quit\n");
        QVERIFY(writer.waitForFinished(5000));
    }
    if (QFileInfo(path).isDir())
        QVERIFY(QDir(path).removeRecursively());
    if (QFile::exists(aside)) {
        QFile::remove(path);
        QVERIFY(QFile::rename(aside, path));
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QCOMPARE(retry(screen), QStringList());
    QVERIFY(lastScanWorked(screen));
    QCOMPARE(m_db->bytes(), m_good);
}

void TestFaults::fileReplacedBetweenTwoScans()
{
    if (onSqlServerRoad())
        QSKIP("a fault of the embedded database's file; a server keeps its files to itself");
    QVERIFY(scan(Screen::Extraction, QStringLiteral("L1")).isEmpty());
    // Another ward's copy put in place of the file: the next lookup reads it.
    FixtureDb other;
    fillWard(other, QStringLiteral("Reyes"));
    other.close();
    QVERIFY(QFile::remove(m_db->path()));
    QVERIFY(QFile::copy(other.path(), m_db->path()));
    QVERIFY(scan(Screen::Extraction, QStringLiteral("L2")).isEmpty());
    QCOMPARE(listSize(), 2);
    QCOMPARE(list()->at(0).patientName, QStringLiteral("Santos, Maria Lim"));
    QCOMPARE(list()->at(1).patientName, QStringLiteral("Reyes, Maria Lim"));
    QVERIFY(scan(Screen::Medicine, QStringLiteral("C1")).isEmpty());
    QCOMPARE(MedicineScan::current().PatientName, QStringLiteral("Reyes, Maria Lim"));
}

void TestFaults::fileRemovedDuringALookup()
{
    if (onSqlServerRoad())
        QSKIP("a fault of the embedded database's file; a server keeps its files to itself");
    const QString path = m_db->path();
    const QString aside = path + QStringLiteral(".aside");
    for (const Screen screen : {Screen::Medicine, Screen::Extraction}) {
        bool moved = false;
        // Timers still run while a lookup lets the window repaint.
        QTimer::singleShot(0, [&] { moved = QFile::rename(path, aside); });
        const QStringList first = scan(screen, code(screen, 1));
        QVERIFY(moved);
        // The open file stays readable to the lookup that has it open, or the
        // lookup reports it; either way nothing wrong is shown as found.
        QVERIFY2(first.isEmpty() || first.first().startsWith(Texts::ErrorInConnection),
                 qPrintable(first.join(QLatin1Char('\n'))));
        const QStringList second = scan(screen, code(screen, 2));
        QCOMPARE(second.size(), 1);
        QVERIFY2(second.first().contains(onSqlServerRoad() ? QLatin1String("could not be reached")
                                                           : QLatin1String("does not exist")),
                 qPrintable(second.first()));
        QVERIFY(QFile::rename(aside, path));
        QCOMPARE(retry(screen), QStringList());
        QVERIFY(lastScanWorked(screen));
    }
}

// Every lookup reconnects first, so a server that dropped every connection
// (a restart, a failover) between two scans costs the nurse nothing.
void TestFaults::serverRestartedBetweenScans()
{
    if (!onSqlServerRoad())
        QSKIP("the embedded file has no server to restart");
    std::unique_ptr<StandinControl> server;
    if (!onFreeTdsRoad())
        server = std::make_unique<StandinControl>();
    for (const Screen screen : {Screen::Medicine, Screen::Extraction}) {
        QVERIFY(scan(screen, code(screen, 1)).isEmpty());
        if (server) {
            QVERIFY(server->dropConnections() > 0);
        } else {
            TdsStandinProcess &tds = tdsServerFor(m_db->path());
            QVERIFY(tds.counter(QStringLiteral("open")) > 0);
            QCOMPARE(tds.control(QStringLiteral("restart 100")), QStringLiteral("ok"));
            QTRY_COMPARE(tds.counter(QStringLiteral("listening")), 1L);
            QTRY_COMPARE(tds.counter(QStringLiteral("open")), 0L);
        }
        QCOMPARE(scan(screen, code(screen, 2)), QStringList());
        QVERIFY(lastScanWorked(screen));
    }
}

// One time limit for a scan, from Enter to its verdict: the preset's query
// timeout plus at most the login timeout, wherever the server holds the
// lookup up (the login, the driver's own queries after it, the first or the
// second statement, the statement sent again over a new login). The lookup
// reports "Error in connection." within it, and the next scan passes.
void TestFaults::aScanHasOneTimeLimit_data()
{
    QTest::addColumn<QStringList>("faults"); // for the TDS stand-in; %1: the statements it has had
    QTest::addColumn<bool>("newLogins"); // every reconnect logs in anew
    QTest::addColumn<bool>("medicineOnly"); // the medicine lookup runs its statement twice
    QTest::newRow("the first statement") << QStringList{"stall 20000"} << false << false;
    QTest::newRow("the second statement") << QStringList{"stall 20000 after %1"} << false << true;
    QTest::newRow("the login") << QStringList{"stall-login 20000"} << true << false;
    QTest::newRow("the driver's queries after the login") << QStringList{"stall 20000"} << true << false;
    QTest::newRow("the statement sent again") << QStringList{"drop", "stall 20000"} << false << false;
    // Each step within its own limit, together over the scan's: the login
    // and the medicine lookup's two statements (Step 1's one fits).
    QTest::newRow("every step slow") << QStringList{"stall-login 2500", "stall 1900"} << true << true;
}

void TestFaults::aScanHasOneTimeLimit()
{
    if (!onFreeTdsRoad())
        QSKIP("the TDS stand-in's stalls, through FreeTDS");
    QFETCH(QStringList, faults);
    QFETCH(bool, newLogins);
    QFETCH(bool, medicineOnly);
    ConnectionSettings settings = fixtureSettings(m_db->path());
    settings.queryTimeoutSeconds = 2;
    settings.loginTimeoutSeconds = 3;
    settings.reuseServerConnection = !newLogins;
    const qint64 limitMs = (settings.queryTimeoutSeconds + settings.loginTimeoutSeconds) * 1000;
    Session::setUser(std::make_unique<TestUser>(settings));
    TdsStandinProcess &tds = tdsServerFor(m_db->path());

    for (const Screen screen : {Screen::Medicine, Screen::Extraction}) {
        if (medicineOnly && screen == Screen::Extraction)
            continue;
        int k = 1;
        QCOMPARE(scan(screen, code(screen, k++)), QStringList());
        const int listed = forgetLastScan();
        for (QString fault : faults)
            QCOMPARE(tds.control(fault.replace(QLatin1String("%1"),
                                               QString::number(tds.counter(QStringLiteral("batches")) + 1))),
                     QStringLiteral("ok"));
        QElapsedTimer waited;
        waited.start();
        const QStringList messages = scan(screen, code(screen, k++));
        const qint64 ms = waited.elapsed();
        QCOMPARE(tds.control(QStringLiteral("clear")), QStringLiteral("ok"));
        qInfo("%s, %s: the scan waited %lld ms (its limit %lld ms): %s", QTest::currentDataTag(),
              screen == Screen::Medicine ? "medicine" : "extraction", ms, limitMs, qPrintable(messages.value(0)));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().startsWith(Texts::ErrorInConnection), qPrintable(messages.first()));
        // FreeTDS counts in whole seconds and waits for the server's answer
        // to its cancel: a second more at most.
        QVERIFY2(ms <= limitMs + 1500, qPrintable(QStringLiteral("%1 ms").arg(ms)));
        QVERIFY(MedicineScan::current().IDN.isEmpty() || MedicineScan::current().lookupFailed);
        QCOMPARE(listSize(), listed);
        QCOMPARE(m_meds->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(m_extraction->cursor().shape(), Qt::ArrowCursor);

        forgetLastScan();
        const QStringList next = scan(screen, code(screen, k++));
        QVERIFY2(next.isEmpty(), qPrintable(next.join(QLatin1Char('/'))));
        QVERIFY(lastScanWorked(screen));
    }
}

// A kept connection that the driver still calls alive but on which every
// statement fails (a database taken offline, a failover): the statement is
// sent once more over a new login, the user sees the error only when that
// fails too, the next scan starts from a new login again, and once the
// server answers again the scan passes.
void TestFaults::failingKeptConnectionIsReplaced()
{
    if (!onFreeTdsRoad())
        QSKIP("the TDS stand-in's failing statements, through FreeTDS");
    TdsStandinProcess &tds = tdsServerFor(m_db->path());
    for (const Screen screen : {Screen::Medicine, Screen::Extraction}) {
        int k = 1;
        QCOMPARE(scan(screen, code(screen, k++)), QStringList());
        const int listed = forgetLastScan();
        const long logins = tds.counter(QStringLiteral("logins"));
        const long statements = tds.counter(QStringLiteral("batches"));
        QCOMPARE(tds.control(QStringLiteral("fail-statements 983")), QStringLiteral("ok"));
        const QStringList messages = scan(screen, code(screen, k++));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().startsWith(Texts::ErrorInConnection), qPrintable(messages.first()));
        QVERIFY2(messages.first().contains(QLatin1String("Unable to access availability database 'patient_data'")),
                 qPrintable(messages.first()));
        QVERIFY(MedicineScan::current().IDN.isEmpty());
        QCOMPARE(listSize(), listed);
        QCOMPARE(tds.counter(QStringLiteral("logins")), logins + 1);
        QCOMPARE(tds.counter(QStringLiteral("batches")), statements + 2);

        QCOMPARE(tds.control(QStringLiteral("clear")), QStringLiteral("ok"));
        QCOMPARE(scan(screen, code(screen, k++)), QStringList());
        QVERIFY(lastScanWorked(screen));
        QCOMPARE(tds.counter(QStringLiteral("logins")), logins + 2);

        // Links the server closed without a word (a failover's old node):
        // the scan passes over a new login and nobody sees a message.
        QCOMPARE(tds.control(QStringLiteral("drop")), QStringLiteral("ok"));
        QTRY_COMPARE(tds.counter(QStringLiteral("open")), 0L);
        QCOMPARE(scan(screen, code(screen, k++)), QStringList());
        QVERIFY(lastScanWorked(screen));
        QCOMPARE(tds.counter(QStringLiteral("logins")), logins + 3);
    }
}

// A component whose ODBC connection was set up while its driver was not
// installed (yet, or any more).
class UnopenedOdbcUser : public UserComponent
{
public:
    explicit UnopenedOdbcUser(const ConnectionSettings &settings) : m_connection(settings) { }
    void ShowMain() override { }
    QVariant Connected() override { return true; }
    Connection *SQLConnection() override { return &m_connection; }

private:
    Connection m_connection;
};

void TestFaults::odbcDriverMissing()
{
    QTemporaryDir uninstalled;
    QFile none(uninstalled.filePath(QStringLiteral("odbcinst.ini")));
    QVERIFY(none.open(QIODevice::WriteOnly));
    none.close();

    qputenv("ODBCSYSINI", QFile::encodeName(uninstalled.path()));
    Session::setUser(std::make_unique<UnopenedOdbcUser>(ConnectionSettings{
        ConnectionSettings::Kind::Odbc, QStringLiteral("DRIVER={Ward SQLite};Database=%1").arg(m_db->path()), QString(),
        QString()}));
    for (const Screen screen : {Screen::Medicine, Screen::Extraction}) {
        const QStringList messages = scan(screen, code(screen, 1));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().startsWith(Texts::ErrorInConnection
                                             + QStringLiteral("The hospital database could not be reached")),
                 qPrintable(messages.first()));
    }
    // unixODBC reads its list of drivers once per process, so a driver
    // installed now is found after the next start, when the user logs in
    // again; the screens then work without being reopened.
    Session::setUser(std::make_unique<TestUser>(m_db->path()));
    for (const Screen screen : {Screen::Medicine, Screen::Extraction}) {
        QCOMPARE(retry(screen), QStringList());
        QVERIFY(lastScanWorked(screen));
    }
    qunsetenv("ODBCSYSINI");
}

WARDCHECK_TEST_MAIN(TestFaults)
#include "tst_faults.moc"
