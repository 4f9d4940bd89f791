#include "medicinescan.h"

void MedicineScan::clear()
{
    *this = MedicineScan();
}

MedicineScan &MedicineScan::current()
{
    static MedicineScan scan;
    return scan;
}
