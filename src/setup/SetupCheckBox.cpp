#include "SetupCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

SetupCheckBox::SetupCheckBox(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{
    setTristate(true);
}

int SetupCheckBox::value() const
{
    switch (checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

void SetupCheckBox::setValue(int value)
{
    setCheckState(value == 1 ? Qt::Checked : (value == 2 ? Qt::PartiallyChecked : Qt::Unchecked));
}

void SetupCheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
}

bool SetupCheckBox::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

void SetupCheckBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_CheckBox, option);

    QRect textRect = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    textRect.setRight(rect().right());
    textRect.setTop(rect().top());
    textRect.setBottom(rect().bottom());
    painter.drawItemText(textRect,
        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, palette(),
        isEnabled(), caption, QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
