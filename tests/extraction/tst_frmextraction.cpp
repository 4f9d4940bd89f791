#include "appinfo.h"
#include "extractionfixture.h"
#include "extractiontexts.h"
#include "session.h"
#include "sqltext.h"
#include "testmain.h"
#include "texts.h"

#include <QFile>
#include <QHeaderView>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {
const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);
const QColor White(255, 255, 255);
const QColor DarkGreen(0, 192, 0);
const QColor Black(0, 0, 0);

QString fore(QLabel *label)
{
    return label->palette().color(QPalette::WindowText).name();
}
} // namespace

class TestFrmExtraction : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadShowsTheDesignedScreen();
    void step1Scan_data();
    void step1Scan();
    void statementIsSentExactly();
    void duplicatesAreExactMatchesOnly();
    void queryErrorKeepsTextAndRows();
    void reconnectFailureIsReportedAndRecoverable();
    void listIsFullAt32767Rows();
    void closeDuringLookupWaitsForItsEnd();
    void lookupIsNotReentered();
    void keysSentDuringLookupAreReplayedAfterIt();
    void clearDuringLookupEndsIt();
    void bedsideCheck_data();
    void bedsideCheck();
    void greenRowsSurviveChecksAndTabSwitches();
    void checkWithEmptyList();
    void clearList_data();
    void clearList();
    void listClick();
    void picturesFollowFocusAndClicks();
    void resizeSkipsImpossibleSizes();

private:
    void scan(QLineEdit *box, const QString &code);
    void preload(const QStringList &codes);

    std::unique_ptr<FixtureDb> m_db;
    std::unique_ptr<DialogRecorder> m_dialogs;
    TestUser *m_user = nullptr;
    QPointer<frmExtraction> m_form;
    std::unique_ptr<ExtractionScreen> s;
};

void TestFrmExtraction::init()
{
    m_db = std::make_unique<FixtureDb>();
    fillLab(*m_db);
    m_db->close();
    m_user = installTestUser(m_db->path());
    m_dialogs = std::make_unique<DialogRecorder>();
    m_form = new frmExtraction();
    m_form->setAttribute(Qt::WA_DeleteOnClose);
    s = std::make_unique<ExtractionScreen>(m_form);
    QVERIFY(showActive(m_form));
}

void TestFrmExtraction::cleanup()
{
    s.reset();
    delete m_form;
    m_dialogs.reset();
    Session::reset();
    m_db.reset();
}

void TestFrmExtraction::scan(QLineEdit *box, const QString &code)
{
    box->setText(code);
    QTest::keyClick(box, Qt::Key_Return);
}

void TestFrmExtraction::preload(const QStringList &codes)
{
    for (const QString &code : codes)
        scan(s->add, code);
    QCOMPARE(s->model->size(), codes.size());
    m_dialogs->clear();
}

