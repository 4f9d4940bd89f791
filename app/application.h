#pragma once

#include <QApplication>

// Errors that escape an event handler are reported the way start-up
// reports them, and the program goes on: no handler ends the program.
class Application : public QApplication
{
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
