#include "appinfo.h"
#include "application.h"
#include "audit.h"
#include "auditchart.h"
#include "auditsummary.h"
#include "check.h"
#include "componentregistry.h"
#include "console.h"
#include "currentuser.h"
#include "icons.h"
#include "measurescan.h"
#include "modmain.h"
#include "screens.h"
#include "session.h"
#include "wristbandprinter.h"

#include <QCommandLineParser>
#include <QFile>
#include <QScopeGuard>
#include <QTextStream>

#include <algorithm>
#include <optional>

namespace {

// wardcheck(1) describes the same variables; the help test holds both to
// what the code reads.
const char Description[] = "Wardcheck: barcode checks at the bedside.\n"
                           "\n"
                           "Environment:\n"
                           "  WARDCHECK_DATABASE       Database file the login dialog starts on.\n"
                           "  WARDCHECK_WRISTBAND_DIR  Folder for wristband PDFs when there is no printer.\n"
                           "  XDG_CONFIG_HOME          User's settings: ORVANE/ in it (default ~/.config).\n"
                           "  XDG_CONFIG_DIRS          Preset for all users: ORVANE/ in them (/etc/xdg).";

void setNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("Wardcheck"));
    QCoreApplication::setOrganizationName(QStringLiteral("ORVANE"));
    QCoreApplication::setApplicationVersion(AppInfo::fileVersion());
}

QCommandLineOption wristbandsOption()
{
    return QCommandLineOption(QStringLiteral("wristbands"),
                              QStringLiteral("Opens the wristband printing screen after logging in."));
}

QCommandLineOption demoOption()
{
    return QCommandLineOption(QStringLiteral("demo"),
                              QStringLiteral("Opens the demo database installed with the program: made-up patients "
                                             "and public accounts, not for patient care."));
}

QCommandLineOption checkOption()
{
    return QCommandLineOption(QStringLiteral("check"),
                              QStringLiteral("Checks this PC's set-up for hospital IT: the settings in effect, the "
                                             "hospital database, the wristband printer; one line each, ok or the "
                                             "problem; status 0 only when all are ok. No window."));
}

QCommandLineOption userOption()
{
    return QCommandLineOption(QStringLiteral("user"),
                              QStringLiteral("With --check: log in as this user (the password is read from standard "
                                             "input) and run the program's own statements."),
                              QStringLiteral("name"));
}

QCommandLineOption auditSummaryOption()
{
    return QCommandLineOption(QStringLiteral("audit-summary"),
                              QStringLiteral("Counts the audit records exported from the system log (journalctl -t "
                                             "wardcheck -o json, or wevtutil qe Application /f:xml) per day and PC: "
                                             "checks, passes, failures, errors, dropped scans and the share of "
                                             "wristbands scanned, against the 95% goal. No window."),
                              QStringLiteral("file"));
}

QCommandLineOption byUserOption()
{
    return QCommandLineOption(QStringLiteral("by-user"),
                              QStringLiteral("With --audit-summary: a line for each user as well."));
}

QCommandLineOption chartOption()
{
    return QCommandLineOption(QStringLiteral("chart"),
                              QStringLiteral("With --audit-summary: draws the daily share of scanned wristbands and "
                                             "the failed checks into this PNG file."),
                              QStringLiteral("png"));
}

int auditSummary(const QCommandLineParser &parser)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QFile file(parser.value(auditSummaryOption()));
    if (!file.open(QIODevice::ReadOnly)) {
        err << "wardcheck: " << file.fileName() << " cannot be read: " << file.errorString() << Qt::endl;
        return 1;
    }
    const AuditSummary::Reading reading = AuditSummary::read(file.readAll());
    const bool byUser = parser.isSet(byUserOption());
    const QList<AuditSummary::Row> rows = AuditSummary::summarise(reading.entries, byUser);
    out << AuditSummary::table(rows, reading, byUser);
    if (parser.isSet(chartOption()) && !AuditChart::write(rows, parser.value(chartOption()))) {
        err << "wardcheck: the chart could not be written to " << parser.value(chartOption()) << Qt::endl;
        return 1;
    }
    return 0;
}

