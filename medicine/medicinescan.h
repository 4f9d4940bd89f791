#pragma once

#include <QString>

// What the last package lookup found, shared by the whole program: closing
// the medicine screen and opening it again keeps it.
struct MedicineScan
{
    QString HN;
    QString IDN;
    QString PatientName;
    QString ReferenceNum; // empty: no package has been looked up
    QString RequestNum;
    QString ItemList; // every item name preceded by "\r\n"
    // Set when the last lookup ended in an error: what it read stays, but
    // a half-read package is never checked against a wristband.
    bool lookupFailed = false;

    void clear();

    static MedicineScan &current();
};
