#include "dialogrecorder.h"

DialogRecorder::DialogRecorder(Boxes boxes)
{
    Dialogs::setHandler([this, boxes](const Dialogs::Message &message) {
        m_events.append(Event{Event::Kind::Message, message.text, message.title, message.buttons});
        if (m_callback)
            m_callback(message);
        if (boxes == Boxes::Shown)
            return Dialogs::showBox(message);
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        return message.buttons == Dialogs::Buttons::YesNo ? Dialogs::Answer::No : Dialogs::Answer::Ok;
    });
    Dialogs::setBeepHandler([this] { m_events.append(Event{Event::Kind::Beep, {}, {}, Dialogs::Buttons::Ok}); });
}

DialogRecorder::~DialogRecorder()
{
    // Tests never fall back to real boxes, which would wait for a click.
    Dialogs::setHandler([](const Dialogs::Message &m) {
        qWarning("unexpected message box: %s", qPrintable(m.text));
        return m.buttons == Dialogs::Buttons::YesNo ? Dialogs::Answer::No : Dialogs::Answer::Ok;
    });
    Dialogs::setBeepHandler([] {});
}

QStringList DialogRecorder::texts() const
{
    QStringList out;
    for (const Event &e : m_events) {
        if (e.kind == Event::Kind::Message)
            out << e.text;
    }
    return out;
}

int DialogRecorder::messageCount() const
{
    return int(texts().size());
}

int DialogRecorder::beepCount() const
{
    int n = 0;
    for (const Event &e : m_events)
        n += e.kind == Event::Kind::Beep ? 1 : 0;
    return n;
}

QStringList DialogRecorder::sequence() const
{
    QStringList out;
    for (const Event &e : m_events)
        out << (e.kind == Event::Kind::Beep ? QStringLiteral("beep") : QStringLiteral("M:") + e.text);
    return out;
}
