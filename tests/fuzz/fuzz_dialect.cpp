// Any text at all must translate without a crash, and translating must not
// touch what lies inside string literals.
#include "fuzztext.h"
#include "sqldialect.h"

#include <QString>
#include <QStringList>

#include <cstdlib>

namespace {

QStringList literals(const QString &sql)
{
    QStringList out;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        if (sql.at(i) != QLatin1Char('\''))
            continue;
        qsizetype j = i + 1;
        while (j < sql.size()) {
            if (sql.at(j) == QLatin1Char('\'')) {
                if (j + 1 < sql.size() && sql.at(j + 1) == QLatin1Char('\'')) {
                    j += 2;
                    continue;
                }
                break;
            }
            ++j;
        }
        out << sql.mid(i, j - i + 1);
        i = j;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString sql = fuzzText(QByteArrayView(data, qsizetype(size)));
    const QString translated = SqlDialect::toSqlite(sql);
    // Without LIKE and comments, every literal comes through unchanged.
    if (!sql.contains(QLatin1String("like"), Qt::CaseInsensitive) && !sql.contains(QLatin1String("--"))
        && !sql.contains(QLatin1String("/*")) && !sql.contains(QLatin1Char('[')) && !sql.contains(QLatin1Char('"'))) {
        if (literals(translated) != literals(sql))
            std::abort();
    }
    return 0;
}
