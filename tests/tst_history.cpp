#include "Fixtures.h"
#include "PseudoTerminal.h"
#include "TestRig.h"
#include "history/HistoryFeed.h"
#include "history/HistoryPlot.h"
#include "history/HistoryRecord.h"
#include "history/HistoryWindow.h"
#include "platform/ManualClock.h"
#include "setup/Form5.h"
#include "shell/Form1.h"
#include "transmit/RmcTransmitter.h"

#include <QFile>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

// The record of decodes, settings and sentences, and the plot drawn from it.
class tst_History : public QObject
{
    Q_OBJECT
private slots:
    void entriesComeBackAsWritten();
    void decodeCarriesTheStepOfItsSetting();
    void programRecordsSettingAndSentence();
    void trimKeeps_data();
    void trimKeeps();
    void crashBeforeRenameLosesNothing();
    void lineCutOffByACrashIsEnded();
    void unwritableFolderToldOnce();
    void plotShowsWhatHappened_data();
    void plotShowsWhatHappened();
    void settingsTableNewestFirstWithDrift();

private:
    static QDateTime start() { return {QDate(2026, 12, 7), QTime(10, 0), QTimeZone::utc()}; }
    static QByteArray contents(const QString &path);
};

QByteArray tst_History::contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_History::entriesComeBackAsWritten()
{
    ManualClock clock(start());
    QTemporaryDir dir;
    HistoryRecord record(dir.path(), clock);
    const qint64 now = clock.currentMSecsSinceEpoch();
    HistoryEntry set = HistoryEntry::decode({now + 123, now, true});
    set.stepMs = -123;
    record.append(set);
    record.append(HistoryEntry::decode({now + 1500, now + 2000, false}));
    record.append(HistoryEntry::sent(now + 30000, now + 30000));
    record.append(HistoryEntry::notice(now + 31000, QStringLiteral("a \"quoted\", text")));
    QVERIFY(contents(record.filePath())
                .startsWith(HistoryEntry::csvHeader()
                    + "decode,2026-12-07 "
                      "10:00:00.123,"
                      "2026-12-07 "
                      "10:00:00,A,123,"
                      "-123,\n"));
    const QList<HistoryEntry> back = record.entriesSince(0);
    QCOMPARE(back.size(), 4);
    QCOMPARE(back[0].stepMs, std::optional<qint64>(-123));
    QCOMPARE(back[1].offsetMs, qint64(-500));
    QVERIFY(!back[1].locked && !back[1].stepMs);
    QCOMPARE(back[2].kind, HistoryEntry::Kind::Sent);
    QCOMPARE(back[3].note, QStringLiteral("a \"quoted\", text"));
}

void tst_History::decodeCarriesTheStepOfItsSetting()
{
    ManualClock clock(start());
    QTemporaryDir dir;
    HistoryRecord record(dir.path(), clock);
    HistoryFeed feed(record, clock);
    const qint64 gps = clock.currentMSecsSinceEpoch() - 40;
    feed.decoded(gps, true);
    feed.clockStepped(-40);
    feed.decoded(gps + 1000, true);
    QCOMPARE(record.entriesSince(0).size(), 1);
    // Without a setting, the decode is written once the handler has returned.
    QTRY_COMPARE(record.entriesSince(0).size(), 2);
    QCOMPARE(record.entriesSince(0)[0].stepMs, std::optional<qint64>(-40));
    QVERIFY(!record.entriesSince(0)[1].stepMs);
}

