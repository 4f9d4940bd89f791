#pragma once

#include "connection.h"
#include "usercomponent.h"

#include <memory>

// The program's own user component: a login dialog over the embedded
// database or a SQL Server reached through ODBC. It remembers the last
// database and user name in its own settings, never the password.
class CurrentUser : public UserComponent
{
    Q_OBJECT

public:
    explicit CurrentUser(QObject *parent = nullptr);
    ~CurrentUser() override;

    void ShowMain() override;
    QVariant Connected() override;
    Connection *SQLConnection() override;

    QString userName() const;

    // Settings the login dialog starts with: the last ones used, or the
    // embedded demo database beside the program.
    static ConnectionSettings rememberedSettings();
    static void remember(const ConnectionSettings &settings);
    // Hospital IT's preset fixes the database for every user of this PC.
    static bool isDatabaseLocked();
    static QString defaultDatabasePath();

private:
    std::unique_ptr<Connection> m_connection;
};
