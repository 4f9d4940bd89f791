// Times the wristband screen's patient list on hospital-sized databases:
// a full fill of 5,000 and of 50,000 admitted patients, and the refill
// after each keystroke of a last-name search. Also prints what reading a
// whole list into memory before showing it costs: the time and the heap
// its rows take.
//   bench_wristband [runs]     (offscreen unless QT_QPA_PLATFORM says otherwise)
#include "benchsupport.h"
#include "connection.h"
#include "frmview.h"
#include "recordset.h"
#include "session.h"
#include "textgridmodel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <malloc.h>

namespace {

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

struct Screen
{
    explicit Screen(const QString &database)
    {
        Session::setUser(std::make_unique<Bench::User>(database));
        form = std::make_unique<frmview>();
        form->show();
        search = form->findChild<QLineEdit *>(QStringLiteral("txtSearch"));
        refresh = form->findChild<QPushButton *>(QStringLiteral("Command1"));
        model = qobject_cast<TextGridModel *>(form->findChild<QTableView *>(QStringLiteral("Grid1"))->model());
        while (form->cursor().shape() == Qt::WaitCursor || model->dataRowCount() == 0)
            QCoreApplication::processEvents();
    }
    ~Screen()
    {
        form.reset();
        Session::reset();
    }

    std::unique_ptr<frmview> form;
    QLineEdit *search = nullptr;
    QPushButton *refresh = nullptr;
    TextGridModel *model = nullptr;
};

void fullFill(const QString &name, const QString &database, int runs)
{
    Screen screen(database);
    std::vector<double> ms;
    int rows = 0;
    for (int i = 0; i < runs; ++i) {
        ms.push_back(timeMs([&] { screen.refresh->click(); }));
        rows = screen.model->dataRowCount();
    }
    Bench::print(QStringLiteral("%1 (%2 rows)").arg(name).arg(rows), Bench::summarise(ms), runs);
}

void keystrokes(const QString &name, const QString &database, const QStringList &words, int runs)
{
    Screen screen(database);
    std::vector<double> perLength[3];
    int rows[3] = {0, 0, 0};
    for (int i = 0; i < runs; ++i) {
        for (const QString &word : words) {
            screen.search->clear();
            for (int length = 1; length <= 3; ++length) {
                perLength[length - 1].push_back(timeMs([&] { screen.search->setText(word.left(length)); }));
                rows[length - 1] = std::max(rows[length - 1], screen.model->dataRowCount());
            }
        }
    }
    for (int length = 1; length <= 3; ++length) {
        Bench::print(QStringLiteral("%1, letter %2 (up to %3 rows)").arg(name).arg(length).arg(rows[length - 1]),
                     Bench::summarise(perLength[length - 1]), int(perLength[length - 1].size()));
    }
}

// The list's rows are read to the end before the screen shows the first
// of them (one statement active at a time): what that holds in memory.
void readWholeList(const QString &name, const QString &database, int runs)
{
    Connection connection(
        ConnectionSettings{ConnectionSettings::Kind::Embedded, database, QStringLiteral("bench"), QString()});
    connection.Open();
    const QString statement = QStringLiteral(
        "Select M.Hospnum as HN,N.idnum as IDN, M.Lastname + ', ' + M.Firstname + ' ' +M.Middlename as PatientName, "
        "N.RoomID, M.Birthdate, M.Sex, N.AdmDate, N.dcrdate from patient_data..tbpatient N "
        "left outer join patient_data..tbmaster M on N.Hospnum = M.Hospnum where dcrdate is null  order by AdmDate "
        "desc ");
    std::vector<double> ms;
    qint64 held = 0;
    int rows = 0;
    for (int i = 0; i < runs; ++i) {
        const qint64 before = qint64(mallinfo2().uordblks);
        Recordset rs;
        ms.push_back(timeMs([&] { rs.Open(statement, &connection); }));
        held = qint64(mallinfo2().uordblks) - before;
        for (rows = 0; !rs.isEOF(); rs.MoveNext())
            ++rows;
    }
    Bench::print(QStringLiteral("%1 (%2 rows)").arg(name).arg(rows), Bench::summarise(ms), runs);
    std::printf("  rows held in memory while the list fills: %.1f MiB (%lld bytes a row)\n", double(held) / 1048576.0,
                rows ? held / rows : 0);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 10;
    const QStringList words = {QStringLiteral("Garcia"), QStringLiteral("Santos"), QStringLiteral("Reyes"),
                               QStringLiteral("Mendoza"), QStringLiteral("Torres")};

    const QString ward =
        Bench::madeOnce(QStringLiteral("ward-5000.db"), {QStringLiteral("--patients"), QStringLiteral("20000"),
                                                         QStringLiteral("--admitted"), QStringLiteral("5000")});
    const QString hospital = Bench::hospitalDatabase();
    fullFill(QStringLiteral("full fill, 5,000 admitted"), ward, runs);
    fullFill(QStringLiteral("full fill, 50,000 admitted"), hospital, runs);
    readWholeList(QStringLiteral("reading the whole list, 50,000 admitted"), hospital, runs);
    keystrokes(QStringLiteral("keystroke refill, 5,000 admitted"), ward, words, runs);
    keystrokes(QStringLiteral("keystroke refill, 50,000 admitted"), hospital, words, runs);
    return 0;
}
