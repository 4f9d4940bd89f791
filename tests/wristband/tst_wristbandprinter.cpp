#include "apperror.h"
#include "bars.h"
#include "code128.h"
#include "fixture.h"
#include "session.h"
#include "spoolerjobs.h"
#include "testmain.h"
#include "wristbandprinter.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinterInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#ifdef Q_OS_WIN
#include <aclapi.h>
#include <sddl.h>
#include <windows.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

// A Windows build's test runs under Wine, where Linux's poppler and zbar
// tools cannot be started: there the bands are read back by the end-to-end
// run of the installed program instead.
#ifdef Q_OS_WIN
#define SKIP_WITHOUT_READERS() QSKIP("pdftoppm and zbarimg are Linux programs")
#else
#define SKIP_WITHOUT_READERS()
#endif

namespace {

// Runs a command line tool and returns its standard output, failing the
// test when it does not succeed.
QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return QByteArray("<failed>");
    }
    return process.readAllStandardOutput();
}

WristbandData band(const QString &admissionId)
{
    WristbandData data;
    data.hospitalNumber = QStringLiteral("H100234");
    data.admissionId = admissionId;
    data.lastName = QStringLiteral("Dela Cruz");
    data.firstName = QStringLiteral("Juan");
    data.middleName = QStringLiteral("Santos");
    data.birthDate = QStringLiteral("3/4/1950");
    data.sex = QStringLiteral("M");
    data.room = QStringLiteral("4B-12");
    return data;
}

// Remembers what the component's own pair hands on.
class RecordingPrinter : public BarcodePrinter
{
public:
    Sent print(Connection &connection, const QString &hospitalNumber, const QString &admissionId) override
    {
        connections << &connection;
        calls << QStringLiteral("[%1] [%2]").arg(hospitalNumber, admissionId);
        return Sent();
    }
    QList<Connection *> connections;
    QStringList calls;
};

// A user component that has not logged in.
class NoConnectionUser : public UserComponent
{
public:
    void ShowMain() override { }
    QVariant Connected() override { return QVariant(); }
    Connection *SQLConnection() override { return nullptr; }
};

long errorNumber(const std::function<void()> &call)
{
    try {
        call();
    } catch (const AppError &error) {
        return error.number();
    }
    return 0;
}

} // namespace

class TestWristbandPrinter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void barcodeReadsBack_data();
    void barcodeReadsBack();
    void barsAreWholeDots_data();
    void barsAreWholeDots();
    void unprintableIds_data();
    void unprintableIds();
    void fileNamesAreSafeAndNeverOverwrite();
    void printBarcodeWritesPdfWithoutPrinter();
    void printBarcodeNeedsUser();
    void componentPairPrintsOverTheUsersConnection();
    void pdfIsTheOwnersOnly();
    void failedWriteIsReported();
    void spoolerAnswers_data();
    void spoolerAnswers();

private:
    QTemporaryDir m_out;
};

void TestWristbandPrinter::initTestCase()
{
#ifndef Q_OS_WIN
    for (const char *tool : {"pdftoppm", "zbarimg", "pdftotext"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QFAIL(qPrintable(QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool))));
    }
#endif
    QVERIFY(m_out.isValid());
}

void TestWristbandPrinter::cleanup()
{
    Session::reset();
}

void TestWristbandPrinter::barcodeReadsBack_data()
{
    QTest::addColumn<QString>("admissionId");
    QTest::newRow("digits") << "500123";
    QTest::newRow("leading zeros") << "0000417";
    QTest::newRow("letter and digits") << "A500123";
    QTest::newRow("letters, dashes, spaces") << "AB-12 34-x";
    QTest::newRow("long mixed") << "IPD-2026-000123456 ward 4";
}

