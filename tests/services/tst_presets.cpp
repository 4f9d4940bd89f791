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
// misspelt in the table fails.
struct Row
{
    const char *tag;
    Settings::Key key;
    const char *file;
    const char *group;
    const char *name;
    QVariant defaultValue;
    bool usersMayChange;
};

QList<Row> rows()
{
    using K = Settings::Key;
    return {
        {"login kind", K::LoginKind, "Orvane_User", "login", "kind", QStringLiteral("embedded"), true},
        {"login database", K::LoginDatabase, "Orvane_User", "login", "database", QString(), true},
        {"login user name", K::LoginUserName, "Orvane_User", "login", "userName", QString(), true},
        {"login preset locked", K::LoginLocked, "Orvane_User", "preset", "locked", false, false},
        {"wristband printer", K::WristbandPrinter, "Wardcheck", "printing", "wristbandPrinter", QString(), true},
        {"wristbands must be scanned", K::WristbandsMustBeScanned, "Wardcheck", "policy", "wristbandsMustBeScanned",
         false, true},
        {"scan mean gap limit", K::ScanMeanGapLimitMs, "Wardcheck", "policy", "scanMeanGapLimitMs", 25, true},
        {"query timeout", K::QueryTimeoutSeconds, "Wardcheck", "database", "queryTimeoutSeconds", 30, false},
        {"Wardcheck preset locked", K::WardcheckLocked, "Wardcheck", "preset", "locked", false, false},
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
    void wardcheckSettings_data();
    void wardcheckSettings();
    void everySetting_data();
    void everySetting();
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

    const QByteArray server =
        "[login]\nkind=odbc\ndatabase=\"Driver={FreeTDS};Server=sql1.hospital.local;Port=1433\"\n";
    const QByteArray remembered = "[login]\nkind=embedded\ndatabase=%1\nuserName=nurse\n";
    const QString serverText = QStringLiteral("Driver={FreeTDS};Server=sql1.hospital.local;Port=1433");
    QTest::newRow("the preset, for a new user") << server << QByteArray() << 1 << serverText << "" << false;
    QTest::newRow("the user's own choice on top") << server << remembered << 0 << "%1"
                                                  << "nurse" << false;
    QTest::newRow("a locked preset wins") << server + "[preset]\nlocked=true\n"
                                          << remembered << 1 << serverText << "nurse" << true;
}

void TestPresets::newUsersLoginDialog()
{
    QFETCH(QByteArray, preset);
    QFETCH(QByteArray, user);
    QFETCH(int, kind);
    QFETCH(QString, database);
    QFETCH(QString, userName);
    QFETCH(bool, locked);
    const QString file = m_files.filePath(QStringLiteral("ward.db"));
    writeFile(file, "not opened here");
    SettingsStore::write(SettingsStore::Scope::Preset, QLatin1String("Orvane_User"), preset);
    if (!user.isEmpty())
        SettingsStore::write(SettingsStore::Scope::User, QLatin1String("Orvane_User"), QString::fromUtf8(user).arg(file).toUtf8());
    database.replace(QStringLiteral("%1"), file);

    // What the user component's login dialog shows, seen while it is open.
    QString shown;
    int shownKind = -1;
    QString shownUser;
    bool kindEditable = true, databaseEditable = true;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<LoginDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        shownKind = dialog->findChild<QComboBox *>(QStringLiteral("cboDatabaseKind"))->currentIndex();
        kindEditable = dialog->findChild<QComboBox *>(QStringLiteral("cboDatabaseKind"))->isEnabled();
        const auto *text = dialog->findChild<QLineEdit *>(QStringLiteral("txtDatabase"));
        shown = text->text();
        databaseEditable = !text->isReadOnly();
        shownUser = dialog->findChild<QLineEdit *>(QStringLiteral("txtUserName"))->text();
        dialog->reject();
    });
    CurrentUser component;
    component.ShowMain();
    QCOMPARE(shownKind, kind);
    QCOMPARE(shown, database);
    QCOMPARE(shownUser, userName);
    QCOMPARE(kindEditable, !locked);
    QCOMPARE(databaseEditable, !locked);
}

