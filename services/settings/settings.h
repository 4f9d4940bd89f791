#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// Every setting the program reads: its file, its key in that file, what it
// takes, its default and its layer, in the one table below.
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
//
// A value that is not one its key takes (a word where a number belongs, a
// number out of bounds, a misspelt choice, a value of the wrong registry
// type), a key no setting has, and a file that cannot be read are never
// guessed at: the key keeps its default and problems() says what is wrong
// and where, in words hospital IT can act on.
namespace Settings {

enum class File {
    OrvaneUser, // Orvane_User.ini: the user component's login
    Wardcheck, // Wardcheck.ini: the program itself
};

enum class Layer {
    Preset, // read from the preset only
    PresetUser, // the user's own value on top of the preset, unless the preset is locked
};

enum class Type {
    Text,
    Flag, // true or false (also 1 and 0, yes and no, on and off), in any case
    Number, // a whole number between least and most
    Choice, // one of choices, in any case
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
    LoginTimeoutSeconds,
    AuditEnabled,
    WardcheckLocked,
};

struct Definition
{
    Key key;
    File file;
    QString name; // "group/key", as QSettings names it
    Type type;
    QVariant defaultValue;
    Layer layer;
    int least = 0; // Number
    int most = 0;
    QStringList choices = {}; // Choice, in lower case
};

inline const QList<Definition> &table()
{
    static const QList<Definition> definitions = {
        // "odbc": a SQL Server reached through ODBC; "embedded": a database
        // file. Remembered after each login.
        {Key::LoginKind,
         File::OrvaneUser,
         QStringLiteral("login/kind"),
         Type::Choice,
         QStringLiteral("embedded"),
         Layer::PresetUser,
         0,
         0,
         {QStringLiteral("odbc"), QStringLiteral("embedded")}},
        // The file, or the ODBC connection without its password. Remembered;
        // never the demo database.
        {Key::LoginDatabase, File::OrvaneUser, QStringLiteral("login/database"), Type::Text, QString(),
         Layer::PresetUser},
        // The user name the login dialog starts with. Remembered.
        {Key::LoginUserName, File::OrvaneUser, QStringLiteral("login/userName"), Type::Text, QString(),
         Layer::PresetUser},
        // What this file's preset sets wins over what users remember, and
        // the login dialog does not let the database be changed.
        {Key::LoginLocked, File::OrvaneUser, QStringLiteral("preset/locked"), Type::Flag, false, Layer::Preset},
        // The print queue for wristbands, and no other; empty: the default
        // printer, or a PDF file when none is installed.
        {Key::WristbandPrinter, File::Wardcheck, QStringLiteral("printing/wristbandPrinter"), Type::Text, QString(),
         Layer::PresetUser},
        // A wristband code typed by hand (keys slower than a scanner's) or
        // pasted is not checked. The ward's rule: a user cannot turn it off.
        {Key::WristbandsMustBeScanned, File::Wardcheck, QStringLiteral("policy/wristbandsMustBeScanned"), Type::Flag,
         false, Layer::Preset},
        // For wristbandsMustBeScanned, the most a wristband's keys may come
        // apart on average, in milliseconds. A ward whose scanners deliver
        // keys in uneven bursts (Bluetooth, remote desktop) may need more.
        // Under the lower bound a wired scanner fails, over the upper one a
        // quick typist passes.
        {Key::ScanMeanGapLimitMs, File::Wardcheck, QStringLiteral("policy/scanMeanGapLimitMs"), Type::Number, 25,
         Layer::Preset, 10, 60},
        // How long a lookup may wait for the hospital database's answers
        // before it reports an error (a new login may add its own time);
        // hospital IT's to choose.
        {Key::QueryTimeoutSeconds, File::Wardcheck, QStringLiteral("database/queryTimeoutSeconds"), Type::Number, 30,
         Layer::Preset, 1, 600},
        // How long a login to the hospital database may take, the driver's
        // first queries included, before it reports an error. A lookup that
        // must log in again waits this much longer at the most.
        {Key::LoginTimeoutSeconds, File::Wardcheck, QStringLiteral("database/loginTimeoutSeconds"), Type::Number, 15,
         Layer::Preset, 1, 120},
        // A record of each bedside check in the system log (the systemd
        // journal, Windows' event log), for the ward's safety review; it
        // holds patients' hospital numbers. The machine's to decide: off
        // unless its preset turns it on.
        {Key::AuditEnabled, File::Wardcheck, QStringLiteral("audit/enabled"), Type::Flag, false, Layer::Preset},
        // What this file's preset sets (the wristband printer) wins over
        // what users have set.
        {Key::WardcheckLocked, File::Wardcheck, QStringLiteral("preset/locked"), Type::Flag, false, Layer::Preset},
    };
    return definitions;
}

const Definition &definition(Key key);
// The file's name without ".ini".
QString fileName(File file);

// Where a value in effect came from.
enum class Source { Default, Preset, User };

struct Reading
{
    QVariant value; // Text and Choice: a string (a choice in lower case); Flag: bool; Number: int
    Source source = Source::Default;
    bool locked = false; // the preset sets the key and users may not change it
};

// The value as the layers decide it, or the key's default.
QVariant value(Key key);
Reading read(Key key);
bool isLocked(Key key);
// Remembers a user's value (keys of the PresetUser layer only); a locked key
// is left as the preset has it.
void remember(Key key, const QVariant &value);

// Where the preset or the user's values are kept: a file's path, or on
// Windows a registry key.
QString location(File file, Source source);

// What is wrong in the preset and the user's values, each a sentence that
// says where, what, and what Wardcheck does instead.
QStringList problems();

} // namespace Settings

// The settings of Wardcheck itself, as the screens and the printer read them.
namespace WardcheckSettings {

QString wristbandPrinter(); // trimmed
bool wristbandsMustBeScanned();
int scanMeanGapLimitMs();
int queryTimeoutSeconds();

} // namespace WardcheckSettings
