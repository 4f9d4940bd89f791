// Hospital IT can require wristbands to be scanned: a wristband number typed
// from a chart, or pasted, is then not checked. The keys come through the
// window system's queue at a scanner's and at a person's speed, on both
// checking screens, with the policy on (a preset for every user) and off.
#include "dialogrecorder.h"
#include "extractionfixture.h"
#include "extractiontexts.h"
#include "fixture.h"
#include "frmextraction.h"
#include "frmmeds.h"
#include "medicinescan.h"
#include "medicinetexts.h"
#include "scankeys.h"
#include "session.h"
#include "settingsstore.h"
#include "testmain.h"
#include "texts.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Refusal = QStringLiteral("M:") + Texts::TypedWristbandRefused;

} // namespace

class TestScannedWristband : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void medicine_data();
    void medicine();
    void extraction_data();
    void extraction();

private:
    void setPolicy(bool on, int meanGapLimitMs);

    QTemporaryDir m_presets;
    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<DialogRecorder> m_dialogs;
};

void TestScannedWristband::initTestCase()
{
    // The preset every user of the PC gets, as hospital IT writes it.
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(m_presets.path()));
    QVERIFY(QDir(m_presets.path()).mkpath(QStringLiteral("ORVANE")));
}

void TestScannedWristband::init()
{
    MedicineScan::current().clear();
    m_db = std::make_unique<FixtureDb>();
    m_db->patient(QStringLiteral("H1"), QStringLiteral("Dela Cruz"), QStringLiteral("Juan"), QStringLiteral("Santos"));
    m_db->admission(QStringLiteral("A1234"), QStringLiteral("H1"));
    m_db->item(QStringLiteral("I1"), QStringLiteral("Paracetamol 500 mg"));
    m_db->nurseRow(QStringLiteral("C1"), QStringLiteral("H1"), QStringLiteral("A1234"), QStringLiteral("R1"),
                   QStringLiteral("I1"));
    m_db->exam(QStringLiteral("E1"), QStringLiteral("CBC"));
    m_db->labRow(QStringLiteral("L1"), QStringLiteral("H1"), QStringLiteral("A1234"), QStringLiteral("Q1"),
                 QStringLiteral("E1"));
    m_db->close();
    installTestUser(m_db->path());
    m_dialogs = std::make_unique<DialogRecorder>();
}

void TestScannedWristband::cleanup()
{
    m_dialogs.reset();
    Session::reset();
    m_db.reset();
}

// A limit of 0 leaves the ward's limit unset.
void TestScannedWristband::setPolicy(bool on, int meanGapLimitMs)
{
    QByteArray ini = "[policy]\nwristbandsMustBeScanned=" + QByteArray(on ? "true" : "false") + '\n';
    if (meanGapLimitMs > 0)
        ini += "scanMeanGapLimitMs=" + QByteArray::number(meanGapLimitMs) + '\n';
    SettingsStore::write(SettingsStore::Scope::Preset, QStringLiteral("Wardcheck"), ini);
}

void TestScannedWristband::medicine_data()
{
    QTest::addColumn<bool>("policy");
    QTest::addColumn<int>("msPerKey");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("limit"); // the ward's preset, ms a key; 0: not set
    QTest::addColumn<QString>("typed"); // the wristband's keys; \n is Enter
    const QStringList pass{"M:" + MedicineTexts::OkToDispense + "Dela Cruz, Juan Santos"};
    const QStringList refused{Refusal, "beep"};
    const QString code = QStringLiteral("A1234\n");
    QTest::newRow("policy on, scanned at 2 ms a key") << true << 2 << false << pass << 0 << code;
    QTest::newRow("policy on, scanned at 8 ms a key") << true << 8 << false << pass << 0 << code;
    QTest::newRow("policy on, typed at 60 ms a key") << true << 60 << false << refused << 0 << code;
    QTest::newRow("policy on, pasted") << true << 2 << true << refused << 0 << code;
    QTest::newRow("policy off, typed at 60 ms a key") << false << 60 << false << pass << 0 << code;
    QTest::newRow("policy off, pasted") << false << 2 << true << pass << 0 << code;
    QTest::newRow("policy on, 35 ms a key") << true << 35 << false << refused << 0 << code;
    QTest::newRow("ward's limit 40, 35 ms a key") << true << 35 << false << pass << 40 << code;
    QTest::newRow("ward's limit 15, 20 ms a key") << true << 20 << false << refused << 15 << code;
    QTest::newRow("ward's limit 15, 8 ms a key") << true << 8 << false << pass << 15 << code;
    // A limit outside its bounds is the preset's error: the default holds.
    QTest::newRow("ward's limit 500, 55 ms a key") << true << 55 << false << refused << 500 << code;
    // Keys that type nothing are no sign of typing by hand.
    QTest::newRow("policy on, Num Lock and Caps Lock around a scan")
        << true << 2 << false << pass << 0 << QString(NumLockKey + QStringLiteral("A1234") + CapsLockKey + '\n');
    QTest::newRow("policy on, AltGr and Ctrl in a scan")
        << true << 2 << false << pass << 0 << QString(AltGrKey + QStringLiteral("A12") + ControlKey + "34\n");
}

