#include "printqueue.h"
#include "spoolerjobs.h"

#include <QDeadlineTimer>
#include <QList>

#include <algorithm>
#include <string>
#include <vector>
#include <windows.h>
#include <winspool.h>

namespace PrintQueue {
namespace {

static_assert(SpoolerJobs::Paused == JOB_STATUS_PAUSED && SpoolerJobs::Error == JOB_STATUS_ERROR
              && SpoolerJobs::Deleting == JOB_STATUS_DELETING && SpoolerJobs::Offline == JOB_STATUS_OFFLINE
              && SpoolerJobs::PaperOut == JOB_STATUS_PAPEROUT && SpoolerJobs::Printed == JOB_STATUS_PRINTED
              && SpoolerJobs::Deleted == JOB_STATUS_DELETED && SpoolerJobs::BlockedDevq == JOB_STATUS_BLOCKED_DEVQ
              && SpoolerJobs::UserIntervention == JOB_STATUS_USER_INTERVENTION
              && SpoolerJobs::Complete == JOB_STATUS_COMPLETE);
static_assert(SpoolerJobs::PrinterPaused == PRINTER_STATUS_PAUSED && SpoolerJobs::PrinterError == PRINTER_STATUS_ERROR
              && SpoolerJobs::PrinterPaperOut == PRINTER_STATUS_PAPER_OUT
              && SpoolerJobs::PrinterOffline == PRINTER_STATUS_OFFLINE
              && SpoolerJobs::PrinterUserIntervention == PRINTER_STATUS_USER_INTERVENTION);

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
        jobs.append(Job{info[i].JobId, info[i].pDocument ? QString::fromWCharArray(info[i].pDocument) : QString(),
                        info[i].Status});
    }
    return jobs;
}

unsigned long printerStatus(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed == 0)
        return 0;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterW(printer, 2, buffer.data(), needed, &needed))
        return 0;
    return reinterpret_cast<const PRINTER_INFO_2W *>(buffer.data())->Status;
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

QString queueProblem(const QString &queue)
{
    const Printer printer(queue);
    return printer.handle() ? SpoolerJobs::printerWaiting(printerStatus(printer.handle())) : QString();
}

// The spooler's change notifications play the part of CUPS's subscription:
// a job that printed and was forgotten before EnumJobs could list it was
// still announced when it was added.
struct JobWatch::Subscription
{
    explicit Subscription(const QString &queue) : printer(queue) { }

    Printer printer;
    HANDLE change = INVALID_HANDLE_VALUE;
    QList<unsigned long> before;
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

JobWatch::Answer JobWatch::outcome(const QString &jobName) const
{
    const Subscription &s = *m_subscription;
    if (!s.printer.handle())
        return Answer{Outcome::Unknown, QString()};

    SpoolerJobs::Record record(s.before);
    const auto list = [&] {
        for (const Job &job : jobsOf(s.printer.handle()))
            record.seen(job.id, job.document, job.status);
    };
    // A job that printed and was forgotten before a listing could show it
    // was still announced by the notifications. Without them (a spooler that
    // keeps none, or too many changes at once) the listings alone tell.
    bool notified = s.change != INVALID_HANDLE_VALUE;
    const QDeadlineTimer deadline(SpoolerAnswerMs);
    while (!deadline.hasExpired()) {
        list();
        if (const auto answer = record.answer(jobName, printerStatus(s.printer.handle()), false))
            return *answer;
        if (!notified) {
            Sleep(DWORD(std::min<qint64>(100, std::max<qint64>(1, deadline.remainingTime()))));
            continue;
        }
        const DWORD wait = WaitForSingleObject(s.change, DWORD(std::max<qint64>(0, deadline.remainingTime())));
        if (wait != WAIT_OBJECT_0)
            break;
        DWORD cause = 0;
        PRINTER_NOTIFY_INFO *info = nullptr;
        if (!FindNextPrinterChangeNotification(s.change, &cause, nullptr, reinterpret_cast<LPVOID *>(&info))) {
            notified = false;
            continue;
        }
        if (info && (info->Flags & PRINTER_NOTIFY_INFO_DISCARDED))
            notified = false;
        if (info) {
            for (DWORD i = 0; notified && i < info->Count; ++i) {
                const PRINTER_NOTIFY_INFO_DATA &data = info->aData[i];
                if (data.Type != JOB_NOTIFY_TYPE)
                    continue;
                if (data.Field == JOB_NOTIFY_FIELD_DOCUMENT && data.NotifyData.Data.pBuf)
                    record.seen(data.Id,
                                QString::fromWCharArray(static_cast<const wchar_t *>(data.NotifyData.Data.pBuf)), 0);
                else if (data.Field == JOB_NOTIFY_FIELD_STATUS)
                    record.seen(data.Id, QString(), data.NotifyData.adwData[0]);
            }
            FreePrinterNotifyInfo(info);
        }
    }
    // The spooler may be slow to list a job it took: once more at the end.
    list();
    return *record.answer(jobName, printerStatus(s.printer.handle()), true);
}

} // namespace PrintQueue
