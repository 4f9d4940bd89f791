#include "auditsummary.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QStringDecoder>
#include <QTextStream>
#include <QXmlStreamReader>

#include <tuple>

namespace AuditSummary {
namespace {

const QString Program = QStringLiteral("wardcheck");

QString field(const QJsonObject &object, const QString &name)
{
    const QJsonValue value = object.value(name);
    return value.isString() ? value.toString() : QString();
}

// One line of journalctl's JSON.
void readJournalLine(const QByteArray &line, Reading &reading)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        ++reading.malformed;
        return;
    }
    const QJsonObject object = document.object();
    if (field(object, QStringLiteral("SYSLOG_IDENTIFIER")) != Program) {
        ++reading.otherPrograms;
        return;
    }
    bool isNumber = false;
    const qint64 microseconds = field(object, QStringLiteral("__REALTIME_TIMESTAMP")).toLongLong(&isNumber);
    const QString event = field(object, QStringLiteral("WARDCHECK_EVENT"));
    if (!isNumber || event.isEmpty()) {
        ++reading.malformed;
        return;
    }
    reading.entries.append(
        Entry{QDateTime::fromMSecsSinceEpoch(microseconds / 1000, Qt::UTC), field(object, QStringLiteral("_HOSTNAME")),
              field(object, QStringLiteral("WARDCHECK_USER")), event,
              field(object, QStringLiteral("WARDCHECK_OUTCOME")), field(object, QStringLiteral("WARDCHECK_ENTRY"))});
}

// One <Event> of wevtutil's XML; its insertion strings in the order of
// Audit::fieldNames.
void readEvent(const QString &xml, Reading &reading)
{
    QXmlStreamReader reader(xml);
    QString provider, time, computer;
    QStringList data;
    bool inData = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement()) {
            continue;
        }
        const QStringView name = reader.name();
        if (name == QLatin1String("Provider")) {
            provider = reader.attributes().value(QLatin1String("Name")).toString();
        } else if (name == QLatin1String("TimeCreated")) {
            time = reader.attributes().value(QLatin1String("SystemTime")).toString();
        } else if (name == QLatin1String("Computer")) {
            computer = reader.readElementText();
        } else if (name == QLatin1String("EventData")) {
            inData = true;
        } else if (name == QLatin1String("Data") && inData) {
            data << reader.readElementText();
        }
    }
    if (reader.hasError()) {
        ++reading.malformed;
        return;
    }
    if (provider.compare(QLatin1String("Wardcheck"), Qt::CaseInsensitive) != 0) {
        ++reading.otherPrograms;
        return;
    }
    const QStringList &names = Audit::fieldNames();
    QDateTime when = QDateTime::fromString(time, Qt::ISODateWithMs);
    if (!when.isValid())
        when = QDateTime::fromString(time.left(19) + QLatin1Char('Z'), Qt::ISODate);
    if (!when.isValid() || data.size() < names.size() || data.first().isEmpty()) {
        ++reading.malformed;
        return;
    }
    const auto at = [&](const char *fieldName) { return data.at(names.indexOf(QLatin1String(fieldName))); };
    reading.entries.append(Entry{when.toUTC(), computer, at("user"), at("event"), at("outcome"), at("entry")});
}

QString decode(const QByteArray &bytes)
{
    // wevtutil writes UTF-16 to a file on some Windows versions.
    std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(bytes);
    if (!encoding && bytes.size() > 1 && bytes.at(1) == '\0')
        encoding = QStringConverter::Utf16LE;
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    QString text = decoder(bytes);
    if (text.startsWith(QChar(0xfeff)))
        text.remove(0, 1);
    return text;
}

