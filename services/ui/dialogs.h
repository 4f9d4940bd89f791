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

    // Once after a box over this window, what the screen does with the text
    // box that has the focus, so that the nurse can simply scan again. A box
    // that dropped a scan (she heard the beep) leaves it empty after a
    // message, and its text selected after a question (No changes nothing).
    // After "Error in connection." the box keeps its code (Enter retries it),
    // selected, so that the scan again replaces it rather than joining onto it.
    enum class AfterBox { None, EmptyTheBox, SelectItsText };
    static AfterBox takeAfterBox(const QWidget *window);

    static void setHandler(Handler handler);
    static void setBeepHandler(BeepHandler handler);

    // The real box, as shown when no handler is set; for handlers that
    // watch the boxes go by rather than answer them.
    static Answer showBox(const Message &message);

private:
    static Answer show(const Message &message);
};