void TestWristbandPrinter::barcodeReadsBack()
{
    SKIP_WITHOUT_READERS();
    QFETCH(QString, admissionId);
    const QString pdf = WristbandPrinter::writePdf(band(admissionId), m_out.path());
    QVERIFY(QFileInfo(pdf).isFile());

    const QString png = pdf.chopped(4);
    run(QStringLiteral("pdftoppm"), {"-r", "300", "-gray", "-png", "-singlefile", pdf, png});
    const QByteArray decoded = run(QStringLiteral("zbarimg"), {"--raw", "-q", "-Scode128.enable", png + ".png"});
    QCOMPARE(QString::fromUtf8(decoded), admissionId + QLatin1Char('\n'));

    // The page is one band, about 25 mm high.
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf}));
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+70[89](\\.\\d+)? x 7[01](\\.\\d+)? pts"))),
             qPrintable(info));
    const QString text = QString::fromUtf8(run(QStringLiteral("pdftotext"), {"-layout", pdf, "-"}));
    for (const QString &shown : {QStringLiteral("Dela Cruz, Juan Santos"), QStringLiteral("H100234"),
                                 QStringLiteral("3/4/1950"), QStringLiteral("4B-12")})
        QVERIFY2(text.contains(shown), qPrintable(text));
}

void TestWristbandPrinter::barsAreWholeDots_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QString>("admissionId");
    QTest::addColumn<int>("module"); // dots; 0: too long for the band

    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKL");
    QTest::newRow("short id, 203 dpi") << 203 << "500123" << 3;
    QTest::newRow("short id, 300 dpi") << 300 << "500123" << 5;
    QTest::newRow("short id, 600 dpi") << 600 << "500123" << 9;
    QTest::newRow("22 letters, 300 dpi: narrower to fit") << 300 << letters.left(22) << 4;
    QTest::newRow("25 letters, 203 dpi: the narrowest bar") << 203 << letters.left(25) << 2;
    QTest::newRow("25 letters, 600 dpi") << 600 << letters.left(25) << 8;
    QTest::newRow("30 letters, 300 dpi: the narrowest bar") << 300 << letters.left(30) << 3;
    QTest::newRow("38 letters, 203 dpi") << 203 << letters << 2;
    // Two dots at 300 dpi are 0.17 mm, thinner than a band printer resolves.
    QTest::newRow("38 letters, 300 dpi: too long") << 300 << letters << 0;
}

// Painted with antialiasing, a bar edge that is not on a dot boundary
// shows as a grey pixel and as bars of uneven width.
void TestWristbandPrinter::barsAreWholeDots()
{
    SKIP_WITHOUT_READERS();
    QFETCH(int, dpi);
    QFETCH(QString, admissionId);
    QFETCH(int, module);
    const qreal dotsPerMm = dpi / 25.4;
    QImage image(qCeil(250 * dotsPerMm), qCeil(25 * dotsPerMm), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (module == 0) {
        QVERIFY_THROWS_EXCEPTION(AppError, WristbandPrinter::paint(painter, band(admissionId)));
        return;
    }
    WristbandPrinter::paint(painter, band(admissionId));
    painter.end();

    // Across the middle of the bars, right of the text column.
    const BarRow row = barRow(image, qRound(10 * dotsPerMm), qRound(121 * dotsPerMm));
    QCOMPARE(row.grey, 0);
    QCOMPARE(row.narrowest(), module);
    QVERIFY2(row.allMultiplesOf(module), qPrintable(QString::number(row.runs.size()) + QStringLiteral(" runs")));
    QCOMPARE(row.width(), Code128::moduleCount(admissionId) * module);

    const QString png = m_out.filePath(QStringLiteral("bars-%1-%2.png").arg(dpi).arg(admissionId.size()));
    QVERIFY(image.save(png));
    QCOMPARE(run(QStringLiteral("zbarimg"), {"--raw", "-q", "-Scode128.enable", png}), admissionId.toUtf8() + '\n');
}

void TestWristbandPrinter::unprintableIds_data()
{
    QTest::addColumn<QString>("admissionId");
    QTest::newRow("empty") << "";
    QTest::newRow("outside Latin-1") << QStringLiteral("A\u0416500");
    QTest::newRow("too long for the band") << QString(120, QLatin1Char('X'));
}

void TestWristbandPrinter::unprintableIds()
{
    QFETCH(QString, admissionId);
    QTemporaryDir folder;
    QVERIFY_THROWS_EXCEPTION(AppError, WristbandPrinter::writePdf(band(admissionId), folder.path()));
    // A failed band leaves no half-written file behind.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList());
}

void TestWristbandPrinter::fileNamesAreSafeAndNeverOverwrite()
{
    const QDateTime at(QDate(2026, 12, 8), QTime(4, 5, 6));
    QCOMPARE(WristbandPrinter::pdfFileName(QStringLiteral("A500123"), at),
             QStringLiteral("wristband-A500123-20261208-040506.pdf"));

    QTemporaryDir folder;
    const QString hostile = QStringLiteral("../x/..\\y z");
    const QString first = WristbandPrinter::writePdf(band(hostile), folder.path(), at);
    QCOMPARE(QFileInfo(first).absolutePath(), QDir(folder.path()).absolutePath());
    QCOMPARE(QFileInfo(first).fileName(), QStringLiteral("wristband-_x_y_z-20261208-040506.pdf"));

    const QByteArray firstBytes = [&] {
        QFile f(first);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(firstBytes.startsWith("%PDF"));
    const QString second = WristbandPrinter::writePdf(band(QStringLiteral("..-x-y z")), folder.path(), at);
    const QString third = WristbandPrinter::writePdf(band(hostile), folder.path(), at);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 3);
    QVERIFY(second != first && third != first && third != second);
    QFile f(first);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), firstBytes);
}

