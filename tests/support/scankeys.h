#pragma once

#include <QElapsedTimer>
#include <qpa/qwindowsysteminterface.h>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <utility>

// A scanner's Line Feed in a text for postKeys: Ctrl+J, as a scanner set to
// end its codes with CR LF types it after Enter.
inline constexpr QChar LineFeedKey(0x240A);

// Keys that type nothing, in a text for postKeys: Caps Lock, Num Lock, AltGr
// and Ctrl, as scanners and keyboard layouts send them around a code.
inline constexpr QChar CapsLockKey(0x21EA);
inline constexpr QChar NumLockKey(0x21ED);
inline constexpr QChar AltGrKey(0x2387);
inline constexpr QChar ControlKey(0x2303);

inline int modifierKey(QChar c)
{
    return c == CapsLockKey  ? Qt::Key_CapsLock
           : c == NumLockKey ? Qt::Key_NumLock
           : c == AltGrKey   ? Qt::Key_AltGr
           : c == ControlKey ? Qt::Key_Control
                             : 0;
}

// Queues the keys of a text (\n is Enter) through the window system, as a
// scanner's or a keyboard's keys come. With msPerKey, the keys carry the
// window system's time stamps that far apart, whatever this machine's
// timers do; without, they carry the time they are queued at.
inline void postKeys(QWindow *window, const QString &text, ulong msPerKey = 0)
{
    static ulong clock = 1'000'000;
    for (const QChar c : text) {
        if (c == LineFeedKey) {
            clock += msPerKey;
            const auto post = [window, msPerKey](QEvent::Type type, int key, Qt::KeyboardModifiers modifiers,
                                                 const QString &keyText) {
                if (msPerKey > 0) {
                    QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                        window, clock, type, key, modifiers, keyText);
                } else {
                    QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                        window, type, key, modifiers, keyText);
                }
            };
            post(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, QString());
            post(QEvent::KeyPress, Qt::Key_J, Qt::ControlModifier, QStringLiteral("\n"));
            post(QEvent::KeyRelease, Qt::Key_J, Qt::ControlModifier, QStringLiteral("\n"));
            post(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier, QString());
            continue;
        }
        if (const int modifier = modifierKey(c)) {
            clock += msPerKey;
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                    window, clock, type, modifier, Qt::NoModifier, QString());
            }
            continue;
        }
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
    clock += 1000; // whatever comes next comes a second later
}

// Posts the keys of a text as postKeys does, but in real time: one key
// every msPerKey from a timer, so that keys arrive while the program is busy
// with a lookup; with 0, all at once.
class RealTimeKeys
{
public:
    RealTimeKeys(QWindow *window, const QString &text, int msPerKey) : m_left(text)
    {
        if (msPerKey == 0) {
            postKeys(window, std::exchange(m_left, QString()));
            return;
        }
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(msPerKey);
        QObject::connect(&m_timer, &QTimer::timeout, [this, window] {
            postKeys(window, m_left.left(1));
            m_left.remove(0, 1);
            if (m_left.isEmpty())
                m_timer.stop();
        });
        m_timer.start();
    }
    bool done() const { return m_left.isEmpty(); }

private:
    QString m_left;
    QTimer m_timer;
};

// Types the text (\n is Enter) into the window through the window system's
// queue, its keys stamped msPerKey apart as the window system stamps a
// keyboard's or a scanner's keys, and returns once every key has been
// handled. The stamps, not this machine's timers, make the speed, so a busy
// machine cannot turn a scan into typing.
inline void typeInto(QWidget *window, const QString &text, int msPerKey = 2)
{
    postKeys(window->windowHandle(), text, ulong(msPerKey));
    QElapsedTimer waited;
    waited.start();
    while (QWindowSystemInterface::windowSystemEventsQueued() > 0 && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QTest::qWait(20);
}
