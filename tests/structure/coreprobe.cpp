// The same library with what it may use: this must build, or the failure of
// the window probe would prove nothing.
#include LIBRARY_HEADER

#include <QString>

int main()
{
    return QString::fromLatin1("ok").size() == 2 ? 0 : 1;
}
