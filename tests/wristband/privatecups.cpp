#include "privatecups.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <cups/cups.h>

#include <algorithm>
#include <csignal>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString CupsPdfBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString CupsPdfPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
const QStringList SbinFolders = {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")};

QString tool(const QString &name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, SbinFolders) : found;
}

bool writeFile(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) == text.toUtf8().size()
           && file.flush();
}

QString tail(const QString &path, int lines)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QStringList all = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    return QStringLiteral("--- %1\n%2\n").arg(path, all.mid(qMax(0, all.size() - lines)).join(QLatin1Char('\n')));
}

bool answers(const QString &socketPath)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(socketPath);
    if (name.size() >= qsizetype(sizeof(address.sun_path)))
        return false;
    std::copy(name.cbegin(), name.cend(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return connected;
}

} // namespace

PrivateCups::PrivateCups(JobHistory history)
    : m_dir(QDir(QDir::tempPath()).filePath(QStringLiteral("wardcheck-cups-XXXXXX")))
{
    // The filters run as lp and read the job's document from the spool.
    QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                            | QFileDevice::ExeGroup | QFileDevice::ExeOther);
    for (const char *folder : {"etc", "spool/tmp", "cache", "state", "log", "client", "pdf/spool", "pdf/gstmp"})
        QDir().mkpath(path(QString::fromLatin1(folder)));

    writeFile(path(QStringLiteral("etc/cups-files.conf")),
              QStringLiteral("ServerRoot %1\n"
                             "RequestRoot %2\n"
                             "TempDir %2/tmp\n"
                             "CacheDir %3\n"
                             "StateDir %4\n"
                             "Printcap %4/printcap\n"
                             "ServerBin /usr/lib/cups\n"
                             "DataDir /usr/share/cups\n"
                             "AccessLog %5/access_log\n"
                             "ErrorLog %5/error_log\n"
                             "PageLog %5/page_log\n"
                             "User lp\n"
                             "Group lp\n"
                             "SystemGroup root\n"
                             "FileDevice %6\n")
                  .arg(path(QStringLiteral("etc")), path(QStringLiteral("spool")), path(QStringLiteral("cache")),
                       path(QStringLiteral("state")), path(QStringLiteral("log")),
                       // A queue into /dev/null (addNullQueue) finishes a job at once.
                       history == JobHistory::Forgotten ? QStringLiteral("Yes") : QStringLiteral("No")));
    // No authentication: only this test talks to the socket. A failed job is
    // aborted rather than stopping its queue, so that a wait for it ends.
    writeFile(path(QStringLiteral("etc/cupsd.conf")),
              QStringLiteral("LogLevel info\n"
                             "Listen %1\n"
                             "Browsing No\n"
                             "DefaultShared No\n"
                             "WebInterface No\n"
                             "DefaultAuthType None\n"
                             "ErrorPolicy abort-job\n"
                             "PreserveJobFiles %2\n"
                             "PreserveJobHistory %2\n"
                             "<Policy default>\n"
                             "  <Limit All>\n"
                             "    Order deny,allow\n"
                             "  </Limit>\n"
                             "</Policy>\n")
                  .arg(socketPath(), history == JobHistory::Kept ? QStringLiteral("Yes") : QStringLiteral("No")));
    writeFile(path(QStringLiteral("client/client.conf")), QStringLiteral("ServerName %1\n").arg(socketPath()));
}

PrivateCups::~PrivateCups()
{
    stop();
}

QString PrivateCups::missingTools()
{
    QStringList missing;
    for (const char *name : {"unshare", "cupsd", "lpadmin"}) {
        if (tool(QString::fromLatin1(name)).isEmpty())
            missing << QString::fromLatin1(name);
    }
    if (!QFile::exists(CupsPdfBackend))
        missing << CupsPdfBackend;
    if (!QFile::exists(CupsPdfPpd))
        missing << CupsPdfPpd;
    if (!QFileInfo(QStringLiteral("/etc/cups")).isDir())
        missing << QStringLiteral("/etc/cups");
    return missing.join(QStringLiteral(", "));
}

QString PrivateCups::path(const QString &name) const
{
    return m_dir.filePath(name);
}

QString PrivateCups::socketPath() const
{
    return path(QStringLiteral("cupsd.sock"));
}

QString PrivateCups::clientConfigFolder() const
{
    return path(QStringLiteral("client"));
}

QString PrivateCups::pdfFolder(const QString &queue) const
{
    return path(QStringLiteral("pdf/") + queue);
}

QString PrivateCups::spooledDocument(int job) const
{
    return path(QStringLiteral("spool/d%1-001").arg(job, 5, 10, QLatin1Char('0')));
}

