#include "sqldialect.h"

#include <QRegularExpression>
#include <QStringList>

namespace SqlDialect {
namespace {

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('@') || c == QLatin1Char('#')
           || c == QLatin1Char('$');
}

class Translator
{
public:
    explicit Translator(const QString &in) : m_in(in) { m_out.reserve(in.size() + 16); }

    QString run()
    {
        while (m_pos < m_in.size()) {
            const QChar c = m_in.at(m_pos);
            if (c == QLatin1Char('\'')) {
                stringLiteral();
            } else if (c == QLatin1Char('-') && peek(1) == QLatin1Char('-')) {
                copyUntil(QStringLiteral("\n"), false);
            } else if (c == QLatin1Char('/') && peek(1) == QLatin1Char('*')) {
                copyUntil(QStringLiteral("*/"), true);
            } else if (c == QLatin1Char('[') || c == QLatin1Char('"') || isWordChar(c)) {
                name();
            } else if (c == QLatin1Char('+')) {
                m_out += QLatin1String("||");
                ++m_pos;
                remember(QStringLiteral("||"), false);
            } else {
                m_out += c;
                ++m_pos;
                if (!c.isSpace())
                    remember(QString(c), false);
            }
        }
        return m_out;
    }

private:
    QChar peek(qsizetype ahead) const
    {
        const qsizetype at = m_pos + ahead;
        return at < m_in.size() ? m_in.at(at) : QChar();
    }

    void copyUntil(const QString &end, bool includeEnd)
    {
        const qsizetype found = m_in.indexOf(end, m_pos + 2);
        const qsizetype stop = found < 0 ? m_in.size() : (includeEnd ? found + end.size() : found);
        m_out += QStringView(m_in).mid(m_pos, stop - m_pos);
        m_pos = stop;
    }

    // A literal runs to the first apostrophe that is not doubled. An
    // unterminated literal is copied as it stands, so the engine rejects it.
    void stringLiteral()
    {
        qsizetype i = m_pos + 1;
        QString body;
        bool closed = false;
        while (i < m_in.size()) {
            if (m_in.at(i) == QLatin1Char('\'')) {
                if (i + 1 < m_in.size() && m_in.at(i + 1) == QLatin1Char('\'')) {
                    body += QLatin1String("''");
                    i += 2;
                    continue;
                }
                closed = true;
                ++i;
                break;
            }
            body += m_in.at(i);
            ++i;
        }
        if (closed && lastIs(0, "like")) {
            const QString pattern = likePattern(body);
            m_out += QLatin1Char('\'') + pattern + QLatin1String("' ESCAPE '\\'");
            m_out += prefixRange(pattern, i);
        } else {
            m_out += QStringView(m_in).mid(m_pos, i - m_pos);
        }
        m_pos = i;
        remember(QStringLiteral("'"), false);
    }

    // SQLite cannot reorder an outer join, nor use an index for a LIKE that
    // stands alone. A top-level "and name like 'prefix%'" also implies
    // "name >= 'prefix'" without regard to case (NULL satisfies neither), so
    // saying so changes no result and lets the engine start from the name's
    // index. Anything less plain than that is left as it is.
    QString prefixRange(const QString &pattern, qsizetype after) const
    {
        if (m_recent.size() < 3 || !m_recent.at(m_recent.size() - 2).isName
            || !(lastIs(2, "and") || lastIs(2, "where")))
            return QString();
        static const QStringList keywords = {QStringLiteral("not"), QStringLiteral("and"), QStringLiteral("or"),
                                             QStringLiteral("where"), QStringLiteral("like")};
        const QString operand = m_recent.at(m_recent.size() - 2).text;
        if (keywords.contains(operand, Qt::CaseInsensitive))
            return QString();
        qsizetype next = after;
        while (next < m_in.size() && m_in.at(next).isSpace())
            ++next;
        const QString rest = m_in.mid(next, 6).toLower();
        const bool ends = next >= m_in.size() || rest.startsWith(QLatin1Char(')'))
                          || QRegularExpression(QStringLiteral("^(and|or|order|group|limit)\\b"))
                                 .match(m_in.mid(next, 7).toLower())
                                 .hasMatch();
        if (!ends)
            return QString();
        QString prefix;
        bool open = false;
        for (qsizetype k = 0; k < pattern.size(); ++k) {
            const QChar c = pattern.at(k);
            if (c == QLatin1Char('\\') && k + 1 < pattern.size()) {
                prefix += pattern.at(++k);
                continue;
            }
            if (c == QLatin1Char('%') || c == QLatin1Char('_')) {
                open = true;
                break;
            }
            prefix += c;
        }
        if (!open || prefix.isEmpty())
            return QString();
        return QStringLiteral(" AND %1 >= '%2' COLLATE NOCASE").arg(operand, prefix);
    }

