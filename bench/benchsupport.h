#pragma once

#include <QString>

#include <vector>

// Benchmarks print medians and 99th percentiles; they are never tests.
namespace Bench {

// The hospital-scale database (made once with makedemodb --hospital and
// kept beside the benchmarks), or the file named by WARDCHECK_BENCH_DB.
QString hospitalDatabase();

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
