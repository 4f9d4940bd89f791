#include "apperror.h"
#include "barcodeprinter.h"
#include "componentregistry.h"
#include "connection.h"
#include "fixture.h"
#include "frmview.h"
#include "session.h"
#include "testmain.h"
#include "textgridmodel.h"
#include "texts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <qpa/qwindowsysteminterface.h>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

#include <ctime>

namespace {

// Stands in for the printing component and remembers every call.
class FakePrinter : public BarcodePrinter
{
    Q_OBJECT

public:
    static inline int created = 0;
    static inline int destroyed = 0;
    static inline QStringList calls;
    static inline bool failing = false;

    FakePrinter() : m_id(++created) { }
    ~FakePrinter() override { ++destroyed; }

    Sent print(Connection &connection, const QString &hospitalNumber, const QString &admissionId) override
    {
        calls << QStringLiteral("%1 connection %2%3")
                     .arg(m_id)
                     .arg(&connection == Session::user()->SQLConnection() ? "current" : "other")
                     .arg(connection.isOpen() ? "" : " closed");
        if (failing)
            throw AppError(AppError::PrinterError, QStringLiteral("Printer out of labels"));
        calls << QStringLiteral("%1 print [%2] [%3]").arg(m_id).arg(hospitalNumber, admissionId);
        return Sent{notice.isEmpty() ? Sent::Kind::Printed : Sent::Kind::NotConfirmed, notice};
    }
    static inline QString notice;

private:
    int m_id;
};

const QString FullList = QStringLiteral("Select M.Hospnum as HN,N.idnum as IDN, M.Lastname + ', ' + M.Firstname + ' ' "
                                        "+M.Middlename as PatientName, N.RoomID, M.Birthdate, M.Sex, N.AdmDate, "
                                        "N.dcrdate from patient_data..tbpatient N left outer join "
                                        "patient_data..tbmaster M on N.Hospnum = M.Hospnum where dcrdate is null ");

} // namespace

class TestFrmView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void design();
    void statement_data();
    void statement();
    void filterAndOrder_data();
    void filterAndOrder();
    void cells_data();
    void cells();
    void wallClockTimesSurviveDaylightSaving();
    void tabInANameStaysInItsColumn();
    void deletingCharacterByCharacter();
    void hostileTextLeavesDatabaseAlone();
    void interruptedFillNeverMixes();
    void closingDuringFillStopsIt();
    void closedConnectionIsOpenedAgain();
    void queryErrorIsReported();
    void printsCurrentRow();
    void doubleClickPrintsThatRow();
    void printWithoutRowDoesNothing();
    void printFailureIsReported();
    void printWaitsForASettledList_data();
    void printWaitsForASettledList();

private:
    void seed();
    frmview *open();
    QLineEdit *search() const { return m_screen->findChild<QLineEdit *>(QStringLiteral("txtSearch")); }
    QTableView *grid() const { return m_screen->findChild<QTableView *>(QStringLiteral("Grid1")); }
    TextGridModel *model() const { return qobject_cast<TextGridModel *>(grid()->model()); }
    QStringList column(int c) const;
    bool waiting() const { return m_screen->cursor().shape() == Qt::WaitCursor; }

    std::unique_ptr<FixtureDb> m_db;
    TestUser *m_user = nullptr;
    std::unique_ptr<frmview> m_screen;
};

void TestFrmView::init()
{
    m_db = std::make_unique<FixtureDb>();
    FakePrinter::created = FakePrinter::destroyed = 0;
    FakePrinter::calls.clear();
    FakePrinter::failing = false;
    ComponentRegistry::add(ComponentIds::Barcode, [] { return std::make_unique<FakePrinter>(); });
}

void TestFrmView::cleanup()
{
    m_screen.reset();
    Session::reset();
    m_user = nullptr;
    m_db.reset();
}

