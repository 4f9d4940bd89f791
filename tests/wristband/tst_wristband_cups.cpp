#include "apperror.h"
#include "bars.h"
#include "fixture.h"
#include "privatecups.h"
#include "session.h"
#include "settings.h"
#include "testmain.h"
#include "wristbandprinter.h"

#include <QDir>
#include <QImage>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cups/cups.h>
#include <cups/ipp.h>

#include <unistd.h>

namespace {

const QString Hn = QStringLiteral("H100234");
const QString AdmissionId = QStringLiteral("A-500123");

// Runs a command line tool and returns its standard output, or why it failed.
QByteArray run(const QString &program, const QStringList &arguments, bool *ok)
{
    QProcess process;
    process.start(program, arguments);
    *ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return *ok ? process.readAllStandardOutput()
               : program.toUtf8() + " failed: " + process.errorString().toUtf8() + ' ' + process.readAllStandardError();
}

// The first page's size in millimetres, as pdfinfo reads it.
QSizeF pageSizeMm(const QString &pdf, QString *info)
{
    bool ok = false;
    *info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf}, &ok));
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+) pts")).match(*info);
    if (!ok || !size.hasMatch())
        return QSizeF();
    return QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble()) * 25.4 / 72.0;
}

bool about(const QSizeF &size, qreal widthMm, qreal heightMm)
{
    return qAbs(size.width() - widthMm) < 0.5 && qAbs(size.height() - heightMm) < 0.5;
}

QStringList pdfsIn(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
}

} // namespace

// Wristbands printed through a real CUPS: a cupsd of the test's own with an
// office printer as the default queue and a wristband printer beside it,
// both cups-pdf queues, so that what each queue was sent can be read back.
class TestWristbandCups : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void printsOnlyWhereChosen_data();
    void printsOnlyWhereChosen();
    void printedWithNoJobHistory();

private:
    void chooseQueue(const QString &queue);
    // Checks one printed PDF: its page, its bars and the id they read back as.
    void checkBand(const QString &pdf, const QSizeF &pageMm, int dpi, int module);

    PrivateCups m_cups;
    QTemporaryDir m_work;
};

void TestWristbandCups::initTestCase()
{
    if (geteuid() != 0) {
        QSKIP("Needs root: the cups-pdf backend is executable by root alone and refuses to run without root "
              "privileges, and the test's cupsd binds its own configuration over /etc/cups in a mount namespace.");
    }
    const QString missing = PrivateCups::missingTools();
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("Not installed: %1 (scripts/install-deps.sh installs them)").arg(missing)));
    for (const char *tool : {"pdfinfo", "pdftoppm", "zbarimg"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool))));
    }
    QVERIFY(m_work.isValid());

    // This process talks to the test's cupsd alone, and no client.conf,
    // lpoptions or variable of the system or the user picks its default queue.
    qputenv("CUPS_SERVER", QFile::encodeName(m_cups.socketPath()));
    qputenv("CUPS_SERVERROOT", QFile::encodeName(m_cups.clientConfigFolder()));
    qputenv("HOME", QFile::encodeName(m_work.filePath(QStringLiteral("home"))));
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    // Hospital IT's preset, where the wristband printer is chosen.
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_work.filePath(QStringLiteral("presets"))));
    // Where a band would go as a PDF file if it went to no printer.
    qputenv("WARDCHECK_WRISTBAND_DIR", QFile::encodeName(m_work.filePath(QStringLiteral("bands"))));

    const QString started = m_cups.start();
    QVERIFY2(started.isEmpty(), qPrintable(started));
    // Each queue at a resolution of its own, neither that of PDF files (600
    // dpi) nor Qt's (1200): the band must be laid out at its queue's.
    QString failed = m_cups.addPdfQueue(QStringLiteral("Office"), 150);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    failed = m_cups.addPdfQueue(QStringLiteral("Wristband"), 300);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    failed = m_cups.setDefault(QStringLiteral("Office"));
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    QCOMPARE(QPrinterInfo::defaultPrinterName(), QStringLiteral("Office"));
}

void TestWristbandCups::cleanupTestCase()
{
    m_cups.stop();
}

void TestWristbandCups::cleanup()
{
    Session::reset();
    // A job still printing after a failed case must not count against the next.
    for (const PrivateCups::Job &job : PrivateCups::jobs()) {
        if (job.state < IPP_JSTATE_CANCELED)
            PrivateCups::waitForJob(job.id);
    }
}