void tst_History::programRecordsSettingAndSentence()
{
    TestRig rig;
    PseudoTerminal gps;
    gps.linkAsPort(rig.folder(), 3);
    rig.m().receivePort = 3;
    rig.m().transmitPort = 3;
    rig.app().form5()->setCheck1Value(0);
    openAt2400(rig.app().form5()->MSComm1, 3);
    const qint64 before = rig.clock().currentMSecsSinceEpoch();
    QTimer::singleShot(5, &rig.app(), [&gps] { gps.write(kSettableSentence); });
    rig.app().form1()->Command1_Click();
    rig.app().transmitter().TransmitRmc();
    const QList<HistoryEntry> entries = rig.app().historyRecord().entriesSince(0);
    QCOMPARE(entries.size(), 2);
    const qint64 named = kSettableUtc.toMSecsSinceEpoch();
    QCOMPARE(entries[0].gpsMs, named);
    // GPS time had moved on by the sentence's 70 characters on a 2400-baud line, 292 ms.
    QCOMPARE(entries[0].offsetMs, before - named - 292);
    QCOMPARE(entries[0].stepMs, std::optional<qint64>(named - before));
    QCOMPARE(entries[1].kind, HistoryEntry::Kind::Sent);
    QCOMPARE(entries[1].gpsMs, named);
}

void tst_History::trimKeeps_data()
{
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<int>("keptAtLeast");
    QTest::addColumn<int>("keptAtMost");
    // 100 entries an hour apart; the age limit is two days.
    QTest::newRow("by age") << qint64(1 << 20) << 48 << 49;
    QTest::newRow("by size") << qint64(2048) << 10 << 30;
}

void tst_History::trimKeeps()
{
    QFETCH(qint64, maxBytes);
    QFETCH(int, keptAtLeast);
    QFETCH(int, keptAtMost);
    ManualClock clock(start());
    QTemporaryDir dir;
    HistoryRecord record(dir.path(), clock, {2 * 24 * 3600 * 1000LL, maxBytes});
    for (int i = 0; i < 100; ++i) {
        clock.advance(3600 * 1000);
        record.append(HistoryEntry::sent(clock.currentMSecsSinceEpoch(), 0));
    }
    record.trim();
    const QList<HistoryEntry> kept = record.entriesSince(0);
    QVERIFY2(kept.size() >= keptAtLeast && kept.size() <= keptAtMost,
        qPrintable(QString::number(kept.size())));
    QCOMPARE(kept.last().computerMs, clock.currentMSecsSinceEpoch());
    QVERIFY(QFile(record.filePath()).size() <= maxBytes);
    QVERIFY(contents(record.filePath()).startsWith(HistoryEntry::csvHeader()));
    // Appending goes on in the trimmed file.
    record.append(HistoryEntry::sent(clock.currentMSecsSinceEpoch() + 1, 0));
    QCOMPARE(record.entriesSince(0).size(), kept.size() + 1);
}

void tst_History::crashBeforeRenameLosesNothing()
{
    ManualClock clock(start());
    QTemporaryDir dir;
    QByteArray before;
    {
        HistoryRecord record(dir.path(), clock, {3600 * 1000, 1 << 20});
        for (int i = 0; i < 5; ++i) {
            record.append(HistoryEntry::sent(clock.currentMSecsSinceEpoch(), 0));
            clock.advance(1800 * 1000);
        }
        QVERIFY(record.writeTrimmed());
        // The process ends here, before the rename.
        before = contents(record.filePath());
    }
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("history.csv.new"))));
    HistoryRecord again(dir.path(), clock, {3600 * 1000, 1 << 20});
    QCOMPARE(contents(again.filePath()), before);
    again.append(HistoryEntry::sent(clock.currentMSecsSinceEpoch(), 0));
    QCOMPARE(again.entriesSince(0).size(), 6);
    again.trim();
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("history.csv.new"))));
    QCOMPARE(again.entriesSince(0).size(), 3);
}

