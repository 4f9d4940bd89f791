#pragma once

#include <QObject>
#include <QVariant>

class Connection;

// The hospital system's user component: logs the user in and owns the one
// connection to the hospital database that every screen reads through.
class UserComponent : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Returns when the user has logged in or given up.
    virtual void ShowMain() = 0;
    // True when logged in and connected; may be null, which counts as false.
    virtual QVariant Connected() = 0;
    // The same connection object on every call.
    virtual Connection *SQLConnection() = 0;
};
