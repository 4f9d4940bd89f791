#pragma once

#include <QString>

// What CUPS says about a print queue that Qt's printer information does not.
namespace CupsQueue {

// The resolution, in dots per inch, that the queue prints a job at when the
// job asks for none; 0 when CUPS does not know the queue or does not say.
int defaultResolution(const QString &queue);

// The id of the newest job of this user on the queue, whatever its state;
// 0 when there is none.
int newestJob(const QString &queue);

} // namespace CupsQueue
