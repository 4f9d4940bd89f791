#pragma once

#include "connection.h"
#include "loginthrottle.h"

#include <QDialog>

#include <memory>

namespace Ui {
class LoginDialog;
}
class QTimer;

// Asks for user name, password and hospital database, and tries the login
// when the user confirms. Stays open on a failed login and says why.
class LoginDialog : public QDialog
{
    Q_OBJECT

public:
    explicit LoginDialog(QWidget *parent = nullptr);
    ~LoginDialog() override;

    void setSettings(const ConnectionSettings &settings);
    // The database was chosen for every user of the PC: shown, not changed.
    void setDatabaseLocked(bool locked);
    // What is missing or wrong in the PC's set-up, shown above the fields.
    void setNotes(const QStringList &notes);
    QStringList notes() const;
    // The dialog opens the demo database: its title says so.
    void setDemo(bool demo);
    ConnectionSettings settings() const;

    // The open connection of a successful login; empty otherwise.
    std::unique_ptr<Connection> takeConnection();

    QString message() const;
    bool isWaiting() const;

public slots:
    void accept() override;

private:
    void kindChanged();
    void browse();
    void endWait();

    std::unique_ptr<Ui::LoginDialog> ui;
    std::unique_ptr<Connection> m_connection;
    // What setSettings() was given: the fields the dialog does not show
    // (the time limits) go to the login from it.
    ConnectionSettings m_shown;
    LoginThrottle m_throttle;
    QTimer *m_waitTimer;
    QString m_failure;
};
