#include "code128.h"

#include <QPainter>

#include <zint.h>

#include <memory>

namespace Code128 {

QString paint(QPainter &painter, const QRectF &target, const QString &data)
{
    std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(), &ZBarcode_Delete);
    if (!symbol)
        return QStringLiteral("out of memory");
    symbol->symbology = BARCODE_CODE128;
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = 0;
    symbol->whitespace_width = 0;
    symbol->border_width = 0;
    const QByteArray utf8 = data.toUtf8();
    const int rc = ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char *>(utf8.constData()),
                                   int(utf8.size()));
    if (rc >= ZINT_ERROR)
        return QString::fromLatin1(symbol->errtxt);
    if (ZBarcode_Buffer_Vector(symbol.get(), 0) >= ZINT_ERROR || !symbol->vector)
        return QString::fromLatin1(symbol->errtxt);

    const zint_vector *vector = symbol->vector;
    if (vector->width <= 0 || vector->height <= 0)
        return QStringLiteral("empty symbol");
    const qreal sx = target.width() / qreal(vector->width);
    const qreal sy = target.height() / qreal(vector->height);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const zint_vector_rect *r = vector->rectangles; r; r = r->next) {
        painter.drawRect(QRectF(target.left() + qreal(r->x) * sx, target.top() + qreal(r->y) * sy,
                                qreal(r->width) * sx, qreal(r->height) * sy));
    }
    painter.restore();
    return QString();
}

} // namespace Code128
