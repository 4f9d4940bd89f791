#include "settings.h"

#include <QSettings>

#include <algorithm>
#include <memory>

namespace Settings {
namespace {

const QString Organisation = QStringLiteral("ORVANE");

// Windows keeps a program's settings in the registry (HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE\Software\ORVANE\<file>), where Group Policy and
// hospital IT's tools write them; elsewhere they are INI files.
constexpr QSettings::Format StoreFormat =
#ifdef Q_OS_WIN
    QSettings::NativeFormat;
#else
    QSettings::IniFormat;
#endif

std::unique_ptr<QSettings> userFile(File file)
{
    auto settings =
        std::make_unique<QSettings>(StoreFormat, QSettings::UserScope, Organisation, fileName(file));
    settings->setFallbacksEnabled(false);
    return settings;
}

std::unique_ptr<QSettings> presetFile(File file)
{
    return std::make_unique<QSettings>(StoreFormat, QSettings::SystemScope, Organisation, fileName(file));
}

const QString &lockName(File file)
{
    return definition(file == File::OrvaneUser ? Key::LoginLocked : Key::WardcheckLocked).name;
}

bool lockedIn(const QSettings &preset, const Definition &setting)
{
    return preset.value(lockName(setting.file)).toBool() && preset.contains(setting.name);
}

} // namespace

const Definition &definition(Key key)
{
    for (const Definition &setting : table()) {
        if (setting.key == key)
            return setting;
    }
    qFatal("Settings: key %d has no definition", int(key));
}

QString fileName(File file)
{
    return file == File::OrvaneUser ? QStringLiteral("Orvane_User") : QStringLiteral("Wardcheck");
}

bool isLocked(Key key)
{
    const Definition &setting = definition(key);
    return lockedIn(*presetFile(setting.file), setting);
}

QVariant value(Key key)
{
    const Definition &setting = definition(key);
    const auto preset = presetFile(setting.file);
    if (setting.layer == Layer::PresetUser && !lockedIn(*preset, setting)) {
        const auto user = userFile(setting.file);
        if (user->contains(setting.name))
            return user->value(setting.name);
    }
    return preset->value(setting.name, setting.defaultValue);
}

void remember(Key key, const QVariant &value)
{
    const Definition &setting = definition(key);
    Q_ASSERT(setting.layer == Layer::PresetUser);
    if (setting.layer == Layer::PresetUser && !isLocked(key))
        userFile(setting.file)->setValue(setting.name, value);
}

} // namespace Settings

namespace WardcheckSettings {

QString wristbandPrinter()
{
    return Settings::value(Settings::Key::WristbandPrinter).toString().trimmed();
}

bool wristbandsMustBeScanned()
{
    return Settings::value(Settings::Key::WristbandsMustBeScanned).toBool();
}

namespace {

int bounded(Settings::Key key, int fallback, int least, int most)
{
    bool isNumber = false;
    const int value = Settings::value(key).toString().trimmed().toInt(&isNumber);
    return isNumber ? std::clamp(value, least, most) : fallback;
}

} // namespace

int scanMeanGapLimitMs()
{
    return bounded(Settings::Key::ScanMeanGapLimitMs, ScanMeanGapDefaultMs, ScanMeanGapLeastMs, ScanMeanGapMostMs);
}

int queryTimeoutSeconds()
{
    return bounded(Settings::Key::QueryTimeoutSeconds, QueryTimeoutDefaultSeconds, QueryTimeoutLeastSeconds,
                   QueryTimeoutMostSeconds);
}

} // namespace WardcheckSettings