void TestFrmExtraction::loadShowsTheDesignedScreen()
{
    QCOMPARE(m_form->windowTitle(), AppInfo::captionWithVersion(QStringLiteral("ORVANE Wardcheck - Extraction")));
    QVERIFY(!m_form->windowIcon().isNull());
    QCOMPARE(s->tabs->tabText(0), QStringLiteral("     Step 1 - Lab Section     "));
    QCOMPARE(s->tabs->tabText(1), QStringLiteral("     Step 2 - Bedside Verification     "));
    QCOMPARE(s->tabs->currentIndex(), 0);
    QCOMPARE(m_form->focusWidget(), s->add);
    QCOMPARE(s->model->size(), 0);

    const QStringList titles = {"HospNum",   "IDNum", "LabExam(s)", "PatientName", "Room",
                                "Birthdate", "Sex",   "RefNum",     "RequestNum"};
    const int widths[] = {1000, 900, 3000, 3000, 1000, 1200, 600, 1200, 1300};
    QCOMPARE(s->model->columnCount(), 9);
    for (int c = 0; c < 9; ++c) {
        QCOMPARE(s->model->headerData(c, Qt::Horizontal).toString(), titles.at(c));
        QCOMPARE(s->grid->columnWidth(c), qRound(widths[c] / 15.0)); // to the nearest pixel
    }
    QCOMPARE(s->grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(s->stripColour(), White);
    QCOMPARE(fore(s->title0), DarkGreen.name());
    for (QLabel *picture : {s->picture1, s->picture2, s->picture3})
        QVERIFY2(!picture->pixmap().isNull(), qPrintable(picture->objectName()));
    auto *timer = m_form->findChild<QTimer *>(QStringLiteral("tmrAutoFocus"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 5000);
}

void TestFrmExtraction::step1Scan_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("boxAfter");

    QTest::newRow("three exams")
        << "L001" << QStringList()
        << QStringList{"H001|A100|CBC, Urinalysis, Lipid Profile|Dela Cruz, Juan Santos|2B-07|3/14/1958|M|L001| R1"}
        << "";
    QTest::newRow("missing catalogue entry, time of birth")
        << "L002" << QStringList()
        << QStringList{"H002|A200|CBC, |O'Brien, Mary Ann|3C-01|7/1/1990 8:15:00 AM|F|L002| R2"} << "";
    QTest::newRow("no patient or admission rows")
        << "L003" << QStringList() << QStringList{"|A300|Urinalysis|||||L003| R3"} << "";
    QTest::newRow("request without admission number")
        << "L004" << QStringList() << QStringList{"H001||CBC|Dela Cruz, Juan Santos||3/14/1958|M|L004| R4"} << "";
    QTest::newRow("apostrophe in code")
        << "L'5" << QStringList()
        << QStringList{"H002|A200|Urinalysis|O'Brien, Mary Ann|3C-01|7/1/1990 8:15:00 AM|F|L'5| R5"} << "";
    QTest::newRow("unknown code") << "L999" << QStringList{ExtractionTexts::InvalidBarcode} << QStringList() << "";
    QTest::newRow("leading blank is part of the code")
        << " L001" << QStringList{ExtractionTexts::InvalidBarcode} << QStringList() << "";
    QTest::newRow("hostile text") << "x' or '1'='1" << QStringList{ExtractionTexts::InvalidBarcode} << QStringList()
                                  << "";
    QTest::newRow("statement end and comment")
        << "L001'; drop table tbLABmaster; --" << QStringList{ExtractionTexts::InvalidBarcode} << QStringList() << "";
    QTest::newRow("blanks only") << "   " << QStringList() << QStringList() << "   ";
    QTest::newRow("empty") << "" << QStringList() << QStringList() << "";
}

void TestFrmExtraction::step1Scan()
{
    QFETCH(QString, code);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, rows);
    QFETCH(QString, boxAfter);

    const QByteArray before = m_db->bytes();
    scan(s->add, code);
    QCOMPARE(m_dialogs->texts(), messages);
    for (const auto &event : m_dialogs->events())
        QCOMPARE(event.title, QStringLiteral("Wardcheck"));
    QCOMPARE(s->model->size(), rows.size());
    for (int r = 0; r < rows.size(); ++r)
        QCOMPARE(s->row(r), rows.at(r));
    QCOMPARE(s->add->text(), boxAfter);
    QCOMPARE(m_user->statements.size(), code.trimmed().isEmpty() ? 0 : 1);
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(m_db->bytes(), before);
    QCOMPARE(s->info->toPlainText(), QString());
}

void TestFrmExtraction::statementIsSentExactly()
{
    scan(s->add, QStringLiteral("O'B L1"));
    QCOMPARE(m_user->statements.size(), 1);
    QCOMPARE(
        m_user->statements.first(),
        QStringLiteral(
            "  select   refnum, M.Hospnum as HN,L.idnum as IDN,L.RequestNum,L.ItemID,B.LabExam,M.Lastname + ', ' + "
            "M.Firstname + ' ' +M.Middlename as PatientName, N.RoomID,  M.Birthdate, M.Sex   from "
            "[Laboratory].[dbo].[tbLABmaster] L   left outer join patient_data..tbmaster M on L.Hospnum = "
            "M.Hospnum  left outer join patient_data..tbpatient N on L.idnum = N.IDNum  left outer join "
            "build_file..tbcoLabExam B on L.[ItemID] = B.LabExamId  where refnum = 'O''B L1' "));
}

