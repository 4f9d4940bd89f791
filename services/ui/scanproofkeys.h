#pragma once

#include <QEvent>
#include <QObject>

#include <functional>
#include <memory>

// Keeps a scan from dismissing a message box unread. A hand-held scanner
// types its code and Enter within milliseconds, and a nurse who scans the
// next item while a verdict is showing would close it without seeing it.
// Installed on a box, this drops every key that arrives in the box's first
// moments, or within a scanner's burst of the key before it, and every key
// other than Enter, Space, Escape and the keys that move between buttons.
// A deliberate Enter, Space or Escape, or a click, still answers the box.
//
// Keys that the window system sends to a window the box blocks (a scan
// typed during the lookup that ended in the box, or before the box has the
// keyboard) never reach any filter: the window system drops them. Those are
// counted here too, as dropped.
class ScanProofKeys : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<qint64()>; // milliseconds

    static constexpr qint64 OpeningMs = 700;
    static constexpr qint64 BurstMs = 80;

    explicit ScanProofKeys(QObject *parent = nullptr, Clock clock = {});
    ~ScanProofKeys() override;

    bool eventFilter(QObject *watched, QEvent *event) override;
    int dropped() const { return m_dropped; }

    // Called once for each burst of dropped keys, at its first key: a scan
    // that goes nowhere must not go unnoticed.
    void setBurstDropped(std::function<void()> callback) { m_burstDropped = std::move(callback); }

    // A key press that went to a blocked window and is lost.
    void keyLost();

private:
    class BlockedWindowKeys;
    void dropped(qint64 now);

    Clock m_clock;
    qint64 m_opened;
    qint64 m_lastKey = -1'000'000;
    int m_dropped = 0;
    qint64 m_lastDropped = -1'000'000;
    std::function<void()> m_burstDropped;
    std::unique_ptr<BlockedWindowKeys> m_blockedWindowKeys;
    const QEvent *m_pressEvent = nullptr;
    quint64 m_pressStamp = 0;
    int m_pressKey = 0;
    bool m_pressDropped = false;
};
