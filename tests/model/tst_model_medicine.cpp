// Drives the real medicine screen with long seeded sequences of scans,
// edits, resets and reopenings, and compares it after every step with what
// the model says the check must show.
#include "dialogrecorder.h"
#include "frmmeds.h"
#include "medicinescan.h"
#include "medicinetexts.h"
#include "modelrun.h"
#include "session.h"
#include "testmain.h"
#include "texts.h"
#include "wardmodel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QtTest>

using namespace WardModel;

namespace {

const QColor Black(0, 0, 0), Red(255, 0, 0), DarkGreen(0, 192, 0), White(255, 255, 255), Green(0, 255, 0);

struct Action
{
    enum Kind { ScanPackage, ScanWristband, EditPackage, ResetYes, ResetNo, Reopen, ClickBottle, ClickWristband } kind;
    QString text;

    QString describe() const
    {
        static const char *const names[] = {
            "scan package", "scan wristband",   "type into package box", "Reset, Yes",
            "Reset, No",    "close and reopen", "click bottle picture",  "click wristband picture"};
        QString d = QString::fromLatin1(names[kind]);
        if (kind == ScanPackage || kind == ScanWristband || kind == EditPackage)
            d += QStringLiteral(" \"%1\"").arg(text);
        return d;
    }
};

// What the screen must show; an invalid colour means "not set yet".
struct Expected
{
    QStringList events;
    QString packageBox, patientBox, info;
    QColor title0, title1, strip = White;
    bool alert = false, alert2 = false, focusPackage = true;
    // The package box's text is selected (after "Error in connection."): what
    // is typed next replaces it. Leaving the box ends the selection.
    bool packageSelected = false;
    QString HN, IDN, PatientName, ReferenceNum, RequestNum, ItemList;
    bool lookupFailed = false;
};

class MedicineModel
{
public:
    explicit MedicineModel(const Ward &ward) : m_ward(ward) { }
    Expected e;

    void resetAll(bool clearContainer)
    {
        if (clearContainer)
            e.packageBox.clear();
        e.title0 = e.title1 = Black;
        e.strip = White;
        e.alert = e.alert2 = false;
        e.focusPackage = true;
        e.info.clear();
        e.patientBox.clear();
        clearScan();
    }
    void clearScan()
    {
        e.HN = e.IDN = e.PatientName = e.ReferenceNum = e.RequestNum = e.ItemList = QString();
        e.lookupFailed = false;
    }

    void apply(const Action &a)
    {
        e.events.clear();
        switch (a.kind) {
        case Action::ScanPackage:
            typeIntoPackage(a.text);
            packageStep();
            break;
        case Action::ScanWristband:
            e.patientBox += a.text;
            leavePackage();
            verify();
            break;
        case Action::EditPackage:
            typeIntoPackage(a.text);
            break;
        case Action::ResetYes:
        case Action::ResetNo:
            e.events << Texts::ProgramTitle + "|" + MedicineTexts::ResetQuestion;
            // The click takes the focus to the button, and the selection with it.
            e.packageSelected = false;
            if (a.kind == Action::ResetYes)
                resetAll(true);
            e.focusPackage = true;
            break;
        case Action::Reopen: {
            // A new window from its design; the scan state lives on.
            const Expected kept = e;
            e = Expected();
            e.HN = kept.HN, e.IDN = kept.IDN, e.PatientName = kept.PatientName;
            e.ReferenceNum = kept.ReferenceNum, e.RequestNum = kept.RequestNum, e.ItemList = kept.ItemList;
            e.lookupFailed = kept.lookupFailed;
            break;
        }
        case Action::ClickBottle:
            e.focusPackage = true;
            break;
        case Action::ClickWristband:
            if (!e.focusPackage)
                break; // the wristband picture only shows while the patient box has the focus
            break;
        }
    }

    void leavePackage()
    {
        e.focusPackage = false;
        e.packageSelected = false;
    }

private:
    void typeIntoPackage(const QString &text)
    {
        if (!e.focusPackage)
            e.packageSelected = false;
        e.focusPackage = true;
        if (text.isEmpty())
            return; // Enter alone retries what the box holds
        if (e.packageSelected)
            e.packageBox = text;
        else
            e.packageBox += text;
        e.packageSelected = false;
    }

