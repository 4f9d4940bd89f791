// The real SQL Server driver's failure road: FreeTDS, as a hospital installs
// it, pointed at a server that is not there. The login dialog must say so
// plainly within the login timeout, and the program must keep running.
#include "connection.h"
#include "logindialog.h"
#include "loginthrottle.h"
#include "testmain.h"

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

class TestSqlServerFreeTds : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void serverThatDoesNotAnswer_data();
    void serverThatDoesNotAnswer();

private:
    QTemporaryDir m_config;
};

void TestSqlServerFreeTds::initTestCase()
{
    QVERIFY2(QFile::exists(QStringLiteral(FREETDS_DRIVER)), "FreeTDS (tdsodbc) is needed");
    // Registered for this test only, as "odbcinst -i -d" would register it.
    QFile inst(m_config.filePath(QStringLiteral("odbcinst.ini")));
    QVERIFY(inst.open(QIODevice::WriteOnly));
    inst.write("[FreeTDS]\nDescription=FreeTDS for tests\nDriver=" FREETDS_DRIVER "\n");
    inst.close();
    qputenv("ODBCSYSINI", QFile::encodeName(m_config.path()));
    qputenv("ODBCINSTINI", "odbcinst.ini");
    qputenv("ODBCINI", QFile::encodeName(m_config.filePath(QStringLiteral("odbc.ini"))));
    qputenv("FREETDSCONF", QFile::encodeName(m_config.filePath(QStringLiteral("freetds.conf"))));
    LoginThrottle::setUnit(std::chrono::milliseconds(10));
}

void TestSqlServerFreeTds::serverThatDoesNotAnswer_data()
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<int>("loginTimeoutSeconds");
    QTest::newRow("closed port") << false << 15;
    // Takes the connection and never answers, as a hung server or a wrong
    // port behind a firewall that accepts does: only the login timeout ends it.
    QTest::newRow("silent server") << true << 15;
}

void TestSqlServerFreeTds::serverThatDoesNotAnswer()
{
    QFETCH(bool, listening);
    QFETCH(int, loginTimeoutSeconds);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const quint16 port = server.serverPort();
    if (!listening)
        server.close();

    LoginDialog dialog;
    dialog.setSettings(ConnectionSettings{
        ConnectionSettings::Kind::Odbc,
        QStringLiteral("Driver={FreeTDS};Server=127.0.0.1;Port=%1;Database=patient_data;TDS_Version=7.4").arg(port),
        QStringLiteral("ward"), QString()});
    dialog.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(QStringLiteral("pw"));
    dialog.show();
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
    const qint64 took = clock.elapsed();
    qInfo("refused after %lld ms: %s", took, qPrintable(dialog.message()));

    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.takeConnection());
    QVERIFY2(dialog.message().startsWith(
                 QLatin1String("The hospital database could not be reached, or it refused the login: ")),
             qPrintable(dialog.message()));
    QVERIFY2(dialog.message().contains(QLatin1String("FreeTDS")), qPrintable(dialog.message()));
    QVERIFY2(took < (loginTimeoutSeconds + 5) * 1000, qPrintable(QString::number(took)));
    if (!listening)
        QVERIFY2(took < 5000, "a closed port is refused at once");
    // The dialog goes on: the user may correct the server and try again.
    QTRY_VERIFY(
        dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->isEnabled());
}

WARDCHECK_TEST_MAIN(TestSqlServerFreeTds)
#include "tst_sqlserver_freetds.moc"
