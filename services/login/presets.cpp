#include "presets.h"

#include <QSettings>

#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<QSettings> userFile(const QString &file)
{
    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("ORVANE"), file);
    settings->setFallbacksEnabled(false);
    return settings;
}

std::unique_ptr<QSettings> presetFile(const QString &file)
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::SystemScope, QStringLiteral("ORVANE"), file);
}

bool lockedIn(const QSettings &preset, const QString &key)
{
    return preset.value(QStringLiteral("preset/locked")).toBool() && preset.contains(key);
}

} // namespace

PresetSettings::PresetSettings(const QString &file) : m_file(file) {}

bool PresetSettings::isLocked(const QString &key) const
{
    return lockedIn(*presetFile(m_file), key);
}

QVariant PresetSettings::value(const QString &key, const QVariant &fallback) const
{
    const auto preset = presetFile(m_file);
    if (!lockedIn(*preset, key)) {
        const auto user = userFile(m_file);
        if (user->contains(key))
            return user->value(key);
    }
    return preset->value(key, fallback);
}

void PresetSettings::remember(const QString &key, const QVariant &value)
{
    if (!isLocked(key))
        userFile(m_file)->setValue(key, value);
}

namespace WardcheckSettings {

QString wristbandPrinter()
{
    return PresetSettings(QStringLiteral("Wardcheck")).value(QStringLiteral("printing/wristbandPrinter")).toString().trimmed();
}

bool wristbandsMustBeScanned()
{
    return PresetSettings(QStringLiteral("Wardcheck")).value(QStringLiteral("policy/wristbandsMustBeScanned")).toBool();
}

int scanMeanGapLimitMs()
{
    bool isNumber = false;
    const QVariant value = PresetSettings(QStringLiteral("Wardcheck")).value(QStringLiteral("policy/scanMeanGapLimitMs"));
    const int ms = value.toString().trimmed().toInt(&isNumber);
    return isNumber ? std::clamp(ms, ScanMeanGapLeastMs, ScanMeanGapMostMs) : ScanMeanGapDefaultMs;
}

} // namespace WardcheckSettings
