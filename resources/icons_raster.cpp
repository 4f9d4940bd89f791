#include "icons.h"

#include <QFileInfo>
#include <QImage>

namespace Icons {

// ":/name.svg" is drawn from ":/raster/name.png", four times its size, as the
// SVG would be: stretched to the size asked for.
QPixmap render(const QString &resource, QSize size)
{
    const QString raster = QStringLiteral(":/raster/%1.png").arg(QFileInfo(resource).completeBaseName());
    const QImage image(raster);
    if (image.isNull() || !resource.endsWith(QLatin1String(".svg")) || !QFileInfo::exists(resource))
        return QPixmap();
    return QPixmap::fromImage(image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

QIcon applicationIcon()
{
    return QIcon(render(QStringLiteral(":/wardcheck.svg"), QSize(32, 32)));
}

} // namespace Icons