void tst_History::lineCutOffByACrashIsEnded()
{
    ManualClock clock(start());
    QTemporaryDir dir;
    QFile file(dir.filePath(HistoryRecord::fileName()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(HistoryEntry::csvHeader() + "sent,2026-12-07 09:59:30.000,2026-12-07 09:59:30,,,,\n"
        + "sent,2026-12-07 09:59:");
    file.close();
    HistoryRecord record(dir.path(), clock);
    record.append(HistoryEntry::sent(clock.currentMSecsSinceEpoch(), 0));
    QCOMPARE(record.entriesSince(0).size(), 2);
}

void tst_History::unwritableFolderToldOnce()
{
    ManualClock clock(start());
    QTemporaryDir dir;
    // A folder below a plain file cannot be made, whoever runs the test.
    QFile plain(dir.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    HistoryRecord record(plain.fileName() + QStringLiteral("/state"), clock);
    QSignalSpy told(&record, &HistoryRecord::unwritable);
    for (int i = 0; i < 3; ++i)
        record.append(HistoryEntry::sent(clock.currentMSecsSinceEpoch(), 0));
    QCOMPARE(told.size(), 1);
}

void tst_History::plotShowsWhatHappened_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("a setting is a step") << "setting" << HistoryPlot::settingColour();
    QTest::newRow("hours without a decode are a gap") << "gap" << HistoryPlot::gapColour();
    QTest::newRow("a decode without a fix") << "status V" << HistoryPlot::unlockedColour();
    QTest::newRow("a sentence sent is a tick") << "sent" << HistoryPlot::sentColour();
}

void tst_History::plotShowsWhatHappened()
{
    QFETCH(QString, place);
    QFETCH(QColor, colour);
    // A day of hourly settings, the clock 20 ms ahead at each; none from 10:00 to 13:00, a
    // decode without a fix at 16:30, a sentence each half hour.
    const qint64 day
        = QDateTime(QDate(2026, 12, 7), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    const qint64 hour = 3600 * 1000;
    QList<HistoryEntry> entries;
    for (int h = 0; h < 24; ++h) {
        if (h < 10 || h > 13) {
            HistoryEntry set = HistoryEntry::decode({day + h * hour + 20, day + h * hour, true});
            set.stepMs = -20;
            entries.append(set);
        }
        entries.append(HistoryEntry::sent(day + h * hour + hour / 2, day + h * hour + hour / 2));
        if (h == 16)
            entries.append(HistoryEntry::decode(
                {day + h * hour + hour / 2 + 10, day + h * hour + hour / 2, false}));
    }
    ManualClock clock(QDateTime::fromMSecsSinceEpoch(day + 24 * hour, QTimeZone::utc()));
    HistoryPlot plot(clock);
    plot.resize(800, 400);
    plot.setEntries(entries, day, day + 24 * hour);
    const QImage image = plot.grab().toImage();
    const HistoryPlotScale scale = plot.scale();
    const QList<double> ticks = scale.valueTicks();
    const double betweenTicks = (ticks[0] + ticks[1]) / 2;
    const QMap<QString, QPointF> at {
        {QStringLiteral("setting"), {scale.xFor(day + 5 * hour + 20), scale.yFor(10)}},
        {QStringLiteral("gap"), {scale.xFor(day + 11 * hour + hour / 2), scale.yFor(betweenTicks)}},
        {QStringLiteral("status V"), {scale.xFor(day + 16 * hour + hour / 2 + 10), scale.yFor(10)}},
        {QStringLiteral("sent"),
            {scale.xFor(day + 7 * hour + hour / 2), scale.area().bottom() + 3}},
    };
    const QPoint pixel(int(std::lround(at[place].x())), int(at[place].y()));
    QCOMPARE(image.pixelColor(pixel), colour);
}

void tst_History::settingsTableNewestFirstWithDrift()
{
    // Set at 08:00 by -30 ms, then at 10:00 by -20 ms: the clock gained 10 ms an hour.
    ManualClock clock(start().addSecs(60));
    QTemporaryDir dir;
    HistoryRecord record(dir.path(), clock);
    for (const auto &[hoursBefore, step] : {std::pair {2, -30}, std::pair {0, -20}}) {
        const qint64 at = start().addSecs(-3600 * hoursBefore).toMSecsSinceEpoch();
        HistoryEntry set = HistoryEntry::decode({at - step, at, true});
        set.stepMs = step;
        record.append(set);
    }
    const HistoryWindow window(record, clock);
    const QTableWidget *table = window.settingsTable();
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Mon 7 Dec 10:00:00"));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("-20 ms"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("+10.0 ms"));
}

QTEST_MAIN(tst_History)
#include "tst_history.moc"
