#pragma once

#include <QString>
#include <array>

class QLineEdit;
struct Module1;

// The main window's two status panels name the receive and the transmit port.
namespace StatusPanels {

// "Receive : Comm Port n" for ports 1 to 8, else "Receive : Not Selected".
QString receiveText(int port);
// "Transmit : Comm Port n" for ports 1 to 8, else "Transmit : Not Selected".
QString transmitText(int port);
// Writes a panel so that it shows the start of its text, also when the text is the same:
// QLineEdit::setText moves the cursor to the end even then.
void show(QLineEdit *panel, const QString &text);
// Rewrites the receive panel, then the transmit panel.
void write(const std::array<QLineEdit *, 2> &panels, const Module1 &m);

} // namespace StatusPanels
