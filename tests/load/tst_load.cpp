// Thousands of scans at scanner speed, through the window system's queue,
// across both checking screens, with scans arriving while lookups run: not
// one character may be lost or land in the wrong box, and no lookup may
// start inside another.
#include "dialogrecorder.h"
#include "extractiontexts.h"
#include "fixture.h"
#include "frmextraction.h"
#include "frmmeds.h"
#include "frmview.h"
#include "medicinescan.h"
#include "medicinetexts.h"
#include "packagelookup.h"
#include "session.h"
#include "testmain.h"
#include "textgridmodel.h"
#include "texts.h"
#include "verificationlist.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <qpa/qwindowsysteminterface.h>
#include <QPointer>
#include <QTabBar>
#include <QTableView>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <random>

namespace {

constexpr int Packages = 60;
constexpr int ListedPatients = 20000;

QString package(int i)
{
    return QStringLiteral("C%1").arg(i, 5, 10, QLatin1Char('0'));
}
QString container(int i)
{
    return QStringLiteral("L%1").arg(i, 6, 10, QLatin1Char('0'));
}
QString admission(int i)
{
    return QStringLiteral("A%1").arg(i % 97, 4, 10, QLatin1Char('0'));
}

// The number of scans: WARDCHECK_LOAD_SCANS, or a short run for the suite.
int scanCount()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("WARDCHECK_LOAD_SCANS", &ok);
    return ok && n >= 8 ? n : 1000;
}

} // namespace

class TestLoad : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void scansAtScannerSpeed();
    void bedsideCheckDuringPatientListFill();

private:
    // Types the text (\n is Enter) into the window at 1 to 2 ms a key and
    // returns once every key is posted and done() holds.
    bool type(QWidget *window, const QString &text, const std::function<bool()> &done);

    std::unique_ptr<FixtureDb> m_db;
    TestUser *m_user = nullptr;
    std::mt19937 m_rng{20261208};
};

void TestLoad::initTestCase()
{
    m_db = std::make_unique<FixtureDb>();
    m_db->writer().begin();
    for (int p = 0; p < 97; ++p) {
        m_db->patient(QStringLiteral("H%1").arg(p), QStringLiteral("Last%1").arg(p), QStringLiteral("First"),
                      QStringLiteral("M"));
        m_db->admission(admission(p), QStringLiteral("H%1").arg(p));
    }
    m_db->item(QStringLiteral("I1"), QStringLiteral("Paracetamol"));
    m_db->item(QStringLiteral("I2"), QStringLiteral("Ibuprofen"));
    m_db->exam(QStringLiteral("X1"), QStringLiteral("Potassium"));
    for (int i = 0; i < Packages; ++i) {
        m_db->nurseRow(package(i), QStringLiteral("H%1").arg(i % 97), admission(i), QStringLiteral("R%1").arg(i),
                       QStringLiteral("I1"));
        m_db->nurseRow(package(i), QStringLiteral("H%1").arg(i % 97), admission(i), QStringLiteral("R%1").arg(i),
                       QStringLiteral("I2"));
    }
    for (int i = 0; i < 20000; ++i)
        m_db->labRow(container(i), QStringLiteral("H%1").arg(i % 97), admission(i), QStringLiteral("Q%1").arg(i),
                     QStringLiteral("X1"));
    // A long patient list, for checks made while it fills.
    for (int i = 0; i < ListedPatients; ++i) {
        const QString hn = QStringLiteral("WH%1").arg(i);
        m_db->patient(hn, QStringLiteral("Ward%1").arg(i), QStringLiteral("Pat"), QStringLiteral("P"));
        m_db->admission(QStringLiteral("W%1").arg(i), hn);
    }
    m_db->writer().commit();
    m_db->close();
    m_user = installTestUser(m_db->path());
}

void TestLoad::cleanupTestCase()
{
    Session::reset();
}

