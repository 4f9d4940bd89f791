#include "appinfo.h"
#include "frmmeds.h"
#include "medfixture.h"
#include "medicinescan.h"
#include "medicinetexts.h"
#include "packagelookup.h"
#include "session.h"
#include "testmain.h"
#include "texts.h"
#include "twips.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

using Meds::backColour;
using Meds::control;
using Meds::foreColour;

namespace {
const QColor Black(0, 0, 0), Red(255, 0, 0), DarkGreen(0, 192, 0), White(255, 255, 255), Green(0, 255, 0);
}

class TestFrmMeds : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void designLayout_data();
    void designLayout();
    void openingState();
    void packageStep_data();
    void packageStep();
    void foundPackageFillsScanState();
    void statementsKeepScannedTextQuoted_data();
    void statementsKeepScannedTextQuoted();
    void verify_data();
    void verify();
    void verifyWithoutPackage();
    void nullPatientColumnsTakeTheErrorPath_data();
    void nullPatientColumnsTakeTheErrorPath();
    void nullItemNameShowsEmptyLine();
    void scanStateOutlivesTheWindow();
    void resetQuestion_data();
    void resetQuestion();
    void picturesFollowFocus();
    void resize_data();
    void resize();
    void databaseDisappearsAndComesBack();
    void showItemsListing();
    void showItemsReportsLostDatabase();
    void closeDuringLookupWaitsForIt();
    void keysSentDuringLookupAreReplayedAfterIt();

private:
    void scanPackage(const QString &code);
    void scanWristband(const QString &code);
    QLineEdit *packageBox() { return control<QLineEdit>(m_form, "txtContainerBarcode"); }
    QLineEdit *patientBox() { return control<QLineEdit>(m_form, "txtPatientBarcode"); }
    QString examInfo() { return control<QPlainTextEdit>(m_form, "lblExamInfo")->toPlainText(); }
    bool visible(const char *name) { return control(m_form, name)->isVisible(); }

    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<DialogRecorder> m_dialogs;
    TestUser *m_user = nullptr;
    QPointer<frmMeds> m_form;
};

void TestFrmMeds::init()
{
    MedicineScan::current().clear();
    m_db = std::make_unique<FixtureDb>();
    fillMedicineWard(*m_db);
    m_user = installTestUser(m_db->path());
    m_dialogs = std::make_unique<DialogRecorder>();
    m_form = new frmMeds();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
}

void TestFrmMeds::cleanup()
{
    delete m_form;
    m_dialogs.reset();
    Session::reset();
    m_db.reset();
}

void TestFrmMeds::scanPackage(const QString &code)
{
    QTest::keyClicks(packageBox(), code);
    QTest::keyClick(packageBox(), Qt::Key_Return);
}

void TestFrmMeds::scanWristband(const QString &code)
{
    QTest::keyClicks(patientBox(), code);
    QTest::keyClick(patientBox(), Qt::Key_Enter, Qt::KeypadModifier);
}

void TestFrmMeds::designLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("frame") << "frame_Content" << QRect(120, 120, 11775, 2655);
    QTest::newRow("title A") << "lblTitle(0)" << QRect(360, 600, 4335, 615);
    QTest::newRow("title B") << "lblTitle(1)" << QRect(360, 1440, 4215, 615);
    QTest::newRow("package box") << "txtContainerBarcode" << QRect(5160, 600, 1695, 420);
    QTest::newRow("alert") << "lbl_Alert" << QRect(5160, 1080, 2175, 375);
    QTest::newRow("patient box") << "txtPatientBarcode" << QRect(5160, 1560, 1695, 420);
    QTest::newRow("alert 2") << "lbl_Alert2" << QRect(5160, 2040, 2175, 375);
    QTest::newRow("reset") << "btn_Reset" << QRect(7680, 600, 975, 495);
    QTest::newRow("bottle") << "Picture1" << QRect(9000, 600, 2175, 1815);
    QTest::newRow("caption") << "Label5" << QRect(-120, 600, 2535, 1095);
    QTest::newRow("wristband") << "Picture2" << QRect(9000, 600, 2175, 1815);
    QTest::newRow("show items") << "UserButtonz1" << QRect(720, 2280, 1455, 255);
    QTest::newRow("list label") << "Label3" << QRect(240, 2880, 2295, 375);
}

