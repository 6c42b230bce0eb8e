#include "TestRig.h"

#include "serial/SerialDevice.h"

#include "platform/Timer.h"
#include "platform/Twips.h"
#include "shell/Form1.h"
#include "shell/MenuCommands.h"
#include "shell/WindowVisibility.h"
#include "transmit/Form4.h"
#include "transmit/MonitorTextBox.h"
#include "transmit/TransmissionDisplay.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeZone>

namespace {
const QString kDesignCaption = QStringLiteral("  Simulated GPS Transmission : ");
const QString kSentence
    = QStringLiteral("$GPRMC,102530,A,3224.3425,N,09341.9247,W,0.0,000.0,071226,000.0,E*61\r\n");

QDateTime at(int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(2026, 12, 7), QTime(h, mi, s, ms), QTimeZone::utc());
}

bool showMonitor(TestRig &rig)
{
    Form4 *monitor = rig.app().form4();
    monitor->show();
    return QTest::qWaitForWindowActive(monitor);
}

// The clock box is kept only while a window shows.
void showMain(TestRig &rig)
{
    rig.app().form1()->show();
}

void tick(TestRig &rig)
{
    rig.app().transmissionDisplay().Timer4_Timer();
}
} // namespace

class tst_Monitor : public QObject
{
    Q_OBJECT
private slots:
    void countdown_data();
    void countdown();
    void hiddenMonitorIsLeftAlone();
    void clockBox_data();
    void clockBox();
    void clockBoxRestsWhileHidden_data();
    void clockBoxRestsWhileHidden();
    void ticksWithinOneSecondChangeNothing();
    void shuttingDownStopsTheDisplay();
    void timerFollowsTheClock();
    void activationDocksAndClears();
    void showingDocksBeforeAnyFocus();
    void focusRestsOnHideButton();
    void keysHide_data();
    void keysHide();
    void clicksHide();
};

void tst_Monitor::countdown_data()
{
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("kept");

    QTest::newRow("30") << 30 << 0 << true;
    QTest::newRow("31") << 31 << 59 << true;
    QTest::newRow("49") << 49 << 41 << true;
    QTest::newRow("50") << 50 << 40 << false;
    QTest::newRow("59") << 59 << 31 << false;
    QTest::newRow("0") << 0 << 30 << false;
    QTest::newRow("29") << 29 << 1 << false;
}

void tst_Monitor::countdown()
{
    QFETCH(int, second);
    QFETCH(int, count);
    QFETCH(bool, kept);
    TestRig rig(at(10, 25, 20));
    QVERIFY(showMonitor(rig));
    Form4 *monitor = rig.app().form4();
    monitor->Text1->setText(kSentence);

    rig.clock().setUtc(at(10, 26, second));
    tick(rig);

    QCOMPARE(monitor->windowTitle(),
        QStringLiteral("  Simulated GPS Transmission in %1 sec.").arg(count));
    QCOMPARE(monitor->Text1->text(), kept ? kSentence : QString());
    QCOMPARE(
        rig.m().lastDisplayTime, QStringLiteral("10:26:%1").arg(second, 2, 10, QLatin1Char('0')));
}

void tst_Monitor::hiddenMonitorIsLeftAlone()
{
    TestRig rig(at(10, 25, 50));
    showMain(rig);
    Form4 *monitor = rig.app().form4();
    monitor->Text1->setText(kSentence);
    tick(rig);
    QCOMPARE(monitor->windowTitle(), kDesignCaption);
    QCOMPARE(monitor->Text1->text(), kSentence);
    QCOMPARE(rig.app().form1()->Text1->text(), QStringLiteral("10:25:50 AM"));

    // Hidden again after a countdown: the caption keeps its last count.
    QVERIFY(showMonitor(rig));
    rig.clock().advance(1000);
    tick(rig);
    monitor->hide();
    rig.clock().advance(1000);
    tick(rig);
    QCOMPARE(monitor->windowTitle(), QStringLiteral("  Simulated GPS Transmission in 39 sec."));
}

