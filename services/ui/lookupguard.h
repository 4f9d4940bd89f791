#pragma once

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QCloseEvent;
class QEvent;
class QWidget;

// Runs a screen's lookups one at a time, the same way on every screen.
//
// While a step runs, the keys that reach the screen's boxes are held and
// replayed in order once it ends (keys still in the window system's queue
// wait there anyway: a yield lets only repaints through), so nothing typed
// is lost, mixed into the code being looked up, or able to start a second
// lookup inside the first. A close waits until the step has returned. The
// step learns at each yield whether to go on: not when the window has gone,
// nor when it was interrupted (a cleared list, a newer fill). After a step
// that showed a box, the text box with the focus is made ready for the next
// scan (Dialogs::takeAfterBox).
class LookupGuard : public QObject
{
    Q_OBJECT

public:
    enum class Input {
        HeldBack, // the checking screens: input waits until the step ends
        LetIn, // the patient list: stays typeable, and a key may start a newer fill
    };

    LookupGuard(QWidget *window, Input input, const std::vector<QWidget *> &boxes = {});
    ~LookupGuard() override;

    bool isBusy() const { return !m_running.empty(); }
    // Bumped by every step and every interruption.
    quint64 generation() const { return m_generation; }

    // Runs the step unless one is running. False when it did not run or when
    // the window went away meanwhile (touch nothing of it then).
    bool run(const std::function<void()> &step);
    // Runs the step in place of any that is running, which stops at its next
    // yield.
    bool runInstead(const std::function<void()> &step);

    // For the step: lets the window repaint. False when the step must end at
    // once: the window has gone (so has this guard), or the step has been
    // interrupted.
    bool yield();
    // The running step stops at its next yield.
    void interrupt() { ++m_generation; }

    // For the window's closeEvent: true when the close has been put off
    // until the running step returns (the event is then ignored).
    bool deferClose(QCloseEvent *event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool execute(const std::function<void()> &step);
    void afterStep();

    QPointer<QWidget> m_window;
    Input m_input;
    std::vector<QPointer<QWidget>> m_boxes;
    std::vector<quint64> m_running;
    quint64 m_generation = 0;
    bool m_closePending = false;
    std::deque<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_heldKeys;
};
