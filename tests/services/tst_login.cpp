#include "authenticator.h"
#include "currentuser.h"
#include "fixture.h"
#include "logindialog.h"
#include "passwordhash.h"
#include "settingsstore.h"
#include "testmain.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <sodium.h>

namespace {

ConnectionSettings embedded(const QString &path, const QString &user, const QString &password)
{
    return ConnectionSettings{ConnectionSettings::Kind::Embedded, path, user, password};
}

QPushButton *okButton(LoginDialog &dialog)
{
    return dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok);
}

void fill(LoginDialog &dialog, const QString &user, const QString &password)
{
    dialog.findChild<QLineEdit *>(QStringLiteral("txtUserName"))->setText(user);
    dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(password);
}

} // namespace

class TestLogin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void hashesAreArgon2id();
    void logIn_data();
    void logIn();
    void notAHospitalDatabase();
    void throttleDoubles_data();
    void throttleDoubles();
    void dialogSaysWhyAndWaits();
    void dialogAcceptsAGoodLogin();
    void componentLogsInAndKeepsOneConnection();
    void cancelLeavesNoConnection();
    void remembersNeverThePassword();
    void remembersNoPasswordTypedIntoTheConnection_data();
    void remembersNoPasswordTypedIntoTheConnection();
    void unknownUsersCostWhatAnAccountCosts();

private:
    std::unique_ptr<FixtureDb> m_db;
};

void TestLogin::initTestCase()
{
    LoginThrottle::setUnit(std::chrono::milliseconds(20));
}

void TestLogin::init()
{
    m_db = std::make_unique<FixtureDb>();
    m_db->user(QStringLiteral("nurse"), QStringLiteral("s3cret pass"));
    m_db->user(QStringLiteral("lab"), QStringLiteral("other"));
    m_db->close();
}

void TestLogin::hashesAreArgon2id()
{
    const QByteArray a = PasswordHash::make(QStringLiteral("pw"), PasswordHash::Cost::Minimal);
    const QByteArray b = PasswordHash::make(QStringLiteral("pw"), PasswordHash::Cost::Minimal);
    QVERIFY(a.startsWith("$argon2id$"));
    QVERIFY(a != b); // salted
    QVERIFY(!a.contains("pw$"));
    QVERIFY(PasswordHash::verify(a, QStringLiteral("pw")));
    QVERIFY(!PasswordHash::verify(a, QStringLiteral("pW")));
    QVERIFY(!PasswordHash::verify(QByteArray("pw"), QStringLiteral("pw"))); // never a plain text
}

void TestLogin::logIn_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("failure");
    QTest::newRow("right") << "nurse"
                           << "s3cret pass"
                           << "";
    QTest::newRow("user name in other case") << "NURSE"
                                             << "s3cret pass"
                                             << "";
    QTest::newRow("wrong password") << "nurse"
                                    << "s3cret" << Authenticator::WrongLogin;
    QTest::newRow("password of another user") << "nurse"
                                              << "other" << Authenticator::WrongLogin;
    QTest::newRow("unknown user") << "doctor"
                                  << "s3cret pass" << Authenticator::WrongLogin;
    QTest::newRow("hostile user") << "x' or '1'='1"
                                  << "x' or '1'='1" << Authenticator::WrongLogin;
    QTest::newRow("empty password") << "nurse"
                                    << "" << Authenticator::WrongLogin;
    QTest::newRow("no user") << "  "
                             << "s3cret pass"
                             << "Please enter your user name.";
}

void TestLogin::logIn()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, failure);
    try {
        auto connection = Authenticator::logIn(embedded(m_db->path(), user, password));
        QVERIFY2(failure.isEmpty(), "logged in when it should not");
        QVERIFY(connection->isOpen());
        QVERIFY(connection->settings().password.isEmpty());
    } catch (const LoginError &e) {
        QCOMPARE(e.message(), failure);
    }
}

