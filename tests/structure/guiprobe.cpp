// Built against a library that needs only Qt Core: this must not build (the
// test expects the failure).
#include WINDOW_HEADER

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    return app.exec();
}
