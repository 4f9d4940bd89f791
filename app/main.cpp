#include "application.h"
#include "appinfo.h"
#include "componentregistry.h"
#include "currentuser.h"
#include "icons.h"
#include "modmain.h"
#include "screens.h"
#include "session.h"
#include "wristbandprinter.h"

#include <QCommandLineParser>
#include <QScopeGuard>
#include <QTextStream>

int main(int argc, char **argv)
{
    // Answered before any window system is needed, so it works on a server too.
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--version") == 0 || qstrcmp(argv[i], "-v") == 0) {
            QTextStream(stdout) << "Wardcheck " << AppInfo::fileVersion() << Qt::endl;
            return 0;
        }
    }

    Application app(argc, argv);
    // Windows and the user component go while Qt still exists: the
    // connection's database handle belongs to Qt SQL, whose registry is
    // gone once main has returned.
    const auto endOfRun = qScopeGuard([] {
        Screens::deleteAll();
        Session::reset();
    });
    QApplication::setApplicationName(QStringLiteral("Wardcheck"));
    QApplication::setOrganizationName(QStringLiteral("ORVANE"));
    QApplication::setApplicationVersion(AppInfo::fileVersion());
    QApplication::setWindowIcon(Icons::applicationIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Wardcheck: barcode checks at the bedside."));
    parser.addHelpOption();
    const QCommandLineOption wristbands(QStringLiteral("wristbands"),
                                        QStringLiteral("Open the wristband printing screen after logging in."));
    parser.addOption(wristbands);
    parser.process(app);

    ComponentRegistry::add(ComponentIds::CurrentUser, [] { return std::make_unique<CurrentUser>(); });
    ComponentRegistry::add(ComponentIds::Barcode, [] { return std::make_unique<WristbandPrinter>(); });

    if (const std::optional<int> status = modMain::Start())
        return *status;
    if (parser.isSet(wristbands))
        Screens::showWristbands();
    return QApplication::exec();
}
