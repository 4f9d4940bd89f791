// Drives the real extraction screen with long seeded sequences of Step 1
// scans, tab switches, bedside checks, Clear List, list clicks and
// reopenings, and compares it after every step with the model.
#include "dialogrecorder.h"
#include "extractiontexts.h"
#include "frmextraction.h"
#include "modelrun.h"
#include "session.h"
#include "testmain.h"
#include "texts.h"
#include "verificationlist.h"
#include "wardmodel.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTabBar>
#include <QTableView>
#include <QTabWidget>
#include <QtTest>

using namespace WardModel;

namespace {

const QColor Black(0, 0, 0), Red(255, 0, 0), DarkGreen(0, 192, 0), White(255, 255, 255), Green(0, 255, 0);

struct Action
{
    enum Kind { AddContainer, SelectTab, VerifyContainer, VerifyPatient, ClearYes, ClearNo, ClickRow, Reopen } kind;
    QString text;
    int number = 0;

    QString describe() const
    {
        static const char *const names[] = {"Step 1 scan",           "select tab",      "Step 2 container scan",
                                            "Step 2 wristband scan", "Clear List, Yes", "Clear List, No",
                                            "click list row",        "close and reopen"};
        QString d = QString::fromLatin1(names[kind]);
        if (kind == AddContainer || kind == VerifyContainer || kind == VerifyPatient)
            d += QStringLiteral(" \"%1\"").arg(text);
        if (kind == SelectTab || kind == ClickRow)
            d += QStringLiteral(" %1").arg(number);
        return d;
    }
};

struct Row
{
    QStringList cells;
    bool green = false;
};

struct Expected
{
    QStringList events;
    QList<Row> rows;
    int tab = 0;
    QString addBox, containerBox, patientBox, info;
    QColor strip = White, title0, title1;
};

class ExtractionModel
{
public:
    explicit ExtractionModel(const Ward &ward) : m_ward(ward) { }
    Expected e;

    void apply(const Action &a)
    {
        e.events.clear();
        switch (a.kind) {
        case Action::AddContainer:
            e.addBox += a.text;
            add();
            break;
        case Action::SelectTab:
            e.tab = a.number;
            if (a.number == 0) {
                e.addBox.clear();
            } else {
                resetBedside();
                e.strip = White;
            }
            break;
        case Action::VerifyContainer:
            e.containerBox += a.text;
            e.strip = White;
            e.title0 = Black;
            e.title1 = DarkGreen;
            break;
        case Action::VerifyPatient:
            e.patientBox += a.text;
            verify();
            break;
        case Action::ClearYes:
        case Action::ClearNo:
            e.events << Texts::ProgramTitle + "|" + ExtractionTexts::ClearListQuestion;
            if (a.kind == Action::ClearYes)
                e.rows.clear();
            break;
        case Action::ClickRow:
            if (a.number < e.rows.size())
                e.info = e.rows.at(a.number).cells.at(2);
            break;
        case Action::Reopen:
            e = Expected();
            break;
        }
    }

private:
    void add()
    {
        const QString code = e.addBox;
        if (code.trimmed().isEmpty())
            return;
        for (const Row &row : std::as_const(e.rows)) {
            if (row.cells.at(7) == code) {
                e.events << Texts::ProgramTitle + "|" + ExtractionTexts::AlreadyInList;
                e.addBox.clear();
                return;
            }
        }
        const QList<Ward::ContainerRow> records = m_ward.containerRows(code);
        if (records.isEmpty()) {
            e.events << Texts::ProgramTitle + "|" + ExtractionTexts::InvalidBarcode;
            e.addBox.clear();
            return;
        }
        QString remembered;
        for (const Ward::ContainerRow &r : records) {
            const QString ref = r.refnum.value_or(QString());
            if (ref != remembered) {
                e.rows << Row{{r.hn.value_or(QString()), r.idn.value_or(QString()), r.exam.value_or(QString()),
                               r.name.value_or(QString()), r.room.value_or(QString()), dateText(r.birth),
                               r.sex.value_or(QString()), ref, QStringLiteral(" ") + r.request.value_or(QString())}};
                remembered = ref;
            } else {
                e.rows.last().cells[2] += QStringLiteral(", ") + r.exam.value_or(QString());
            }
        }
        e.addBox.clear();
    }

    void resetBedside()
    {
        e.patientBox.clear();
        e.containerBox.clear();
        e.title0 = DarkGreen;
        e.title1 = Black;
    }

