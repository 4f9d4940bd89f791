#pragma once

#include <QByteArray>
#include <QString>

// Argon2id password hashes (libsodium's string form, which carries its own
// salt and cost), for the accounts of the embedded hospital database.
namespace PasswordHash {

enum class Cost { Interactive, Minimal };

QByteArray make(const QString &password, Cost cost = Cost::Interactive);
bool verify(const QByteArray &hash, const QString &password);
// Spends the time of a real verification, so an unknown user name takes as
// long to refuse as a wrong password.
void verifyNothing(const QString &password);
// What verifyNothing checks against: a hash of a random secret, at the cost
// of a real account, made when this program was written. Making it at the
// first unknown name instead would let that first try take twice as long.
QByteArray standInHash();

} // namespace PasswordHash
