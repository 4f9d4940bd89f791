#include "appinfo.h"
#include "application.h"
#include "componentregistry.h"
#include "currentuser.h"
#include "icons.h"
#include "measurescan.h"
#include "modmain.h"
#include "screens.h"
#include "session.h"
#include "wristbandprinter.h"

#include <QCommandLineParser>
#include <QScopeGuard>
#include <QTextStream>

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
    if (error.isEmpty())
        return std::nullopt;
    QTextStream(stderr) << "wardcheck: " << error << Qt::endl << "Try 'wardcheck --help'." << Qt::endl;
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
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

    Application app(argc, argv);
    // Windows and the user component go while Qt still exists: the
    // connection's database handle belongs to Qt SQL, whose registry is
    // gone once main has returned.
    const auto endOfRun = qScopeGuard([] {
        Screens::deleteAll();
        Session::reset();
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

    ComponentRegistry::add(ComponentIds::CurrentUser, [] { return std::make_unique<CurrentUser>(); });
    ComponentRegistry::add(ComponentIds::Barcode, [] { return std::make_unique<WristbandPrinter>(); });

    if (const std::optional<int> status = modMain::Start())
        return *status;
    if (parser.isSet(wristbandsOption()))
        Screens::showWristbands();
    return QApplication::exec();
}
