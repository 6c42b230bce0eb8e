#pragma once

#include <QFont>

class QWidget;

// Keeps every text inside the box the layout gave its control, whatever face the desktop has:
// a face wider than the one the layout was drawn for gets a smaller size, chosen from its
// metrics, down from the size the program asked for.
namespace TextFit {

// Fits the control now and again whenever its text, font, size or style changes. A font set by
// the program is the designed one: the fitted size never exceeds it.
void keep(QWidget *control);
// keep() for every control of a window that shows a text.
void keepAll(QWidget *window);
// Fits again after a write the control does not signal (a label's new text).
void refit(QWidget *control);
// Whether the control's whole text fits its box when drawn in this font.
bool fits(const QWidget *control, const QFont &font);

} // namespace TextFit
