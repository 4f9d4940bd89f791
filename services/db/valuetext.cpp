#include "valuetext.h"

#include <QLocale>

#include <cmath>

namespace ValueText {

QString shortDateFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString longTimeFormat()
{
    const QString format = QLocale().timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t')) {
            while (!result.isEmpty() && result.back().isSpace())
                result.chop(1);
            while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('t'))
                ++i;
            continue;
        }
        result.append(c);
    }
    return result.trimmed();
}

QString fromDate(QDate value)
{
    return QLocale().toString(value, shortDateFormat());
}

QString fromDateTime(const QDateTime &value)
{
    // Shown as the wall-clock time it holds. The ODBC driver makes local
    // times of the server's timestamps, and one that falls into the hour
    // skipped at a daylight-saving change is not a valid local time: its
    // date and time are still what the ward wrote.
    if (!value.date().isValid() || !value.time().isValid())
        return QString();
    QString text = fromDate(value.date());
    if (value.time() != QTime(0, 0))
        text += QLatin1Char(' ') + QLocale().toString(value.time(), longTimeFormat());
    return text;
}

QString fromNumber(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qlonglong>(value));
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}

namespace {

// The digits of text[at, at + count) as a number, or -1.
int digits(const QString &text, qsizetype at, int count)
{
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// A stored date is wall-clock time as the ward wrote it. It is kept as such
// (UTC-spec, never converted): as local time, a time that falls into the
// hour skipped at a daylight-saving change would be shifted or lost, and
// every conversion costs a time zone lookup.
//
// How every stored date of a long list looks: "yyyy-MM-dd HH:mm:ss" or the
// date alone, read without Qt's format parser, which a list of 50,000
// admissions would run 100,000 times.
QDateTime parseUsualStoredDate(const QString &text)
{
    if ((text.size() != 10 && text.size() != 19) || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-'))
        return QDateTime();
    const QDate date(digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2));
    if (!date.isValid())
        return QDateTime();
    if (text.size() == 10)
        return QDateTime(date, QTime(0, 0), Qt::UTC);
    if (text.at(10) != QLatin1Char(' ') || text.at(13) != QLatin1Char(':') || text.at(16) != QLatin1Char(':'))
        return QDateTime();
    const QTime time(digits(text, 11, 2), digits(text, 14, 2), digits(text, 17, 2));
    return time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

QDateTime parseStoredDate(const QString &text)
{
    const QDateTime usual = parseUsualStoredDate(text);
    if (usual.isValid())
        return usual;
    const QString trimmed = text.trimmed();
    qsizetype split = trimmed.indexOf(QLatin1Char(' '));
    if (split < 0)
        split = trimmed.indexOf(QLatin1Char('T'));
    const QDate date = QDate::fromString(split < 0 ? trimmed : trimmed.left(split), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        return QDateTime();
    if (split < 0)
        return QDateTime(date, QTime(0, 0), Qt::UTC);
    const QString clock = trimmed.mid(split + 1);
    for (const char *format : {"HH:mm:ss.zzz", "HH:mm:ss", "HH:mm"}) {
        const QTime time = QTime::fromString(clock, QLatin1String(format));
        if (time.isValid())
            return QDateTime(date, time, Qt::UTC);
    }
    return QDateTime();
}

} // namespace

QString fromVariant(const QVariant &value, bool dateColumn)
{
    if (value.isNull() || !value.isValid())
        return QString();
    switch (value.metaType().id()) {
    case QMetaType::QDateTime:
        return fromDateTime(value.toDateTime());
    case QMetaType::QDate:
        return fromDate(value.toDate());
    case QMetaType::Double:
    case QMetaType::Float:
        return fromNumber(value.toDouble());
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    default:
        break;
    }
    const QString text = value.toString();
    if (dateColumn) {
        // A stored text that is not a date is shown as it is rather than lost.
        const QDateTime parsed = parseStoredDate(text);
        if (parsed.isValid())
            return fromDateTime(parsed);
    }
    return text;
}

} // namespace ValueText
