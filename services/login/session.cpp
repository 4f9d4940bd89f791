#include "session.h"

#include "usercomponent.h"

#include <QCoreApplication>

namespace {
std::unique_ptr<UserComponent> &holder()
{
    static std::unique_ptr<UserComponent> user;
    return user;
}
} // namespace

namespace Session {

UserComponent *user()
{
    return holder().get();
}

void setUser(std::unique_ptr<UserComponent> user)
{
    // The component's connection must close while Qt SQL still exists; a
    // static destroyed after main has returned is too late.
    static const bool releasedWithApplication = [] {
        qAddPostRoutine(reset);
        return true;
    }();
    Q_UNUSED(releasedWithApplication);
    holder() = std::move(user);
}

void reset()
{
    holder().reset();
}

} // namespace Session