QString PrivateCups::start(int timeoutMs)
{
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder: ") + m_dir.errorString();
    if (QFile::encodeName(socketPath()).size() >= qsizetype(sizeof(sockaddr_un::sun_path)))
        return QStringLiteral("the socket path %1 is too long for a Unix socket").arg(socketPath());

    const QString script =
        QStringLiteral(R"(mount --bind "$1" /etc/cups && exec "$2" -f -c "$1/cupsd.conf" -s "$1/cups-files.conf")");
    m_cupsd.setProgram(tool(QStringLiteral("unshare")));
    m_cupsd.setArguments({QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                          QStringLiteral("--"), QStringLiteral("/bin/sh"), QStringLiteral("-c"), script,
                          QStringLiteral("sh"), path(QStringLiteral("etc")), tool(QStringLiteral("cupsd"))});
    m_cupsd.setStandardOutputFile(path(QStringLiteral("log/cupsd.out")));
    m_cupsd.setStandardErrorFile(path(QStringLiteral("log/cupsd.out")), QIODevice::Append);
    // Killed with the test even when the test crashes: nothing stays behind.
    m_cupsd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_cupsd.start();
    if (!m_cupsd.waitForStarted(10000))
        return QStringLiteral("unshare could not be started: ") + m_cupsd.errorString();

    const QDeadlineTimer deadline(timeoutMs);
    while (!answers(socketPath())) {
        if (m_cupsd.waitForFinished(100) || m_cupsd.state() == QProcess::NotRunning)
            return QStringLiteral("cupsd ended with exit code %1 before it answered.\n%2")
                .arg(m_cupsd.exitCode())
                .arg(log());
        if (deadline.hasExpired()) {
            return QStringLiteral("cupsd did not answer on %1 within %2 s.\n%3")
                .arg(socketPath())
                .arg(timeoutMs / 1000)
                .arg(log());
        }
    }
    return QString();
}

void PrivateCups::stop()
{
    if (m_cupsd.state() == QProcess::NotRunning)
        return;
    m_cupsd.terminate();
    if (!m_cupsd.waitForFinished(10000)) {
        m_cupsd.kill();
        m_cupsd.waitForFinished(5000);
    }
}

QString PrivateCups::lpadmin(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CUPS_SERVER"), socketPath());
    environment.insert(QStringLiteral("CUPS_SERVERROOT"), clientConfigFolder());
    process.setProcessEnvironment(environment);
    process.start(tool(QStringLiteral("lpadmin")), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return QStringLiteral("lpadmin %1 failed: %2%3\n%4")
            .arg(arguments.join(QLatin1Char(' ')), process.errorString(),
                 QString::fromLocal8Bit(process.readAllStandardError()), log());
    }
    return QString();
}

QString PrivateCups::addPdfQueue(const QString &name, int dpi)
{
    QDir().mkpath(pdfFolder(name));
    const QString config = QStringLiteral("Out %1\n"
                                          "AnonDirName %1\n"
                                          "Spool %2/spool\n"
                                          "GSTmp %2/gstmp\n"
                                          "Log %3\n"
                                          "LogType 3\n"
                                          "Grp lp\n"
                                          "Label 2\n")
                               .arg(pdfFolder(name), path(QStringLiteral("pdf")), path(QStringLiteral("log")));
    if (!writeFile(path(QStringLiteral("etc/cups-pdf-%1.conf").arg(name)), config))
        return QStringLiteral("the cups-pdf configuration for %1 could not be written").arg(name);
    return lpadmin({QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                    QStringLiteral("cups-pdf:/") + name, QStringLiteral("-P"), CupsPdfPpd, QStringLiteral("-o"),
                    QStringLiteral("Resolution=%1dpi").arg(dpi)});
}

QString PrivateCups::addNullQueue(const QString &name)
{
    return lpadmin(
        {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"), QStringLiteral("file:///dev/null")});
}

QString PrivateCups::setDefault(const QString &name)
{
    return lpadmin({QStringLiteral("-d"), name});
}

QList<PrivateCups::Job> PrivateCups::jobs()
{
    cups_job_t *list = nullptr;
    const int count = cupsGetJobs2(nullptr, &list, nullptr, 0, CUPS_WHICHJOBS_ALL);
    QList<Job> result;
    for (int i = 0; i < count; ++i) {
        result.append(
            Job{list[i].id, QString::fromUtf8(list[i].dest), int(list[i].state), QString::fromUtf8(list[i].format)});
    }
    cupsFreeJobs(count, list);
    std::sort(result.begin(), result.end(), [](const Job &a, const Job &b) { return a.id < b.id; });
    return result;
}

PrivateCups::Job PrivateCups::waitForJob(int id, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const QList<Job> all = jobs();
        const auto job = std::find_if(all.cbegin(), all.cend(), [id](const Job &j) { return j.id == id; });
        if (job == all.cend())
            return Job();
        if (job->state >= IPP_JSTATE_CANCELED || deadline.hasExpired())
            return *job;
        QThread::msleep(100);
    }
}

QString PrivateCups::log() const
{
    QString text = tail(path(QStringLiteral("log/cupsd.out")), 20) + tail(path(QStringLiteral("log/error_log")), 40);
    const QStringList cupsPdfLogs =
        QDir(path(QStringLiteral("log"))).entryList({QStringLiteral("cups-pdf*")}, QDir::Files);
    for (const QString &name : cupsPdfLogs)
        text += tail(path(QStringLiteral("log/") + name), 20);
    return text;
}
