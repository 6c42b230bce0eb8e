#include "PseudoTerminal.h"
#include "TestRig.h"

#include "serial/MSComm.h"
#include "setup/Form5.h"
#include "setup/PortsDialog.h"
#include "shell/Form1.h"
#include "shell/MenuCommands.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <termios.h>

class tst_PortsDialog : public QObject
{
    Q_OBJECT
private slots:
    void okWritesMapAndReopensChangedPort();
    void delayIsCheckedBeforeSaving_data();
    void delayIsCheckedBeforeSaving();
    void gpsdRowGreysSpeed_data();
    void gpsdRowGreysSpeed();
    void gpsdListeningHereIsOffered();
};

void tst_PortsDialog::okWritesMapAndReopensChangedPort()
{
    TestRig rig;
    PseudoTerminal terminal;
    terminal.linkAsPort(rig.folder(), 3);
    MSComm &receive = rig.app().form5()->MSComm1;
    rig.m().receivePort = 3;
    QVERIFY(receive.openQuietly(3));
    Form1 *main = rig.app().form1();

    main->menuSetPorts->trigger();
    PortsDialog *dialog = rig.app().menuCommands().portsDialog();
    QVERIFY(dialog);
    QVERIFY(!main->isEnabled());
    dialog->deviceBox(3)->setEditText(terminal.slavePath());
    dialog->speedBox(3)->setCurrentText(QStringLiteral("9600"));
    dialog->accept();

    const auto entry = PortMap(rig.app().settingsDir()).entry(3);
    QVERIFY(entry);
    QCOMPARE(entry->device, terminal.slavePath());
    QCOMPARE(entry->speed, 9600);
    QVERIFY(!PortMap(rig.app().settingsDir()).entry(1));
    QVERIFY(main->isEnabled());
    QVERIFY(receive.PortOpen());
    QCOMPARE(terminal.outputSpeed(), unsigned(B9600));
    // The setup dialog's list keeps its numbers; each names its device as a tip.
    Form5 *setup = rig.app().form5();
    setup->Form_Activate();
    QCOMPARE(setup->Combo1->itemData(2, Qt::ToolTipRole).toString(), terminal.slavePath());
}

void tst_PortsDialog::delayIsCheckedBeforeSaving_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("saved"); // -1: nothing saved, the dialog stays
    QTest::newRow("0.25") << "0.25" << 250;
    QTest::newRow("empty: no delay, no entry") << "" << 0;
    QTest::newRow("1.5") << "1.5" << -1;
    QTest::newRow("0.5s") << "0.5s" << -1;
}

void tst_PortsDialog::delayIsCheckedBeforeSaving()
{
    QFETCH(QString, typed);
    QFETCH(int, saved);
    QTemporaryDir dir;
    PortsDialog dialog(dir.path());
    std::optional<QMap<int, PortMap::Entry>> applied;
    dialog.setApplyHandler([&](const QMap<int, PortMap::Entry> &entries, const QList<int> &) {
        applied = entries;
        return true;
    });
    dialog.delayEdit(2)->setText(typed);
    dialog.accept();
    QCOMPARE(applied.has_value(), saved >= 0);
    QCOMPARE(dialog.problem().contains(QStringLiteral("COM2")), saved < 0);
    if (saved > 0)
        QCOMPARE(applied->value(2).delayMillis, saved);
    if (saved == 0)
        QVERIFY(applied->isEmpty());
}

void tst_PortsDialog::gpsdRowGreysSpeed_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("speedChosen");
    QTest::newRow("gpsd") << "gpsd://127.0.0.1:2947" << false;
    QTest::newRow("serial device") << "/dev/ttyS0" << true;
}

void tst_PortsDialog::gpsdRowGreysSpeed()
{
    QFETCH(QString, device);
    QFETCH(bool, speedChosen);
    QTemporaryDir dir;
    PortsDialog dialog(dir.path());
    dialog.deviceBox(1)->setEditText(QStringLiteral("gpsd://elsewhere"));
    dialog.deviceBox(1)->setEditText(device);
    QCOMPARE(dialog.speedBox(1)->isEnabled(), speedChosen);
    QCOMPARE(dialog.speedBox(1)->toolTip().contains(QStringLiteral("gpsd reports")), !speedChosen);
}

void tst_PortsDialog::gpsdListeningHereIsOffered()
{
    QTcpServer gpsd;
    QVERIFY(gpsd.listen(QHostAddress::LocalHost));
    QTemporaryDir dir;
    PortsDialog dialog(dir.path());
    dialog.lookForGpsd(QStringLiteral("127.0.0.1"), gpsd.serverPort());
    const QString url = QStringLiteral("gpsd://127.0.0.1:%1").arg(gpsd.serverPort());
    QTRY_VERIFY(dialog.deviceBox(8)->findData(url) >= 0);
    QCOMPARE(dialog.deviceBox(8)->currentIndex(), 0);
}

QTEST_MAIN(tst_PortsDialog)
#include "tst_portsdialog.moc"
