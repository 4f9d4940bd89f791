#include "auditsink.h"

#include <string>
#include <vector>
#include <windows.h>

namespace {

WORD typeOf(const Audit::Record &record)
{
    switch (record.event) {
    case Audit::Event::ConnectionError:
    case Audit::Event::DroppedScan:
    case Audit::Event::WristbandNotPrinted:
    case Audit::Event::LoginRefused:
        return EVENTLOG_WARNING_TYPE;
    default:
        return record.outcome == QLatin1String("fail") || record.outcome.contains(QLatin1String("refused"))
                   ? EVENTLOG_WARNING_TYPE
                   : EVENTLOG_INFORMATION_TYPE;
    }
}

// Each record in the Application event log under the source Wardcheck,
// which the installer registers with the program's message table: Event
// Viewer shows a sentence per event id, the fields as its insertion strings
// (%1 ..., in Audit::fieldNames' order).
class EventLogSink : public AuditSink
{
public:
    EventLogSink() : m_source(RegisterEventSourceW(nullptr, L"Wardcheck")) { }
    ~EventLogSink() override
    {
        if (m_source)
            DeregisterEventSource(m_source);
    }

    QString write(const Audit::Record &record) override
    {
        if (!m_source)
            return QStringLiteral("the event log could not be opened (Windows error %1)").arg(GetLastError());
        std::vector<std::wstring> values;
        for (const QString &value : Audit::fieldValues(record))
            values.push_back(value.toStdWString());
        std::vector<LPCWSTR> strings;
        for (const std::wstring &value : values)
            strings.push_back(value.c_str());
        if (!ReportEventW(m_source, typeOf(record), 0, DWORD(record.event), nullptr, WORD(strings.size()), 0,
                          strings.data(), nullptr))
            return QStringLiteral("the event log did not take it (Windows error %1)").arg(GetLastError());
        return QString();
    }

private:
    HANDLE m_source;
};

} // namespace

std::unique_ptr<AuditSink> AuditSink::platform()
{
    return std::make_unique<EventLogSink>();
}