void tst_Monitor::clockBox_data()
{
    QTest::addColumn<QDateTime>("utc");
    QTest::addColumn<int>("zoneOffset");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tip");

    QTest::newRow("morning") << at(9, 5, 7) << 0 << "9:05:07 AM"
                             << "12/07/26";
    QTest::newRow("afternoon") << at(14, 5, 9) << 0 << "2:05:09 PM"
                               << "12/07/26";
    QTest::newRow("midnight") << at(0, 0, 0) << 0 << "12:00:00 AM"
                              << "12/07/26";
    QTest::newRow("noon") << at(12, 0, 0) << 0 << "12:00:00 PM"
                          << "12/07/26";
    QTest::newRow("local new year")
        << QDateTime(QDate(2026, 12, 31), QTime(23, 30, 0), QTimeZone::utc()) << 3600
        << "12:30:00 AM"
        << "01/01/27";
}

void tst_Monitor::clockBox()
{
    QFETCH(QDateTime, utc);
    QFETCH(int, zoneOffset);
    QFETCH(QString, text);
    QFETCH(QString, tip);
    TestRig rig(utc);
    rig.clock().setTimeZone(QTimeZone(zoneOffset));
    showMain(rig);
    tick(rig);
    QCOMPARE(rig.app().form1()->Text1->text(), text);
    QCOMPARE(rig.app().form1()->Text1->toolTip(), tip);
}

void tst_Monitor::clockBoxRestsWhileHidden_data()
{
    QTest::addColumn<bool>("monitor");
    QTest::newRow("main window shown") << false;
    QTest::newRow("monitor shown") << true;
}

void tst_Monitor::clockBoxRestsWhileHidden()
{
    QFETCH(bool, monitor);
    TestRig rig(at(10, 25, 40));
    Form1 *main = rig.app().form1();
    main->Text1->setText(QStringLiteral("marker"));
    tick(rig);
    QCOMPARE(main->Text1->text(), QStringLiteral("marker"));

    // Whoever shows a window brings the box up to date first.
    rig.clock().advance(1000);
    QWidget *window = monitor ? static_cast<QWidget *>(rig.app().form4()) : main;
    if (monitor)
        rig.app().menuCommands().menuMenuTrans_Click();
    else
        rig.app().windowVisibility().menuMenuHide_Click();
    QVERIFY(window->isVisible());
    QCOMPARE(main->Text1->text(), QStringLiteral("10:25:41 AM"));
}

void tst_Monitor::ticksWithinOneSecondChangeNothing()
{
    TestRig rig(at(10, 25, 55, 100));
    QVERIFY(showMonitor(rig));
    Form4 *monitor = rig.app().form4();
    Form1 *main = rig.app().form1();
    tick(rig);
    monitor->Text1->setText(kSentence);
    monitor->setWindowTitle(QStringLiteral("marker"));
    main->Text1->setText(QStringLiteral("marker"));

    for (int i = 0; i < 8; ++i) {
        rig.clock().advance(100);
        tick(rig);
    }

    QCOMPARE(monitor->Text1->text(), kSentence);
    QCOMPARE(monitor->windowTitle(), QStringLiteral("marker"));
    QCOMPARE(main->Text1->text(), QStringLiteral("marker"));
    rig.clock().advance(100);
    tick(rig);
    QCOMPARE(main->Text1->text(), QStringLiteral("10:25:56 AM"));
}

void tst_Monitor::shuttingDownStopsTheDisplay()
{
    TestRig rig(at(10, 25, 40));
    QVERIFY(showMonitor(rig));
    tick(rig);
    rig.m().shuttingDown = true;
    rig.app().form4()->Text1->setText(kSentence);
    rig.clock().advance(15 * 1000);
    tick(rig);
    QCOMPARE(rig.app().form1()->Text1->text(), QStringLiteral("10:25:40 AM"));
    QCOMPARE(rig.app().form4()->windowTitle(),
        QStringLiteral("  Simulated GPS Transmission in 50 sec."));
    QCOMPARE(rig.app().form4()->Text1->text(), kSentence);
}

