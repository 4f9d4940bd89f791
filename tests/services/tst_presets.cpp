// Hospital IT writes the database choice, the wristband printer and the
// policies once, for every user of a PC (Qt's system scope: XDG_CONFIG_DIRS
// here); a user's own remembered values come on top, unless the preset is
// locked.
#include "currentuser.h"
#include "logindialog.h"
#include "settings.h"
#include "settingsstore.h"
#include "testmain.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
}

// One setting as its file holds it, written here by hand so that a key
// misspelt in the table fails: a value for the preset and one for the user,
// each as the file holds it and as the program reads it.
struct Row
{
    const char *tag;
    Settings::Key key;
    const char *file;
    const char *group;
    const char *name;
    QVariant defaultValue;
    bool usersMayChange;
    const char *preset;
    QVariant presetValue;
    const char *own;
    QVariant ownValue;
};

QList<Row> rows()
{
    using K = Settings::Key;
    const QString none;
    return {
        {"login kind", K::LoginKind, "Orvane_User", "login", "kind", QStringLiteral("embedded"), true, "ODBC",
         QStringLiteral("odbc"), "embedded", QStringLiteral("embedded")},
        {"login database", K::LoginDatabase, "Orvane_User", "login", "database", none, true, "DSN=Hospital",
         QStringLiteral("DSN=Hospital"), "/tmp/ward.db", QStringLiteral("/tmp/ward.db")},
        {"login user name", K::LoginUserName, "Orvane_User", "login", "userName", none, true, "nurse",
         QStringLiteral("nurse"), "lab", QStringLiteral("lab")},
        {"login preset locked", K::LoginLocked, "Orvane_User", "preset", "locked", false, false, "True", true, "no",
         false},
        {"wristband printer", K::WristbandPrinter, "Wardcheck", "printing", "wristbandPrinter", none, true, "Wristband",
         QStringLiteral("Wristband"), "Office", QStringLiteral("Office")},
        {"wristbands must be scanned", K::WristbandsMustBeScanned, "Wardcheck", "policy", "wristbandsMustBeScanned",
         false, false, "yes", true, "false", false},
        {"scan mean gap limit", K::ScanMeanGapLimitMs, "Wardcheck", "policy", "scanMeanGapLimitMs", 25, false, "40", 40,
         "15", 15},
        {"query timeout", K::QueryTimeoutSeconds, "Wardcheck", "database", "queryTimeoutSeconds", 30, false, " 5 ", 5,
         "9", 9},
        {"login timeout", K::LoginTimeoutSeconds, "Wardcheck", "database", "loginTimeoutSeconds", 15, false, "40", 40,
         "9", 9},
        {"audit", K::AuditEnabled, "Wardcheck", "audit", "enabled", false, false, "TRUE", true, "false", false},
        {"Wardcheck preset locked", K::WardcheckLocked, "Wardcheck", "preset", "locked", false, false, "1", true, "off",
         false},
    };
}

} // namespace

Q_DECLARE_METATYPE(Settings::Key)

class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void newUsersLoginDialog_data();
    void newUsersLoginDialog();
    void lockedPresetIsNotRemembered();
    void demoIsNotRemembered();
    void wardcheckSettings_data();
    void wardcheckSettings();
    void everySetting_data();
    void everySetting();
    void presetProblems_data();
    void presetProblems();
    void everyKeyIsInTheTable();
    void scanMeanGapLimit_data();
    void scanMeanGapLimit();

private:
    QTemporaryDir m_system;
    QTemporaryDir m_home;
    QTemporaryDir m_files;
};

void TestPresets::initTestCase()
{
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_system.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.path()));
    qunsetenv("WARDCHECK_DATABASE");
}

void TestPresets::init()
{
    for (const char *name : {"Orvane_User", "Wardcheck"}) {
        SettingsStore::remove(SettingsStore::Scope::Preset, QLatin1String(name));
        SettingsStore::remove(SettingsStore::Scope::User, QLatin1String(name));
    }
}