void TestWristbandCups::chooseQueue(const QString &queue)
{
    QSettings preset(m_work.filePath(QStringLiteral("presets/ORVANE/Wardcheck.ini")), QSettings::IniFormat);
    if (queue.isNull())
        preset.remove(QStringLiteral("printing/wristbandPrinter"));
    else
        preset.setValue(QStringLiteral("printing/wristbandPrinter"), queue);
    preset.sync();
    QCOMPARE(preset.status(), QSettings::NoError);
    QCOMPARE(WardcheckSettings::wristbandPrinter(), queue.isNull() ? QString() : queue);
}

void TestWristbandCups::checkBand(const QString &pdf, const QSizeF &pageMm, int dpi, int module)
{
    QString info;
    const QSizeF page = pageSizeMm(pdf, &info);
    QVERIFY2(about(page, pageMm.width(), pageMm.height()),
             qPrintable(QStringLiteral("%1: the page should be %2 x %3 mm\n%4")
                            .arg(pdf)
                            .arg(pageMm.width())
                            .arg(pageMm.height())
                            .arg(info)));

    const QString png = m_work.filePath(QStringLiteral("page-%1").arg(QFileInfo(pdf).completeBaseName()));
    bool ok = false;
    QByteArray output =
        run(QStringLiteral("pdftoppm"), {"-r", QString::number(dpi), "-gray", "-png", "-singlefile", pdf, png}, &ok);
    QVERIFY2(ok, output.constData());
    if (module > 0) {
        const QImage image(png + QStringLiteral(".png"));
        const qreal dotsPerMm = dpi / 25.4;
        const BarRow row = barRow(image, qRound(10 * dotsPerMm), qRound(121 * dotsPerMm));
        QCOMPARE(row.grey, 0);
        QCOMPARE(row.narrowest(), module);
        QVERIFY(row.allMultiplesOf(module));
    }
    output = run(QStringLiteral("zbarimg"), {"--raw", "-q", "-Scode128.enable", png + QStringLiteral(".png")}, &ok);
    QVERIFY2(ok, output.constData());
    QCOMPARE(QString::fromUtf8(output), AdmissionId + QLatin1Char('\n'));
}

void TestWristbandCups::printsOnlyWhereChosen_data()
{
    QTest::addColumn<QString>("setting"); // null: not set
    QTest::addColumn<QString>("queue"); // where the band goes; empty: nowhere
    QTest::addColumn<int>("dpi"); // the queue's resolution
    QTest::addColumn<int>("module"); // the narrowest bar in its dots
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("notice"); // what the nurse is told of a band that was sent

    QTest::newRow("chosen: Wristband, not the default") << "Wristband"
                                                        << "Wristband" << 300 << 5 << ""
                                                        << "";
    QTest::newRow("not set: the default queue") << QString() << "Office" << 150 << 2 << ""
                                                << "";
    QTest::newRow("chosen but not installed") << "Ward 4 labels"
                                              << "" << 0 << 0 << "The wristband printer Ward 4 labels is not installed."
                                              << "";
    // The print system turns the job away (the queue was set to reject
    // jobs): the band is not printed, and the user is told.
    QTest::newRow("chosen, refusing jobs")
        << "Wristband"
        << "" << 0 << 0 << "The printer Wristband did not take the wristband; nothing was printed."
        << "";
    // A job that waits prints later: told nothing, the nurse would print a
    // second band, and both would come out.
    QTest::newRow("chosen, paused") << "Wristband"
                                    << "Wristband" << 300 << 0 << ""
                                    << "The wristband for Dela Cruz, Juan Santos is waiting at the printer Wristband: "
                                       "the printer is paused. Do not print it again: it prints when the printer is "
                                       "ready.";
    QTest::newRow("chosen, holding jobs")
        << "Wristband"
        << "Wristband" << 300 << 0 << ""
        << "The wristband for Dela Cruz, Juan Santos is waiting at the printer Wristband: the job is held at the print "
           "server. Do not print it again: it prints when the printer is ready.";
}

