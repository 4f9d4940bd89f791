#pragma once

#include <QByteArray>
#include <QString>

// What CUPS says about a print queue that Qt's printer information does not.
namespace CupsQueue {

// The resolution, in dots per inch, that the queue prints a job at when the
// job asks for none; 0 when CUPS does not know the queue or does not say.
int defaultResolution(const QString &queue);

// The id of the newest job of this user on the queue, whatever its state;
// 0 when there is none.
int newestJob(const QString &queue);

// What became of a job sent to a queue while it was watched. A print server
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
    QByteArray m_uri;
    int m_subscription = 0;
};

} // namespace CupsQueue
