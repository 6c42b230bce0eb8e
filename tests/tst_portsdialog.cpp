#include "PseudoTerminal.h"
#include "TestRig.h"

#include "serial/MSComm.h"
#include "setup/Form5.h"
#include "setup/PortsDialog.h"
#include "shell/Form1.h"
#include "shell/MenuCommands.h"

#include <QAction>
#include <QComboBox>
#include <QTest>
#include <termios.h>

class tst_PortsDialog : public QObject
{
    Q_OBJECT
private slots:
    void okWritesMapAndReopensChangedPort();
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

QTEST_MAIN(tst_PortsDialog)
#include "tst_portsdialog.moc"
