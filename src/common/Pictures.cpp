#include "Pictures.h"

#include <QImage>
#include <cmath>
#include <functional>

namespace Pictures {

namespace {
// The sixteen colours of the classic VGA palette; nothing else is ever drawn.
constexpr QRgb kBlack = 0xff000000;
constexpr QRgb kMaroon = 0xff800000;
constexpr QRgb kNavy = 0xff000080;
constexpr QRgb kSilver = 0xffc0c0c0;
constexpr QRgb kGrey = 0xff808080;
constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kYellow = 0xffffff00;
constexpr QRgb kBlue = 0xff0000ff;
constexpr QRgb kWhite = 0xffffffff;

// A shape as the set of pixels whose centres it covers.
using Shape = std::function<bool(double x, double y)>;

QImage canvas(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

bool covers(const Shape &shape, int x, int y)
{
    return shape(x + 0.5, y + 0.5);
}

// Fills the shape; with an outline colour its edge pixels take that colour instead.
void paint(QImage &image, const Shape &shape, QRgb fill, QRgb outline = 0)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!covers(shape, x, y))
                continue;
            const bool edge = !covers(shape, x - 1, y) || !covers(shape, x + 1, y)
                || !covers(shape, x, y - 1) || !covers(shape, x, y + 1);
            image.setPixel(x, y, edge && outline ? outline : fill);
        }
    }
}

Shape disc(double cx, double cy, double r)
{
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) <= r; };
}

Shape ellipse(double cx, double cy, double rx, double ry)
{
    return [=](double x, double y) { return std::hypot((x - cx) / rx, (y - cy) / ry) <= 1.0; };
}

Shape box(int left, int top, int width, int height)
{
    return [=](double x, double y) {
        return x >= left && x < left + width && y >= top && y < top + height;
    };
}

// A triangle standing on its base, symmetric about cx.
Shape triangle(double cx, double top, double bottom, double halfBase)
{
    return [=](double x, double y) {
        if (y < top || y > bottom)
            return false;
        return std::abs(x - cx) <= halfBase * (y - top) / (bottom - top) + 0.5;
    };
}

Shape shifted(const Shape &shape, double dx, double dy)
{
    return [=](double x, double y) { return shape(x - dx, y - dy); };
}

Shape united(const Shape &a, const Shape &b)
{
    return [=](double x, double y) { return a(x, y) || b(x, y); };
}

// Rows of '#' and '.', each '#' drawn as a scale x scale block.
void glyph(QImage &image, std::initializer_list<const char *> rows, int left, int top, int scale,
    QRgb colour)
{
    int y = top;
    for (const char *row : rows) {
        for (int col = 0; row[col]; ++col) {
            if (row[col] == '#')
                paint(image, box(left + col * scale, y, scale, scale), colour);
        }
        y += scale;
    }
}

QImage critical()
{
    QImage image = canvas(48);
    const Shape face = disc(24, 24, 20);
    paint(image, shifted(face, 2, 2), kGrey);
    paint(image, face, kRed, kMaroon);
    // The cross: two diagonal bars through the centre.
    paint(
        image,
        [](double x, double y) {
            const double u = (x - 24) - (y - 24), v = (x - 24) + (y - 24);
            return (std::abs(u) <= 3 && std::abs(v) <= 20)
                || (std::abs(v) <= 3 && std::abs(u) <= 20);
        },
        kWhite);
    return image;
}

QImage warning()
{
    QImage image = canvas(48);
    const Shape sign = triangle(24, 3, 43, 22);
    paint(image, shifted(sign, 2, 2), kGrey);
    paint(image, sign, kYellow, kBlack);
    paint(image, box(22, 15, 4, 13), kBlack);
    paint(image, box(23, 28, 2, 3), kBlack);
    paint(image, box(22, 34, 4, 4), kBlack);
    return image;
}

// A speech bubble with its tail at the lower left.
QImage bubble()
{
    QImage image = canvas(48);
    const Shape tail = [](double x, double y) {
        const double t = (y - 30) / 14;
        return t >= 0 && t <= 1 && x >= 13 - 5 * t && x <= 22 - 14 * t;
    };
    const Shape shape = united(ellipse(24, 20, 21, 16), tail);
    paint(image, shifted(shape, 2, 2), kGrey);
    paint(image, shape, kWhite, kBlack);
    return image;
}

QImage question()
{
    QImage image = bubble();
    glyph(image,
        {"..####..", ".##..##.", ".##..##.", ".....##.", "....##..", "...##...", "...##...",
            "...##...", "........", "...##...", "...##..."},
        16, 9, 2, kBlue);
    return image;
}

QImage information()
{
    QImage image = bubble();
    glyph(image,
        {"..##..", "..##..", "......", ".###..", "..##..", "..##..", "..##..", "..##..", "..##..",
            "..##..", ".####."},
        18, 9, 2, kBlue);
    return image;
}

// A clock face with a small satellite above its right shoulder.
QImage mainWindow32()
{
    QImage image = canvas(32);
    paint(image, disc(13, 19, 12.5), kNavy, kBlack);
    paint(image, disc(13, 19, 10.5), kWhite);
    for (const QPoint tick : {QPoint(12, 9), QPoint(12, 27), QPoint(3, 18), QPoint(21, 18)})
        paint(image, box(tick.x(), tick.y(), 2, 2), kBlack);
    paint(image, box(12, 11, 2, 9), kBlack);
    paint(image, box(12, 18, 8, 2), kBlack);
    paint(image, box(12, 18, 2, 2), kRed);
    paint(image, box(18, 1, 4, 4), kBlue, kNavy);
    paint(image, box(22, 2, 1, 2), kGrey);
    paint(image, box(23, 0, 4, 6), kYellow, kBlack);
    paint(image, box(27, 2, 1, 2), kGrey);
    paint(image, box(28, 1, 4, 4), kBlue, kNavy);
    return image;
}

