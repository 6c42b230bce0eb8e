#include "Fixtures.h"
#include "receive/RmcDecoder.h"
#include "receive/RmcHeadMatcher.h"
#include "receive/RmcLineCollector.h"

#include <QRandomGenerator>
#include <QTest>

class tst_Decoder : public QObject
{
    Q_OBJECT
private slots:
    void decodesLines_data();
    void decodesLines();
    void checksums_data();
    void checksums();
    void conversions_data();
    void conversions();
    void exactDigits_data();
    void exactDigits();
    void headMatcherFindsHeadAcrossReads_data();
    void headMatcherFindsHeadAcrossReads();
    void headMatcherStaysSmallUnderFlood();
    void lineCollectorStopsAtFirstCrLf();
    void mutatedSentencesNeverBreakTheDecoder();
};

void tst_Decoder::decodesLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("converted");
    QTest::addColumn<QString>("timeText");
    QTest::addColumn<QString>("dateText");
    QTest::addColumn<QString>("display");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<int>("year");

    const QByteArray tail = ",4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";
    QTest::newRow("example") << "123519,A" + tail + "*6A\r" << true << 3 << "12:35:19"
                             << "03/23/94"
                             << "12:35 PM" << true << 2094;
    QTest::newRow("void fix") << "123519,V" + tail + "*7D\r" << true << 3 << "12:35:19"
                              << "03/23/94"
                              << "12:35 PM" << false << 2094;
    QTest::newRow("midnight") << "000000,A" + tail + "*67\r" << true << 3 << "00:00:00"
                              << "03/23/94"
                              << "12:00 AM" << true << 2094;
    QTest::newRow("last second") << "235959.00,A" + tail + "*48\r" << true << 3 << "23:59:59"
                                 << "03/23/94"
                                 << "11:59 PM" << true << 2094;
    QTest::newRow("evening") << "210509,A" + tail + "*68\r" << true << 3 << "21:05:09"
                             << "03/23/94"
                             << "9:05 PM" << true << 2094;
    QTest::newRow("leading-number date")
        << QByteArray("123519,A,1,N,2,E,3,4,2208-1,,*30\r") << true << 3 << "12:35:19"
        << "08/22/00"
        << "12:35 PM" << true << 2000;
    QTest::newRow("empty date") << QByteArray("123519,A,,,,,,,,,*2B\r") << true << 3 << "12:35:19"
                                << "00/00/00"
                                << "12:35 PM" << true << 2000;
    QTest::newRow("empty time") << ",V" + tail + "*70\r" << false << 0 << ""
                                << ""
                                << "" << false << 0;
    QTest::newRow("letters in minute") << "12a519,A" + tail + "*38\r" << false << 1 << ""
                                       << ""
                                       << "" << false << 0;
    QTest::newRow("hour 25") << "253519,A" + tail + "*6E\r" << false << 3 << "25:35:19"
                             << "03/23/94"
                             << "" << true << 2094;
    QTest::newRow("seven commas") << QByteArray("123519,A,1,N,2,E,3,230394\r") << false << 0 << ""
                                  << ""
                                  << "" << false << 0;
    QTest::newRow("nothing") << QByteArray() << false << 0 << ""
                             << ""
                             << "" << false << 0;
    QTest::newRow("NUL bytes") << QByteArray("12\0"
                                             "519,A,,,,,,,,\r",
        16) << false << 1 << ""
                               << ""
                               << "" << false << 0;
}

void tst_Decoder::decodesLines()
{
    QFETCH(QByteArray, line);
    const RmcDecode d = RmcDecoder::decode(RmcHeadMatcher::kHead, line);
    QTEST(d.complete, "complete");
    QTEST(d.timeFieldsConverted, "converted");
    QTEST(d.timeText, "timeText");
    QTEST(d.dateText, "dateText");
    QTEST(d.displayText, "display");
    if (d.timeFieldsConverted == 3) {
        QTEST(d.locked, "locked");
        QTEST(d.year, "year");
    }
}

void tst_Decoder::checksums_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("accepted");
    const QByteArray gp = "GPRMC,";
    const QByteArray line = "123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W";
    QTest::newRow("true") << gp << line + "*6A\r" << true;
    QTest::newRow("lower case") << gp << line + "*6a\r" << true;
    QTest::newRow("none") << gp << line + "\r" << true;
    QTest::newRow("hour 12 read as 17") << gp << "17" + line.sliced(2) + "*6A\r" << false;
    QTest::newRow("talker counts") << QByteArray("GNRMC,") << line + "*6A\r" << false;
    QTest::newRow("one digit") << gp << line + "*6\r" << false;
    QTest::newRow("not hex") << gp << line + "*6G\r" << false;
}

void tst_Decoder::checksums()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, line);
    QTEST(RmcDecoder::decode(head, line).complete, "accepted");
}

void tst_Decoder::conversions_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("integer"); // -999 = no number
    QTest::addColumn<int>("leading");
    QTest::newRow("digits") << QByteArray("07") << 7 << 7;
    QTest::newRow("blank first") << QByteArray(" 7") << 7 << 7;
    QTest::newRow("letters") << QByteArray("ab") << -999 << 0;
    QTest::newRow("digit then letter") << QByteArray("1a") << -999 << 1;
    QTest::newRow("sign") << QByteArray("-1") << -1 << 0;
    QTest::newRow("fraction rounds to even") << QByteArray("2.5") << 2 << 2;
    QTest::newRow("empty") << QByteArray() << -999 << 0;
    QTest::newRow("point alone") << QByteArray(".") << -999 << 0;
}

