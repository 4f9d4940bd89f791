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

    // This start opens the demo database installed with the program (the
    // --demo option): it is never chosen otherwise, but by hand.
    static void startOnDemoDatabase();
    // Settings the login dialog starts with: the preset's and the last ones
    // used, or the database this start was asked to open (the demo
    // database, or the file WARDCHECK_DATABASE names); and the preset's
    // time limits.
    static ConnectionSettings rememberedSettings();
    // What the login dialog says before anything is typed: what is missing
    // or wrong in this PC's set-up, in words for hospital IT.
    static QStringList setupNotes();
    // Remembers a login's database and user name; the demo database is not
    // remembered, so that the next start does not open it unasked.
    static void remember(const ConnectionSettings &settings, bool demo = false);
    // Hospital IT's preset fixes the database for every user of this PC.
    static bool isDatabaseLocked();
    static QString demoDatabasePath();

private:
    std::unique_ptr<Connection> m_connection;
};
