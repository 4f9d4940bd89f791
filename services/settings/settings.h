#pragma once

#include <QList>
#include <QString>
#include <QVariant>

// Every setting the program reads: its file, its key in that file, its
// default and its layer, in the one table below.
//
// The files are INI files of the organisation ORVANE, or on Windows keys of
// the registry. Hospital IT writes a preset once for every user of a PC, in
// Qt's system scope (/etc/xdg/ORVANE/<file>.ini, or the folders that
// XDG_CONFIG_DIRS names; HKEY_LOCAL_MACHINE\Software\ORVANE\<file>); a
// user's own values (~/.config/ORVANE/<file>.ini;
// HKEY_CURRENT_USER\Software\ORVANE\<file>) come on top. A preset whose
// file says
//
//   [preset]
//   locked=true
//
// cannot be changed by users: what it sets wins, and what a user had
// remembered for those keys is ignored.
namespace Settings {

enum class File {
    OrvaneUser, // Orvane_User.ini: the user component's login
    Wardcheck, // Wardcheck.ini: the program itself
};

enum class Layer {
    Preset, // read from the preset only
    PresetUser, // the user's own value on top of the preset, unless the preset is locked
};

enum class Key {
    LoginKind,
    LoginDatabase,
    LoginUserName,
    LoginLocked,
    WristbandPrinter,
    WristbandsMustBeScanned,
    ScanMeanGapLimitMs,
    QueryTimeoutSeconds,
    WardcheckLocked,
};

struct Definition
{
    Key key;
    File file;
    QString name; // "group/key", as QSettings names it
    QVariant defaultValue;
    Layer layer;
};

inline const QList<Definition> &table()
{
    static const QList<Definition> definitions = {
        // "odbc": a SQL Server reached through ODBC; anything else: the
        // embedded database file. Remembered after each login.
        {Key::LoginKind, File::OrvaneUser, QStringLiteral("login/kind"), QStringLiteral("embedded"), Layer::PresetUser},
        // The file, or the ODBC connection without its password. Remembered;
        // empty: the demo database beside the program.
        {Key::LoginDatabase, File::OrvaneUser, QStringLiteral("login/database"), QString(), Layer::PresetUser},
        {Key::LoginUserName, File::OrvaneUser, QStringLiteral("login/userName"), QString(), Layer::PresetUser},
        {Key::LoginLocked, File::OrvaneUser, QStringLiteral("preset/locked"), false, Layer::Preset},
        // The print queue for wristbands, and no other; empty: the default
        // printer, or a PDF file when none is installed.
        {Key::WristbandPrinter, File::Wardcheck, QStringLiteral("printing/wristbandPrinter"), QString(),
         Layer::PresetUser},
        // A wristband code typed by hand (keys slower than a scanner's) or
        // pasted is not checked.
        {Key::WristbandsMustBeScanned, File::Wardcheck, QStringLiteral("policy/wristbandsMustBeScanned"), false,
         Layer::PresetUser},
        // For wristbandsMustBeScanned, the most a wristband's keys may come
        // apart on average, in milliseconds. A ward whose scanners deliver
        // keys in uneven bursts (Bluetooth, remote desktop) may need more.
        // Held between the bounds below: under the lower one a wired scanner
        // fails, over the upper one a quick typist passes.
        {Key::ScanMeanGapLimitMs, File::Wardcheck, QStringLiteral("policy/scanMeanGapLimitMs"), 25, Layer::PresetUser},
        // How long one statement may take before the lookup reports an
        // error; hospital IT's to choose. Held between 1 and 600 seconds.
        {Key::QueryTimeoutSeconds, File::Wardcheck, QStringLiteral("database/queryTimeoutSeconds"), 30, Layer::Preset},
        {Key::WardcheckLocked, File::Wardcheck, QStringLiteral("preset/locked"), false, Layer::Preset},
    };
    return definitions;
}

const Definition &definition(Key key);
// The file's name without ".ini".
QString fileName(File file);

// The value as the layers decide it, or the key's default.
QVariant value(Key key);
// The preset sets this key and users may not change it.
bool isLocked(Key key);
// Remembers a user's value (keys of the PresetUser layer only); a locked key
// is left as the preset has it.
void remember(Key key, const QVariant &value);

} // namespace Settings

// The settings of Wardcheck itself, as the screens and the printer read them.
namespace WardcheckSettings {

QString wristbandPrinter(); // trimmed
bool wristbandsMustBeScanned();

inline constexpr int ScanMeanGapDefaultMs = 25;
inline constexpr int ScanMeanGapLeastMs = 10;
inline constexpr int ScanMeanGapMostMs = 60;
// Unset or not a whole number: the default; otherwise held between the bounds.
int scanMeanGapLimitMs();

inline constexpr int QueryTimeoutDefaultSeconds = 30;
inline constexpr int QueryTimeoutLeastSeconds = 1;
inline constexpr int QueryTimeoutMostSeconds = 600;
int queryTimeoutSeconds();

} // namespace WardcheckSettings