void TestPresets::newUsersLoginDialog_data()
{
    QTest::addColumn<QByteArray>("preset");
    QTest::addColumn<QByteArray>("user"); // %1: an existing database file
    QTest::addColumn<int>("kind"); // index in the dialog: 0 embedded file, 1 SQL Server
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QString>("note"); // what the dialog says above its fields; empty: nothing

    const QByteArray server =
        "[login]\nkind=odbc\ndatabase=\"Driver={FreeTDS};Server=sql1.hospital.local;Port=1433\"\n";
    const QByteArray remembered = "[login]\nkind=embedded\ndatabase=%1\nuserName=nurse\n";
    const QString serverText = QStringLiteral("Driver={FreeTDS};Server=sql1.hospital.local;Port=1433");
    QTest::newRow("the preset, for a new user") << server << QByteArray() << 1 << serverText << "" << false << "";
    QTest::newRow("the user's own choice on top") << server << remembered << 0 << "%1"
                                                  << "nurse" << false << "";
    QTest::newRow("a locked preset wins") << server + "[preset]\nlocked=true\n"
                                          << remembered << 1 << serverText << "nurse" << true << "";
    QTest::newRow("the kind in capitals")
        << QByteArray("[login]\nkind=ODBC\ndatabase=DSN=Hospital\n") << QByteArray() << 1 << "DSN=Hospital"
        << "" << false << "";
    // Never the demo database unasked: an installed program says what IT must set.
    QTest::newRow("nothing set") << QByteArray() << QByteArray() << 0 << ""
                                 << "" << false << "No hospital database is set for this PC.";
    QTest::newRow("a remembered file that has gone")
        << QByteArray() << QByteArray("[login]\nkind=embedded\ndatabase=/gone/ward.db\n") << 0 << "/gone/ward.db"
        << "" << false << "The hospital database file /gone/ward.db does not exist.";
    QTest::newRow("a misspelt preset") << QByteArray("[login]\nkind=odbc\ndatabse=DSN=Hospital\n") << QByteArray() << 1
                                       << ""
                                       << "" << false << "no such setting (login/database was meant?)";
}

void TestPresets::newUsersLoginDialog()
{
    QFETCH(QByteArray, preset);
    QFETCH(QByteArray, user);
    QFETCH(int, kind);
    QFETCH(QString, database);
    QFETCH(QString, userName);
    QFETCH(bool, locked);
    QFETCH(QString, note);
    const QString file = m_files.filePath(QStringLiteral("ward.db"));
    writeFile(file, "not opened here");
    SettingsStore::write(SettingsStore::Scope::Preset, QLatin1String("Orvane_User"), preset);
    if (!user.isEmpty())
        SettingsStore::write(SettingsStore::Scope::User, QLatin1String("Orvane_User"),
                             QString::fromUtf8(user).arg(file).toUtf8());
    database.replace(QStringLiteral("%1"), file);

    // What the user component's login dialog shows, seen while it is open.
    QString shown;
    int shownKind = -1;
    QString shownUser;
    bool kindEditable = true, databaseEditable = true;
    QStringList notes;
    QString title;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<LoginDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        shownKind = dialog->findChild<QComboBox *>(QStringLiteral("cboDatabaseKind"))->currentIndex();
        kindEditable = dialog->findChild<QComboBox *>(QStringLiteral("cboDatabaseKind"))->isEnabled();
        const auto *text = dialog->findChild<QLineEdit *>(QStringLiteral("txtDatabase"));
        shown = text->text();
        databaseEditable = !text->isReadOnly();
        shownUser = dialog->findChild<QLineEdit *>(QStringLiteral("txtUserName"))->text();
        notes = dialog->notes();
        title = dialog->windowTitle();
        dialog->reject();
    });
    CurrentUser component;
    component.ShowMain();
    QCOMPARE(shownKind, kind);
    QCOMPARE(shown, database);
    QCOMPARE(shownUser, userName);
    QCOMPARE(kindEditable, !locked);
    QCOMPARE(databaseEditable, !locked);
    QCOMPARE(title, QStringLiteral("Wardcheck - Log In"));
    if (note.isEmpty())
        QCOMPARE(notes, QStringList());
    else
        QVERIFY2(notes.join(QLatin1Char('\n')).contains(note), qPrintable(notes.join(QLatin1Char('\n'))));
}

