#include "wardmodel.h"

#include "valuetext.h"

namespace WardModel {
namespace {

QVariant v(const Text &t)
{
    return t ? QVariant(*t) : QVariant();
}

// As the database compares text keys. SQL Server, unlike the embedded
// engine, also ignores trailing blanks in '='.
QString fold(const QString &s)
{
    QString out = s;
    for (QChar &c : out) {
        if (c.unicode() < 128)
            c = c.toLower();
    }
    if (onSqlServerRoad()) {
        while (out.endsWith(QLatin1Char(' ')))
            out.chop(1);
    }
    return out;
}

} // namespace

bool Ward::sameKey(const Text &a, const QString &b)
{
    return a && fold(*a) == fold(b);
}

bool Ward::sameKey(const Text &a, const Text &b)
{
    return a && b && fold(*a) == fold(*b);
}

void Ward::writeTo(FixtureDb &db) const
{
    for (const Patient &p : patients)
        db.patient(p.hn, v(p.last), v(p.first), v(p.middle), v(p.birth), v(p.sex));
    for (const Admission &a : admissions)
        db.admission(a.idn, v(a.hn), v(a.room), QStringLiteral("2026-12-01 09:30:00"));
    for (const Item &i : items)
        db.item(i.id, v(i.name), i.locations);
    for (const NurseRow &r : nurse)
        db.nurseRow(r.ref, v(r.hn), v(r.idn), v(r.request), v(r.item));
    for (const Exam &e : exams)
        db.exam(e.id, v(e.name));
    for (const LabRow &r : lab)
        db.labRow(r.ref, v(r.hn), v(r.idn), v(r.request), v(r.item));
}

const Patient *Ward::patient(const Text &hn) const
{
    for (const Patient &p : patients) {
        if (sameKey(hn, p.hn))
            return &p;
    }
    return nullptr;
}

const Admission *Ward::admission(const Text &idn) const
{
    for (const Admission &a : admissions) {
        if (sameKey(idn, a.idn))
            return &a;
    }
    return nullptr;
}

const Item *Ward::item(const Text &id) const
{
    for (const Item &i : items) {
        if (sameKey(id, i.id))
            return &i;
    }
    return nullptr;
}

const Exam *Ward::exam(const Text &id) const
{
    for (const Exam &e : exams) {
        if (sameKey(id, e.id))
            return &e;
    }
    return nullptr;
}

// Last name, a comma and a blank, first name, a blank, middle name; any
// missing part leaves no name at all.
Text Ward::patientName(const Text &hn) const
{
    const Patient *p = patient(hn);
    if (!p || !p->last || !p->first || !p->middle)
        return std::nullopt;
    return *p->last + QStringLiteral(", ") + *p->first + QStringLiteral(" ") + *p->middle;
}

QList<Ward::PackageRow> Ward::packageRows(const QString &code) const
{
    QList<PackageRow> rows;
    for (const NurseRow &r : nurse) {
        if (!sameKey(r.ref, code))
            continue;
        const Item *it = item(r.item);
        if (!it)
            continue;
        // One row for every stock record of the item at location '20'.
        for (const QString &location : it->locations) {
            if (!sameKey(location, QStringLiteral("20")))
                continue;
            const Patient *p = patient(r.hn);
            rows << PackageRow{p ? Text(p->hn) : std::nullopt, r.idn, patientName(r.hn), r.ref, r.request, it->name};
        }
    }
    return rows;
}

QList<Ward::ContainerRow> Ward::containerRows(const QString &code) const
{
    QList<ContainerRow> rows;
    for (const LabRow &r : lab) {
        if (!sameKey(r.ref, code))
            continue;
        const Patient *p = patient(r.hn);
        const Admission *a = admission(r.idn);
        const Exam *e = exam(r.item);
        rows << ContainerRow{r.ref,
                             p ? Text(p->hn) : std::nullopt,
                             r.idn,
                             e ? e->name : std::nullopt,
                             patientName(r.hn),
                             a ? a->room : std::nullopt,
                             p ? p->birth : std::nullopt,
                             p ? p->sex : std::nullopt,
                             r.request};
    }
    return rows;
}

QString dateText(const Text &stored)
{
    return stored ? ValueText::fromVariant(*stored, true) : QString();
}

Ward nearMissWard()
{
    const Text null;
    Ward w;
    w.patients = {
        {QStringLiteral("H1"), QStringLiteral("Santos"), QStringLiteral("Maria"), QStringLiteral("Lim"),
         QStringLiteral("1958-03-14 00:00:00"), QStringLiteral("F")},
        {QStringLiteral("H2"), QStringLiteral("Santos"), QStringLiteral("Maria"), QStringLiteral("Lim"),
         QStringLiteral("1961-08-02 00:00:00"), QStringLiteral("F")},
        {QStringLiteral("H3"), QStringLiteral("Reyes"), QStringLiteral("Ana"), null,
         QStringLiteral("1990-07-02 08:15:00"), QStringLiteral("F")},
        {QStringLiteral("H5"), QStringLiteral("O'Brien"), QStringLiteral("Sean"), QStringLiteral("Patrick"), null,
         null},
    };
    w.admissions = {
        {QStringLiteral("A1"), QStringLiteral("H1"), QStringLiteral("3B-07")},
        {QStringLiteral("A2"), QStringLiteral("H2"), QStringLiteral("3B-08")},
        {QStringLiteral("A3"), QStringLiteral("H3"), null},
        {QStringLiteral("A4"), QStringLiteral("H4"), QStringLiteral("ER-1")}, // no master record
        {QStringLiteral("A5'"), QStringLiteral("H5"), QStringLiteral("2C-01")},
        {QStringLiteral("A10"), QStringLiteral("H1"), QStringLiteral("3B-09")},
    };
    w.items = {
        {QStringLiteral("I1"), QStringLiteral("Paracetamol 500 mg"), {QStringLiteral("20")}},
        {QStringLiteral("I2"), QStringLiteral("Ibuprofen 400 mg"), {QStringLiteral("05"), QStringLiteral("20")}},
        {QStringLiteral("I3"), QStringLiteral("Alteplase 50 mg"), {QStringLiteral("07")}},
        {QStringLiteral("I4"), null, {QStringLiteral("20")}},
        {QStringLiteral("I5"), QStringLiteral("Heparin 5,000 IU"), {QStringLiteral("20 ")}},
    };
    w.nurse = {
        {QStringLiteral("C1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("R1"), QStringLiteral("I1")},
        {QStringLiteral("C1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("R1"), QStringLiteral("I3")},
        {QStringLiteral("C1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("R1"), QStringLiteral("I2")},
        {QStringLiteral("C10"), QStringLiteral("H2"), QStringLiteral("A2"), QStringLiteral("R10"),
         QStringLiteral("I1")},
        {QStringLiteral("C2"), QStringLiteral("H2"), QStringLiteral("A2"), QStringLiteral("R2"), QStringLiteral("I4")},
        {QStringLiteral("C2"), QStringLiteral("H2"), QStringLiteral("A2"), QStringLiteral("R2"), QStringLiteral("I1")},
        {QStringLiteral("C3"), QStringLiteral("H3"), QStringLiteral("A3"), QStringLiteral("R3"), QStringLiteral("I1")},
        {QStringLiteral("C4"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("R4"), QStringLiteral("I3")},
        {QStringLiteral("C44"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("R44"),
         QStringLiteral("I5")},
        {QStringLiteral("C5"), QStringLiteral("H4"), QStringLiteral("A4"), QStringLiteral("R5"), QStringLiteral("I1")},
        {QStringLiteral("C6"), QStringLiteral("H1"), null, QStringLiteral("R6"), QStringLiteral("I1")},
        {QStringLiteral("C66"), QStringLiteral("H1"), QStringLiteral(""), QStringLiteral("R66"), QStringLiteral("I1")},
        {QStringLiteral("C7"), QStringLiteral("H2"), QStringLiteral("A2"), null, QStringLiteral("I1")},
        {QStringLiteral("c9"), QStringLiteral("H2"), QStringLiteral("A2"), QStringLiteral("R9"), QStringLiteral("I1")},
        {QStringLiteral("C8'"), QStringLiteral("H5"), QStringLiteral("A5'"), QStringLiteral("R8"),
         QStringLiteral("I1")},
        {QStringLiteral("C11"), QStringLiteral("H1"), QStringLiteral("A10"), QStringLiteral("R11"),
         QStringLiteral("I99")},
    };
    w.exams = {
        {QStringLiteral("X1"), QStringLiteral("Complete Blood Count")},
        {QStringLiteral("X2"), QStringLiteral("Potassium")},
        {QStringLiteral("X3"), null},
    };
    w.lab = {
        {QStringLiteral("L1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("Q1"), QStringLiteral("X1")},
        {QStringLiteral("L1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("Q1"), QStringLiteral("X9")},
        {QStringLiteral("L1"), QStringLiteral("H1"), QStringLiteral("A1"), QStringLiteral("Q1"), QStringLiteral("X2")},
        {QStringLiteral("L10"), QStringLiteral("H2"), QStringLiteral("A2"), QStringLiteral("Q10"),
         QStringLiteral("X2")},
        {QStringLiteral("L2"), QStringLiteral("H2"), QStringLiteral("A2"), QStringLiteral("Q2"), QStringLiteral("X1")},
        {QStringLiteral("L3"), QStringLiteral("H1"), null, QStringLiteral("Q3"), QStringLiteral("X1")},
        {QStringLiteral("L33"), QStringLiteral("H1"), QStringLiteral(""), QStringLiteral("Q33"), QStringLiteral("X1")},
        {QStringLiteral("L4"), QStringLiteral("H4"), QStringLiteral("A4"), QStringLiteral("Q4"), QStringLiteral("X3")},
        {QStringLiteral("l5"), QStringLiteral("H3"), QStringLiteral("A3"), null, QStringLiteral("X2")},
        {QStringLiteral("L6'"), QStringLiteral("H5"), QStringLiteral("A5'"), QStringLiteral("Q6"),
         QStringLiteral("X1")},
    };
    return w;
}

QStringList packageCodes()
{
    return {QStringLiteral("C1"),
            QStringLiteral("c1"),
            QStringLiteral("C1 "),
            QStringLiteral(" C1"),
            QStringLiteral("C10"),
            QStringLiteral("C2"),
            QStringLiteral("C3"),
            QStringLiteral("C4"),
            QStringLiteral("C44"),
            QStringLiteral("C5"),
            QStringLiteral("C6"),
            QStringLiteral("C66"),
            QStringLiteral("C7"),
            QStringLiteral("C9"),
            QStringLiteral("c9"),
            QStringLiteral("C8'"),
            QStringLiteral("C11"),
            QStringLiteral("X1"),
            QString(),
            QStringLiteral("C1'--"),
            QStringLiteral("C")};
}

QStringList containerCodes()
{
    return {QStringLiteral("L1"),  QStringLiteral("l1"),
            QStringLiteral("L1 "), QStringLiteral(" L1"),
            QStringLiteral("L10"), QStringLiteral("L2"),
            QStringLiteral("L3"),  QStringLiteral("L33"),
            QStringLiteral("L4"),  QStringLiteral("l5"),
            QStringLiteral("L5"),  QStringLiteral("L6'"),
            QStringLiteral("L7"),  QString(),
            QStringLiteral("  "),  QStringLiteral("L1'--")};
}

QStringList wristbandCodes()
{
    return {QStringLiteral("A1"),
            QStringLiteral("a1"),
            QStringLiteral("A1 "),
            QStringLiteral(" A1"),
            QStringLiteral("A10"),
            QStringLiteral("A2"),
            QStringLiteral("A3"),
            QStringLiteral("A4"),
            QStringLiteral("A5'"),
            QStringLiteral("A"),
            QString()};
}

int sequenceCount(int fallback)
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("WARDCHECK_MODEL_SEQUENCES", &ok);
    return ok && n > 0 ? n : fallback;
}

} // namespace WardModel
