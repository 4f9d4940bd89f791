#pragma once

#include <QImage>
#include <QList>

#include <algorithm>
#include <numeric>

// The bars a scanner would cross along one row of a rendered band: the
// lengths of the runs of black and of white pixels from the first black
// pixel to the last, and how many pixels on the way are grey, as a bar
// edge that falls part-way through a pixel leaves one.
struct BarRow
{
    QList<int> runs;
    int grey = 0;

    int width() const { return std::accumulate(runs.cbegin(), runs.cend(), 0); }
    int narrowest() const { return runs.isEmpty() ? 0 : *std::min_element(runs.cbegin(), runs.cend()); }
    bool allMultiplesOf(int module) const
    {
        return module > 0 && std::all_of(runs.cbegin(), runs.cend(), [module](int run) { return run % module == 0; });
    }
};

inline BarRow barRow(const QImage &image, int y, int fromX)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    BarRow row;
    if (y < 0 || y >= grey.height())
        return row;
    const uchar *line = grey.constScanLine(y);
    int first = -1;
    int last = -1;
    for (int x = qMax(0, fromX); x < grey.width(); ++x) {
        if (line[x] < 128) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    if (first < 0)
        return row;
    bool black = true;
    int run = 0;
    for (int x = first; x <= last; ++x) {
        if (line[x] > 40 && line[x] < 215)
            ++row.grey;
        if ((line[x] < 128) == black) {
            ++run;
        } else {
            row.runs.append(run);
            run = 1;
            black = !black;
        }
    }
    row.runs.append(run);
    return row;
}
