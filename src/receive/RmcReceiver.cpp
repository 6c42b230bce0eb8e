#include "RmcReceiver.h"

#include "ReceiverView.h"
#include "RmcDecoder.h"
#include "RmcHeadMatcher.h"
#include "RmcLineCollector.h"
#include "common/Module1.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "serial/CommError.h"
#include "serial/MSComm.h"

#include <utility>

struct RmcReceiver::Fields
{
    qint16 &year;
    qint16 &month;
    qint16 &day;
    qint16 &hour;
    qint16 &minute;
    qint16 &second;
    qint16 &milliseconds;
};

namespace {
constexpr qint16 kHeadCountdown = 6;
constexpr qint16 kLineCountdown = 10;

// A wait between reads sleeps until the next event only when there is nothing left to read and
// the text looked for has not arrived yet.
bool moreInput(MSComm &port, bool found)
{
    return found || (port.PortOpen() && port.InBufferCount() > 0);
}
} // namespace

RmcReceiver::RmcReceiver(Wiring wiring)
    : m_module1(wiring.module1)
    , m_clock(wiring.clock)
    , m_port(std::move(wiring.port))
    , m_view(wiring.view)
    , m_anyTalker(std::move(wiring.anyTalker))
    , m_decoded(std::move(wiring.decoded))
{ }

bool RmcReceiver::receiveIntoClockFields()
{
    Module1 &m = m_module1;
    return ReceiveRmc(m.gpsYear, m.gpsMonth, m.gpsDayOfWeek, m.gpsDay, m.gpsHour, m.gpsMinute,
        m.gpsSecond, m.gpsMilliseconds);
}

bool RmcReceiver::receiveForClockSetting()
{
    Module1 &m = m_module1;
    Fields fields {
        m.gpsYear, m.gpsMonth, m.gpsDay, m.gpsHour, m.gpsMinute, m.gpsSecond, m.gpsMilliseconds};
    return receive(fields) == Outcome::Settable;
}

bool RmcReceiver::ReceiveRmc(qint16 &year, qint16 &month, qint16 &, qint16 &day, qint16 &hour,
    qint16 &minute, qint16 &second, qint16 &milliseconds)
{
    Fields fields {year, month, day, hour, minute, second, milliseconds};
    return receive(fields) != Outcome::NotFound;
}

RmcReceiver::Outcome RmcReceiver::receive(Fields &fields)
{
    Module1 &m = m_module1;
    if (!m_view.acceptsInput() || m.receiveBusy)
        return Outcome::NotFound;
    m.receiveBusy = true;
    m_view.showSearching();
    MSComm &port = m_port();
    Outcome outcome = Outcome::NotFound;
    try {
        if (!port.PortOpen())
            openOnDemand(port);
        else
            outcome = search(port, fields);
    } catch (const CommError &) {
        // A port that failed in the middle of a search: the sentence is not found.
        outcome = Outcome::NotFound;
    }
    if (outcome == Outcome::NotFound)
        notFound();
    return outcome;
}

void RmcReceiver::openOnDemand(MSComm &port)
{
    // This call only opens the port; the next one finds it open and searches.
    const qint16 receivePort = m_module1.receivePort;
    if (receivePort > 0)
        port.openQuietly(receivePort);
}

