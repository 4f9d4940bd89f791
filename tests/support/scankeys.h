#pragma once

#include <QString>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

// Queues the keys of a text (\n is Enter) through the window system, as a
// scanner's or a keyboard's keys come. With msPerKey, the keys carry the
// window system's time stamps that far apart, whatever this machine's
// timers do; without, they carry the time they are queued at.
inline void postKeys(QWindow *window, const QString &text, ulong msPerKey = 0)
{
    static ulong clock = 1'000'000;
    for (const QChar c : text) {
        const bool enter = c == QLatin1Char('\n');
        const int key = enter ? int(Qt::Key_Return) : int(c.toUpper().unicode());
        const QString keyText = enter ? QStringLiteral("\r") : QString(c);
        clock += msPerKey;
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            if (msPerKey > 0) {
                QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                    window, clock, type, key, Qt::NoModifier, keyText);
            } else {
                QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                    window, type, key, Qt::NoModifier, keyText);
            }
        }
    }
    clock += 1000;   // whatever comes next comes a second later
}
