#include "settingsstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryFile>

namespace SettingsStore {
namespace {

// The INI lines as keys and values, as Qt reads an INI file.
QList<std::pair<QString, QVariant>> parse(const QByteArray &ini)
{
    QTemporaryFile file;
    if (!file.open())
        qFatal("SettingsStore: no temporary file");
    file.write(ini);
    file.close();
    QSettings settings(file.fileName(), QSettings::IniFormat);
    QList<std::pair<QString, QVariant>> values;
    for (const QString &key : settings.allKeys())
        values.append({key, settings.value(key)});
    return values;
}

#ifdef Q_OS_WIN
QString key(Scope scope, const QString &file)
{
    return QStringLiteral("%1\\Software\\ORVANE\\%2")
        .arg(scope == Scope::User ? QStringLiteral("HKEY_CURRENT_USER") : QStringLiteral("HKEY_LOCAL_MACHINE"), file);
}
#else
QString path(Scope scope, const QString &file)
{
    const QString folder = scope == Scope::User
                               ? qEnvironmentVariable("XDG_CONFIG_HOME")
                               : qEnvironmentVariable("XDG_CONFIG_DIRS").section(QLatin1Char(':'), 0, 0);
    if (folder.isEmpty())
        qFatal("SettingsStore: XDG_CONFIG_HOME and XDG_CONFIG_DIRS must name the test's folders");
    return QDir(folder).filePath(QStringLiteral("ORVANE/%1.ini").arg(file));
}
#endif

} // namespace

void write(Scope scope, const QString &file, const QByteArray &ini)
{
#ifdef Q_OS_WIN
    QSettings store(key(scope, file), QSettings::NativeFormat);
    store.clear();
    for (const auto &[name, value] : parse(ini))
        store.setValue(name, value);
    store.sync();
    if (store.status() != QSettings::NoError)
        qFatal("SettingsStore: cannot write %s", qPrintable(key(scope, file)));
#else
    parse(ini); // the same lines must read on both
    const QString name = path(scope, file);
    QDir().mkpath(QFileInfo(name).path());
    QFile out(name);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("SettingsStore: cannot write %s", qPrintable(name));
    out.write(ini);
    out.flush();
    // Qt's settings cache reads a file again only when its size or time
    // changed; two writes may give files of one size within a second.
    static int written = 0;
    out.setFileTime(QDateTime::currentDateTime().addSecs(-1000 + ++written), QFileDevice::FileModificationTime);
#endif
}

void remove(Scope scope, const QString &file)
{
#ifdef Q_OS_WIN
    QSettings(key(scope, file), QSettings::NativeFormat).clear();
#else
    QFile::remove(path(scope, file));
#endif
}

QByteArray text(Scope scope, const QString &file)
{
#ifdef Q_OS_WIN
    QSettings store(key(scope, file), QSettings::NativeFormat);
#else
    QSettings store(path(scope, file), QSettings::IniFormat);
#endif
    QByteArray lines;
    for (const QString &name : store.allKeys())
        lines += name.toUtf8() + '=' + store.value(name).toString().toUtf8() + '\n';
    return lines;
}

QVariant value(Scope scope, const QString &file, const QString &name)
{
#ifdef Q_OS_WIN
    return QSettings(SettingsStore::key(scope, file), QSettings::NativeFormat).value(name);
#else
    return QSettings(path(scope, file), QSettings::IniFormat).value(name);
#endif
}

void clearAll()
{
#ifdef Q_OS_WIN
    for (const Scope scope : {Scope::User, Scope::Preset}) {
        for (const QString &file : {QStringLiteral("Orvane_User"), QStringLiteral("Wardcheck")})
            remove(scope, file);
    }
#endif
}

} // namespace SettingsStore
