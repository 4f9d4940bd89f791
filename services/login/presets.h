#pragma once

#include <QString>
#include <QVariant>

// Settings in two layers. Hospital IT writes a preset once for every user of
// a PC, in Qt's system scope (/etc/xdg/ORVANE/<file>.ini, or the folders
// that XDG_CONFIG_DIRS names); a user's own remembered values
// (~/.config/ORVANE/<file>.ini) come on top. A preset whose file says
//
//   [preset]
//   locked=true
//
// cannot be changed by users: what it sets wins, and what a user had
// remembered for those keys is ignored.
class PresetSettings
{
public:
    // The file's name without ".ini": Orvane_User (the login) or Wardcheck.
    explicit PresetSettings(const QString &file);

    QVariant value(const QString &key, const QVariant &fallback = QVariant()) const;
    // The preset sets this key and users may not change it.
    bool isLocked(const QString &key) const;
    // Remembers a user's value; a locked key is left as the preset has it.
    void remember(const QString &key, const QVariant &value);

private:
    QString m_file;
};

// The settings of Wardcheck itself (Wardcheck.ini).
namespace WardcheckSettings {

// The printer queue for wristbands ([printing] wristbandPrinter); empty:
// the default printer, or a PDF when there is none.
QString wristbandPrinter();

// [policy] wristbandsMustBeScanned: a wristband code typed by hand (keys
// slower than a scanner's) or pasted is not checked. Off unless set.
bool wristbandsMustBeScanned();

// [policy] scanMeanGapLimitMs: for wristbandsMustBeScanned, the most a
// wristband's keys may come apart on average, in milliseconds. A ward whose
// scanners deliver keys in uneven bursts (Bluetooth, remote desktop) may
// need more. Held between the bounds: below the lower one a wired scanner
// fails, above the upper one a quick typist passes. Unset or not a number:
// the default.
inline constexpr int ScanMeanGapDefaultMs = 25;
inline constexpr int ScanMeanGapLeastMs = 10;
inline constexpr int ScanMeanGapMostMs = 60;
int scanMeanGapLimitMs();

} // namespace WardcheckSettings
