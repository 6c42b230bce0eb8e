// Renders the main window as a user sees it after showing it from the tray, with a receiver on
// port 3 that reports a fix and a master clock on port 5, into a PNG (docs/main-window.png by
// default), and the Ports dialog with that receiver mapped (docs/ports-dialog.png). Run
// from the source folder: bench_screenshot [main-window.png [ports-dialog.png]]
#include "app/HoroluxApp.h"
#include "platform/ManualClock.h"
#include "serial/CommError.h"
#include "serial/PortMap.h"
#include "serial/SerialDevice.h"
#include "setup/PortsDialog.h"
#include "shell/Form1.h"
#include "shell/MenuCommands.h"
#include "shell/WindowVisibility.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <cstdio>

namespace {
// A receiver that never stops sending the same sentence.
class ReplayingReceiver : public SerialDevice
{
public:
    qint64 bytesAvailable() const override { return kSentence.size() - m_next; }
    QByteArray read(qint64 maxSize) override
    {
        const QByteArray text = kSentence.mid(m_next, maxSize);
        m_next = (m_next + text.size()) % kSentence.size();
        return text;
    }
    void write(const QByteArray &) override { }
    void discardInput() override { }
    bool ctsHolding() const override { return true; }
    bool hasFailed() const override { return false; }

private:
    static inline const QByteArray kSentence
        = "$GPRMC,142540,A,4807.038,N,01131.000,E,022.4,084.4,071226,003.1,W*6E\r\n";
    qint64 m_next = 0;
};

class PictureDevices : public SerialDeviceFactory
{
public:
    std::unique_ptr<SerialDevice> open(int portNumber, const LineSettings &, PortDirection) override
    {
        if (portNumber != 3 && portNumber != 5)
            throw CommError(CommError::InvalidPortNumber);
        return std::make_unique<ReplayingReceiver>();
    }
};
} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString output
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/main-window.png");

    QTemporaryDir folder;
    QFile settings(folder.filePath(QStringLiteral("GPSInit.ini")));
    if (!settings.open(QIODevice::WriteOnly) || settings.write("\x03\xff\x05") != 3)
        return 1;
    settings.close();

    ManualClock clock(QDateTime(QDate(2026, 12, 7), QTime(14, 25, 40), QTimeZone::utc()));
    PictureDevices devices;
    HoroluxApp horolux({&clock, &devices, folder.path(), folder.filePath(QStringLiteral("run")),
        buildTimeMSecs(), nullptr, folder.path()});
    horolux.setNotificationArea(true);
    horolux.start();
    // As a double click on the tray icon: shows the window and reads the receiver once.
    horolux.windowVisibility().menuMenuHide_Click();
    Form1 *form = horolux.form1();
    form->Timer4_Timer();

    const QPixmap picture = form->grab();
    if (picture.isNull() || !picture.save(output, "PNG")) {
        std::fprintf(stderr, "bench_screenshot: cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s: %d x %d pixels\n", qPrintable(output), picture.width(), picture.height());

    // A multi-constellation receiver at 9600 baud on COM3, sending 80 ms into its second, as a
    // user maps it, on a computer whose clock a time service keeps: its delay can be measured.
    const QString dialogOutput
        = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("docs/ports-dialog.png");
    PortMap::Entry receiver {QStringLiteral("/dev/serial/by-id/usb-u-blox_AG_GNSS_receiver-if00"),
        9600, PortMap::Talker::Any};
    receiver.delayMillis = 80;
    clock.setKeptSynchronised(true);
    if (!PortMap(folder.path()).write({{3, receiver}})) {
        std::fprintf(stderr, "bench_screenshot: cannot write ports.conf\n");
        return 1;
    }
    form->menuSetPorts->trigger();
    PortsDialog *dialog = horolux.menuCommands().portsDialog();
    const QPixmap dialogPicture = dialog ? dialog->grab() : QPixmap();
    if (dialogPicture.isNull() || !dialogPicture.save(dialogOutput, "PNG")) {
        std::fprintf(stderr, "bench_screenshot: cannot write %s\n", qPrintable(dialogOutput));
        return 1;
    }
    std::printf("%s: %d x %d pixels\n", qPrintable(dialogOutput), dialogPicture.width(),
        dialogPicture.height());
    return 0;
}
