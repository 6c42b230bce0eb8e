#include "DelayMeasurement.h"

#include "RmcDecoder.h"
#include "SettingMoment.h"
#include "common/Module1.h"
#include "common/SystemTime.h"
#include "platform/Clock.h"
#include "serial/CommError.h"
#include "serial/PortMap.h"

#include <utility>

namespace {
constexpr qint64 kNanosPerMilli = 1000 * 1000;
constexpr qint64 kNanosPerSecond = 1000 * kNanosPerMilli;
} // namespace

DelayMeasurement::DelayMeasurement(Wiring wiring, QObject *parent)
    : QObject(parent)
    , m_w(std::move(wiring))
{
    // Tells how long is left, and ends a silent listening; input looks at the end too.
    m_countdown.setInterval(1000);
    connect(&m_countdown, &QTimer::timeout, this, &DelayMeasurement::look);
    connect(&m_w.clock, &Clock::jumped, this, [this] {
        if (running())
            look();
    });
}

DelayMeasurement::~DelayMeasurement()
{
    stop();
}

int DelayMeasurement::portNumber() const
{
    const int port = m_w.module1.receivePort;
    return isSelectablePort(port) ? port : 0;
}

QString DelayMeasurement::whyNot() const
{
    if (portNumber() == 0)
        return QStringLiteral("The program has no receive port: there is no receiver to measure.");
    if (!m_w.clock.keptSynchronised())
        return QStringLiteral("Measuring needs a clock kept synchronised by a time service "
                              "(NTP); this computer's is not.");
    if (m_w.module1.receiveBusy)
        return QStringLiteral("The program is searching the receive port for a sentence; try "
                              "again in a moment.");
    return {};
}

void DelayMeasurement::start()
{
    if (running())
        return;
    if (const QString why = whyNot(); !why.isEmpty()) {
        emit failed(why);
        return;
    }
    MSComm &port = m_w.port();
    // Opened as a search would open it: the port may be closed after a failure.
    if (!port.PortOpen() && !port.openQuietly(portNumber())) {
        emit failed(QStringLiteral("%1, the receive port, cannot be opened now.")
                        .arg(PortMap::groupName(portNumber())));
        return;
    }
    m_listened = &port;
    m_reading.emplace(port);
    m_head = RmcHeadMatcher(m_w.anyTalker && m_w.anyTalker());
    m_line = RmcLineCollector();
    m_samples = DelaySamples();
    m_endNanos = m_w.clock.steadyNanos() + kSeconds * kNanosPerSecond;
    port.setInputArrived([this] { onInput(); });
    m_countdown.start();
    look();
    onInput();
}

void DelayMeasurement::stop()
{
    if (!running())
        return;
    m_countdown.stop();
    m_listened->setInputArrived({});
    m_reading.reset();
    m_listened = nullptr;
}

void DelayMeasurement::fail(const QString &text)
{
    stop();
    emit failed(text);
}

bool DelayMeasurement::keepsListening()
{
    const Module1 &m = m_w.module1;
    if (m.shuttingDown) {
        stop();
        return false;
    }
    // The search reads the same characters: it goes first, and this listening ends.
    if (m.receiveBusy) {
        fail(QStringLiteral("Interrupted: the program began a search of the receive port. "
                            "Measure again when it is over."));
        return false;
    }
    if (m_w.clock.steadyNanos() >= m_endNanos) {
        fail(m_samples.unsettled(kSeconds));
        return false;
    }
    return true;
}

void DelayMeasurement::look()
{
    if (!keepsListening())
        return;
    const qint64 left = m_endNanos - m_w.clock.steadyNanos();
    emit progress(QStringLiteral("Listening to the receiver: %1 sentences with a fix, %2 s left.")
                      .arg(m_samples.count())
                      .arg((left + kNanosPerSecond - 1) / kNanosPerSecond));
}

void DelayMeasurement::onInput()
{
    if (!keepsListening())
        return;
    try {
        while (running() && m_listened->PortOpen() && m_listened->InBufferCount() > 0)
            feed(m_listened->Input());
    } catch (const CommError &error) {
        // Unplugged or hung up in the middle: said as the port says it.
        fail(QStringLiteral("The receive port failed: %1").arg(error.description()));
    }
}

void DelayMeasurement::feed(QByteArrayView text)
{
    for (qsizetype i = 0; i < text.size() && running(); ++i) {
        if (!m_head.found()) {
            m_head.feed(text.sliced(i, 1));
            continue;
        }
        m_line.feed(text.sliced(i, 1));
        if (m_line.complete()) {
            takeLine();
            m_head = RmcHeadMatcher(m_w.anyTalker && m_w.anyTalker());
            m_line = RmcLineCollector();
        }
    }
}

void DelayMeasurement::takeLine()
{
    // Read as it arrives: the read that ends the line is the moment of its last character.
    const qint64 arrivalMSecs = m_w.clock.currentMSecsSinceEpoch();
    if (m_line.truncated())
        return;
    const RmcDecode decode = RmcDecoder::decode(m_head.head(), m_line.line());
    if (!decode.complete || !decode.checksummed)
        return;
    if (!decode.locked) {
        m_samples.addWithoutFix();
        return;
    }
    const auto named = msecsFromSystemTime(
        SYSTEMTIME {quint16(decode.year), quint16(decode.month), 0, quint16(decode.day),
            quint16(decode.hour), quint16(decode.minute), quint16(decode.second), 0});
    if (!named)
        return;
    // "$", the head, the line up to its CR, and the LF.
    const int characters = int(1 + m_head.head().size() + m_line.line().size() + 1);
    m_samples.add((arrivalMSecs - *named) * kNanosPerMilli
        - SettingMoment::transitNanos(characters, m_listened->baudRate()));
    const std::optional<int> delay = m_samples.agreedMillis();
    if (!delay) {
        look();
        return;
    }
    if (const QString why = DelaySamples::outOfRange(*delay); !why.isEmpty()) {
        fail(why);
        return;
    }
    stop();
    emit measured(*delay,
        QStringLiteral("Measured %1 s from %2 sentences with a fix; OK keeps it.")
            .arg(PortMap::delayText(*delay))
            .arg(m_samples.count()));
}
