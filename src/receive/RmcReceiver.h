#pragma once

#include <QtGlobal>

class HoroluxApp;
class MSComm;
struct RmcDecode;

// The receive routine: waits on the receive port for the next $GPRMC sentence, decodes its
// time, fix status and date into the clock fields and shows the result in the main window.
class RmcReceiver
{
public:
    explicit RmcReceiver(HoroluxApp &app);

    // True only when this very call decoded a sentence; callers that set the clock need this.
    bool ReceiveRmc(qint16 &year, qint16 &month, qint16 &dayOfWeek, qint16 &day, qint16 &hour,
        qint16 &minute, qint16 &second, qint16 &milliseconds);

private:
    struct Fields;
    void showSearching();
    void openOnDemand(MSComm &port);
    bool search(MSComm &port, Fields &fields);
    void store(const RmcDecode &decode, Fields &fields);
    void showDecoded(const RmcDecode &decode);
    void notFound();

    HoroluxApp &m_app;
};
