#include "FakeRig.h"
#include "Fixtures.h"
#include "PseudoTerminal.h"
#include "TestRig.h"

#include "dialogs/Form10.h"
#include "platform/Timer.h"
#include "serial/CommError.h"
#include "setup/Form5.h"
#include "shell/Form1.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kNoDevice = kCrLf + kCrLf + QStringLiteral(" No Device Detected on this Comm Port ");
const QString kModem = kCrLf + kCrLf + QStringLiteral(" Modem detected on this port. ");
constexpr int kCritical = 0; // image index of icon code 16
constexpr int kInformation = 3; // image index of icon code 64

struct ShownBox
{
    QString title;
    QString text;
    int image = -1;
};

// Presses OK on every message box the program shows, after noting what it showed.
class BoxWatcher : public QObject
{
public:
    BoxWatcher() { qApp->installEventFilter(this); }
    ~BoxWatcher() override { qApp->removeEventFilter(this); }

    QList<ShownBox> boxes;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<Form10 *>(watched);
        if (box && event->type() == QEvent::Show) {
            ShownBox shown {box->windowTitle(), box->Label1->text()};
            for (int i = 0; i < 4; ++i)
                if (!box->Image1[i]->isHidden())
                    shown.image = i;
            boxes.append(shown);
            QTimer::singleShot(0, box, [box] { QTest::mouseClick(box->Command1, Qt::LeftButton); });
        }
        return false;
    }
};

// Plays the device at the far end of a pseudo-terminal: each "ATV1" command it hears gets the
// answer's chunks, written a few milliseconds apart; a streaming device also sends sentences.
class Device : public QObject
{
public:
    using Answer = std::function<QByteArrayList(int command)>;

    Device(PseudoTerminal &pty, Answer answer, bool streams)
        : m_pty(pty)
        , m_answer(std::move(answer))
        , m_streams(streams)
    {
        connect(&m_timer, &QTimer::timeout, this, &Device::poll);
        m_timer.start(2);
    }

    int commands = 0;

private:
    void poll()
    {
        m_heard += m_pty.readAvailable();
        for (qsizetype at; (at = m_heard.indexOf("ATV1\r")) >= 0;) {
            m_heard.remove(0, at + 5);
            m_pending += m_answer(++commands);
        }
        if (!m_pending.isEmpty())
            m_pty.write(m_pending.takeFirst());
        if (m_streams && ++m_ticks % 10 == 0)
            m_pty.write("$GPRMC,102540,A,4807.038,N,01131.000,E,0.0,0.0,071226,,*1D\r\n");
    }

    PseudoTerminal &m_pty;
    Answer m_answer;
    bool m_streams;
    QByteArray m_heard;
    QByteArrayList m_pending;
    int m_ticks = 0;
    QTimer m_timer;
};

bool showDialog(Form5 *form)
{
    form->show();
    return QTest::qWaitForWindowActive(form);
}

// The user picks an entry with one arrow key, as from the entry next to it.
void pick(Form5 *form, int port)
{
    const bool down = port > 1;
    form->Combo1->setCurrentIndex(down ? port - 2 : port);
    QTest::keyClick(form->Combo1, down ? Qt::Key_Down : Qt::Key_Up);
}

void verifyProbeFinished(Form5 *form)
{
    QVERIFY(!form->MSComm3.PortOpen());
    QVERIFY(!form->Timer3->Enabled());
    QVERIFY(form->Command1->isEnabled());
    QVERIFY(form->Command3->isEnabled());
    QVERIFY(form->isEnabled());
}
} // namespace

class tst_Probe : public QObject
{
    Q_OBJECT
private slots:
    void resultBoxes_data();
    void resultBoxes();
    void deviceAnswers_data();
    void deviceAnswers();
    void portInUseIsLeftAlone_data();
    void portInUseIsLeftAlone();
    void ownSelectionsStartNoProbe();
    void reactivationAfterBoxKeepsSelection();
    void secondPickTakesOver();
    void shutdownEndsTheWait();
};

void tst_Probe::resultBoxes_data()
{
    QTest::addColumn<bool>("cts");
    QTest::addColumn<int>("openError");
    QTest::addColumn<int>("ioError");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("image");

    QTest::newRow("nothing attached") << false << 0 << 0 << kNoDevice << kInformation;
    QTest::newRow("no such port") << true << int(CommError::InvalidPortNumber) << 0
                                  << kCrLf + kCrLf + "Invalid Port Number." << kCritical;
    QTest::newRow("in use elsewhere") << true << int(CommError::PortAlreadyOpen) << 0
                                      << kCrLf + kCrLf + "Port already open." << kCritical;
    QTest::newRow("access denied") << true << int(CommError::AccessDenied) << 0
                                   << "Unforeseen Error occured - Number 8030." + kCrLf
            + "Error: " + CommError(CommError::AccessDenied).description() + kCrLf + kCrLf
            + "If Error persists contact vendor."
                                   << kCritical;
    QTest::newRow("failure while asking")
        << true << 0 << int(CommError::WriteFailed) << kModem << kCritical;
}