bool TestLoad::type(QWidget *window, const QString &text, const std::function<bool()> &done)
{
    // A window shown just before may still take the activation; insist.
    QElapsedTimer activating;
    activating.start();
    while (QApplication::activeWindow() != window && activating.elapsed() < 5000) {
        QApplication::setActiveWindow(window);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    if (QApplication::activeWindow() != window)
        return false;
    QWindow *handle = window->windowHandle();
    qsizetype next = 0;
    QTimer typist;
    typist.setTimerType(Qt::PreciseTimer);
    typist.setInterval(1);
    int skip = 0;
    QObject::connect(&typist, &QTimer::timeout, [&] {
        // One key every 1 or 2 ms, as a scanner types.
        if (skip-- > 0)
            return;
        skip = int(m_rng() % 2);
        const QChar c = text.at(next++);
        const int key = c == QLatin1Char('\n') ? int(Qt::Key_Return) : int(c.toUpper().unicode());
        const QString keyText = c == QLatin1Char('\n') ? QStringLiteral("\r") : QString(c);
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            handle, QEvent::KeyPress, key, Qt::NoModifier, keyText);
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            handle, QEvent::KeyRelease, key, Qt::NoModifier, keyText);
        if (next == text.size())
            typist.stop();
    });
    typist.start();
    QElapsedTimer clock;
    clock.start();
    const qint64 limit = 60000 + text.size() * 10;
    while ((next < text.size() || !done()) && clock.elapsed() < limit)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return next == text.size() && done();
}

void TestLoad::scansAtScannerSpeed()
{
    const int scans = scanCount();
    const int medicinePairs = scans / 4; // half the scans: package and wristband
    const int bedsidePairs = scans / 8; // a quarter: Step 2 container and wristband
    const int preloads = scans - 2 * medicinePairs - 2 * bedsidePairs; // the rest: Step 1 containers
    DialogRecorder dialogs;
    QPointer<frmMeds> meds = new frmMeds();
    QPointer<frmExtraction> extraction = new frmExtraction();
    meds->show();
    extraction->show();

    // Medicine: package then wristband, a third of them the wrong patient.
    QString text;
    QStringList expectedVerdicts, expectedStatements;
    for (int i = 0; i < medicinePairs; ++i) {
        const int p = int(m_rng() % Packages);
        const bool right = m_rng() % 3 != 0;
        text += package(p) + QLatin1Char('\n') + (right ? admission(p) : admission(p + 1)) + QLatin1Char('\n');
        expectedStatements << PackageLookup::statement(package(p)) << PackageLookup::statement(package(p));
        expectedVerdicts << (right ? QStringLiteral("M:") + MedicineTexts::OkToDispense
                                         + QStringLiteral("Last%1, First M").arg(p % 97)
                                   : QStringLiteral("M:") + Texts::FailedVerification);
        if (!right)
            expectedVerdicts << QStringLiteral("beep");
    }
    m_user->statements.clear();
    QVERIFY(type(meds, text, [&] { return dialogs.sequence().size() >= expectedVerdicts.size(); }));
    QCOMPARE(dialogs.sequence(), expectedVerdicts);
    QCOMPARE(m_user->statements, expectedStatements); // in order: no lookup inside another

    // Step 1: every container once, in scan order.
    dialogs.clear();
    m_user->statements.clear();
    text.clear();
    for (int i = 0; i < preloads; ++i)
        text += container(i) + QLatin1Char('\n');
    auto *list =
        qobject_cast<VerificationList *>(extraction->findChild<QTableView *>(QStringLiteral("Grid1"))->model());
    QVERIFY(type(extraction, text, [&] { return list->size() >= preloads; }));
    QCOMPARE(list->size(), preloads);
    for (int i = 0; i < preloads; ++i) {
        if (list->at(i).refNum != container(i) || list->at(i).idn != admission(i))
            QFAIL(qPrintable(QStringLiteral("row %1 holds %2 / %3").arg(i).arg(list->at(i).refNum, list->at(i).idn)));
    }
    QCOMPARE(m_user->statements.size(), preloads);
    QCOMPARE(dialogs.sequence(), QStringList());

    // Step 2: container then wristband, against the list.
    auto *tabs = extraction->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(1).center());
    QCOMPARE(tabs->currentIndex(), 1);
    text.clear();
    expectedVerdicts.clear();
    for (int i = 0; i < bedsidePairs; ++i) {
        const int c = int(m_rng() % preloads);
        const bool right = m_rng() % 3 != 0;
        text += container(c) + QLatin1Char('\n') + (right ? admission(c) : admission(c + 1)) + QLatin1Char('\n');
        expectedVerdicts << (right ? QStringLiteral("M:") + ExtractionTexts::PassedVerification
                                         + QStringLiteral("Last%1, First M: Potassium").arg(c % 97)
                                   : QStringLiteral("M:") + Texts::FailedVerification);
        if (!right)
            expectedVerdicts << QStringLiteral("beep");
    }
    dialogs.clear();
    QVERIFY(type(extraction, text, [&] { return dialogs.sequence().size() >= expectedVerdicts.size(); }));
    QCOMPARE(dialogs.sequence(), expectedVerdicts);

    const int typed = medicinePairs * 2 + preloads + bedsidePairs * 2;
    qInfo("load: %d scans at 1-2 ms a key through the window system's queue: 0 lost, 0 misrouted, 0 lookups inside "
          "another",
          typed);
    delete meds;
    delete extraction;
}

