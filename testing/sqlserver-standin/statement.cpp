// Running a statement's batch, one result after another, and fetching its
// rows.

#include "odbc.h"

namespace standin {

// Runs the batch's next query: SQL_SUCCESS with a result, SQL_NO_DATA when
// no query is left.
SQLRETURN startNext(Stmt *stmt)
{
    stmt->result.reset();
    stmt->row.clear();
    stmt->onRow = false;
    stmt->atEnd = false;
    stmt->fetched = 0;
    stmt->lastColumn = 0;
    while (stmt->nextInBatch < stmt->batch.size()) {
        const Translated &next = stmt->batch[stmt->nextInBatch++];
        if (next.kind != Translated::Kind::Query)
            continue;
        control::trace(("  as " + next.sql).c_str());
        ServerError error;
        std::vector<Value> parameters;
        int needed = 0;
        std::vector<Column> unused;
        if (!stmt->dbc->session.describe(next, unused, needed, error)) {
            closeCursor(stmt);
            return stmt->fail(error);
        }
        if (stmt->parameterOffset + size_t(needed) > stmt->parameterValues.size()) {
            closeCursor(stmt);
            return stmt->fail("07002", "COUNT field incorrect or syntax error");
        }
        parameters.assign(stmt->parameterValues.begin() + long(stmt->parameterOffset),
                          stmt->parameterValues.begin() + long(stmt->parameterOffset) + needed);
        stmt->parameterOffset += size_t(needed);
        stmt->result = stmt->dbc->session.run(next, parameters, error);
        if (!stmt->result) {
            closeCursor(stmt);
            return stmt->fail(error);
        }
        stmt->dbc->busy = stmt;
        return SQL_SUCCESS;
    }
    releaseBusy(stmt);
    return SQL_NO_DATA;
}

namespace {

// Why the statement cannot run now, or SQL_SUCCESS.
SQLRETURN refusal(Stmt *stmt)
{
    Dbc *dbc = stmt->dbc;
    if (!dbc->connected)
        return stmt->fail("08003", "Connection not open");
    if (dbc->dead())
        return linkFailure(stmt);
    if (dbc->busy && dbc->busy != stmt)
        return stmt->fail("HY000", "Connection is busy with results for another command");
    if (stmt->result)
        return stmt->fail("24000", "Invalid cursor state");
    return SQL_SUCCESS;
}

} // namespace

SQLRETURN execute(Stmt *stmt)
{
    if (const SQLRETURN rc = refusal(stmt); rc != SQL_SUCCESS)
        return rc;
    if (!readParameters(stmt))
        return SQL_ERROR;
    stmt->nextInBatch = 0;
    stmt->parameterOffset = 0;
    const SQLRETURN rc = startNext(stmt);
    return rc == SQL_NO_DATA ? SQL_SUCCESS : rc;
}

SQLRETURN prepare(Stmt *stmt, const std::string &text)
{
    control::trace(("  " + text).c_str());
    Dbc *dbc = stmt->dbc;
    if (dbc->dead())
        return linkFailure(stmt);
    if (stmt->result)
        return stmt->fail("24000", "Invalid cursor state");
    ServerError error;
    stmt->prepared = false;
    stmt->preparedColumns.clear();
    stmt->preparedParameters = 0;
    if (!translate(text, stmt->batch, error))
        return stmt->fail(error);
    for (const Translated &t : stmt->batch) {
        if (t.kind != Translated::Kind::Query)
            continue;
        std::vector<Column> columns;
        int parameters = 0;
        if (!dbc->session.describe(t, columns, parameters, error))
            return stmt->fail(error);
        if (stmt->preparedColumns.empty())
            stmt->preparedColumns = columns;
        stmt->preparedParameters += parameters;
    }
    stmt->prepared = true;
    return SQL_SUCCESS;
}

SQLRETURN execDirect(Stmt *stmt, const std::string &text)
{
    control::trace(("  " + text).c_str());
    if (const SQLRETURN rc = refusal(stmt); rc != SQL_SUCCESS)
        return rc;
    ServerError error;
    stmt->prepared = false;
    if (!translate(text, stmt->batch, error))
        return stmt->fail(error);
    return execute(stmt);
}

SQLRETURN startResult(Stmt *stmt, std::unique_ptr<Result> result)
{
    if (const SQLRETURN rc = refusal(stmt); rc != SQL_SUCCESS)
        return rc;
    stmt->batch.clear();
    stmt->nextInBatch = 0;
    stmt->prepared = false;
    stmt->result = std::move(result);
    stmt->row.clear();
    stmt->onRow = false;
    stmt->atEnd = false;
    stmt->fetched = 0;
    stmt->lastColumn = 0;
    stmt->dbc->busy = stmt;
    return SQL_SUCCESS;
}

SQLRETURN fetch(Stmt *stmt)
{
    if (!stmt->result)
        return stmt->fail("24000", "Invalid cursor state");
    if (stmt->dbc->dead())
        return linkFailure(stmt);
    if (stmt->atEnd)
        return SQL_NO_DATA;
    if (control::dropsAfter(stmt->fetched)) {
        stmt->dbc->live.dead = true;
        closeCursor(stmt);
        stmt->diags.push_back(
            {"08S01", 10054,
             DriverPrefix + "TCP Provider: An existing connection was forcibly closed by the remote host.\n"});
        return linkFailure(stmt);
    }
    ServerError error;
    const int rc = stmt->result->next(stmt->row, error);
    if (rc < 0) {
        closeCursor(stmt);
        return stmt->fail(error);
    }
    stmt->lastColumn = 0;
    if (rc == 0) {
        stmt->onRow = false;
        stmt->atEnd = true;
        if (!queriesRemain(stmt))
            releaseBusy(stmt);
        if (stmt->rowsFetched)
            *stmt->rowsFetched = 0;
        return SQL_NO_DATA;
    }
    stmt->onRow = true;
    ++stmt->fetched;
    if (stmt->rowsFetched)
        *stmt->rowsFetched = 1;
    SQLRETURN result = SQL_SUCCESS;
    for (const auto &[number, binding] : stmt->bindings) {
        if (number < 1 || number > stmt->row.size())
            continue;
        size_t offset = 0;
        bool done = false;
        const SQLRETURN one = convert(stmt, stmt->row[number - 1], stmt->result->columns[number - 1], binding.type,
                                      binding.buffer, binding.capacity, binding.indicator, offset, done);
        if (one == SQL_ERROR)
            result = SQL_SUCCESS_WITH_INFO;
        else if (one == SQL_SUCCESS_WITH_INFO)
            result = SQL_SUCCESS_WITH_INFO;
    }
    if (stmt->rowStatus)
        *stmt->rowStatus = result == SQL_SUCCESS ? SQL_ROW_SUCCESS : SQL_ROW_SUCCESS_WITH_INFO;
    return result;
}

SQLRETURN getData(Stmt *stmt, SQLUSMALLINT column, SQLSMALLINT cType, SQLPOINTER buffer, SQLLEN capacity,
                  SQLLEN *indicator)
{
    if (!stmt->result || !stmt->onRow)
        return stmt->fail("24000", "Invalid cursor state");
    if (stmt->dbc->dead())
        return linkFailure(stmt);
    // SQL Server's drivers hand out columns in ascending order only.
    if (column < 1 || column > stmt->row.size() || column < stmt->lastColumn)
        return stmt->fail("07009", "Invalid Descriptor Index");
    if (column != stmt->lastColumn) {
        stmt->lastColumn = column;
        stmt->offset = 0;
        stmt->columnDone = false;
    } else if (stmt->columnDone) {
        return SQL_NO_DATA;
    }
    return convert(stmt, stmt->row[column - 1], stmt->result->columns[column - 1], cType, buffer, capacity, indicator,
                   stmt->offset, stmt->columnDone);
}

} // namespace standin