void tst_Probe::resultBoxes()
{
    QFETCH(bool, cts);
    QFETCH(int, openError);
    QFETCH(int, ioError);
    QFETCH(QString, text);
    QFETCH(int, image);
    FakeRig fake;
    FakePort &device = fake.ports->port(4);
    device.cts = cts;
    device.openError = openError;
    device.ioError = ioError;
    Form5 *form = fake.rig->app().form5();
    const QString panel = fake.rig->app().form1()->Text3[0]->text();
    QVERIFY(showDialog(form));

    BoxWatcher watcher;
    pick(form, 4);
    QCOMPARE(watcher.boxes.size(), 1);
    QCOMPARE(watcher.boxes[0].title, QStringLiteral("Comm Port 4"));
    QCOMPARE(watcher.boxes[0].text, text);
    QCOMPARE(watcher.boxes[0].image, image);
    verifyProbeFinished(form);
    QVERIFY(!device.isOpen);
    QCOMPARE(form->Combo1->currentIndex(), 3);
    QCOMPARE(form->Text1->text(), QStringLiteral("Comm Port 4"));
    QVERIFY(fake.rig->m().skipSetupActivate);
    QCOMPARE(fake.rig->m().receivePort, qint16(0));
    QCOMPARE(fake.rig->app().form1()->Text3[0]->text(), panel);
}

void tst_Probe::deviceAnswers_data()
{
    QTest::addColumn<Device::Answer>("answer");
    QTest::addColumn<bool>("streams");
    QTest::addColumn<bool>("modem");
    QTest::addColumn<int>("commands");

    using Chunks = QByteArrayList;
    QTest::newRow("modem") << Device::Answer([](int) {
        return Chunks {"ATV1\r", "\r\nOK\r\n"};
    }) << false << true << 1;
    QTest::newRow("answer split over reads") << Device::Answer([](int) {
        return Chunks {"\r\nO", "K", "\r\n"};
    }) << false << true << 1;
    QTest::newRow("GPS receiver") << Device::Answer([](int) { return Chunks {}; }) << true << false
                                  << 2;
    QTest::newRow("lower case") << Device::Answer([](int) { return Chunks {"ATV1\r\r\nok\r\n"}; })
                                << false << false << 2;
    QTest::newRow("OK ends the input")
        << Device::Answer([](int command) { return command == 1 ? Chunks {"\r\nOK"} : Chunks {}; })
        << false << false << 2;
    // What came in the first attempt is kept, so the second one completes the answer.
    QTest::newRow("OK completed in second attempt") << Device::Answer([](int command) {
        return command == 1 ? Chunks {"\r\nOK"} : Chunks {"\r\n"};
    }) << false << true << 2;
}

void tst_Probe::deviceAnswers()
{
    QFETCH(Device::Answer, answer);
    QFETCH(bool, streams);
    QFETCH(bool, modem);
    QFETCH(int, commands);
    TestRig rig;
    PseudoTerminal pty;
    pty.linkAsPort(rig.folder(), 2);
    Device device(pty, answer, streams);
    Form5 *form = rig.app().form5();
    QVERIFY(showDialog(form));

    BoxWatcher watcher;
    QElapsedTimer elapsed;
    elapsed.start();
    pick(form, 2);
    qInfo("probe took %lld ms", elapsed.elapsed());
    QCOMPARE(watcher.boxes.size(), modem ? 1 : 0);
    if (modem) {
        QCOMPARE(watcher.boxes[0].title, QStringLiteral("Comm Port 2"));
        QCOMPARE(watcher.boxes[0].text, kModem);
        QCOMPARE(watcher.boxes[0].image, kCritical);
    } else {
        QCOMPARE(form->Text1->text(), QString());
    }
    QTRY_COMPARE(device.commands, commands);
    verifyProbeFinished(form);
    QVERIFY(!form->MSComm1.PortOpen());
    QVERIFY(!form->MSComm2.PortOpen());
    QCOMPARE(form->Combo1->currentIndex(), 1);
}

void tst_Probe::portInUseIsLeftAlone_data()
{
    QTest::addColumn<bool>("transmit");
    QTest::newRow("receive port") << false;
    QTest::newRow("transmit port") << true;
}

