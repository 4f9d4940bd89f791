#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>

// How values read from the hospital database become text on screen: null
// is empty, a date is the system's short date followed by the long time
// when the time of day is not midnight, a number its plain form.
namespace ValueText {

QString fromVariant(const QVariant &value, bool dateColumn);
QString fromDateTime(const QDateTime &value);
QString fromDate(QDate value);
QString fromNumber(double value);

// Date formats of the current locale, with a four-digit year and without a
// time zone: a two-digit birth year is ambiguous at the bedside.
QString shortDateFormat();
QString longTimeFormat();

} // namespace ValueText
