#include "sqltext.h"

namespace SqlText {

QString literalBody(const QString &text)
{
    QString body = text;
    body.replace(QLatin1Char('\''), QLatin1String("''"));
    return body;
}

QString likePrefixBody(const QString &text)
{
    QString body;
    body.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == QLatin1Char('\''))
            body += QLatin1String("''");
        else if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('['))
            body += QLatin1Char('[') + c + QLatin1Char(']');
        else
            body += c;
    }
    return body;
}

} // namespace SqlText
