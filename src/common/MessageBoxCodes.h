#pragma once

#include <QtGlobal>

// The codes of the program's message box: which icon it shows, which buttons it offers and what
// the user answered (left in Module1::messageBoxResult).
namespace MessageBox {

enum Icon { Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
// Any other button code offers Yes and No.
enum Buttons { OkOnly = 0, YesNoCancel = 3, YesNo = 4 };
enum Answer : qint16 { Cancel = 2, Yes = 6, No = 7 };

} // namespace MessageBox
