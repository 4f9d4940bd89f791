#pragma once

#include "audit.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

// wardcheck --audit-summary: the records exported from either platform's
// log (journalctl -t wardcheck -o json, one object a line; or wevtutil qe
// Application /f:xml), counted per day and PC, and optionally per user, for
// the ward's safety review. A line or an event that cannot be read, and a
// record of another program, is counted and skipped.
namespace AuditSummary {

struct Entry
{
    QDateTime time; // UTC
    QString pc;
    QString user;
    QString event;
    QString outcome;
    QString entry; // "scanned", "typed" or empty
};

struct Reading
{
    QList<Entry> entries;
    int malformed = 0;
    int otherPrograms = 0;
};

Reading read(const QByteArray &exported);

struct Row
{
    QDate day; // in the time zone the summary is made in
    QString pc;
    QString user; // empty when not split by user
    int checks = 0; // medicine and bedside checks that passed or failed
    int passed = 0;
    int failed = 0;
    int errors = 0; // lookups that ended in "Error in connection."
    int dropped = 0; // scans dropped into a box, with the beep
    int wristbands = 0; // checks whose wristband was read, typed ones refused included
    int scanned = 0; // of them, scanned rather than typed
};

// The share of scanned wristbands the usual standard asks of a ward.
inline constexpr double Goal = 0.95;

QList<Row> summarise(const QList<Entry> &entries, bool byUser);
// The table as printed, with a line on what was skipped.
QString table(const QList<Row> &rows, const Reading &reading, bool byUser);

} // namespace AuditSummary
