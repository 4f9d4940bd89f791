#include "sqltext.h"

namespace SqlText {

QString comparable(const QString &text)
{
    QString out = text;
    const qsizetype size = out.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = out.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(out.at(i + 1).unicode())) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF)
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

QString literalBody(const QString &text)
{
    QString body = comparable(text);
    body.replace(QLatin1Char('\''), QLatin1String("''"));
    return body;
}

QString likePrefixBody(const QString &text)
{
    QString body;
    body.reserve(text.size() + 8);
    for (const QChar c : comparable(text)) {
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
