#include "modmain.h"

#include "apperror.h"
#include "componentregistry.h"
#include "dialogs.h"
#include "screens.h"
#include "session.h"
#include "usercomponent.h"

namespace modMain {

bool Main()
{
    Session::setUser(ComponentRegistry::create<UserComponent>(ComponentIds::CurrentUser));
    UserComponent *user = Session::user();
    user->ShowMain();
    const QVariant connected = user->Connected();
    if (connected.isNull() || !connected.toBool())
        return false;
    Screens::showMainMenu();
    return true;
}

std::optional<int> Start()
{
    try {
        if (Main())
            return std::nullopt;
        return 0;
    } catch (const std::exception &e) {
        Dialogs::reportError(nullptr, AppError::numberOf(e), AppError::describe(e));
    }
    return 1;
}

} // namespace modMain
