#pragma once

#include <QRect>
#include <QWidget>

#include <cmath>

// Screen designs are measured in twips; at 96 dots per inch a logical
// pixel is 15 twips, and Qt scales logical pixels for high-dpi screens.
namespace Twips {

inline constexpr int TwipsPerPixel = 15;

// To the nearest whole pixel.
constexpr int toPixels(double twips)
{
    return int(twips < 0 ? twips / TwipsPerPixel - 0.5 : twips / TwipsPerPixel + 0.5);
}

constexpr double fromPixels(int pixels)
{
    return double(pixels) * TwipsPerPixel;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

// A window's resize sets sizes worked out in twips. One the window system
// cannot take (negative, or not a number) is skipped, on its own: the
// control keeps its last size and the other assignments still apply.
inline void setLeft(QWidget *widget, double twips)
{
    if (std::isfinite(twips))
        widget->move(toPixels(twips), widget->y());
}

inline void setTop(QWidget *widget, double twips)
{
    if (std::isfinite(twips))
        widget->move(widget->x(), toPixels(twips));
}

inline void setWidth(QWidget *widget, double twips)
{
    if (std::isfinite(twips) && twips >= 0)
        widget->resize(toPixels(twips), widget->height());
}

inline void setHeight(QWidget *widget, double twips)
{
    if (std::isfinite(twips) && twips >= 0)
        widget->resize(widget->width(), toPixels(twips));
}

} // namespace Twips
