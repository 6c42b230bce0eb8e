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

void write(Form1 &form, const Module1 &m)
{
    form.Text3[0]->setText(receiveText(m.receivePort));
    form.Text3[1]->setText(transmitText(m.transmitPort));
}

} // namespace StatusPanels
