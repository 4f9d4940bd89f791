#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every message box and the beep go through here. Tests replace the
// handler to answer boxes and to see what was shown, in what order.
class Dialogs
{
public:
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    struct Message
    {
        QWidget *parent = nullptr;
        QString text;
        QString title;
        Buttons buttons = Buttons::Ok;
    };

    using Handler = std::function<Answer(const Message &)>;
    using BeepHandler = std::function<void()>;

    // The program's own title, used by every box that names no other.
    static QString programTitle();

    static void inform(QWidget *parent, const QString &text, const QString &title = programTitle());
    // Yes and No; No is the default button, so a stray Enter from a
    // scanner never confirms anything.
    static bool confirm(QWidget *parent, const QString &text, const QString &title = programTitle());
    static void beep();

    // Reports an error that nothing else handled, the way the platform does.
    static void reportError(QWidget *parent, long number, const QString &description);
    // How every screen reports a lookup that failed: "Error in connection."
    // followed directly by what went wrong.
    static void reportConnectionError(QWidget *parent, const QString &description);

    // Once after a box over this window dropped keys (a scan typed into it),
    // what the screen does with the box that has the focus, so that the
    // nurse, who heard the beep, can simply scan again. After a message it
    // is emptied. After a question it is left as it was, since No changes
    // nothing, and its text is selected: the scan again replaces it rather
    // than joining onto it. (Yes to the Reset question empties it anyway.)
    enum class DroppedInput { None, EmptyTheBox, SelectItsText };
    static DroppedInput takeDroppedInput(const QWidget *window);

    static void setHandler(Handler handler);
    static void setBeepHandler(BeepHandler handler);

    // The real box, as shown when no handler is set; for handlers that
    // watch the boxes go by rather than answer them.
    static Answer showBox(const Message &message);

private:
    static Answer show(const Message &message);
};
