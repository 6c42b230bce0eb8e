#include "platform/ClockHelper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// How the program talks to the clock-setting helper, with fake helpers in its place.
class tst_ClockHelper : public QObject
{
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void foundBesideOrInLibexec();
};

void tst_ClockHelper::answers_data()
{
    QTest::addColumn<QByteArray>("script"); // the fake helper's loop body; $r is the request
    QTest::addColumn<QString>("refused");
    QTest::newRow("ok") << QByteArray("echo ok") << QString();
    QTest::newRow("refused") << QByteArray("echo 'error Operation not permitted'")
                             << QStringLiteral("Operation not permitted");
    QTest::newRow("silent") << QByteArray("read more")
                            << QStringLiteral("the helper gave no answer");
    QTest::newRow("gone") << QByteArray("exit 0") << QStringLiteral("the helper gave no answer");
    QTest::newRow("gibberish") << QByteArray("echo yes")
                               << QStringLiteral("the helper's answer was not understood");
}

void tst_ClockHelper::answers()
{
    QFETCH(QByteArray, script);
    QFETCH(QString, refused);
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("horolux-settime"));
    QFile file(program);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nwhile read r; do echo \"$r\" >>\"$0.log\"; " + script + "; done\n");
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);

    ClockHelper helper(program, 300);
    QCOMPARE(helper.setSeconds(4102444000), refused);
    QFile log(program + QStringLiteral(".log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("4102444000\n"));
    // A helper that went away is started again for the next request.
    if (refused.isEmpty())
        QCOMPARE(helper.setSeconds(4102444001), QString());
}

void tst_ClockHelper::foundBesideOrInLibexec()
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    QCOMPARE(ClockHelper::find(bin), QString());
    const QString libexec = prefix.filePath(QStringLiteral("libexec/horolux/horolux-settime"));
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(QFileInfo(libexec).path()));
    QFile::copy(QStringLiteral("/bin/true"), libexec);
    QCOMPARE(ClockHelper::find(bin), QFileInfo(libexec).canonicalFilePath());
    QFile::copy(QStringLiteral("/bin/true"), bin + QStringLiteral("/horolux-settime"));
    QCOMPARE(ClockHelper::find(bin), bin + QStringLiteral("/horolux-settime"));
}

QTEST_GUILESS_MAIN(tst_ClockHelper)
#include "tst_clockhelper.moc"
