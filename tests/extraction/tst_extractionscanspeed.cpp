#include "extractionfixture.h"
#include "session.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <qpa/qwindowsysteminterface.h>

#include <memory>

// Step 1 at scanner speed: the keys go through the window system's queue,
// as a scanner's do, so that keys arriving during a lookup's yields are
// held back and delivered in order once the lookup ends.
class TestExtractionScanSpeed : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void twentyScansBackToBack_data();
    void twentyScansBackToBack();

private:
    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<DialogRecorder> m_dialogs;
    TestUser *m_user = nullptr;
    QPointer<frmExtraction> m_form;
};

namespace {
QString code(int i)
{
    return QStringLiteral("S%1").arg(i, 3, 10, QLatin1Char('0'));
}
} // namespace

void TestExtractionScanSpeed::init()
{
    m_db = std::make_unique<FixtureDb>();
    for (const char *exam : {"E1", "E2", "E3"})
        m_db->exam(QString::fromLatin1(exam), QStringLiteral("Exam ") + QString::fromLatin1(exam));
    for (int i = 1; i <= 20; ++i) {
        const QString hn = QStringLiteral("H%1").arg(i), idn = QStringLiteral("A%1").arg(i);
        m_db->patient(hn, QStringLiteral("Last%1").arg(i), QStringLiteral("First"), QStringLiteral("M"));
        m_db->admission(idn, hn);
        for (const char *exam : {"E1", "E2", "E3"})
            m_db->labRow(code(i), hn, idn, QStringLiteral("R%1").arg(i), QString::fromLatin1(exam));
    }
    m_db->close();
    m_user = installTestUser(m_db->path());
    m_dialogs = std::make_unique<DialogRecorder>();
    m_form = new frmExtraction();
    m_form->show();
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
    QTest::newRow("all queued at once") << 0;
    QTest::newRow("1 ms per key") << 1;
    QTest::newRow("2 ms per key") << 2;
}

void TestExtractionScanSpeed::twentyScansBackToBack()
{
    QFETCH(int, msPerKey);
    struct Key { int code; QString text; };
    QList<Key> keys;
    for (int i = 1; i <= 20; ++i) {
        for (QChar c : code(i))
            keys.append({int(c.toUpper().unicode()), QString(c)});
        keys.append({Qt::Key_Return, QStringLiteral("\r")});
    }

    QWindow *window = m_form->windowHandle();
    QVERIFY(window);
    qsizetype next = 0;
    const auto post = [&] {
        const Key &key = keys.at(next++);
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            window, QEvent::KeyPress, key.code, Qt::NoModifier, key.text);
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            window, QEvent::KeyRelease, key.code, Qt::NoModifier, key.text);
    };
    QTimer typist;
    typist.setTimerType(Qt::PreciseTimer);
    typist.setInterval(msPerKey);
    connect(&typist, &QTimer::timeout, this, [&] {
        post();
        if (next == keys.size())
            typist.stop();
    });
    if (msPerKey == 0) {
        while (next < keys.size())
            post();
    } else {
        typist.start();
    }

    ExtractionScreen s(m_form);
    QElapsedTimer clock;
    clock.start();
    while ((next < keys.size() || s.model->dataRowCount() < 20 || !s.add->text().isEmpty()) && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();

    QCOMPARE(m_dialogs->texts(), QStringList());
    QCOMPARE(m_user->statements.size(), 20);
    QCOMPARE(s.model->dataRowCount(), 20);
    for (int r = 0; r < 20; ++r) {
        QVERIFY2(m_user->statements.at(r).endsWith(QStringLiteral("where refnum = '") + code(r + 1) + QStringLiteral("' ")),
                 qPrintable(m_user->statements.at(r)));
        QCOMPARE(s.model->text(r, frmExtraction::RefNum), code(r + 1));
        QCOMPARE(s.model->text(r, frmExtraction::IDNum), QStringLiteral("A%1").arg(r + 1));
        QCOMPARE(s.model->text(r, frmExtraction::LabExams), QStringLiteral("Exam E1, Exam E2, Exam E3"));
    }
    QCOMPARE(s.add->text(), QString());
}

WARDCHECK_TEST_MAIN(TestExtractionScanSpeed)
#include "tst_extractionscanspeed.moc"
