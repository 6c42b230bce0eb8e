#include "FakeRig.h"
#include "Fixtures.h"
#include "PseudoTerminal.h"
#include "TestRig.h"
#include "dialogs/Form10.h"
#include "platform/HelpViewer.h"
#include "platform/Timer.h"
#include "platform/Twips.h"
#include "serial/CommError.h"
#include "setup/Form5.h"
#include "shell/Form1.h"
#include "shell/Shutdown.h"
#include "shell/SingleInstance.h"
#include "shell/Startup.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <unistd.h>

namespace {
void writeSettings(const QString &folder, const QByteArray &bytes)
{
    QFile file(folder + QStringLiteral("/GPSInit.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray settingsOf(const QString &folder)
{
    QFile file(folder + QStringLiteral("/GPSInit.ini"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Looks at the message box when it appears, then presses OK.
class BoxWatcher : public QObject
{
public:
    explicit BoxWatcher(HoroluxApp &app)
        : m_app(app)
    {
        qApp->installEventFilter(this);
    }

    bool seen = false;
    QString text;
    QString title;
    bool criticalIcon = false;
    bool okOnly = false;
    bool mainWindowEnabled = true;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!seen && event->type() == QEvent::Show && m_app.isForm10Loaded()
            && watched == m_app.form10()) {
            seen = true;
            Form10 *box = m_app.form10();
            text = box->Label1->text();
            title = box->windowTitle();
            criticalIcon = box->Image1[0]->isVisibleTo(box) && !box->Image1[3]->isVisibleTo(box);
            okOnly = box->Command1->isVisibleTo(box) && !box->Command2->isVisibleTo(box);
            mainWindowEnabled = m_app.form1()->isEnabled();
            QMetaObject::invokeMethod(box->Command1, &QPushButton::click, Qt::QueuedConnection);
        }
        return false;
    }

private:
    HoroluxApp &m_app;
};
} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT
private slots:
    void noSettingsFileStartsHidden();
    void settingsApplied_data();
    void settingsApplied();
    void pseudoTerminalPortsOpen();
    void showsWindowWithoutNotificationArea();
    void duplicateInstanceWarnsAndStops();
    void duplicateEndedWhileWarningKeepsTheSettings();
    void staleLockIsTakenOver();
    void lockKeyedByExecutableFolder();
    void unusableLockFolderDoesNotStopStartUp();
    void temporaryLockFolderIsTheUsersOwn_data();
    void temporaryLockFolderIsTheUsersOwn();
};

void tst_Startup::noSettingsFileStartsHidden()
{
    FakeRig r;
    r.app().start();
    Form1 *form = r.main();
    QCOMPARE(form->helpFile, r.rig->folder() + QStringLiteral("/Horolux.hlp"));
    QCOMPARE(form->helpCommand, HelpViewer::kForceFile);
    QCOMPARE(form->widthTwips(), 3930);
    QCOMPARE(form->heightTwips(), 3195);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(form->leftTwips() - (Twips::fromPixels(screen.width()) - 3930) / 2) <= 15);
    QVERIFY(qAbs(form->topTwips() - (Twips::fromPixels(screen.height()) - 3195) / 2) <= 15);
    QCoreApplication::processEvents();
    QVERIFY(!form->isVisible());
    QCOMPARE(form->menuMenuHide->text(), QStringLiteral("&Show Horolux"));
    QCOMPARE(form->Text3[0]->text(), QStringLiteral("Receive : Not Selected"));
    QCOMPARE(form->Text3[1]->text(), QStringLiteral("Transmit : Not Selected"));
    QVERIFY(!form->Command3->isEnabled());
    QVERIFY(!form->menuSetRcv->isChecked());
    QVERIFY(!form->menuSetTrans->isChecked());
    QVERIFY(!form->menuMenuTrans->isVisible());
    QVERIFY(!form->menuMenuC->isVisible());
    QVERIFY(!r.app().isForm5Loaded());
    QVERIFY(!r.app().isForm10Loaded());
    QVERIFY(form->Timer1->Enabled());
    QVERIFY(!form->Timer2->Enabled());
    QCOMPARE(r.rig->m().receivePort, qint16(0));
    QCOMPARE(r.rig->m().transmitPort, qint16(0));
    QVERIFY(settingsOf(r.rig->folder()).isEmpty()); // start-up writes nothing
}

void tst_Startup::settingsApplied_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("failingPort");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("receivePanel");
    QTest::addColumn<QString>("transmitPanel");
    QTest::addColumn<bool>("receiveChecked"); // also Command3 enabled
    QTest::addColumn<bool>("transmitChecked"); // also "&Show Transmission" visible
    QTest::addColumn<int>("check1");
    QTest::addColumn<int>("receiveOpen"); // port MSComm1 is open on, 0 = closed
    QTest::addColumn<int>("transmitOpen");

    const QString rx = QStringLiteral("Receive : Comm Port ");
    const QString tx = QStringLiteral("Transmit : Comm Port ");
    const QString rxNone = QStringLiteral("Receive : Not Selected");
    const QString txNone = QStringLiteral("Transmit : Not Selected");
    const int absent = CommError::InvalidPortNumber;
    const int busy = CommError::PortAlreadyOpen;

    QTest::newRow("3,0,5") << QByteArray("\x03\x00\x05", 3) << 0 << 0 << rx + "3" << tx + "5"
                           << true << true << 0 << 3 << 5;
    QTest::newRow("4,255,4: one port both ways") << QByteArray("\x04\xff\x04") << 0 << 0 << rx + "4"
                                                 << tx + "4" << true << true << 1 << 4 << 0;
    QTest::newRow("12,0,0: kept, not opened") << QByteArray("\x0c\x00\x00", 3) << 0 << 0 << rxNone
                                              << txNone << false << false << 0 << 0 << 0;
    QTest::newRow("0,1,9: flag 01 checks") << QByteArray("\x00\x01\x09", 3) << 0 << 0 << rxNone
                                           << txNone << false << false << 1 << 0 << 0;
    QTest::newRow("empty file") << QByteArray() << 0 << 0 << rxNone << txNone << false << false << 0
                                << 0 << 0;
    QTest::newRow("one byte") << QByteArray("\x02") << 0 << 0 << rx + "2" << txNone << true << false
                              << 0 << 2 << 0;
    QTest::newRow("receive port absent") << QByteArray("\x02\x00\x00", 3) << 2 << absent << rx + "2"
                                         << txNone << true << false << 0 << 0 << 0;
    QTest::newRow("receive port busy") << QByteArray("\x02\xff\x00", 3) << 2 << busy << rx + "2"
                                       << txNone << true << false << 1 << 0 << 0;
    QTest::newRow("receive fails, transmit opens")
        << QByteArray("\x02\x00\x03", 3) << 2 << absent << rx + "2" << tx + "3" << true << true << 0
        << 0 << 3;
    QTest::newRow("transmit port busy") << QByteArray("\x01\x00\x06", 3) << 6 << busy << rx + "1"
                                        << tx + "6" << true << true << 0 << 1 << 0;
}

void tst_Startup::settingsApplied()
{
    QFETCH(QByteArray, file);
    QFETCH(int, failingPort);
    QFETCH(int, failure);
    QFETCH(QString, receivePanel);
    QFETCH(QString, transmitPanel);
    QFETCH(bool, receiveChecked);
    QFETCH(bool, transmitChecked);
    QFETCH(int, check1);
    QFETCH(int, receiveOpen);
    QFETCH(int, transmitOpen);

    FakeRig r;
    writeSettings(r.rig->folder(), file);
    if (failingPort)
        r.ports->port(failingPort).openError = failure;
    r.app().start();

    Form1 *form = r.main();
    QCOMPARE(form->Text3[0]->text(), receivePanel);
    QCOMPARE(form->Text3[1]->text(), transmitPanel);
    QCOMPARE(form->menuSetRcv->isChecked(), receiveChecked);
    QCOMPARE(form->Command3->isEnabled(), receiveChecked);
    QCOMPARE(form->menuSetTrans->isChecked(), transmitChecked);
    QCOMPARE(form->menuMenuTrans->isVisible(), transmitChecked);
    QCOMPARE(form->menuMenuC->isVisible(), transmitChecked);
    QVERIFY(!r.app().isForm5Loaded()); // opening the ports builds no setup dialog
    const SerialPorts &ports = r.app().ports();
    QCOMPARE(r.m().waitForLock, qint16(check1));
    QCOMPARE(ports.MSComm1.PortOpen() ? ports.MSComm1.CommPort() : 0, receiveOpen);
    QCOMPARE(ports.MSComm2.PortOpen() ? ports.MSComm2.CommPort() : 0, transmitOpen);
    if (receiveOpen)
        QCOMPARE(ports.MSComm1.Settings(), QStringLiteral("2400,N,8,1"));
    if (transmitOpen)
        QCOMPARE(ports.MSComm2.Settings(), QStringLiteral("2400,N,8,1"));
    QVERIFY(!r.app().isForm10Loaded()); // no message, whatever failed
    QVERIFY(form->Timer1->Enabled());
    // The bytes are kept as read, ports out of range included, for the exit path to store.
    const QByteArray three = file.leftJustified(3, '\0');
    QCOMPARE(r.rig->m().receivePort, qint16(quint8(three[0])));
    QCOMPARE(r.rig->m().transmitPort, qint16(quint8(three[2])));
    QCOMPARE(r.rig->m().settingsBytes[1], quint8(three[1]));
    if (three[0] == three[2]) // one port both ways: the transmit port object is never touched
        QCOMPARE(ports.MSComm2.Settings(), MSComm(*r.ports).Settings());
    // The dialog built afterwards shows the option as read.
    QCOMPARE(r.app().form5()->Check1->checkState(), check1 ? Qt::Checked : Qt::Unchecked);
}

void tst_Startup::pseudoTerminalPortsOpen()
{
    TestRig rig;
    PseudoTerminal receiver;
    PseudoTerminal clock;
    receiver.linkAsPort(rig.folder(), 3);
    clock.linkAsPort(rig.folder(), 5);
    writeSettings(rig.folder(), QByteArray("\x03\xff\x05"));
    rig.app().start();

    Form5 *form5 = rig.app().form5();
    QVERIFY(form5->MSComm1.PortOpen());
    QVERIFY(form5->MSComm2.PortOpen());
    const MSComm::ReadingScope reading(form5->MSComm1);
    receiver.write("$GPRMC,");
    QTRY_COMPARE(form5->MSComm1.InBufferCount(), 7);
    form5->MSComm2.setOutput("hello");
    QByteArray sent;
    QTRY_COMPARE(sent += clock.readAvailable(), QByteArray("hello"));
}

void tst_Startup::showsWindowWithoutNotificationArea()
{
    FakeRig r;
    r.app().setNotificationArea(false);
    r.app().start();
    QTRY_VERIFY(r.main()->isVisible());
    QCOMPARE(r.main()->menuMenuHide->text(), QStringLiteral("&Hide Horolux"));
}

void tst_Startup::duplicateInstanceWarnsAndStops()
{
    FakeRig r;
    const QByteArray settings("\x03\xff\x05");
    writeSettings(r.rig->folder(), settings);
    SingleInstance firstCopy(r.app().executableDir(), r.app().runtimeDir());
    QVERIFY(firstCopy.tryLock());

    BoxWatcher box(r.app());
    r.app().start();
    Form1 *form = r.main();
    const bool closing = form->Timer2->Enabled();
    form->Timer2->setEnabled(false); // its tick would end this test program

    QVERIFY(box.seen);
    QCOMPARE(box.text, Startup::duplicateInstanceText());
    QCOMPARE(box.text,
        QStringLiteral(" Horolux is already open! \r\n\r\nLook in the status panel for the "
                       "Horolux icon.\r\n If icon is not there, try again or restart system. "));
    QCOMPARE(box.title, QStringLiteral("Horolux"));
    QVERIFY(box.criticalIcon);
    QVERIFY(box.okOnly);
    QVERIFY(!box.mainWindowEnabled);
    QVERIFY(form->isEnabled());
    QVERIFY(closing);
    QCOMPARE(form->Timer2->Interval(), 250);

    // Nothing else of the start-up ran.
    QVERIFY(!form->Timer1->Enabled());
    QVERIFY(form->helpFile.isEmpty());
    QVERIFY(!r.app().isForm5Loaded());
    QVERIFY(!r.app().isForm4Loaded());
    QCOMPARE(r.ports->port(3).openCount + r.ports->port(5).openCount, 0);
    QVERIFY(form->Text3[0]->text().isEmpty());
    QCOMPARE(r.rig->m().receivePort, qint16(0));
    QVERIFY(!form->isVisible());
    QCOMPARE(settingsOf(r.rig->folder()), settings);
    QVERIFY(firstCopy.isLocked());
}

void tst_Startup::duplicateEndedWhileWarningKeepsTheSettings()
{
    FakeRig r;
    writeSettings(r.rig->folder(), QByteArray::fromHex("030005"));
    SingleInstance firstCopy(r.app().executableDir(), r.app().runtimeDir());
    QVERIFY(firstCopy.tryLock());
    r.app().shutdown().installSystemCloseHandlers();
    QTimer::singleShot(0, r.main(), [] { std::raise(SIGTERM); }); // while the box is up
    r.app().start();
    r.main()->Timer2->setEnabled(false);
    QCOMPARE(r.rig->processEnds(), QList<int> {0});
    QCOMPARE(settingsOf(r.rig->folder()), QByteArray::fromHex("030005"));
}

void tst_Startup::staleLockIsTakenOver()
{
    FakeRig r;
    QProcess gone;
    gone.start(QStringLiteral("true"));
    QVERIFY(gone.waitForStarted());
    const qint64 deadPid = gone.processId();
    QVERIFY(gone.waitForFinished());

    const QString lockPath
        = SingleInstance(r.app().executableDir(), r.app().runtimeDir()).lockPath();
    QVERIFY(QDir().mkpath(QFileInfo(lockPath).path()));
    QFile lock(lockPath);
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(deadPid) + "\nhorolux\n" + QSysInfo::machineHostName().toUtf8()
        + "\n" + QSysInfo::machineUniqueId() + "\n" + QSysInfo::bootUniqueId() + "\n");
    lock.close();

