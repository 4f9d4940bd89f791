#pragma once

#include "connection.h"
#include "usercomponent.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QLineEdit;

// Benchmarks print medians and 99th percentiles; they are never tests.
namespace Bench {

// A database that makedemodb makes with these arguments, once: it is kept
// beside the benchmarks under this file name.
QString madeOnce(const QString &fileName, const QStringList &makedemodbArguments);
// The hospital-scale database (makedemodb --hospital), or the file named by
// WARDCHECK_BENCH_DB.
QString hospitalDatabase();

// Logged in to a database without the login dialog.
class User : public UserComponent
{
public:
    explicit User(const ConnectionSettings &settings);
    // The embedded database file at path.
    explicit User(const QString &path);
    void ShowMain() override { }
    QVariant Connected() override { return m_connection->isOpen(); }
    Connection *SQLConnection() override { return m_connection.get(); }

private:
    std::unique_ptr<Connection> m_connection;
};

// Enter in the box, as a scanner ends its code.
void pressEnter(QLineEdit *box);

// Medicine packages of the database that a lookup finds (an item stocked
// at location '20', a patient on file), with their admission numbers:
// count of them, spread over the whole database.
struct Package
{
    QString reference;
    QString admission;
};
std::vector<Package> samplePackages(const QString &database, int count);

struct Summary
{
    double median = 0;
    double p99 = 0;
    double min = 0;
    double max = 0;
};
Summary summarise(std::vector<double> milliseconds);
void print(const QString &name, const Summary &summary, int runs);

} // namespace Bench
