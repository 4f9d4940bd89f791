#include "dialogs.h"

#include "audit.h"
#include "scanproofkeys.h"
#include "texts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {
Dialogs::Handler &handler()
{
    static Dialogs::Handler h;
    return h;
}
Dialogs::BeepHandler &beepHandler()
{
    static Dialogs::BeepHandler h;
    return h;
}
// The window whose box last closed, until its screen takes note.
QPointer<const QWidget> &afterBoxWindow()
{
    static QPointer<const QWidget> window;
    return window;
}
Dialogs::AfterBox &afterBox()
{
    static Dialogs::AfterBox what = Dialogs::AfterBox::None;
    return what;
}
// The screen a box was shown over, as the audit record names screens.
QString screenName(const QWidget *window)
{
    if (!window)
        return QString();
    const QString name = window->objectName();
    if (name == QLatin1String("frmMeds"))
        return QStringLiteral("medicine");
    if (name == QLatin1String("frmExtraction"))
        return QStringLiteral("extraction");
    if (name == QLatin1String("frmview"))
        return QStringLiteral("wristbands");
    return name;
}

} // namespace

QString Dialogs::programTitle()
{
    return Texts::ProgramTitle;
}

void Dialogs::setHandler(Handler h)
{
    handler() = std::move(h);
}

void Dialogs::setBeepHandler(BeepHandler h)
{
    beepHandler() = std::move(h);
}

Dialogs::Answer Dialogs::show(const Message &message)
{
    if (handler())
        return handler()(message);
    return showBox(message);
}

Dialogs::Answer Dialogs::showBox(const Message &message)
{
    const QPointer<QWidget> opener = message.parent ? message.parent->window() : nullptr;
    QMessageBox box(QMessageBox::NoIcon, message.title, message.text, QMessageBox::NoButton, message.parent);
    // A patient's name or a driver's message is shown as it is, never read
    // as markup.
    box.setTextFormat(Qt::PlainText);
    ScanProofKeys guard(&box);
    guard.setBurstDropped([] { beep(); });
    qApp->installEventFilter(&guard);
    Answer answer = Answer::Ok;
    if (message.buttons == Buttons::YesNo) {
        box.addButton(QMessageBox::Yes);
        QPushButton *no = box.addButton(QMessageBox::No);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        answer = box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    } else {
        box.addButton(QMessageBox::Ok);
        box.exec();
    }
    // A window manager gives the keyboard back to the window a closed box
    // covered; a bare X server (a ward kiosk) does not, and the next scan
    // would go nowhere. The screen then puts the focus in its box.
    if (opener && opener->isVisible()) {
        opener->raise();
        opener->activateWindow();
    }
    if (guard.dropped() > 0) {
        Audit::Record dropped;
        dropped.event = Audit::Event::DroppedScan;
        dropped.outcome = QStringLiteral("dropped");
        dropped.screen = screenName(opener);
        dropped.detail = QStringLiteral("typed into the box \"%1\"").arg(message.text.left(80));
        Audit::record(dropped);
        afterBoxWindow() = message.parent ? message.parent->window() : nullptr;
        afterBox() = message.buttons == Buttons::YesNo ? AfterBox::SelectItsText : AfterBox::EmptyTheBox;
    }
    return answer;
}

Dialogs::AfterBox Dialogs::takeAfterBox(const QWidget *window)
{
    if (!window || afterBoxWindow() != window->window())
        return AfterBox::None;
    afterBoxWindow() = nullptr;
    return afterBox();
}

void Dialogs::inform(QWidget *parent, const QString &text, const QString &title)
{
    show(Message{parent, text, title, Buttons::Ok});
}

bool Dialogs::confirm(QWidget *parent, const QString &text, const QString &title)
{
    return show(Message{parent, text, title, Buttons::YesNo}) == Answer::Yes;
}

void Dialogs::beep()
{
    if (beepHandler())
        beepHandler()();
    else
        QApplication::beep();
}

void Dialogs::reportConnectionError(QWidget *parent, const QString &description)
{
    inform(parent, Texts::ErrorInConnection + description);
    // The box keeps its code, so that Enter retries it; selected, the scan
    // again replaces it. (A box that dropped a scan has said otherwise.)
    const QWidget *window = parent ? parent->window() : nullptr;
    if (window && afterBoxWindow() != window) {
        afterBoxWindow() = window;
        afterBox() = AfterBox::SelectItsText;
    }
}

void Dialogs::reportError(QWidget *parent, long number, const QString &description)
{
    inform(parent, Texts::RunTimeError.arg(number).arg(description));
}
