// Built against a library that must not reach Qt Gui either: this must not
// build (the test expects the failure).
#include GUI_HEADER

int main()
{
    QImage image(1, 1, QImage::Format_RGB32);
    return image.isNull() ? 1 : 0;
}