    r.app().start();
    QVERIFY(r.main()->Timer1->Enabled());
    QVERIFY(!r.main()->Timer2->Enabled());
    QVERIFY(!r.app().isForm10Loaded());
    QVERIFY(lock.open(QIODevice::ReadOnly));
    QCOMPARE(lock.readLine().trimmed(), QByteArray::number(QCoreApplication::applicationPid()));
}

void tst_Startup::lockKeyedByExecutableFolder()
{
    QTemporaryDir dir;
    const QString run = dir.filePath(QStringLiteral("run"));
    const QString a = dir.filePath(QStringLiteral("a"));
    const QString b = dir.filePath(QStringLiteral("b"));
    const QString linkToA = dir.filePath(QStringLiteral("link"));
    QVERIFY(QDir().mkpath(a) && QDir().mkpath(b));
    QVERIFY(QFile::link(a, linkToA));

    auto first = std::make_unique<SingleInstance>(a, run);
    QVERIFY(first->tryLock());
    QVERIFY(SingleInstance(b, run).tryLock());
    QVERIFY(!SingleInstance(a, run).tryLock());
    QVERIFY(!SingleInstance(linkToA, run).tryLock());
    QVERIFY(!SingleInstance(a + QStringLiteral("/."), run).tryLock());
    first.reset();
    QVERIFY(SingleInstance(a, run).tryLock());
}

