#include "dialogs.h"

#include "scanproofkeys.h"

#include <QApplication>
#include <QMessageBox>
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

    QMessageBox box(QMessageBox::NoIcon, message.title, message.text, QMessageBox::NoButton, message.parent);
    ScanProofKeys guard(&box);
    qApp->installEventFilter(&guard);
    if (message.buttons == Buttons::YesNo) {
        box.addButton(QMessageBox::Yes);
        QPushButton *no = box.addButton(QMessageBox::No);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    box.addButton(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
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

void Dialogs::reportError(QWidget *parent, long number, const QString &description)
{
    inform(parent, QStringLiteral("Run-time error '%1':\n\n%2").arg(number).arg(description));
}
