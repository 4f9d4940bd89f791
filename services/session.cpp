#include "session.h"

#include "usercomponent.h"

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
    holder() = std::move(user);
}

void reset()
{
    holder().reset();
}

} // namespace Session
