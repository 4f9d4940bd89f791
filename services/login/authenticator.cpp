#include "authenticator.h"

#include "apperror.h"
#include "passwordhash.h"
#include "recordset.h"
#include "sqltext.h"

#include <QRegularExpression>
#include <QStringList>

namespace Authenticator {
namespace {

const QStringList RequiredTables = {QStringLiteral("tbmaster"),
                                    QStringLiteral("tbpatient"),
                                    QStringLiteral("tbLABmaster"),
                                    QStringLiteral("tbcoLabExam"),
                                    QStringLiteral("tbnursecommunicationfile"),
                                    QStringLiteral("tbinvmaster"),
                                    QStringLiteral("tbinvent"),
                                    QStringLiteral("wc_user")};

void checkEmbeddedLogin(Connection &connection, const QString &userName, const QString &password)
{
    QSqlDatabase db = connection.database();
    const QStringList tables = db.tables();
    for (const QString &table : RequiredTables) {
        if (!tables.contains(table, Qt::CaseInsensitive)) {
            throw LoginError(QStringLiteral("%1 is not a hospital database for Wardcheck (it has no table %2).")
                                 .arg(connection.describe(), table));
        }
    }

    QByteArray hash;
    try {
        Recordset account;
        account.Open(QStringLiteral("select pwhash from wc_user where username = '") + SqlText::literalBody(userName)
                         + QStringLiteral("'"),
                     &connection);
        if (!account.isEOF())
            hash = account.value(QStringLiteral("pwhash")).toByteArray();
    } catch (const AppError &e) {
        throw LoginError(e.description());
    }
    if (hash.isEmpty()) {
        PasswordHash::verifyNothing(password);
        throw LoginError(WrongLogin);
    }
    if (!PasswordHash::verify(hash, password))
        throw LoginError(WrongLogin);
}

} // namespace

QString explainLoginFailure(const QString &driverText)
{
    // Microsoft's drivers say "SSL Provider: ... certificate verify failed"
    // or "... issued by an authority that is not trusted"; OpenSSL and
    // GnuTLS, under FreeTDS, speak of certificates and TLS handshakes.
    static const QRegularExpression certificate(
        QStringLiteral("certificate|SSL Provider|SSL routines|TLS handshake|SSL handshake|encryption errors"),
        QRegularExpression::CaseInsensitiveOption);
    if (!certificate.match(driverText).hasMatch())
        return driverText;
    return driverText + QLatin1Char('\n') + UntrustedCertificate;
}

std::unique_ptr<Connection> logIn(ConnectionSettings settings)
{
    if (settings.userName.trimmed().isEmpty())
        throw LoginError(QStringLiteral("Please enter your user name."));
    if (settings.database.trimmed().isEmpty()) {
        throw LoginError(
            settings.kind == ConnectionSettings::Kind::Embedded
                ? QStringLiteral("Please choose the hospital database file.")
                : QStringLiteral("Please enter the ODBC data source or connection string of the hospital database."));
    }

    const QString password = settings.password;
    if (settings.kind == ConnectionSettings::Kind::Embedded)
        settings.password.clear(); // the embedded file needs no password to reopen

    auto connection = std::make_unique<Connection>(settings);
    {
        // The login, the driver's first queries and the reading of the
        // accounts end within one time limit, as a lookup does.
        const Connection::TimeLimit limit(*connection);
        try {
            connection->Open();
        } catch (const AppError &e) {
            throw LoginError(settings.kind == ConnectionSettings::Kind::Odbc ? explainLoginFailure(e.description())
                                                                             : e.description());
        }
        if (settings.kind == ConnectionSettings::Kind::Embedded)
            checkEmbeddedLogin(*connection, settings.userName, password);
    }
    return connection;
}

} // namespace Authenticator
