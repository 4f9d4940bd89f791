// A whole shift on every screen, from the login to the last printed
// wristband, against one database file: afterwards the file must be the
// same to the byte, and no journal may have been left beside it.
#include "componentregistry.h"
#include "currentuser.h"
#include "dialogrecorder.h"
#include "extractiontexts.h"
#include "frmextraction.h"
#include "frmmain.h"
#include "frmmeds.h"
#include "frmview.h"
#include "logindialog.h"
#include "medicinescan.h"
#include "medicinetexts.h"
#include "modmain.h"
#include "screens.h"
#include "session.h"
#include "testmain.h"
#include "texts.h"
#include "wardmodel.h"
#include "wristbandprinter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableView>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

namespace {

QByteArray digest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

void scan(QWidget *form, const char *box, const QString &code)
{
    auto *edit = form->findChild<QLineEdit *>(QLatin1String(box));
    edit->setFocus();
    QTest::keyClicks(edit, code);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void aWholeShiftWritesNothing();
};

void TestSession::cleanup()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Session::reset();
}

void TestSession::aWholeShiftWritesNothing()
{
    FixtureDb db;
    WardModel::nearMissWard().writeTo(db);
    db.user(QStringLiteral("nurse"), QStringLiteral("wardcheck"));
    db.close();
    const QByteArray before = digest(db.path());
    const QStringList filesBefore = QDir(db.folder()).entryList(QDir::Files);

    QTemporaryDir prints;
    qputenv("WARDCHECK_WRISTBAND_DIR", QFile::encodeName(prints.path()));
    qputenv("WARDCHECK_DATABASE", QFile::encodeName(db.path()));
    LoginThrottle::setUnit(std::chrono::milliseconds(10));
    ComponentRegistry::add(ComponentIds::CurrentUser, [] { return std::make_unique<CurrentUser>(); });
    ComponentRegistry::add(ComponentIds::Barcode, [] { return std::make_unique<WristbandPrinter>(); });
    DialogRecorder dialogs;
    dialogs.answerNext(Dialogs::Answer::No); // Reset question
    dialogs.answerNext(Dialogs::Answer::Yes); // Clear List question

    // Log in: a wrong password first, then the right one.
    int attempts = 0;
    QTimer loginDriver;
    loginDriver.setInterval(20);
    connect(&loginDriver, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<LoginDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->isWaiting())
            return;
        dialog->findChild<QLineEdit *>(QStringLiteral("txtUserName"))->setText(QStringLiteral("nurse"));
        dialog->findChild<QLineEdit *>(QStringLiteral("txtPassword"))
            ->setText(attempts++ ? QStringLiteral("wardcheck") : QStringLiteral("guess"));
        dialog->accept();
    });
    loginDriver.start();
    QCOMPARE(modMain::Start(), std::optional<int>());
    loginDriver.stop();
    QCOMPARE(attempts, 2);
    frmMain *menu = Screens::mainMenu();
    QVERIFY(menu);

    // Medicine: a pass, a fail, a failed lookup, show items, the Reset question.
    QTest::mouseClick(menu->findChild<QPushButton *>(QStringLiteral("cmdMeds")), Qt::LeftButton);
    frmMeds *meds = Screens::medicine();
    for (const auto &[package, wristband] : {std::pair{"C1", "A1"}, std::pair{"C2", "A1"}, std::pair{"C7", "A2"},
                                             std::pair{"c9", "A2"}, std::pair{"C8'", "A5'"}}) {
        scan(meds, "txtContainerBarcode", QString::fromLatin1(package));
        scan(meds, "txtPatientBarcode", QString::fromLatin1(wristband));
    }
    scan(meds, "txtContainerBarcode", QStringLiteral("C1"));
    meds->findChild<QPushButton *>(QStringLiteral("UserButtonz1"))->click();
    QTest::mouseClick(meds->findChild<QPushButton *>(QStringLiteral("btn_Reset")), Qt::LeftButton);

    // Extraction: Step 1, Step 2, Clear List.
    QTest::mouseClick(menu->findChild<QPushButton *>(QStringLiteral("cmdLab")), Qt::LeftButton);
    frmExtraction *extraction = Screens::extraction();
    for (const char *code : {"L1", "L2", "L1", "L7", "L6'", "l5"})
        scan(extraction, "txtAddContainerBarcode", QString::fromLatin1(code));
    auto *tabs = extraction->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    for (const auto &[container, wristband] : {std::pair{"L1", "A1"}, std::pair{"L2", "A1"}, std::pair{"L6'", "A5'"}}) {
        scan(extraction, "txtVerifyContainer", QString::fromLatin1(container));
        scan(extraction, "txtPatientBarcode", QString::fromLatin1(wristband));
    }
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(0).center());
    QTest::mouseClick(extraction->findChild<QPushButton *>(QStringLiteral("cmdClearAll")), Qt::LeftButton);

    // Wristbands: search, both orders, print two.
    frmview *wristbands = Screens::showWristbands();
    auto *grid = wristbands->findChild<QTableView *>(QStringLiteral("Grid1"));
    QTRY_VERIFY(grid->model()->rowCount() > 0);
    auto *search = wristbands->findChild<QLineEdit *>(QStringLiteral("txtSearch"));
    QTest::keyClicks(search, QStringLiteral("San"));
    QTRY_COMPARE(grid->model()->rowCount(), 3); // A1, A2 and A10
    QTest::mouseClick(wristbands->findChild<QRadioButton *>(QStringLiteral("optLastName")), Qt::LeftButton);
    search->clear();
    QTest::keyClicks(search, QStringLiteral("O'"));
    QTRY_COMPARE(grid->model()->rowCount(), 1);
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::mouseClick(wristbands->findChild<QPushButton *>(QStringLiteral("cmdPrint")), Qt::LeftButton);
    search->clear();
    QTRY_VERIFY(grid->model()->rowCount() > 2);
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QTest::mouseClick(wristbands->findChild<QPushButton *>(QStringLiteral("cmdPrint")), Qt::LeftButton);
    QTRY_COMPARE(QDir(prints.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 2);

    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Session::reset();

    // The shift saw passes, failures and errors, and wrote nothing.
    const QStringList seen = dialogs.texts();
    QVERIFY(seen.contains(MedicineTexts::OkToDispense + QStringLiteral("Santos, Maria Lim")));
    QVERIFY(seen.contains(Texts::FailedVerification));
    QVERIFY(seen.contains(Texts::ErrorInConnection + QStringLiteral("Invalid use of Null")));
    QVERIFY(seen.contains(ExtractionTexts::AlreadyInList));
    QVERIFY(seen.contains(ExtractionTexts::PassedVerification
                          + QStringLiteral("Santos, Maria Lim: Complete Blood Count, , Potassium")));
    QCOMPARE(digest(db.path()), before);
    QCOMPARE(QDir(db.folder()).entryList(QDir::Files), filesBefore);
    qunsetenv("WARDCHECK_WRISTBAND_DIR");
    qunsetenv("WARDCHECK_DATABASE");
}

WARDCHECK_TEST_MAIN(TestSession)
#include "tst_session.moc"
