#include "DisplayBox.h"

#include <QEvent>
#include <utility>

DisplayBox::DisplayBox(QWidget *parent)
    : QLineEdit(parent)
{
    setReadOnly(true);
    setAlignment(Qt::AlignCenter);
}

void DisplayBox::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange && !isVisible()) {
        m_fontPending = true;
        QWidget::changeEvent(event);
        return;
    }
    QLineEdit::changeEvent(event);
}

void DisplayBox::showEvent(QShowEvent *event)
{
    if (std::exchange(m_fontPending, false)) {
        QEvent fontChange(QEvent::FontChange);
        QLineEdit::changeEvent(&fontChange);
    }
    QLineEdit::showEvent(event);
}
