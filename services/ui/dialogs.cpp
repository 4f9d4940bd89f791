#include "dialogs.h"

#include "scanproofkeys.h"

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
// The window whose box last dropped keys, until its screen takes note.
QPointer<const QWidget> &droppedInputWindow()
{
    static QPointer<const QWidget> window;
    return window;
}
Dialogs::DroppedInput &droppedInput()
{
    static Dialogs::DroppedInput what = Dialogs::DroppedInput::None;
    return what;
}
} // namespace

QString Dialogs::programTitle()
{
    return QStringLiteral("Wardcheck");
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
        droppedInputWindow() = message.parent ? message.parent->window() : nullptr;
        droppedInput() = message.buttons == Buttons::YesNo ? DroppedInput::SelectItsText : DroppedInput::EmptyTheBox;
    }
    return answer;
}

Dialogs::DroppedInput Dialogs::takeDroppedInput(const QWidget *window)
{
    if (!window || droppedInputWindow() != window->window())
        return DroppedInput::None;
    droppedInputWindow() = nullptr;
    return droppedInput();
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
    inform(parent, QStringLiteral("Error in connection.") + description);
}

void Dialogs::reportError(QWidget *parent, long number, const QString &description)
{
    inform(parent, QStringLiteral("Run-time error '%1':\n\n%2").arg(number).arg(description));
}