RmcReceiver::Outcome RmcReceiver::search(MSComm &port, Fields &fields)
{
    Module1 &m = m_module1;
    const MSComm::ReadingScope reading(port);
    m_view.setCountdownRunning(true);
    m.receiveCountdown = kHeadCountdown;
    port.setInBufferCount(0);

    RmcHeadMatcher head(m_anyTalker && m_anyTalker());
    bool timedOut = false;
    bool firstPass = true;
    // The countdown is looked at after each step, before the next test of the head.
    EventPump::waitWhile(
        m.shuttingDown,
        [&] {
            if (!std::exchange(firstPass, false)) {
                if (m.receiveCountdown < 1) {
                    timedOut = true;
                    return false;
                }
                if (m.receiveCountdown < 4)
                    m_view.showSearchRunningOut();
            }
            return !head.found();
        },
        [&] {
            head.feed(port.Input());
            return moreInput(port, head.found());
        });
    if (timedOut)
        return Outcome::NotFound;
    fields.milliseconds = 0;
    m.receiveCountdown = kLineCountdown;

    RmcLineCollector line;
    qint64 lastCharacterNanos = 0;
    firstPass = true;
    EventPump::waitWhile(
        m.shuttingDown,
        [&] {
            if (!std::exchange(firstPass, false) && m.receiveCountdown < 1) {
                timedOut = true;
                return false;
            }
            return !line.complete();
        },
        [&] {
            line.feed(port.Input());
            // Read as it arrives: the read that ends the line is the moment of its last character.
            if (line.complete() && lastCharacterNanos == 0)
                lastCharacterNanos = m_clock.steadyNanos();
            return moreInput(port, line.complete());
        });
    if (timedOut)
        return Outcome::NotFound;
    m_view.setCountdownRunning(false);

    // Longer than any real sentence: what was cut off may have held its checksum.
    if (line.truncated())
        return Outcome::NotFound;
    // "$", the head, the line up to its CR, and the LF; kept before the decode is told.
    m_arrival = {lastCharacterNanos, int(1 + head.head().size() + line.line().size() + 1)};
    return decodeLine(port, head.head(), line.line(), fields);
}

RmcReceiver::Outcome RmcReceiver::decodeLine(
    const MSComm &port, QByteArrayView head, const QByteArray &line, Fields &fields)
{
    const RmcDecode decode = RmcDecoder::decode(head, line);
    if (!checksumKept(port, decode))
        return Outcome::NotFound;
    store(decode, fields);
    if (!decode.complete)
        return Outcome::NotFound;
    if (m_decoded)
        m_decoded(decode);
    m_view.showDecoded(decode.displayText, decode.dateText, decode.locked);
    m_view.setCountdownRunning(false);
    m_module1.receiveBusy = false;
    // "+5" or "1." read as a number is shown as read, but is not what a receiver sends.
    return decode.exactDigits ? Outcome::Settable : Outcome::Shown;
}

bool RmcReceiver::checksumKept(const MSComm &port, const RmcDecode &decode)
{
    // A receiver that has sent a true checksum on this opening of the port sends one with every
    // line: a line without is a damaged one (one bit turns "*" into "+"), skipped as a line with
    // a wrong checksum is. A port closed and opened again may lead to another receiver.
    if (decode.checksummed)
        m_checksummedOpening = port.opening();
    return decode.checksummed || m_checksummedOpening != port.opening();
}

void RmcReceiver::store(const RmcDecode &decode, Fields &fields)
{
    // Fields are written in decoding order; a field that fails leaves the later ones untouched.
    qint16 *const timeFields[] = {&fields.hour, &fields.minute, &fields.second};
    const int timeValues[] = {decode.hour, decode.minute, decode.second};
    for (int i = 0; i < decode.timeFieldsConverted; ++i)
        *timeFields[i] = qint16(timeValues[i]);
    if (decode.timeFieldsConverted < 3)
        return;
    // Again here: a nested "Set Time" during the wait reloads every field from the computer.
    fields.milliseconds = 0;
    Module1 &m = m_module1;
    m.timeText = decode.timeText;
    m.gpsLocked = decode.locked;
    fields.month = qint16(decode.month);
    fields.day = qint16(decode.day);
    fields.year = qint16(decode.year);
    m.dateText = decode.dateText;
}

void RmcReceiver::notFound()
{
    Module1 &m = m_module1;
    m_view.setCountdownRunning(false);
    m.receiveBusy = false;
    m_view.showNotFound();
    m.timeText.clear();
    m.gpsLocked = false;
    m.dateText.clear();
}
