#include "Pictures.h"

#include <QPainter>

namespace Pictures {

namespace {
QPixmap box(bool ticked)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(1, 1, 13, 13);
    if (ticked) {
        painter.setPen(QPen(QColor(0, 128, 0), 2));
        painter.drawPolyline(QPolygon({QPoint(4, 8), QPoint(7, 11), QPoint(12, 4)}));
    }
    return pixmap;
}

QIcon simpleIcon(const QColor &colour)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(colour);
    return QIcon(pixmap);
}
} // namespace

QIcon mainWindowIcon()
{
    return simpleIcon(QColor(0, 0, 128));
}

QIcon transmissionWindowIcon()
{
    return simpleIcon(QColor(0, 128, 128));
}

QPixmap lockEmpty()
{
    return box(false);
}

QPixmap lockTicked()
{
    return box(true);
}

QPixmap messageIcon(int index)
{
    static const QColor colours[] = {Qt::red, Qt::yellow, Qt::white, Qt::white};
    QPixmap pixmap(48, 48);
    pixmap.fill(colours[qBound(0, index, 3)]);
    return pixmap;
}

} // namespace Pictures
