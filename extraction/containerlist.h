#pragma once

#include "recordset.h"

#include <QString>
#include <QStringList>

#include <functional>

// The verification list's rules, without a window: Step 1 groups the rows
// of the container query into list rows, Step 2 finds the list row that
// holds both bedside scans.
namespace ContainerList {

enum Column { HospNum, IDNum, LabExams, PatientName, Room, Birthdate, Sex, RefNum, RequestNum, ColumnCount };

// Row positions of the list are 16-bit numbers.
constexpr int MaxRows = 32767;

QString statement(const QString &code);

// Scanned codes count as empty when they hold nothing but blanks.
bool isBlank(const QString &scan);

// One record of the container query.
struct Record
{
    QString refNum, hn, idn, labExam, patientName, room, birthdate, sex, requestNum;

    static Record read(const Recordset &records);
};

// One list row per container: the first record of a lookup always starts a
// row of its own, and each record after it with the same reference number
// adds its exam to that row (joined with ", ").
class Grouping
{
public:
    // True when the record starts a new row, false when it only adds its
    // exam; row() is the row as it stands after the record.
    bool add(const Record &record);
    const QStringList &row() const { return m_row; }

    // The list rows that a lookup's records make, as the screen makes them.
    static QList<QStringList> rowsOf(const QList<Record> &records);

private:
    QStringList m_row;
    bool m_started = false;
};

// The list as the rules read it.
struct Rows
{
    int count = 0;
    std::function<QString(int row, Column column)> cell;
};

// The first row listing the container code exactly, or -1.
int findListed(const Rows &rows, const QString &refNum);

// The first row that holds both the container and the wristband code,
// exactly, or -1. An empty scan matches nothing: a request without an
// admission number never passes an empty wristband.
int findBedsideMatch(const Rows &rows, const QString &container, const QString &wristband);

} // namespace ContainerList