void TestWristbandCups::printsOnlyWhereChosen()
{
    QFETCH(QString, setting);
    QFETCH(QString, queue);
    QFETCH(int, dpi);
    QFETCH(int, module);
    QFETCH(QString, error);
    QFETCH(QString, notice);

    FixtureDb db;
    db.patient(Hn, "Dela Cruz", "Juan", "Santos", "1950-03-04 00:00:00", "M");
    db.admission(AdmissionId, Hn, "4B-12");
    db.close();
    installTestUser(db.path());
    chooseQueue(setting);
    const bool refusing = QString::fromLatin1(QTest::currentDataTag()).contains(QLatin1String("refusing"));
    if (refusing) {
        bool rejected = false;
        const QByteArray why = run(QStringLiteral("cupsreject"), {QStringLiteral("Wristband")}, &rejected);
        QVERIFY2(rejected, why.constData());
    }
    const auto acceptAgain = qScopeGuard([refusing] {
        bool accepted = false;
        if (refusing)
            run(QStringLiteral("cupsaccept"), {QStringLiteral("Wristband")}, &accepted);
    });
    const bool paused = QString::fromLatin1(QTest::currentDataTag()).contains(QLatin1String("paused"));
    const bool holding = QString::fromLatin1(QTest::currentDataTag()).contains(QLatin1String("holding"));
    bool changed = true;
    if (paused)
        run(QStringLiteral("cupsdisable"), {QStringLiteral("Wristband")}, &changed);
    if (holding)
        run(QStringLiteral("lpadmin"),
            {QStringLiteral("-p"), QStringLiteral("Wristband"), QStringLiteral("-o"),
             QStringLiteral("job-hold-until-default=indefinite")},
            &changed);
    QVERIFY(changed);
    const auto goOn = qScopeGuard([paused, holding] {
        bool done = false;
        if (paused)
            run(QStringLiteral("cupsenable"), {QStringLiteral("Wristband")}, &done);
        if (holding) {
            run(QStringLiteral("lpadmin"),
                {QStringLiteral("-p"), QStringLiteral("Wristband"), QStringLiteral("-o"),
                 QStringLiteral("job-hold-until-default=no-hold")},
                &done);
            // The band held so far prints now, as the notice said it would.
            for (const PrivateCups::Job &job : PrivateCups::jobs()) {
                if (job.state == IPP_JSTATE_HELD)
                    run(QStringLiteral("lp"),
                        {QStringLiteral("-i"), QString::number(job.id), QStringLiteral("-H"), QStringLiteral("resume")},
                        &done);
            }
        }
    });

    const QList<PrivateCups::Job> before = PrivateCups::jobs();
    const int lastBefore = before.isEmpty() ? 0 : before.last().id;
    const QStringList queues = {QStringLiteral("Office"), QStringLiteral("Wristband")};
    QHash<QString, QStringList> pdfsBefore;
    for (const QString &q : queues)
        pdfsBefore[q] = pdfsIn(m_cups.pdfFolder(q));

    WristbandPrinter printer;
    printer.SetOrvaneUser(Session::user());
    QString hn = Hn;
    QString idn = AdmissionId;
    QString thrown;
    QString told;
    long number = 0;
    try {
        told = printer.PrintBarcode(hn, idn).notice;
    } catch (const AppError &e) {
        thrown = e.description();
        number = e.number();
    }
    QCOMPARE(thrown, error);
    QCOMPARE(told, notice);
    if (!error.isEmpty())
        QCOMPARE(number, AppError::PrinterError);

    QList<PrivateCups::Job> added = PrivateCups::jobs();
    added.erase(added.begin(), std::find_if(added.begin(), added.end(),
                                            [lastBefore](const PrivateCups::Job &job) { return job.id > lastBefore; }));
    QVERIFY2(pdfsIn(m_work.filePath(QStringLiteral("bands"))).isEmpty(), "a band went to a PDF file");
    if (queue.isEmpty()) {
        QCOMPARE(added.size(), 0);
        for (const QString &q : queues)
            QCOMPARE(pdfsIn(m_cups.pdfFolder(q)), pdfsBefore[q]);
        return;
    }

    QCOMPARE(added.size(), 1);
    QCOMPARE(added.first().queue, queue);
    if (!notice.isEmpty()) {
        QVERIFY(added.first().state < IPP_JSTATE_PROCESSING);
        return;
    }
    const PrivateCups::Job job = PrivateCups::waitForJob(added.first().id);
    QVERIFY2(job.state == IPP_JSTATE_COMPLETED, qPrintable(QStringLiteral("job %1 on %2 ended in state %3\n%4")
                                                               .arg(job.id)
                                                               .arg(job.queue)
                                                               .arg(job.state)
                                                               .arg(m_cups.log())));
    QCOMPARE(job.format, QStringLiteral("application/pdf"));

    // The document CUPS received is the band as laid out: 250 mm wide, 25 mm
    // high, its bars whole dots of the queue's resolution.
    const QString spooled = m_cups.spooledDocument(job.id);
    QVERIFY2(QFileInfo::exists(spooled), qPrintable(spooled + QStringLiteral(" was not kept\n") + m_cups.log()));
    checkBand(spooled, QSizeF(250, 25), dpi, module);
    if (QTest::currentTestFailed())
        return;

    // What cups-pdf wrote is what a label printer is sent: the band turned
    // onto a roll 25 mm wide that feeds 250 mm.
    for (const QString &q : queues) {
        QStringList written = pdfsIn(m_cups.pdfFolder(q));
        for (const QString &old : pdfsBefore[q])
            written.removeOne(old);
        if (q != queue) {
            QCOMPARE(written, QStringList());
            continue;
        }
        QCOMPARE(written.size(), 1);
        QVERIFY2(written.first().endsWith(QStringLiteral("job_%1.pdf").arg(job.id)), qPrintable(written.first()));
        checkBand(QDir(m_cups.pdfFolder(q)).filePath(written.first()), QSizeF(25, 250), 300, 0);
    }
}