void TestFrmExtraction::duplicatesAreExactMatchesOnly()
{
    scan(s->add, QStringLiteral("L001"));
    scan(s->add, QStringLiteral("L001"));
    QCOMPARE(m_dialogs->texts(), QStringList{ExtractionTexts::AlreadyInList});
    QCOMPARE(m_user->statements.size(), 1);
    QCOMPARE(s->add->text(), QString());
    QCOMPARE(s->model->size(), 1);

    // Not the same text, so not a duplicate for the list; the database
    // (whose collation ignores case) finds the request.
    m_dialogs->clear();
    scan(s->add, QStringLiteral("l001"));
    QCOMPARE(m_dialogs->texts(), QStringList());
    QCOMPARE(m_user->statements.size(), 2);
    QCOMPARE(s->model->size(), 2);
}

void TestFrmExtraction::queryErrorKeepsTextAndRows()
{
    scan(s->add, QStringLiteral("L001"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("breaker"));
        db.setDatabaseName(m_db->path());
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("drop table tbcoLabExam")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("breaker"));

    scan(s->add, QStringLiteral("L002"));
    QCOMPARE(m_dialogs->messageCount(), 1);
    const QString message = m_dialogs->texts().first();
    QVERIFY2(message.startsWith(Texts::ErrorInConnection) && message.size() > 20, qPrintable(message));
    QCOMPARE(s->add->text(), QStringLiteral("L002"));
    QCOMPARE(s->model->size(), 1);
    QCOMPARE(s->model->text(0, frmExtraction::RefNum), QStringLiteral("L001"));
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);
}

void TestFrmExtraction::reconnectFailureIsReportedAndRecoverable()
{
    SKIP_UNLESS_DATABASE_CAN_GO();
    QVERIFY(takeDatabaseAway(m_db->path()));
    scan(s->add, QStringLiteral("L001"));
    QCOMPARE(m_dialogs->messageCount(), 1);
    QVERIFY(m_dialogs->texts().first().startsWith(Texts::ErrorInConnection));
    QVERIFY(m_dialogs->texts().first().size() > 20);
    QCOMPARE(s->add->text(), QStringLiteral("L001"));
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);

    QVERIFY(bringDatabaseBack(m_db->path()));
    QTest::keyClick(s->add, Qt::Key_Return);
    QCOMPARE(m_dialogs->messageCount(), 1);
    QCOMPARE(s->model->size(), 1);
}

void TestFrmExtraction::listIsFullAt32767Rows()
{
    QList<ListedContainer> filler;
    for (int i = 0; i < frmExtraction::MaxContainerRows - 1; ++i)
        filler << listedContainer(QStringLiteral("F%1").arg(i));
    s->model->append(filler);

    scan(s->add, QStringLiteral("L001")); // the last free row
    QCOMPARE(m_dialogs->messageCount(), 0);
    QCOMPARE(s->model->size(), 32767);
    const QString last = s->row(32766);

    scan(s->add, QStringLiteral("L002"));
    QCOMPARE(m_dialogs->messageCount(), 1);
    QVERIFY(m_dialogs->texts().first().contains(QStringLiteral("full")));
    QCOMPARE(s->model->size(), 32767);
    QCOMPARE(s->row(32766), last);
    QCOMPARE(m_user->statements.size(), 1);
    QCOMPARE(s->add->text(), QString());

    m_dialogs->clear();
    scan(s->add, QStringLiteral("L001"));
    QCOMPARE(m_dialogs->texts(), QStringList{ExtractionTexts::AlreadyInList});
}

void TestFrmExtraction::closeDuringLookupWaitsForItsEnd()
{
    bool visibleInLookup = false;
    Qt::CursorShape cursorInLookup = Qt::ArrowCursor;
    QTimer::singleShot(0, m_form, [this, &visibleInLookup, &cursorInLookup] {
        cursorInLookup = m_form->cursor().shape();
        m_form->close();
        visibleInLookup = m_form->isVisible();
    });
    scan(s->add, QStringLiteral("L001"));
    QCOMPARE(cursorInLookup, Qt::WaitCursor);
    QVERIFY(visibleInLookup);
    QVERIFY(m_form);
    QCOMPARE(s->model->size(), 1);
    QCOMPARE(s->model->text(0, frmExtraction::LabExams), QStringLiteral("CBC, Urinalysis, Lipid Profile"));
    s.reset();
    QTRY_VERIFY(m_form.isNull());
}

