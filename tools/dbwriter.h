#pragma once

#include "passwordhash.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;

// Makes embedded hospital databases: the demo ward, benchmark hospitals and
// test fixtures. It only ever creates new files; the program itself opens
// hospital databases read-only.
class DbWriter
{
public:
    // Replaces any file at path with an empty database of the hospital schema.
    explicit DbWriter(const QString &path);
    ~DbWriter();
    DbWriter(const DbWriter &) = delete;
    DbWriter &operator=(const DbWriter &) = delete;

    void exec(const QString &sql);
    // One row, values in the table's column order; a null QVariant is NULL.
    void insert(const QString &table, const QVariantList &values);
    void begin();
    void commit();
    void addUser(const QString &name, const QString &password,
                 PasswordHash::Cost cost = PasswordHash::Cost::Interactive);
    // Marks the file as demo data with public accounts: the program then
    // says in every window that it is not for patient care.
    void markAsDemo();
    void close();

    QString path() const { return m_path; }

    // True when the file is a database that a DbWriter made (it carries
    // their application id), so replacing it loses nothing of anyone's.
    static bool madeHere(const QString &path);

private:
    sqlite3_stmt *statementFor(const QString &table, int columns);
    [[noreturn]] void fail(const QString &what);

    QString m_path;
    sqlite3 *m_db = nullptr;
    QHash<QString, sqlite3_stmt *> m_inserts;
};
