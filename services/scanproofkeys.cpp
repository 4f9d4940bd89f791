#include "scanproofkeys.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QKeyEvent>

ScanProofKeys::ScanProofKeys(QObject *parent, Clock clock) : QObject(parent), m_clock(std::move(clock))
{
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] { return timer->elapsed(); };
    }
    m_opened = m_clock();
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
    if (event == m_pressEvent && key->timestamp() == m_pressStamp && key->key() == m_pressKey && now == m_lastKey)
        return m_pressDropped;
    const bool early = now - m_opened < OpeningMs;
    const bool burst = now - m_lastKey < BurstMs;
    m_lastKey = now;
    m_pressEvent = event;
    m_pressStamp = key->timestamp();
    m_pressKey = key->key();
    m_pressDropped = early || burst;
    if (m_pressDropped)
        ++m_dropped;
    return m_pressDropped;
}
