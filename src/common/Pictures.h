#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own images in the classic 16-colour style, from resources/icons.
namespace Pictures {

QIcon mainWindowIcon(); // 32 x 32 and 16 x 16
// Also the tray icon, so it comes at 16, 22, 24, 32 and 48 pixels: trays ask for any of them.
// Every call returns the same icon (one cache key).
QIcon transmissionWindowIcon();
QPixmap lockEmpty(); // 16 x 16: an empty box
QPixmap lockTicked(); // 16 x 16: the box with a tick
// 48 x 48: 0 critical, 1 warning, 2 question, 3 information.
QPixmap messageIcon(int index);

} // namespace Pictures
