#pragma once

#include <QColor>
#include <QLine>
#include <QWidget>

// A drawn line of the window, given in twips like every other control.
class LineControl : public QWidget
{
public:
    LineControl(QWidget *parent, int x1, int y1, int x2, int y2, const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLine m_line; // in this widget's pixels
    QColor m_colour;
};