void tst_Monitor::timerFollowsTheClock()
{
    TestRig rig(at(10, 25, 40));
    Form1 *main = rig.app().form1();
    showMain(rig);
    QVERIFY(main->Timer4->Enabled());
    rig.clock().advance(1000);
    QTRY_COMPARE(main->Text1->text(), QStringLiteral("10:25:41 AM"));
    rig.clock().setUtc(at(15, 0, 0));
    QTRY_COMPARE(main->Text1->text(), QStringLiteral("3:00:00 PM"));
}

void tst_Monitor::activationDocksAndClears()
{
    TestRig rig;
    Form1 *main = rig.app().form1();
    main->setPositionTwips(1500, 3000);
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    Form4 *monitor = rig.app().form4();
    monitor->Text1->setText(kSentence);

    QVERIFY(showMonitor(rig));
    QCOMPARE(monitor->Text1->text(), QString());
    const QPoint docked(Twips::toPixels(main->leftTwips()),
        Twips::toPixels(main->topTwips() + main->heightTwips()));
    QCOMPARE(monitor->pos(), docked);

    // The main window moves: the monitor follows only at its next activation.
    main->setPositionTwips(3000, 1500);
    QTest::qWait(0);
    QCOMPARE(monitor->pos(), docked);
    monitor->Text1->setText(kSentence);
    main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main));
    monitor->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(monitor));
    QCOMPARE(monitor->Text1->text(), QString());
    QCOMPARE(monitor->pos(),
        QPoint(Twips::toPixels(main->leftTwips()),
            Twips::toPixels(main->topTwips() + main->heightTwips())));
}

void tst_Monitor::showingDocksBeforeAnyFocus()
{
    // Some window systems refuse the focus to a newly shown window: showing alone docks.
    TestRig rig;
    Form1 *main = rig.app().form1();
    main->setPositionTwips(600, 900);
    Form4 *monitor = rig.app().form4();
    monitor->Text1->setText(kSentence);
    monitor->show();
    QVERIFY(!monitor->isActiveWindow());
    QCOMPARE(monitor->Text1->text(), QString());
    QCOMPARE(monitor->pos(), QPoint(40, Twips::toPixels(900 + main->heightTwips())));
}

void tst_Monitor::focusRestsOnHideButton()
{
    TestRig rig;
    QVERIFY(showMonitor(rig));
    Form4 *monitor = rig.app().form4();
    QCOMPARE(QApplication::focusWidget(), monitor->Command1);
    monitor->Text1->setFocus(Qt::MouseFocusReason);
    QCOMPARE(QApplication::focusWidget(), monitor->Command1);
}

void tst_Monitor::keysHide_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");

    QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    QTest::newRow("space") << int(Qt::Key_Space) << int(Qt::NoModifier);
    QTest::newRow("Alt+H") << int(Qt::Key_H) << int(Qt::AltModifier);
}

void tst_Monitor::keysHide()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    TestRig rig;
    QVERIFY(showMonitor(rig));
    Form4 *monitor = rig.app().form4();
    // Through the window, so the key reaches whatever holds the focus.
    QTest::keyClick(monitor->windowHandle(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_VERIFY(!monitor->isVisible());
    QVERIFY(rig.app().isForm4Loaded());
}

void tst_Monitor::clicksHide()
{
    TestRig rig;
    Form4 *monitor = rig.app().form4();
    QVERIFY(showMonitor(rig));
    QTest::mouseClick(monitor->Text1->viewport(), Qt::LeftButton);
    QTRY_VERIFY(!monitor->isVisible());

    QVERIFY(showMonitor(rig));
    QTest::mouseClick(monitor, Qt::LeftButton, {}, QPoint(1, 1));
    QTRY_VERIFY(!monitor->isVisible());

    // The text box keeps receiving while hidden.
    monitor->Text1->setText(kSentence);
    QCOMPARE(monitor->Text1->text(), kSentence);
}

QTEST_MAIN(tst_Monitor)
#include "tst_monitor.moc"
