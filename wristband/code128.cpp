#include "code128.h"

#include <QPainter>

#include <zint.h>

#include <memory>

namespace Code128 {
namespace {

using Symbol = std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)>;

// The encoded symbol with its vector form, or null with the reason.
Symbol encode(const QString &data, QString &error)
{
    Symbol symbol(ZBarcode_Create(), &ZBarcode_Delete);
    if (!symbol) {
        error = QStringLiteral("out of memory");
        return Symbol(nullptr, &ZBarcode_Delete);
    }
    if (data.isEmpty()) {
        error = QStringLiteral("no data to encode");
        return Symbol(nullptr, &ZBarcode_Delete);
    }
    symbol->symbology = BARCODE_CODE128;
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = 0;
    symbol->whitespace_width = 0;
    symbol->border_width = 0;
    const QByteArray utf8 = data.toUtf8();
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char *>(utf8.constData()), int(utf8.size()))
            >= ZINT_ERROR
        || ZBarcode_Buffer_Vector(symbol.get(), 0) >= ZINT_ERROR || !symbol->vector) {
        error = QString::fromLatin1(symbol->errtxt);
        return Symbol(nullptr, &ZBarcode_Delete);
    }
    if (symbol->width <= 0 || symbol->vector->width <= 0 || symbol->vector->height <= 0) {
        error = QStringLiteral("empty symbol");
        return Symbol(nullptr, &ZBarcode_Delete);
    }
    return symbol;
}

} // namespace

int moduleCount(const QString &data, QString *error)
{
    QString reason;
    const Symbol symbol = encode(data, reason);
    if (error)
        *error = reason;
    return symbol ? symbol->width : 0;
}

QString paint(QPainter &painter, const QRectF &target, const QString &data)
{
    QString reason;
    const Symbol symbol = encode(data, reason);
    if (!symbol)
        return reason;

    const zint_vector *vector = symbol->vector;
    const qreal sx = target.width() / qreal(vector->width);
    const qreal sy = target.height() / qreal(vector->height);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const zint_vector_rect *r = vector->rectangles; r; r = r->next) {
        painter.drawRect(QRectF(target.left() + qreal(r->x) * sx, target.top() + qreal(r->y) * sy, qreal(r->width) * sx,
                                qreal(r->height) * sy));
    }
    painter.restore();
    return QString();
}

} // namespace Code128
