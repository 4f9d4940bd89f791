#include "audit.h"

#include "auditsink.h"
#include "settings.h"

#include <QCoreApplication>

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace Audit {
namespace {

// More than a ward does in a day: a log that has stopped taking records
// must not make the program grow without end.
constexpr size_t MostWaiting = 10000;

class Writer
{
public:
    static Writer &instance()
    {
        static Writer writer;
        return writer;
    }

    ~Writer()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void push(Record record)
    {
        bool firstLost = false;
        {
            std::lock_guard lock(m_mutex);
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
            if (m_waiting.size() >= MostWaiting)
                firstLost = ++m_lost == 1;
            else
                m_waiting.push_back(std::move(record));
        }
        if (firstLost) {
            noteProblem(QStringLiteral("the system log has not taken the last %1 records, and newer ones are dropped")
                            .arg(MostWaiting));
            return;
        }
        m_wake.notify_one();
    }

    QString writeNow(const Record &record)
    {
        std::lock_guard write(m_writing);
        const QString why = sink().write(record);
        if (!why.isEmpty())
            noteProblem(why);
        return why;
    }

    void flush()
    {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_waiting.empty() && !m_busy; });
    }

    QString problem()
    {
        std::lock_guard lock(m_mutex);
        return m_problem;
    }

private:
    Writer() = default;

    AuditSink &sink()
    {
        if (!m_sink)
            m_sink = AuditSink::platform();
        return *m_sink;
    }

    void noteProblem(const QString &why)
    {
        bool first = false;
        {
            std::lock_guard lock(m_mutex);
            first = m_problem.isEmpty();
            m_problem = why;
        }
        // Once: a log that cannot be written is IT's to mend; the checks go on.
        if (first) {
            std::fprintf(stderr, "wardcheck: the audit record could not be written: %s; the checks go on.\n",
                         qPrintable(why));
        }
    }

    void run()
    {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_wake.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
            if (m_waiting.empty())
                break;
            Record next = std::move(m_waiting.front());
            m_waiting.pop_front();
            m_busy = true;
            lock.unlock();
            writeNow(next);
            lock.lock();
            m_busy = false;
            if (m_waiting.empty())
                m_idle.notify_all();
        }
        m_idle.notify_all();
    }

    std::mutex m_mutex;
    std::mutex m_writing;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Record> m_waiting;
    std::thread m_thread;
    std::unique_ptr<AuditSink> m_sink;
    QString m_problem;
    long m_lost = 0;
    bool m_busy = false;
    bool m_stopping = false;
};

std::optional<bool> &switchedOn()
{
    static std::optional<bool> on;
    return on;
}

QString &currentUser()
{
    static QString user;
    return user;
}

QString number(double value, int decimals)
{
    return value < 0 ? QString() : QString::number(value, 'f', decimals);
}

} // namespace

const QStringList &fieldNames()
{
    static const QStringList names = {
        QStringLiteral("event"),
        QStringLiteral("outcome"),
        QStringLiteral("screen"),
        QStringLiteral("user"),
        QStringLiteral("code"),
        QStringLiteral("wristband"),
        QStringLiteral("hospital_number"),
        QStringLiteral("entry"),
        QStringLiteral("mean_gap_ms"),
        QStringLiteral("lookup_ms"),
        QStringLiteral("detail"),
        QStringLiteral("version"),
    };
    return names;
}

QString eventName(Event event)
{
    switch (event) {
    case Event::MedicineCheck:
        return QStringLiteral("medicine-check");
    case Event::ContainerScan:
        return QStringLiteral("container-scan");
    case Event::BedsideCheck:
        return QStringLiteral("bedside-check");
    case Event::ConnectionError:
        return QStringLiteral("connection-error");
    case Event::DroppedScan:
        return QStringLiteral("dropped-scan");
    case Event::WristbandPrinted:
        return QStringLiteral("wristband-printed");
    case Event::WristbandNotPrinted:
        return QStringLiteral("wristband-not-printed");
    case Event::Login:
        return QStringLiteral("login");
    case Event::LoginRefused:
        return QStringLiteral("login-refused");
    case Event::SetUpCheck:
        return QStringLiteral("setup-check");
    }
    return QString();
}

QStringList fieldValues(const Record &r)
{
    return {eventName(r.event),
            r.outcome,
            r.screen,
            r.user,
            r.code,
            r.wristband,
            r.hospitalNumber,
            r.entry,
            number(r.meanGapMs, 1),
            r.lookupMs < 0 ? QString() : QString::number(r.lookupMs),
            r.detail,
            r.version};
}

QString message(const Record &r)
{
    QString text =
        QStringLiteral("%1 on the %2 screen by %3: %4")
            .arg(eventName(r.event), r.screen, r.user.isEmpty() ? QStringLiteral("nobody") : r.user, r.outcome);
    if (!r.code.isEmpty())
        text += QStringLiteral("; code %1").arg(r.code);
    if (!r.wristband.isEmpty())
        text += QStringLiteral("; wristband %1 (%2)").arg(r.wristband, r.entry);
    if (!r.hospitalNumber.isEmpty())
        text += QStringLiteral("; patient %1").arg(r.hospitalNumber);
    if (r.lookupMs >= 0)
        text += QStringLiteral("; lookup %1 ms").arg(r.lookupMs);
    if (!r.detail.isEmpty())
        text += QStringLiteral("; %1").arg(r.detail);
    return text;
}

bool enabled()
{
    if (!switchedOn())
        switchedOn() = Settings::value(Settings::Key::AuditEnabled).toBool();
    return *switchedOn();
}

void reload()
{
    switchedOn().reset();
}

void setUser(const QString &user)
{
    currentUser() = user;
}

void record(Record record)
{
    if (!enabled())
        return;
    if (record.user.isEmpty())
        record.user = currentUser();
    record.version = QCoreApplication::applicationVersion();
    Writer::instance().push(std::move(record));
}

QString writeNow(Record record)
{
    record.version = QCoreApplication::applicationVersion();
    return Writer::instance().writeNow(record);
}

QString problem()
{
    return Writer::instance().problem();
}

void flush()
{
    Writer::instance().flush();
}

} // namespace Audit
