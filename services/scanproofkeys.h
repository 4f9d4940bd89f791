#pragma once

#include <QEvent>
#include <QObject>

#include <functional>

// Keeps a scan from dismissing a message box unread. A hand-held scanner
// types its code and Enter within milliseconds, and a nurse who scans the
// next item while a verdict is showing would close it without seeing it.
// Installed on a box, this drops every key that arrives in the box's first
// moments, or within a scanner's burst of the key before it. A deliberate
// key press or a click still answers the box.
class ScanProofKeys : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<qint64()>;   // milliseconds

    static constexpr qint64 OpeningMs = 700;
    static constexpr qint64 BurstMs = 80;

    explicit ScanProofKeys(QObject *parent = nullptr, Clock clock = {});

    bool eventFilter(QObject *watched, QEvent *event) override;
    int dropped() const { return m_dropped; }

private:
    Clock m_clock;
    qint64 m_opened;
    qint64 m_lastKey = -1'000'000;
    int m_dropped = 0;
    const QEvent *m_pressEvent = nullptr;
    quint64 m_pressStamp = 0;
    int m_pressKey = 0;
    bool m_pressDropped = false;
};