void TestFrmMeds::designLayout()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    const QWidget *widget = control(m_form, name.toLatin1().constData());
    QCOMPARE(widget->geometry(), Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
}

void TestFrmMeds::openingState()
{
    QCOMPARE(m_form->windowTitle(), AppInfo::captionWithVersion(QStringLiteral("Medicine Verification")));
    QCOMPARE(control<QGroupBox>(m_form, "frame_Content")->title(),
             QStringLiteral("Scan the Medicine Package Barcode then scan the Patient Barcode"));
    QCOMPARE(m_form->focusWidget(), packageBox());
    QVERIFY(visible("Picture1"));
    QVERIFY(!visible("Picture2"));
    QVERIFY(!visible("lbl_Alert"));
    QVERIFY(!visible("lbl_Alert2"));
    QVERIFY(!visible("UserButtonz1"));
    QCOMPARE(foreColour(m_form, "lbl_Alert"), Red);
    QCOMPARE(backColour(m_form, "fraCommands"), White);
    QCOMPARE(control<QPlainTextEdit>(m_form, "lblExamInfo")->palette().color(QPalette::Base), QColor(208, 225, 247));
    QVERIFY(!control<QLabel>(m_form, "Picture1")->pixmap().isNull());
    QVERIFY(!control<QLabel>(m_form, "Picture2")->pixmap().isNull());
    QCOMPARE(control<QLabel>(m_form, "lblTitle(0)")->font().pointSizeF(), 15.75);
    QCOMPARE(control<QLabel>(m_form, "lbl_Alert")->font().bold(), true);
    auto *timer = m_form->findChild<QTimer *>(QStringLiteral("tmrAutoFocus"));
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 5000);
    QVERIFY(timer->isActive());
    // Tab order: package box, patient box, Reset, then the information box.
    QWidgetList order;
    QWidget *widget = packageBox();
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            order << widget;
        widget = widget->nextInFocusChain();
    } while (widget != packageBox() && order.size() < 4);
    QCOMPARE(order,
             (QWidgetList{packageBox(), patientBox(), control(m_form, "btn_Reset"), control(m_form, "lblExamInfo")}));
}

void TestFrmMeds::packageStep_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("statements");

    QTest::newRow("empty box") << "" << false << 0;
    QTest::newRow("wrong first letter") << "X100" << false << 0;
    QTest::newRow("leading blank") << " C100" << false << 0;
    QTest::newRow("unknown reference") << "C999" << false << 1;
    QTest::newRow("not stocked at 20") << "C200" << false << 1;
    QTest::newRow("hostile text") << "C100' or '1'='1" << false << 1;
    QTest::newRow("found") << "C100" << true << 2;
    QTest::newRow("lower-case c") << "c100" << true << 2;
}

void TestFrmMeds::packageStep()
{
    QFETCH(QString, code);
    QFETCH(bool, found);
    QFETCH(int, statements);

    // Leftovers of an earlier check are cleared by every package scan.
    control<QPlainTextEdit>(m_form, "lblExamInfo")->setPlainText(QStringLiteral("old"));
    patientBox()->setText(QStringLiteral("old"));
    scanPackage(code);

    QCOMPARE(m_user->statements.size(), statements);
    QCOMPARE(m_dialogs->messageCount(), 0);
    QCOMPARE(visible("lbl_Alert"), !found);
    QCOMPARE(foreColour(m_form, "lblTitle(0)"), found ? DarkGreen : Red);
    QCOMPARE(foreColour(m_form, "lblTitle(1)"), Black);
    QCOMPARE(packageBox()->text(), found ? code : QString());
    QCOMPARE(m_form->focusWidget(), found ? patientBox() : packageBox());
    QCOMPARE(visible("Picture2"), found);
    QCOMPARE(visible("Picture1"), !found);
    QCOMPARE(examInfo(), QString());
    QCOMPARE(patientBox()->text(), QString());
    QCOMPARE(MedicineScan::current().ReferenceNum.isEmpty(), !found);
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);
}

void TestFrmMeds::foundPackageFillsScanState()
{
    scanPackage(QStringLiteral("C100"));
    const MedicineScan &scan = MedicineScan::current();
    QCOMPARE(scan.HN, QStringLiteral("H1"));
    QCOMPARE(scan.IDN, QStringLiteral("A100"));
    QCOMPARE(scan.PatientName, Meds::juan());
    QCOMPARE(scan.ReferenceNum, QStringLiteral("C100"));
    QCOMPARE(scan.RequestNum, QStringLiteral("R3")); // the last row's
    QCOMPARE(scan.ItemList, QStringLiteral("\r\nOmeprazole 20 mg\r\nParacetamol 500 mg\r\nAmoxicillin 250 mg"));
}

