#include "application.h"

#include "apperror.h"
#include "dialogs.h"

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{ }

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        Dialogs::reportError(nullptr, AppError::numberOf(e), AppError::describe(e));
    }
    return false;
}
