#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace Icons {

// An SVG of the resources drawn at the given size, for window icons and
// pictures; empty when the resource does not exist.
QPixmap render(const QString &resource, QSize size);
QIcon applicationIcon();

} // namespace Icons
