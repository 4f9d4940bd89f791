// Runs the checks that show no wrong check passes, at length, and prints
// what they did in one table: model-based sequences and steps, fuzzing
// executions, faults injected, scans at scanner speed.
//
//   evidence [--sequences N] [--fuzz-runs N] [--scans N] [--fuzz-dir DIR]
//
// The fuzzers build separately with clang (scripts/test.sh makes them in
// build/fuzz); without --fuzz-dir that row is left out.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

struct Outcome
{
    bool ok = false;
    QString output;
};

Outcome runProgram(const QString &program, const QStringList &arguments, const QStringList &environment)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qpa.*=false"));
    for (const QString &pair : environment)
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(-1))
        return {};
    return {process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
            QString::fromLocal8Bit(process.readAll())};
}

QString capture(const QString &text, const char *pattern, int group = 1)
{
    const QRegularExpressionMatch m = QRegularExpression(QString::fromLatin1(pattern)).match(text);
    return m.hasMatch() ? m.captured(group) : QStringLiteral("?");
}

void row(const char *what, const QString &amount, const QString &result, bool ok)
{
    std::printf("| %-48s | %-30s | %-22s | %-4s |\n", what, qPrintable(amount), qPrintable(result), ok ? "ok" : "FAIL");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption sequences(QStringLiteral("sequences"), QStringLiteral("Model-based sequences per screen."),
                                       QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption fuzzRuns(QStringLiteral("fuzz-runs"), QStringLiteral("Executions per fuzzer."),
                                      QStringLiteral("n"), QStringLiteral("1000000"));
    const QCommandLineOption scans(QStringLiteral("scans"), QStringLiteral("Scans typed at scanner speed."),
                                   QStringLiteral("n"), QStringLiteral("10000"));
    const QCommandLineOption fuzzDir(QStringLiteral("fuzz-dir"), QStringLiteral("Folder of the built fuzzers."),
                                     QStringLiteral("dir"));
    parser.addOptions({sequences, fuzzRuns, scans, fuzzDir});
    parser.process(app);

    bool allOk = true;
    std::printf("| %-48s | %-30s | %-22s | %-4s |\n", "check", "amount", "result", "");
    std::printf("|%s|%s|%s|%s|\n", QByteArray(50, '-').constData(), QByteArray(32, '-').constData(),
                QByteArray(24, '-').constData(), QByteArray(6, '-').constData());

    // Each run on both roads: the embedded file, and ODBC to the SQL Server
    // stand-in that serves the same fixture files.
    struct Road
    {
        const char *name;
        QStringList environment;
    };
    const Road roads[] = {
        {"", {}},
        {", SQL Server road",
         {QStringLiteral("WARDCHECK_TEST_ROAD=sqlserver"), QStringLiteral("ODBCSYSINI=" WARDCHECK_STANDIN_ODBC_PLAIN),
          QStringLiteral("ODBCINSTINI=odbcinst.ini"),
          QStringLiteral("ODBCINI=" WARDCHECK_STANDIN_ODBC_PLAIN "/odbc.ini"),
          QStringLiteral("WARDCHECK_STANDIN_DRIVER=" WARDCHECK_STANDIN_DRIVER),
          QStringLiteral("WARDCHECK_STANDIN_NAME=" WARDCHECK_STANDIN_NAME)}},
    };
    const auto named = [](const char *what, const Road &road) {
        return QString::fromLatin1(what) + QString::fromLatin1(road.name);
    };

    for (const Road &road : roads) {
        for (const auto &[name, program, label] :
             {std::tuple{"model-based run, medicine", WARDCHECK_MODEL_MEDICINE, "medicine"},
              std::tuple{"model-based run, extraction", WARDCHECK_MODEL_EXTRACTION, "extraction"}}) {
            const Outcome o = runProgram(
                QString::fromLatin1(program), {},
                road.environment + QStringList{QStringLiteral("WARDCHECK_MODEL_SEQUENCES=") + parser.value(sequences)});
            const QString pattern = QString::fromLatin1(label)
                                    + QStringLiteral(" model: (\\d+) sequences, (\\d+) steps, (\\d+) disagreements");
            const QRegularExpressionMatch m = QRegularExpression(pattern).match(o.output);
            row(qPrintable(named(name, road)),
                m.hasMatch() ? QStringLiteral("%1 sequences, %2 steps").arg(m.captured(1), m.captured(2))
                             : QStringLiteral("?"),
                m.hasMatch() ? QStringLiteral("%1 disagreements").arg(m.captured(3)) : QStringLiteral("a disagreement"),
                o.ok);
            allOk = allOk && o.ok;
        }
    }

    if (parser.isSet(fuzzDir)) {
        const QDir dir(parser.value(fuzzDir));
        // tests/fuzz/sanitizer-options.cmake says why; options already set
        // come after these, so they win.
        QString asanOptions = QStringLiteral(WARDCHECK_FUZZ_ASAN_OPTIONS);
        if (!qEnvironmentVariableIsEmpty("ASAN_OPTIONS"))
            asanOptions += QLatin1Char(':') + qEnvironmentVariable("ASAN_OPTIONS");
        for (const char *target : {"fuzz_sqltext", "fuzz_dialect", "fuzz_values"}) {
            QTemporaryDir corpus;
            const Outcome o =
                runProgram(dir.filePath(QString::fromLatin1(target)),
                           {QStringLiteral("-runs=") + parser.value(fuzzRuns), QStringLiteral("-max_len=512"),
                            corpus.path(), QStringLiteral(WARDCHECK_FUZZ_CORPUS "/") + QString::fromLatin1(target)},
                           {QStringLiteral("ASAN_OPTIONS=") + asanOptions});
            row(qPrintable(QStringLiteral("fuzzing, %1").arg(QString::fromLatin1(target))),
                QStringLiteral("%1 executions").arg(capture(o.output, "Done (\\d+) runs")),
                o.ok ? QStringLiteral("0 crashes") : QStringLiteral("a crash"), o.ok);
            allOk = allOk && o.ok;
        }
    }

    for (const Road &road : roads) {
        const Outcome o = runProgram(QStringLiteral(WARDCHECK_FAULTS), {}, road.environment);
        const QString passed = capture(o.output, "Totals: (\\d+) passed");
        const QString skipped = capture(o.output, "(\\d+) skipped");
        // Less the two framework rows (initTestCase, cleanupTestCase).
        const int survived = passed == QLatin1String("?") ? 0 : passed.toInt() - 2;
        row(qPrintable(named("faults injected", road)),
            QStringLiteral("%1 faults, %2 skipped").arg(survived).arg(skipped),
            o.ok ? QStringLiteral("all survived") : QStringLiteral("one not survived"), o.ok);
        allOk = allOk && o.ok;
    }

    for (const Road &road : roads) {
        const Outcome o =
            runProgram(QStringLiteral(WARDCHECK_LOAD), {},
                       road.environment + QStringList{QStringLiteral("WARDCHECK_LOAD_SCANS=") + parser.value(scans)});
        row(qPrintable(named("scans at scanner speed", road)),
            QStringLiteral("%1 scans").arg(capture(o.output, "load: (\\d+) scans")),
            o.ok ? QStringLiteral("0 lost, 0 misrouted") : QStringLiteral("scans lost or misrouted"), o.ok);
        allOk = allOk && o.ok;
    }
    return allOk ? 0 : 1;
}
