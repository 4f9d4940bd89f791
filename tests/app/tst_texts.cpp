// Every text of the program as the ward's design words it, blanks and
// full stops included, in one place: the messages the screens and the
// checks share, each screen's own, and what the forms show. The code and
// the other tests use the texts from where they are written once; here
// alone they are written out again, so that a text changed by mistake, by
// so much as a blank, fails.
#include "appinfo.h"
#include "extractiontexts.h"
#include "fixture.h"
#include "frmextraction.h"
#include "frmmain.h"
#include "frmmeds.h"
#include "frmview.h"
#include "medicinetexts.h"
#include "testmain.h"
#include "texts.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QtTest>

namespace {

// The visible text of a control, found by its designed name.
QString shown(const QWidget *form, const char *name)
{
    const QObject *control = form->findChild<QObject *>(QLatin1String(name));
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (const auto *box = qobject_cast<const QGroupBox *>(control))
        return box->title();
    return QStringLiteral("<no control %1>").arg(QLatin1String(name));
}

} // namespace

class TestTexts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void eachText_data();
    void eachText();

private:
    std::unique_ptr<FixtureDb> m_db;
};

void TestTexts::initTestCase()
{
    m_db = std::make_unique<FixtureDb>();
    m_db->close();
    installTestUser(m_db->path());
}

void TestTexts::cleanupTestCase()
{
    m_db.reset();
}

