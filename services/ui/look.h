#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

#include <initializer_list>

// The colour language and design fonts the screens share.
namespace Look {

inline const QColor Black(0, 0, 0);
inline const QColor White(255, 255, 255);
inline const QColor Red(255, 0, 0);
inline const QColor Green(0, 255, 0); // a passed check
inline const QColor DarkGreen(0, 192, 0); // the step expected or found
inline const QColor LightGrey(224, 224, 224); // the windows' background
inline const QColor DarkGrey(64, 64, 64); // the main menu's band, captions
inline const QColor LightBlue(208, 225, 247); // the information boxes
inline const QColor WarningText(192, 0, 0); // the login dialog's message
inline const QColor Yellow(255, 255, 0); // the main menu's demo warning, on its dark band

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

// Gives the controls that share a font of the design that font.
inline void setFont(const QFont &font, std::initializer_list<QWidget *> controls)
{
    for (QWidget *control : controls)
        control->setFont(font);
}

// The design's fonts; fontconfig gives metric-compatible ones where the
// originals are not installed.
inline QFont verdana(qreal points, bool bold = false)
{
    return designFont(QStringLiteral("Verdana"), points, bold);
}
inline QFont calibri(qreal points, bool bold = false)
{
    return designFont(QStringLiteral("Calibri"), points, bold);
}
inline QFont tahoma(qreal points)
{
    return designFont(QStringLiteral("Tahoma"), points);
}
inline QFont arial(qreal points)
{
    return designFont(QStringLiteral("Arial"), points);
}

} // namespace Look
