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

// The windows are drawn for a face of Arial's metrics: Liberation Sans (Debian
// fonts-liberation2) or its twins first. On a desktop with none of them the boxes keep their text
// by choosing a smaller size (TextFit), not by hoping for a narrow face.
inline QFont sansSerif(double points, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
        QStringLiteral("Arial"), QStringLiteral("Helvetica"), QStringLiteral("Nimbus Sans")});
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

// Shown means on the screen: a window minimised for want of a tray counts as hidden.
inline bool isShown(const QWidget *window)
{
    return window->isVisible() && !window->isMinimized();
}

// A window's geometry in twips (outer size), as the program's algorithms use it. A window class
// inherits it after its widget class: class Form : public QWidget, public TwipsGeometry<Form>.
template<typename Window> class TwipsGeometry
{
public:
    int leftTwips() const { return Twips::fromPixels(window()->pos().x()); }
    int topTwips() const { return Twips::fromPixels(window()->pos().y()); }
    int widthTwips() const { return outerWidthTwips(window()); }
    int heightTwips() const { return outerHeightTwips(window()); }

private:
    const QWidget *window() const { return static_cast<const Window *>(this); }
};

} // namespace WindowLayout