// A print server that keeps no job history drops a job as soon as it has
// printed. A band it took is printed, not refused: the nurse who is told
// otherwise prints it again and gets two. Several bands in a row, as a ward
// prints them; a queue turning jobs away is still an error.
void TestWristbandCups::printedWithNoJobHistory()
{
    PrivateCups noHistory(PrivateCups::JobHistory::Forgotten);
    const QString started = noHistory.start();
    QVERIFY2(started.isEmpty(), qPrintable(started));
    QString failed = noHistory.addPdfQueue(QStringLiteral("Wristband"), 300);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    failed = noHistory.addNullQueue(QStringLiteral("Quick"));
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    const auto useServer = [](const PrivateCups &cups) {
        qputenv("CUPS_SERVER", QFile::encodeName(cups.socketPath()));
        qputenv("CUPS_SERVERROOT", QFile::encodeName(cups.clientConfigFolder()));
        cupsSetServer(qPrintable(cups.socketPath()));
    };
    useServer(noHistory);
    const auto backToTheOther = qScopeGuard([&] { useServer(m_cups); });

    FixtureDb db;
    db.patient(Hn, "Dela Cruz", "Juan", "Santos", "1950-03-04 00:00:00", "M");
    db.admission(AdmissionId, Hn, "4B-12");
    db.close();
    installTestUser(db.path());
    // A queue that is done with a job moments after it was sent: the job is
    // gone before the program can look at it.
    chooseQueue(QStringLiteral("Quick"));
    for (int i = 0; i < 10; ++i) {
        WristbandPrinter printer;
        printer.SetOrvaneUser(Session::user());
        QString hn = Hn;
        QString idn = AdmissionId;
        try {
            printer.PrintBarcode(hn, idn);
        } catch (const AppError &e) {
            QFAIL(qPrintable(
                QStringLiteral("band %1 on Quick: %2\n%3").arg(i + 1).arg(e.description(), noHistory.log())));
        }
    }

    chooseQueue(QStringLiteral("Wristband"));
    const int bands = 3;
    for (int i = 0; i < bands; ++i) {
        WristbandPrinter printer;
        printer.SetOrvaneUser(Session::user());
        QString hn = Hn;
        QString idn = AdmissionId;
        try {
            printer.PrintBarcode(hn, idn);
        } catch (const AppError &e) {
            QFAIL(qPrintable(QStringLiteral("band %1: %2\n%3").arg(i + 1).arg(e.description(), noHistory.log())));
        }
    }
    // Each band was printed once: cups-pdf wrote it.
    QTRY_COMPARE_WITH_TIMEOUT(pdfsIn(noHistory.pdfFolder(QStringLiteral("Wristband"))).size(), bands, 60000);
    checkBand(QDir(noHistory.pdfFolder(QStringLiteral("Wristband")))
                  .filePath(pdfsIn(noHistory.pdfFolder(QStringLiteral("Wristband"))).constFirst()),
              QSizeF(25, 250), 300, 0);

    bool rejected = false;
    const QByteArray why = run(QStringLiteral("cupsreject"), {QStringLiteral("Wristband")}, &rejected);
    QVERIFY2(rejected, why.constData());
    WristbandPrinter printer;
    printer.SetOrvaneUser(Session::user());
    QString hn = Hn;
    QString idn = AdmissionId;
    QString thrown;
    try {
        printer.PrintBarcode(hn, idn);
    } catch (const AppError &e) {
        thrown = e.description();
    }
    QCOMPARE(thrown, QStringLiteral("The printer Wristband did not take the wristband; nothing was printed."));
}

WARDCHECK_TEST_MAIN(TestWristbandCups)
#include "tst_wristband_cups.moc"
