#include "console.h"

#include <QTextStream>

#include <termios.h>
#include <unistd.h>

namespace Console {

void attachToParent()
{ }

QString readSecret(const QString &prompt)
{
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal && tcgetattr(STDIN_FILENO, &saved) == 0) {
        QTextStream err(stderr);
        err << prompt << Qt::flush;
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    const QString line = QTextStream(stdin).readLine();
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        QTextStream err(stderr);
        err << Qt::endl;
    }
    return line;
}

} // namespace Console