void TestScannedWristband::medicine()
{
    QFETCH(bool, policy);
    QFETCH(int, msPerKey);
    QFETCH(bool, pasted);
    QFETCH(QStringList, expected);
    QFETCH(int, limit);
    QFETCH(QString, typed);
    setPolicy(policy, limit);
    QPointer<frmMeds> form = new frmMeds();
    QVERIFY(showActive(form));
    typeInto(form, QStringLiteral("C1\n"), 2);
    QCOMPARE(m_dialogs->sequence(), QStringList());
    auto *wristband = form->findChild<QLineEdit *>(QStringLiteral("txtPatientBarcode"));
    QCOMPARE(form->focusWidget(), wristband);
    if (pasted) {
        wristband->insert(QStringLiteral("A1234"));
        typeInto(form, QStringLiteral("\n"), msPerKey);
    } else {
        typeInto(form, typed, msPerKey);
    }
    QCOMPARE(m_dialogs->sequence(), expected);
    if (expected.first() == Refusal) {
        // Not checked: the package stays looked up and the box waits for a scan.
        QCOMPARE(wristband->text(), QString());
        QCOMPARE(form->focusWidget(), wristband);
        QCOMPARE(MedicineScan::current().ReferenceNum, QStringLiteral("C1"));
        m_dialogs->clear();
        typeInto(form, QStringLiteral("A1234\n"), 2);
        QCOMPARE(m_dialogs->sequence(), QStringList{"M:" + MedicineTexts::OkToDispense + "Dela Cruz, Juan Santos"});
    }
    delete form;
}

void TestScannedWristband::extraction_data()
{
    medicine_data();
}

void TestScannedWristband::extraction()
{
    QFETCH(bool, policy);
    QFETCH(int, msPerKey);
    QFETCH(bool, pasted);
    QFETCH(QStringList, expected);
    QFETCH(int, limit);
    QFETCH(QString, typed);
    setPolicy(policy, limit);
    QPointer<frmExtraction> form = new frmExtraction();
    ExtractionScreen screen(form);
    QVERIFY(showActive(form));
    typeInto(form, QStringLiteral("L1\n"), 2);
    QCOMPARE(screen.model->size(), 1);
    QTest::mouseClick(screen.tabs->tabBar(), Qt::LeftButton, {}, screen.tabs->tabBar()->tabRect(1).center());
    typeInto(form, QStringLiteral("L1\n"), 2);
    QCOMPARE(form->focusWidget(), screen.patient);
    if (pasted) {
        screen.patient->insert(QStringLiteral("A1234"));
        typeInto(form, QStringLiteral("\n"), msPerKey);
    } else {
        typeInto(form, typed, msPerKey);
    }
    if (expected.first() == Refusal) {
        QCOMPARE(m_dialogs->sequence(), expected);
        QCOMPARE(screen.patient->text(), QString());
        QCOMPARE(screen.container->text(), QStringLiteral("L1"));
        QCOMPARE(form->focusWidget(), screen.patient);
        QCOMPARE(screen.stripColour(), QColor(255, 255, 255)); // nothing was checked
    } else {
        QCOMPARE(m_dialogs->sequence(),
                 QStringList{"M:" + ExtractionTexts::PassedVerification + "Dela Cruz, Juan Santos: CBC"});
    }
    delete form;
}

WARDCHECK_TEST_MAIN(TestScannedWristband)
#include "tst_scannedwristband.moc"
