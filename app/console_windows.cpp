#include "console.h"

#include <QTextStream>

#include <cstdio>
#include <windows.h>

namespace Console {
namespace {

bool redirected(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

} // namespace

void attachToParent()
{
    // A deployment tool that reads the output through a pipe or a file has
    // given the program its handles already.
    const bool out = redirected(STD_OUTPUT_HANDLE);
    const bool err = redirected(STD_ERROR_HANDLE);
    const bool in = redirected(STD_INPUT_HANDLE);
    if ((out && err && in) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    FILE *ignored = nullptr;
    if (!out)
        freopen_s(&ignored, "CONOUT$", "w", stdout);
    if (!err)
        freopen_s(&ignored, "CONOUT$", "w", stderr);
    if (!in)
        freopen_s(&ignored, "CONIN$", "r", stdin);
}

QString readSecret(const QString &prompt)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    const bool terminal = GetConsoleMode(input, &mode);
    if (terminal) {
        QTextStream err(stderr);
        err << prompt << Qt::flush;
        SetConsoleMode(input, mode & ~DWORD(ENABLE_ECHO_INPUT));
    }
    const QString line = QTextStream(stdin).readLine();
    if (terminal) {
        SetConsoleMode(input, mode);
        QTextStream err(stderr);
        err << Qt::endl;
    }
    return line;
}

} // namespace Console
