// The life of the handles the driver manager holds, and the diagnostics
// each keeps for SQLGetDiagRec and SQLGetDiagField.

#include "odbc.h"

#include <algorithm>

namespace standin {

void releaseBusy(Stmt *stmt)
{
    if (stmt->dbc->busy == stmt)
        stmt->dbc->busy = nullptr;
}

void closeCursor(Stmt *stmt)
{
    stmt->result.reset();
    stmt->row.clear();
    stmt->onRow = false;
    stmt->atEnd = false;
    stmt->nextInBatch = stmt->batch.size();
    releaseBusy(stmt);
}

bool queriesRemain(const Stmt *stmt)
{
    for (size_t k = stmt->nextInBatch; k < stmt->batch.size(); ++k) {
        if (stmt->batch[k].kind == Translated::Kind::Query)
            return true;
    }
    return false;
}

SQLRETURN linkFailure(Handle *handle)
{
    return handle->fail("08S01", "Communication link failure");
}

void freeStatement(Stmt *stmt)
{
    closeCursor(stmt);
    auto &list = stmt->dbc->statements;
    list.erase(std::remove(list.begin(), list.end(), stmt), list.end());
    delete stmt;
}

SQLRETURN getDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field, SQLPOINTER info,
                       SQLSMALLINT capacity, SQLSMALLINT *length, bool wide)
{
    auto *h = static_cast<Handle *>(handle);
    if (!h || h->type != type)
        return SQL_INVALID_HANDLE;
    switch (field) {
    case SQL_DIAG_NUMBER:
        if (info)
            *static_cast<SQLINTEGER *>(info) = SQLINTEGER(h->diags.size());
        return SQL_SUCCESS;
    case SQL_DIAG_RETURNCODE:
        if (info)
            *static_cast<SQLRETURN *>(info) = h->diags.empty() ? SQL_SUCCESS : SQL_ERROR;
        return SQL_SUCCESS;
    case SQL_DIAG_ROW_COUNT:
    case SQL_DIAG_CURSOR_ROW_COUNT:
        if (info)
            *static_cast<SQLLEN *>(info) = -1;
        return SQL_SUCCESS;
    default:
        break;
    }
    if (record < 1 || size_t(record) > h->diags.size())
        return SQL_NO_DATA;
    const Diag &d = h->diags[size_t(record - 1)];
    SQLLEN written = 0;
    SQLRETURN rc = SQL_SUCCESS;
    switch (field) {
    case SQL_DIAG_SQLSTATE:
        rc = putString(h, d.state, info, capacity, &written, wide, true);
        break;
    case SQL_DIAG_MESSAGE_TEXT:
        rc = putString(h, d.message, info, capacity, &written, wide, true);
        break;
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
        rc = putString(h, d.state.rfind("IM", 0) == 0 ? "ODBC 3.0" : "ISO 9075", info, capacity, &written, wide, true);
        break;
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
        rc = putString(h, "", info, capacity, &written, wide, true);
        break;
    case SQL_DIAG_NATIVE:
        if (info)
            *static_cast<SQLINTEGER *>(info) = d.native;
        return SQL_SUCCESS;
    case SQL_DIAG_COLUMN_NUMBER:
        if (info)
            *static_cast<SQLINTEGER *>(info) = SQL_COLUMN_NUMBER_UNKNOWN;
        return SQL_SUCCESS;
    case SQL_DIAG_ROW_NUMBER:
        if (info)
            *static_cast<SQLLEN *>(info) = SQL_ROW_NUMBER_UNKNOWN;
        return SQL_SUCCESS;
    default:
        return SQL_ERROR;
    }
    if (length)
        *length = SQLSMALLINT(written);
    return rc;
}

SQLRETURN getDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLPOINTER state, SQLINTEGER *native,
                     SQLPOINTER message, SQLSMALLINT capacity, SQLSMALLINT *length, bool wide)
{
    auto *h = static_cast<Handle *>(handle);
    if (!h || h->type != type)
        return SQL_INVALID_HANDLE;
    if (record < 1)
        return SQL_ERROR;
    if (size_t(record) > h->diags.size())
        return SQL_NO_DATA;
    const Diag d = h->diags[size_t(record - 1)];
    if (state) {
        SQLLEN ignored = 0;
        putString(h, d.state, state, 6, &ignored, wide, false);
    }
    if (native)
        *native = d.native;
    SQLLEN written = 0;
    const size_t before = h->diags.size();
    const SQLRETURN rc = putString(h, d.message, message, capacity, &written, wide, false);
    h->diags.resize(before); // a truncated message is no new diagnostic
    if (length)
        *length = SQLSMALLINT(written);
    return rc;
}

} // namespace standin