void TestWristbandPrinter::printBarcodeWritesPdfWithoutPrinter()
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("a default printer is installed; this test would print a real band");
    FixtureDb db;
    db.patient("H1", "Smith", "John", "A", "1950-03-04 00:00:00", "M");
    db.admission("A-1 x", "H1", "1A-01");
    db.close();
    installTestUser(db.path());

    QTemporaryDir base;
    const QString folder = QDir(base.path()).filePath(QStringLiteral("bands"));
    qputenv("WARDCHECK_WRISTBAND_DIR", folder.toLocal8Bit());
    QCOMPARE(WristbandPrinter::outputFolder(), folder);
    WristbandPrinter printer;
    printer.SetOrvaneUser(Session::user());
    QString hn = QStringLiteral("H1");
    QString idn = QStringLiteral("A-1 x");
    printer.PrintBarcode(hn, idn);
    qunsetenv("WARDCHECK_WRISTBAND_DIR");

    QCOMPARE(QFileInfo(printer.lastPdf()).absolutePath(), QDir(folder).absolutePath());
#ifndef Q_OS_WIN
    run(QStringLiteral("pdftoppm"), {"-r", "300", "-gray", "-png", "-singlefile", printer.lastPdf(), folder + "/page"});
    QCOMPARE(run(QStringLiteral("zbarimg"), {"--raw", "-q", folder + "/page.png"}), QByteArray("A-1 x\n"));
#endif
    QVERIFY(WristbandPrinter::outputFolder().endsWith(QStringLiteral("/Wardcheck wristbands")));
}

void TestWristbandPrinter::printBarcodeNeedsUser()
{
    WristbandPrinter printer;
    QString hn = QStringLiteral("H1");
    QString idn = QStringLiteral("A1");
    QVERIFY_THROWS_EXCEPTION(AppError, printer.PrintBarcode(hn, idn));
}

void TestWristbandPrinter::componentPairPrintsOverTheUsersConnection()
{
    FixtureDb db;
    db.close();
    QString hn = QStringLiteral("H1");
    QString idn = QStringLiteral("A1");
    RecordingPrinter printer; // no user handed over
    QCOMPARE(errorNumber([&] { printer.PrintBarcode(hn, idn); }), 91L);

    auto notLoggedIn = std::make_unique<NoConnectionUser>();
    printer.SetOrvaneUser(notLoggedIn.get());
    QCOMPARE(errorNumber([&] { printer.PrintBarcode(hn, idn); }), 91L);

    auto user = std::make_unique<TestUser>(db.path());
    printer.SetOrvaneUser(user.get());
    printer.PrintBarcode(hn, idn);
    QCOMPARE(printer.calls, QStringList{"[H1] [A1]"});
    QCOMPARE(printer.connections, QList<Connection *>{user->SQLConnection()});

    // The printer keeps no component alive that the program has let go.
    user.reset();
    QCOMPARE(errorNumber([&] { printer.PrintBarcode(hn, idn); }), 91L);
    QCOMPARE(printer.calls.size(), 1);
}

