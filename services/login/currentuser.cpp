#include "currentuser.h"

#include "logindialog.h"
#include "settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

CurrentUser::CurrentUser(QObject *parent) : UserComponent(parent)
{ }

CurrentUser::~CurrentUser() = default;

namespace {
bool g_demoAsked = false;

// The database this start was asked to open, if any.
QString askedDatabase()
{
    if (g_demoAsked)
        return CurrentUser::demoDatabasePath();
    return qEnvironmentVariable("WARDCHECK_DATABASE");
}
} // namespace

void CurrentUser::startOnDemoDatabase()
{
    g_demoAsked = true;
}

void CurrentUser::ShowMain()
{
    LoginDialog dialog;
    dialog.setSettings(rememberedSettings());
    dialog.setDatabaseLocked(isDatabaseLocked());
    dialog.setDemo(g_demoAsked && !isDatabaseLocked());
    const QStringList notes = setupNotes();
    dialog.setNotes(notes);
    for (const QString &note : notes)
        qWarning("%s", qPrintable(note));
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_connection = dialog.takeConnection();
    if (m_connection)
        remember(m_connection->settings(), m_connection->isDemo());
}

QVariant CurrentUser::Connected()
{
    return m_connection && m_connection->isOpen();
}

Connection *CurrentUser::SQLConnection()
{
    return m_connection.get();
}

QString CurrentUser::userName() const
{
    return m_connection ? m_connection->settings().userName : QString();
}

QString CurrentUser::demoDatabasePath()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QStringList candidates = {programDir.filePath(QStringLiteral("hospital.db")),
                                    programDir.filePath(QStringLiteral("../share/wardcheck/hospital.db"))};
    // Shown in the login dialog: written as the PC writes paths (backslashes on Windows).
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QDir::toNativeSeparators(QDir::cleanPath(candidate));
    }
    return QDir::toNativeSeparators(QDir::cleanPath(candidates.first()));
}

ConnectionSettings CurrentUser::rememberedSettings()
{
    ConnectionSettings s;
    s.kind = Settings::value(Settings::Key::LoginKind).toString() == QLatin1String("odbc")
                 ? ConnectionSettings::Kind::Odbc
                 : ConnectionSettings::Kind::Embedded;
    s.database = Settings::value(Settings::Key::LoginDatabase).toString();
    s.userName = Settings::value(Settings::Key::LoginUserName).toString();
    s.queryTimeoutSeconds = WardcheckSettings::queryTimeoutSeconds();
    s.loginTimeoutSeconds = Settings::value(Settings::Key::LoginTimeoutSeconds).toInt();
    if (isDatabaseLocked())
        return s;
    // The database this start was asked for wins over what was remembered.
    const QString asked = askedDatabase();
    if (!asked.isEmpty()) {
        s.kind = ConnectionSettings::Kind::Embedded;
        s.database = asked;
    }
    return s;
}

QStringList CurrentUser::setupNotes()
{
    QStringList notes;
    const ConnectionSettings s = rememberedSettings();
    if (isDatabaseLocked() && !askedDatabase().isEmpty()) {
        notes << QStringLiteral("This PC's preset sets the hospital database; %1 is not opened.").arg(askedDatabase());
    }
    if (s.database.trimmed().isEmpty()) {
        notes << QStringLiteral("No hospital database is set for this PC. Hospital IT sets it for every user in the "
                                "machine's preset, %1: login/kind = odbc and login/database = the ODBC connection "
                                "string (or a data source name). To try Wardcheck on its demo data, start it with "
                                "--demo.")
                     .arg(Settings::location(Settings::File::OrvaneUser, Settings::Source::Preset));
    } else if (s.kind == ConnectionSettings::Kind::Embedded && !QFileInfo::exists(s.database)) {
        notes << QStringLiteral("The hospital database file %1 does not exist.").arg(s.database);
    }
    notes << Settings::problems();
    return notes;
}

bool CurrentUser::isDatabaseLocked()
{
    return Settings::isLocked(Settings::Key::LoginKind) || Settings::isLocked(Settings::Key::LoginDatabase);
}

void CurrentUser::remember(const ConnectionSettings &s, bool demo)
{
    if (!demo) {
        Settings::remember(Settings::Key::LoginKind, s.kind == ConnectionSettings::Kind::Odbc
                                                         ? QStringLiteral("odbc")
                                                         : QStringLiteral("embedded"));
        // A password typed into the connection string is not remembered either.
        Settings::remember(Settings::Key::LoginDatabase, s.kind == ConnectionSettings::Kind::Odbc
                                                             ? Connection::withoutPassword(s.database)
                                                             : s.database);
    }
    Settings::remember(Settings::Key::LoginUserName, s.userName);
}
