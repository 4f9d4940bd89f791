// Nothing a nurse must read is cut off: at the designed size, with the
// fonts the project installs, no caption of any screen is clipped and no
// cell of the demo ward's lists is elided.
#include "dialogrecorder.h"
#include "fittext.h"
#include "fixture.h"
#include "frmextraction.h"
#include "frmmain.h"
#include "frmmeds.h"
#include "frmview.h"
#include "logindialog.h"
#include "look.h"
#include "session.h"
#include "testmain.h"

#include <QAbstractButton>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStyle>
#include <QTableView>
#include <QtTest>

namespace {

// Controls whose text does not fit, as "name: text (needs N, has M)".
QStringList clippedCaptions(QWidget *window)
{
    QStringList clipped;
    const auto report = [&](QWidget *control, const QString &text, int needs) {
        if (needs > control->width())
            clipped << QStringLiteral("%1: %2 (needs %3, has %4)")
                           .arg(control->objectName(), text)
                           .arg(needs)
                           .arg(control->width());
    };
    for (QLabel *label : window->findChildren<QLabel *>()) {
        if (label->text().isEmpty() || label->wordWrap())
            continue;
        const QString text = QString(label->text()).remove(QLatin1Char('&'));
        report(label, text, label->fontMetrics().horizontalAdvance(text) + 2 * label->margin());
    }
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (button->text().isEmpty())
            continue;
        const QString text = QString(button->text()).remove(QLatin1Char('&'));
        if (qobject_cast<QPushButton *>(button)) {
            // Push buttons keep a style's least width; only the text itself counts.
            const int margin = 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
            report(button, text, button->fontMetrics().horizontalAdvance(text) + margin);
        } else {
            report(button, text, button->sizeHint().width());
        }
    }
    return clipped;
}

// Cells that the list draws shortened, as "row,column: text": the text's
// width, in fractions of a pixel, is more than the room its cell gives it.
// A column shown in full elsewhere may be left out.
QStringList elidedCells(QTableView *view, int shownElsewhere = -1)
{
    QStringList elided;
    const QAbstractItemModel *model = view->model();
    const QFontMetricsF metrics(view->font());
    for (int r = 0; r < model->rowCount(); ++r) {
        for (int c = 0; c < model->columnCount(); ++c) {
            if (c == shownElsewhere)
                continue;
            const QString text = model->index(r, c).data().toString();
            if (metrics.horizontalAdvance(text) > FitText::cellTextRoom(view, view->columnWidth(c)))
                elided << QStringLiteral("%1,%2: %3").arg(r).arg(c).arg(text);
        }
    }
    return elided;
}

// A column of a list by its title.
int column(const QTableView *view, const QString &title)
{
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        if (view->model()->headerData(c, Qt::Horizontal).toString() == title)
            return c;
    }
    return -1;
}

QStringList demoContainers()
{
    QStringList codes;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("codes"));
        db.setDatabaseName(QStringLiteral(DEMO_DB));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(QStringLiteral("select distinct refnum from tbLABmaster order by refnum"), db);
            while (query.next())
                codes << query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("codes"));
    return codes;
}

} // namespace

class TestNothingCutOff : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void fontsAreTheInstalledOnes_data();
    void fontsAreTheInstalledOnes();
    void captions();
    void verificationList();
    void patientList();
    void manyExams();

private:
    DialogRecorder m_dialogs;
};

void TestNothingCutOff::initTestCase()
{
    installTestUser(QStringLiteral(DEMO_DB));
}

void TestNothingCutOff::cleanupTestCase()
{
    Session::reset();
}

void TestNothingCutOff::fontsAreTheInstalledOnes_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QString>("family");
    QTest::newRow("Calibri") << Look::calibri(11.25) << "Carlito";
    QTest::newRow("Verdana") << Look::verdana(9.75) << "DejaVu Sans";
    QTest::newRow("Tahoma") << Look::tahoma(9.75) << "DejaVu Sans";
    QTest::newRow("Arial") << Look::arial(8.25) << "Liberation Sans";
}

// What this test measures with: the fonts scripts/install-deps.sh installs.
void TestNothingCutOff::fontsAreTheInstalledOnes()
{
#ifdef Q_OS_WIN
    // Windows has Verdana, Tahoma and Arial themselves; under Wine the suites
    // draw with the Linux stand-ins of their font folder, without
    // fontconfig's aliases to say which stands in for which.
    QSKIP("no font aliases on Windows");
#endif
    QFETCH(QFont, font);
    QFETCH(QString, family);
    QCOMPARE(QFontInfo(font).family(), family);
}

