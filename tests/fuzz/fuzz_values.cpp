// Values from the database become text on screen; no value may crash that,
// and whole numbers must keep every digit.
#include "fuzztext.h"
#include "textgridmodel.h"
#include "valuetext.h"

#include <QDateTime>
#include <QString>

#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzText(QByteArrayView(data, qsizetype(size)));
    (void)ValueText::fromVariant(text, true);
    (void)ValueText::fromVariant(text, false);

    if (size >= 8) {
        double d;
        std::memcpy(&d, data, sizeof d);
        const QString number = ValueText::fromNumber(d);
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15
            && number != QString::number(static_cast<qlonglong>(d)))
            std::abort();
        qint64 msecs;
        std::memcpy(&msecs, data, sizeof msecs);
        (void)ValueText::fromDateTime(QDateTime::fromMSecsSinceEpoch(msecs % (400LL * 365 * 86400000)));
    }

    // A list row keeps each value in its own column, tabs and all.
    TextGridModel grid;
    grid.setColumnCount(9);
    const QStringList cells = text.split(QLatin1Char('\n'));
    grid.addRow(cells);
    if (grid.dataRowCount() != 1)
        std::abort();
    for (int c = 0; c < 9; ++c) {
        if (grid.text(0, c) != (c < cells.size() ? cells.at(c) : QString()))
            std::abort();
    }
    return 0;
}