    void verify()
    {
        if (e.rows.isEmpty()) {
            e.events << Texts::VerificationTitle + "|" + ExtractionTexts::NoContainers;
            e.patientBox.clear();
            e.containerBox.clear();
            return;
        }
        e.info.clear();
        for (Row &row : e.rows) {
            // Both codes in one row, exactly; an empty admission number never matches.
            if (row.cells.at(7) == e.containerBox && row.cells.at(1) == e.patientBox && !e.patientBox.isEmpty()) {
                row.green = true;
                e.strip = Green;
                e.info = row.cells.at(3) + QStringLiteral(": ") + row.cells.at(2);
                e.events << Texts::VerificationTitle + "|" + ExtractionTexts::PassedVerification + e.info;
                resetBedside();
                return;
            }
        }
        e.strip = Red;
        e.events << Texts::VerificationTitle + "|" + Texts::FailedVerification << QStringLiteral("beep");
        resetBedside();
    }

    const Ward &m_ward;
};

} // namespace

Q_DECLARE_METATYPE(Action)

class TestModelExtraction : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void knownSequencesAgreeWithTheModel_data();
    void knownSequencesAgreeWithTheModel();
    void randomSequencesAgreeWithTheModel();

private:
    QString run(const QList<Action> &actions, int *failedAt);
    QList<Action> generate(quint32 seed, int steps) const;

    Ward m_ward = nearMissWard();
    std::unique_ptr<FixtureDb> m_db;
};

void TestModelExtraction::initTestCase()
{
    m_db = std::make_unique<FixtureDb>();
    m_ward.writeTo(*m_db);
    m_db->close();
    installTestUser(m_db->path());
}

QList<Action> TestModelExtraction::generate(quint32 seed, int steps) const
{
    std::mt19937 rng(seed);
    const auto pick = [&](const QStringList &list) { return list.at(int(rng() % list.size())); };
    QList<Action> out;
    QStringList listed; // what Step 1 was given, so that bedside scans often hit a row
    int tab = 0;
    for (int i = 0; i < steps; ++i) {
        const unsigned r = rng() % 100;
        if (r < 8) {
            tab = 1 - tab;
            out << Action{Action::SelectTab, {}, tab};
        } else if (r < 40 && tab == 0) {
            out << Action{Action::AddContainer, pick(containerCodes())};
            listed << out.last().text;
        } else if (r < 44 && tab == 0) {
            out << Action{Action::ClearYes, {}};
            listed.clear();
        } else if (r < 48 && tab == 0) {
            out << Action{Action::ClearNo, {}};
        } else if (r < 70 && tab == 1) {
            out << Action{Action::VerifyContainer,
                          !listed.isEmpty() && rng() % 3 ? pick(listed) : pick(containerCodes())};
            // A nurse mostly scans the wristband right after the container.
            if (rng() % 10 < 8 && ++i < steps)
                out << Action{Action::VerifyPatient, pick(wristbandCodes())};
        } else if (r < 92 && tab == 1) {
            out << Action{Action::VerifyPatient, pick(wristbandCodes())};
        } else if (r < 97) {
            out << Action{Action::ClickRow, {}, int(rng() % 6)};
        } else {
            out << Action{Action::Reopen, {}};
            listed.clear();
            tab = 0;
        }
    }
    return out;
}

