// Medicine scans over ODBC, as in a hospital, with the SQL Server stand-in
// serving the hospital-scale database: every scan closes and reopens the
// connection before its lookup. Prints, for a new server connection every
// time, for unixODBC's connection pooling, and for the connection Wardcheck
// keeps itself, the physical connects the scans cost, the time per scan,
// and what the process's heap and resident memory grew by. Where the TDS
// stand-in server is built, the same scans run through the real FreeTDS
// driver over TCP to it, a new login each scan and the connection kept,
// counted in the server's logins.
//
//   bench_odbc [scans]           each way, 1,000 scans by default
#include "benchsupport.h"
#include "connection.h"
#include "dialogs.h"
#include "frmmeds.h"
#include "medicinetexts.h"
#include "session.h"
#include "standincontrol.h"
#ifdef WARDCHECK_FREETDS_ENV
#include "tdsstandinprocess.h"
#endif

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTextStream>

#include <malloc.h>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

qint64 heapInUse()
{
    return qint64(mallinfo2().uordblks);
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return statm.readAll().split(' ').value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

int runScans(const QString &road, bool keep, bool freeTds, int scans)
{
    const QString path = Bench::hospitalDatabase();
    const std::vector<Bench::Package> packages = Bench::samplePackages(path, scans);
    if (packages.empty()) {
        QTextStream(stderr) << "no packages found in " << path << Qt::endl;
        return 2;
    }
    // The stand-in driver's counters; FreeTDS's road counts the server's logins.
    std::unique_ptr<StandinControl> server = freeTds ? nullptr : std::make_unique<StandinControl>();
    ConnectionSettings settings{
        ConnectionSettings::Kind::Odbc,
        QStringLiteral("Driver={%1};Database=%2").arg(QStringLiteral(WARDCHECK_STANDIN_NAME), path),
        QStringLiteral("ward"), QStringLiteral("pw")};
#ifdef WARDCHECK_FREETDS_ENV
    TdsStandinProcess tds;
    if (freeTds) {
        if (!tds.start(path)) {
            QTextStream(stderr) << "the TDS stand-in did not start: " << tds.errorString() << Qt::endl;
            return 2;
        }
        settings = ConnectionSettings{ConnectionSettings::Kind::Odbc, tds.connectionString(), TdsStandinProcess::user(),
                                      TdsStandinProcess::password()};
    }
    long loginsBefore = 0;
#else
    if (freeTds)
        return 2;
#endif
    settings.reuseServerConnection = keep;
    Session::setUser(std::make_unique<Bench::User>(settings));
    QStringList verdicts;
    Dialogs::setHandler([&](const Dialogs::Message &message) {
        verdicts << message.text;
        return Dialogs::Answer::Ok;
    });
    Dialogs::setBeepHandler([] {});

    auto form = std::make_unique<frmMeds>();
    form->show();
    auto *package = form->findChild<QLineEdit *>(QStringLiteral("txtContainerBarcode"));
    auto *patient = form->findChild<QLineEdit *>(QStringLiteral("txtPatientBarcode"));

    std::vector<double> perScan;
    int passed = 0;
    qint64 heapBefore = 0, residentBefore = 0;
    QElapsedTimer clock;
    for (int i = -20; i < int(packages.size()); ++i) { // the first 20 warm the caches
        if (i == 0) {
            if (server)
                server->resetCounters();
#ifdef WARDCHECK_FREETDS_ENV
            if (freeTds)
                loginsBefore = tds.counter(QStringLiteral("logins"));
#endif
            heapBefore = heapInUse();
            residentBefore = residentBytes();
        }
        const Bench::Package &p = packages[size_t(i < 0 ? -i : i) % packages.size()];
        verdicts.clear();
        clock.start();
        package->setText(p.reference);
        Bench::pressEnter(package);
        patient->setText(p.admission);
        Bench::pressEnter(patient);
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (i < 0)
            continue;
        perScan.push_back(ms);
        passed += verdicts.size() == 1 && verdicts.first().startsWith(MedicineTexts::OkToDispense) ? 1 : 0;
    }
    const qint64 heapGrowth = heapInUse() - heapBefore;
    const qint64 residentGrowth = residentBytes() - residentBefore;
    Bench::print(QStringLiteral("medicine scan, %1").arg(road), Bench::summarise(perScan), int(perScan.size()));
    long connects = server ? server->connects() : 0;
#ifdef WARDCHECK_FREETDS_ENV
    if (freeTds)
        connects = tds.counter(QStringLiteral("logins")) - loginsBefore;
#endif
    std::printf("  %s: %ld physical %s for %d scans (%.0f per 1,000 scans); heap grew %lld KiB, resident %lld KiB; "
                "checks passed: %d\n",
                qPrintable(road), connects, freeTds ? "logins" : "connects", int(perScan.size()),
                perScan.empty() ? 0.0 : 1000.0 * double(connects) / double(perScan.size()), heapGrowth / 1024,
                residentGrowth / 1024, passed);
    form.reset();
    Session::reset();
    return passed == int(perScan.size()) ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QStringList arguments = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (arguments.value(0) == QLatin1String("--road")) {
        QApplication app(argc, argv);
        return runScans(arguments.value(1), arguments.value(2) == QLatin1String("keep"),
                        arguments.value(4) == QLatin1String("freetds"), arguments.value(3).toInt());
    }

    // Each road in a process of its own: the driver manager reads whether
    // it pools once, when a process first uses it.
    QCoreApplication app(argc, argv);
    const int scans = arguments.isEmpty() ? 1000 : arguments.first().toInt();
    int status = 0;
    struct Road
    {
        const char *name;
        const char *odbcFolder; // null: FreeTDS to the TDS stand-in
        bool keep;
    };
    std::vector<Road> roads = {Road{"new connection each scan", WARDCHECK_STANDIN_ODBC_PLAIN, false},
                               Road{"unixODBC pooling", WARDCHECK_STANDIN_ODBC_POOLED, false},
                               Road{"connection kept", WARDCHECK_STANDIN_ODBC_PLAIN, true}};
#ifdef WARDCHECK_FREETDS_ENV
    roads.push_back(Road{"FreeTDS, new login each scan", nullptr, false});
    roads.push_back(Road{"FreeTDS, connection kept", nullptr, true});
#endif
    for (const Road &road : roads) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (road.odbcFolder) {
            const QString folder = QString::fromLocal8Bit(road.odbcFolder);
            env.insert(QStringLiteral("ODBCSYSINI"), folder);
            env.insert(QStringLiteral("ODBCINSTINI"), QStringLiteral("odbcinst.ini"));
            env.insert(QStringLiteral("ODBCINI"), folder + QStringLiteral("/odbc.ini"));
            env.insert(QStringLiteral("WARDCHECK_STANDIN_DRIVER"), QStringLiteral(WARDCHECK_STANDIN_DRIVER));
        }
#ifdef WARDCHECK_FREETDS_ENV
        else {
            for (const QString &pair : QStringLiteral(WARDCHECK_FREETDS_ENV).split(QLatin1Char('|')))
                env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        }
#endif
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--road"), QString::fromLatin1(road.name),
                     road.keep ? QStringLiteral("keep") : QStringLiteral("new"), QString::number(scans),
                     road.odbcFolder ? QStringLiteral("standin") : QStringLiteral("freetds")});
        child.waitForFinished(-1);
        status = std::max(status, child.exitCode());
    }
    return status;
}
