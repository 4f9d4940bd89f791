#include "tdsstandinprocess.h"

#include <QDeadlineTimer>
#include <QFile>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

TdsStandinProcess::TdsStandinProcess()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
}

TdsStandinProcess::~TdsStandinProcess()
{
    stop();
}

bool TdsStandinProcess::start(const QString &databasePath, const QStringList &extraArguments)
{
    const QString program = qEnvironmentVariable("WARDCHECK_TDS_STANDIN");
    if (program.isEmpty()) {
        m_error = QStringLiteral("WARDCHECK_TDS_STANDIN names no server program");
        return false;
    }
    const QString portFile = m_dir.filePath(QStringLiteral("port"));
    QFile::remove(portFile);
    m_process.start(program, QStringList{QStringLiteral("--database"), databasePath, QStringLiteral("--login"),
                                         user() + QLatin1Char(':') + password(), QStringLiteral("--port-file"),
                                         portFile, QStringLiteral("--lifetime"), QStringLiteral("900")}
                                 + extraArguments);
    if (!m_process.waitForStarted(10000)) {
        m_error = m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly)) {
            const QList<QByteArray> ports = file.readAll().trimmed().split(' ');
            if (ports.size() == 2) {
                m_port = quint16(ports.at(0).toUInt());
                m_controlPort = quint16(ports.at(1).toUInt());
                return m_port && m_controlPort;
            }
        }
        m_process.waitForFinished(10);
    }
    m_error = QStringLiteral("the TDS stand-in did not start listening");
    stop();
    return false;
}

int TdsStandinProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return -1;
    m_process.terminate();
    if (m_process.waitForFinished(5000))
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    m_process.kill();
    m_process.waitForFinished(5000);
    return -1;
}

bool TdsStandinProcess::isRunning() const
{
    return m_process.state() == QProcess::Running;
}

QString TdsStandinProcess::control(const QString &line)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(m_controlPort);
    QByteArray answer;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
        const QByteArray request = line.toUtf8() + '\n';
        if (::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size()) {
            char c = 0;
            while (::recv(fd, &c, 1, 0) == 1 && c != '\n')
                answer += c;
        }
    }
    ::close(fd);
    return QString::fromUtf8(answer);
}

long TdsStandinProcess::counter(const QString &name)
{
    const QStringList words = control(QStringLiteral("counters")).split(QLatin1Char(' '));
    for (qsizetype k = 0; k + 1 < words.size(); k += 2) {
        if (words.at(k) == name)
            return words.at(k + 1).toLong();
    }
    return -1;
}

QString TdsStandinProcess::connectionString(const QString &extra) const
{
    return QStringLiteral("Driver={FreeTDS};Server=127.0.0.1;Port=%1;Database=patient_data;TDS_Version=7.4%2")
        .arg(m_port)
        .arg(extra);
}
