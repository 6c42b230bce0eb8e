#pragma once

#include "platform/Twips.h"

#include <QFont>
#include <QWidget>

// Layout helpers shared by the program's windows: twips placement, fonts and outer sizes.
namespace WindowLayout {

// The window frame around the client area, in pixels: borders and the title bar. Window sizes
// in twips are outer sizes, as the main window counts them.
constexpr int kFrameWidth = 6;
constexpr int kFrameHeight = 25;

inline void placeTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(Twips::toPixels(left, top, width, height));
}

// The classic dialog face where it exists, else a face of the same width (DejaVu Sans, the
// usual Linux default, is wide enough to push text out of the fixed boxes).
inline QFont sansSerif(double points, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
        QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Nimbus Sans"),
        QStringLiteral("Helvetica"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

inline int outerWidthTwips(const QWidget *window)
{
    return Twips::fromPixels(window->width() + kFrameWidth);
}

inline int outerHeightTwips(const QWidget *window)
{
    return Twips::fromPixels(window->height() + kFrameHeight);
}

inline void setOuterSizeTwips(QWidget *window, int width, int height)
{
    window->setFixedSize(
        Twips::toPixels(width) - kFrameWidth, Twips::toPixels(height) - kFrameHeight);
}

} // namespace WindowLayout
