#pragma once

#include "medicinescan.h"
#include "recordset.h"

#include <QString>

class Connection;

// What a scanned medicine package is for: the nurse communication entries
// with its reference number whose item is stocked at the ward (location
// '20'), with their patient and item names. Read step by step, so that the
// screen can let the window repaint between rows: open(), readRow() until
// it says no more, then readItems().
class PackageLookup
{
public:
    // Only a code that begins with C (or c) is looked up.
    static bool isPackageCode(const QString &code);
    static QString statement(const QString &code);
    static QString showItemsStatement(const QString &code);
    // The item names of every entry of the package, one a line, for the
    // hidden "show items" button.
    static QString items(Connection &connection, const QString &code);

    // The statement is built here, from the code as scanned. Errors are
    // thrown as AppError; after one the scan is marked as failed, so that
    // what was read before it is never checked against a wristband.
    PackageLookup(Connection &connection, const QString &code, MedicineScan &scan);

    // Sends the statement; false when the package has no rows.
    bool open();
    // Takes the next row's patient and numbers into the scan; the last row
    // read is what the scan holds. False when no row is left.
    bool readRow();
    // The second pass: every row's item name, in the server's order.
    void readItems();

private:
    template<class Step> auto marked(Step step);

    Connection &m_connection;
    QString m_statement;
    MedicineScan &m_scan;
    Recordset m_rows;
};
