#include "FakeSerial.h"
#include "Fixtures.h"
#include "TestRig.h"
#include "dialogs/Form9.h"
#include "setup/Form5.h"
#include "shell/DisplayBox.h"
#include "shell/Form1.h"
#include "shell/WindowVisibility.h"
#include "transmit/Form4.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace {
const QString kShowCaption = QStringLiteral("&Show Horolux");
const QString kHideCaption = QStringLiteral("&Hide Horolux");
} // namespace

class tst_Visibility : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void hidingTakesTheMonitorAlong();
    void showingIsTopmostAndReceives_data();
    void showingIsTopmostAndReceives();
    void withoutTrayTheWindowIsMinimized();
    void minimizedCountsAsHidden();
    void boxShowsTheFontSetWhileHidden();

private:
    void toggle() { m_rig->app().windowVisibility().menuMenuHide_Click(); }
    Form1 *form() { return m_rig->app().form1(); }

    FakeSerialFactory *m_ports = nullptr;
    std::unique_ptr<TestRig> m_rig;
};

void tst_Visibility::init()
{
    auto ports = std::make_unique<FakeSerialFactory>();
    m_ports = ports.get();
    m_rig = std::make_unique<TestRig>(TestRig::defaultStart(), std::move(ports));
}

void tst_Visibility::cleanup()
{
    m_rig.reset();
}

void tst_Visibility::hidingTakesTheMonitorAlong()
{
    toggle();
    m_rig->app().form4()->show();
    QVERIFY(form()->isVisible());
    QCOMPARE(form()->menuMenuHide->text(), kHideCaption);

    toggle();
    QVERIFY(!form()->isVisible());
    QVERIFY(!m_rig->app().form4()->isVisible());
    QCOMPARE(form()->menuMenuHide->text(), kShowCaption);
    QVERIFY(!form()->Text2->isEnabled());

    // Showing again brings back the main window only.
    toggle();
    QVERIFY(form()->isVisible());
    QVERIFY(!m_rig->app().form4()->isVisible());
    QCOMPARE(form()->menuMenuHide->text(), kHideCaption);
}

void tst_Visibility::showingIsTopmostAndReceives_data()
{
    QTest::addColumn<bool>("receivePortSet");
    QTest::newRow("receive port set") << true;
    QTest::newRow("no receive port") << false;
}

void tst_Visibility::showingIsTopmostAndReceives()
{
    QFETCH(bool, receivePortSet);
    FakePort &port = m_ports->port(3);
    Form5 *form5 = m_rig->app().form5();
    form5->MSComm1.setCommPort(3);
    form5->MSComm1.setPortOpen(true);
    form()->menuSetRcv->setChecked(receivePortSet);
    m_rig->m().receivePort = receivePortSet ? 3 : 0;
    // The receiver speaks only once the search has started listening.
    QTimer::singleShot(0, form(), [&port] { port.input = kExampleSentence; });

    toggle();
    QVERIFY(form()->isVisible());
    QVERIFY(form()->windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(form()->menuMenuHide->text(), kHideCaption);
    if (receivePortSet) {
        QCOMPARE(form()->Text2->text(), QStringLiteral("12:35 PM"));
        QVERIFY(form()->Text2->isEnabled());
        QCOMPARE(m_rig->m().gpsHour, qint16(12));
    } else {
        QVERIFY(form()->Text2->text().isEmpty());
        QCOMPARE(m_rig->m().gpsHour, qint16(0));
    }
}

void tst_Visibility::withoutTrayTheWindowIsMinimized()
{
    m_rig->app().setNotificationArea(false);
    toggle();
    toggle();
    QVERIFY(form()->isMinimized());
    QVERIFY(!WindowVisibility::isShown(form()));
    QCOMPARE(form()->menuMenuHide->text(), kShowCaption);

    toggle();
    QVERIFY(WindowVisibility::isShown(form()));
    QVERIFY(!form()->isMinimized());
    QCOMPARE(form()->menuMenuHide->text(), kHideCaption);
}

void tst_Visibility::minimizedCountsAsHidden()
{
    m_rig->app().setNotificationArea(false);
    toggle();
    toggle();
    Form5 *form5 = m_rig->app().form5();
    form5->MSComm1.setCommPort(3);
    form5->MSComm1.setPortOpen(true);
    form()->menuSetRcv->setChecked(true);
    m_rig->m().lastClockText = QStringLiteral("10:25:58");
    m_rig->clock().setUtc(TestRig::defaultStart().addSecs(19)); // 10:25:59
    m_rig->runClock(); // a search that should not run still ends
    form()->Timer1_Timer();
    m_rig->stopClock();
    QVERIFY(form()->Text2->text().isEmpty()); // no second-59 refresh

    // Nor is it brought forward when the About window closes.
    m_rig->app().form9()->showAbout();
    QVERIFY(QTest::qWaitForWindowActive(m_rig->app().form9()));
    QTest::mouseClick(m_rig->app().form9(), Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(!form()->isActiveWindow());
}

void tst_Visibility::boxShowsTheFontSetWhileHidden()
{
    // Its text is laid out in that font once shown, as a plain line edit's is at once.
    DisplayBox box(nullptr);
    QLineEdit plain;
    for (QLineEdit *edit : {static_cast<QLineEdit *>(&box), &plain}) {
        edit->setText(QStringLiteral("12:34:56"));
        edit->setFont(QFont(QApplication::font().family(), 30));
        edit->show();
    }
    QCOMPARE(
        box.inputMethodQuery(Qt::ImCursorRectangle), plain.inputMethodQuery(Qt::ImCursorRectangle));
}

QTEST_MAIN(tst_Visibility)
#include "tst_visibility.moc"
