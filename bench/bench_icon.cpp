// Renders the main window's icon into the PNG that desktop menus show for the installed program
// (resources/horolux.png by default). The 32 x 32 picture is enlarged by whole pixels, so its
// sixteen-colour drawing stays sharp. Run from the source folder: bench_icon [output.png]
#include "common/Pictures.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString output
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources/horolux.png");
    constexpr int kDrawn = 32;
    constexpr int kShown = 128;
    const QImage drawn = Pictures::mainWindowIcon().pixmap(kDrawn, kDrawn).toImage();
    if (drawn.size() != QSize(kDrawn, kDrawn)) {
        std::fprintf(stderr, "the icon has no %d x %d picture\n", kDrawn, kDrawn);
        return 1;
    }
    const QImage shown = drawn.convertToFormat(QImage::Format_ARGB32)
                             .scaled(kShown, kShown, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!shown.save(output, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s: %d x %d\n", qPrintable(output), kShown, kShown);
    return 0;
}
