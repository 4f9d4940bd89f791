#pragma once

#include <QString>

#include <memory>

// What the print system says about a print queue that Qt's printer
// information does not: CUPS on Linux (printqueue_cups.cpp), the print
// spooler on Windows (printqueue_windows.cpp).
namespace PrintQueue {

// The resolution, in dots per inch, that the queue prints a job at when the
// job asks for none; 0 when the print system does not know the queue or does
// not say.
int defaultResolution(const QString &queue);

// Why the queue would not print a job now, as a nurse or hospital IT can
// check it ("the printer is paused"); empty when nothing is known to hold
// it up.
QString queueProblem(const QString &queue);

// What became of a job sent to a queue while it was watched. A print system
// that keeps no job history forgets a job as soon as it has printed, so the
// job cannot be looked up afterwards: the watch subscribes to the queue's
// job events before the job is sent and reads them back after.
class JobWatch
{
public:
    enum class Outcome {
        Taken, // the print system made a job of it (it has an id): printed, printing or about to
        Waiting, // it made a job of it that waits for the printer or is held
        Refused, // it made no job of it: nothing was printed
        Cancelled, // the job was cancelled or aborted before it printed
        Unknown, // the print system has not told: the band may still print
    };
    struct Answer
    {
        Outcome outcome = Outcome::Unknown;
        // Waiting: why, as a nurse can check it ("the printer is paused").
        QString waiting;
    };

    explicit JobWatch(const QString &queue);
    ~JobWatch();
    JobWatch(const JobWatch &) = delete;
    JobWatch &operator=(const JobWatch &) = delete;

    // The first job of this name made on the queue since the watch began.
    Answer outcome(const QString &jobName) const;

private:
    struct Subscription;
    std::unique_ptr<Subscription> m_subscription;
};

} // namespace PrintQueue
