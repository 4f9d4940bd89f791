#pragma once

#include <QRect>

// Screen designs are measured in twips; at 96 dots per inch a logical
// pixel is 15 twips, and Qt scales logical pixels for high-dpi screens.
namespace Twips {

inline constexpr int TwipsPerPixel = 15;

constexpr int toPixels(int twips)
{
    return twips / TwipsPerPixel;
}

constexpr int fromPixels(int pixels)
{
    return pixels * TwipsPerPixel;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace Twips
