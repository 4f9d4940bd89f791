#include "currentuser.h"

#include "logindialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
QSettings componentSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("ORVANE"), QStringLiteral("Orvane_User"));
}
} // namespace

CurrentUser::CurrentUser(QObject *parent) : UserComponent(parent) {}

CurrentUser::~CurrentUser() = default;

void CurrentUser::ShowMain()
{
    LoginDialog dialog;
    dialog.setSettings(rememberedSettings());
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
    for (const QString &candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    }
    return QDir::cleanPath(candidates.first());
}

ConnectionSettings CurrentUser::rememberedSettings()
{
    QSettings settings = componentSettings();
    ConnectionSettings s;
    s.kind = settings.value(QStringLiteral("login/kind")).toString() == QLatin1String("odbc")
                 ? ConnectionSettings::Kind::Odbc
                 : ConnectionSettings::Kind::Embedded;
    s.database = settings.value(QStringLiteral("login/database")).toString();
    s.userName = settings.value(QStringLiteral("login/userName")).toString();
    // A database named by the environment wins; so does the demo database
    // when the remembered file has gone.
    const bool fromEnvironment = !qEnvironmentVariableIsEmpty("WARDCHECK_DATABASE");
    const bool missingFile = s.kind == ConnectionSettings::Kind::Embedded && !QFileInfo::exists(s.database);
    if (fromEnvironment || s.database.isEmpty() || missingFile) {
        s.kind = ConnectionSettings::Kind::Embedded;
        s.database = defaultDatabasePath();
    }
    return s;
}

void CurrentUser::remember(const ConnectionSettings &s)
{
    QSettings settings = componentSettings();
    settings.setValue(QStringLiteral("login/kind"),
                      s.kind == ConnectionSettings::Kind::Odbc ? QStringLiteral("odbc") : QStringLiteral("embedded"));
    // A password typed into the connection string is not remembered either.
    settings.setValue(QStringLiteral("login/database"),
                      s.kind == ConnectionSettings::Kind::Odbc ? Connection::withoutPassword(s.database) : s.database);
    settings.setValue(QStringLiteral("login/userName"), s.userName);
}