// A band holds a patient's name, birth date and numbers: other users of
// the PC may not read it, whatever the umask.
#ifdef Q_OS_WIN
// Windows: the file's access list lets its owner read it and, as every file
// in a user's Documents, the system and the PC's administrators; no other
// user, no group of users, not everyone (no list at all would let everyone).
void TestWristbandPrinter::pdfIsTheOwnersOnly()
{
    QTemporaryDir folder;
    const QString pdf = WristbandPrinter::writePdf(band(QStringLiteral("A500123")), folder.path());
    const std::wstring path = QDir::toNativeSeparators(pdf).toStdWString();
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PSID owner = nullptr;
    PACL list = nullptr;
    QCOMPARE(GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                   &owner, nullptr, &list, nullptr, &descriptor),
             DWORD(ERROR_SUCCESS));
    const auto release = qScopeGuard([descriptor] { LocalFree(descriptor); });
    QVERIFY2(list, "the file has no access list: everyone may read it");
    int ownerReads = 0;
    QStringList othersRead;
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void *entry = nullptr;
        QVERIFY(GetAce(list, i, &entry));
        if (static_cast<const ACE_HEADER *>(entry)->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        const auto *allowed = static_cast<const ACCESS_ALLOWED_ACE *>(entry);
        if (!(allowed->Mask & (FILE_READ_DATA | GENERIC_READ | GENERIC_ALL)))
            continue;
        PSID sid = const_cast<DWORD *>(&allowed->SidStart);
        if (EqualSid(sid, owner)) {
            ++ownerReads;
        } else if (!IsWellKnownSid(sid, WinLocalSystemSid) && !IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
            LPWSTR text = nullptr;
            ConvertSidToStringSidW(sid, &text);
            othersRead << (text ? QString::fromWCharArray(text) : QStringLiteral("?"));
            LocalFree(text);
        }
    }
    QVERIFY(ownerReads > 0);
    QVERIFY2(othersRead.isEmpty(), qPrintable(othersRead.join(QLatin1Char(' '))));
}

void TestWristbandPrinter::failedWriteIsReported()
{
    QSKIP("A file size limit to fill the disk part-way is POSIX's (setrlimit)");
}
#else
void TestWristbandPrinter::pdfIsTheOwnersOnly()
{
    QTemporaryDir folder;
    const mode_t before = umask(0);
    const QString pdf = WristbandPrinter::writePdf(band(QStringLiteral("A500123")), folder.path());
    umask(before);
    struct stat info = {};
    QCOMPARE(stat(QFile::encodeName(pdf).constData(), &info), 0);
    QCOMPARE(int(info.st_mode & 0777), 0600);
}

// A disk that fills up part-way (here: a file size limit) must give an
// error, not a truncated band reported as written.
void TestWristbandPrinter::failedWriteIsReported()
{
    QTemporaryDir folder;
    struct rlimit old = {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 2000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    try {
        WristbandPrinter::writePdf(band(QStringLiteral("A500123")), folder.path());
    } catch (const AppError &e) {
        error = e.description();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);
    QVERIFY2(error.contains(QLatin1String("could not be written")), qPrintable(error));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList());
}
#endif

