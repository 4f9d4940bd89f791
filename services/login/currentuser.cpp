#include "currentuser.h"

#include "logindialog.h"
#include "settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

CurrentUser::CurrentUser(QObject *parent) : UserComponent(parent)
{ }

CurrentUser::~CurrentUser() = default;

void CurrentUser::ShowMain()
{
    LoginDialog dialog;
    dialog.setSettings(rememberedSettings());
    dialog.setDatabaseLocked(isDatabaseLocked());
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_connection = dialog.takeConnection();
    if (m_connection)
        remember(m_connection->settings());
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

QString CurrentUser::defaultDatabasePath()
{
    const QString environment = qEnvironmentVariable("WARDCHECK_DATABASE");
    if (!environment.isEmpty())
        return environment;
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
    if (isDatabaseLocked())
        return s;
    // A database named by the environment wins over what was remembered;
    // so does the demo database when the remembered file has gone.
    const bool fromEnvironment = !qEnvironmentVariableIsEmpty("WARDCHECK_DATABASE");
    const bool missingFile = s.kind == ConnectionSettings::Kind::Embedded && !QFileInfo::exists(s.database);
    if (fromEnvironment || s.database.isEmpty() || missingFile) {
        s.kind = ConnectionSettings::Kind::Embedded;
        s.database = defaultDatabasePath();
    }
    return s;
}

bool CurrentUser::isDatabaseLocked()
{
    return Settings::isLocked(Settings::Key::LoginKind) || Settings::isLocked(Settings::Key::LoginDatabase);
}

void CurrentUser::remember(const ConnectionSettings &s)
{
    Settings::remember(Settings::Key::LoginKind,
                       s.kind == ConnectionSettings::Kind::Odbc ? QStringLiteral("odbc") : QStringLiteral("embedded"));
    // A password typed into the connection string is not remembered either.
    Settings::remember(Settings::Key::LoginDatabase,
                       s.kind == ConnectionSettings::Kind::Odbc ? Connection::withoutPassword(s.database) : s.database);
    Settings::remember(Settings::Key::LoginUserName, s.userName);
}
