#include "scanproofkeys.h"

#include <QElapsedTimer>
#include <QEvent>

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
    if (type == QEvent::KeyRelease)
        return now - m_opened < OpeningMs || now - m_lastKey < BurstMs;
    if (type == QEvent::ShortcutOverride) {
        // Mnemonics of the box's buttons must not answer it either.
        return now - m_opened < OpeningMs || now - m_lastKey < BurstMs;
    }
    const bool early = now - m_opened < OpeningMs;
    const bool burst = now - m_lastKey < BurstMs;
    m_lastKey = now;
    if (early || burst) {
        ++m_dropped;
        return true;
    }
    return false;
}
