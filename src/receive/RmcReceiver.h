#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <functional>

class Clock;
class MSComm;
class ReceiverView;
struct Module1;
struct RmcDecode;

// The receive routine: waits on the receive port for the next $GPRMC sentence, decodes its
// time, fix status and date into the clock fields and shows the result through its view.
class RmcReceiver
{
public:
    struct Wiring
    {
        Module1 &module1;
        // Stamps the arrival of each sentence's last character.
        const Clock &clock;
        // Fetched at each search: the dialog that owns the port is created on first touch.
        std::function<MSComm &()> port;
        ReceiverView &view;
        // Whether the search takes "RMC," after any two capitals, not only "GPRMC,"; asked at
        // each search, so a changed port map counts from the next one.
        std::function<bool()> anyTalker;
        // Told of each sentence decoded to a time, the moment it is decoded.
        std::function<void(const RmcDecode &)> decoded = {};
    };

    explicit RmcReceiver(Wiring wiring);

    // True only when this very call decoded a sentence; callers that set the clock need this.
    bool ReceiveRmc(qint16 &year, qint16 &month, qint16 &dayOfWeek, qint16 &day, qint16 &hour,
        qint16 &minute, qint16 &second, qint16 &milliseconds);
    // The same with the shared clock fields.
    bool receiveIntoClockFields();
    // The same, but true only when the sentence may also set the clock: its time and date
    // fields were sent as exact digits.
    [[nodiscard]] bool receiveForClockSetting();

    // The last sentence decoded: when its last character was read (Clock::steadyNanos) and how
    // many characters it had, "$" to the final LF.
    struct Arrival
    {
        qint64 lastCharacterNanos = 0;
        int characters = 0;
    };
    const Arrival &lastArrival() const { return m_arrival; }

private:
    struct Fields;
    enum class Outcome { NotFound, Shown, Settable };
    Outcome receive(Fields &fields);
    void openOnDemand(MSComm &port);
    Outcome search(MSComm &port, Fields &fields);
    Outcome decodeLine(
        const MSComm &port, QByteArrayView head, const QByteArray &line, Fields &fields);
    [[nodiscard]] bool checksumKept(const MSComm &port, const RmcDecode &decode);
    void store(const RmcDecode &decode, Fields &fields);
    void notFound();

    Module1 &m_module1;
    const Clock &m_clock;
    std::function<MSComm &()> m_port;
    ReceiverView &m_view;
    std::function<bool()> m_anyTalker;
    // The opening of the receive port (MSComm::opening) on which a true checksum arrived.
    quint64 m_checksummedOpening = 0;
    std::function<void(const RmcDecode &)> m_decoded;
    Arrival m_arrival;
};