void tst_Decoder::conversions()
{
    QFETCH(QByteArray, text);
    QTEST(RmcDecoder::toInteger(text).value_or(-999), "integer");
    QTEST(RmcDecoder::leadingNumber(text), "leading");
}

void tst_Decoder::exactDigits_data()
{
    QTest::addColumn<QByteArray>("time");
    QTest::addColumn<QByteArray>("date");
    QTest::addColumn<bool>("exact");
    QTest::newRow("six digits") << QByteArray("123519") << QByteArray("230394") << true;
    QTest::newRow("with a fraction") << QByteArray("123519.00") << QByteArray("230394") << true;
    QTest::newRow("hour +5") << QByteArray("+51519") << QByteArray("230394") << false;
    QTest::newRow("hour 1.") << QByteArray("1.3519") << QByteArray("230394") << false;
    QTest::newRow("blank first") << QByteArray(" 12351") << QByteArray("230394") << false;
    QTest::newRow("point, no fraction") << QByteArray("123519.") << QByteArray("230394") << false;
    QTest::newRow("five digits") << QByteArray("12351") << QByteArray("230394") << false;
    QTest::newRow("seven digits") << QByteArray("1235190") << QByteArray("230394") << false;
    QTest::newRow("letter in date") << QByteArray("123519") << QByteArray("3x0226") << false;
    QTest::newRow("short date") << QByteArray("123519") << QByteArray("23039") << false;
    QTest::newRow("long date") << QByteArray("123519") << QByteArray("2303940") << false;
}

void tst_Decoder::exactDigits()
{
    QFETCH(QByteArray, time);
    QFETCH(QByteArray, date);
    QFETCH(bool, exact);
    const QByteArray line = time + ",A,4807.038,N,01131.000,E,022.4,084.4," + date + ",003.1,W\r";
    QCOMPARE(RmcDecoder::decode("GPRMC,", line).exactDigits, exact);
}

void tst_Decoder::headMatcherFindsHeadAcrossReads_data()
{
    QTest::addColumn<bool>("anyTalker");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("head"); // empty: never found
    const QByteArray mixed = "$GNRMC,gprmc,$GPRMC,";
    QTest::newRow("GP only") << false << mixed << QByteArray("GPRMC,");
    QTest::newRow("GN never by default") << false << QByteArray("$GNRMC,$GLRMC,") << QByteArray();
    QTest::newRow("any finds GN") << true << mixed << QByteArray("GNRMC,");
    QTest::newRow("any wants capitals") << true << QByteArray("$gnRMC,$G1RMC,RMC,") << QByteArray();
}

void tst_Decoder::headMatcherFindsHeadAcrossReads()
{
    QFETCH(bool, anyTalker);
    QFETCH(QByteArray, text);
    RmcHeadMatcher head(anyTalker);
    for (char c : text)
        head.feed(QByteArrayView(&c, 1));
    QTEST(head.head(), "head");
}

void tst_Decoder::headMatcherStaysSmallUnderFlood()
{
    RmcHeadMatcher head;
    const QByteArray junk(1 << 20, 'G');
    QVERIFY(!head.feed(junk));
    QVERIFY(!head.feed("PRMC"));
    QVERIFY(head.feed(","));
}

void tst_Decoder::lineCollectorStopsAtFirstCrLf()
{
    RmcLineCollector line;
    line.feed("1235\r19,A\r");
    QVERIFY(!line.complete());
    line.feed("\nrest\r\n");
    QVERIFY(line.complete());
    QCOMPARE(line.line(), QByteArray("1235\r19,A\r"));

    RmcLineCollector endless;
    endless.feed(QByteArray(RmcLineCollector::kMaxKept * 4, ','));
    endless.feed("\r\n");
    QVERIFY(endless.complete());
    QCOMPARE(endless.line().size(), RmcLineCollector::kMaxKept);
}

void tst_Decoder::mutatedSentencesNeverBreakTheDecoder()
{
    // Seeded, so a failure names a reproducible case.
    QRandomGenerator random(20261207);
    const QByteArray sentence = kExampleSentence;
    for (int round = 0; round < 20000; ++round) {
        QByteArray text = sentence;
        const int edits = 1 + int(random.bounded(6));
        for (int e = 0; e < edits; ++e) {
            const int at = int(random.bounded(text.size() + 1));
            switch (random.bounded(3)) {
            case 0:
                text.insert(at, char(random.bounded(256)));
                break;
            case 1:
                text.remove(at, 1 + int(random.bounded(4)));
                break;
            default:
                if (at < text.size())
                    text[at] = char(random.bounded(256));
            }
        }
        RmcHeadMatcher head;
        RmcLineCollector line;
        for (char c : text) {
            if (!head.found())
                head.feed(QByteArrayView(&c, 1));
            else
                line.feed(QByteArrayView(&c, 1));
        }
        const RmcDecode d = RmcDecoder::decode(head.head(), line.line());
        // Whatever decodes carries no checksum or its true one: XOR from after "$" to "*".
        const qsizetype star = line.line().indexOf('*');
        if (d.complete && star >= 0) {
            quint8 sum = 0;
            for (char c : "GPRMC," + line.line().first(star))
                sum ^= quint8(c);
            const QByteArray hex = QByteArray::number(sum, 16).rightJustified(2, '0');
            QCOMPARE(line.line().sliced(star).toUpper(), ('*' + hex + '\r').toUpper());
        }
        if (d.complete) {
            QVERIFY2(QTime(d.hour, d.minute, d.second).isValid(), text.toHex().constData());
            QVERIFY(d.year >= 2000 && d.year <= 2099);
            QVERIFY(!d.displayText.isEmpty());
        }
    }
}

QTEST_GUILESS_MAIN(tst_Decoder)
#include "tst_decoder.moc"