void TestPresets::lockedPresetIsNotRemembered()
{
    SettingsStore::write(SettingsStore::Scope::Preset, QLatin1String("Orvane_User"),
                         "[login]\nkind=odbc\ndatabase=DSN=Hospital\n[preset]\nlocked=true\n");
    CurrentUser::remember(ConnectionSettings{ConnectionSettings::Kind::Embedded, QStringLiteral("/tmp/other.db"),
                                             QStringLiteral("lab"), QString()});
    const QByteArray stored = SettingsStore::text(SettingsStore::Scope::User, QStringLiteral("Orvane_User"));
    QVERIFY2(!stored.contains("other.db") && !stored.contains("embedded"), stored.constData());
    QVERIFY(stored.contains("lab")); // the user name is not part of the preset
    const ConnectionSettings back = CurrentUser::rememberedSettings();
    QCOMPARE(back.kind, ConnectionSettings::Kind::Odbc);
    QCOMPARE(back.database, QStringLiteral("DSN=Hospital"));
    QCOMPARE(back.userName, QStringLiteral("lab"));
}

void TestPresets::demoIsNotRemembered()
{
    CurrentUser::remember(ConnectionSettings{ConnectionSettings::Kind::Embedded, QStringLiteral("/opt/demo.db"),
                                             QStringLiteral("nurse"), QString()},
                          true);
    const QByteArray stored = SettingsStore::text(SettingsStore::Scope::User, QStringLiteral("Orvane_User"));
    QVERIFY2(!stored.contains("demo.db") && !stored.contains("kind"), stored.constData());
    QCOMPARE(CurrentUser::rememberedSettings().database, QString());
}

void TestPresets::wardcheckSettings_data()
{
    QTest::addColumn<QByteArray>("preset");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QString>("printer");
    QTest::addColumn<bool>("mustScan");
    QTest::addColumn<int>("querySeconds"); // what a login is given
    QTest::addColumn<int>("loginSeconds");
    const QByteArray preset = "[printing]\nwristbandPrinter=Wristband\n[policy]\nwristbandsMustBeScanned=true\n"
                              "[database]\nqueryTimeoutSeconds=5\nloginTimeoutSeconds=40\n";
    const QByteArray user = "[printing]\nwristbandPrinter=Office\n[policy]\nwristbandsMustBeScanned=false\n"
                            "[database]\nqueryTimeoutSeconds=600\nloginTimeoutSeconds=120\n";
    QTest::newRow("nothing set") << QByteArray() << QByteArray() << "" << false << 30 << 15;
    QTest::newRow("the preset") << preset << QByteArray() << "Wristband" << true << 5 << 40;
    // The scanned-wristband policy and the time limits are the machine's: a
    // user cannot turn them off or widen them.
    QTest::newRow("the user's own on top") << preset << user << "Office" << true << 5 << 40;
    QTest::newRow("locked") << preset + "[preset]\nlocked=true\n" << user << "Wristband" << true << 5 << 40;
}

void TestPresets::wardcheckSettings()
{
    QFETCH(QByteArray, preset);
    QFETCH(QByteArray, user);
    QFETCH(QString, printer);
    QFETCH(bool, mustScan);
    QFETCH(int, querySeconds);
    QFETCH(int, loginSeconds);
    if (!preset.isEmpty())
        SettingsStore::write(SettingsStore::Scope::Preset, QLatin1String("Wardcheck"), preset);
    if (!user.isEmpty())
        SettingsStore::write(SettingsStore::Scope::User, QLatin1String("Wardcheck"), user);
    QCOMPARE(WardcheckSettings::wristbandPrinter(), printer);
    QCOMPARE(WardcheckSettings::wristbandsMustBeScanned(), mustScan);
    QCOMPARE(CurrentUser::rememberedSettings().queryTimeoutSeconds, querySeconds);
    QCOMPARE(CurrentUser::rememberedSettings().loginTimeoutSeconds, loginSeconds);
}

void TestPresets::everySetting_data()
{
    QTest::addColumn<Settings::Key>("key");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<bool>("usersMayChange");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QVariant>("presetValue");
    QTest::addColumn<QString>("own");
    QTest::addColumn<QVariant>("ownValue");
    for (const Row &row : rows()) {
        QTest::newRow(row.tag) << row.key << QString::fromLatin1(row.file) << QString::fromLatin1(row.group)
                               << QString::fromLatin1(row.name) << row.defaultValue << row.usersMayChange
                               << QString::fromLatin1(row.preset) << row.presetValue << QString::fromLatin1(row.own)
                               << row.ownValue;
    }
}