void TestFrmView::seed()
{
    FixtureDb &db = *m_db;
    db.patient("H1", "Smith", "John", "A", "1950-03-04 00:00:00", "M");
    db.patient("H2", "Smythe", "Jane", "B");
    db.patient("H3", "Asmith", "Carl", "C", "1960-01-01 00:00:00", "M");
    db.patient("H4", " Smalls", "Lead", "Blank");
    db.patient("H5", "O'Brien", "Pat", "Q", "1970-01-01 00:00:00", "M");
    db.patient("H6", "%Percent", "Per", "Cent");
    db.patient("H7", "_under", "Under", "Score");
    db.patient("H8", "[bracket", "Brack", "Et");
    db.patient("H9", "Smithers", "Gone", "Home");
    db.patient("H10", "Sm_th", "Under", "Line");
    db.admission("A1", "H1", "1A-01", "2026-12-01 09:30:00");
    db.admission("A2", "H2", "1A-02", "2026-12-02 00:00:00");
    db.admission("A3", "H3", "1A-03", "2026-11-30 08:00:00");
    db.admission("A4", "H4", "1A-04", "2026-11-29 08:00:00");
    db.admission("A5", "H5", "1A-05", "2026-11-28 08:00:00");
    db.admission("A6", "H6", "1A-06", "2026-11-27 08:00:00");
    db.admission("A7", "H7", "1A-07", "2026-11-26 08:00:00");
    db.admission("A8", "H8", "1A-08", "2026-11-25 08:00:00");
    db.admission("A9", "H9", "1A-09", "2026-11-24 08:00:00", "2026-11-26 12:00:00");
    db.admission("A10", "H10", "1A-10", "2026-11-23 08:00:00");
    db.admission("A99", "H404", "3C-07", "2026-12-03 10:15:00");
    db.close();
}

frmview *TestFrmView::open()
{
    m_user = installTestUser(m_db->path());
    m_screen = std::make_unique<frmview>();
    m_screen->show();
    // The first fill is queued behind the window's appearance.
    [&] { QTRY_VERIFY(m_user->statements.size() == 1 && !waiting()); }();
    return m_screen.get();
}

QStringList TestFrmView::column(int c) const
{
    QStringList out;
    for (int r = 0; r < model()->dataRowCount(); ++r)
        out << model()->text(r, c);
    return out;
}

void TestFrmView::design()
{
    seed();
    open();
    QCOMPARE(m_screen->windowTitle(), QStringLiteral("Print Wristbands"));
    QCOMPARE(m_screen->size(), QSize(738, 589));
    const QStringList titles = {"HospNum", "IDNum", "PatientName", "Sex", "Room", "AdmDate"};
    const QList<int> widths = {80, 80, 233, 27, 53, 133}; // the design in twips, to the nearest pixel
    QCOMPARE(model()->columnCount(), 6);
    for (int c = 0; c < 6; ++c) {
        QCOMPARE(model()->headerData(c, Qt::Horizontal).toString(), titles.at(c));
        // As designed, or wider where a value would be cut off.
        QVERIFY2(grid()->columnWidth(c) >= widths.at(c), qPrintable(QString::number(grid()->columnWidth(c))));
    }
    QCOMPARE(grid()->geometry(), QRect(0, 48, 625, 529));
    QCOMPARE(m_screen->findChild<QPushButton *>("Command1")->text(), QStringLiteral("&Search/Refresh"));
    QCOMPARE(m_screen->findChild<QPushButton *>("cmdPrint")->text(), QStringLiteral("&Print"));
    QCOMPARE(m_screen->findChild<QGroupBox *>("Frame1")->title(), QStringLiteral("Sort By:"));
    auto *label = m_screen->findChild<QLabel *>("lblTitle(1)");
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("Search by Last Name:"));
    QVERIFY(label->alignment() & Qt::AlignRight);
    QVERIFY(m_screen->findChild<QRadioButton *>("optAdmDate")->isChecked());
    QCOMPARE(search()->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(search()->font().pointSizeF(), 9.75);
    QCOMPARE(m_screen->findChild<QRadioButton *>("optLastName")->font().family(), QStringLiteral("Arial"));
    QCOMPARE(m_screen->findChild<QRadioButton *>("optLastName")->font().pointSizeF(), 8.25);

    // Tab order as designed: search box, refresh, list, print, the two options.
    QWidget *w = search();
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus))
            w = w->nextInFocusChain();
        order << w->objectName();
    }
    QCOMPARE(order, QStringList({"Command1", "Grid1", "cmdPrint", "optAdmDate", "optLastName"}));
}

