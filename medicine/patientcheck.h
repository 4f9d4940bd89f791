#pragma once

#include "medicinescan.h"

#include <QString>

enum class MedicineVerdict {
    ScanPackageFirst, // no package looked up, or its lookup failed part-way
    Pass,
    Fail,
};

// The bedside rule: the wristband's admission id is the one found for the
// package, and the package box still holds the reference number found,
// both exactly (case and blanks count). An empty wristband never passes,
// even against an empty admission number.
MedicineVerdict checkPatient(const MedicineScan &scan, const QString &wristband, const QString &packageBox);