void TestLogin::notAHospitalDatabase()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.db"));
    {
        DbWriter writer(path);
        writer.exec(QStringLiteral("drop table wc_user"));
    }
    try {
        Authenticator::logIn(embedded(path, QStringLiteral("nurse"), QStringLiteral("x")));
        QFAIL("logged in to a database without accounts");
    } catch (const LoginError &e) {
        QVERIFY2(e.message().contains(QLatin1String("is not a hospital database for Wardcheck")),
                 qPrintable(e.message()));
    }
    try {
        Authenticator::logIn(
            embedded(dir.filePath(QStringLiteral("gone.db")), QStringLiteral("nurse"), QStringLiteral("x")));
        QFAIL("logged in to a missing file");
    } catch (const LoginError &e) {
        QVERIFY2(e.message().contains(QLatin1String("does not exist")), qPrintable(e.message()));
    }
}

void TestLogin::throttleDoubles_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<int>("units");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("first") << 1 << 1;
    QTest::newRow("second") << 2 << 2;
    QTest::newRow("third") << 3 << 4;
    QTest::newRow("seventh") << 7 << 60;
    QTest::newRow("many") << 40 << 60;
}

void TestLogin::throttleDoubles()
{
    QFETCH(int, failures);
    QFETCH(int, units);
    LoginThrottle throttle;
    for (int i = 0; i < failures; ++i)
        throttle.recordFailure();
    QCOMPARE(throttle.delay(), std::chrono::milliseconds(20 * units));
    throttle.recordSuccess();
    QCOMPARE(throttle.delay(), std::chrono::milliseconds(0));
}

void TestLogin::dialogSaysWhyAndWaits()
{
    LoginDialog dialog;
    dialog.setSettings(embedded(m_db->path(), QStringLiteral("nurse"), QString()));
    dialog.show();
    QElapsedTimer clock;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        fill(dialog, QStringLiteral("nurse"), QStringLiteral("wrong"));
        clock.start();
        QTest::mouseClick(okButton(dialog), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.message().startsWith(Authenticator::WrongLogin));
        QVERIFY(dialog.message().contains(QLatin1String("Please wait")));
        QVERIFY(!okButton(dialog)->isEnabled());
        // Confirming while it waits does nothing at all, right password or not.
        fill(dialog, QStringLiteral("nurse"), QStringLiteral("s3cret pass"));
        dialog.accept();
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.takeConnection());
        QTRY_VERIFY(okButton(dialog)->isEnabled());
        QVERIFY2(clock.elapsed() >= 20 * (1 << (attempt - 1)) - 5, "waited less than the throttle asks");
        QCOMPARE(dialog.message(), Authenticator::WrongLogin);
    }
    QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->text(), QStringLiteral("s3cret pass"));
}

void TestLogin::dialogAcceptsAGoodLogin()
{
    LoginDialog dialog;
    dialog.setSettings(embedded(m_db->path(), QString(), QString()));
    dialog.show();
    fill(dialog, QStringLiteral("nurse"), QStringLiteral("s3cret pass"));
    QTest::mouseClick(okButton(dialog), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    auto connection = dialog.takeConnection();
    QVERIFY(connection && connection->isOpen());
}

void TestLogin::componentLogsInAndKeepsOneConnection()
{
    qputenv("WARDCHECK_DATABASE", m_db->path().toUtf8());
    CurrentUser user;
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<LoginDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QCOMPARE(dialog->settings().database, qEnvironmentVariable("WARDCHECK_DATABASE"));
        fill(*dialog, QStringLiteral("nurse"), QStringLiteral("s3cret pass"));
        dialog->accept();
    });
    user.ShowMain();
    QCOMPARE(user.Connected(), QVariant(true));
    Connection *first = user.SQLConnection();
    QVERIFY(first);
    QCOMPARE(user.SQLConnection(), first);
    first->Close();
    first->Open();
    QCOMPARE(user.SQLConnection(), first);
    QVERIFY(user.SQLConnection()->isOpen());
    qunsetenv("WARDCHECK_DATABASE");
}

