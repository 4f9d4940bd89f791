#include "passwordhash.h"

#include "apperror.h"

#include <sodium.h>

namespace PasswordHash {
namespace {

void initialise()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw AppError(AppError::ProviderError, QStringLiteral("The password library could not be started."));
}

} // namespace

QByteArray make(const QString &password, Cost cost)
{
    initialise();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    const auto ops = cost == Cost::Interactive ? crypto_pwhash_OPSLIMIT_INTERACTIVE : crypto_pwhash_OPSLIMIT_MIN;
    const auto mem = cost == Cost::Interactive ? crypto_pwhash_MEMLIMIT_INTERACTIVE : crypto_pwhash_MEMLIMIT_MIN;
    if (crypto_pwhash_str_alg(out, utf8.constData(), static_cast<unsigned long long>(utf8.size()), ops, mem,
                              crypto_pwhash_ALG_ARGON2ID13)
        != 0) {
        throw AppError(AppError::ProviderError, QStringLiteral("Out of memory while hashing a password."));
    }
    return QByteArray(out);
}

bool verify(const QByteArray &hash, const QString &password)
{
    initialise();
    const QByteArray utf8 = password.toUtf8();
    const QByteArray terminated = hash + '\0';
    if (!hash.startsWith("$argon2id$"))
        return false;
    return crypto_pwhash_str_verify(terminated.constData(), utf8.constData(),
                                    static_cast<unsigned long long>(utf8.size()))
           == 0;
}

QByteArray standInHash()
{
    return QByteArrayLiteral(
        "$argon2id$v=19$m=65536,t=2,p=1$yUTk+6j7XNN/GmWkMuQ3LA$R5IeV4qguos5JsCoUSvnR19QphZVdnEhgQroeVACbG4");
}

void verifyNothing(const QString &password)
{
    (void)verify(standInHash(), password);
}

} // namespace PasswordHash
