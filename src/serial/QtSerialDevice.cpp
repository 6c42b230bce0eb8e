#include "QtSerialDevice.h"

#include "CommError.h"

#include <QObject>
#include <poll.h>
#include <sched.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// Bounds what a flooding device can make us hold in memory; the kernel keeps the rest.
constexpr qint64 kReadBufferSize = 64 * 1024;
// While draining, how often input is thrown away once some arrived, when the clock's second does
// not do it first. The kernel wakes a watcher for every character (at 2400 baud 240 a second,
// whatever VMIN says), so the port is not watched at all then: input piles up in the kernel and
// goes in one go, and the throwing away is what sees a hang-up. A second and a half, beyond a
// coarse timer's 5 % slack, so that the clock's second always comes first.
constexpr int kDrainPauseMs = 1500;

QSerialPort::Parity toParity(char parity)
{
    switch (parity) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    case 'M':
        return QSerialPort::MarkParity;
    case 'S':
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toStopBits(int stopBits)
{
    if (stopBits == 2)
        return QSerialPort::TwoStop;
    return stopBits == 15 ? QSerialPort::OneAndHalfStop : QSerialPort::OneStop;
}
} // namespace

QtSerialDevice::QtSerialDevice(
    const QString &path, const LineSettings &settings, PortDirection direction)
{
    m_port.setPortName(path);
    m_port.setReadBufferSize(kReadBufferSize);
    const bool outputOnly = direction == PortDirection::OutputOnly;
    if (!m_port.open(outputOnly ? QIODevice::WriteOnly : QIODevice::ReadWrite)) {
        const auto error = m_port.error();
        const QString detail = m_port.errorString();
        if (error == QSerialPort::PermissionError)
            throw CommError(CommError::PortAlreadyOpen, detail);
        // Missing, or a serial port node with no hardware behind it (EIO on open).
        throw CommError(CommError::InvalidPortNumber, detail);
    }
    lockExclusively();
    applySettings(settings);
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
        [this](QSerialPort::SerialPortError error) { onError(error); });
    m_drainPause.setSingleShot(true);
    m_drainPause.setInterval(kDrainPauseMs);
    QObject::connect(&m_drainPause, &QTimer::timeout, &m_port, [this] { throwInputAway(); });
    QObject::connect(&m_port, &QSerialPort::readyRead, &m_port, [this] {
        if (m_draining)
            onDrainedInput();
        else
            tellInputArrived();
    });
}

QtSerialDevice::~QtSerialDevice() = default;

void QtSerialDevice::lockExclusively()
{
    // The tty's own exclusive mode does not stop root; an advisory lock on the open file
    // description catches a second open from this program or another copy of it.
    if (::flock(int(m_port.handle()), LOCK_EX | LOCK_NB) != 0) {
        m_port.close();
        throw CommError(CommError::PortAlreadyOpen);
    }
}

void QtSerialDevice::applySettings(const LineSettings &settings)
{
    const bool ok = m_port.setBaudRate(settings.baudRate)
        && m_port.setDataBits(QSerialPort::DataBits(settings.dataBits))
        && m_port.setParity(toParity(settings.parity))
        && m_port.setStopBits(toStopBits(settings.stopBits))
        && m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        const QString detail = m_port.errorString();
        m_port.close();
        throw CommError(CommError::CannotApplySettings, detail);
    }
}

void QtSerialDevice::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        // Unplugged or hung up (a pseudo-terminal reports a read error, and keeps reporting it
        // in a tight loop while open): release the descriptor so the device can come back.
        m_failed = true;
        m_port.close();
    }
}

void QtSerialDevice::setDraining(bool on)
{
    if (m_failed || on == m_draining)
        return;
    m_draining = on;
    m_drainPause.stop();
    // Draining, Qt keeps one character, and stops watching the port while one is kept. Reading
    // the buffer empty has it watch again; what waits in the kernel is left to the reader.
    m_port.setReadBufferSize(on ? 1 : kReadBufferSize);
    m_port.readAll();
}

void QtSerialDevice::onDrainedInput()
{
    if (!m_drainPause.isActive())
        m_drainPause.start();
}

void QtSerialDevice::endDrainPause()
{
    if (!m_draining || !m_drainPause.isActive())
        return;
    throwInputAway();
}

void QtSerialDevice::throwInputAway()
{
    // Clearing reports a hang-up, which closes the port. Nothing is read: Qt stopped watching
    // the port when its one-character buffer was full, and stays so until the next read.
    m_port.clear(QSerialPort::Input);
    if (!m_failed)
        m_drainPause.start();
}

bool QtSerialDevice::hasFailed() const
{
    // Opened for writing only, the port is unwatched and learns of a hang-up only when asked:
    // asked before each use, it is closed then, and the caller opens the device anew.
    if (!m_failed && !m_port.isReadable()) {
        pollfd watched = {int(m_port.handle()), 0, 0};
        if (::poll(&watched, 1, 0) > 0 && (watched.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            m_failed = true;
            m_port.close();
        }
    }
    return m_failed;
}

qint64 QtSerialDevice::bytesAvailable() const
{
    return m_failed ? 0 : m_port.bytesAvailable();
}

QByteArray QtSerialDevice::read(qint64 maxSize)
{
    if (m_failed)
        throw CommError(CommError::DeviceNotAvailable);
    return m_port.isReadable() ? m_port.read(maxSize) : QByteArray();
}

void QtSerialDevice::write(const QByteArray &data)
{
    if (m_failed)
        throw CommError(CommError::DeviceNotAvailable);
    // With nothing queued before it, a sentence goes straight to the line: the second-30
    // sentence leaves without a write watcher being set up and torn down first. What the line
    // does not take at once, or an error, goes the port's own way.
    qint64 written = 0;
    if (m_port.bytesToWrite() == 0)
        written
            = qMax<qint64>(0, ::write(int(m_port.handle()), data.constData(), size_t(data.size())));
    if (written == data.size()) {
        // The kernel hands the bytes on to the line from a worker of this processor; the
        // display work that follows in this wake-up would keep it waiting a millisecond or more.
        ::sched_yield();
        return;
    }
    const QByteArray rest = data.mid(written);
    if (m_port.write(rest) != rest.size())
        throw CommError(CommError::WriteFailed, m_port.errorString());
    m_port.flush();
}

void QtSerialDevice::discardInput()
{
    if (m_failed)
        throw CommError(CommError::DeviceNotAvailable);
    m_port.clear(QSerialPort::Input);
    // Clearing a hung-up device reports the hang-up and closes the port.
    if (m_failed)
        throw CommError(CommError::DeviceNotAvailable);
    if (m_port.isReadable())
        m_port.readAll();
}

qint64 QtSerialDevice::bytesToWrite() const
{
    return m_failed ? 0 : m_port.bytesToWrite();
}

void QtSerialDevice::discardOutput()
{
    // Qt's queue and the kernel's go together.
    if (!m_failed)
        m_port.clear(QSerialPort::Output);
}

bool QtSerialDevice::ctsHolding() const
{
    if (m_failed)
        throw CommError(CommError::DeviceNotAvailable);
    m_port.clearError();
    const auto signals_ = m_port.pinoutSignals();
    if (m_port.error() != QSerialPort::NoError) {
        // No modem-status lines (pseudo-terminal, some adapters): it exists, CTS is unknown.
        m_port.clearError();
        return true;
    }
    return signals_.testFlag(QSerialPort::ClearToSendSignal);
}
