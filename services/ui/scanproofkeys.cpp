#include "scanproofkeys.h"

#include "scantiming.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <qpa/qwindowsysteminterface_p.h>

#include <optional>
#include <private/qwindow_p.h>

namespace {

using KeyEvent = QWindowSystemInterfacePrivate::KeyEvent;

// A scanner set to end a code with CR LF sends Enter and at once a Line
// Feed (Ctrl+J, or whatever key the window system reports with the text
// "\n"). The Line Feed is part of that Enter. Left in the stream, it would
// reach the box the Enter opened and beep as a dropped scan, or start the
// next code in a text box.
class LineFeedAfterEnter : public QWindowSystemEventHandler
{
public:
    static LineFeedAfterEnter &instance()
    {
        static LineFeedAfterEnter handler;
        return handler;
    }

    // Without changing what is remembered: another handler asks too.
    bool partOfEnter(const KeyEvent &key) const
    {
        if (key.keyType == QEvent::KeyRelease)
            return m_heldLineFeed != 0 && key.key == m_heldLineFeed;
        return isLineFeed(key) && m_enterAt && key.timestamp - *m_enterAt < ulong(ScanProofKeys::BurstMs);
    }

    bool sendEvent(QWindowSystemInterfacePrivate::WindowSystemEvent *event) override
    {
        if (event->type == QWindowSystemInterfacePrivate::Key) {
            const auto &key = *static_cast<const KeyEvent *>(event);
            const bool drop = partOfEnter(key);
            remember(key, drop);
            if (drop)
                return true;
        }
        return QWindowSystemEventHandler::sendEvent(event);
    }

private:
    static bool isLineFeed(const KeyEvent &key)
    {
        return key.unicode == QLatin1String("\n") || (key.key == Qt::Key_J && key.modifiers & Qt::ControlModifier);
    }

    void remember(const KeyEvent &key, bool dropped)
    {
        if (key.keyType == QEvent::KeyRelease) {
            if (dropped)
                m_heldLineFeed = 0;
            return;
        }
        if (dropped) {
            m_heldLineFeed = key.key;
            m_enterAt.reset();
        } else if (key.key == Qt::Key_Return || key.key == Qt::Key_Enter) {
            m_enterAt = key.timestamp;
        } else if (!ScanTiming::isModifier(key.key)) {
            m_enterAt.reset();
        }
    }

    std::optional<ulong> m_enterAt;
    int m_heldLineFeed = 0;
};

void watchForLineFeeds()
{
    QWindowSystemInterfacePrivate::installWindowSystemEventHandler(&LineFeedAfterEnter::instance());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchForLineFeeds)

// Sees every key press the window system delivers, before the check that
// silently discards the ones meant for a blocked window.
class ScanProofKeys::BlockedWindowKeys : public QWindowSystemEventHandler
{
public:
    explicit BlockedWindowKeys(ScanProofKeys *guard)
        : m_guard(guard), m_previous(QWindowSystemInterfacePrivate::eventHandler)
    {
        // Qt keeps one handler and installs none over another: this one
        // goes first and hands every event on to the one it replaces.
        if (m_previous)
            QWindowSystemInterfacePrivate::removeWindowSystemEventhandler(m_previous);
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
            if (key->keyType == QEvent::KeyPress && window && QWindowPrivate::get(window)->blockedByModalWindow
                && !ScanTiming::isModifier(key->key) && !LineFeedAfterEnter::instance().partOfEnter(*key))
                m_guard->keyLost();
        }
        return m_previous ? m_previous->sendEvent(event) : QWindowSystemEventHandler::sendEvent(event);
    }

private:
    ScanProofKeys *m_guard;
    QWindowSystemEventHandler *m_previous;
};

namespace {

// Enter, Space and Escape answer a box, Tab and the arrows move between its
// buttons. No other key may
// answer: a box presses the button whose letter is typed (Alt or not), and a
// scan that begins with "Y" would answer Yes to a question nobody read.
bool mayAnswer(const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return !(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier));
    default:
        return false;
    }
}

} // namespace

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
    auto *key = static_cast<QKeyEvent *>(event);
    const bool neverAnswers = !mayAnswer(key);
    if (type == QEvent::ShortcutOverride && neverAnswers) {
        // Taken as an ordinary key, so that no button's mnemonic fires; the
        // press itself is then dropped below.
        key->accept();
        return true;
    }
    if (ScanTiming::isModifier(key->key()))
        return false; // answers nothing and types nothing
    if (type != QEvent::KeyPress) {
        // Space answers on its release: the release of a press that passed
        // passes too. Other releases and the mnemonics of the box's
        // buttons must not answer it.
        if (type == QEvent::KeyRelease && key->key() == m_pressKey && !m_pressDropped)
            return false;
        return now - m_opened < OpeningMs || now - m_lastKey < BurstMs;
    }
    // One key press passes here more than once on its way (the window, then
    // the widget with the focus, then its parents): decide once per press.
    // A press from the window system starts at its window; the passes after
    // it are the same event, however much later a busy machine gets to them.
    if (!watched->isWindowType() && event == m_pressEvent && key->timestamp() == m_pressStamp
        && key->key() == m_pressKey)
        return m_pressDropped;
    const bool early = now - m_opened < OpeningMs;
    const bool burst = now - m_lastKey < BurstMs;
    m_lastKey = now;
    m_pressEvent = event;
    m_pressStamp = key->timestamp();
    m_pressKey = key->key();
    m_pressDropped = early || burst || neverAnswers;
    if (m_pressDropped)
        dropped(now);
    return m_pressDropped;
}