    struct Token
    {
        QString text;
        bool isName;
    };

    void remember(const QString &text, bool isName)
    {
        m_recent.append(Token{text, isName});
        if (m_recent.size() > 3)
            m_recent.removeFirst();
    }

    // The significant token `back` places before the current one is `word`.
    bool lastIs(qsizetype back, const char *word) const
    {
        const qsizetype at = m_recent.size() - 1 - back;
        return at >= 0 && m_recent.at(at).isName
               && m_recent.at(at).text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    static QString likePattern(const QString &body)
    {
        QString out;
        for (qsizetype i = 0; i < body.size(); ++i) {
            const QChar c = body.at(i);
            if (c == QLatin1Char('[') && i + 2 < body.size() && body.at(i + 2) == QLatin1Char(']')
                && QStringLiteral("%_[").contains(body.at(i + 1))) {
                out += QLatin1Char('\\');
                out += body.at(i + 1);
                i += 2;
            } else if (c == QLatin1Char('\\')) {
                out += QLatin1String("\\\\");
            } else {
                out += c;
            }
        }
        return out;
    }

    // One part of a name: a word, a [bracketed] or a "quoted" identifier.
    // Returns the part as SQLite writes it.
    QString part()
    {
        const QChar open = m_in.at(m_pos);
        if (open == QLatin1Char('[') || open == QLatin1Char('"')) {
            const QChar close = open == QLatin1Char('[') ? QLatin1Char(']') : QLatin1Char('"');
            QString inner;
            qsizetype i = m_pos + 1;
            while (i < m_in.size()) {
                if (m_in.at(i) == close) {
                    if (i + 1 < m_in.size() && m_in.at(i + 1) == close) {
                        inner += close;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                inner += m_in.at(i);
                ++i;
            }
            m_pos = i;
            inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
            return QLatin1Char('"') + inner + QLatin1Char('"');
        }
        const qsizetype start = m_pos;
        while (m_pos < m_in.size() && isWordChar(m_in.at(m_pos)))
            ++m_pos;
        return m_in.mid(start, m_pos - start);
    }

    void name()
    {
        if (m_in.at(m_pos).isDigit()) {
            number();
            return;
        }
        QStringList parts{part()};
        while (m_pos < m_in.size() && m_in.at(m_pos) == QLatin1Char('.')) {
            ++m_pos;
            const QChar next = m_pos < m_in.size() ? m_in.at(m_pos) : QChar();
            if (next == QLatin1Char('[') || next == QLatin1Char('"') || (isWordChar(next) && !next.isDigit()))
                parts << part();
            else
                parts << QString();
        }
        // Three or more parts name a table in another database: keep the
        // table. A name that ends in a dot is not one; it is copied as it
        // stands, so that no token disappears from between two others.
        const bool qualifiedTable = parts.size() >= 3 && !parts.last().isEmpty();
        const QString emitted = qualifiedTable ? parts.last() : parts.join(QLatin1Char('.'));
        m_out += emitted;
        remember(emitted, true);
    }

    void number()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_in.size() && (isWordChar(m_in.at(m_pos)) || m_in.at(m_pos) == QLatin1Char('.')))
            ++m_pos;
        m_out += QStringView(m_in).mid(start, m_pos - start);
        remember(QStringLiteral("0"), false);
    }

    const QString &m_in;
    QString m_out;
    qsizetype m_pos = 0;
    QList<Token> m_recent;
};

} // namespace

QString toSqlite(const QString &statement)
{
    return Translator(statement).run();
}

} // namespace SqlDialect
