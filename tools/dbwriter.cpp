#include "dbwriter.h"

#include <QFile>

#include <sqlite3.h>

#include <stdexcept>

namespace {
// "WCk1": marks a file as one of ours in the SQLite header's application id.
constexpr quint32 ApplicationId = 0x57436b31;
} // namespace

bool DbWriter::madeHere(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return false;
    const auto byte = [&header](int i) { return quint32(quint8(header.at(i))); };
    return (byte(68) << 24 | byte(69) << 16 | byte(70) << 8 | byte(71)) == ApplicationId;
}

DbWriter::DbWriter(const QString &path) : m_path(path)
{
    QFile::remove(path);
    const QByteArray file = QFile::encodeName(path);
    if (sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        fail(QStringLiteral("cannot create"));
    exec(QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId));
    exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
    // A file being made has nothing to lose yet; skipping fsync keeps
    // per-test fixtures fast.
    exec(QStringLiteral("PRAGMA synchronous = OFF"));
    QFile schema(QStringLiteral(":/hospital_schema.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        throw std::runtime_error("the hospital schema resource is missing");
    exec(QString::fromUtf8(schema.readAll()));
}

void DbWriter::markAsDemo()
{
    exec(QStringLiteral("create table wc_demo (note text)"));
    insert(QStringLiteral("wc_demo"), {QStringLiteral("demo data with public accounts: not for patient care")});
}

DbWriter::~DbWriter()
{
    close();
}

void DbWriter::fail(const QString &what)
{
    const QString message =
        QStringLiteral("%1 %2: %3").arg(what, m_path, m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString());
    throw std::runtime_error(message.toStdString());
}

void DbWriter::exec(const QString &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : "unknown error");
        sqlite3_free(error);
        throw std::runtime_error(QStringLiteral("%1 in: %2").arg(message, sql.left(200)).toStdString());
    }
}

sqlite3_stmt *DbWriter::statementFor(const QString &table, int columns)
{
    const QString key = table + QLatin1Char('/') + QString::number(columns);
    if (sqlite3_stmt *cached = m_inserts.value(key))
        return cached;
    QString sql = QStringLiteral("insert into %1 values (").arg(table);
    for (int i = 0; i < columns; ++i)
        sql += i ? QStringLiteral(", ?") : QStringLiteral("?");
    sql += QLatin1Char(')');
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        fail(QStringLiteral("cannot prepare an insert into ") + table + QStringLiteral(" of"));
    m_inserts.insert(key, statement);
    return statement;
}

void DbWriter::insert(const QString &table, const QVariantList &values)
{
    sqlite3_stmt *statement = statementFor(table, int(values.size()));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant &v = values.at(i);
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(statement, i + 1);
        } else if (v.metaType().id() == QMetaType::Int || v.metaType().id() == QMetaType::LongLong) {
            rc = sqlite3_bind_int64(statement, i + 1, v.toLongLong());
        } else if (v.metaType().id() == QMetaType::Double) {
            rc = sqlite3_bind_double(statement, i + 1, v.toDouble());
        } else {
            const QByteArray text = v.toString().toUtf8();
            rc = sqlite3_bind_text(statement, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            fail(QStringLiteral("cannot bind a value for ") + table + QStringLiteral(" in"));
    }
    if (sqlite3_step(statement) != SQLITE_DONE)
        fail(QStringLiteral("cannot insert into ") + table + QStringLiteral(" of"));
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
}

void DbWriter::begin()
{
    exec(QStringLiteral("BEGIN"));
}

void DbWriter::commit()
{
    exec(QStringLiteral("COMMIT"));
}

void DbWriter::addUser(const QString &name, const QString &password, PasswordHash::Cost cost)
{
    insert(QStringLiteral("wc_user"), {name, QString::fromLatin1(PasswordHash::make(password, cost))});
}

void DbWriter::close()
{
    for (sqlite3_stmt *statement : std::as_const(m_inserts))
        sqlite3_finalize(statement);
    m_inserts.clear();
    if (m_db) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}
