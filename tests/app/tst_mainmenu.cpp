#include "appinfo.h"
#include "fixture.h"
#include "frmextraction.h"
#include "frmmain.h"
#include "frmmeds.h"
#include "frmview.h"
#include "icons.h"
#include "screens.h"
#include "session.h"
#include "testmain.h"

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

template<class T> int openInstances()
{
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        n += (qobject_cast<T *>(w) && w->isVisible()) ? 1 : 0;
    return n;
}

void closeAndDelete(QWidget *w)
{
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestMainMenu : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lookAndLayout();
    void titleBandFollowsTheWidth_data();
    void titleBandFollowsTheWidth();
    void eachScreenOpensOnce_data();
    void eachScreenOpensOnce();
    void accessKeysPressTheButtons();
    void screensOutliveTheMenu();
    void applicationIcon();
    void demoDatabaseIsMarked_data();
    void demoDatabaseIsMarked();

private:
    frmMain *m_menu = nullptr;
};

void TestMainMenu::init()
{
    m_menu = Screens::showMainMenu();
    QApplication::setActiveWindow(m_menu);
    QVERIFY(QTest::qWaitForWindowActive(m_menu));
}

void TestMainMenu::cleanup()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestMainMenu::lookAndLayout()
{
    QCOMPARE(m_menu->windowTitle(), QStringLiteral("Wardcheck Module"));
    QCOMPARE(m_menu->size(), QSize(722, 571));
    QCOMPARE(m_menu->palette().color(QPalette::Window), QColor(224, 224, 224));
    QCOMPARE(m_menu->font().family(), QStringLiteral("Verdana"));
    QCOMPARE(m_menu->font().pointSizeF(), 14.25);

    auto *band = m_menu->findChild<QFrame *>(QStringLiteral("Frame1"));
    auto *title = m_menu->findChild<QLabel *>(QStringLiteral("Label1"));
    auto *lab = m_menu->findChild<QPushButton *>(QStringLiteral("cmdLab"));
    auto *meds = m_menu->findChild<QPushButton *>(QStringLiteral("cmdMeds"));
    QVERIFY(band && title && lab && meds);
    QCOMPARE(band->pos(), QPoint(0, 0));
    QCOMPARE(band->height(), 89);
    QVERIFY(band->autoFillBackground());
    QCOMPARE(band->palette().color(QPalette::Window), QColor(64, 64, 64));
    QCOMPARE(title->parentWidget(), band);
    QCOMPARE(title->text(), QStringLiteral("Wardcheck Module"));
    QCOMPARE(title->geometry(), QRect(24, 32, 417, 33));
    QCOMPARE(title->palette().color(QPalette::WindowText), QColor(255, 255, 255));
    QVERIFY(title->font().bold());
    QCOMPARE(lab->text(), QStringLiteral("&Lab Extraction"));
    QCOMPARE(lab->geometry(), QRect(32, 120, 281, 89));
    QCOMPARE(meds->text(), QStringLiteral("&Administer Medicine"));
    QCOMPARE(meds->geometry(), QRect(32, 240, 281, 89));
    QCOMPARE(meds->font(), m_menu->font());

    QCOMPARE(QApplication::focusWidget(), lab);
    QCOMPARE(lab->nextInFocusChain(), meds);
    QCOMPARE(band->focusPolicy(), Qt::NoFocus);
}

void TestMainMenu::titleBandFollowsTheWidth_data()
{
    QTest::addColumn<int>("width");
    QTest::newRow("designed") << 722;
    QTest::newRow("wide") << 1600;
    QTest::newRow("narrow") << 200;
    QTest::newRow("tiny") << 1;
}

void TestMainMenu::titleBandFollowsTheWidth()
{
    QFETCH(int, width);
    m_menu->resize(width, 300);
    auto *band = m_menu->findChild<QFrame *>(QStringLiteral("Frame1"));
    QCOMPARE(band->width(), m_menu->frameGeometry().width());
    QCOMPARE(band->height(), 89);
    QCOMPARE(m_menu->findChild<QPushButton *>(QStringLiteral("cmdLab"))->pos(), QPoint(32, 120));
    QCOMPARE(m_menu->findChild<QPushButton *>(QStringLiteral("cmdMeds"))->pos(), QPoint(32, 240));
}

void TestMainMenu::eachScreenOpensOnce_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("caption");
    QTest::newRow("medicine") << "cmdMeds" << AppInfo::captionWithVersion(QStringLiteral("Medicine Verification"));
    QTest::newRow("extraction") << "cmdLab"
                                << AppInfo::captionWithVersion(QStringLiteral("ORVANE Wardcheck - Extraction"));
}