    void packageStep()
    {
        resetAll(false);
        const QString code = e.packageBox;
        if (!(code.startsWith(QLatin1Char('C')) || code.startsWith(QLatin1Char('c')))) {
            invalid();
            return;
        }
        const QList<Ward::PackageRow> rows = m_ward.packageRows(code);
        if (rows.isEmpty()) {
            invalid();
            return;
        }
        e.alert = false;
        e.title0 = DarkGreen;
        for (const Ward::PackageRow &row : rows) {
            for (auto [value, field] :
                 {std::pair{row.hn, &e.HN}, std::pair{row.idn, &e.IDN}, std::pair{row.name, &e.PatientName},
                  std::pair{row.ref, &e.ReferenceNum}, std::pair{row.request, &e.RequestNum}}) {
                if (!value) {
                    e.events << Texts::ProgramTitle + "|" + Texts::ErrorInConnection
                                    + QStringLiteral("Invalid use of Null");
                    e.lookupFailed = true;
                    // The box keeps the code, selected: the scan again replaces it.
                    e.packageSelected = e.focusPackage;
                    return;
                }
                *field = *value;
            }
        }
        leavePackage();
        for (const Ward::PackageRow &row : rows)
            e.ItemList += QStringLiteral("\r\n") + row.itemName.value_or(QString());
    }

    void invalid()
    {
        e.alert = true;
        e.title0 = Red;
        e.packageBox.clear();
        e.focusPackage = true;
    }

    void verify()
    {
        // A lookup that failed part-way found no package, whatever it had read.
        if (e.ReferenceNum.isEmpty() || e.lookupFailed) {
            e.events << Texts::VerificationTitle + "|" + MedicineTexts::ScanPackageFirst;
            resetAll(true);
            return;
        }
        const bool passed = !e.patientBox.isEmpty() && e.IDN == e.patientBox && e.ReferenceNum == e.packageBox;
        if (passed) {
            e.strip = Green;
            e.info = e.PatientName + QStringLiteral("\n\nItem(s): ")
                     + QString(e.ItemList).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            e.events << Texts::VerificationTitle + "|" + MedicineTexts::OkToDispense + e.PatientName;
            e.patientBox.clear();
            e.packageBox.clear();
            e.title0 = e.title1 = Black;
            e.focusPackage = true;
            clearScan();
            return;
        }
        e.events << Texts::VerificationTitle + "|" + Texts::FailedVerification << QStringLiteral("beep");
        resetAll(true);
    }

    const Ward &m_ward;
};

} // namespace

class TestModelMedicine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void randomSequencesAgreeWithTheModel();

private:
    QString run(const QList<Action> &actions, int *failedAt);
    QList<Action> generate(quint32 seed, int steps) const;

    Ward m_ward = nearMissWard();
    std::unique_ptr<FixtureDb> m_db;
};

void TestModelMedicine::initTestCase()
{
    m_db = std::make_unique<FixtureDb>();
    m_ward.writeTo(*m_db);
    m_db->close();
    installTestUser(m_db->path());
}

void TestModelMedicine::cleanup()
{
    MedicineScan::current().clear();
}

QList<Action> TestModelMedicine::generate(quint32 seed, int steps) const
{
    std::mt19937 rng(seed);
    const auto pick = [&](const QStringList &list) { return list.at(int(rng() % list.size())); };
    QList<Action> out;
    for (int i = 0; i < steps; ++i) {
        const unsigned r = rng() % 100;
        if (r < 32) {
            out << Action{Action::ScanPackage, pick(packageCodes())};
            // A nurse mostly scans the wristband right after the package.
            if (rng() % 10 < 7 && ++i < steps)
                out << Action{Action::ScanWristband, pick(wristbandCodes())};
        } else if (r < 50)
            out << Action{Action::ScanWristband, pick(wristbandCodes())};
        else if (r < 72)
            out << Action{Action::EditPackage, pick({QStringLiteral("0"), QStringLiteral(" "), QStringLiteral("x")})};
        else if (r < 78)
            out << Action{Action::ResetYes, {}};
        else if (r < 84)
            out << Action{Action::ResetNo, {}};
        else if (r < 90)
            out << Action{Action::Reopen, {}};
        else if (r < 95)
            out << Action{Action::ClickBottle, {}};
        else
            out << Action{Action::ClickWristband, {}};
    }
    return out;
}

