#include "extractionfixture.h"
#include "scankeys.h"
#include "session.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QtTest>

#include <memory>

// Step 1 at scanner speed: the keys go through the window system's queue,
// as a scanner's do, so that keys arriving during a lookup's yields are
// held back and delivered in order once the lookup ends. On the offscreen
// platform the keys are posted to Qt's window system queue; under X they
// are typed by xdotool through the X server.
class TestExtractionScanSpeed : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void twentyScansBackToBack_data();
    void twentyScansBackToBack();

private:
    void checkTwentyRows(const ExtractionScreen &s);

    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<DialogRecorder> m_dialogs;
    TestUser *m_user = nullptr;
    QPointer<frmExtraction> m_form;
};

namespace {
// Every record is a yield, so long requests leave room for keys to arrive mid-lookup.
constexpr int ExamsPerRequest = 30;

QString code(int i)
{
    return QStringLiteral("S%1").arg(i, 3, 10, QLatin1Char('0'));
}
} // namespace

void TestExtractionScanSpeed::init()
{
    m_db = std::make_unique<FixtureDb>();
    for (int e = 1; e <= ExamsPerRequest; ++e)
        m_db->exam(QStringLiteral("E%1").arg(e), QStringLiteral("Exam %1").arg(e));
    for (int i = 1; i <= 20; ++i) {
        const QString hn = QStringLiteral("H%1").arg(i), idn = QStringLiteral("A%1").arg(i);
        m_db->patient(hn, QStringLiteral("Last%1").arg(i), QStringLiteral("First"), QStringLiteral("M"));
        m_db->admission(idn, hn);
        for (int e = 1; e <= ExamsPerRequest; ++e)
            m_db->labRow(code(i), hn, idn, QStringLiteral("R%1").arg(i), QStringLiteral("E%1").arg(e));
    }
    m_db->close();
    m_user = installTestUser(m_db->path());
    m_dialogs = std::make_unique<DialogRecorder>();
    m_form = new frmExtraction();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        // Without a window manager the X input focus is given explicitly.
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(m_form->winId())});
    }
    QApplication::setActiveWindow(m_form);
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

void TestExtractionScanSpeed::cleanup()
{
    delete m_form;
    m_dialogs.reset();
    Session::reset();
    m_db.reset();
}

void TestExtractionScanSpeed::twentyScansBackToBack_data()
{
    QTest::addColumn<int>("msPerKey");
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QTest::newRow("all queued at once") << 0;
    QTest::newRow("1 ms per key") << 1;
    QTest::newRow("2 ms per key") << 2;
}

void TestExtractionScanSpeed::twentyScansBackToBack()
{
    QFETCH(int, msPerKey);
    QVERIFY(m_form->windowHandle());
    ExtractionScreen s(m_form);
    QElapsedTimer clock;

    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        // One xdotool process reading its commands from standard input, so
        // nothing but the key delay separates the scans.
        QByteArray script;
        for (int i = 1; i <= 20; ++i)
            script += "type --delay " + QByteArray::number(msPerKey) + ' ' + code(i).toLatin1() + "\nkey Return\n";
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("-")});
        QVERIFY2(xdotool.waitForStarted(), "xdotool is needed for this test");
        xdotool.write(script);
        xdotool.closeWriteChannel();
        clock.start();
        while ((xdotool.state() != QProcess::NotRunning || s.model->size() < 20 || !s.add->text().isEmpty())
               && clock.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCOMPARE(xdotool.exitCode(), 0);
        QCoreApplication::processEvents();
        checkTwentyRows(s);
        return;
    }

    QString scans;
    for (int i = 1; i <= 20; ++i)
        scans += code(i) + QLatin1Char('\n');
    const RealTimeKeys keys(m_form->windowHandle(), scans, msPerKey);
    clock.start();
    while ((!keys.done() || s.model->size() < 20 || !s.add->text().isEmpty()) && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
    checkTwentyRows(s);
}

void TestExtractionScanSpeed::checkTwentyRows(const ExtractionScreen &s)
{
    QCOMPARE(m_dialogs->texts(), QStringList());
    QCOMPARE(m_user->statements.size(), 20);
    QCOMPARE(s.model->size(), 20);
    QStringList names;
    for (int e = 1; e <= ExamsPerRequest; ++e)
        names << QStringLiteral("Exam %1").arg(e);
    const QString exams = names.join(QStringLiteral(", "));
    for (int r = 0; r < 20; ++r) {
        QVERIFY2(
            m_user->statements.at(r).endsWith(QStringLiteral("where refnum = '") + code(r + 1) + QStringLiteral("' ")),
            qPrintable(m_user->statements.at(r)));
        QCOMPARE(s.model->text(r, frmExtraction::RefNum), code(r + 1));
        QCOMPARE(s.model->text(r, frmExtraction::IDNum), QStringLiteral("A%1").arg(r + 1));
        QCOMPARE(s.model->text(r, frmExtraction::LabExams), exams);
    }
    QCOMPARE(s.add->text(), QString());
}

WARDCHECK_TEST_MAIN(TestExtractionScanSpeed)
#include "tst_extractionscanspeed.moc"
