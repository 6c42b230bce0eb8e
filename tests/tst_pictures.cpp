#include "common/Pictures.h"

#include <QImage>
#include <QSet>
#include <QTest>

// The program's pictures keep to the classic sixteen colours with hard edges: no blended pixels
// from antialiasing or smooth scaling.
class tst_Pictures : public QObject
{
    Q_OBJECT
private slots:
    void onlyVgaColoursAndHardEdges_data();
    void onlyVgaColoursAndHardEdges();
};

void tst_Pictures::onlyVgaColoursAndHardEdges_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<int>("size");
    const char *const messageNames[] = {"critical", "warning", "question", "information"};
    for (int i = 0; i < 4; ++i)
        QTest::newRow(messageNames[i]) << Pictures::messageIcon(i).toImage() << 48;
    QTest::newRow("lock empty") << Pictures::lockEmpty().toImage() << 16;
    QTest::newRow("lock ticked") << Pictures::lockTicked().toImage() << 16;
    for (int size : {32, 16})
        QTest::addRow("main window %d", size)
            << Pictures::mainWindowIcon().pixmap(QSize(size, size)).toImage() << size;
    // Also the tray icon: trays ask for these sizes.
    for (int size : {16, 22, 24, 32, 48})
        QTest::addRow("transmission %d", size)
            << Pictures::transmissionWindowIcon().pixmap(QSize(size, size)).toImage() << size;
}

void tst_Pictures::onlyVgaColoursAndHardEdges()
{
    static const QSet<QRgb> vga {0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080,
        0xff800080, 0xff008080, 0xffc0c0c0, 0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00,
        0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};
    QFETCH(QImage, image);
    QFETCH(int, size);
    QCOMPARE(image.size(), QSize(size, size));
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    int drawn = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb p = pixels.pixel(x, y);
            if (qAlpha(p) == 0)
                continue;
            QVERIFY2(vga.contains(p),
                qPrintable(QStringLiteral("pixel %1,%2 = %3")
                               .arg(x)
                               .arg(y)
                               .arg(p, 8, 16, QLatin1Char('0'))));
            ++drawn;
        }
    }
    QVERIFY(drawn > size * size / 8);
}

QTEST_MAIN(tst_Pictures)
#include "tst_pictures.moc"
