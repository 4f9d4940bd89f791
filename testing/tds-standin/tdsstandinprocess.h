#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The TDS stand-in server as a test runs it: started on a free port of
// 127.0.0.1 over a fixture file, told what to do through its control
// channel, and stopped (SIGTERM) when this object goes.
class TdsStandinProcess
{
public:
    TdsStandinProcess();
    ~TdsStandinProcess();
    TdsStandinProcess(const TdsStandinProcess &) = delete;
    TdsStandinProcess &operator=(const TdsStandinProcess &) = delete;

    // The server program is WARDCHECK_TDS_STANDIN from the environment.
    // Waits at most ten seconds for it to listen.
    bool start(const QString &databasePath, const QStringList &extraArguments = {});
    // Exit code after SIGTERM; -1 if it had to be killed or was not running.
    int stop();
    bool isRunning() const;
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    // One control command ("stall 2000", "restart 300", "counters", ...):
    // the server's answer line, or an empty text when it did not answer.
    QString control(const QString &line);
    // A number from the "counters" answer, -1 if missing.
    long counter(const QString &name);

    static QString user() { return QStringLiteral("tester"); }
    static QString password() { return QStringLiteral("pw"); }
    // What a hospital PC would use with FreeTDS, pointed at this server.
    QString connectionString(const QString &extra = QStringLiteral(";ClientCharset=UTF-8")) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    quint16 m_controlPort = 0;
    QString m_error;
};
