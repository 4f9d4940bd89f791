#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A cupsd of the test's own. Its configuration, spool, cache, state, logs
// and socket live in a temporary folder; it listens on that socket only,
// reads none of the system's configuration and changes none of it, and it
// is stopped when the object goes, or killed with the test process should
// that die first.
//
// Its queues print through the cups-pdf backend. cups-pdf reads its
// configuration from /etc/cups/cups-pdf-<suffix>.conf for a device URI
// cups-pdf:/<suffix> (cups-pdf.conf without one), a folder built into it
// that no option or variable moves, and without that file it writes under
// /var/spool/cups-pdf. So cupsd runs in a mount namespace of its own in
// which the private configuration folder is bound over /etc/cups: there
// cups-pdf reads the test's files and writes into the test's folder, and
// the system's /etc/cups is neither read nor changed. The mount and
// cups-pdf both need root: cups-pdf refuses to run without root
// privileges, and its backend is installed executable by root alone.
class PrivateCups
{
public:
    struct Job
    {
        int id = 0;
        QString queue;
        int state = 0; // ipp_jstate_t
        QString format;
    };

    // Kept: finished jobs stay listed, with their documents, as the tests
    // read them back. Forgotten: CUPS drops a job as soon as it has ended,
    // as print servers set to keep no history do.
    enum class JobHistory { Kept, Forgotten };

    explicit PrivateCups(JobHistory history = JobHistory::Kept);
    ~PrivateCups();
    PrivateCups(const PrivateCups &) = delete;
    PrivateCups &operator=(const PrivateCups &) = delete;

    // Empty when everything cupsd and cups-pdf need is installed, else what is missing.
    static QString missingTools();

    // Starts cupsd and waits for its socket to answer. Returns an empty
    // text, or why it did not start, with the end of its log.
    QString start(int timeoutMs = 30000);
    void stop();

    // The variables a client of this cupsd needs: its socket as the
    // server, and a configuration folder of its own, so that no client.conf
    // or lpoptions of the system or the user changes the default queue.
    QString socketPath() const;
    QString clientConfigFolder() const;

    // Adds an enabled queue that prints through cups-pdf into pdfFolder(name)
    // at the given resolution. Returns an empty text or lpadmin's complaint.
    QString addPdfQueue(const QString &name, int dpi);
    // Adds an enabled raw queue that writes its jobs into /dev/null: a job
    // ends moments after it was sent. Needs JobHistory::Forgotten.
    QString addNullQueue(const QString &name);
    QString setDefault(const QString &name);
    QString pdfFolder(const QString &queue) const;

    // Every job the server has had, in the order of their ids (needs the
    // client variables set in this process).
    static QList<Job> jobs();
    // Waits until the job is completed, cancelled or aborted; returns its
    // last state, or an empty job when it is gone.
    static Job waitForJob(int id, int timeoutMs = 60000);
    // The job's document as cupsd received it, kept by PreserveJobFiles.
    QString spooledDocument(int job) const;

    // The end of cupsd's logs and output, for failure messages.
    QString log() const;

private:
    QString path(const QString &name) const;
    QString lpadmin(const QStringList &arguments);

    QTemporaryDir m_dir;
    QProcess m_cupsd;
};
