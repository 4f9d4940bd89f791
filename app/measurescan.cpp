#include "measurescan.h"

#include "scantiming.h"
#include "settings.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTextStream>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <numeric>

namespace MeasureScan {

namespace {

void report(QTextStream &out, const QString &code, const ScanTiming &timing, int limitMs)
{
    const std::vector<qint64> gaps = timing.gaps();
    out << "Code: " << code << Qt::endl;
    out << "Keys: " << gaps.size() + (gaps.empty() ? 0 : 1) << ", Enter included" << Qt::endl;
    QStringList each;
    for (const qint64 gap : gaps)
        each << QString::number(gap);
    out << "Gaps between keys (ms): " << each.join(QLatin1Char(' ')) << Qt::endl;
    if (!gaps.empty()) {
        const double mean = double(std::accumulate(gaps.begin(), gaps.end(), qint64(0))) / double(gaps.size());
        out << "Mean gap (ms): " << QString::number(mean, 'f', 1) << Qt::endl;
        out << "Longest gap (ms): " << *std::max_element(gaps.begin(), gaps.end()) << Qt::endl;
    }
    out << "Limit (ms, policy/scanMeanGapLimitMs): " << limitMs << Qt::endl;
    out << "Taken for a scan: " << (timing.wasScanned(limitMs) ? "yes" : "no") << Qt::endl;
}

} // namespace

int run(QTextStream &out)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Wardcheck - Measure a Scan"));
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Scan a wristband into the box."), &window));
    auto *box = new QLineEdit(&window);
    box->setObjectName(QStringLiteral("txtScan"));
    box->setMinimumWidth(320);
    layout->addWidget(box);
    auto *timing = new ScanTiming(box);
    const int limitMs = WardcheckSettings::scanMeanGapLimitMs();
    int status = 1;
    QObject::connect(box, &QLineEdit::returnPressed, &window, [&] {
        report(out, box->text(), *timing, limitMs);
        status = 0;
        window.close();
    });
    window.show();
    box->setFocus();
    QApplication::exec();
    return status;
}

} // namespace MeasureScan
