#pragma once

#include <QString>

class QTextStream;

// wardcheck --check, for hospital IT: one line for each setting in effect
// (its value, where it came from, whether it is locked), for the preset's
// problems, the hospital database, the wristband printer and the policy,
// each "ok" or "PROBLEM". Deployment tools run it on every PC.
namespace Check {

struct Login
{
    QString userName; // empty: no login is tried, the server's answer is enough
    QString password;
};

// 0 when every line is ok, 1 otherwise.
int run(QTextStream &out, const Login &login);

} // namespace Check