void TestFrmView::statement_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("byLastName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty, admission date") << "" << false << FullList + " order by AdmDate desc ";
    QTest::newRow("empty, last name") << "" << true << FullList + " order by LastName asc ";
    QTest::newRow("blanks count as text")
        << "  " << false << FullList + " and lastname like '  %' order by AdmDate desc ";
    QTest::newRow("apostrophe and patterns")
        << "O'%_[x" << true << FullList + " and lastname like 'O''[%][_][[]x%' order by LastName asc ";
}

void TestFrmView::statement()
{
    QFETCH(QString, text);
    QFETCH(bool, byLastName);
    QFETCH(QString, expected);
    seed();
    open();
    QCOMPARE(m_user->statements.last(), FullList + " order by AdmDate desc ");
    if (byLastName)
        QTest::mouseClick(m_screen->findChild<QRadioButton *>("optLastName"), Qt::LeftButton);
    search()->setText(text);
    QCOMPARE(m_user->statements.last(), expected);
}

void TestFrmView::filterAndOrder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("byLastName");
    QTest::addColumn<QStringList>("idns");

    QTest::newRow("all, newest first") << "" << false
                                       << QStringList{"A99", "A2", "A1", "A3", "A4", "A5", "A6", "A7", "A8", "A10"};
    QTest::newRow("all, by last name") << "" << true
                                       << QStringList{"A99", "A4", "A6", "A8", "A7", "A3", "A5", "A10", "A1", "A2"};
    QTest::newRow("prefix, newest first") << "SM" << false << QStringList{"A2", "A1", "A10"};
    QTest::newRow("prefix keeps filter by last name") << "Sm" << true << QStringList{"A10", "A1", "A2"};
    QTest::newRow("case as the collation has it") << "smi" << false << QStringList{"A1"};
    QTest::newRow("leading blank") << " Sm" << false << QStringList{"A4"};
    QTest::newRow("apostrophe") << "O'" << false << QStringList{"A5"};
    QTest::newRow("percent is a character") << "%" << false << QStringList{"A6"};
    QTest::newRow("underscore is a character") << "_" << false << QStringList{"A7"};
    QTest::newRow("underscore inside") << "Sm_" << false << QStringList{"A10"};
    QTest::newRow("bracket") << "[" << false << QStringList{"A8"};
    QTest::newRow("bracket pattern") << "[s]" << false << QStringList{};
    QTest::newRow("discharged not listed") << "Smithe" << false << QStringList{};
    QTest::newRow("no result") << "Zz" << false << QStringList{};
}

void TestFrmView::filterAndOrder()
{
    QFETCH(QString, text);
    QFETCH(bool, byLastName);
    QFETCH(QStringList, idns);
    seed();
    open();
    search()->setText(text);
    if (byLastName)
        QTest::mouseClick(m_screen->findChild<QRadioButton *>("optLastName"), Qt::LeftButton);
    QCOMPARE(column(1), idns);
    // Switching back refills in the other order with the same filter.
    QTest::mouseClick(m_screen->findChild<QRadioButton *>("optAdmDate"), Qt::LeftButton);
    QStringList byDate = column(1);
    QCOMPARE(QSet<QString>(byDate.begin(), byDate.end()), QSet<QString>(idns.begin(), idns.end()));
    QVERIFY(m_user->statements.last().contains(" order by AdmDate desc "));
    QCOMPARE(waiting(), false);
}

