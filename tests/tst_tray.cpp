#include "FakeSerial.h"
#include "TestRig.h"
#include "shell/Form1.h"
#include "shell/TrayIcon.h"
#include "shell/WindowVisibility.h"
#include "transmit/Form4.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QtEndian>

class tst_Tray : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void recordLayout_data();
    void recordLayout();
    void addAndRemove();
    void clicks_data();
    void clicks();
    void codeFromTwips_data();
    void codeFromTwips();
    void statusNotifierClick_data();
    void statusNotifierClick();

private:
    Form1 *form() { return m_rig->app().form1(); }
    TrayIcon &tray() { return m_rig->app().trayIcon(); }

    std::unique_ptr<TestRig> m_rig;
};

void tst_Tray::init()
{
    m_rig
        = std::make_unique<TestRig>(TestRig::defaultStart(), std::make_unique<FakeSerialFactory>());
    tray().setStatusNotifierHost(false);
}

void tst_Tray::cleanup()
{
    m_rig.reset();
}

void tst_Tray::recordLayout_data()
{
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("add") << "Horolux  " << QByteArray("Horolux  ", 9) + '\0' + QByteArray(54, ' ');
    QTest::newRow("delete") << "" << '\0' + QByteArray(63, ' ');
    QTest::newRow("63 characters") << QString(63, 'a') << QByteArray(63, 'a') + '\0';
    QTest::newRow("too long is cut") << QString(70, 'b') << QByteArray(63, 'b') + '\0';
}

void tst_Tray::recordLayout()
{
    QFETCH(QString, tip);
    QFETCH(QByteArray, field);
    const QByteArray record = TrayIcon::BuildTrayIconData(0x11223344, 1, 7, 0x200, 0xCAFEBABE, tip);
    QCOMPARE(record.size(), 88);
    const quint32 numbers[] = {88, 0x11223344, 1, 7, 0x200, 0xCAFEBABE};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(qFromLittleEndian<quint32>(record.constData() + 4 * i), numbers[i]);
    QCOMPARE(record.mid(24), field);
    QCOMPARE(TrayIcon::tipOf(record), QString::fromLatin1(field.left(field.indexOf('\0'))));
}

void tst_Tray::addAndRemove()
{
    tray().add();
    QSystemTrayIcon *icon = tray().systemTrayIcon();
    QVERIFY(icon);
    QCOMPARE(icon->toolTip(), QStringLiteral("Horolux  "));
    QCOMPARE(icon->icon().cacheKey(), m_rig->app().form4()->windowIcon().cacheKey());
    // A right click must stay a mouse code: Qt would open its own menu even while disabled.
    QVERIFY(!icon->contextMenu());
    tray().add();
    QCOMPARE(tray().systemTrayIcon(), icon);

    tray().remove();
    QVERIFY(!tray().isInstalled());
    tray().remove();
    QVERIFY(!tray().isInstalled());
}

void tst_Tray::clicks_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("shownBefore");
    QTest::addColumn<bool>("shownAfter");
    QTest::addColumn<bool>("menuOpens");
    const int single = QSystemTrayIcon::Trigger;
    const int twice = QSystemTrayIcon::DoubleClick;
    const int right = QSystemTrayIcon::Context;
    QTest::newRow("double click shows") << twice << true << false << true << false;
    QTest::newRow("double click hides") << twice << true << true << false << false;
    QTest::newRow("single click while hidden") << single << true << false << false << false;
    QTest::newRow("single click while shown") << single << true << true << true << false;
    QTest::newRow("right click") << right << true << false << false << true;
    QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << true << false << false
                                  << false;
    QTest::newRow("right click, disabled") << right << false << false << false << false;
    QTest::newRow("double click, disabled") << twice << false << false << false << false;
    QTest::newRow("double click, disabled, shown") << twice << false << true << true << false;
}

void tst_Tray::clicks()
{
    QFETCH(int, reason);
    QFETCH(bool, enabled);
    QFETCH(bool, shownBefore);
    QFETCH(bool, shownAfter);
    QFETCH(bool, menuOpens);
    tray().add();
    if (shownBefore)
        m_rig->app().windowVisibility().menuMenuHide_Click();
    form()->setEnabled(enabled);

    emit tray().systemTrayIcon()->activated(QSystemTrayIcon::ActivationReason(reason));
    QCOMPARE(form()->isVisible(), shownAfter);
    QCOMPARE(form()->menuMenuHide->text(),
        shownAfter ? QStringLiteral("&Hide Horolux") : QStringLiteral("&Show Horolux"));
    QCOMPARE(form()->menuMenuMain->isVisible(), menuOpens);
    form()->menuMenuMain->hide();
}

void tst_Tray::codeFromTwips_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<bool>("menuOpens");
    QTest::newRow("517 exactly") << 7755.0 << true;
    QTest::newRow("rounds down to 517") << 7762.0 << true;
    QTest::newRow("rounds up to 517") << 7748.0 << true;
    QTest::newRow("rounds to 518") << 7763.0 << false;
    QTest::newRow("rounds to 516") << 7747.0 << false;
    QTest::newRow("movement over the window") << 3840.0 << false;
}

void tst_Tray::codeFromTwips()
{
    QFETCH(double, x);
    form()->Form_MouseMove(0, 0, x, 0);
    QTEST(form()->menuMenuMain->isVisible(), "menuOpens");
    QVERIFY(!form()->isVisible());
    form()->menuMenuMain->hide();
}

void tst_Tray::statusNotifierClick_data()
{
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("shownBefore");
    QTest::addColumn<bool>("shownAfter");
    QTest::newRow("shows") << true << false << true;
    QTest::newRow("hides") << true << true << false;
    QTest::newRow("disabled") << false << true << true;
}

// A StatusNotifier host has no double click and shows only the menu it is given.
void tst_Tray::statusNotifierClick()
{
    QFETCH(bool, enabled);
    QFETCH(bool, shownBefore);
    tray().setStatusNotifierHost(true);
    tray().add();
    if (shownBefore)
        m_rig->app().windowVisibility().menuMenuHide_Click();
    form()->setEnabled(enabled);

    emit tray().systemTrayIcon()->activated(QSystemTrayIcon::Trigger);
    QTEST(form()->isVisible(), "shownAfter");
    QCOMPARE(tray().systemTrayIcon()->contextMenu(), form()->menuMenuMain);
    QCOMPARE(form()->menuMenuMain->isEnabled(), enabled);
}

QTEST_MAIN(tst_Tray)
#include "tst_tray.moc"
