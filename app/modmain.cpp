#include "modmain.h"

#include "componentregistry.h"
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

} // namespace modMain
