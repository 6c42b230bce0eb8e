#pragma once

#include <QString>

class Form1;
struct Module1;

// The main window's two status panels name the receive and the transmit port.
namespace StatusPanels {

// "Receive : Comm Port n" for ports 1 to 8, else "Receive : Not Selected".
QString receiveText(int port);
// "Transmit : Comm Port n" for ports 1 to 8, else "Transmit : Not Selected".
QString transmitText(int port);
// Rewrites Text3(0), then Text3(1).
void write(Form1 &form, const Module1 &m);

} // namespace StatusPanels
