#include "frmmeds.h"
#include "medfixture.h"
#include "medicinescan.h"
#include "medicinetexts.h"
#include "packagelookup.h"
#include "scankeys.h"
#include "session.h"
#include "testmain.h"
#include "texts.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPointer>
#include <QtTest>

#include <memory>

// Scanner-speed input through the window system's event queue, the way a
// scanner's keys arrive: a lookup must hold later scans back, in order,
// and deliver each to the box that has the focus when its turn comes.
class TestMedScanSpeed : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void scansAtScannerSpeed_data();
    void scansAtScannerSpeed();

private:
    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<DialogRecorder> m_dialogs;
    TestUser *m_user = nullptr;
    QPointer<frmMeds> m_form;
};

void TestMedScanSpeed::init()
{
    MedicineScan::current().clear();
    m_db = std::make_unique<FixtureDb>();
    fillMedicineWard(*m_db);
    m_user = installTestUser(m_db->path());
    m_dialogs = std::make_unique<DialogRecorder>();
    m_form = new frmMeds();
    QVERIFY(showActive(m_form));
}

void TestMedScanSpeed::cleanup()
{
    delete m_form;
    m_dialogs.reset();
    Session::reset();
    m_db.reset();
}

void TestMedScanSpeed::scansAtScannerSpeed_data()
{
    QTest::addColumn<int>("msPerKey");
    QTest::newRow("all queued at once") << 0;
    QTest::newRow("1 ms per key") << 1;
    QTest::newRow("2 ms per key") << 2;
}

void TestMedScanSpeed::scansAtScannerSpeed()
{
    QFETCH(int, msPerKey);
    // Three checks back to back, then a package whose wristband is wrong;
    // each wristband is typed while its package lookup is still running.
    QVERIFY(m_form->windowHandle());
    const RealTimeKeys keys(m_form->windowHandle(), QStringLiteral("C100\nA100\nc300\nA300\nC'7\nA'7\nC300\nA100\n"),
                            msPerKey);
    QElapsedTimer clock;
    clock.start();
    while ((!keys.done() || m_dialogs->events().size() < 6) && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);

    const QString ok = QStringLiteral("M:") + MedicineTexts::OkToDispense;
    QCOMPARE(m_dialogs->sequence(),
             (QStringList{ok + Meds::juan(), QStringLiteral("M:") + Texts::FailedVerification, QStringLiteral("beep"),
                          ok + QStringLiteral("O'Brien, Sean Pat"), QStringLiteral("M:") + Texts::FailedVerification,
                          QStringLiteral("beep")}));
    // One lookup (two statements) per package scan, each for the code as typed.
    QCOMPARE(m_user->statements.size(), 8);
    QCOMPARE(m_user->statements.at(2), PackageLookup::statement(QStringLiteral("c300")));
    QCOMPARE(m_user->statements.at(6), PackageLookup::statement(QStringLiteral("C300")));
    auto *package = m_form->findChild<QLineEdit *>(QStringLiteral("txtContainerBarcode"));
    auto *patient = m_form->findChild<QLineEdit *>(QStringLiteral("txtPatientBarcode"));
    QCOMPARE(package->text(), QString());
    QCOMPARE(patient->text(), QString());
}

WARDCHECK_TEST_MAIN(TestMedScanSpeed)
#include "tst_medscanspeed.moc"
