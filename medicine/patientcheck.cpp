#include "patientcheck.h"

MedicineVerdict checkPatient(const MedicineScan &scan, const QString &wristband, const QString &packageBox)
{
    if (scan.ReferenceNum.isEmpty() || scan.lookupFailed)
        return MedicineVerdict::ScanPackageFirst;
    const bool passed = !wristband.isEmpty() && scan.IDN == wristband && scan.ReferenceNum == packageBox;
    return passed ? MedicineVerdict::Pass : MedicineVerdict::Fail;
}
