#include "ChildProcess.h"
#include "ProgramCopy.h"
#include "PseudoTerminal.h"
#include "VirtualDesktop.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

// Draws the picture of the program in use for the documentation: on a virtual desktop with a
// tray, a receiver streaming on port 1 and a master clock on port 2, the main window shows the
// decoded GPS time, the transmission monitor the last sentence, and the tray menu is open.
// Run: bench/run-all.sh --picture, or cmake --build build --target docs_inusepicture &&
// build/bench/docs_inusepicture (HOROLUX_PICTURE_PATH=file.png writes elsewhere).
namespace {
constexpr int kWaitMs = 15000;
const QColor kDesktop(0, 128, 128);

QByteArray sentenceAt(const QByteArray &time, const QByteArray &date)
{
    const QByteArray body
        = "GPRMC," + time + ",A,4807.038,N,01131.000,E,000.0,000.0," + date + ",003.1,W";
    char sum = 0;
    for (char c : body)
        sum ^= c;
    return '$' + body + '*' + QByteArray::number(uchar(sum), 16).toUpper().rightJustified(2, '0')
        + "\r\n";
}
} // namespace

class InUsePicture : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void draw();

private:
    QRect geometryOf(const QString &window) const;
    void openTrayMenu();
    QString trayIcon() const { return m_desktop.trayIconOf(QStringLiteral("horolux")); }

    VirtualDesktop m_desktop;
    ProgramCopy m_copy;
    QProcess m_program;
};

void InUsePicture::initTestCase()
{
    const QString missing = VirtualDesktop::missingTools(VirtualDesktop::Tray::Present);
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    QString error;
    QVERIFY2(m_copy.install(&error), qPrintable(error));
    // A small screen keeps the tray close to the centred main window.
    QVERIFY2(
        m_desktop.start(VirtualDesktop::Tray::Present, &error, QSize(560, 420)), qPrintable(error));
}

void InUsePicture::cleanupTestCase()
{
    endProcess(m_program);
    m_desktop.stop();
}

QRect InUsePicture::geometryOf(const QString &window) const
{
    QByteArray shape;
    if (!m_desktop.xdotool(
            {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}, &shape))
        return {};
    QRect rect;
    const QRegularExpression field(QStringLiteral("(X|Y|WIDTH|HEIGHT)=(-?\\d+)"));
    for (const QRegularExpressionMatch &m : field.globalMatch(QString::fromLatin1(shape))) {
        const int value = m.captured(2).toInt();
        const QString name = m.captured(1);
        if (name == QLatin1String("X"))
            rect.moveLeft(value);
        else if (name == QLatin1String("Y"))
            rect.moveTop(value);
        else if (name == QLatin1String("WIDTH"))
            rect.setWidth(value);
        else
            rect.setHeight(value);
    }
    return rect;
}

void InUsePicture::openTrayMenu()
{
    const qsizetype before = m_desktop.visibleWindowsOf(m_program.processId()).size();
    QVERIFY(m_desktop.rightClick(trayIcon()));
    QTRY_VERIFY_WITH_TIMEOUT(
        m_desktop.visibleWindowsOf(m_program.processId()).size() > before, kWaitMs);
}

void InUsePicture::draw()
{
    PseudoTerminal receiver;
    PseudoTerminal masterClock;
    m_copy.wirePort(receiver, 1);
    m_copy.wirePort(masterClock, 2);
    QVERIFY(m_copy.writeSettings(QByteArray("\x01\x00\x02", 3)));
    // The receiver says 09:41:24; the program's clock starts a little off and is set from it.
    m_copy.setClockStart(
        QDateTime(QDate(2031, 7, 14), QTime(9, 40, 51), QTimeZone::utc()).toMSecsSinceEpoch());
    const QByteArray sentence = sentenceAt("094124", "140731");
    QTimer stream;
    connect(&stream, &QTimer::timeout, &stream, [&] { receiver.writeSome(sentence); });
    stream.start(200);
    m_copy.start(m_program, m_desktop.environment());
    QVERIFY(m_program.waitForStarted(kWaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(!m_copy.clockSettings().isEmpty(), kWaitMs);

    // Shown from the tray, it decodes the receiver's time at once; then the monitor.
    QTRY_VERIFY_WITH_TIMEOUT(!trayIcon().isEmpty(), kWaitMs);
    QVERIFY(m_desktop.doubleClick(trayIcon()));
    QString main;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(main = m_desktop.visibleWindowNamed(QStringLiteral("^Horolux$"))).isEmpty(), kWaitMs);
    openTrayMenu();
    QVERIFY(m_desktop.type({QStringLiteral("s")}));
    QString monitor;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(monitor = m_desktop.visibleWindowNamed(QStringLiteral("Simulated GPS Transmission")))
             .isEmpty(),
        kWaitMs);
    // The monitor fills with the sentence of second 30.
    QByteArray sent;
    QTRY_VERIFY2_WITH_TIMEOUT((sent += masterClock.readAvailable()).contains("\r\n"),
        qPrintable(QStringLiteral("%1 / %2")
                       .arg(QString::fromLatin1(sent))
                       .arg(m_copy.clockSettings().size())),
        kWaitMs);
    openTrayMenu();

    QTemporaryDir scratch;
    const QString shot = scratch.filePath(QStringLiteral("screen.png"));
    QVERIFY(m_desktop.screenshot(shot));
    const QImage screen(shot);
    QVERIFY(!screen.isNull());

    // The windows on a plain desktop, cropped to what they cover.
    QRect covered;
    QImage picture(screen.size(), QImage::Format_RGB32);
    picture.fill(kDesktop);
    QPainter painter(&picture);
    const QStringList windows = m_desktop.visibleWindowsOf(m_program.processId())
        + m_desktop.search({QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
            QStringLiteral("^trayer$")});
    for (const QString &window : windows) {
        const QRect rect = geometryOf(window).intersected(screen.rect());
        painter.drawImage(rect.topLeft(), screen.copy(rect));
        covered |= rect;
    }
    painter.end();
    const QRect frame = covered.adjusted(-24, -8, 8, 24).intersected(screen.rect());
    const QString target = qEnvironmentVariableIsSet("HOROLUX_PICTURE_PATH")
        ? qEnvironmentVariable("HOROLUX_PICTURE_PATH")
        : QStringLiteral(HOROLUX_PICTURE);
    QVERIFY2(picture.copy(frame).save(target), qPrintable(target));
    qInfo("wrote %s", qPrintable(target));

    QVERIFY(m_desktop.type({QStringLiteral("x")}));
    QTRY_VERIFY_WITH_TIMEOUT(m_program.state() == QProcess::NotRunning, kWaitMs);
}

QTEST_GUILESS_MAIN(InUsePicture)
#include "InUsePicture.moc"
