#include "scanproofkeys.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <private/qwindow_p.h>
#include <qpa/qwindowsysteminterface_p.h>

// Sees every key press the window system delivers, before the check that
// silently discards the ones meant for a blocked window.
class ScanProofKeys::BlockedWindowKeys : public QWindowSystemEventHandler
{
public:
    explicit BlockedWindowKeys(ScanProofKeys *guard)
        : m_guard(guard), m_previous(QWindowSystemInterfacePrivate::eventHandler)
    {
        QWindowSystemInterfacePrivate::installWindowSystemEventHandler(this);
    }
    ~BlockedWindowKeys() override
    {
        QWindowSystemInterfacePrivate::removeWindowSystemEventhandler(this);
        if (m_previous)
            QWindowSystemInterfacePrivate::installWindowSystemEventHandler(m_previous);
    }
    BlockedWindowKeys(const BlockedWindowKeys &) = delete;
    BlockedWindowKeys &operator=(const BlockedWindowKeys &) = delete;

    bool sendEvent(QWindowSystemInterfacePrivate::WindowSystemEvent *event) override
    {
        if (event->type == QWindowSystemInterfacePrivate::Key) {
            const auto *key = static_cast<const QWindowSystemInterfacePrivate::KeyEvent *>(event);
            QWindow *window = key->window ? key->window.data() : QGuiApplication::focusWindow();
            if (key->keyType == QEvent::KeyPress && window && QWindowPrivate::get(window)->blockedByModalWindow)
                m_guard->keyLost();
        }
        return m_previous ? m_previous->sendEvent(event) : QWindowSystemEventHandler::sendEvent(event);
    }

private:
    ScanProofKeys *m_guard;
    QWindowSystemEventHandler *m_previous;
};

ScanProofKeys::ScanProofKeys(QObject *parent, Clock clock)
    : QObject(parent), m_clock(std::move(clock)), m_blockedWindowKeys(std::make_unique<BlockedWindowKeys>(this))
{
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] { return timer->elapsed(); };
    }
    m_opened = m_clock();
}

ScanProofKeys::~ScanProofKeys() = default;

void ScanProofKeys::keyLost()
{
    const qint64 now = m_clock();
    // The rest of the same scan, should it reach the box, belongs to this burst.
    m_lastKey = now;
    dropped(now);
}

void ScanProofKeys::dropped(qint64 now)
{
    ++m_dropped;
    const bool newBurst = now - m_lastDropped >= BurstMs;
    m_lastDropped = now;
    if (newBurst && m_burstDropped)
        m_burstDropped();
}

bool ScanProofKeys::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride && type != QEvent::KeyRelease)
        return QObject::eventFilter(watched, event);
    const qint64 now = m_clock();
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (type != QEvent::KeyPress) {
        // Releases and the mnemonics of the box's buttons must not answer it either.
        return now - m_opened < OpeningMs || now - m_lastKey < BurstMs;
    }
    // One key press passes here more than once on its way (the window, then
    // the widget with the focus, then its parents): decide once per press.
    // A press from the window system starts at its window; the passes after
    // it are the same event, however much later a busy machine gets to them.
    if (!watched->isWindowType() && event == m_pressEvent && key->timestamp() == m_pressStamp && key->key() == m_pressKey)
        return m_pressDropped;
    const bool early = now - m_opened < OpeningMs;
    const bool burst = now - m_lastKey < BurstMs;
    m_lastKey = now;
    m_pressEvent = event;
    m_pressStamp = key->timestamp();
    m_pressKey = key->key();
    m_pressDropped = early || burst;
    if (m_pressDropped)
        dropped(now);
    return m_pressDropped;
}