void TestNothingCutOff::captions()
{
    frmMain menu;
    frmMeds meds;
    frmExtraction extraction;
    frmview list;
    LoginDialog login;
    for (QWidget *window : std::initializer_list<QWidget *>{&menu, &meds, &extraction, &list, &login}) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QStringList clipped = clippedCaptions(window);
        QVERIFY2(clipped.isEmpty(),
                 qPrintable(window->objectName() + QStringLiteral(": ") + clipped.join(QStringLiteral("; "))));
    }
}

void TestNothingCutOff::verificationList()
{
    frmExtraction screen;
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    auto *box = screen.findChild<QLineEdit *>(QStringLiteral("txtAddContainerBarcode"));
    const QStringList codes = demoContainers();
    QVERIFY(codes.size() > 50);
    for (const QString &code : codes) {
        box->setText(code);
        QTest::keyClick(box, Qt::Key_Return);
    }
    auto *view = screen.findChild<QTableView *>(QStringLiteral("Grid1"));
    QVERIFY(view->model()->rowCount() > 50);
    // The exams show in full beside the list (manyExams).
    const QStringList elided = elidedCells(view, column(view, QStringLiteral("LabExam(s)")));
    QVERIFY2(elided.isEmpty(), qPrintable(elided.mid(0, 10).join(QStringLiteral("; "))));
}

void TestNothingCutOff::patientList()
{
    frmview screen;
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    auto *view = screen.findChild<QTableView *>(QStringLiteral("Grid1"));
    QTRY_VERIFY(view->model()->rowCount() > 200 && screen.cursor().shape() != Qt::WaitCursor);
    QStringList elided = elidedCells(view);
    QVERIFY2(elided.isEmpty(), qPrintable(elided.mid(0, 10).join(QStringLiteral("; "))));
    // A narrower list keeps the designed widths at the least.
    screen.findChild<QLineEdit *>(QStringLiteral("txtSearch"))->setText(QStringLiteral("Smi"));
    QTRY_VERIFY(screen.cursor().shape() != Qt::WaitCursor);
    elided = elidedCells(view);
    QVERIFY2(elided.isEmpty(), qPrintable(elided.mid(0, 10).join(QStringLiteral("; "))));
}

// A request with many exams pushes nothing off the verification list: the
// exams column keeps its designed width, the name and the container code
// stay in view, whole, and the exams show in full beside the list.
void TestNothingCutOff::manyExams()
{
    FixtureDb db;
    db.patient(QStringLiteral("H1"), QStringLiteral("Dela Cruz"), QStringLiteral("Juan"), QStringLiteral("Santos"));
    db.admission(QStringLiteral("A1"), QStringLiteral("H1"));
    QStringList names;
    for (int i = 1; i <= 20; ++i) {
        const QString id = QStringLiteral("E%1").arg(i);
        names << QStringLiteral("Serum electrolyte panel %1").arg(i);
        db.exam(id, names.last());
        db.labRow(QStringLiteral("L1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("Q1"), id);
    }
    db.close();
    Session::reset();
    installTestUser(db.path());
    const auto backToTheDemo = qScopeGuard([] {
        Session::reset();
        installTestUser(QStringLiteral(DEMO_DB));
    });

    frmExtraction screen;
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));
    auto *box = screen.findChild<QLineEdit *>(QStringLiteral("txtAddContainerBarcode"));
    auto *view = screen.findChild<QTableView *>(QStringLiteral("Grid1"));
    const int exams = column(view, QStringLiteral("LabExam(s)"));
    const int name = column(view, QStringLiteral("PatientName"));
    const int code = column(view, QStringLiteral("RefNum"));
    QVERIFY(exams >= 0 && name >= 0 && code >= 0);
    const int designedExams = view->columnWidth(exams);
    box->setText(QStringLiteral("L1"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(view->model()->rowCount(), 1);

    QCOMPARE(view->columnWidth(exams), designedExams);
    const QStringList elided = elidedCells(view, exams);
    QVERIFY2(elided.isEmpty(), qPrintable(elided.join(QStringLiteral("; "))));
    const int room = view->viewport()->width();
    const int nameEnds = view->columnViewportPosition(name) + view->columnWidth(name);
    QVERIFY2(nameEnds <= room, qPrintable(QStringLiteral("the name ends at %1 of %2").arg(nameEnds).arg(room)));
    QVERIFY2(
        view->columnViewportPosition(code) < room,
        qPrintable(
            QStringLiteral("the container code starts at %1 of %2").arg(view->columnViewportPosition(code)).arg(room)));

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
    QCOMPARE(screen.findChild<QPlainTextEdit *>(QStringLiteral("lblExamInfo"))->toPlainText(),
             names.join(QStringLiteral(", ")));
}

WARDCHECK_TEST_MAIN(TestNothingCutOff)
#include "tst_nothingcutoff.moc"
