#include "printqueue.h"

#include <QList>
#include <QtMath>

#include <cups/cups.h>

#include <algorithm>

namespace PrintQueue {

int defaultResolution(const QString &queue)
{
    // A queue's name may carry an instance after a slash, as Qt names them.
    const QByteArray name = queue.section(QLatin1Char('/'), 0, 0).toUtf8();
    const QByteArray instance = queue.section(QLatin1Char('/'), 1).toUtf8();
    cups_dest_t *dest =
        cupsGetNamedDest(nullptr, name.constData(), instance.isEmpty() ? nullptr : instance.constData());
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

namespace {

QString printerProblem(const QString &queue, bool refusingCounts)
{
    const QByteArray name = queue.section(QLatin1Char('/'), 0, 0).toUtf8();
    cups_dest_t *dest = cupsGetNamedDest(nullptr, name.constData(), nullptr);
    if (!dest)
        return QString();
    const char *printerState = cupsGetOption("printer-state", dest->num_options, dest->options);
    const QByteArray reasons = cupsGetOption("printer-state-reasons", dest->num_options, dest->options);
    const bool stopped = printerState && qstrcmp(printerState, "5") == 0;
    const char *accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    const bool refusing = accepting && qstrcmp(accepting, "false") == 0;
    cupsFreeDests(1, dest);
    if (refusing && refusingCounts)
        return QStringLiteral("the print server refuses its jobs");
    if (reasons.contains("media-empty") || reasons.contains("media-needed"))
        return QStringLiteral("the printer is out of paper");
    if (reasons.contains("offline"))
        return QStringLiteral("the printer is offline");
    if (stopped || reasons.contains("paused"))
        return QStringLiteral("the printer is paused");
    return QString();
}

} // namespace

QString queueProblem(const QString &queue)
{
    return printerProblem(queue, true);
}

namespace {

// The newest job on the queue (of this user), whatever its state; 0 when none.
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

// Why a job that CUPS took waits rather than prints, as a nurse can check
// it; empty when nothing holds it up, or when CUPS has forgotten the job
// (no job history: it printed).
QString waitingReason(const QString &queue, int job)
{
    const QByteArray name = queue.section(QLatin1Char('/'), 0, 0).toUtf8();
    cups_job_t *jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, name.constData(), 1, CUPS_WHICHJOBS_ALL);
    ipp_jstate_t state = IPP_JSTATE_COMPLETED;
    for (int i = 0; i < count; ++i) {
        if (jobs[i].id == job)
            state = jobs[i].state;
    }
    cupsFreeJobs(count, jobs);
    if (state == IPP_JSTATE_HELD)
        return QStringLiteral("the job is held at the print server");
    if (state != IPP_JSTATE_PENDING && state != IPP_JSTATE_STOPPED)
        return QString();
    // A job it took still prints once the queue goes on, refusing new ones or not.
    return printerProblem(queue, false);
}

QByteArray printerUri(const QString &queue)
{
    const QByteArray name = queue.section(QLatin1Char('/'), 0, 0).toUtf8();
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", 0, "/printers/%s",
                     name.constData());
    return QByteArray(uri);
}

ipp_t *request(ipp_op_t operation, const QByteArray &uri)
{
    ipp_t *request = ippNewRequest(operation);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    return request;
}

struct JobEvent
{
    QByteArray event;
    int job = 0;
    int state = 0;
    QString name;
};

} // namespace

struct JobWatch::Subscription
{
    QString queue;
    QByteArray uri;
    int id = 0;
    int newestBefore = 0;
};

JobWatch::JobWatch(const QString &queue) : m_subscription(std::make_unique<Subscription>())
{
    m_subscription->queue = queue;
    m_subscription->newestBefore = newestJob(queue);
    m_subscription->uri = printerUri(queue);
    ipp_t *create = request(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS, m_subscription->uri);
    ippAddString(create, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr, "ippget");
    static const char *const events[] = {"job-created", "job-completed"};
    ippAddStrings(create, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events", 2, nullptr, events);
    ippAddInteger(create, IPP_TAG_SUBSCRIPTION, IPP_TAG_INTEGER, "notify-lease-duration", 300);
    ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, create, "/");
    if (response && ippGetStatusCode(response) <= IPP_STATUS_OK_EVENTS_COMPLETE) {
        if (ipp_attribute_t *id = ippFindAttribute(response, "notify-subscription-id", IPP_TAG_INTEGER))
            m_subscription->id = ippGetInteger(id, 0);
    }
    ippDelete(response);
}

JobWatch::~JobWatch()
{
    if (m_subscription->id <= 0)
        return;
    ipp_t *cancel = request(IPP_OP_CANCEL_SUBSCRIPTION, m_subscription->uri);
    ippAddInteger(cancel, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-id", m_subscription->id);
    ippDelete(cupsDoRequest(CUPS_HTTP_DEFAULT, cancel, "/"));
}

JobWatch::Answer JobWatch::outcome(const QString &jobName) const
{
    const Subscription &s = *m_subscription;
    const auto taken = [&s](int job) {
        const QString waiting = waitingReason(s.queue, job);
        return Answer{waiting.isEmpty() ? Outcome::Taken : Outcome::Waiting, waiting};
    };
    // A print system that takes no subscription: a job it made is listed,
    // unless it keeps no history and has printed it already.
    const auto byListing = [&] {
        const int newest = newestJob(s.queue);
        return newest > s.newestBefore ? taken(newest) : Answer{Outcome::Unknown, QString()};
    };
    if (s.id <= 0)
        return byListing();
    ipp_t *get = request(IPP_OP_GET_NOTIFICATIONS, s.uri);
    ippAddInteger(get, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-subscription-ids", s.id);
    ippAddInteger(get, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "notify-sequence-numbers", 1);
    ipp_t *response = cupsDoRequest(CUPS_HTTP_DEFAULT, get, "/");
    if (!response || ippGetStatusCode(response) > IPP_STATUS_OK_EVENTS_COMPLETE) {
        ippDelete(response);
        return byListing();
    }
    // One group of attributes per event.
    QList<JobEvent> events;
    for (ipp_attribute_t *attribute = ippFirstAttribute(response); attribute; attribute = ippNextAttribute(response)) {
        const char *name = ippGetName(attribute);
        if (ippGetGroupTag(attribute) != IPP_TAG_EVENT_NOTIFICATION || !name) {
            continue;
        }
        const QByteArray key(name);
        if (key == "notify-sequence-number" || events.isEmpty())
            events.append(JobEvent());
        JobEvent &event = events.last();
        if (key == "notify-subscribed-event")
            event.event = ippGetString(attribute, 0, nullptr);
        else if (key == "notify-job-id")
            event.job = ippGetInteger(attribute, 0);
        else if (key == "job-state")
            event.state = ippGetInteger(attribute, 0);
        else if (key == "job-name")
            event.name = QString::fromUtf8(ippGetString(attribute, 0, nullptr));
    }
    ippDelete(response);

    // CUPS adds the event while it makes the job, before the client's call
    // returns: no event, no job.
    const auto created = std::find_if(events.cbegin(), events.cend(), [&jobName](const JobEvent &event) {
        return event.event == "job-created" && event.job > 0 && event.name == jobName;
    });
    if (created == events.cend())
        return Answer{Outcome::Refused, QString()};
    for (const JobEvent &event : std::as_const(events)) {
        if (event.job == created->job && (event.state == IPP_JSTATE_CANCELED || event.state == IPP_JSTATE_ABORTED))
            return Answer{Outcome::Cancelled, QString()};
    }
    return taken(created->job);
}

} // namespace PrintQueue