void TestFrmMeds::statementsKeepScannedTextQuoted_data()
{
    QTest::addColumn<QString>("code");
    QTest::newRow("plain") << "C100";
    QTest::newRow("apostrophes") << "C'; drop table tbmaster; --";
    QTest::newRow("brackets and percent") << "C[1]%_\"x\"";
}

void TestFrmMeds::statementsKeepScannedTextQuoted()
{
    QFETCH(QString, code);
    QString quoted = code;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));

    const QString lookup = PackageLookup::statement(code);
    QCOMPARE(lookup.size(), 165 + 45 + 69 + 66 + 71 + 65 + 23 + quoted.size() + 54);
    QVERIFY(lookup.endsWith(QStringLiteral(" where ReferenceNum = '") + quoted
                            + QStringLiteral("' and INVM.itemid=INV.itemid and INV.locationid = '20'")));
    QVERIFY(lookup.startsWith(QStringLiteral("  select ReferenceNum, M.Hospnum as HN,STA.idnum as IDN,")));

    const QString listing = PackageLookup::showItemsStatement(code);
    QCOMPARE(listing.size(), 178 + 21 + 43 + 67 + 64 + 71 + 66 + 23 + quoted.size() + 1);
    QVERIFY(listing.endsWith(QStringLiteral(" where ReferenceNum = '") + quoted + QStringLiteral("'")));

    // Whatever the text, the database receives one statement that finds nothing for it.
    const QByteArray before = m_db->bytes();
    scanPackage(code);
    if (code != QStringLiteral("C100")) {
        QCOMPARE(m_user->statements, QStringList{lookup});
        QVERIFY(visible("lbl_Alert"));
        QCOMPARE(m_dialogs->messageCount(), 0);
    } else {
        QCOMPARE(m_user->statements, (QStringList{lookup, lookup}));
    }
    QCOMPARE(m_db->bytes(), before);
}

void TestFrmMeds::verify_data()
{
    QTest::addColumn<QString>("package");
    QTest::addColumn<QString>("editedPackage"); // typed over the box after the lookup; null: untouched
    QTest::addColumn<QString>("wristband");
    QTest::addColumn<QString>("passedFor"); // null: the check fails

    const QString same;
    QTest::newRow("match") << "C100" << same << "A100" << Meds::juan();
    QTest::newRow("apostrophes in both boxes") << "C'7" << same << "A'7" << QStringLiteral("O'Brien, Sean Pat");
    QTest::newRow("other patient") << "C100" << same << "A300" << QString();
    QTest::newRow("trailing blank") << "C100" << same << "A100 " << QString();
    QTest::newRow("wristband case") << "C100" << same << "a100" << QString();
    QTest::newRow("empty wristband") << "C100" << same << "" << QString();
    QTest::newRow("empty wristband, empty admission") << "C600" << same << "" << QString();
    QTest::newRow("package scanned lower-case") << "c100" << same << "A100" << QString();
    QTest::newRow("package box edited") << "C100"
                                        << "C1000"
                                        << "A100" << QString();
    QTest::newRow("hostile wristband") << "C100" << same << "A100' or '1'='1" << QString();
}

