#include "icons.h"

#include <QPainter>
#include <QSvgRenderer>

namespace Icons {

QPixmap render(const QString &resource, QSize size)
{
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        return QPixmap();
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QIcon applicationIcon()
{
    return QIcon(render(QStringLiteral(":/wardcheck.svg"), QSize(32, 32)));
}

} // namespace Icons
