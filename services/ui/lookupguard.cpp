#include "lookupguard.h"

#include "dialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QWidget>

LookupGuard::LookupGuard(QWidget *window, Input input, const std::vector<QWidget *> &boxes)
    : QObject(window), m_window(window), m_input(input)
{
    for (QWidget *box : boxes) {
        m_boxes.emplace_back(box);
        box->installEventFilter(this);
    }
}

LookupGuard::~LookupGuard() = default;

bool LookupGuard::run(const std::function<void()> &step)
{
    if (isBusy())
        return false;
    return execute(step);
}

bool LookupGuard::runInstead(const std::function<void()> &step)
{
    interrupt();
    return execute(step);
}

bool LookupGuard::execute(const std::function<void()> &step)
{
    const QPointer<QWidget> window = m_window;
    m_running.push_back(++m_generation);
    step();
    if (!window)
        return false;
    m_running.pop_back();
    if (!isBusy())
        afterStep();
    return !window.isNull();
}

bool LookupGuard::yield()
{
    const QPointer<QWidget> window = m_window;
    QCoreApplication::processEvents(m_input == Input::HeldBack ? QEventLoop::ExcludeUserInputEvents
                                                               : QEventLoop::AllEvents);
    if (!window)
        return false;
    return !m_running.empty() && m_running.back() == m_generation;
}

void LookupGuard::afterStep()
{
    const QPointer<QWidget> window = m_window;
    const Dialogs::AfterBox after = Dialogs::takeAfterBox(window);
    if (after != Dialogs::AfterBox::None && m_input == Input::HeldBack) {
        if (auto *box = qobject_cast<QLineEdit *>(window->focusWidget())) {
            if (after == Dialogs::AfterBox::EmptyTheBox)
                box->clear();
            else
                box->selectAll();
        }
    }
    // A replayed Enter may start the next step, which replays the rest.
    while (window && !isBusy() && !m_heldKeys.empty()) {
        auto [target, event] = std::move(m_heldKeys.front());
        m_heldKeys.pop_front();
        if (target)
            QCoreApplication::sendEvent(target, event.get());
    }
    if (window && !isBusy() && m_closePending) {
        m_closePending = false;
        window->close();
    }
}

bool LookupGuard::deferClose(QCloseEvent *event)
{
    if (!isBusy())
        return false;
    // Deleting the window under a running step would pull its controls away
    // mid-procedure.
    m_closePending = true;
    event->ignore();
    return true;
}

bool LookupGuard::eventFilter(QObject *watched, QEvent *event)
{
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (key && isBusy() && m_input == Input::HeldBack) {
        m_heldKeys.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
        return true;
    }
    return QObject::eventFilter(watched, event);
}