void TestFrmView::cells_data()
{
    QTest::addColumn<QString>("idn");
    QTest::addColumn<QStringList>("cells");

    QTest::newRow("time of day shown") << "A1" << QStringList{"H1", "A1",    "Smith, John A",
                                                              "M",  "1A-01", "12/1/2026 9:30:00 AM"};
    QTest::newRow("midnight shows the date alone")
        << "A2" << QStringList{"H2", "A2", "Smythe, Jane B", "F", "1A-02", "12/2/2026"};
    QTest::newRow("no patient record") << "A99" << QStringList{"", "A99", "", "", "3C-07", "12/3/2026 10:15:00 AM"};
}

void TestFrmView::cells()
{
    QFETCH(QString, idn);
    QFETCH(QStringList, cells);
    seed();
    open();
    const int row = int(column(1).indexOf(idn));
    QVERIFY(row >= 0);
    QStringList shown;
    for (int c = 0; c < 6; ++c)
        shown << model()->text(row, c);
    QCOMPARE(shown, cells);
}

// Stored values can hold a tab (pasted into the hospital system); it must
// not push the patient's sex, room and admission date into other columns.
void TestFrmView::tabInANameStaysInItsColumn()
{
    m_db->patient("H1", "Tab\tson", "Jo\t", "A", "1950-03-04 00:00:00", "M");
    m_db->admission("A1", "H1", "1A\t01", "2026-12-01 09:30:00");
    m_db->close();
    open();
    QStringList shown;
    for (int c = 0; c < 6; ++c)
        shown << model()->text(0, c);
    QCOMPARE(shown, QStringList({"H1", "A1", "Tab\tson, Jo\t A", "M", "1A\t01", "12/1/2026 9:30:00 AM"}));
}

void TestFrmView::wallClockTimesSurviveDaylightSaving()
{
    // 02:30 does not exist in New York on 8 March 2026; the stored time is
    // still what the ward wrote and must be shown unchanged.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "America/New_York");
    tzset();
    m_db->patient("H1", "Smith", "John", "A");
    m_db->admission("A1", "H1", "1A-01", "2026-03-08 02:30:00");
    m_db->admission("A2", "H1", "1A-01", "2026-11-01 01:30:00");
    m_db->close();
    open();
    const QStringList shown = column(5);
    qputenv("TZ", zone);
    tzset();
    QCOMPARE(shown, QStringList({"11/1/2026 1:30:00 AM", "3/8/2026 2:30:00 AM"}));
}

void TestFrmView::deletingCharacterByCharacter()
{
    seed();
    open();
    search()->setFocus();
    QTest::keyClicks(search(), "Smi");
    QCOMPARE(m_user->statements.size(), 4); // one fill per keystroke
    QCOMPARE(column(1), QStringList{"A1"});
    const QList<QStringList> after = {
        {"A2", "A1", "A10"}, {"A2", "A1", "A10"}, {"A99", "A2", "A1", "A3", "A4", "A5", "A6", "A7", "A8", "A10"}};
    for (const QStringList &expected : after) {
        QTest::keyClick(search(), Qt::Key_Backspace);
        QCOMPARE(column(1), expected);
    }
    QCOMPARE(search()->text(), QString());
    QCOMPARE(m_user->statements.size(), 7);
}

void TestFrmView::hostileTextLeavesDatabaseAlone()
{
    seed();
    const QByteArray before = m_db->bytes();
    open();
    for (const char *text : {"'; delete from tbpatient; --", "x' or '1'='1", "' union select 1,2,3,4,5,6,7,8 --"}) {
        search()->setText(QString::fromUtf8(text));
        QCOMPARE(model()->dataRowCount(), 0);
    }
    search()->clear();
    QCOMPARE(model()->dataRowCount(), 10);
    m_screen.reset();
    Session::reset();
    QCOMPARE(m_db->bytes(), before);
}

