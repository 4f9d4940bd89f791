#include "printqueue.h"

#include <QDeadlineTimer>
#include <QList>

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <vector>

namespace PrintQueue {
namespace {

// How long the spooler may take to tell of a job that EndDoc has handed over.
constexpr int SpoolerAnswerMs = 3000;

class Printer
{
public:
    explicit Printer(const QString &queue)
    {
        std::wstring name = queue.toStdWString();
        if (!OpenPrinterW(name.data(), &m_handle, nullptr))
            m_handle = nullptr;
    }
    ~Printer()
    {
        if (m_handle)
            ClosePrinter(m_handle);
    }
    Printer(const Printer &) = delete;
    Printer &operator=(const Printer &) = delete;

    HANDLE handle() const { return m_handle; }

private:
    HANDLE m_handle = nullptr;
};

struct Job
{
    DWORD id = 0;
    QString document;
    DWORD status = 0;
};

QList<Job> jobsOf(HANDLE printer)
{
    QList<Job> jobs;
    if (!printer)
        return jobs;
    DWORD needed = 0;
    DWORD count = 0;
    EnumJobsW(printer, 0, 0xFFFFFFFF, 1, nullptr, 0, &needed, &count);
    if (needed == 0)
        return jobs;
    // Heap memory: aligned for the structures the spooler writes into it.
    std::vector<BYTE> buffer(needed);
    if (!EnumJobsW(printer, 0, 0xFFFFFFFF, 1, buffer.data(), needed, &needed, &count))
        return jobs;
    const auto *info = reinterpret_cast<const JOB_INFO_1W *>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        jobs.append(Job{info[i].JobId,
                        info[i].pDocument ? QString::fromWCharArray(info[i].pDocument) : QString(),
                        info[i].Status});
    }
    return jobs;
}

// A job deleted before it printed was cancelled; one the spooler blocked
// cannot print. A job waiting on paper, an offline printer or an error is
// still the spooler's to print, as CUPS keeps such a job pending.
bool failed(DWORD status)
{
    if (status & JOB_STATUS_PRINTED)
        return false;
    return (status & (JOB_STATUS_DELETING | JOB_STATUS_DELETED | JOB_STATUS_BLOCKED_DEVQ)) != 0;
}

} // namespace

int defaultResolution(const QString &queue)
{
    const Printer printer(queue);
    if (!printer.handle())
        return 0;
    DWORD needed = 0;
    GetPrinterW(printer.handle(), 2, nullptr, 0, &needed);
    if (needed == 0)
        return 0;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterW(printer.handle(), 2, buffer.data(), needed, &needed))
        return 0;
    const DEVMODEW *mode = reinterpret_cast<const PRINTER_INFO_2W *>(buffer.data())->pDevMode;
    if (!mode)
        return 0;
    if ((mode->dmFields & DM_YRESOLUTION) && mode->dmYResolution > 0)
        return mode->dmYResolution;
    // Without a y resolution, a positive print quality is dots per inch.
    if ((mode->dmFields & DM_PRINTQUALITY) && mode->dmPrintQuality > 0)
        return mode->dmPrintQuality;
    return 0;
}

int newestJob(const QString &queue)
{
    const Printer printer(queue);
    DWORD newest = 0;
    for (const Job &job : jobsOf(printer.handle()))
        newest = std::max(newest, job.id);
    return int(newest);
}

// The spooler's change notifications play the part of CUPS's subscription:
// a job that printed and was forgotten before EnumJobs could list it was
// still announced when it was added.
struct JobWatch::Subscription
{
    explicit Subscription(const QString &queue) : printer(queue) {}

    Printer printer;
    HANDLE change = INVALID_HANDLE_VALUE;
    QList<DWORD> before;
};

JobWatch::JobWatch(const QString &queue) : m_subscription(std::make_unique<Subscription>(queue))
{
    Subscription &s = *m_subscription;
    if (!s.printer.handle())
        return;
    for (const Job &job : jobsOf(s.printer.handle()))
        s.before.append(job.id);
    WORD fields[] = {JOB_NOTIFY_FIELD_DOCUMENT, JOB_NOTIFY_FIELD_STATUS};
    PRINTER_NOTIFY_OPTIONS_TYPE type{};
    type.Type = JOB_NOTIFY_TYPE;
    type.Count = DWORD(std::size(fields));
    type.pFields = fields;
    PRINTER_NOTIFY_OPTIONS options{};
    options.Version = 2;
    options.Count = 1;
    options.pTypes = &type;
    s.change = FindFirstPrinterChangeNotification(s.printer.handle(), PRINTER_CHANGE_JOB, 0, &options);
}

JobWatch::~JobWatch()
{
    if (m_subscription->change != INVALID_HANDLE_VALUE)
        FindClosePrinterChangeNotification(m_subscription->change);
}

JobWatch::Outcome JobWatch::outcome(const QString &jobName) const
{
    const Subscription &s = *m_subscription;
    if (!s.printer.handle() || s.change == INVALID_HANDLE_VALUE)
        return Outcome::Unknown;

    // Job id -> what the notifications and the queue said of it.
    QList<Job> seen;
    const auto note = [&seen](DWORD id) -> Job & {
        const auto found = std::find_if(seen.begin(), seen.end(), [id](const Job &job) { return job.id == id; });
        if (found != seen.end())
            return *found;
        seen.append(Job{id, QString(), 0});
        return seen.last();
    };
    const auto ours = [&]() -> const Job * {
        for (const Job &job : std::as_const(seen)) {
            if (job.document == jobName && !s.before.contains(job.id))
                return &job;
        }
        return nullptr;
    };

    const QDeadlineTimer deadline(SpoolerAnswerMs);
    while (true) {
        for (const Job &job : jobsOf(s.printer.handle())) {
            Job &known = note(job.id);
            known.document = job.document;
            known.status |= job.status;
        }
        if (const Job *job = ours())
            return failed(job->status) ? Outcome::Failed : Outcome::Taken;
        const DWORD wait = WaitForSingleObject(s.change, DWORD(std::max<qint64>(0, deadline.remainingTime())));
        if (wait != WAIT_OBJECT_0)
            return Outcome::Refused;
        DWORD cause = 0;
        PRINTER_NOTIFY_INFO *info = nullptr;
        if (!FindNextPrinterChangeNotification(s.change, &cause, nullptr, reinterpret_cast<LPVOID *>(&info)))
            return Outcome::Unknown;
        // Too many changes at once: the spooler kept none of them.
        if (info && (info->Flags & PRINTER_NOTIFY_INFO_DISCARDED)) {
            FreePrinterNotifyInfo(info);
            return Outcome::Unknown;
        }
        if (info) {
            for (DWORD i = 0; i < info->Count; ++i) {
                const PRINTER_NOTIFY_INFO_DATA &data = info->aData[i];
                if (data.Type != JOB_NOTIFY_TYPE)
                    continue;
                Job &job = note(data.Id);
                if (data.Field == JOB_NOTIFY_FIELD_DOCUMENT && data.NotifyData.Data.pBuf)
                    job.document = QString::fromWCharArray(static_cast<const wchar_t *>(data.NotifyData.Data.pBuf));
                else if (data.Field == JOB_NOTIFY_FIELD_STATUS)
                    job.status |= data.NotifyData.adwData[0];
            }
            FreePrinterNotifyInfo(info);
        }
        if (const Job *job = ours())
            return failed(job->status) ? Outcome::Failed : Outcome::Taken;
        if (deadline.hasExpired())
            return Outcome::Refused;
    }
}

} // namespace PrintQueue
