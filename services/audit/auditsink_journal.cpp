#include "auditsink.h"

#include <QByteArray>
#include <QList>

#include <cstring>
#include <sys/uio.h>
#include <systemd/sd-journal.h>

namespace {

bool isWarning(Audit::Event event, const QString &outcome)
{
    switch (event) {
    case Audit::Event::ConnectionError:
    case Audit::Event::DroppedScan:
    case Audit::Event::WristbandNotPrinted:
    case Audit::Event::LoginRefused:
        return true;
    default:
        return outcome == QLatin1String("fail") || outcome.contains(QLatin1String("refused"));
    }
}

// Each record as structured fields of the journal, found with
// journalctl -t wardcheck: WARDCHECK_EVENT=, WARDCHECK_OUTCOME=, ...
class JournalSink : public AuditSink
{
public:
    QString write(const Audit::Record &record) override
    {
        QList<QByteArray> fields;
        fields << "MESSAGE=" + Audit::message(record).toUtf8();
        fields << QByteArray("PRIORITY=") + (isWarning(record.event, record.outcome) ? "4" : "6");
        fields << QByteArrayLiteral("SYSLOG_IDENTIFIER=wardcheck");
        fields << "WARDCHECK_EVENT_ID=" + QByteArray::number(int(record.event));
        const QStringList names = Audit::fieldNames();
        const QStringList values = Audit::fieldValues(record);
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (!values.at(i).isEmpty())
                fields << "WARDCHECK_" + names.at(i).toUpper().toUtf8() + '=' + values.at(i).toUtf8();
        }
        std::vector<iovec> parts;
        parts.reserve(size_t(fields.size()));
        for (QByteArray &field : fields)
            parts.push_back(iovec{field.data(), size_t(field.size())});
        const int status = sd_journal_sendv(parts.data(), int(parts.size()));
        if (status < 0)
            return QStringLiteral("the systemd journal did not take it (%1)")
                .arg(QString::fromLocal8Bit(std::strerror(-status)));
        return QString();
    }
};

} // namespace

std::unique_ptr<AuditSink> AuditSink::platform()
{
    return std::make_unique<JournalSink>();
}