// Runs the actions on a fresh screen; returns the first disagreement, or
// an empty text when the screen agreed with the model after every step.
QString TestModelMedicine::run(const QList<Action> &actions, int *failedAt)
{
    MedicineScan::current().clear();
    MedicineModel model(m_ward);
    DialogRecorder dialogs;
    QPointer<frmMeds> form = ModelRun::openScreen<frmMeds>();
    const auto box = [&](const char *name) { return form->findChild<QLineEdit *>(QLatin1String(name)); };
    ModelRun::Comparison c;
    for (int i = 0; i < actions.size() && c.disagreement.isEmpty(); ++i) {
        const Action &a = actions.at(i);
        dialogs.clear();
        model.apply(a);
        switch (a.kind) {
        case Action::ScanPackage:
        case Action::ScanWristband:
            ModelRun::scan(box(a.kind == Action::ScanPackage ? "txtContainerBarcode" : "txtPatientBarcode"), a.text);
            break;
        case Action::EditPackage:
            box("txtContainerBarcode")->setFocus();
            QTest::keyClicks(box("txtContainerBarcode"), a.text);
            break;
        case Action::ResetYes:
        case Action::ResetNo:
            dialogs.answerNext(a.kind == Action::ResetYes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
            QTest::mouseClick(form->findChild<QWidget *>(QStringLiteral("btn_Reset")), Qt::LeftButton);
            break;
        case Action::Reopen:
            ModelRun::closeScreen(form);
            form = ModelRun::openScreen<frmMeds>();
            break;
        case Action::ClickBottle: {
            QWidget *picture = form->findChild<QWidget *>(QStringLiteral("Picture1"));
            if (picture->isVisible())
                QTest::mouseClick(picture, Qt::LeftButton);
            else
                box("txtContainerBarcode")->setFocus();
            break;
        }
        case Action::ClickWristband: {
            QWidget *picture = form->findChild<QWidget *>(QStringLiteral("Picture2"));
            if (picture->isVisible()) {
                QTest::mouseClick(picture, Qt::LeftButton);
                model.leavePackage();
            }
            break;
        }
        }

        const Expected &e = model.e;
        const MedicineScan &s = MedicineScan::current();
        const bool focusPackage = form->focusWidget() == box("txtContainerBarcode");
        c.messages(dialogs, e.events);
        c.check(s.lookupFailed == e.lookupFailed, QStringLiteral("failed lookup"), QString::number(s.lookupFailed),
                QString::number(e.lookupFailed));
        c.check(
            s.HN == e.HN && s.IDN == e.IDN && s.PatientName == e.PatientName && s.ReferenceNum == e.ReferenceNum
                && s.RequestNum == e.RequestNum && s.ItemList == e.ItemList,
            QStringLiteral("scan state"),
            QStringList{s.HN, s.IDN, s.PatientName, s.ReferenceNum, s.RequestNum, s.ItemList}.join(QLatin1Char('|')),
            QStringList{e.HN, e.IDN, e.PatientName, e.ReferenceNum, e.RequestNum, e.ItemList}.join(QLatin1Char('|')));
        c.check(box("txtContainerBarcode")->text() == e.packageBox, QStringLiteral("package box"),
                box("txtContainerBarcode")->text(), e.packageBox);
        c.check(box("txtPatientBarcode")->text() == e.patientBox, QStringLiteral("patient box"),
                box("txtPatientBarcode")->text(), e.patientBox);
        c.sharedControls(form, e.info, e.strip, e.title0, e.title1);
        c.check(!form->findChild<QLabel *>(QStringLiteral("lbl_Alert"))->isHidden() == e.alert,
                QStringLiteral("invalid alert"), QString::number(e.alert ? 0 : 1), QString::number(e.alert));
        c.check(!form->findChild<QLabel *>(QStringLiteral("lbl_Alert2"))->isHidden() == e.alert2,
                QStringLiteral("failed alert"), QString::number(e.alert2 ? 0 : 1), QString::number(e.alert2));
        c.check(focusPackage == e.focusPackage, QStringLiteral("focus in the package box"),
                QString::number(focusPackage), QString::number(e.focusPackage));
        c.check(form->findChild<QWidget *>(QStringLiteral("Picture1"))->isVisible() == focusPackage,
                QStringLiteral("bottle picture follows the focus"), QString(), QString());
        if (!c.disagreement.isEmpty())
            *failedAt = i;
    }
    ModelRun::closeScreen(form);
    return c.disagreement;
}

void TestModelMedicine::randomSequencesAgreeWithTheModel()
{
    ModelRun::randomSequences<Action>(
        "medicine", 7919u, [this](quint32 seed, int steps) { return generate(seed, steps); },
        [this](const QList<Action> &actions, int *failedAt) { return run(actions, failedAt); });
}

WARDCHECK_TEST_MAIN(TestModelMedicine)
#include "tst_model_medicine.moc"
