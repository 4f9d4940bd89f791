#pragma once

#include "connection.h"

#include <QString>

#include <memory>
#include <stdexcept>

class LoginError : public std::runtime_error
{
public:
    explicit LoginError(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) { }
    QString message() const { return m_message; }

private:
    QString m_message;
};

// Checks a login and gives back the open connection it made. The embedded
// database keeps its accounts as Argon2id hashes; a SQL Server checks its
// own logins. Throws LoginError with a message in plain words.
namespace Authenticator {

std::unique_ptr<Connection> logIn(ConnectionSettings settings);

inline const QString WrongLogin = QStringLiteral("The user name or password is not correct.");

// Added to a failed login whose driver says the server's certificate was
// refused: the nurse cannot act on an SSL error, IT can.
inline const QString UntrustedCertificate = QStringLiteral(
    "The server's certificate is not trusted on this PC: IT must install the hospital's certificate authority on it.");

// The driver's words for a failed login, with the sentence above when they
// tell of a certificate or TLS failure.
QString explainLoginFailure(const QString &driverText);

} // namespace Authenticator
