#pragma once

#include <QString>

// What CUPS says about a print queue that Qt's printer information does not.
namespace CupsQueue {

// The resolution, in dots per inch, that the queue prints a job at when the
// job asks for none; 0 when CUPS does not know the queue or does not say.
int defaultResolution(const QString &queue);

} // namespace CupsQueue
