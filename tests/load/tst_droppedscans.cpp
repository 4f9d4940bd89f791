// A scan that the program cannot take (typed into an open message box, or
// typed while a lookup runs that then ends in a box) is dropped, so that it
// cannot close the box unread. It must never be dropped silently: the
// program beeps once for it, and once the box is closed the box with the
// focus is empty, ready for the nurse to scan again. The real boxes are
// shown; the scans and the deliberate Enter come through the window
// system's queue, as a scanner's and a nurse's keys do.
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
#include "testmain.h"
#include "texts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QtTest>

namespace {

// Answers the next message box as a nurse does: the scan, if any, comes at
// once, while the box is new; Enter comes once a person could have read
// it, well past the box's first moments and any scanner's burst. A machine
// busy enough to hand the keys over late can still let Enter fall into the
// scan's burst, where it is dropped as it should be: it is pressed again
// until the box closes. A box that will not close at all is closed here, so
// the test fails instead of waiting for ever.
class BoxAnswerer : public QObject
{
public:
    static constexpr qint64 ReadMs = 1000;
    static constexpr qint64 AgainMs = 500;
    static constexpr qint64 GiveUpMs = 15000;

    BoxAnswerer(QObject *parent, QString scan, std::function<void(bool)> closed)
        : QObject(parent), m_scan(std::move(scan)), m_closed(std::move(closed))
    {
        connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::look);
        m_timer.start(20);
    }

private:
    void look()
    {
        if (!m_box) {
            if (m_seen) {
                finish();
                return;
            }
            m_box = QApplication::activeModalWidget();
            if (!m_box)
                return;
            m_seen = true;
            m_shown.start();
            if (!m_scan.isEmpty())
                postKeys(m_box->windowHandle(), m_scan);
            return;
        }
        const qint64 shown = m_shown.elapsed();
        if (shown >= GiveUpMs) {
            m_gaveUp = true;
            m_box->close();
        } else if (shown >= ReadMs && (m_enteredAt < 0 || shown - m_enteredAt >= AgainMs)) {
            postKeys(m_box->windowHandle(), QStringLiteral("\n"));
            m_enteredAt = shown;
        }
    }

    void finish()
    {
        m_timer.stop();
        m_closed(!m_gaveUp);
        deleteLater();
    }

    QString m_scan;
    std::function<void(bool)> m_closed;
    QTimer m_timer;
    QPointer<QWidget> m_box;
    bool m_seen = false;
    bool m_gaveUp = false;
    QElapsedTimer m_shown;
    qint64 m_enteredAt = -1;
};

} // namespace

class TestDroppedScans : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void medicine_data();
    void medicine();
    void extraction_data();
    void extraction();
    void lineFeedAfterEnter_data();
    void lineFeedAfterEnter();
    void questionAnsweredNo_data();
    void questionAnsweredNo();
    void rescanAfterAnError_data();
    void rescanAfterAnError();

private:
    // Every box shown from now on: the scan, if any, typed into it at once,
    // then a deliberate Enter once a person could have read it.
    void answerBoxes(const QString &scanIntoBox);
    void scan(QWidget *window, const QString &text, int boxes);
    void removeDatabase() { QVERIFY(takeDatabaseAway(m_db->path())); }

    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<DialogRecorder> m_dialogs;
    TestUser *m_user = nullptr;
    int m_boxesClosed = 0;
    int m_boxesStuck = 0;
};

