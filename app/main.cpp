#include "application.h"
#include "apperror.h"
#include "appinfo.h"
#include "componentregistry.h"
#include "currentuser.h"
#include "dialogs.h"
#include "icons.h"
#include "modmain.h"
#include "screens.h"

#include <QCommandLineParser>
#include <QTextStream>

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wardcheck"));
    QApplication::setOrganizationName(QStringLiteral("ORVANE"));
    QApplication::setApplicationVersion(AppInfo::fileVersion());
    QApplication::setWindowIcon(Icons::applicationIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Wardcheck: barcode checks at the bedside."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption wristbands(QStringLiteral("wristbands"),
                                        QStringLiteral("Open the wristband printing screen after logging in."));
    parser.addOption(wristbands);
    parser.process(app);

    ComponentRegistry::add(ComponentIds::CurrentUser, [] { return std::make_unique<CurrentUser>(); });

    try {
        if (!modMain::Main())
            return 0;
    } catch (const AppError &e) {
        Dialogs::reportError(nullptr, e.number(), e.description());
        return 1;
    } catch (const std::exception &e) {
        Dialogs::reportError(nullptr, AppError::ProviderError, QString::fromLocal8Bit(e.what()));
        return 1;
    }
    if (parser.isSet(wristbands))
        Screens::showWristbands();
    return QApplication::exec();
}
