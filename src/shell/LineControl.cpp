#include "LineControl.h"

#include "platform/Twips.h"

#include <QPainter>

LineControl::LineControl(QWidget *parent, int x1, int y1, int x2, int y2, const QColor &colour)
    : QWidget(parent)
    , m_colour(colour)
{
    const QPoint a(Twips::toPixels(x1), Twips::toPixels(y1));
    const QPoint b(Twips::toPixels(x2), Twips::toPixels(y2));
    const QRect bounds = QRect(a, b).normalized().adjusted(0, 0, 1, 1);
    setGeometry(bounds);
    m_line = QLine(a - bounds.topLeft(), b - bounds.topLeft());
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(m_colour);
    painter.drawLine(m_line);
}
