#pragma once

#include "recordset.h"
#include "verificationlist.h"

#include <QString>

#include <functional>

class Connection;

// The verification list's rules, without a window: why Step 1 refuses a
// scanned container or adds it, and which list row Step 2 accepts.
namespace ContainerList {

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
// row of its own, and each record after it with the reference number of the
// row this lookup started last adds its exam to that row.
class Grouping
{
public:
    explicit Grouping(VerificationList &list) : m_list(list) { }
    // False when the record needs a new row and the list is full: nothing
    // was added then.
    bool add(const Record &record);

private:
    VerificationList &m_list;
    int m_row = -1;
};

enum class Preload {
    Blank, // nothing but blanks: the box keeps them
    Listed, // the code is in the list already; nothing was sent
    Full, // the list holds MaxRows containers: before the query, or when a record needed one more row
    NotFound, // the query found no record
    Added,
    Stopped, // a yield said stop: the list may be gone, touch nothing
};

// What a Step 1 lookup needs from the screen.
struct LookupSteps
{
    // Called only when the code is to be looked up: closes and opens the
    // connection again and hands it over. Throws AppError.
    std::function<Connection &()> reconnect;
    // Before the query and after each record: false when the lookup must
    // end at once.
    std::function<bool()> yield;
};

// Step 1 for a scanned code, in this order: blank, already listed, list
// full, then the lookup: no record, or its rows added. The code is compared
// and sent as scanned (only the blank test ignores blanks). Errors of the
// lookup are thrown as AppError; rows added before one stay.
Preload preload(VerificationList &list, const QString &code, const LookupSteps &steps);

// The first row listing the container code exactly, or -1.
int findListed(const VerificationList &list, const QString &refNum);

// The first row that holds both the container and the wristband code,
// exactly, or -1. An empty scan matches nothing: a request without an
// admission number never passes an empty wristband.
int findBedsideMatch(const VerificationList &list, const QString &container, const QString &wristband);

} // namespace ContainerList