void TestFrmView::interruptedFillNeverMixes()
{
    {
        DbWriter &w = m_db->writer();
        w.begin();
        for (int i = 0; i < 20000; ++i) {
            const QString hn = QStringLiteral("P%1").arg(i);
            m_db->patient(hn, QStringLiteral("Patient%1").arg(i, 5, 10, QLatin1Char('0')), "Pat", "P");
            m_db->admission(QStringLiteral("I%1").arg(i), hn, "2B-01", "2026-11-01 10:00:00");
        }
        for (int i = 0; i < 40; ++i) {
            const QString hn = QStringLiteral("Z%1").arg(i);
            m_db->patient(hn, QStringLiteral("Zed%1").arg(i), "Zed", "Z");
            m_db->admission(QStringLiteral("ZI%1").arg(i), hn, "2B-02", "2026-10-01 10:00:00");
        }
        w.commit();
        m_db->close();
    }
    open();
    QCOMPARE(model()->dataRowCount(), 20040);
    m_screen->activateWindow();
    search()->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));

    int batches = 0;
    int largest = 0;
    bool typed = false;
    bool hourglassWhileFilling = true;
    connect(model(), &QAbstractItemModel::rowsInserted, this, [&] {
        ++batches;
        largest = std::max(largest, model()->dataRowCount());
        hourglassWhileFilling = hourglassWhileFilling && m_screen->cursor().shape() == Qt::WaitCursor;
        if (!typed) {
            typed = true;
            // Through the window system's queue, as a real keyboard delivers it.
            QWindow *window = m_screen->windowHandle();
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, QEvent::KeyPress, Qt::Key_Z, Qt::ShiftModifier, QStringLiteral("Z"));
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, QEvent::KeyRelease, Qt::Key_Z, Qt::ShiftModifier, QStringLiteral("Z"));
        }
    });
    m_user->statements.clear();
    m_screen->findChild<QPushButton *>("Command1")->click();

    QVERIFY(typed);
    QCOMPARE(search()->text(), QStringLiteral("Z"));
    QCOMPARE(m_user->statements.size(), 2);
    QVERIFY(m_user->statements.last().contains("like 'Z%'"));
    // Only the new fill's rows, none of the interrupted one's.
    QCOMPARE(model()->dataRowCount(), 40);
    for (const QString &idn : column(1))
        QVERIFY2(idn.startsWith("ZI"), qPrintable(idn));
    // The keystroke was handled inside the long fill, not after it.
    QVERIFY2(largest < 20040, qPrintable(QString::number(largest)));
    QVERIFY(hourglassWhileFilling);
    QCOMPARE(waiting(), false);

    // A full fill hands rows over in time slices, not row by row.
    batches = 0;
    search()->clear();
    QCOMPARE(model()->dataRowCount(), 20040);
    QVERIFY2(batches < 200, qPrintable(QString::number(batches)));
}

void TestFrmView::closingDuringFillStopsIt()
{
    {
        DbWriter &w = m_db->writer();
        w.begin();
        for (int i = 0; i < 20000; ++i) {
            const QString hn = QStringLiteral("P%1").arg(i);
            m_db->patient(hn, QStringLiteral("Patient%1").arg(i), "Pat", "P");
            m_db->admission(QStringLiteral("I%1").arg(i), hn, "2B-01", "2026-11-01 10:00:00");
        }
        w.commit();
        m_db->close();
    }
    m_user = installTestUser(m_db->path());
    QPointer<frmview> screen = new frmview;
    screen->setAttribute(Qt::WA_DeleteOnClose);
    screen->show();
    auto *rows = qobject_cast<TextGridModel *>(screen->findChild<QTableView *>("Grid1")->model());
    int closedAt = -1;
    int batches = 0;
    connect(rows, &QAbstractItemModel::rowsInserted, this, [&] {
        ++batches;
        if (closedAt < 0) {
            closedAt = rows->dataRowCount();
            QTimer::singleShot(0, screen.data(), &QWidget::close);
        }
    });
    QTRY_VERIFY(screen.isNull());
    QVERIFY(closedAt > 0 && closedAt < 20000);
    QCOMPARE(batches, 1); // nothing more was added once the window closed
    QCOMPARE(m_user->statements.size(), 1);
}

