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

// The id of the newest job on the queue (of this user, where the print system
// keeps users apart), whatever its state; 0 when there is none.
int newestJob(const QString &queue);

// What became of a job sent to a queue while it was watched. A print system
// that keeps no job history forgets a job as soon as it has printed, so the
// job cannot be looked up afterwards: the watch subscribes to the queue's
// job events before the job is sent and reads them back after.
class JobWatch
{
public:
    enum class Outcome {
        Taken, // the print system made a job of it (it has an id); printed, printing or waiting
        Refused, // no job was made
        Failed, // the job was cancelled or aborted
        Unknown, // the print system took no subscription
    };

    explicit JobWatch(const QString &queue);
    ~JobWatch();
    JobWatch(const JobWatch &) = delete;
    JobWatch &operator=(const JobWatch &) = delete;

    // The first job of this name made on the queue since the watch began.
    Outcome outcome(const QString &jobName) const;

private:
    struct Subscription;
    std::unique_ptr<Subscription> m_subscription;
};

} // namespace PrintQueue
