#pragma once

#include <QString>

// What the last package lookup found, shared by the whole program: closing
// the medicine screen and opening it again keeps it.
struct MedicineScan
{
    QString HN;
    QString IDN;
    QString PatientName;
    QString ReferenceNum;   // empty: no package has been looked up
    QString RequestNum;
    QString ItemList;       // every item name preceded by "\r\n"

    void clear();

    static MedicineScan &current();
};