void TestLogin::cancelLeavesNoConnection()
{
    CurrentUser user;
    QTimer::singleShot(0, [] {
        auto *dialog = qobject_cast<LoginDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->reject();
    });
    user.ShowMain();
    QCOMPARE(user.Connected().toBool(), false);
    QVERIFY(!user.SQLConnection());
}

void TestLogin::remembersNeverThePassword()
{
    const QString password = QStringLiteral("Unique-Passw0rd-%1").arg(QDateTime::currentMSecsSinceEpoch());
    CurrentUser::remember(ConnectionSettings{ConnectionSettings::Kind::Odbc, QStringLiteral("DSN=Hospital"),
                                             QStringLiteral("ward"), password});
    const QByteArray stored = SettingsStore::text(SettingsStore::Scope::User, QStringLiteral("Orvane_User"));
    QVERIFY(stored.contains("ward"));
    QVERIFY(!stored.contains(password.toUtf8()));
    const ConnectionSettings back = CurrentUser::rememberedSettings();
    QCOMPARE(back.kind, ConnectionSettings::Kind::Odbc);
    QCOMPARE(back.database, QStringLiteral("DSN=Hospital"));
    QCOMPARE(back.userName, QStringLiteral("ward"));
    QVERIFY(back.password.isEmpty());
}

void TestLogin::remembersNoPasswordTypedIntoTheConnection_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("remembered");
    QTest::newRow("PWD") << "DSN=Hospital;UID=ward;PWD=Secret-1"
                         << "DSN=Hospital;UID=ward";
    QTest::newRow("Password, any case, blanks") << "Driver={FreeTDS};Server=db1; password = Secret-1 ;Port=1433"
                                                << "Driver={FreeTDS};Server=db1;Port=1433";
    QTest::newRow("braced, with separators") << "Driver={ODBC Driver 18 for SQL Server};Pwd={Sec;ret}}-1};Server=db1"
                                             << "Driver={ODBC Driver 18 for SQL Server};Server=db1";
    QTest::newRow("first, and twice") << "PWD=Secret-1;DSN=Hospital;PWD=Secret-1x"
                                      << "DSN=Hospital";
    QTest::newRow("only a word in other values") << "Server=pwd-host;Database=Password"
                                                 << "Server=pwd-host;Database=Password";
    QTest::newRow("a data source name") << "Hospital"
                                        << "Hospital";
}

void TestLogin::remembersNoPasswordTypedIntoTheConnection()
{
    QFETCH(QString, typed);
    QFETCH(QString, remembered);
    CurrentUser::remember(ConnectionSettings{ConnectionSettings::Kind::Odbc, typed, QStringLiteral("ward"), QString()});
    QVERIFY(!SettingsStore::text(SettingsStore::Scope::User, QStringLiteral("Orvane_User")).contains("Secret"));
    QCOMPARE(CurrentUser::rememberedSettings().database, remembered);
}

// A name that has no account is checked against a hash as costly as an
// account's, and that hash exists before anyone tries: making it at the
// first unknown name would make that first refusal slower than a wrong
// password, and so tell the name apart.
void TestLogin::unknownUsersCostWhatAnAccountCosts()
{
    const QByteArray standIn = PasswordHash::standInHash();
    QVERIFY(standIn.startsWith("$argon2id$"));
    QCOMPARE(crypto_pwhash_str_needs_rehash(standIn.constData(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                            crypto_pwhash_MEMLIMIT_INTERACTIVE),
             0);
    const QByteArray account = PasswordHash::make(QStringLiteral("s3cret pass"));
    QCOMPARE(account.left(account.indexOf('$', 20)), standIn.left(standIn.indexOf('$', 20)));
    QVERIFY(!PasswordHash::verify(standIn, QString()));
    QVERIFY(!PasswordHash::verify(standIn, QStringLiteral("no such account")));
}

WARDCHECK_TEST_MAIN(TestLogin)
#include "tst_login.moc"