void TestWristbandPrinter::spoolerAnswers_data()
{
    QTest::addColumn<QList<unsigned long>>("before"); // jobs on the queue before the band was sent
    QTest::addColumn<QStringList>("seen"); // "id|document|status", as notifications and listings told them
    QTest::addColumn<unsigned long>("printerStatus");
    QTest::addColumn<bool>("deadline");
    QTest::addColumn<QString>("answer");
    using namespace SpoolerJobs;
    const QList<unsigned long> one{3};
    const auto status = [](unsigned long bits) { return QString::number(bits); };
    QTest::newRow("listed, printing") << one << QStringList{"7|Wristband A1|" + status(Printing)} << 0ul << false
                                      << "taken";
    QTest::newRow("document and status told apart")
        << one << QStringList{"9|Wristband A1|0", "9||" + status(Spooling)} << 0ul << false << "taken";
    QTest::newRow("deleted after it printed")
        << one << QStringList{"7|Wristband A1|" + status(Spooling), "7||" + status(Printed), "7||" + status(Deleted)}
        << 0ul << false << "taken";
    QTest::newRow("deleted before it printed")
        << one << QStringList{"7|Wristband A1|" + status(Spooling), "7||" + status(Deleting), "7||" + status(Deleted)}
        << 0ul << false << "cancelled";
    QTest::newRow("blocked") << one << QStringList{"7|Wristband A1|" + status(BlockedDevq)} << 0ul << false
                             << "cancelled";
    QTest::newRow("held") << one << QStringList{"7|Wristband A1|" + status(Paused)} << 0ul << false
                          << "waiting: the job is held at the print server";
    QTest::newRow("out of paper") << one << QStringList{"7|Wristband A1|" + status(PaperOut)} << 0ul << false
                                  << "waiting: the printer is out of paper";
    QTest::newRow("on a paused printer") << one << QStringList{"7|Wristband A1|" + status(Spooling)}
                                         << static_cast<unsigned long>(PrinterPaused) << false
                                         << "waiting: the printer is paused";
    QTest::newRow("on an offline printer")
        << one << QStringList{"7|Wristband A1|0"} << static_cast<unsigned long>(PrinterOffline) << false
        << "waiting: the printer is offline";
    QTest::newRow("another document, before the deadline")
        << one << QStringList{"7|Office memo|" + status(Printing)} << 0ul << false << "not yet";
    // Not told of the band by the deadline: it may still print. Never
    // "nothing was printed", which would have the nurse print it again.
    QTest::newRow("another document, at the deadline")
        << one << QStringList{"7|Office memo|" + status(Printing)} << 0ul << true << "unknown";
    QTest::newRow("a job of the band's name that was there before")
        << QList<unsigned long>{7} << QStringList{"7|Wristband A1|" + status(Printing)} << 0ul << true << "unknown";
    QTest::newRow("nothing told at all") << one << QStringList() << 0ul << true << "unknown";
}

// What the Windows print spooler's events, as recorded, make of a band.
void TestWristbandPrinter::spoolerAnswers()
{
    QFETCH(QList<unsigned long>, before);
    QFETCH(QStringList, seen);
    QFETCH(unsigned long, printerStatus);
    QFETCH(bool, deadline);
    QFETCH(QString, answer);
    SpoolerJobs::Record record(before);
    for (const QString &event : std::as_const(seen)) {
        const QStringList parts = event.split(QLatin1Char('|'));
        record.seen(parts.at(0).toULong(), parts.at(1), parts.at(2).toULong());
    }
    const auto got = record.answer(QStringLiteral("Wristband A1"), printerStatus, deadline);
    QString said = QStringLiteral("not yet");
    if (got) {
        using Outcome = PrintQueue::JobWatch::Outcome;
        switch (got->outcome) {
        case Outcome::Taken:
            said = QStringLiteral("taken");
            break;
        case Outcome::Waiting:
            said = QStringLiteral("waiting: ") + got->waiting;
            break;
        case Outcome::Refused:
            said = QStringLiteral("refused");
            break;
        case Outcome::Cancelled:
            said = QStringLiteral("cancelled");
            break;
        case Outcome::Unknown:
            said = QStringLiteral("unknown");
            break;
        }
    }
    QCOMPARE(said, answer);
}

WARDCHECK_TEST_MAIN(TestWristbandPrinter)
#include "tst_wristbandprinter.moc"