void TestPresets::lockedPresetIsNotRemembered()
{
    SettingsStore::write(SettingsStore::Scope::Preset, QLatin1String("Orvane_User"), "[login]\nkind=odbc\ndatabase=DSN=Hospital\n[preset]\nlocked=true\n");
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

void TestPresets::wardcheckSettings_data()
{
    QTest::addColumn<QByteArray>("preset");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QString>("printer");
    QTest::addColumn<bool>("mustScan");
    const QByteArray preset = "[printing]\nwristbandPrinter=Wristband\n[policy]\nwristbandsMustBeScanned=true\n";
    const QByteArray user = "[printing]\nwristbandPrinter=Office\n[policy]\nwristbandsMustBeScanned=false\n";
    QTest::newRow("nothing set") << QByteArray() << QByteArray() << "" << false;
    QTest::newRow("the preset") << preset << QByteArray() << "Wristband" << true;
    QTest::newRow("the user's own on top") << preset << user << "Office" << false;
    QTest::newRow("locked") << preset + "[preset]\nlocked=true\n" << user << "Wristband" << true;
}

void TestPresets::wardcheckSettings()
{
    QFETCH(QByteArray, preset);
    QFETCH(QByteArray, user);
    QFETCH(QString, printer);
    QFETCH(bool, mustScan);
    if (!preset.isEmpty())
        SettingsStore::write(SettingsStore::Scope::Preset, QLatin1String("Wardcheck"), preset);
    if (!user.isEmpty())
        SettingsStore::write(SettingsStore::Scope::User, QLatin1String("Wardcheck"), user);
    QCOMPARE(WardcheckSettings::wristbandPrinter(), printer);
    QCOMPARE(WardcheckSettings::wristbandsMustBeScanned(), mustScan);
}

void TestPresets::everySetting_data()
{
    QTest::addColumn<Settings::Key>("key");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("defaultValue");
    QTest::addColumn<bool>("usersMayChange");
    for (const Row &row : rows()) {
        QTest::newRow(row.tag) << row.key << QString::fromLatin1(row.file) << QString::fromLatin1(row.group)
                               << QString::fromLatin1(row.name) << row.defaultValue << row.usersMayChange;
    }
}

// Each setting in each layer: its default with nothing written, the
// preset's value, the user's on top (where users may change it), the
// user's ignored under a locked preset; and a value remembered goes to the
// user's own file, unless the preset is locked.
void TestPresets::everySetting()
{
    QFETCH(Settings::Key, key);
    QFETCH(QString, file);
    QFETCH(QString, group);
    QFETCH(QString, name);
    QFETCH(QVariant, defaultValue);
    QFETCH(bool, usersMayChange);
    const QByteArray preset = QStringLiteral("[%1]\n%2=true\n").arg(group, name).toUtf8();
    const QByteArray own = QStringLiteral("[%1]\n%2=false\n").arg(group, name).toUtf8();
    const auto ownValue = [&] {
        return SettingsStore::value(SettingsStore::Scope::User, file, group + QLatin1Char('/') + name);
    };

    QCOMPARE(Settings::value(key), defaultValue);
    QCOMPARE(Settings::isLocked(key), false);

    SettingsStore::write(SettingsStore::Scope::Preset, file, preset);
    QCOMPARE(Settings::value(key).toString(), QStringLiteral("true"));

    SettingsStore::write(SettingsStore::Scope::User, file, own);
    QCOMPARE(Settings::value(key).toString(), usersMayChange ? QStringLiteral("false") : QStringLiteral("true"));
    if (usersMayChange) {
        Settings::remember(key, QStringLiteral("remembered"));
        QCOMPARE(ownValue().toString(), QStringLiteral("remembered"));
        QCOMPARE(Settings::value(key).toString(), QStringLiteral("remembered"));
    }

    SettingsStore::write(SettingsStore::Scope::Preset, file, preset + "[preset]\nlocked=true\n");
    QCOMPARE(Settings::value(key).toString(), QStringLiteral("true"));
    QCOMPARE(Settings::isLocked(key), true);
    if (usersMayChange) {
        Settings::remember(key, QStringLiteral("changed"));
        QCOMPARE(ownValue().toString(), QStringLiteral("remembered"));
    }
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
    QTest::newRow("below the least") << policy("3") << QByteArray() << 10;
    QTest::newRow("zero") << policy("0") << QByteArray() << 10;
    QTest::newRow("negative") << policy("-40") << QByteArray() << 10;
    QTest::newRow("above the most") << policy("250") << QByteArray() << 60;
    QTest::newRow("not a number") << policy("fast") << QByteArray() << 25;
    QTest::newRow("a fraction") << policy("30.5") << QByteArray() << 25;
    QTest::newRow("blanks around") << policy(" 35 ") << QByteArray() << 35;
    QTest::newRow("the user's own on top") << policy("40") << policy("15") << 15;
    QTest::newRow("the user's own, bounded") << policy("40") << policy("1000") << 60;
    QTest::newRow("locked") << policy("40") + "[preset]\nlocked=true\n" << policy("15") << 40;
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
