#pragma once

#include <QProxyStyle>

// The desktop's style, except that its standard icons are read when first drawn rather than
// when asked for. A menu bar asks for its overflow arrow as it is built; reading that file makes
// Qt load every image plugin to guess its format, which costs a program that starts hidden in
// the tray memory and time for an arrow it almost never shows.
class DeferredIconStyle : public QProxyStyle
{
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
        const QWidget *widget = nullptr) const override;
};