// A connection that a failed reconnect at a scan left closed logs in again.
void TestFrmView::closedConnectionIsOpenedAgain()
{
    seed();
    open();
    DialogRecorder dialogs;
    m_user->SQLConnection()->Close();
    m_screen->findChild<QPushButton *>("Command1")->click();
    QCOMPARE(dialogs.messageCount(), 0);
    QCOMPARE(model()->dataRowCount(), 10);
}

void TestFrmView::queryErrorIsReported()
{
    SKIP_UNLESS_DATABASE_CAN_GO();
    seed();
    open();
    QVERIFY(model()->dataRowCount() > 0);
    DialogRecorder dialogs;
    bool hourglassDuringBox = true;
    dialogs.onMessage([&](const Dialogs::Message &) { hourglassDuringBox = waiting(); });
    m_user->SQLConnection()->Close();
    QVERIFY(takeDatabaseAway(m_db->path()));
    m_screen->findChild<QPushButton *>("Command1")->click();
    QCOMPARE(dialogs.messageCount(), 1);
    QVERIFY2(dialogs.texts().first().startsWith(Texts::ErrorInConnection + databaseGoneDescription()),
             qPrintable(dialogs.texts().first()));
    QCOMPARE(dialogs.events().first().title, QStringLiteral("Wardcheck"));
    QCOMPARE(hourglassDuringBox, false);
    QCOMPARE(model()->dataRowCount(), 0);

    // The screen goes on working once the database is back.
    QVERIFY(bringDatabaseBack(m_db->path()));
    m_screen->findChild<QPushButton *>("Command1")->click();
    QCOMPARE(model()->dataRowCount(), 10);
    QCOMPARE(dialogs.messageCount(), 1);
}

void TestFrmView::printsCurrentRow()
{
    seed();
    open();
    QCOMPARE(grid()->currentIndex().row(), 0); // the first row is current after a fill
    auto *print = m_screen->findChild<QPushButton *>("cmdPrint");
    print->click();
    grid()->setCurrentIndex(model()->index(3, 2));
    QTest::mouseClick(print, Qt::LeftButton);
    // The printer logs in again on a connection a failed reconnect left closed.
    m_user->SQLConnection()->Close();
    QTest::mouseClick(print, Qt::LeftButton);
    QCOMPARE(FakePrinter::calls, QStringList({"1 connection current", "1 print [] [A99]", "2 connection current",
                                              "2 print [H3] [A3]", "3 connection current", "3 print [H3] [A3]"}));
    // A separate component per print, each released afterwards.
    QCOMPARE(FakePrinter::created, 3);
    QCOMPARE(FakePrinter::destroyed, 3);
    QCOMPARE(grid()->currentIndex().row(), 3);
    QCOMPARE(m_user->statements.size(), 1); // printing does not refill
    QCOMPARE(waiting(), false);
}

void TestFrmView::doubleClickPrintsThatRow()
{
    seed();
    open();
    QWidget *viewport = grid()->viewport();
    const QPoint at = grid()->visualRect(model()->index(2, 2)).center();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    QCOMPARE(FakePrinter::calls, QStringList({"1 connection current", "1 print [H1] [A1]"}));
    QCOMPARE(FakePrinter::destroyed, 1);
}

