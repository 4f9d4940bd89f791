#include "spoolerjobs.h"

#include <algorithm>

namespace SpoolerJobs {

QString printerWaiting(unsigned long printerStatus)
{
    if (printerStatus & PrinterPaperOut)
        return QStringLiteral("the printer is out of paper");
    if (printerStatus & PrinterOffline)
        return QStringLiteral("the printer is offline");
    if (printerStatus & PrinterPaused)
        return QStringLiteral("the printer is paused");
    if (printerStatus & (PrinterError | PrinterUserIntervention))
        return QStringLiteral("the printer needs attention");
    return QString();
}

void Record::seen(unsigned long id, const QString &document, unsigned long status)
{
    auto job = std::find_if(m_jobs.begin(), m_jobs.end(), [id](const Job &known) { return known.id == id; });
    if (job == m_jobs.end()) {
        m_jobs.append(Job{id, QString(), 0});
        job = m_jobs.end() - 1;
    }
    if (!document.isEmpty())
        job->document = document;
    job->status |= status;
}

std::optional<PrintQueue::JobWatch::Answer> Record::answer(const QString &jobName, unsigned long printerStatus,
                                                           bool deadline) const
{
    using Outcome = PrintQueue::JobWatch::Outcome;
    const auto ours = std::find_if(m_jobs.cbegin(), m_jobs.cend(), [&](const Job &job) {
        return job.document == jobName && !m_before.contains(job.id);
    });
    if (ours == m_jobs.cend()) {
        if (!deadline)
            return std::nullopt;
        return PrintQueue::JobWatch::Answer{Outcome::Unknown, QString()};
    }
    const unsigned long status = ours->status;
    if (status & (Printed | Complete))
        return PrintQueue::JobWatch::Answer{Outcome::Taken, QString()};
    // Deleted before it printed: cancelled. Blocked: it cannot print.
    if (status & (Deleting | Deleted | BlockedDevq))
        return PrintQueue::JobWatch::Answer{Outcome::Cancelled, QString()};
    // The job's own state first: it is the one the spooler says held it up.
    QString waiting;
    if (status & Paused)
        waiting = QStringLiteral("the job is held at the print server");
    else if (status & PaperOut)
        waiting = QStringLiteral("the printer is out of paper");
    else if (status & Offline)
        waiting = QStringLiteral("the printer is offline");
    else if (status & (Error | UserIntervention))
        waiting = QStringLiteral("the printer needs attention");
    else
        waiting = printerWaiting(printerStatus);
    return PrintQueue::JobWatch::Answer{waiting.isEmpty() ? Outcome::Taken : Outcome::Waiting, waiting};
}

} // namespace SpoolerJobs
