#pragma once

#include <QRectF>
#include <QString>

class QPainter;

// Code 128 symbols drawn with libzint: bars only, no quiet zone, no text.
namespace Code128 {

// The symbol's width in modules (narrowest bar widths), or 0 when the data
// cannot be encoded; then *error, if given, holds libzint's reason.
int moduleCount(const QString &data, QString *error = nullptr);

// Draws the bars scaled to fill the target rectangle's width and height, in
// black without a pen. Returns an empty text on success, otherwise
// libzint's reason.
QString paint(QPainter &painter, const QRectF &target, const QString &data);

} // namespace Code128