void TestDroppedScans::init()
{
    MedicineScan::current().clear();
    m_db = std::make_unique<FixtureDb>();
    m_db->patient(QStringLiteral("H1"), QStringLiteral("Dela Cruz"), QStringLiteral("Juan"), QStringLiteral("Santos"));
    m_db->admission(QStringLiteral("A1"), QStringLiteral("H1"));
    m_db->patient(QStringLiteral("H2"), QStringLiteral("Reyes"), QStringLiteral("Maria"), QStringLiteral("Lopez"));
    m_db->admission(QStringLiteral("A2"), QStringLiteral("H2"));
    m_db->item(QStringLiteral("I1"), QStringLiteral("Paracetamol 500 mg"));
    m_db->nurseRow(QStringLiteral("C1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("R1"),
                   QStringLiteral("I1"));
    m_db->nurseRow(QStringLiteral("C2"), QStringLiteral("H2"), QStringLiteral("A2"), QStringLiteral("R2"),
                   QStringLiteral("I1"));
    m_db->exam(QStringLiteral("E1"), QStringLiteral("CBC"));
    m_db->labRow(QStringLiteral("L1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("Q1"),
                 QStringLiteral("E1"));
    m_db->labRow(QStringLiteral("L2"), QStringLiteral("H2"), QStringLiteral("A2"), QStringLiteral("Q2"),
                 QStringLiteral("E1"));
    m_db->close();
    m_user = installTestUser(m_db->path());
    m_dialogs = std::make_unique<DialogRecorder>(DialogRecorder::Boxes::Shown);
    m_boxesClosed = 0;
    m_boxesStuck = 0;
}

void TestDroppedScans::cleanup()
{
    if (QFile::exists(m_db->path() + QStringLiteral(".away")))
        bringDatabaseBack(m_db->path());
    m_dialogs.reset();
    Session::reset();
    m_db.reset();
}

void TestDroppedScans::answerBoxes(const QString &scanIntoBox)
{
    m_dialogs->onMessage([this, scanIntoBox](const Dialogs::Message &) {
        new BoxAnswerer(this, scanIntoBox, [this](bool answered) {
            ++m_boxesClosed;
            m_boxesStuck += answered ? 0 : 1;
        });
    });
}

// Types into the window and waits until the boxes it brings have been closed
// and everything queued has been handled.
void TestDroppedScans::scan(QWidget *window, const QString &text, int boxes)
{
    const int closedBefore = m_boxesClosed;
    postKeys(window->windowHandle(), text);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxesClosed - closedBefore >= boxes && !QApplication::activeModalWidget(), 30000);
    QCOMPARE(m_boxesStuck, 0);
    QTest::qWait(50);
}

void TestDroppedScans::medicine_data()
{
    QTest::addColumn<QString>("before"); // scanned first, no box expected
    QTest::addColumn<bool>("databaseGone");
    QTest::addColumn<QString>("scans"); // typed at once; the first Enter brings a box
    QTest::addColumn<QString>("intoBox"); // typed into the open box
    QTest::addColumn<QStringList>("expected"); // boxes (text start) and beeps, in order

    QTest::newRow("verdict box, a scan typed into it") << "C1\n"
                                                       << false << "A2\n"
                                                       << "C2\n"
                                                       << QStringList{"M:" + Texts::FailedVerification, "beep", "beep"};
    QTest::newRow("lookup ends in Error in connection., the next scan queued behind it")
        << "" << true << "C1\nC2\n"
        << "" << QStringList{"M:" + Texts::ErrorInConnection + databaseGoneDescription(), "beep"};
    QTest::newRow("Error in connection., a scan typed into it")
        << "" << true << "C1\n"
        << "C2\n"
        << QStringList{"M:" + Texts::ErrorInConnection + databaseGoneDescription(), "beep"};
}

void TestDroppedScans::medicine()
{
    QFETCH(QString, before);
    QFETCH(bool, databaseGone);
    QFETCH(QString, scans);
    QFETCH(QString, intoBox);
    QFETCH(QStringList, expected);

    QPointer<frmMeds> form = new frmMeds();
    QVERIFY(showActive(form));
    auto *package = form->findChild<QLineEdit *>(QStringLiteral("txtContainerBarcode"));
    answerBoxes(intoBox);
    if (!before.isEmpty())
        scan(form, before, 0);
    QCOMPARE(m_dialogs->sequence(), QStringList());
    if (databaseGone) {
        SKIP_UNLESS_DATABASE_CAN_GO();
        removeDatabase();
    }
    m_user->statements.clear();
    scan(form, scans, 1);

    const QStringList seen = m_dialogs->sequence();
    QVERIFY2(seen.size() == expected.size(), qPrintable(seen.join(QStringLiteral(" / "))));
    for (int i = 0; i < seen.size(); ++i)
        QVERIFY2(seen.at(i).startsWith(expected.at(i)), qPrintable(seen.join(QStringLiteral(" / "))));
    // The dropped scan was not looked up, and the nurse scans into an empty box.
    for (const QString &statement : std::as_const(m_user->statements))
        QVERIFY2(!statement.contains(QStringLiteral("'C2'")), qPrintable(statement));
    QCOMPARE(form->focusWidget(), package);
    QCOMPARE(package->text(), QString());
    delete form;
}

void TestDroppedScans::extraction_data()
{
    QTest::addColumn<bool>("bedside");
    QTest::addColumn<bool>("databaseGone");
    QTest::addColumn<QString>("scans");
    QTest::addColumn<QString>("intoBox");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("rows");

    QTest::newRow("Step 1: Invalid Barcode, a listed code queued behind it")
        << false << false << "L9\nL1\n"
        << "" << QStringList{"M:" + ExtractionTexts::InvalidBarcode, "beep"} << 0;
    QTest::newRow("Step 1: Invalid Barcode, a code typed into it")
        << false << false << "L9\n"
        << "L1\n"
        << QStringList{"M:" + ExtractionTexts::InvalidBarcode, "beep"} << 0;
    QTest::newRow("Step 1: Error in connection., the next code queued behind it")
        << false << true << "L1\nL2\n"
        << "" << QStringList{"M:" + Texts::ErrorInConnection + databaseGoneDescription(), "beep"} << 0;
    QTest::newRow("Step 2: verdict box, a scan typed into it")
        << true << false << "L1\nA2\n"
        << "L1\n"
        << QStringList{"M:" + Texts::FailedVerification, "beep", "beep"} << 1;
}

void TestDroppedScans::extraction()
{
    QFETCH(bool, bedside);
    QFETCH(bool, databaseGone);
    QFETCH(QString, scans);
    QFETCH(QString, intoBox);
    QFETCH(QStringList, expected);
    QFETCH(int, rows);

    QPointer<frmExtraction> form = new frmExtraction();
    ExtractionScreen screen(form);
    QVERIFY(showActive(form));
    answerBoxes(intoBox);
    QLineEdit *box = screen.add;
    if (bedside) {
        scan(form, QStringLiteral("L1\n"), 0);
        QCOMPARE(screen.model->size(), 1);
        QTest::mouseClick(screen.tabs->tabBar(), Qt::LeftButton, {}, screen.tabs->tabBar()->tabRect(1).center());
        box = screen.container;
    }
    QCOMPARE(m_dialogs->sequence(), QStringList());
    if (databaseGone) {
        SKIP_UNLESS_DATABASE_CAN_GO();
        removeDatabase();
    }
    m_user->statements.clear();
    scan(form, scans, 1);

    const QStringList seen = m_dialogs->sequence();
    QVERIFY2(seen.size() == expected.size(), qPrintable(seen.join(QStringLiteral(" / "))));
    for (int i = 0; i < seen.size(); ++i)
        QVERIFY2(seen.at(i).startsWith(expected.at(i)), qPrintable(seen.join(QStringLiteral(" / "))));
    QVERIFY2(m_user->statements.size() <= 1, qPrintable(m_user->statements.join(QStringLiteral("\n"))));
    QCOMPARE(screen.model->size(), rows);
    QCOMPARE(form->focusWidget(), box);
    QCOMPARE(box->text(), QString());
    delete form;
}

// Scanners set to end their codes with CR LF: the Line Feed is part of the
// Enter before it. It neither beeps in the box the Enter opened nor starts
// the next code.
void TestDroppedScans::lineFeedAfterEnter_data()
{
    QTest::addColumn<bool>("extraction");
    QTest::addColumn<QString>("scans");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("next"); // scanned afterwards, left in its box by a lookup

    const QString lf(LineFeedKey);
    QTest::newRow("medicine: passing check")
        << false << "C1\n" + lf + "A1\n" + lf << 1 << QStringList{"M:" + MedicineTexts::OkToDispense + "Dela Cruz"} << 0
        << "C2";
    QTest::newRow("medicine: failed check") << false << "C1\n" + lf + "A2\n" + lf << 1
                                            << QStringList{"M:" + Texts::FailedVerification, "beep"} << 0 << "C2";
    QTest::newRow("Step 1: two containers") << true << "L1\n" + lf + "L2\n" + lf << 0 << QStringList() << 2 << "";
    QTest::newRow("Step 1: Invalid Barcode")
        << true << "L9\n" + lf << 1 << QStringList{"M:" + ExtractionTexts::InvalidBarcode} << 0 << "";
}

void TestDroppedScans::lineFeedAfterEnter()
{
    QFETCH(bool, extraction);
    QFETCH(QString, scans);
    QFETCH(int, boxes);
    QFETCH(QStringList, expected);
    QFETCH(int, rows);
    QFETCH(QString, next);

    std::unique_ptr<QWidget> form;
    std::unique_ptr<ExtractionScreen> screen;
    QLineEdit *box = nullptr;
    QLineEdit *wristband = nullptr;
    if (extraction) {
        auto *extractionForm = new frmExtraction();
        form.reset(extractionForm);
        screen = std::make_unique<ExtractionScreen>(extractionForm);
        box = screen->add;
    } else {
        form = std::make_unique<frmMeds>();
        box = form->findChild<QLineEdit *>(QStringLiteral("txtContainerBarcode"));
        wristband = form->findChild<QLineEdit *>(QStringLiteral("txtPatientBarcode"));
    }
    QVERIFY(showActive(form.get()));
    answerBoxes(QString());
    scan(form.get(), scans, boxes);

    const QStringList seen = m_dialogs->sequence();
    QVERIFY2(seen.size() == expected.size(), qPrintable(seen.join(QStringLiteral(" / "))));
    for (int i = 0; i < seen.size(); ++i)
        QVERIFY2(seen.at(i).startsWith(expected.at(i)), qPrintable(seen.join(QStringLiteral(" / "))));
    if (screen)
        QCOMPARE(screen->model->rowCount(), rows);
    QCOMPARE(form->focusWidget(), box);
    QCOMPARE(box->text(), QString());
    if (!next.isEmpty()) {
        scan(form.get(), next + QStringLiteral("\n") + QString(LineFeedKey), 0);
        QCOMPARE(box->text(), next);
        QCOMPARE(form->focusWidget(), wristband);
        QCOMPARE(wristband->text(), QString());
        QCOMPARE(m_dialogs->sequence().size(), expected.size());
    }
}

// A scan typed into the Reset or Clear List question beeps and is dropped;
// No then changes nothing: the code in the box stays, selected, so that the
// scan again replaces it instead of joining onto it.
void TestDroppedScans::questionAnsweredNo_data()
{
    QTest::addColumn<bool>("extraction");
    QTest::addColumn<QString>("before"); // scanned first
    QTest::addColumn<QString>("typed"); // then typed, without Enter
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("inBox"); // the box's text before and after the question

    QTest::newRow("Reset, waiting for the patient") << false << "C1\n"
                                                    << "" << MedicineTexts::ResetQuestion << "C1";
    QTest::newRow("Clear List, a code half typed") << true << "L1\n"
                                                   << "L2" << ExtractionTexts::ClearListQuestion << "L2";
}

void TestDroppedScans::questionAnsweredNo()
{
    QFETCH(bool, extraction);
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(QString, question);
    QFETCH(QString, inBox);

    std::unique_ptr<QWidget> form;
    QLineEdit *box = nullptr;
    QPushButton *ask = nullptr;
    if (extraction) {
        form = std::make_unique<frmExtraction>();
        box = form->findChild<QLineEdit *>(QStringLiteral("txtAddContainerBarcode"));
        ask = form->findChild<QPushButton *>(QStringLiteral("cmdClearAll"));
    } else {
        form = std::make_unique<frmMeds>();
        box = form->findChild<QLineEdit *>(QStringLiteral("txtContainerBarcode"));
        ask = form->findChild<QPushButton *>(QStringLiteral("btn_Reset"));
    }
    QVERIFY(showActive(form.get()));
    scan(form.get(), before + typed, 0);
    const MedicineScan scanBefore = MedicineScan::current();
    const int rowsBefore =
        extraction ? ExtractionScreen(static_cast<frmExtraction *>(form.get())).model->rowCount() : 0;
    QCOMPARE(box->text(), inBox);

    answerBoxes(QStringLiteral("A1\n"));
    QTest::mouseClick(ask, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxesClosed == 1 && !QApplication::activeModalWidget(), 30000);
    QCOMPARE(m_boxesStuck, 0);
    QTest::qWait(50);

    QCOMPARE(m_dialogs->sequence(), (QStringList{QStringLiteral("M:") + question, QStringLiteral("beep")}));
    QCOMPARE(form->focusWidget(), box);
    QCOMPARE(box->text(), inBox);
    if (extraction)
        QCOMPARE(ExtractionScreen(static_cast<frmExtraction *>(form.get())).model->rowCount(), rowsBefore);
    else
        QCOMPARE(MedicineScan::current().ReferenceNum, scanBefore.ReferenceNum);
    // The scan again replaces what the box held.
    scan(form.get(), QStringLiteral("L7"), 0);
    QCOMPARE(box->text(), QStringLiteral("L7"));
}

void TestDroppedScans::rescanAfterAnError_data()
{
    QTest::addColumn<bool>("medicine");
    QTest::newRow("medicine") << true;
    QTest::newRow("Step 1") << false;
}

// After "Error in connection." the box keeps the code, so that Enter
// retries it; the nurse's natural next move, scanning the same code again,
// replaces it rather than joining onto it, and the lookup goes on.
void TestDroppedScans::rescanAfterAnError()
{
    QFETCH(bool, medicine);
    SKIP_UNLESS_DATABASE_CAN_GO();
    std::unique_ptr<QWidget> form;
    QLineEdit *box = nullptr;
    std::unique_ptr<ExtractionScreen> screen;
    if (medicine) {
        form = std::make_unique<frmMeds>();
        box = form->findChild<QLineEdit *>(QStringLiteral("txtContainerBarcode"));
    } else {
        form = std::make_unique<frmExtraction>();
        screen = std::make_unique<ExtractionScreen>(static_cast<frmExtraction *>(form.get()));
        box = screen->add;
    }
    QVERIFY(showActive(form.get()));
    answerBoxes(QString());
    const QString code = medicine ? QStringLiteral("C1") : QStringLiteral("L1");
    removeDatabase();
    scan(form.get(), code + QLatin1Char('\n'), 1);
    QVERIFY2(m_dialogs->sequence().value(0).startsWith("M:" + Texts::ErrorInConnection),
             qPrintable(m_dialogs->sequence().join(" / ")));
    QCOMPARE(form->focusWidget(), box);
    QCOMPARE(box->text(), code);
    QCOMPARE(box->selectedText(), code);

    QVERIFY(bringDatabaseBack(m_db->path()));
    m_dialogs->clear();
    scan(form.get(), code + QLatin1Char('\n'), 0);
    QCOMPARE(m_dialogs->sequence(), QStringList());
    if (medicine) {
        QCOMPARE(MedicineScan::current().ReferenceNum, code);
        QCOMPARE(form->focusWidget()->objectName(), QStringLiteral("txtPatientBarcode"));
    } else {
        QCOMPARE(screen->model->size(), 1);
        QCOMPARE(box->text(), QString());
    }
}

WARDCHECK_TEST_MAIN(TestDroppedScans)
#include "tst_droppedscans.moc"
