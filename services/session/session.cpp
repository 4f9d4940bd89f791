#include "session.h"

#include "apperror.h"
#include "connection.h"
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

Connection &hospitalConnection()
{
    UserComponent *component = user();
    Connection *connection = component ? component->SQLConnection() : nullptr;
    if (!connection)
        throw AppError(AppError::ObjectVariableNotSet,
                       QStringLiteral("Object variable or With block variable not set"));
    return *connection;
}

Connection &openConnection()
{
    Connection &connection = hospitalConnection();
    if (!connection.isOpen())
        connection.Open();
    return connection;
}

bool onDemoDatabase()
{
    UserComponent *component = user();
    const Connection *connection = component ? component->SQLConnection() : nullptr;
    return connection && connection->isDemo();
}

void reconnect()
{
    Connection &connection = hospitalConnection();
    connection.Close();
    connection.Open();
}

void reset()
{
    holder().reset();
}

} // namespace Session