void TestFrmExtraction::lookupIsNotReentered()
{
    QTimer::singleShot(0, m_form, [this] { emit s->add->returnPressed(); });
    scan(s->add, QStringLiteral("L001"));
    QCOMPARE(m_user->statements.size(), 1);
    QCOMPARE(s->model->size(), 1);
    QCOMPARE(s->model->text(0, frmExtraction::LabExams), QStringLiteral("CBC, Urinalysis, Lipid Profile"));
}

// The next container's keys, sent straight to the box while a lookup runs
// (bypassing every queue), wait for it and are then typed in order: the
// second container is looked up after the first, neither mixed into it nor
// lost.
void TestFrmExtraction::keysSentDuringLookupAreReplayedAfterIt()
{
    QString boxDuringLookup;
    QTimer::singleShot(0, m_form, [this, &boxDuringLookup] {
        QTest::keyClicks(s->add, QStringLiteral("L002"));
        QTest::keyClick(s->add, Qt::Key_Return);
        boxDuringLookup = s->add->text();
    });
    scan(s->add, QStringLiteral("L001"));
    QCOMPARE(boxDuringLookup, QStringLiteral("L001"));
    QCOMPARE(m_user->statements, QStringList({ContainerList::statement(QStringLiteral("L001")),
                                              ContainerList::statement(QStringLiteral("L002"))}));
    QCOMPARE(s->model->size(), 2);
    QCOMPARE(s->model->text(1, frmExtraction::RefNum), QStringLiteral("L002"));
    QCOMPARE(s->add->text(), QString());
}

void TestFrmExtraction::clearDuringLookupEndsIt()
{
    // Only something other than user input could get here mid-lookup;
    // the exams of the lookup must then not land in any remaining row.
    preload({QStringLiteral("L002")});
    m_dialogs->answerNext(Dialogs::Answer::Yes);
    QTimer::singleShot(0, m_form, [this] {
        s->model->append(listedContainer("OTHER"));
        s->clear->click();
        s->model->append(listedContainer("LATER", "Y"));
    });
    scan(s->add, QStringLiteral("L001"));
    QCOMPARE(s->model->size(), 1);
    QCOMPARE(s->model->text(0, frmExtraction::LabExams), QStringLiteral("Y"));
    QCOMPARE(s->add->text(), QStringLiteral("L001"));
    QCOMPARE(m_form->cursor().shape(), Qt::ArrowCursor);
}

void TestFrmExtraction::bedsideCheck_data()
{
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("patient");
    QTest::addColumn<int>("passRow");

    QTest::newRow("right pair") << "L001"
                                << "A100" << 0;
    QTest::newRow("right pair, second row") << "L002"
                                            << "A200" << 1;
    QTest::newRow("right container, wrong patient") << "L001"
                                                    << "A200" << -1;
    QTest::newRow("right patient, other row's container") << "L002"
                                                          << "A100" << -1;
    QTest::newRow("container case") << "l001"
                                    << "A100" << -1;
    QTest::newRow("patient case") << "L001"
                                  << "a100" << -1;
    QTest::newRow("container trailing blank") << "L001 "
                                              << "A100" << -1;
    QTest::newRow("patient leading blank") << "L001"
                                           << " A100" << -1;
    QTest::newRow("prefixes") << "L00"
                              << "A10" << -1;
    QTest::newRow("empty container box") << ""
                                         << "A100" << -1;
    QTest::newRow("empty wristband, request without admission") << "L004"
                                                                << "" << -1;
    QTest::newRow("both empty") << ""
                                << "" << -1;
}