void TestFrmView::printWithoutRowDoesNothing()
{
    seed();
    open();
    DialogRecorder dialogs;
    search()->setText("Nobody");
    QCOMPARE(model()->dataRowCount(), 0);
    m_screen->findChild<QPushButton *>("cmdPrint")->click();
    QCOMPARE(FakePrinter::created, 0);
    QCOMPARE(dialogs.messageCount(), 0);
}

void TestFrmView::printFailureIsReported()
{
    seed();
    open();
    DialogRecorder dialogs;
    // What the printer says of a band it sent is shown as it says it.
    FakePrinter::notice = QStringLiteral("The printer Wristband has not confirmed the wristband for Santos, Maria.");
    m_screen->findChild<QPushButton *>("cmdPrint")->click();
    FakePrinter::notice.clear();
    QCOMPARE(dialogs.texts(), QStringList{"The printer Wristband has not confirmed the wristband for Santos, Maria."});
    dialogs.clear();
    FakePrinter::failing = true;
    m_screen->findChild<QPushButton *>("cmdPrint")->click();
    QCOMPARE(dialogs.texts(), QStringList{Texts::WristbandNotPrinted + "Printer out of labels"});
    QCOMPARE(FakePrinter::destroyed, 2);
    QCOMPARE(waiting(), false);

    // No component registered at all: reported, not fatal.
    ComponentRegistry::remove(ComponentIds::Barcode);
    m_screen->findChild<QPushButton *>("cmdPrint")->click();
    QCOMPARE(dialogs.messageCount(), 2);
    QVERIFY(dialogs.texts().last().startsWith("The wristband could not be printed."));
    QVERIFY(m_screen->isVisible());
}

void TestFrmView::printWaitsForASettledList_data()
{
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("Alt+P") << false;
    QTest::newRow("double-click") << true;
}

// A letter typed into the search box starts a fill, and the fill lets the
// events queued behind the letter run before it removes the old rows. A
// print queued there was meant for the old list; it must not print the old
// list's current patient, nor anyone else.
void TestFrmView::printWaitsForASettledList()
{
    QFETCH(bool, doubleClick);
    seed();
    open();
    DialogRecorder dialogs;
    QApplication::setActiveWindow(m_screen.get());
    search()->setFocus();
    QCOMPARE(model()->text(0, 1), QStringLiteral("A99")); // current before the search

    QWindow *window = m_screen->windowHandle();
    const auto post = [&](int key, Qt::KeyboardModifiers modifiers, const QString &text) {
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(window, type, key,
                                                                                                 modifiers, text);
    };
    post(Qt::Key_S, Qt::ShiftModifier, QStringLiteral("S"));
    if (doubleClick) {
        const QPoint at = grid()->viewport()->mapTo(m_screen.get(), grid()->visualRect(model()->index(0, 2)).center());
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                                        QEvent::MouseButtonRelease}) {
            QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
                window, at, window->mapToGlobal(at), type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                Qt::LeftButton, type);
        }
    } else {
        post(Qt::Key_P, Qt::AltModifier, QString());
    }
    // Alt+P clicks the button a moment after pressing it.
    QTRY_VERIFY(m_user->statements.size() == 2 && !waiting()
                && (!FakePrinter::calls.isEmpty() || dialogs.beepCount() > 0));
    QVERIFY(m_user->statements.last().contains("like 'S%'"));

    QCOMPARE(FakePrinter::calls, QStringList());
    QCOMPARE(dialogs.sequence(), QStringList({"beep"}));
    // Once settled, the list prints what it shows.
    m_screen->findChild<QPushButton *>("cmdPrint")->click();
    const int row = grid()->currentIndex().row();
    QCOMPARE(FakePrinter::calls.last(),
             QStringLiteral("1 print [%1] [%2]").arg(model()->text(row, 0), model()->text(row, 1)));
    QVERIFY(model()->text(row, 2).startsWith(QLatin1Char('S')));
}

WARDCHECK_TEST_MAIN(TestFrmView)
#include "tst_frmview.moc"
