#include "Pictures.h"

#include <QImageReader>

// The pictures are compiled into the static library; nothing else refers to their registration,
// so the linker would drop it without this call. Q_INIT_RESOURCE may not stand in a namespace.
static void registerPictures()
{
    Q_INIT_RESOURCE(icons);
}

namespace Pictures {

namespace {
QPixmap picture(const QString &name)
{
    static const bool registered = (registerPictures(), true);
    Q_UNUSED(registered);
    // Qt's own PNG decoder, named: guessing the format would load every image format plugin
    // (and their libraries) at start-up just to ask each whether it reads PNG.
    QImageReader reader(QStringLiteral(":/icons/") + name + QStringLiteral(".png"), "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QIcon icon(const QString &name, std::initializer_list<int> sizes)
{
    QIcon result;
    for (int size : sizes)
        result.addPixmap(picture(name + QLatin1Char('-') + QString::number(size)));
    return result;
}
} // namespace

QIcon mainWindowIcon()
{
    return icon(QStringLiteral("horolux"), {32, 16});
}

QIcon transmissionWindowIcon()
{
    // One icon for the window and the tray, made once: the tray shows it without the window.
    static const QIcon shared = icon(QStringLiteral("transmission"), {16, 22, 24, 32, 48});
    return shared;
}

QPixmap lockEmpty()
{
    return picture(QStringLiteral("lock-empty"));
}

QPixmap lockTicked()
{
    return picture(QStringLiteral("lock-ticked"));
}

QPixmap messageIcon(int index)
{
    switch (index) {
    case 0:
        return picture(QStringLiteral("message-critical"));
    case 1:
        return picture(QStringLiteral("message-warning"));
    case 2:
        return picture(QStringLiteral("message-question"));
    default:
        return picture(QStringLiteral("message-information"));
    }
}

} // namespace Pictures