void readEvents(const QString &text, Reading &reading)
{
    // The events follow one another with no element around them.
    qsizetype at = 0;
    while (true) {
        const qsizetype start = text.indexOf(QLatin1String("<Event"), at);
        if (start < 0)
            break;
        // "<Events>" of a wrapped export is not an event of its own.
        const QChar after = start + 6 < text.size() ? text.at(start + 6) : QChar();
        if (after != QLatin1Char(' ') && after != QLatin1Char('>')) {
            at = start + 6;
            continue;
        }
        const qsizetype end = text.indexOf(QLatin1String("</Event>"), start);
        const qsizetype next = text.indexOf(QLatin1String("<Event "), start + 6);
        if (end < 0 || (next >= 0 && next < end)) {
            ++reading.malformed;
            at = next < 0 ? text.size() : next;
            continue;
        }
        readEvent(text.mid(start, end + 8 - start), reading);
        at = end + 8;
    }
}

bool isCheck(const Entry &entry)
{
    return entry.event == QLatin1String("medicine-check") || entry.event == QLatin1String("bedside-check");
}

} // namespace

Reading read(const QByteArray &exported)
{
    Reading reading;
    const QString text = decode(exported);
    if (text.trimmed().startsWith(QLatin1Char('<'))) {
        readEvents(text, reading);
        return reading;
    }
    for (const QByteArray &line : exported.split('\n')) {
        if (!line.trimmed().isEmpty())
            readJournalLine(line, reading);
    }
    return reading;
}

QList<Row> summarise(const QList<Entry> &entries, bool byUser)
{
    QMap<std::tuple<QDate, QString, QString>, Row> rows;
    for (const Entry &entry : entries) {
        const QDate day = entry.time.toLocalTime().date();
        const QString user = byUser ? entry.user : QString();
        Row &row = rows[{day, entry.pc, user}];
        row.day = day;
        row.pc = entry.pc;
        row.user = user;
        const bool decided = entry.outcome == QLatin1String("pass") || entry.outcome == QLatin1String("fail");
        if (isCheck(entry) && decided) {
            ++row.checks;
            row.passed += entry.outcome == QLatin1String("pass") ? 1 : 0;
            row.failed += entry.outcome == QLatin1String("fail") ? 1 : 0;
        }
        // A typed wristband the policy refused was an attempt all the same.
        if (isCheck(entry) && (decided || entry.outcome == QLatin1String("typed-wristband-refused"))
            && !entry.entry.isEmpty()) {
            ++row.wristbands;
            row.scanned += entry.entry == QLatin1String("scanned") ? 1 : 0;
        }
        row.errors += entry.event == QLatin1String("connection-error") ? 1 : 0;
        row.dropped += entry.event == QLatin1String("dropped-scan") ? 1 : 0;
    }
    return rows.values();
}

QString table(const QList<Row> &rows, const Reading &reading, bool byUser)
{
    QString text;
    QTextStream out(&text);
    out << QStringLiteral("%1  %2 ").arg(QStringLiteral("day"), -10).arg(QStringLiteral("PC"), -16);
    if (byUser)
        out << QStringLiteral("%1 ").arg(QStringLiteral("user"), -12);
    out << QStringLiteral("checks  passed  failed  errors  dropped  wristbands scanned\n");
    for (const Row &row : rows) {
        out << QStringLiteral("%1  %2 ").arg(row.day.toString(Qt::ISODate), -10).arg(row.pc, -16);
        if (byUser)
            out << QStringLiteral("%1 ").arg(row.user, -12);
        out << QStringLiteral("%1  %2  %3  %4  %5  ")
                   .arg(row.checks, 6)
                   .arg(row.passed, 6)
                   .arg(row.failed, 6)
                   .arg(row.errors, 6)
                   .arg(row.dropped, 7);
        if (row.wristbands == 0) {
            out << QStringLiteral("none read\n");
            continue;
        }
        const double share = double(row.scanned) / row.wristbands;
        out << QStringLiteral("%1 of %2, %3% (%4)\n")
                   .arg(row.scanned)
                   .arg(row.wristbands)
                   .arg(share * 100, 0, 'f', 1)
                   .arg(share >= Goal ? QStringLiteral("meets the 95% goal") : QStringLiteral("below the 95% goal"));
    }
    out << QStringLiteral("%1 records of Wardcheck read; skipped: %2 that could not be read, %3 of other programs.\n")
               .arg(reading.entries.size())
               .arg(reading.malformed)
               .arg(reading.otherPrograms);
    return text;
}

} // namespace AuditSummary