QImage mainWindow16()
{
    QImage image = canvas(16);
    paint(image, disc(7.5, 8.5, 6.5), kNavy);
    paint(image, disc(7.5, 8.5, 5.5), kWhite);
    for (const QPoint tick : {QPoint(7, 3), QPoint(7, 13), QPoint(2, 8), QPoint(12, 8)})
        image.setPixel(tick, kBlack);
    paint(image, box(7, 4, 1, 5), kBlack);
    paint(image, box(7, 8, 4, 1), kBlack);
    image.setPixel(7, 8, kRed);
    paint(image, box(10, 1, 2, 1), kBlue);
    paint(image, box(12, 0, 2, 3), kGrey);
    paint(image, box(14, 1, 2, 1), kBlue);
    return image;
}

// Arcs around (cx, cy) facing up and to the right.
Shape waves(double cx, double cy, std::initializer_list<double> radii, double width)
{
    return [=](double x, double y) {
        const double dx = x - cx, dy = cy - y;
        const double r = std::hypot(dx, dy);
        if (r == 0 || (dx + dy) / (r * std::sqrt(2.0)) < std::cos(0.7))
            return false;
        for (double radius : radii)
            if (std::abs(r - radius) <= width / 2)
                return true;
        return false;
    };
}

// A dish seen from the side, facing up and to the right: its rim as an ellipse across that
// direction and the bowl bulging out behind it.
Shape dishRim(double cx, double cy, double a, double b)
{
    return [=](double x, double y) {
        const double along = ((x - cx) + (y - cy)) / std::sqrt(2.0);
        const double facing = ((x - cx) - (y - cy)) / std::sqrt(2.0);
        return std::hypot(along / a, facing / b) <= 1.0;
    };
}

Shape dishBowl(double cx, double cy, double a, double b)
{
    return [=](double x, double y) {
        const double facing = ((x - cx) - (y - cy)) / std::sqrt(2.0);
        return facing <= 0 && dishRim(cx, cy, a, b)(x, y);
    };
}

// A dish on a stand sending waves up and to the right.
QImage transmission32()
{
    QImage image = canvas(32);
    paint(image, box(6, 22, 3, 7), kGrey, kBlack);
    paint(image, box(2, 28, 11, 3), kGrey, kBlack);
    paint(image, dishBowl(11, 20, 10.5, 8), kGrey, kBlack);
    paint(image, dishRim(11, 20, 10.5, 3.5), kWhite, kBlack);
    for (int i = 0; i < 6; ++i)
        image.setPixel(11 + i, 19 - i, kBlack);
    paint(image, box(16, 12, 3, 3), kRed, kMaroon);
    paint(image, waves(17.5, 13.5, {6, 10, 14}, 1.8), kRed);
    return image;
}

QImage transmission16()
{
    QImage image = canvas(16);
    paint(image, box(3, 11, 2, 4), kGrey);
    paint(image, box(1, 14, 6, 2), kBlack);
    paint(image, dishBowl(5.5, 10.5, 5.5, 4), kGrey, kBlack);
    paint(image, dishRim(5.5, 10.5, 5.5, 1.5), kWhite, kBlack);
    for (int i = 0; i < 3; ++i)
        image.setPixel(6 + i, 9 - i, kBlack);
    paint(image, box(8, 6, 2, 2), kRed);
    paint(image, waves(9, 7, {3.5, 6.5}, 1.3), kRed);
    return image;
}

// A sunken check box, empty or ticked.
QImage checkBox(bool ticked)
{
    QImage image = canvas(16);
    paint(image, box(1, 1, 13, 13), kWhite);
    paint(image, box(1, 1, 12, 12), kGrey);
    paint(image, box(2, 2, 11, 11), kSilver);
    paint(image, box(2, 2, 10, 10), kBlack);
    paint(image, box(3, 3, 9, 9), kWhite);
    if (ticked) {
        glyph(image, {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."},
            4, 4, 1, kBlack);
    }
    return image;
}

QIcon twoSizes(const QImage &large, const QImage &small)
{
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(large));
    icon.addPixmap(QPixmap::fromImage(small));
    return icon;
}
} // namespace

QIcon mainWindowIcon()
{
    return twoSizes(mainWindow32(), mainWindow16());
}

QIcon transmissionWindowIcon()
{
    // The sizes not drawn are scaled from the nearest drawing, pixel by pixel (hard edges).
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) {
        const QImage drawn = size < 22 ? transmission16() : transmission32();
        icon.addPixmap(QPixmap::fromImage(drawn.scaled(size, size)));
    }
    return icon;
}

QPixmap lockEmpty()
{
    return QPixmap::fromImage(checkBox(false));
}

QPixmap lockTicked()
{
    return QPixmap::fromImage(checkBox(true));
}

QPixmap messageIcon(int index)
{
    switch (index) {
    case 0:
        return QPixmap::fromImage(critical());
    case 1:
        return QPixmap::fromImage(warning());
    case 2:
        return QPixmap::fromImage(question());
    default:
        return QPixmap::fromImage(information());
    }
}

} // namespace Pictures