QString TestModelExtraction::run(const QList<Action> &actions, int *failedAt)
{
    ExtractionModel model(m_ward);
    DialogRecorder dialogs;
    QPointer<frmExtraction> form = ModelRun::openScreen<frmExtraction>();
    const auto box = [&](const char *name) { return form->findChild<QLineEdit *>(QLatin1String(name)); };

    ModelRun::Comparison c;
    for (int i = 0; i < actions.size() && c.disagreement.isEmpty(); ++i) {
        const Action &a = actions.at(i);
        dialogs.clear();
        model.apply(a);
        auto *tabs = form->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
        auto *grid = form->findChild<QTableView *>(QStringLiteral("Grid1"));
        switch (a.kind) {
        case Action::AddContainer:
            ModelRun::scan(box("txtAddContainerBarcode"), a.text);
            break;
        case Action::SelectTab:
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(a.number).center());
            break;
        case Action::VerifyContainer:
            ModelRun::scan(box("txtVerifyContainer"), a.text);
            break;
        case Action::VerifyPatient:
            ModelRun::scan(box("txtPatientBarcode"), a.text);
            break;
        case Action::ClearYes:
        case Action::ClearNo:
            dialogs.answerNext(a.kind == Action::ClearYes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
            QTest::mouseClick(form->findChild<QWidget *>(QStringLiteral("cmdClearAll")), Qt::LeftButton);
            break;
        case Action::ClickRow:
            if (a.number < grid->model()->rowCount()) {
                grid->scrollTo(grid->model()->index(a.number, 2));
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                                  grid->visualRect(grid->model()->index(a.number, 2)).center());
            }
            break;
        case Action::Reopen:
            ModelRun::closeScreen(form);
            form = ModelRun::openScreen<frmExtraction>();
            break;
        }

        const Expected &e = model.e;
        tabs = form->findChild<QTabWidget *>(QStringLiteral("SSTab1"));
        auto *list = qobject_cast<VerificationList *>(form->findChild<QTableView *>(QStringLiteral("Grid1"))->model());
        c.messages(dialogs, e.events);
        QStringList gotRows, wantRows;
        for (int r = 0; r < list->size(); ++r) {
            QStringList cells;
            bool green = true;
            for (int column = 0; column < list->columnCount(); ++column) {
                const QModelIndex cell = list->index(r, column);
                cells << cell.data().toString();
                green = green && cell.data(Qt::BackgroundRole).value<QColor>() == Green;
            }
            gotRows << cells.join(QLatin1Char('|')) + (green ? QStringLiteral(" [green]") : QString());
        }
        for (const Row &row : e.rows)
            wantRows << row.cells.join(QLatin1Char('|')) + (row.green ? QStringLiteral(" [green]") : QString());
        c.check(gotRows == wantRows, QStringLiteral("list"), gotRows.join(QStringLiteral(" // ")),
                wantRows.join(QStringLiteral(" // ")));
        c.check(tabs->currentIndex() == e.tab, QStringLiteral("tab"), QString::number(tabs->currentIndex()),
                QString::number(e.tab));
        for (auto [name, want] :
             {std::pair{"txtAddContainerBarcode", e.addBox}, std::pair{"txtVerifyContainer", e.containerBox},
              std::pair{"txtPatientBarcode", e.patientBox}})
            c.check(box(name)->text() == want, QLatin1String(name), box(name)->text(), want);
        c.sharedControls(form, e.info, e.strip, e.title0, e.title1);
        if (!c.disagreement.isEmpty())
            *failedAt = i;
    }
    ModelRun::closeScreen(form);
    return c.disagreement;
}

void TestModelExtraction::knownSequencesAgreeWithTheModel_data()
{
    QTest::addColumn<QList<Action>>("actions");
    const auto add = [](const QString &code) { return Action{Action::AddContainer, code}; };
    const auto container = [](const QString &code) { return Action{Action::VerifyContainer, code}; };
    const auto wristband = [](const QString &code) { return Action{Action::VerifyPatient, code}; };
    const Action step2{Action::SelectTab, {}, 1};
    QTest::newRow("empty admission number, empty wristband")
        << QList<Action>{add(QStringLiteral("L33")), step2, container(QStringLiteral("L33")), wristband(QString())};
    QTest::newRow("no admission number, empty wristband")
        << QList<Action>{add(QStringLiteral("L3")), step2, container(QStringLiteral("L3")), wristband(QString())};
    QTest::newRow("right container, other patient's wristband")
        << QList<Action>{add(QStringLiteral("L1")), add(QStringLiteral("L2")), step2, container(QStringLiteral("L1")),
                         wristband(QStringLiteral("A2"))};
    QTest::newRow("lower-case container listed, upper-case scanned")
        << QList<Action>{add(QStringLiteral("L5")),       step2,
                         container(QStringLiteral("L5")), wristband(QStringLiteral("A3")),
                         container(QStringLiteral("l5")), wristband(QStringLiteral("A3"))};
    QTest::newRow("pass twice, then Clear List")
        << QList<Action>{add(QStringLiteral("L1")),        step2,
                         container(QStringLiteral("L1")),  wristband(QStringLiteral("A1")),
                         container(QStringLiteral("L1")),  wristband(QStringLiteral("A1")),
                         Action{Action::SelectTab, {}, 0}, Action{Action::ClearYes, {}}};
}

void TestModelExtraction::knownSequencesAgreeWithTheModel()
{
    QFETCH(QList<Action>, actions);
    int at = -1;
    const QString disagreement = run(actions, &at);
    QVERIFY2(disagreement.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(at + 1).arg(disagreement)));
}

void TestModelExtraction::randomSequencesAgreeWithTheModel()
{
    ModelRun::randomSequences<Action>(
        "extraction", 104729u, [this](quint32 seed, int steps) { return generate(seed, steps); },
        [this](const QList<Action> &actions, int *failedAt) { return run(actions, failedAt); });
}

WARDCHECK_TEST_MAIN(TestModelExtraction)
#include "tst_model_extraction.moc"
