#include "auditchart.h"

#include <QImage>
#include <QMap>
#include <QPainter>

#include <algorithm>

namespace AuditChart {
namespace {

struct Day
{
    int failed = 0;
    int wristbands = 0;
    int scanned = 0;
};

} // namespace

bool write(const QList<AuditSummary::Row> &rows, const QString &pngFile)
{
    QMap<QDate, Day> days;
    for (const AuditSummary::Row &row : rows) {
        Day &day = days[row.day];
        day.failed += row.failed;
        day.wristbands += row.wristbands;
        day.scanned += row.scanned;
    }
    const int width = std::max(640, 120 + 60 * int(days.size()));
    const int height = 420;
    const QRect plot(70, 40, width - 140, height - 110);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);

    int mostFailed = 1;
    for (const Day &day : days)
        mostFailed = std::max(mostFailed, day.failed);
    // Room above the tallest bar, so that no bar hides the goal line.
    mostFailed += std::max(1, mostFailed / 4);
    painter.setPen(Qt::black);
    painter.drawRect(plot);
    painter.drawText(QRect(0, 8, width, 24), Qt::AlignCenter,
                     QStringLiteral("Wristbands scanned (line, left) and failed checks (bars, right), by day"));
    // The left axis is the scanned share, the right one the failed checks.
    for (int percent = 0; percent <= 100; percent += 25) {
        const int y = plot.bottom() - plot.height() * percent / 100;
        painter.drawText(QRect(0, y - 8, plot.left() - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1%").arg(percent));
    }
    painter.drawText(QRect(plot.right() + 6, plot.top() - 8, 60, 16), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::number(mostFailed));
    painter.drawText(QRect(plot.right() + 6, plot.bottom() - 8, 60, 16), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("0"));
    const int slot = days.isEmpty() ? plot.width() : plot.width() / int(days.size());
    QPolygon share;
    int i = 0;
    for (auto it = days.cbegin(); it != days.cend(); ++it, ++i) {
        const int x = plot.left() + slot * i + slot / 2;
        const int bar = plot.height() * it->failed / mostFailed;
        painter.fillRect(QRect(x - slot / 4, plot.bottom() - bar, slot / 2, bar), QColor(220, 40, 40));
        if (it->wristbands > 0)
            share << QPoint(x, plot.bottom() - plot.height() * it->scanned / it->wristbands);
        painter.setPen(Qt::black);
        painter.drawText(QRect(x - slot / 2, plot.bottom() + 4, slot, 16), Qt::AlignCenter,
                         it.key().toString(QStringLiteral("MM-dd")));
    }
    const int goalY = plot.bottom() - int(plot.height() * AuditSummary::Goal);
    painter.setPen(QPen(QColor(0, 128, 0), 1, Qt::DashLine));
    painter.drawLine(plot.left(), goalY, plot.right(), goalY);
    const QRect goalLabel =
        painter.boundingRect(QRect(plot.left() + 4, goalY - 16, 120, 14), Qt::AlignLeft, QStringLiteral("goal 95%"));
    painter.fillRect(goalLabel, Qt::white);
    painter.drawText(goalLabel, Qt::AlignLeft, QStringLiteral("goal 95%"));
    painter.setPen(QPen(QColor(0, 90, 200), 3));
    painter.drawPolyline(share);
    for (const QPoint &point : std::as_const(share))
        painter.drawEllipse(point, 3, 3);
    painter.end();
    return image.save(pngFile, "PNG");
}

} // namespace AuditChart
