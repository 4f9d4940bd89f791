#pragma once

#include "fixture.h"

#include <QLineEdit>
#include <QWidget>

class frmMeds;

// A small ward for the medicine screen's tests.
//   C100: three items stocked at '20' (Juan Dela Cruz, admission A100)
//   C200: one item stocked elsewhere only
//   C300: a nameless item, then Paracetamol (Maria Reyes, admission A300)
//   C400: a patient missing from the master file (null name)
//   C401: a null admission number
//   C'7:  apostrophes in the reference and admission (Sean O'Brien, A'7)
//   C600: an empty admission number
void fillMedicineWard(FixtureDb &db);

namespace Meds {

inline QString juan()
{
    return QStringLiteral("Dela Cruz, Juan Santos");
}
inline QString maria()
{
    return QStringLiteral("Reyes, Maria Lopez");
}

template<class T = QWidget> T *control(QWidget *form, const char *name)
{
    T *widget = form->findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

QColor foreColour(QWidget *form, const char *name);
QColor backColour(QWidget *form, const char *name);

} // namespace Meds
