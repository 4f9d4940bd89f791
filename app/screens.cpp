#include "screens.h"

#include "appinfo.h"
#include "frmextraction.h"
#include "frmmain.h"
#include "frmmeds.h"
#include "frmview.h"
#include "session.h"

#include <QApplication>
#include <QPointer>

namespace {

QPointer<frmMain> g_mainMenu;
QPointer<frmMeds> g_medicine;
QPointer<frmExtraction> g_extraction;
QPointer<frmview> g_wristbands;

template<class Form> Form *showShared(QPointer<Form> &slot)
{
    if (!slot) {
        slot = new Form();
        slot->setAttribute(Qt::WA_DeleteOnClose);
        if (Session::onDemoDatabase())
            slot->setWindowTitle(AppInfo::demoTitle(slot->windowTitle()));
    }
    if (slot->isMinimized())
        slot->showNormal();
    else
        slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}

} // namespace

namespace Screens {

frmMain *showMainMenu()
{
    return showShared(g_mainMenu);
}
frmMeds *showMedicine()
{
    return showShared(g_medicine);
}
frmExtraction *showExtraction()
{
    return showShared(g_extraction);
}
frmview *showWristbands()
{
    return showShared(g_wristbands);
}

frmMain *mainMenu()
{
    return g_mainMenu;
}
frmMeds *medicine()
{
    return g_medicine;
}
frmExtraction *extraction()
{
    return g_extraction;
}
frmview *wristbands()
{
    return g_wristbands;
}

void deleteAll()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // A window's dialogs go with it; only windows of their own are deleted here.
    QList<QPointer<QWidget>> windows;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->parentWidget())
            windows.append(window);
    }
    for (const QPointer<QWidget> &window : windows)
        delete window.data();
}

} // namespace Screens
