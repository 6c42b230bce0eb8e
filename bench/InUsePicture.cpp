#include "ChildProcess.h"
#include "ProgramCopy.h"
#include "PseudoTerminal.h"
#include "VirtualDesktop.h"

#include <QFile>
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
// decoded GPS time, the transmission monitor the last sentence, and the tray menu is open. Then
// the history window over a made-up day of hourly settings (docs/history-window.png).
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

QByteArray utc(const QDateTime &at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).toLatin1();
}

// A day up to `end` as history.csv has it: a setting each hour, the clock gaining 15 to 30 ms
// in between; the receiver unplugged for two hours after 01:00 (told once), a decode without a
// fix at 05:00, a sentence to the master clock each minute but during a pause at midday.
QByteArray madeUpDay(const QDateTime &end)
{
    QByteArray csv = "event,computer_utc,gps_utc,status,clock_minus_gps_ms,step_ms,note\n";
    const QDateTime start = end.addDays(-1);
    for (int minute = 0; minute <= 24 * 60; ++minute) {
        const QDateTime at = start.addSecs(60 * minute);
        const int hour = at.time().hour();
        if (at.time().minute() == 0 && (hour < 1 || hour > 3)) {
            const int offset = 15 + (minute / 60 * 7) % 16;
            const QDateTime gps = at.addSecs(2);
            csv += "decode," + utc(gps.addMSecs(offset)) + ',' + utc(gps).left(19)
                + (hour == 5 ? ",V," : ",A,") + QByteArray::number(offset) + ','
                + (hour == 5 ? QByteArray() : QByteArray::number(-offset)) + ",\n";
        }
        if (at.time() == QTime(1, 10))
            csv += "notice," + utc(at)
                + ",,,,,\"The receiver's port cannot be opened: access is denied.\"\n";
        if (hour != 12 && hour != 13)
            csv += "sent," + utc(at.addSecs(30)) + ',' + utc(at.addSecs(30)).left(19) + ",,,,\n";
    }
    return csv;
}
} // namespace

class InUsePicture : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void draw();
    void drawHistory();

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

void InUsePicture::drawHistory()
{
    // A screen large enough that the window opens at its own size (at most two thirds of the
    // screen); only the master clock is wired, so the made-up
    // record is all the plot shows.
    m_desktop.stop();
    QString error;
    QVERIFY2(m_desktop.start(VirtualDesktop::Tray::Present, &error, QSize(1200, 960)),
        qPrintable(error));
    PseudoTerminal masterClock;
    m_copy.wirePort(masterClock, 2);
    QVERIFY(m_copy.writeSettings(QByteArray("\x00\x00\x02", 3)));
    const QDateTime now(QDate(2031, 7, 14), QTime(9, 41, 10), QTimeZone::utc());
    QFile record(m_copy.folder() + QStringLiteral("/history.csv"));
    QVERIFY(record.open(QIODevice::WriteOnly)
        && record.write(madeUpDay(now.addSecs(-41 * 60 - 10))) > 0);
    record.close();
    m_copy.setClockStart(now.toMSecsSinceEpoch());
    m_copy.start(m_program, m_desktop.environment());
    QVERIFY(m_program.waitForStarted(kWaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(!trayIcon().isEmpty(), kWaitMs);
    openTrayMenu();
    QVERIFY(m_desktop.type({QStringLiteral("o")}));
    QString window;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(window = m_desktop.visibleWindowNamed(QStringLiteral("^Horolux History$"))).isEmpty(),
        kWaitMs);
    QTest::qWait(500); // the window manager draws its frame

    QTemporaryDir scratch;
    const QString shot = scratch.filePath(QStringLiteral("screen.png"));
    QVERIFY(m_desktop.screenshot(shot));
    const QImage screen(shot);
    const QRect rect = geometryOf(window).intersected(screen.rect());
    QVERIFY(!rect.isEmpty());
    const QString target = qEnvironmentVariableIsSet("HOROLUX_HISTORY_PICTURE_PATH")
        ? qEnvironmentVariable("HOROLUX_HISTORY_PICTURE_PATH")
        : QStringLiteral(HOROLUX_HISTORY_PICTURE);
    QVERIFY2(screen.copy(rect).save(target), qPrintable(target));
    qInfo("wrote %s", qPrintable(target));
    endProcess(m_program);
}

QTEST_GUILESS_MAIN(InUsePicture)
#include "InUsePicture.moc"
