#pragma once

#include <QString>
#include <QStringList>

// A record of each thing that happened at the bedside, for the ward's safety
// review, in the platform's own system log (the systemd journal, Windows'
// Application event log), where hospital IT collects records from every PC.
// Off unless the machine's preset turns it on (audit/enabled); then every
// record is handed to a thread of its own, so that writing one never delays
// or stops a check. Nothing is written to the hospital database, and a
// record never holds a password or a connection string.
namespace Audit {

// One kind of record each, with its event id in Windows' event log.
enum class Event {
    MedicineCheck = 1, // pass, fail, scan-package-first, invalid-package, typed-wristband-refused
    ContainerScan = 2, // Step 1: added, listed, invalid, list-full
    BedsideCheck = 3, // Step 2: pass, fail, no-containers, typed-wristband-refused
    ConnectionError = 4, // a lookup that ended in "Error in connection."
    DroppedScan = 5, // keys typed into a box, dropped with the beep
    WristbandPrinted = 6, // printed, waiting
    WristbandNotPrinted = 7, // not-confirmed, failed
    Login = 8,
    LoginRefused = 9,
    SetUpCheck = 10, // wardcheck --check tried the log
};

struct Record
{
    Event event = Event::MedicineCheck;
    QString outcome;
    QString screen; // medicine, step1, step2, wristbands, login
    QString code; // the package or container code, as scanned
    QString wristband; // the wristband code, as scanned
    QString hospitalNumber; // where known
    QString entry; // the wristband: "scanned" or "typed"; empty where none was read
    double meanGapMs = -1; // the wristband's keys, Enter included; below 0: none
    qint64 lookupMs = -1; // how long the lookup took; below 0: none
    QString detail; // the error's description, the printer's words
    QString user; // the Wardcheck user; filled in by record() when empty
    QString version; // the program's; filled in by record()
};

// The fields of every record, in the order of the event log's insertion
// strings (%1 ...) and as the journal's WARDCHECK_ fields are named.
const QStringList &fieldNames();
QStringList fieldValues(const Record &record);
// The event's name, as the journal's WARDCHECK_EVENT says it.
QString eventName(Event event);
// One sentence for a person reading the log.
QString message(const Record &record);

// The machine's preset turns it on; read once, at the first record.
bool enabled();
// Reads the preset again at the next record (for tests).
void reload();
// The user the records name from now on (after a login).
void setUser(const QString &user);
// Hands the record to the writer; returns at once. Nothing when off.
void record(Record record);
// Writes one record and waits for it (for --check): empty when it was
// written, otherwise why not.
QString writeNow(Record record);
// Why the log could not be written the last time it failed; empty if never.
QString problem();
// Waits until every record handed over has been written (at the end of the
// run, and in tests).
void flush();

} // namespace Audit