// Each setting in each layer: its default with nothing written, the
// preset's value (read without regard to case or blanks where they mean
// nothing), the user's on top (where users may change it), the user's
// ignored under a locked preset; and a value remembered goes to the user's
// own file, unless the preset is locked.
void TestPresets::everySetting()
{
    QFETCH(Settings::Key, key);
    QFETCH(QString, file);
    QFETCH(QString, group);
    QFETCH(QString, name);
    QFETCH(QVariant, defaultValue);
    QFETCH(bool, usersMayChange);
    QFETCH(QString, preset);
    QFETCH(QVariant, presetValue);
    QFETCH(QString, own);
    QFETCH(QVariant, ownValue);
    const QByteArray presetLines = QStringLiteral("[%1]\n%2=%3\n").arg(group, name, preset).toUtf8();
    const auto stored = [&] {
        return SettingsStore::value(SettingsStore::Scope::User, file, group + QLatin1Char('/') + name);
    };

    QCOMPARE(Settings::value(key), defaultValue);
    QCOMPARE(Settings::read(key).source, Settings::Source::Default);
    QCOMPARE(Settings::isLocked(key), false);

    SettingsStore::write(SettingsStore::Scope::Preset, file, presetLines);
    QCOMPARE(Settings::value(key), presetValue);
    QCOMPARE(Settings::read(key).source, Settings::Source::Preset);

    SettingsStore::write(SettingsStore::Scope::User, file,
                         QStringLiteral("[%1]\n%2=%3\n").arg(group, name, own).toUtf8());
    QCOMPARE(Settings::value(key), usersMayChange ? ownValue : presetValue);
    QCOMPARE(Settings::problems().isEmpty(), usersMayChange);
    if (usersMayChange) {
        Settings::remember(key, QStringLiteral("remembered"));
        QCOMPARE(stored().toString(), QStringLiteral("remembered"));
    }

    SettingsStore::write(SettingsStore::Scope::Preset, file, presetLines + "[preset]\nlocked=true\n");
    QCOMPARE(Settings::value(key), presetValue);
    QCOMPARE(Settings::isLocked(key), true);
    QCOMPARE(Settings::read(key).locked, true);
    if (usersMayChange) {
        Settings::remember(key, QStringLiteral("changed"));
        QCOMPARE(stored().toString(), QStringLiteral("remembered"));
    }
}

// A preset with an error keeps the key's default and says what is wrong and
// where, once, in words hospital IT can act on.
void TestPresets::presetProblems_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("preset");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<Settings::Key>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("said");
    using K = Settings::Key;
    const QString w = QStringLiteral("Wardcheck");
    const QString u = QStringLiteral("Orvane_User");
    QTest::newRow("a word for a number")
        << w << QByteArray("[database]\nqueryTimeoutSeconds=soon\n") << QByteArray() << K::QueryTimeoutSeconds
        << QVariant(30) << "queryTimeoutSeconds is \"soon\", which is not a whole number; Wardcheck uses 30.";
    QTest::newRow("out of bounds") << w << QByteArray("[database]\nqueryTimeoutSeconds=900\n") << QByteArray()
                                   << K::QueryTimeoutSeconds << QVariant(30)
                                   << "queryTimeoutSeconds is 900, outside 1 to 600; Wardcheck uses 30.";
    QTest::newRow("a fraction") << w << QByteArray("[policy]\nscanMeanGapLimitMs=30.5\n") << QByteArray()
                                << K::ScanMeanGapLimitMs << QVariant(25)
                                << "which is not a whole number; Wardcheck uses 25.";
    QTest::newRow("below the least") << w << QByteArray("[policy]\nscanMeanGapLimitMs=3\n") << QByteArray()
                                     << K::ScanMeanGapLimitMs << QVariant(25) << "is 3, outside 10 to 60";
    QTest::newRow("a misspelt choice") << u << QByteArray("[login]\nkind=sqlserver\n") << QByteArray() << K::LoginKind
                                       << QVariant(QStringLiteral("embedded"))
                                       << "kind is \"sqlserver\", which is not one of: odbc, embedded; Wardcheck uses "
                                          "embedded.";
    QTest::newRow("neither true nor false")
        << w << QByteArray("[policy]\nwristbandsMustBeScanned=always\n") << QByteArray() << K::WristbandsMustBeScanned
        << QVariant(false) << "is \"always\", which is neither true nor false; Wardcheck uses false.";
    QTest::newRow("a misspelt key") << w << QByteArray("[policy]\nwristbandMustBeScanned=true\n") << QByteArray()
                                    << K::WristbandsMustBeScanned << QVariant(false)
                                    << "no such setting (policy/wristbandsMustBeScanned was meant?); Wardcheck does "
                                       "not read it.";
    QTest::newRow("a key no setting has")
        << u << QByteArray("[login]\nserver=sql1\n") << QByteArray() << K::LoginKind
        << QVariant(QStringLiteral("embedded")) << "server: no such setting; Wardcheck does not read it.";
    // Unquoted, Qt's INI reading splits a value at its commas: the
    // connection string would be lost, or worse, cut.