void TestFrmMeds::verify()
{
    QFETCH(QString, package);
    QFETCH(QString, editedPackage);
    QFETCH(QString, wristband);
    QFETCH(QString, passedFor);
    const bool passes = !passedFor.isNull();

    scanPackage(package);
    QCOMPARE(m_form->focusWidget(), patientBox());
    if (!editedPackage.isNull())
        packageBox()->setText(editedPackage);
    const int statements = int(m_user->statements.size());

    struct Seen
    {
        QColor strip, titleB;
        bool alert2;
        QString info;
    };
    Seen seen{};
    m_dialogs->onMessage([&](const Dialogs::Message &) {
        seen = {backColour(m_form, "fraCommands"), foreColour(m_form, "lblTitle(1)"), visible("lbl_Alert2"),
                examInfo()};
    });
    scanWristband(wristband);

    QCOMPARE(m_user->statements.size(), statements); // the check reads no database
    QCOMPARE(m_dialogs->events().size(), passes ? 1 : 2);
    QCOMPARE(m_dialogs->events().first().title, QStringLiteral("Verification"));
    if (passes) {
        QCOMPARE(m_dialogs->sequence(), QStringList{QStringLiteral("M:") + MedicineTexts::OkToDispense + passedFor});
        QCOMPARE(seen.strip, Green);
        QVERIFY(!seen.alert2);
        QVERIFY(seen.info.startsWith(passedFor + QStringLiteral("\n\nItem(s): \n")));
        // Green strip and the list stay after the box; the boxes are ready for the next package.
        QCOMPARE(backColour(m_form, "fraCommands"), Green);
        QCOMPARE(examInfo(), seen.info);
    } else {
        QCOMPARE(m_dialogs->sequence(),
                 (QStringList{QStringLiteral("M:") + Texts::FailedVerification, QStringLiteral("beep")}));
        QCOMPARE(seen.strip, Red);
        QCOMPARE(seen.titleB, Red);
        QVERIFY(seen.alert2);
        QCOMPARE(backColour(m_form, "fraCommands"), White);
        QVERIFY(!visible("lbl_Alert2"));
        QCOMPARE(examInfo(), QString());
    }
    QCOMPARE(packageBox()->text(), QString());
    QCOMPARE(patientBox()->text(), QString());
    QCOMPARE(foreColour(m_form, "lblTitle(0)"), Black);
    QCOMPARE(foreColour(m_form, "lblTitle(1)"), Black);
    QCOMPARE(m_form->focusWidget(), packageBox());
    QVERIFY(MedicineScan::current().ReferenceNum.isEmpty());

    // The scan state is spent: the same wristband again needs a new package.
    m_dialogs->clear();
    scanWristband(wristband);
    QCOMPARE(m_dialogs->sequence(), QStringList{QStringLiteral("M:") + MedicineTexts::ScanPackageFirst});
}

void TestFrmMeds::verifyWithoutPackage()
{
    packageBox()->setText(QStringLiteral("C100"));
    scanWristband(QStringLiteral("A100"));
    QCOMPARE(m_dialogs->sequence(), QStringList{QStringLiteral("M:") + MedicineTexts::ScanPackageFirst});
    QCOMPARE(m_dialogs->events().first().title, QStringLiteral("Verification"));
    QCOMPARE(packageBox()->text(), QString());
    QCOMPARE(patientBox()->text(), QString());
    QCOMPARE(m_user->statements.size(), 0);
}

void TestFrmMeds::nullPatientColumnsTakeTheErrorPath_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("keptHN");
    QTest::addColumn<QString>("keptRef");
    QTest::addColumn<QString>("wristband");
    QTest::newRow("no master row: null number and name") << "C400"
                                                         << ""
                                                         << ""
                                                         << "A400";
    QTest::newRow("null admission number") << "C401"
                                           << "H1"
                                           << ""
                                           << "A400";
    // The reference was read before the failure: the check still must not pass.
    QTest::newRow("null request number") << "C402"
                                         << "H1"
                                         << "C402"
                                         << "A402";
}

void TestFrmMeds::nullPatientColumnsTakeTheErrorPath()
{
    QFETCH(QString, code);
    QFETCH(QString, keptHN);
    QFETCH(QString, keptRef);
    QFETCH(QString, wristband);
    scanPackage(code);
    QCOMPARE(m_dialogs->events().size(), 1);
    QCOMPARE(m_dialogs->events().first().text, Texts::ErrorInConnection + QStringLiteral("Invalid use of Null"));
    QCOMPARE(m_dialogs->events().first().title, QStringLiteral("Wardcheck"));
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(MedicineScan::current().HN, keptHN);
    QCOMPARE(MedicineScan::current().ReferenceNum, keptRef);

    m_dialogs->clear();
    packageBox()->setText(code);
    scanWristband(wristband);
    QCOMPARE(m_dialogs->sequence(), QStringList{QStringLiteral("M:") + MedicineTexts::ScanPackageFirst});
}

void TestFrmMeds::nullItemNameShowsEmptyLine()
{
    scanPackage(QStringLiteral("C300"));
    QCOMPARE(MedicineScan::current().ItemList, QStringLiteral("\r\n\r\nParacetamol 500 mg"));
    scanWristband(QStringLiteral("A300"));
    QCOMPARE(examInfo(), Meds::maria() + QStringLiteral("\n\nItem(s): \n\nParacetamol 500 mg"));
}

