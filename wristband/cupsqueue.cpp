#include "cupsqueue.h"

#include <QtMath>

#include <cups/cups.h>

namespace CupsQueue {

int defaultResolution(const QString &queue)
{
    // A queue's name may carry an instance after a slash, as Qt names them.
    const QByteArray name = queue.section(QLatin1Char('/'), 0, 0).toUtf8();
    const QByteArray instance = queue.section(QLatin1Char('/'), 1).toUtf8();
    cups_dest_t *dest = cupsGetNamedDest(nullptr, name.constData(), instance.isEmpty() ? nullptr : instance.constData());
    if (!dest)
        return 0;
    int dpi = 0;
    if (cups_dinfo_t *info = cupsCopyDestInfo(nullptr, dest)) {
        if (ipp_attribute_t *resolution = cupsFindDestDefault(nullptr, dest, info, "printer-resolution")) {
            ipp_res_t units = IPP_RES_PER_INCH;
            int yres = 0;
            const int xres = ippGetResolution(resolution, 0, &yres, &units);
            dpi = units == IPP_RES_PER_CM ? qRound(xres * 2.54) : xres;
        }
        cupsFreeDestInfo(info);
    }
    cupsFreeDests(1, dest);
    return qMax(0, dpi);
}

int newestJob(const QString &queue)
{
    const QByteArray name = queue.section(QLatin1Char('/'), 0, 0).toUtf8();
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.constData(), 1, CUPS_WHICHJOBS_ALL);
    int newest = 0;
    for (int i = 0; i < count; ++i)
        newest = qMax(newest, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return newest;
}

} // namespace CupsQueue