void tst_Startup::temporaryLockFolderIsTheUsersOwn_data()
{
    QTest::addColumn<bool>("madeByAnother"); // there before us, open to everyone
    QTest::newRow("made private") << false;
    QTest::newRow("open to others: not used") << true;
}

void tst_Startup::temporaryLockFolderIsTheUsersOwn()
{
    QFETCH(bool, madeByAnother);
    QTemporaryDir tmp;
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    const auto restore = qScopeGuard([] { qunsetenv("TMPDIR"); });
    const QString folder = SingleInstance::privateTempFolder();
    QCOMPARE(QFileInfo(folder).fileName(), QStringLiteral("horolux-%1").arg(::geteuid()));
    if (madeByAnother) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7777)));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("other users may write"));
    }
    SingleInstance lock(tmp.path(), folder);
    QVERIFY(lock.tryLock());
    QCOMPARE(lock.isLocked(), !madeByAnother);
    QCOMPARE(QFileInfo(folder).permissions().toInt() & 0x0077, madeByAnother ? 0x0077 : 0);
}

void tst_Startup::unusableLockFolderDoesNotStopStartUp()
{
    FakeRig r;
    // The runtime folder is taken by a file: no lock can be made there.
    QFile blocker(r.app().runtimeDir());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    r.app().start();
    QVERIFY(r.main()->Timer1->Enabled());
    QVERIFY(!r.app().isForm10Loaded());
}

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
