#include "recordset.h"

#include "apperror.h"
#include "connection.h"
#include "valuetext.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <sqlite3.h>

namespace {

const QString NoCurrentRecord = QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                                               "Requested operation requires a current record.");

bool declaredAsDate(const char *declared)
{
    if (!declared)
        return false;
    const QByteArray type = QByteArray(declared).toLower();
    return type.contains("date") || type.contains("time");
}

} // namespace

Recordset::Recordset() = default;

Recordset::~Recordset() = default;

void Recordset::Open(const QString &statement, Connection *connection)
{
    if (!connection)
        throw AppError(AppError::ObjectVariableNotSet,
                       QStringLiteral("Object variable or With block variable not set"));
    Close();
    if (!connection->isOpen())
        throw AppError(AppError::ObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));

    connection->notifyStatement(statement);
    const QString sent = connection->translate(statement);
    const Connection::TimeLimit limit(*connection);
    connection->relinkIfDropped();
    QSqlError error = read(sent, connection);
    if (error.isValid() && connection->replaceAfterFailure(error)) {
        error = read(sent, connection);
        if (error.isValid())
            connection->replaceAfterFailure(error);
    }
    if (error.isValid())
        throw AppError(AppError::ProviderError, connection->describeError(error));
    m_row = 0;
    m_open = true;
}

QSqlError Recordset::read(const QString &statement, Connection *connection)
{
    struct Done
    {
        Connection *connection;
        ~Done() { connection->statementDone(); }
    } done{connection};
    QSqlQuery query(connection->database());
    query.setForwardOnly(true);
    if (const QSqlError error = connection->execute(query, statement); error.isValid())
        return error;

    readColumns(query);
    std::vector<QVariant> values;
    qsizetype rows = 0;
    while (query.next()) {
        for (int c = 0; c < m_columnCount; ++c)
            values.push_back(query.value(c));
        ++rows;
    }
    // A connection lost part-way ends the fetch with an error, not with the
    // end of the rows: half a result must never pass for the whole of it.
    if (query.lastError().isValid())
        return query.lastError();
    query.finish();
    m_values = std::move(values);
    m_rowCount = rows;
    return QSqlError();
}

void Recordset::readColumns(const QSqlQuery &query)
{
    m_columns.clear();
    m_asked.clear();
    m_recent.clear();
    m_dateColumns.clear();
    const QSqlRecord record = query.record();
    m_columnCount = record.count();
    sqlite3_stmt *statement = nullptr;
    const QVariant handle = query.result() ? query.result()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3_stmt*") == 0)
        statement = *static_cast<sqlite3_stmt *const *>(handle.constData());

    for (int i = 0; i < record.count(); ++i) {
        const QString key = record.fieldName(i).toLower();
        if (!m_columns.contains(key))
            m_columns.insert(key, i);
        bool isDate = false;
        if (statement) {
            // SQLite keeps no date type; the column's declared type says it.
            isDate = declaredAsDate(sqlite3_column_decltype(statement, i));
        } else {
            const int type = record.field(i).metaType().id();
            isDate = type == QMetaType::QDateTime || type == QMetaType::QDate;
        }
        m_dateColumns.append(isDate);
    }
}

void Recordset::Close()
{
    m_open = false;
    m_values.clear();
    m_values.shrink_to_fit();
    m_row = 0;
    m_rowCount = 0;
}

bool Recordset::isOpen() const
{
    return m_open;
}

void Recordset::checkOpen() const
{
    if (!m_open)
        throw AppError(AppError::ObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));
}

bool Recordset::isEOF() const
{
    checkOpen();
    return m_row >= m_rowCount;
}

void Recordset::MoveNext()
{
    checkOpen();
    if (m_row >= m_rowCount)
        throw AppError(AppError::NoCurrentRecord, NoCurrentRecord);
    ++m_row;
}

int Recordset::column(const QString &field) const
{
    // Callers name a field the same way row after row, mostly with the very
    // same string: remember the name as asked, so a long list neither folds
    // it to lower case nor hashes it for every cell.
    for (const auto &[name, index] : m_recent) {
        if (name.constData() == field.constData() && name.size() == field.size())
            return index;
    }
    auto it = m_asked.constFind(field);
    if (it != m_asked.constEnd()) {
        if (m_recent.size() < 16)
            m_recent.emplace_back(field, *it);
        return *it;
    }
    it = m_columns.constFind(field.toLower());
    if (it == m_columns.constEnd()) {
        throw AppError(
            AppError::ItemNotFound,
            QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal."));
    }
    m_asked.insert(field, *it);
    if (m_recent.size() < 16)
        m_recent.emplace_back(field, *it);
    return *it;
}

const QVariant &Recordset::current(int column) const
{
    checkOpen();
    if (m_row >= m_rowCount)
        throw AppError(AppError::NoCurrentRecord, NoCurrentRecord);
    return m_values[size_t(m_row * m_columnCount + column)];
}

QVariant Recordset::value(const QString &field) const
{
    checkOpen();
    return current(column(field));
}

QString Recordset::text(const QString &field) const
{
    checkOpen();
    const int c = column(field);
    return ValueText::fromVariant(current(c), m_dateColumns.value(c));
}

QString Recordset::requiredText(const QString &field) const
{
    checkOpen();
    const int c = column(field);
    const QVariant &v = current(c);
    if (v.isNull())
        throw AppError(AppError::InvalidUseOfNull, QStringLiteral("Invalid use of Null"));
    return ValueText::fromVariant(v, m_dateColumns.value(c));
}
