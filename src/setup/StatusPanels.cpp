#include "StatusPanels.h"

#include "common/Module1.h"

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

void write(const std::array<QLineEdit *, 2> &panels, const Module1 &m)
{
    show(panels[0], receiveText(m.receivePort));
    show(panels[1], transmitText(m.transmitPort));
}

} // namespace StatusPanels
