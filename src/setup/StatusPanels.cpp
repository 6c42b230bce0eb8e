#include "StatusPanels.h"

#include "common/Module1.h"
#include "shell/Form1.h"

#include <QLineEdit>

namespace StatusPanels {

QString receiveText(int port)
{
    if (isSelectablePort(port))
        return QStringLiteral("Receive : Comm Port ") + QString::number(port);
    return QStringLiteral("Receive : Not Selected");
}

QString transmitText(int port)
{
    if (isSelectablePort(port))
        return QStringLiteral("Transmit : Comm Port ") + QString::number(port);
    return QStringLiteral("Transmit : Not Selected");
}

void show(QLineEdit *panel, const QString &text)
{
    panel->setText(text);
    panel->setCursorPosition(0);
}

void write(Form1 &form, const Module1 &m)
{
    show(form.Text3[0], receiveText(m.receivePort));
    show(form.Text3[1], transmitText(m.transmitPort));
}

} // namespace StatusPanels
