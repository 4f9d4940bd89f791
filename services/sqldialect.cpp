#include "sqldialect.h"

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
                m_lastWord.clear();
            } else {
                m_out += c;
                ++m_pos;
                if (!c.isSpace())
                    m_lastWord.clear();
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
        if (closed && m_lastWord.compare(QLatin1String("like"), Qt::CaseInsensitive) == 0) {
            m_out += QLatin1Char('\'') + likePattern(body) + QLatin1String("' ESCAPE '\\'");
        } else {
            m_out += QStringView(m_in).mid(m_pos, i - m_pos);
        }
        m_pos = i;
        m_lastWord.clear();
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
        m_out += qualifiedTable ? parts.last() : parts.join(QLatin1Char('.'));
        m_lastWord = parts.size() == 1 ? parts.first() : QString();
    }

    void number()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_in.size() && (isWordChar(m_in.at(m_pos)) || m_in.at(m_pos) == QLatin1Char('.')))
            ++m_pos;
        m_out += QStringView(m_in).mid(start, m_pos - start);
        m_lastWord.clear();
    }

    const QString &m_in;
    QString m_out;
    qsizetype m_pos = 0;
    QString m_lastWord;
};

} // namespace

QString toSqlite(const QString &statement)
{
    return Translator(statement).run();
}

} // namespace SqlDialect
