#include "common/Pictures.h"

#include <QTest>

namespace {
// The icon's picture of that size, empty when the size is only scaled from another.
QPixmap drawn(const QIcon &icon, int size)
{
    return icon.availableSizes().contains(QSize(size, size)) ? icon.pixmap(QSize(size, size))
                                                             : QPixmap();
}
} // namespace

// The pictures come from files compiled into the program: a file left out of the resource list,
// or a registration the linker dropped, shows as an empty picture.
class tst_Icons : public QObject
{
    Q_OBJECT
private slots:
    void everyPictureLoadsAtItsSize_data();
    void everyPictureLoadsAtItsSize();
};

void tst_Icons::everyPictureLoadsAtItsSize_data()
{
    QTest::addColumn<QPixmap>("picture");
    QTest::addColumn<int>("size");
    for (int i = 0; i < 4; ++i)
        QTest::addRow("message %d", i) << Pictures::messageIcon(i) << 48;
    QTest::newRow("lock empty") << Pictures::lockEmpty() << 16;
    QTest::newRow("lock ticked") << Pictures::lockTicked() << 16;
    for (int size : {32, 16})
        QTest::addRow("main window %d", size) << drawn(Pictures::mainWindowIcon(), size) << size;
    // Also the tray icon: trays ask for these sizes, each drawn, none scaled.
    for (int size : {16, 22, 24, 32, 48})
        QTest::addRow("transmission %d", size)
            << drawn(Pictures::transmissionWindowIcon(), size) << size;
}

void tst_Icons::everyPictureLoadsAtItsSize()
{
    QFETCH(QPixmap, picture);
    QFETCH(int, size);
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), QSize(size, size));
}

QTEST_MAIN(tst_Icons)
#include "tst_icons.moc"
