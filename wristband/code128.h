#pragma once

#include <QRectF>
#include <QString>

class QPainter;

// Code 128 symbols drawn with libzint: bars only, scaled to fill the target
// rectangle's width and height, in the painter's current pen-free black.
namespace Code128 {

// Returns an empty text on success, otherwise libzint's reason.
QString paint(QPainter &painter, const QRectF &target, const QString &data);

} // namespace Code128