void TestFrmMeds::scanStateOutlivesTheWindow()
{
    scanPackage(QStringLiteral("C100"));
    delete m_form;
    QCOMPARE(MedicineScan::current().ReferenceNum, QStringLiteral("C100"));

    m_form = new frmMeds();
    m_form->show();
    QCOMPARE(packageBox()->text(), QString());
    QCOMPARE(MedicineScan::current().IDN, QStringLiteral("A100"));
    scanWristband(QStringLiteral("A100"));
    QCOMPARE(m_dialogs->sequence(),
             (QStringList{QStringLiteral("M:") + Texts::FailedVerification, QStringLiteral("beep")}));
}

void TestFrmMeds::resetQuestion_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestFrmMeds::resetQuestion()
{
    QFETCH(bool, yes);
    scanPackage(QStringLiteral("C100"));
    patientBox()->setText(QStringLiteral("A1"));
    if (yes)
        m_dialogs->answerNext(Dialogs::Answer::Yes);
    QTest::mouseClick(control(m_form, "btn_Reset"), Qt::LeftButton);

    QCOMPARE(m_dialogs->events().size(), 1);
    QCOMPARE(m_dialogs->events().first().text, MedicineTexts::ResetQuestion);
    QCOMPARE(m_dialogs->events().first().title, QStringLiteral("Wardcheck"));
    QCOMPARE(m_dialogs->events().first().buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(m_form->focusWidget(), packageBox());
    QCOMPARE(visible("Picture1"), true);
    QCOMPARE(packageBox()->text(), yes ? QString() : QStringLiteral("C100"));
    QCOMPARE(patientBox()->text(), yes ? QString() : QStringLiteral("A1"));
    QCOMPARE(foreColour(m_form, "lblTitle(0)"), yes ? Black : DarkGreen);
    QCOMPARE(MedicineScan::current().ReferenceNum, yes ? QString() : QStringLiteral("C100"));
}

void TestFrmMeds::picturesFollowFocus()
{
    QTest::mouseClick(control(m_form, "Picture1"), Qt::LeftButton);
    QCOMPARE(m_form->focusWidget(), packageBox());
    scanPackage(QStringLiteral("C100"));
    QVERIFY(visible("Picture2") && !visible("Picture1"));
    QTest::mouseClick(control(m_form, "Picture2"), Qt::LeftButton);
    QCOMPARE(m_form->focusWidget(), patientBox());

    packageBox()->setFocus();
    QApplication::setActiveWindow(m_form);
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    patientBox()->setFocus();
    QVERIFY(visible("Picture2") && !visible("Picture1"));
    packageBox()->setFocus();
    QVERIFY(visible("Picture1") && !visible("Picture2"));
    patientBox()->setFocus();
    QTest::mouseClick(control(m_form, "Label5"), Qt::LeftButton);
    QCOMPARE(m_form->focusWidget(), packageBox());
}

void TestFrmMeds::resize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("design") << QSize(857, 566);
    QTest::newRow("large") << QSize(1200, 900);
    QTest::newRow("short") << QSize(857, 230); // both heights negative
    QTest::newRow("tiny") << QSize(40, 30); // widths and heights negative
    QTest::newRow("narrow") << QSize(60, 700);
}

void TestFrmMeds::resize()
{
    QFETCH(QSize, size);
    QWidget *strip = control(m_form, "fraCommands");
    QWidget *info = control(m_form, "lblExamInfo");
    m_form->resize(900, 700);
    QTRY_COMPARE(m_form->size(), QSize(900, 700));
    const QSize stripBefore = strip->size(), infoBefore = info->size();

    m_form->resize(size);
    QTRY_COMPARE(m_form->size(), size);
    // The outer size, frame included, is what the layout goes by.
    const int w = m_form->frameGeometry().width() * 15, h = m_form->frameGeometry().height() * 15;
    const auto px = [](int twips) { return qRound(twips / 15.0); };
    QCOMPARE(strip->x(), px(w - 495 - 300));
    QCOMPARE(strip->y(), 208);
    QCOMPARE(strip->height(), h - 3120 - 680 >= 0 ? px(h - 3120 - 680) : stripBefore.height());
    QCOMPARE(strip->width(), stripBefore.width());
    QCOMPARE(info->width(), w - 1000 >= 0 ? px(w - 1000) : infoBefore.width());
    QCOMPARE(info->height(), h - 3120 - 500 >= 0 ? px(h - 3120 - 500) : infoBefore.height());
    QCOMPARE(info->pos(), QPoint(8, 208));
    QCOMPARE(m_dialogs->messageCount(), 0);
}

