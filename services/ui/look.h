#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

// The colour language and design fonts the screens share.
namespace Look {

inline const QColor Black(0, 0, 0);
inline const QColor White(255, 255, 255);
inline const QColor Red(255, 0, 0);
inline const QColor Green(0, 255, 0);        // a passed check
inline const QColor DarkGreen(0, 192, 0);    // the step expected or found
inline const QColor LightGrey(224, 224, 224);
inline const QColor LightBlue(208, 225, 247);

inline void setForeColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

inline void setBackColour(QWidget *widget, const QColor &colour, QPalette::ColorRole role = QPalette::Window)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

inline QFont designFont(const QString &family, qreal points, bool bold = false)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace Look