void tst_Probe::portInUseIsLeftAlone()
{
    QFETCH(bool, transmit);
    FakeRig fake;
    Form5 *form = fake.rig->app().form5();
    MSComm &port = transmit ? form->MSComm2 : form->MSComm1;
    port.setCommPort(6);
    port.setPortOpen(true);
    fake.ports->port(6).cts = false;
    QVERIFY(showDialog(form));

    BoxWatcher watcher;
    pick(form, 6);
    QCOMPARE(watcher.boxes.size(), 0);
    QVERIFY(port.PortOpen());
    QCOMPARE(fake.ports->port(6).openCount, 1);
    QCOMPARE(fake.ports->port(6).output, QByteArray());
    QVERIFY(form->Command1->isEnabled());
    QVERIFY(form->Command3->isEnabled());
}

void tst_Probe::ownSelectionsStartNoProbe()
{
    FakeRig fake;
    for (int port = 1; port <= 8; ++port)
        fake.ports->port(port).cts = false;
    fake.rig->m().receivePort = 3;
    BoxWatcher watcher;
    Form5 *form = fake.rig->app().form5(); // load selects the first entry while hidden
    QCOMPARE(form->Combo1->count(), 8);
    QCOMPARE(form->Combo1->itemText(7), QStringLiteral("8"));
    QCOMPARE(form->Combo1->currentIndex(), 0);
    QVERIFY(showDialog(form)); // activation selects the receive port
    QCOMPARE(form->Combo1->currentIndex(), 2);
    QCOMPARE(form->Combo1, QApplication::focusWidget());
    QCOMPARE(watcher.boxes.size(), 0);
    for (int port = 1; port <= 8; ++port)
        QCOMPARE(fake.ports->port(port).openCount, 0);

    // The same selection from code, outside the two handlers, is probed.
    form->setListIndex(4);
    QCOMPARE(watcher.boxes.size(), 1);
    QCOMPARE(fake.ports->port(5).openCount, 1);
}

void tst_Probe::reactivationAfterBoxKeepsSelection()
{
    FakeRig fake;
    fake.ports->port(7).cts = false;
    fake.rig->m().receivePort = 2;
    Form5 *form = fake.rig->app().form5();
    QVERIFY(showDialog(form));
    QCOMPARE(form->Combo1->currentIndex(), 1);

    BoxWatcher watcher;
    pick(form, 7);
    QCOMPARE(watcher.boxes.size(), 1);
    QTRY_VERIFY(!fake.rig->app().form10()->isVisible());
    QApplication::setActiveWindow(fake.rig->app().form10());
    QApplication::setActiveWindow(form);
    QTRY_VERIFY(!fake.rig->m().skipSetupActivate);
    QCOMPARE(form->Combo1->currentIndex(), 6);
    QCOMPARE(QApplication::focusWidget(), form->Combo1);

    // The next activation is an ordinary one again: back to the receive port.
    QApplication::setActiveWindow(fake.rig->app().form10());
    QApplication::setActiveWindow(form);
    QTRY_COMPARE(form->Combo1->currentIndex(), 1);
    QCOMPARE(watcher.boxes.size(), 1);
}

void tst_Probe::secondPickTakesOver()
{
    FakeRig fake;
    fake.ports->port(6).cts = false;
    Form5 *form = fake.rig->app().form5();
    QVERIFY(showDialog(form));

    BoxWatcher watcher;
    bool pickedDuringWait = false;
    QTimer::singleShot(60, form, [&] {
        pickedDuringWait = form->MSComm3.PortOpen() && form->Timer3->Enabled();
        QTest::keyClick(form->Combo1, Qt::Key_Down);
    });
    pick(form, 5); // a silent device keeps the probe waiting
    QVERIFY(pickedDuringWait);
    QCOMPARE(watcher.boxes.size(), 1);
    QCOMPARE(watcher.boxes[0].title, QStringLiteral("Comm Port 6"));
    QCOMPARE(watcher.boxes[0].text, kNoDevice);
    QCOMPARE(fake.ports->port(5).output, QByteArray("ATV1\r"));
    QVERIFY(!fake.ports->port(5).isOpen);
    verifyProbeFinished(form);
}

void tst_Probe::shutdownEndsTheWait()
{
    FakeRig fake;
    Form5 *form = fake.rig->app().form5();
    QVERIFY(showDialog(form));
    BoxWatcher watcher;
    QTimer::singleShot(30, form, [&] { fake.rig->m().shuttingDown = true; });
    pick(form, 3);
    QCOMPARE(fake.ports->port(3).output, QByteArray("ATV1\r"));
    QVERIFY(!form->MSComm3.PortOpen());
    QVERIFY(!form->Timer3->Enabled());
    QCOMPARE(watcher.boxes.size(), 0);
}

QTEST_MAIN(tst_Probe)
#include "tst_probe.moc"
