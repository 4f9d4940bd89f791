// Built against a library that must not reach the window system: this must
// not build (the test expects the failure).
#include WINDOW_HEADER

int main()
{
    QWidget window;
    window.show();
    return 0;
}