void TestMainMenu::eachScreenOpensOnce()
{
    QFETCH(QString, button);
    QFETCH(QString, caption);
    auto *pushButton = m_menu->findChild<QPushButton *>(button);
    const auto current = [&]() -> QWidget * {
        return button == QLatin1String("cmdMeds") ? static_cast<QWidget *>(Screens::medicine())
                                                  : static_cast<QWidget *>(Screens::extraction());
    };

    QVERIFY(!current());
    QTest::mouseClick(pushButton, Qt::LeftButton);
    QPointer<QWidget> first = current();
    QVERIFY(first && first->isVisible());
    QCOMPARE(first->windowTitle(), caption);
    QVERIFY(!first->parentWidget());
    QVERIFY(!first->isModal());

    first->showMinimized();
    QTest::mouseClick(pushButton, Qt::LeftButton);
    QCOMPARE(current(), first.data());
    QVERIFY(!first->isMinimized());
    QCOMPARE(button == QLatin1String("cmdMeds") ? openInstances<frmMeds>() : openInstances<frmExtraction>(), 1);
    QVERIFY(m_menu->isVisible());

    // Closed screens start again from their designed state.
    closeAndDelete(first);
    QVERIFY(!first);
    QVERIFY(!current());
    QTest::mouseClick(pushButton, Qt::LeftButton);
    QVERIFY(current() && current()->isVisible());
    QCOMPARE(current()->windowTitle(), caption);
}

void TestMainMenu::accessKeysPressTheButtons()
{
    QTest::keyClick(m_menu->windowHandle(), Qt::Key_A, Qt::AltModifier);
    QTRY_VERIFY(Screens::medicine()); // the button animates its press first
    // The new screen takes the activation; give it back to the menu.
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(Screens::medicine()));
    QApplication::setActiveWindow(m_menu);
    QVERIFY(QTest::qWaitForWindowActive(m_menu));
    QTest::keyClick(m_menu->windowHandle(), Qt::Key_L, Qt::AltModifier);
    QTRY_VERIFY(Screens::extraction());
}

void TestMainMenu::screensOutliveTheMenu()
{
    QTest::mouseClick(m_menu->findChild<QPushButton *>(QStringLiteral("cmdLab")), Qt::LeftButton);
    QTest::mouseClick(m_menu->findChild<QPushButton *>(QStringLiteral("cmdMeds")), Qt::LeftButton);
    QPointer<frmExtraction> extraction = Screens::extraction();
    QPointer<frmMeds> medicine = Screens::medicine();
    QStringList steps;
    // The program's own event loop runs until its last window closes.
    QTimer::singleShot(0, [&] {
        m_menu->close();
        steps << QStringLiteral("menu closed");
    });
    QTimer::singleShot(20, [&] {
        if (extraction && extraction->isVisible() && medicine && medicine->isVisible())
            steps << QStringLiteral("screens still open");
        medicine->close();
    });
    QTimer::singleShot(40, [&] {
        steps << QStringLiteral("still running");
        extraction->close();
    });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(steps, (QStringList{"menu closed", "screens still open", "still running"}));
}

void TestMainMenu::applicationIcon()
{
    const QImage icon = Icons::applicationIcon().pixmap(32, 32).toImage();
    QCOMPARE(icon.size(), QSize(32, 32));
    QCOMPARE(icon.pixelColor(0, 0).alpha(), 0); // transparent corner
    const QColor disc = icon.pixelColor(6, 20);
    QVERIFY2(disc.green() > 120 && disc.red() < 60 && disc.blue() < 60, qPrintable(disc.name()));
    const QColor tick = icon.pixelColor(13, 20);
    QVERIFY2(tick.lightness() > 200, qPrintable(tick.name())); // white check mark
    const QColor shadow = icon.pixelColor(22, 29);
    QVERIFY2(shadow.alpha() > 200 && qAbs(shadow.red() - shadow.green()) < 10 && shadow.red() > 90
                 && shadow.red() < 170,
             qPrintable(shadow.name()));
    QCOMPARE(m_menu->windowIcon().pixmap(32, 32).toImage().pixelColor(6, 20), disc);
}

void TestMainMenu::demoDatabaseIsMarked_data()
{
    QTest::addColumn<bool>("demo");
    QTest::newRow("the demo database") << true;
    QTest::newRow("a ward's database") << false;
}

// Demo data with public accounts looks like a ward's: while it is in use,
// every window's title and the main menu say that it is not for patient care.
void TestMainMenu::demoDatabaseIsMarked()
{
    QFETCH(bool, demo);
    FixtureDb ward;
    ward.close();
    installTestUser(demo ? QStringLiteral(DEMO_DB) : ward.path());
    closeAndDelete(m_menu);
    m_menu = Screens::showMainMenu();
    const QString mark = QStringLiteral(" - demo database: not for patient care");
    const QList<QWidget *> windows = {m_menu, Screens::showMedicine(), Screens::showExtraction(),
                                      Screens::showWristbands()};
    for (QWidget *window : windows)
        QCOMPARE(window->windowTitle().endsWith(mark), demo);
    auto *label = m_menu->findChild<QLabel *>(QStringLiteral("lblDemo"));
    QVERIFY(label);
    QCOMPARE(label->isVisible(), demo);
    QCOMPARE(label->text(), QStringLiteral("Demo database: not for patient care"));
    Session::reset();
}

WARDCHECK_TEST_MAIN(TestMainMenu)
#include "tst_mainmenu.moc"
