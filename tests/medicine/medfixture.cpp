#include "medfixture.h"

#include <QPalette>

void fillMedicineWard(FixtureDb &db)
{
    db.patient(QStringLiteral("H1"), QStringLiteral("Dela Cruz"), QStringLiteral("Juan"), QStringLiteral("Santos"));
    db.admission(QStringLiteral("A100"), QStringLiteral("H1"));
    db.patient(QStringLiteral("H3"), QStringLiteral("Reyes"), QStringLiteral("Maria"), QStringLiteral("Lopez"));
    db.admission(QStringLiteral("A300"), QStringLiteral("H3"));
    db.patient(QStringLiteral("H7"), QStringLiteral("O'Brien"), QStringLiteral("Sean"), QStringLiteral("Pat"));
    db.admission(QStringLiteral("A'7"), QStringLiteral("H7"));
    db.patient(QStringLiteral("H6"), QStringLiteral("Santos"), QStringLiteral("Ana"), QStringLiteral("Cruz"));

    db.item(QStringLiteral("I1"), QStringLiteral("Paracetamol 500 mg"));
    db.item(QStringLiteral("I2"), QStringLiteral("Amoxicillin 250 mg"), {QStringLiteral("10"), QStringLiteral("20")});
    db.item(QStringLiteral("I3"), QStringLiteral("Omeprazole 20 mg"));
    db.item(QStringLiteral("I4"), QStringLiteral("Normal saline 1 L"), {QStringLiteral("30")});
    db.item(QStringLiteral("I5"), QVariant());

    // Deliberately not in item order: the list keeps the server's row order.
    db.nurseRow(QStringLiteral("C100"), QStringLiteral("H1"), QStringLiteral("A100"), QStringLiteral("R1"),
                QStringLiteral("I3"));
    db.nurseRow(QStringLiteral("C100"), QStringLiteral("H1"), QStringLiteral("A100"), QStringLiteral("R2"),
                QStringLiteral("I1"));
    db.nurseRow(QStringLiteral("C100"), QStringLiteral("H1"), QStringLiteral("A100"), QStringLiteral("R3"),
                QStringLiteral("I2"));
    db.nurseRow(QStringLiteral("C100"), QStringLiteral("H1"), QStringLiteral("A100"), QStringLiteral("R4"),
                QStringLiteral("I4"));
    db.nurseRow(QStringLiteral("C200"), QStringLiteral("H1"), QStringLiteral("A100"), QStringLiteral("R5"),
                QStringLiteral("I4"));
    db.nurseRow(QStringLiteral("C300"), QStringLiteral("H3"), QStringLiteral("A300"), QStringLiteral("R6"),
                QStringLiteral("I5"));
    db.nurseRow(QStringLiteral("C300"), QStringLiteral("H3"), QStringLiteral("A300"), QStringLiteral("R7"),
                QStringLiteral("I1"));
    db.nurseRow(QStringLiteral("C400"), QStringLiteral("H404"), QStringLiteral("A400"), QStringLiteral("R8"),
                QStringLiteral("I1"));
    db.nurseRow(QStringLiteral("C401"), QStringLiteral("H1"), QVariant(), QStringLiteral("R9"), QStringLiteral("I1"));
    db.nurseRow(QStringLiteral("C402"), QStringLiteral("H1"), QStringLiteral("A402"), QVariant(), QStringLiteral("I1"));
    db.nurseRow(QStringLiteral("C'7"), QStringLiteral("H7"), QStringLiteral("A'7"), QStringLiteral("R10"),
                QStringLiteral("I1"));
    db.nurseRow(QStringLiteral("C600"), QStringLiteral("H6"), QStringLiteral(""), QStringLiteral("R11"),
                QStringLiteral("I1"));
    db.close();
}

namespace Meds {

QColor foreColour(QWidget *form, const char *name)
{
    return control(form, name)->palette().color(QPalette::WindowText);
}

QColor backColour(QWidget *form, const char *name)
{
    return control(form, name)->palette().color(QPalette::Window);
}

} // namespace Meds