#ifndef Q_OS_WIN
    // A registry value has no such reading.
    QTest::newRow("a connection string, unquoted")
        << u << QByteArray("[login]\nkind=odbc\ndatabase=Driver={ODBC Driver 18 for SQL Server};Server=tcp:sql1,1433\n")
        << QByteArray() << K::LoginDatabase << QVariant(QString())
        << "database holds a ; or a , outside double quotes, where the file's reading ends or splits it; put the "
           "value in double quotes; Wardcheck uses nothing.";
#endif
    QTest::newRow("the user's own policy")
        << w << QByteArray("[policy]\nwristbandsMustBeScanned=true\n")
        << QByteArray("[policy]\nwristbandsMustBeScanned=false\n") << K::WristbandsMustBeScanned << QVariant(true)
        << "wristbandsMustBeScanned: set by the machine's preset only; Wardcheck "
           "does not read it here.";
}

void TestPresets::presetProblems()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, preset);
    QFETCH(QByteArray, user);
    QFETCH(Settings::Key, key);
    QFETCH(QVariant, value);
    QFETCH(QString, said);
    SettingsStore::write(SettingsStore::Scope::Preset, file, preset);
    if (!user.isEmpty())
        SettingsStore::write(SettingsStore::Scope::User, file, user);
    QCOMPARE(Settings::value(key), value);
    const QStringList problems = Settings::problems();
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems.first().contains(said), qPrintable(problems.first()));
    const Settings::Source where = user.isEmpty() ? Settings::Source::Preset : Settings::Source::User;
    QVERIFY2(problems.first().startsWith(Settings::location(Settings::definition(key).file, where)),
             qPrintable(problems.first()));
}

void TestPresets::everyKeyIsInTheTable()
{
    QList<Settings::Key> tested;
    for (const Row &row : rows())
        tested << row.key;
    QList<Settings::Key> defined;
    for (const Settings::Definition &definition : Settings::table()) {
        QCOMPARE(Settings::definition(definition.key).name, definition.name);
        defined << definition.key;
    }
    QCOMPARE(defined, tested);
}

// The ward's limit for a scanned wristband, held between its bounds.
void TestPresets::scanMeanGapLimit_data()
{
    QTest::addColumn<QByteArray>("preset");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<int>("limit");
    const auto policy = [](const char *value) { return QByteArray("[policy]\nscanMeanGapLimitMs=") + value + "\n"; };
    QTest::newRow("nothing set") << QByteArray() << QByteArray() << 25;
    QTest::newRow("the preset") << policy("40") << QByteArray() << 40;
    QTest::newRow("the least") << policy("10") << QByteArray() << 10;
    QTest::newRow("the most") << policy("60") << QByteArray() << 60;
    // Outside its bounds the value is an error: the default, not a guess.
    QTest::newRow("below the least") << policy("3") << QByteArray() << 25;
    QTest::newRow("zero") << policy("0") << QByteArray() << 25;
    QTest::newRow("above the most") << policy("250") << QByteArray() << 25;
    QTest::newRow("not a number") << policy("fast") << QByteArray() << 25;
    QTest::newRow("blanks around") << policy(" 35 ") << QByteArray() << 35;
    // The machine's policy alone counts: a user cannot widen it.
    QTest::newRow("the user's own") << policy("40") << policy("60") << 40;
}

void TestPresets::scanMeanGapLimit()
{
    QFETCH(QByteArray, preset);
    QFETCH(QByteArray, user);
    QFETCH(int, limit);
    if (!preset.isEmpty())
        SettingsStore::write(SettingsStore::Scope::Preset, QLatin1String("Wardcheck"), preset);
    if (!user.isEmpty())
        SettingsStore::write(SettingsStore::Scope::User, QLatin1String("Wardcheck"), user);
    QCOMPARE(WardcheckSettings::scanMeanGapLimitMs(), limit);
}

WARDCHECK_TEST_MAIN(TestPresets)
#include "tst_presets.moc"
