// The extraction screen over the hospital-scale database, on the offscreen
// platform: one Step 1 scan (duplicate check, reconnect, lookup, new row)
// with 1,000 and with 30,000 containers already listed, and one Step 2
// check against 30,000 rows whose match is the last one.
#include "benchsupport.h"
#include "dialogs.h"
#include "frmextraction.h"
#include "session.h"
#include "verificationlist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTextStream>

#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <ctime>
#endif

namespace {

// Container codes of requests whose admission number is known.
QStringList sampleContainers(const QString &path, int count)
{
    QStringList codes;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sample"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(
                QStringLiteral("select distinct refnum from tbLABmaster where idnum is not null and refnum like 'L%' "
                               "order by refnum limit %1")
                    .arg(count));
            while (query.next())
                codes << query.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("sample"));
    return codes;
}

void fillList(VerificationList *model, int rows)
{
    QList<ListedContainer> lines;
    for (int i = model->size(); i < rows; ++i) {
        lines << ListedContainer{QStringLiteral("H%1").arg(i),
                                 QStringLiteral("A%1").arg(i),
                                 {QStringLiteral("CBC"), QStringLiteral("Urinalysis")},
                                 QStringLiteral("Last, First Middle"),
                                 QStringLiteral("1A-01"),
                                 QStringLiteral("1/1/1970"),
                                 QStringLiteral("F"),
                                 QStringLiteral("X%1").arg(i),
                                 QStringLiteral("LR%1").arg(i)};
    }
    model->append(lines);
}

struct Screen
{
    std::unique_ptr<frmExtraction> form = std::make_unique<frmExtraction>();
    QLineEdit *add = form->findChild<QLineEdit *>(QStringLiteral("txtAddContainerBarcode"));
    QLineEdit *container = form->findChild<QLineEdit *>(QStringLiteral("txtVerifyContainer"));
    QLineEdit *patient = form->findChild<QLineEdit *>(QStringLiteral("txtPatientBarcode"));
    VerificationList *model =
        qobject_cast<VerificationList *>(form->findChild<QTableView *>(QStringLiteral("Grid1"))->model());
};

int g_messages = 0;

// Processor time of this thread: on a shared machine the wall clock also
// counts the time other processes had the processor.
double threadCpuMs()
{
#ifdef Q_OS_UNIX
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
#else
    return 0;
#endif
}

struct Timings
{
    std::vector<double> wall, cpu;
    template<class F> void measure(F &&run)
    {
        const double cpuStart = threadCpuMs();
        QElapsedTimer clock;
        clock.start();
        run();
        wall.push_back(double(clock.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    void print(const QString &name) const
    {
        Bench::print(name, Bench::summarise(wall), int(wall.size()));
        Bench::print(QStringLiteral("  (thread processor time)"), Bench::summarise(cpu), int(cpu.size()));
    }
};

void benchStepOne(const QStringList &codes, int listed)
{
    Screen s;
    s.form->show();
    QCoreApplication::processEvents();
    fillList(s.model, listed);
    const int before = g_messages;
    Timings t;
    for (const QString &code : codes) {
        s.add->setText(code);
        t.measure([&] { Bench::pressEnter(s.add); });
    }
    const int added = s.model->size() - listed;
    t.print(QStringLiteral("step 1 scan, %1 rows listed (%2 added)").arg(listed).arg(added));
    QTextStream(stdout) << "  messages shown: " << (g_messages - before) << " (none expected)" << Qt::endl;
}

void benchStepTwo(const QString &code, int listed, int runs)
{
    Screen s;
    s.form->show();
    QCoreApplication::processEvents();
    fillList(s.model, listed - 1);
    s.add->setText(code);
    Bench::pressEnter(s.add);
    if (s.model->size() != listed) {
        QTextStream(stderr) << "the scanned container was not added" << Qt::endl;
        std::exit(2);
    }
    const QString admission = s.model->at(listed - 1).idn;
    const int before = g_messages;
    Timings t;
    for (int i = 0; i < runs; ++i) {
        s.container->setText(code);
        Bench::pressEnter(s.container);
        s.patient->setText(admission);
        t.measure([&] { Bench::pressEnter(s.patient); });
    }
    QCoreApplication::processEvents();
    t.print(QStringLiteral("step 2 check, %1 rows, match in the last").arg(listed));
    QTextStream(stdout) << "  messages shown: " << (g_messages - before) << " (one per check)" << Qt::endl;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Dialogs::setHandler([](const Dialogs::Message &m) {
        ++g_messages;
        return m.buttons == Dialogs::Buttons::YesNo ? Dialogs::Answer::No : Dialogs::Answer::Ok;
    });
    Dialogs::setBeepHandler([] {});

    const QString path = Bench::hospitalDatabase();
    Session::setUser(std::make_unique<Bench::User>(path));
    const int runs = 200;
    const QStringList codes = sampleContainers(path, runs * 2 + 1);
    if (codes.size() < runs * 2 + 1) {
        QTextStream(stderr) << "too few containers in " << path << Qt::endl;
        return 2;
    }
    benchStepOne(codes.mid(0, runs), 1000);
    benchStepOne(codes.mid(runs, runs), 30000);
    benchStepTwo(codes.last(), 30000, runs);
    return 0;
}
