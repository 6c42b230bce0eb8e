#include "serial/PortMap.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {
void makeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}
} // namespace

// ports.conf as a user, an old version or a hostile neighbour may have left it.
class tst_PortMap : public QObject
{
    Q_OBJECT
private slots:
    void readsWhatIsThereAndNoMore_data();
    void readsWhatIsThereAndNoMore();
    void rewriteKeepsWhatItDoesNotKnow();
    void writeLeavesALinkAlone();
    void readsAgainOnlyWhenChanged();
    void delay_data();
    void delay();
};

void tst_PortMap::readsWhatIsThereAndNoMore_data()
{
    QTest::addColumn<QByteArray>("content"); // "fifo" makes a named pipe instead
    QTest::addColumn<QString>("device"); // null: no entry for COM1
    QTest::addColumn<QString>("told");
    QTest::newRow("fifo does not hang") << QByteArray("fifo") << QString() << "not a plain file";
    QTest::newRow("larger than 64 KiB")
        << QByteArray("[COM1]\ndevice=/dev/ttyUSB0\n") + QByteArray(65 * 1024, ';') << QString()
        << "larger than 64 KiB";
    QTest::newRow("a variant is only text")
        << QByteArray("[COM1]\ndevice=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\nQSerialPort)")
        << "@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\nQSerialPort)" << QString();
    QTest::newRow("comments, blanks, junk")
        << QByteArray("; mine\n# mine\n\njunk\n[COM1\n=x\r\n[COM1]\r\n  device = /dev/ttyS4 \r\n")
        << "/dev/ttyS4" << QString();
}

void tst_PortMap::readsWhatIsThereAndNoMore()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, device);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ports.conf"));
    if (content == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        makeFile(path, content);
    if (!told.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(told));
    const auto entry = PortMap(dir.path()).entry(1);
    QCOMPARE(entry.has_value(), !device.isNull());
    if (entry)
        QCOMPARE(entry->device, device);
}

void tst_PortMap::rewriteKeepsWhatItDoesNotKnow()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ports.conf"));
    makeFile(path,
        "[COM1]\ndevice=/dev/old\nspeed=@Variant(junk\nmine=1\n\n[COM2]\nspeed=9600\n\n"
        "[Mine]\n\"unclosed=\\x\n");
    QString why;
    QVERIFY(PortMap(dir.path()).write({{1, {QStringLiteral("/dev/new"), 4800}}}, &why));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
        QByteArray("[COM1]\nmine=1\ndevice=/dev/new\nspeed=4800\ntalker=GP\n\n"
                   "[Mine]\n\"unclosed=\\x\n"));
}

void tst_PortMap::writeLeavesALinkAlone()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("elsewhere"));
    makeFile(target, "precious");
    QVERIFY(QFile::link(target, dir.filePath(QStringLiteral("ports.conf"))));
    QString why;
    QVERIFY(!PortMap(dir.path()).write({{1, {QStringLiteral("/dev/ttyUSB0")}}}, &why));
    QVERIFY2(why.contains(QStringLiteral("symbolic link")), qPrintable(why));
    QCOMPARE(QFileInfo(target).size(), 8);
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("ports.conf"))).isSymLink());
}

void tst_PortMap::readsAgainOnlyWhenChanged()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ports.conf"));
    makeFile(path, "[COM1]\nspeed=4800\n");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime written(QDate(2024, 1, 1), QTime(12, 0));
    QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
    const PortMap map(dir.path());
    QCOMPARE(map.entry(1)->speed, 4800);
    QCOMPARE(map.entry(1)->speed, 4800);
    QCOMPARE(map.readCount(), 1);
    // Same size, same inode: only the time tells the change.
    QVERIFY(file.seek(13) && file.write("96") == 2 && file.flush());
    QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
    QCOMPARE(map.entry(1)->speed, 4800);
    QVERIFY(file.setFileTime(written.addSecs(1), QFileDevice::FileModificationTime));
    QCOMPARE(map.entry(1)->speed, 9600);
    QCOMPARE(map.readCount(), 2);
}

void tst_PortMap::delay_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("millis"); // -1: refused
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("0.080") << "0.080" << 80;
    QTest::newRow("0.5") << "0.5" << 500;
    QTest::newRow("1.000") << "1.000" << 1000;
    for (const char *bad : {"-0.1", "1.0001", "1.001", "abc", "0.5s", "1e-3", ".5", "2", ""})
        QTest::newRow(bad) << QString::fromLatin1(bad) << -1;
}

void tst_PortMap::delay()
{
    QFETCH(QString, text);
    QFETCH(int, millis);
    QTemporaryDir dir;
    makeFile(dir.filePath(QStringLiteral("ports.conf")), "[COM2]\ndelay=" + text.toLatin1());
    const auto entry = PortMap(dir.path()).entry(2);
    QCOMPARE(entry->delayMillis.value_or(-1), millis);
    QCOMPARE(entry->badDelay.isEmpty(), millis >= 0);
}

QTEST_GUILESS_MAIN(tst_PortMap)
#include "tst_portmap.moc"