QCommandLineOption measureScanOption()
{
    return QCommandLineOption(QStringLiteral("measure-scan"),
                              QStringLiteral("Prints the time between the keys of one code scanned into a box, "
                                             "to choose policy/scanMeanGapLimitMs; no login."));
}

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QString::fromLatin1(Description));
    parser.addHelpOption();
    // Answered in main before the parser runs; added so that --help lists it.
    parser.addVersionOption();
    parser.addOption(wristbandsOption());
    parser.addOption(demoOption());
    parser.addOption(checkOption());
    parser.addOption(userOption());
    parser.addOption(auditSummaryOption());
    parser.addOption(byUserOption());
    parser.addOption(chartOption());
    parser.addOption(measureScanOption());
}

bool isHelp(const char *argument)
{
    return qstrcmp(argument, "--help") == 0 || qstrcmp(argument, "-h") == 0;
}

// Bad usage ends with 2, as in other command-line programs. Left to itself,
// QCommandLineParser::process ends with 1, which here means an error at
// start-up that was reported.
std::optional<int> badUsage(QCommandLineParser &parser)
{
    QString error;
    if (!parser.parse(QCoreApplication::arguments()))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().constFirst());
    else if (parser.isSet(userOption()) && !parser.isSet(checkOption()))
        error = QStringLiteral("--user goes with --check.");
    else if ((parser.isSet(byUserOption()) || parser.isSet(chartOption())) && !parser.isSet(auditSummaryOption()))
        error = QStringLiteral("--by-user and --chart go with --audit-summary.");
    if (error.isEmpty())
        return std::nullopt;
    QTextStream(stderr) << "wardcheck: " << error << Qt::endl << "Try 'wardcheck --help'." << Qt::endl;
    return 2;
}

bool commandLineRun(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option :
             {"--check", "--version", "-v", "--help", "-h", "--help-all", "--measure-scan", "--audit-summary"}) {
            if (qstrncmp(argv[i], option, qstrlen(option)) == 0)
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (commandLineRun(argc, argv))
        Console::attachToParent();
    // Answered before any window system is needed, so they work on a server too.
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--version") == 0 || qstrcmp(argv[i], "-v") == 0) {
            QTextStream(stdout) << "Wardcheck " << AppInfo::fileVersion() << Qt::endl;
            return 0;
        }
    }
    if (argc == 2 && isHelp(argv[1])) {
        QCoreApplication core(argc, argv);
        setNames();
        QCommandLineParser parser;
        describe(parser);
        QTextStream(stdout) << parser.helpText();
        return 0;
    }

#ifndef Q_OS_WIN
    // The check and the summary open no window: on a PC with no display they still run.
    const bool check = std::any_of(argv + 1, argv + argc, [](const char *a) {
        return qstrcmp(a, "--check") == 0 || qstrncmp(a, "--audit-summary", 15) == 0;
    });
    if (check)
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    Application app(argc, argv);
    // Windows and the user component go while Qt still exists: the
    // connection's database handle belongs to Qt SQL, whose registry is
    // gone once main has returned.
    const auto endOfRun = qScopeGuard([] {
        Screens::deleteAll();
        Session::reset();
        Audit::flush();
    });
    setNames();
    QApplication::setWindowIcon(Icons::applicationIcon());

    QCommandLineParser parser;
    describe(parser);
    if (const std::optional<int> status = badUsage(parser))
        return *status;
    // --help among other options, and --help-all with Qt's own options.
    parser.process(app);

    if (parser.isSet(measureScanOption())) {
        QTextStream out(stdout);
        return MeasureScan::run(out);
    }
    if (parser.isSet(auditSummaryOption()))
        return auditSummary(parser);
    if (parser.isSet(demoOption()))
        CurrentUser::startOnDemoDatabase();
    if (parser.isSet(checkOption())) {
        Check::Login login;
        login.userName = parser.value(userOption()).trimmed();
        if (!login.userName.isEmpty())
            login.password = Console::readSecret(QStringLiteral("Password for %1: ").arg(login.userName));
        QTextStream out(stdout);
        return Check::run(out, login);
    }

    ComponentRegistry::add(ComponentIds::CurrentUser, [] { return std::make_unique<CurrentUser>(); });
    ComponentRegistry::add(ComponentIds::Barcode, [] { return std::make_unique<WristbandPrinter>(); });

    if (const std::optional<int> status = modMain::Start())
        return *status;
    if (parser.isSet(wristbandsOption()))
        Screens::showWristbands();
    return QApplication::exec();
}