void TestFrmExtraction::bedsideCheck()
{
    QFETCH(QString, container);
    QFETCH(QString, patient);
    QFETCH(int, passRow);

    preload({QStringLiteral("L001"), QStringLiteral("L002"), QStringLiteral("L004")});
    s->tabs->setCurrentIndex(1);
    s->info->setPlainText(QStringLiteral("earlier"));

    QColor stripDuringMessage;
    m_dialogs->onMessage([&](const Dialogs::Message &) { stripDuringMessage = s->stripColour(); });
    scan(s->container, container);
    QCOMPARE(m_form->focusWidget(), s->patient);
    QVERIFY(s->picture2->isVisible() && !s->picture1->isVisible());
    QCOMPARE(fore(s->title0), Black.name());
    QCOMPARE(fore(s->title1), DarkGreen.name());
    scan(s->patient, patient);

    QCOMPARE(m_dialogs->events().first().title, QStringLiteral("Verification"));
    if (passRow < 0) {
        QCOMPARE(m_dialogs->sequence(),
                 (QStringList{QStringLiteral("M:") + Texts::FailedVerification, QStringLiteral("beep")}));
        QCOMPARE(stripDuringMessage, Red);
        QCOMPARE(s->stripColour(), Red);
        QCOMPARE(s->info->toPlainText(), QString());
    } else {
        const QString expected = s->model->text(passRow, frmExtraction::PatientName) + QStringLiteral(": ")
                                 + s->model->text(passRow, frmExtraction::LabExams);
        QCOMPARE(m_dialogs->sequence(),
                 QStringList{QStringLiteral("M:") + ExtractionTexts::PassedVerification + expected});
        QCOMPARE(stripDuringMessage, Green);
        QCOMPARE(s->stripColour(), Green);
        QCOMPARE(s->info->toPlainText(), expected);
        QCOMPARE(s->grid->currentIndex(), s->model->index(passRow, 8));
    }
    for (int r = 0; r < s->model->size(); ++r)
        for (int c = 0; c < 9; ++c)
            QCOMPARE(s->background(r, c), r == passRow ? Green : QColor());

    QCOMPARE(s->container->text(), QString());
    QCOMPARE(s->patient->text(), QString());
    QCOMPARE(m_form->focusWidget(), s->container);
    QVERIFY(s->picture1->isVisible() && !s->picture2->isVisible());
    QCOMPARE(fore(s->title0), DarkGreen.name());
    QCOMPARE(fore(s->title1), Black.name());
}

void TestFrmExtraction::greenRowsSurviveChecksAndTabSwitches()
{
    preload({QStringLiteral("L001"), QStringLiteral("L002")});
    s->tabs->setCurrentIndex(1);
    const auto check = [this](const char *container, const char *patient) {
        scan(s->container, QString::fromLatin1(container));
        scan(s->patient, QString::fromLatin1(patient));
    };
    check("L001", "A100");
    check("L002", "A200");
    check("L001", "A200");
    check("L001", "A100");
    QCOMPARE(m_dialogs->texts().size(), 4);
    QCOMPARE(m_dialogs->texts().at(3), m_dialogs->texts().at(0));

    s->tabs->setCurrentIndex(0);
    s->add->setText(QStringLiteral("typed"));
    s->container->setText(QStringLiteral("half"));
    s->tabs->setCurrentIndex(1);
    QCOMPARE(s->container->text(), QString());
    QCOMPARE(s->stripColour(), White);
    s->tabs->setCurrentIndex(0);
    QCOMPARE(s->add->text(), QString());
    QCOMPARE(m_form->focusWidget(), s->add);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 9; ++c)
            QCOMPARE(s->background(r, c), Green);
}

void TestFrmExtraction::checkWithEmptyList()
{
    s->tabs->setCurrentIndex(1);
    scan(s->container, QStringLiteral("L001"));
    s->patient->setText(QStringLiteral("A100"));
    s->container->setText(QStringLiteral("L001"));
    QTest::keyClick(s->patient, Qt::Key_Return);
    QCOMPARE(m_dialogs->sequence(), QStringList{QStringLiteral("M:") + ExtractionTexts::NoContainers});
    QCOMPARE(m_dialogs->events().first().title, QStringLiteral("Verification"));
    QCOMPARE(s->patient->text(), QString());
    QCOMPARE(s->container->text(), QString());
    QCOMPARE(m_form->focusWidget(), s->patient);
    QCOMPARE(fore(s->title1), DarkGreen.name());
    QCOMPARE(s->stripColour(), White);
}

void TestFrmExtraction::clearList_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("rowsAfter");
    QTest::newRow("no keeps rows") << 2 << false << 2;
    QTest::newRow("yes clears") << 2 << true << 0;
    QTest::newRow("yes on empty list") << 0 << true << 0;
}

