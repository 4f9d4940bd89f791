#pragma once

#include "dialogs.h"

#include <QList>
#include <QString>

#include <functional>

// Replaces message boxes and the beep for the life of the object: every box
// and beep is recorded in order, boxes are answered from a queue (OK boxes
// with Ok; Yes/No boxes with No unless an answer was queued).
class DialogRecorder
{
public:
    struct Event
    {
        enum class Kind { Message, Beep } kind;
        QString text;
        QString title;
        Dialogs::Buttons buttons = Dialogs::Buttons::Ok;
    };

    // Answered: boxes never show. Shown: the program's real, scan-proof boxes
    // show and wait to be answered (by keys or clicks), and are recorded.
    enum class Boxes { Answered, Shown };

    explicit DialogRecorder(Boxes boxes = Boxes::Answered);
    ~DialogRecorder();

    void answerNext(Dialogs::Answer answer) { m_answers.append(answer); }
    // Runs while a box is "open", to look at the screen behind it.
    void onMessage(std::function<void(const Dialogs::Message &)> callback) { m_callback = std::move(callback); }

    const QList<Event> &events() const { return m_events; }
    QStringList texts() const;
    int messageCount() const;
    int beepCount() const;
    // The kinds in order, as "M:text" and "beep", for comparing sequences.
    QStringList sequence() const;
    void clear() { m_events.clear(); }

private:
    QList<Event> m_events;
    QList<Dialogs::Answer> m_answers;
    std::function<void(const Dialogs::Message &)> m_callback;
};
