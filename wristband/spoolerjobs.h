#pragma once

#include "printqueue.h"

#include <QList>
#include <QString>

#include <optional>

// What the Windows print spooler tells of the jobs on a queue while a band
// is sent, and the answer made of it. Apart from the spooler's own calls
// (printqueue_windows.cpp), so that recorded sequences of its events can be
// tested on every platform.
namespace SpoolerJobs {

// A job's status bits, with the values of the spooler's JOB_STATUS_*.
enum Status : unsigned long {
    Paused = 0x1,
    Error = 0x2,
    Deleting = 0x4,
    Spooling = 0x8,
    Printing = 0x10,
    Offline = 0x20,
    PaperOut = 0x40,
    Printed = 0x80,
    Deleted = 0x100,
    BlockedDevq = 0x200,
    UserIntervention = 0x400,
    Restart = 0x800,
    Complete = 0x1000,
};

// The printer's, with the values of PRINTER_STATUS_*.
enum PrinterStatus : unsigned long {
    PrinterPaused = 0x1,
    PrinterError = 0x2,
    PrinterPaperOut = 0x10,
    PrinterOffline = 0x80,
    PrinterUserIntervention = 0x100000,
};

// Why a printer of this status holds its jobs, as a nurse can check it;
// empty when nothing does.
QString printerWaiting(unsigned long printerStatus);

class Record
{
public:
    // The jobs that were on the queue before the band was sent.
    explicit Record(const QList<unsigned long> &before) : m_before(before) { }

    // A job's document name (empty: not told this time) and status, from a
    // change notification or a listing. A job's statuses add up: one that
    // printed and was then deleted has printed.
    void seen(unsigned long id, const QString &document, unsigned long status);

    // The band's job (the first new one of its name), as the spooler has told
    // of it: nothing yet before the deadline; at the deadline, after a last
    // listing, Unknown when it has told of none.
    std::optional<PrintQueue::JobWatch::Answer> answer(const QString &jobName, unsigned long printerStatus,
                                                       bool deadline) const;

private:
    struct Job
    {
        unsigned long id = 0;
        QString document;
        unsigned long status = 0;
    };

    QList<unsigned long> m_before;
    QList<Job> m_jobs;
};

} // namespace SpoolerJobs
