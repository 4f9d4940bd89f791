#pragma once

#include "connection.h"
#include "dbwriter.h"
#include "texts.h"
#include "usercomponent.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A fresh hospital database file for one test, in its own folder.
class FixtureDb
{
public:
    FixtureDb();
    ~FixtureDb();

    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }
    DbWriter &writer();
    // Finishes writing; readers may open the file afterwards (or before).
    void close();

    // Common rows. Empty QVariant() means NULL.
    void patient(const QVariant &hn, const QVariant &last, const QVariant &first, const QVariant &middle,
                 const QVariant &birth = QStringLiteral("1970-01-01 00:00:00"),
                 const QVariant &sex = QStringLiteral("F"));
    void admission(const QVariant &idn, const QVariant &hn, const QVariant &room = QStringLiteral("1A-01"),
                   const QVariant &admDate = QStringLiteral("2026-12-01 09:30:00"),
                   const QVariant &dcrDate = QVariant());
    void item(const QVariant &itemId, const QVariant &name, const QStringList &locations = {QStringLiteral("20")});
    void nurseRow(const QVariant &ref, const QVariant &hn, const QVariant &idn, const QVariant &request,
                  const QVariant &itemId);
    void exam(const QVariant &id, const QVariant &name);
    void labRow(const QVariant &ref, const QVariant &hn, const QVariant &idn, const QVariant &request,
                const QVariant &itemId);
    void user(const QString &name, const QString &password);

    QByteArray bytes() const;

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<DbWriter> m_writer;
};

// The way the tests reach a fixture file: the embedded engine, or, when
// WARDCHECK_TEST_ROAD=sqlserver (ctest's *_sqlserver runs), ODBC to the SQL
// Server stand-in serving that file, as a hospital's server is reached; or,
// when WARDCHECK_TEST_ROAD=freetds (*_freetds), the real FreeTDS driver over
// TCP to a TDS stand-in server of the file's own, started on first use and
// stopped with the FixtureDb.
bool onSqlServerRoad(); // either road to a SQL Server
bool onFreeTdsRoad();
class TdsStandinProcess;
// The FreeTDS road's server for a fixture file (started if need be).
TdsStandinProcess &tdsServerFor(const QString &databasePath);
ConnectionSettings fixtureSettings(const QString &databasePath);
// How an "Error in connection." begins when the fixture file has gone.
QString databaseGoneDescription();
// Makes the fixture's database unreachable as the road knows it: the file
// goes away, or the server drops every connection and refuses new ones.
// False when that could not be done.
bool takeDatabaseAway(const QString &databasePath);
// Windows lets no one rename or delete a file that is open: there a fixture
// cannot take the database away under an open connection.
#ifdef Q_OS_WIN
#define SKIP_UNLESS_DATABASE_CAN_GO() QSKIP("Windows does not let an open database file be renamed")
#else
#define SKIP_UNLESS_DATABASE_CAN_GO()
#endif
bool bringDatabaseBack(const QString &databasePath);

// A logged-in user component over a fixture file, recording every statement
// sent over its connection (before translation).
class TestUser : public UserComponent
{
    Q_OBJECT

public:
    explicit TestUser(const QString &databasePath);
    explicit TestUser(const ConnectionSettings &settings);

    void ShowMain() override { }
    QVariant Connected() override { return m_connection && m_connection->isOpen(); }
    Connection *SQLConnection() override { return m_connection.get(); }

    QStringList statements;

private:
    std::unique_ptr<Connection> m_connection;
};

// Installs a TestUser over the fixture as the program's user component.
TestUser *installTestUser(const QString &databasePath);
