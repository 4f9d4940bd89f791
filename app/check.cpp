#include "check.h"

#include "apperror.h"
#include "audit.h"
#include "authenticator.h"
#include "connection.h"
#include "containerlist.h"
#include "currentuser.h"
#include "packagelookup.h"
#include "printqueue.h"
#include "recordset.h"
#include "settings.h"
#include "wristbandprinter.h"

#include <QDir>
#include <QPrinterInfo>
#include <QSysInfo>
#include <QTextStream>

namespace Check {
namespace {

const QString NoSuchUser = QStringLiteral("wardcheck-check");

class Report
{
public:
    explicit Report(QTextStream &out) : m_out(out) { }

    void ok(const QString &what, const QString &detail) { line(true, what, detail); }
    void problem(const QString &what, const QString &detail) { line(false, what, detail); }
    int status() const { return m_problems == 0 ? 0 : 1; }

private:
    void line(bool fine, const QString &what, const QString &detail)
    {
        m_out << (fine ? QStringLiteral("ok       ") : QStringLiteral("PROBLEM  ")) << what << QStringLiteral(": ")
              << detail << Qt::endl;
        m_problems += fine ? 0 : 1;
    }

    QTextStream &m_out;
    int m_problems = 0;
};

QString shown(const Settings::Definition &setting, const QVariant &value)
{
    if (setting.type == Settings::Type::Flag)
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    QString text = value.toString();
    // A connection string may carry a password; it is never printed.
    if (setting.key == Settings::Key::LoginDatabase) {
        const QString without = Connection::withoutPassword(text);
        if (without != text.trimmed())
            text = without + QStringLiteral(" (a password in it is not shown)");
    }
    return text.isEmpty() ? QStringLiteral("(empty)") : text;
}

void settings(Report &report)
{
    for (const Settings::Definition &setting : Settings::table()) {
        const Settings::Reading reading = Settings::read(setting.key);
        QString from;
        switch (reading.source) {
        case Settings::Source::Default:
            from = QStringLiteral("built-in default");
            break;
        case Settings::Source::Preset:
            from = QStringLiteral("machine preset %1").arg(Settings::location(setting.file, Settings::Source::Preset));
            break;
        case Settings::Source::User:
            from = QStringLiteral("user's own %1").arg(Settings::location(setting.file, Settings::Source::User));
            break;
        }
        if (reading.locked)
            from += QStringLiteral(", locked");
        report.ok(QStringLiteral("setting %1").arg(setting.name),
                  QStringLiteral("%1 (%2)").arg(shown(setting, reading.value), from));
    }
    const QStringList problems = Settings::problems();
    for (const QString &problem : problems)
        report.problem(QStringLiteral("preset"), problem);
    if (problems.isEmpty())
        report.ok(QStringLiteral("preset"), QStringLiteral("every value is one Wardcheck takes"));
}

// Two of the program's own lookups, for codes no package or container has:
// together they read all five hospital databases.
void statements(Report &report, Connection &connection)
{
    try {
        Recordset records;
        records.Open(PackageLookup::statement(QStringLiteral("C-wardcheck-check")), &connection);
        records.Open(ContainerList::statement(QStringLiteral("wardcheck-check")), &connection);
        report.ok(QStringLiteral("database statements"),
                  QStringLiteral("the medicine package and the specimen container lookups ran (patient_data, "
                                 "Station, Inventory, Laboratory and build_file were read)"));
    } catch (const AppError &error) {
        report.problem(QStringLiteral("database statements"), error.description());
    }
}

void database(Report &report, const Login &login)
{
    ConnectionSettings s = CurrentUser::rememberedSettings();
    s.userName = login.userName;
    s.password = login.password;
    const QString what = QStringLiteral("database");
    if (s.database.trimmed().isEmpty()) {
        report.problem(what, QStringLiteral("none is set for this PC (login/database in the machine preset, %1)")
                                 .arg(Settings::location(Settings::File::OrvaneUser, Settings::Source::Preset)));
        return;
    }
    const bool odbc = s.kind == ConnectionSettings::Kind::Odbc;
    std::unique_ptr<Connection> connection;
    try {
        if (!login.userName.isEmpty()) {
            connection = Authenticator::logIn(s);
            report.ok(what, QStringLiteral("%1 logged in to %2").arg(login.userName, connection->describe()));
        } else {
            // A server is asked for a login it must refuse: its refusal shows
            // it is there. (With no user at all, a driver may not ask it.)
            if (odbc)
                s.userName = NoSuchUser;
            connection = std::make_unique<Connection>(s);
            connection->Open();
            report.ok(what, QStringLiteral("%1 opened; give --user to check a login").arg(connection->describe()));
        }
    } catch (const std::exception &error) {
        const QString why =
            AppError::describe(error).isEmpty() ? QString::fromLocal8Bit(error.what()) : AppError::describe(error);
        const bool refused = odbc && connection && connection->loginRefused();
        if (refused && login.userName.isEmpty()) {
            report.ok(what, QStringLiteral("the server of %1 answered and refused the login of %2, as it should; "
                                           "give --user to check a real login and run a statement")
                                .arg(connection->describe(), NoSuchUser));
        } else {
            const auto *loginError = dynamic_cast<const LoginError *>(&error);
            report.problem(what, loginError ? loginError->message() : why);
        }
        return;
    }
    if (connection->isDemo())
        report.problem(what, QStringLiteral("%1 is the demo database, with public accounts: not for patient care")
                                 .arg(connection->describe()));
    if (!odbc || !login.userName.isEmpty())
        statements(report, *connection);
}

void printer(Report &report)
{
    const QString what = QStringLiteral("printer");
    const QString chosen = WardcheckSettings::wristbandPrinter();
    QString queue = chosen;
    if (chosen.isEmpty()) {
        queue = QPrinterInfo::defaultPrinterName();
        if (queue.isEmpty()) {
            report.ok(what, QStringLiteral("none is set or installed: wristbands are saved as PDF files in %1")
                                .arg(QDir::toNativeSeparators(WristbandPrinter::outputFolder())));
            return;
        }
    } else if (QPrinterInfo::printerInfo(chosen).isNull()) {
        report.problem(what, QStringLiteral("the wristband printer %1 is not installed").arg(chosen));
        return;
    }
    const QString which =
        chosen.isEmpty()
            ? QStringLiteral("no wristband printer is set; wristbands go to the default printer %1").arg(queue)
            : QStringLiteral("the wristband printer %1 is installed").arg(queue);
    const QString holdUp = PrintQueue::queueProblem(queue);
    if (holdUp.isEmpty())
        report.ok(what, which);
    else
        report.problem(what, QStringLiteral("%1, but %2").arg(which, holdUp));
}

void policy(Report &report)
{
    if (WardcheckSettings::wristbandsMustBeScanned()) {
        report.ok(QStringLiteral("policy"),
                  QStringLiteral("wristbands must be scanned (keys at most %1 ms apart on average); a typed number "
                                 "is refused")
                      .arg(WardcheckSettings::scanMeanGapLimitMs()));
    } else {
        report.ok(QStringLiteral("policy"), QStringLiteral("a wristband number may be typed (policy/"
                                                           "wristbandsMustBeScanned is off)"));
    }
}

void audit(Report &report)
{
    Audit::reload();
    if (!Audit::enabled()) {
        report.ok(QStringLiteral("audit"), QStringLiteral("off (audit/enabled is not set in the machine's preset)"));
        return;
    }
    Audit::Record record;
    record.event = Audit::Event::SetUpCheck;
    record.outcome = QStringLiteral("ok");
    record.screen = QStringLiteral("check");
    const QString why = Audit::writeNow(record);
    if (why.isEmpty())
        report.ok(QStringLiteral("audit"), QStringLiteral("on: a record of each check goes to %1")
                                               .arg(QSysInfo::productType() == QLatin1String("windows")
                                                        ? QStringLiteral("the Application event log")
                                                        : QStringLiteral("the systemd journal")));
    else
        report.problem(QStringLiteral("audit"), QStringLiteral("on, but a record could not be written: %1").arg(why));
}

} // namespace

int run(QTextStream &out, const Login &login)
{
    Report report(out);
    settings(report);
    database(report, login);
    printer(report);
    policy(report);
    audit(report);
    return report.status();
}

} // namespace Check