void TestFrmMeds::databaseDisappearsAndComesBack()
{
    SKIP_UNLESS_DATABASE_CAN_GO();
    scanPackage(QStringLiteral("C100"));
    scanWristband(QStringLiteral("A100"));
    QCOMPARE(m_dialogs->messageCount(), 1);

    QVERIFY(takeDatabaseAway(m_db->path()));
    m_dialogs->clear();
    scanPackage(QStringLiteral("C100"));
    QCOMPARE(m_dialogs->messageCount(), 1);
    const QString text = m_dialogs->texts().first();
    QVERIFY2(text.startsWith(Texts::ErrorInConnection + databaseGoneDescription()), qPrintable(text));
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);
    QVERIFY(m_form->isVisible());

    QVERIFY(bringDatabaseBack(m_db->path()));
    m_dialogs->clear();
    QCOMPARE(packageBox()->text(), QStringLiteral("C100")); // the error path leaves the box as it was
    packageBox()->clear();
    scanPackage(QStringLiteral("C100"));
    QCOMPARE(m_dialogs->texts(), QStringList());
    QVERIFY(!visible("lbl_Alert"));
    QCOMPARE(m_form->focusWidget(), patientBox());
    scanWristband(QStringLiteral("A100"));
    QCOMPARE(m_dialogs->texts(), QStringList{MedicineTexts::OkToDispense + Meds::juan()});
}

void TestFrmMeds::showItemsListing()
{
    control<QPlainTextEdit>(m_form, "lblExamInfo")->setPlainText(QStringLiteral("kept\n"));
    packageBox()->setText(QStringLiteral("C300"));
    control<QPushButton>(m_form, "UserButtonz1")->click();
    QCOMPARE(m_user->statements, QStringList{PackageLookup::showItemsStatement(QStringLiteral("C300"))});
    // No location filter and nothing cleared first; a nameless item adds only its line break.
    QCOMPARE(examInfo(), QStringLiteral("kept\n\nParacetamol 500 mg\n"));
    QCOMPARE(m_dialogs->messageCount(), 0);
}

void TestFrmMeds::showItemsReportsLostDatabase()
{
    m_user->SQLConnection()->Close();
    packageBox()->setText(QStringLiteral("C100"));
    control<QPushButton>(m_form, "UserButtonz1")->click();
    QCOMPARE(m_dialogs->texts(), QStringList{Texts::ErrorInConnection
                                             + QStringLiteral("Operation is not allowed when the object is closed.")});
    QVERIFY(m_form->isVisible());
}

void TestFrmMeds::closeDuringLookupWaitsForIt()
{
    m_form->setAttribute(Qt::WA_DeleteOnClose); // as the main menu opens it
    QTimer::singleShot(0, m_form, [this] { QVERIFY(!m_form->close()); });
    scanPackage(QStringLiteral("C100"));
    QVERIFY(m_form); // the lookup finished on a live window
    QCOMPARE(MedicineScan::current().ItemList.count(QStringLiteral("\r\n")), 3);
    QVERIFY(!m_form->isVisible()); // and the close then went ahead
    QTRY_VERIFY(!m_form);
}

void TestFrmMeds::keysSentDuringLookupAreReplayedAfterIt()
{
    QStringList packageDuringLookup;
    QTimer::singleShot(0, m_form, [&] {
        packageDuringLookup << packageBox()->text();
        scanWristband(QStringLiteral("A100")); // straight to the box, bypassing every queue
        packageDuringLookup << packageBox()->text();
    });
    scanPackage(QStringLiteral("C100"));
    QCOMPARE(packageDuringLookup, (QStringList{QStringLiteral("C100"), QStringLiteral("C100")}));
    QCOMPARE(m_user->statements.size(), 2);
    QCOMPARE(m_dialogs->texts(), QStringList{MedicineTexts::OkToDispense + Meds::juan()});
}

WARDCHECK_TEST_MAIN(TestFrmMeds)
#include "tst_frmmeds.moc"
