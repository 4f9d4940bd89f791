#include "authenticator.h"
#include "fixture.h"
#include "logindialog.h"
#include "standincontrol.h"
#include "testmain.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// The login dialog over ODBC, against the SQL Server stand-in: what the
// driver receives, and what a nurse is told when the server is refused.
class TestSqlServerLogin : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void userAndPasswordReachTheDriverExactly_data();
    void userAndPasswordReachTheDriverExactly();
    void untrustedCertificateIsExplained_data();
    void untrustedCertificateIsExplained();

private:
    void logIn(LoginDialog &dialog, const QString &user, const QString &password);

    std::unique_ptr<FixtureDb> m_db;
    StandinControl m_control;
};

void TestSqlServerLogin::init()
{
    m_db = std::make_unique<FixtureDb>();
    m_db->close();
    m_control.clearFaults();
    m_control.acceptAnyLogin();
}

void TestSqlServerLogin::cleanup()
{
    m_control.clearFaults();
    m_control.acceptAnyLogin();
    m_db.reset();
}

void TestSqlServerLogin::logIn(LoginDialog &dialog, const QString &user, const QString &password)
{
    ConnectionSettings settings;
    settings.kind = ConnectionSettings::Kind::Odbc;
    settings.database =
        QStringLiteral("Driver={%1};Database=%2").arg(QLatin1String(WARDCHECK_STANDIN_NAME), m_db->path());
    dialog.setSettings(settings);
    dialog.show();
    dialog.findChild<QLineEdit *>(QStringLiteral("txtUserName"))->setText(user);
    dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(password);
    QTest::mouseClick(dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
}

void TestSqlServerLogin::userAndPasswordReachTheDriverExactly_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("plain") << QStringLiteral("nurse") << QStringLiteral("s3cret");
    QTest::newRow("semicolon") << QStringLiteral("nurse") << QStringLiteral("a;Database=other");
    QTest::newRow("braces") << QStringLiteral("nurse") << QStringLiteral("{b}}c}");
    QTest::newRow("equals") << QStringLiteral("nurse") << QStringLiteral("x=y");
    QTest::newRow("all in the user name") << QStringLiteral("ward;{7}=x") << QStringLiteral("pw");
    QTest::newRow("blanks around") << QStringLiteral("nurse") << QStringLiteral(" pw ");
}

// The stand-in accepts only the login it was told, so a password or user
// name that the connection string changed on the way fails the login.
void TestSqlServerLogin::userAndPasswordReachTheDriverExactly()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    m_control.requireLogin(user.toStdString().c_str(), password.toStdString().c_str());
    LoginDialog dialog;
    logIn(dialog, user, password);
    QVERIFY2(dialog.result() == QDialog::Accepted, qPrintable(dialog.message()));
    const auto connection = dialog.takeConnection();
    QVERIFY(connection && connection->isOpen());
}

void TestSqlServerLogin::untrustedCertificateIsExplained_data()
{
    QTest::addColumn<QByteArray>("fault");
    QTest::addColumn<bool>("explained");
    QTest::newRow("certificate not trusted") << QByteArray("untrusted-certificate") << true;
    QTest::newRow("no server") << QByteArray("connect-refused") << false;
}

void TestSqlServerLogin::untrustedCertificateIsExplained()
{
    QFETCH(QByteArray, fault);
    QFETCH(bool, explained);
    m_control.setFault(fault.constData());
    LoginDialog dialog;
    logIn(dialog, QStringLiteral("nurse"), QStringLiteral("pw"));
    QVERIFY(dialog.result() != QDialog::Accepted);
    const QString message = dialog.message();
    QCOMPARE(message.contains(Authenticator::UntrustedCertificate), explained);
    if (explained)
        QVERIFY2(message.contains(QLatin1String("certificate verify failed")), qPrintable(message));
}

WARDCHECK_TEST_MAIN(TestSqlServerLogin)
#include "tst_sqlserver_login.moc"
