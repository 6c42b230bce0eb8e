#pragma once

#include <QRect>
#include <cmath>

// Window positions and sizes are kept in twips; the window system gets pixels at a fixed 15
// twips per pixel, rounded to the nearest pixel.
namespace Twips {

constexpr int kPerPixel = 15;

inline int toPixels(int twips)
{
    return int(std::lround(double(twips) / kPerPixel));
}

inline int fromPixels(int pixels)
{
    return pixels * kPerPixel;
}

inline QRect toPixels(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace Twips