// The medicine lookup reconnects the one shared connection while the
// patient list, in another window, is in the middle of its fill: the list
// must still end complete and the check must still work.
void TestLoad::bedsideCheckDuringPatientListFill()
{
    DialogRecorder dialogs;
    QPointer<frmMeds> meds = new frmMeds();
    meds->show();
    QPointer<frmview> list = new frmview();
    auto *rows = qobject_cast<TextGridModel *>(list->findChild<QTableView *>(QStringLiteral("Grid1"))->model());
    const int admitted = 97 + ListedPatients;
    int rowsWhenScanned = -1;
    QObject::connect(rows, &QAbstractItemModel::rowsInserted, list, [&] {
        if (rowsWhenScanned >= 0)
            return;
        rowsWhenScanned = rows->dataRowCount();
        // The whole scan is queued at once, as a scanner's burst is, and
        // arrives at the fill's next yield.
        const QString scan = package(7) + QLatin1Char('\n');
        for (const QChar c : scan) {
            const int key = c == QLatin1Char('\n') ? int(Qt::Key_Return) : int(c.unicode());
            const QString text = c == QLatin1Char('\n') ? QStringLiteral("\r") : QString(c);
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                    meds->windowHandle(), type, key, Qt::NoModifier, text);
        }
    });
    QApplication::setActiveWindow(meds);
    m_user->statements.clear();
    list->show();
    // The list's statement, then the package lookup's two passes.
    QTRY_VERIFY_WITH_TIMEOUT((m_user->statements.size() == 3 && list->cursor().shape() != Qt::WaitCursor)
                                 || dialogs.messageCount() > 0,
                             60000);
    QCOMPARE(dialogs.sequence(), QStringList());
    QCOMPARE(rows->dataRowCount(), admitted);
    QVERIFY2(rowsWhenScanned > 0 && rowsWhenScanned < admitted, qPrintable(QString::number(rowsWhenScanned)));
    QCOMPARE(m_user->statements.mid(1), QStringList(2, PackageLookup::statement(package(7))));
    QCOMPARE(MedicineScan::current().ReferenceNum, package(7));
    QCOMPARE(meds->focusWidget()->objectName(), QStringLiteral("txtPatientBarcode"));
    delete list;
    delete meds;
}

WARDCHECK_TEST_MAIN(TestLoad)
#include "tst_load.moc"
