#include "benchsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Bench {

QString madeOnce(const QString &fileName, const QStringList &makedemodbArguments)
{
    const QString path = QDir(QStringLiteral(WARDCHECK_BENCH_DIR)).filePath(fileName);
    if (QFileInfo::exists(path))
        return path;
    QTextStream(stderr) << "making " << fileName << " (once) at " << path << Qt::endl;
    const int rc =
        QProcess::execute(QStringLiteral(WARDCHECK_MAKEDEMODB),
                          makedemodbArguments + QStringList{QStringLiteral("--out"), path + QStringLiteral(".tmp")});
    if (rc != 0 || !QFile::rename(path + QStringLiteral(".tmp"), path)) {
        QTextStream(stderr) << "makedemodb failed" << Qt::endl;
        std::exit(2);
    }
    return path;
}

QString hospitalDatabase()
{
    const QString named = qEnvironmentVariable("WARDCHECK_BENCH_DB");
    if (!named.isEmpty())
        return named;
    return madeOnce(QStringLiteral("hospital-scale.db"), {QStringLiteral("--hospital")});
}

User::User(const ConnectionSettings &settings) : m_connection(std::make_unique<Connection>(settings))
{
    m_connection->Open();
}

User::User(const QString &path) : User(ConnectionSettings{ConnectionSettings::Kind::Embedded, path, {}, {}})
{ }

void pressEnter(QLineEdit *box)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(box, &press);
}

std::vector<Package> samplePackages(const QString &database, int count)
{
    std::vector<Package> packages;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sample"));
        db.setDatabaseName(database);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(
                QStringLiteral("select distinct STA.ReferenceNum, STA.idnum from tbnursecommunicationfile STA "
                               "join tbmaster M on M.Hospnum = STA.Hospnum "
                               "join tbinvent INV on INV.itemid = STA.itemid and INV.locationid = '20' "
                               "where STA.idnum is not null and STA.RequestNum is not null and M.Lastname is not null "
                               "and M.Firstname is not null and M.Middlename is not null limit 5000"));
            std::vector<Package> all;
            while (query.next())
                all.push_back({query.value(0).toString(), query.value(1).toString()});
            for (int i = 0; i < count && !all.empty(); ++i)
                packages.push_back(all[size_t(i) * 7919 % all.size()]);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("sample"));
    return packages;
}

Summary summarise(std::vector<double> ms)
{
    Summary s;
    if (ms.empty())
        return s;
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) {
        const size_t i =
            std::min(ms.size() - 1, static_cast<size_t>(std::ceil(q * double(ms.size()))) - (q > 0 ? 1 : 0));
        return ms[i];
    };
    s.median = ms.size() % 2 ? ms[ms.size() / 2] : (ms[ms.size() / 2 - 1] + ms[ms.size() / 2]) / 2;
    s.p99 = at(0.99);
    s.min = ms.front();
    s.max = ms.back();
    return s;
}

void print(const QString &name, const Summary &s, int runs)
{
    std::printf("%-48s runs %6d  median %9.3f ms  p99 %9.3f ms  min %9.3f ms  max %9.3f ms\n", qPrintable(name), runs,
                s.median, s.p99, s.min, s.max);
    std::fflush(stdout);
}

} // namespace Bench