void TestTexts::eachText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("words");

    // The version, once: every caption and file version is made from CMake's.
    QTest::newRow("version") << AppInfo::fileVersion() << "6.0.0.11";
    QTest::newRow("caption suffix") << AppInfo::captionWithVersion(QStringLiteral("X")) << "X v6.0.11";

    QTest::newRow("program title") << Texts::ProgramTitle << "Wardcheck";
    QTest::newRow("verification title") << Texts::VerificationTitle << "Verification";
    QTest::newRow("failed verification") << Texts::FailedVerification << "Failed Verification.";
    QTest::newRow("error in connection") << Texts::ErrorInConnection << "Error in connection.";
    QTest::newRow("run-time error") << Texts::RunTimeError.arg(429).arg(QStringLiteral("x"))
                                    << "Run-time error '429':\n\nx";
    QTest::newRow("typed wristband refused")
        << Texts::TypedWristbandRefused << "Scan the patient's wristband; a typed number is not accepted.";
    QTest::newRow("demo title") << AppInfo::demoTitle(QStringLiteral("Wardcheck Module"))
                                << "Wardcheck Module - demo database: not for patient care";
    QTest::newRow("demo menu note") << Texts::DemoMenuNote << "Demo database: not for patient care";
    QTest::newRow("band not printed") << Texts::WristbandNotPrinted << "The wristband could not be printed.\n\n";

    QTest::newRow("ok to dispense") << MedicineTexts::OkToDispense << "Ok to dispense this medicine for ";
    QTest::newRow("scan package first") << MedicineTexts::ScanPackageFirst << "Scan your containers first";
    QTest::newRow("reset question") << MedicineTexts::ResetQuestion
                                    << "Are you sure you want to reset the scanning process?";

    QTest::newRow("already in list") << ExtractionTexts::AlreadyInList << "Already in list.";
    QTest::newRow("invalid barcode") << ExtractionTexts::InvalidBarcode << "Invalid Barcode";
    QTest::newRow("no containers") << ExtractionTexts::NoContainers
                                   << "No containers have been preloaded. Process Step 1 first.";
    QTest::newRow("passed verification") << ExtractionTexts::PassedVerification
                                         << "Passed Verification. Proceed to extraction.";
    QTest::newRow("clear list question") << ExtractionTexts::ClearListQuestion
                                         << "Are you sure you want to clear the list?";

    frmMain menu;
    QTest::newRow("menu caption") << menu.windowTitle() << "Wardcheck Module";
    QTest::newRow("menu title") << shown(&menu, "Label1") << "Wardcheck Module";
    QTest::newRow("cmdLab") << shown(&menu, "cmdLab") << "&Lab Extraction";
    QTest::newRow("cmdMeds") << shown(&menu, "cmdMeds") << "&Administer Medicine";

    frmMeds meds;
    QTest::newRow("medicine caption") << meds.windowTitle() << "Medicine Verification v6.0.11";
    QTest::newRow("frame_Content") << shown(&meds, "frame_Content")
                                   << "Scan the Medicine Package Barcode then scan the Patient Barcode";
    QTest::newRow("medicine lblTitle(0)") << shown(&meds, "lblTitle(0)") << "A. Scan Medicine Barcode";
    QTest::newRow("medicine lblTitle(1)") << shown(&meds, "lblTitle(1)") << "B. Scan Patient Barcode";
    QTest::newRow("lbl_Alert") << shown(&meds, "lbl_Alert") << "*Invalid Barcode";
    QTest::newRow("lbl_Alert2") << shown(&meds, "lbl_Alert2") << "*Failed Verification";
    QTest::newRow("btn_Reset") << shown(&meds, "btn_Reset") << "Reset";
    QTest::newRow("medicine Label5") << shown(&meds, "Label5") << "press here to activate scan";
    QTest::newRow("UserButtonz1") << shown(&meds, "UserButtonz1") << "show items";
    QTest::newRow("medicine Label3") << shown(&meds, "Label3") << "Verification List:";

    frmExtraction lab;
    const auto *tabs = lab.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    QTest::newRow("extraction caption") << lab.windowTitle() << "ORVANE Wardcheck - Extraction v6.0.11";
    QTest::newRow("tab 0") << tabs->tabText(0) << "     Step 1 - Lab Section     ";
    QTest::newRow("tab 1") << tabs->tabText(1) << "     Step 2 - Bedside Verification     ";
    QTest::newRow("extraction Label1") << shown(&lab, "Label1")
                                       << "Add Containers to list, by scanning the vial barcode.";
    QTest::newRow("lblTitle(5)") << shown(&lab, "lblTitle(5)") << "Scan Container Barcode(s) now.";
    QTest::newRow("cmdClearAll") << shown(&lab, "cmdClearAll") << "Clear List";
    QTest::newRow("extraction Label4") << shown(&lab, "Label4") << "press here to activate scan";
    QTest::newRow("extraction Label2") << shown(&lab, "Label2")
                                       << "Scan the Container Barcode then scan the Patient Barcode.";
    QTest::newRow("extraction lblTitle(0)") << shown(&lab, "lblTitle(0)") << "a. Scan Container Barcode";
    QTest::newRow("extraction lblTitle(1)") << shown(&lab, "lblTitle(1)") << "b. Scan Patient Barcode";
    QTest::newRow("extraction Label5") << shown(&lab, "Label5") << "press here to activate scan";
    QTest::newRow("extraction Label3") << shown(&lab, "Label3") << "Verification List:";

    frmview list;
    QTest::newRow("wristbands caption") << list.windowTitle() << "Print Wristbands";
    QTest::newRow("wristbands lblTitle(1)") << shown(&list, "lblTitle(1)") << "Search by Last Name:";
    QTest::newRow("Command1") << shown(&list, "Command1") << "&Search/Refresh";
    QTest::newRow("cmdPrint") << shown(&list, "cmdPrint") << "&Print";
    QTest::newRow("Frame1") << shown(&list, "Frame1") << "Sort By:";
    QTest::newRow("optAdmDate") << shown(&list, "optAdmDate") << "Adm.Date";
    QTest::newRow("optLastName") << shown(&list, "optLastName") << "Last Name";
}

void TestTexts::eachText()
{
    QFETCH(QString, text);
    QFETCH(QString, words);
    QCOMPARE(text, words);
}

WARDCHECK_TEST_MAIN(TestTexts)
#include "tst_texts.moc"