void TestFrmExtraction::clearList()
{
    QFETCH(int, rows);
    QFETCH(bool, yes);
    QFETCH(int, rowsAfter);

    preload(QStringList{QStringLiteral("L001"), QStringLiteral("L002")}.mid(0, rows));
    s->info->setPlainText(QStringLiteral("kept"));
    s->add->setText(QStringLiteral("kept too"));
    s->grid->setFocus();
    if (yes)
        m_dialogs->answerNext(Dialogs::Answer::Yes);
    QTest::mouseClick(s->clear, Qt::LeftButton);
    QCOMPARE(m_dialogs->messageCount(), 1);
    QCOMPARE(m_dialogs->events().first().text, ExtractionTexts::ClearListQuestion);
    QCOMPARE(m_dialogs->events().first().title, QStringLiteral("Wardcheck"));
    QCOMPARE(m_dialogs->events().first().buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(s->model->size(), rowsAfter);
    QCOMPARE(s->model->columnCount(), 9);
    QCOMPARE(s->model->headerData(7, Qt::Horizontal).toString(), QStringLiteral("RefNum"));
    QCOMPARE(m_form->focusWidget(), s->add);
    QCOMPARE(s->info->toPlainText(), QStringLiteral("kept"));
    QCOMPARE(s->add->text(), QStringLiteral("kept too"));
}

void TestFrmExtraction::listClick()
{
    s->info->setPlainText(QStringLiteral("before"));
    QTest::mouseClick(s->grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(s->grid->columnViewportPosition(2) + 5, 5));
    QCOMPARE(s->info->toPlainText(), QStringLiteral("before"));

    preload({QStringLiteral("L001"), QStringLiteral("L002")});
    const QRect cell = s->grid->visualRect(s->model->index(1, 4));
    QTest::mouseClick(s->grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(s->info->toPlainText(), QStringLiteral("CBC, "));

    s->info->setPlainText(QStringLiteral("other"));
    QTest::mouseClick(s->grid->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(s->grid->columnViewportPosition(0) + 5, 5));
    QCOMPARE(s->info->toPlainText(), QStringLiteral("CBC, "));
}

void TestFrmExtraction::picturesFollowFocusAndClicks()
{
    s->tabs->setCurrentIndex(1);
    QCOMPARE(m_form->focusWidget(), s->container);
    scan(s->container, QString());
    QTest::mouseClick(s->picture2, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(m_form->focusWidget(), s->patient);
    s->container->setFocus();
    QVERIFY(s->picture1->isVisible() && !s->picture2->isVisible());
    s->grid->setFocus();
    QTest::mouseClick(s->label5, Qt::LeftButton);
    QCOMPARE(m_form->focusWidget(), s->container);

    s->tabs->setCurrentIndex(0);
    s->grid->setFocus();
    QTest::mouseClick(s->picture3, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(m_form->focusWidget(), s->add);
}

void TestFrmExtraction::resizeSkipsImpossibleSizes()
{
    auto *grid = s->grid;
    auto *strip = s->strip;
    auto *info = static_cast<QWidget *>(s->info);

    // The rule works on the outer size, frame included.
    const QSize frame = m_form->frameGeometry().size() - m_form->geometry().size();
    const auto resizeOuter = [&](int w, int h) { m_form->resize(QSize(w, h) - frame); };

    resizeOuter(900, 700);
    QCOMPARE(m_form->frameGeometry().size(), QSize(900, 700));
    QCOMPARE(grid->size(), QSize(830, 331));
    QCOMPARE(strip->geometry(), QRect(847, 208, 33, 459));
    QCOMPARE(s->tabs->geometry(), QRect(8, 8, 873, 193));
    QCOMPARE(info->geometry(), QRect(8, 562, 830, 105));

    // Too small for most sizes: those keep their last values, the rest follow.
    resizeOuter(60, 40);
    QCOMPARE(m_form->frameGeometry().size(), QSize(60, 40));
    QCOMPARE(grid->size(), QSize(830, 331));
    QCOMPARE(strip->geometry(), QRect(7, 208, 33, 459));
    QCOMPARE(s->tabs->geometry(), QRect(8, 8, 33, 193));
    QCOMPARE(info->geometry(), QRect(8, -98, 830, 105));

    resizeOuter(813, 573);
    QCOMPARE(grid->size(), QSize(743, 204));
    QCOMPARE(info->geometry(), QRect(8, 435, 743, 105));
}

WARDCHECK_TEST_MAIN(TestFrmExtraction)
#include "tst_frmextraction.moc"
