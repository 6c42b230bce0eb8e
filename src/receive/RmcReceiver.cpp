#include "RmcReceiver.h"

#include "RmcDecoder.h"
#include "RmcHeadMatcher.h"
#include "RmcLineCollector.h"
#include "platform/EventPump.h"
#include "platform/Timer.h"
#include "serial/CommError.h"
#include "serial/MSComm.h"
#include "setup/Form5.h"
#include "shell/Form1.h"
#include "shell/HoroluxApp.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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

// One pass of the window system between reads. It sleeps until the next event only when there
// is nothing left to read and the text looked for has not arrived yet.
void letEventsRun(MSComm &port, bool found)
{
    EventPump::step(found || (port.PortOpen() && port.InBufferCount() > 0));
}

void setText2Look(QLineEdit *text2, double points, bool bold)
{
    QFont font = text2->font();
    font.setPointSizeF(points);
    font.setBold(bold);
    text2->setFont(font);
}
} // namespace

RmcReceiver::RmcReceiver(HoroluxApp &app)
    : m_app(app)
{ }

bool RmcReceiver::ReceiveRmc(qint16 &year, qint16 &month, qint16 &, qint16 &day, qint16 &hour,
    qint16 &minute, qint16 &second, qint16 &milliseconds)
{
    Module1 &m = m_app.module1();
    if (!m_app.form1()->isEnabled() || m.receiveBusy)
        return false;
    m.receiveBusy = true;
    showSearching();
    MSComm &port = m_app.form5()->MSComm1;
    Fields fields {year, month, day, hour, minute, second, milliseconds};
    bool decoded = false;
    try {
        if (!port.PortOpen())
            openOnDemand(port);
        else
            decoded = search(port, fields);
    } catch (const CommError &) {
        decoded = false;
    }
    if (!decoded)
        notFound();
    return decoded;
}

void RmcReceiver::showSearching()
{
    Form1 *form = m_app.form1();
    form->Image1[1]->setVisible(false);
    form->Image1[0]->setVisible(true);
    form->Text2->setEnabled(true);
    setText2Look(form->Text2, 8, true);
    form->Text2->setText(QStringLiteral("Searching..."));
}

void RmcReceiver::openOnDemand(MSComm &port)
{
    // This call only opens the port; the next one finds it open and searches.
    const qint16 receivePort = m_app.module1().receivePort;
    if (receivePort > 0)
        port.openQuietly(receivePort);
}

bool RmcReceiver::search(MSComm &port, Fields &fields)
{
    Module1 &m = m_app.module1();
    Form1 *form = m_app.form1();
    const MSComm::ReadingScope reading(port);
    form->Timer3->setEnabled(true);
    m.receiveCountdown = kHeadCountdown;
    port.setInBufferCount(0);

    RmcHeadMatcher head;
    while (!head.found() && !m.shuttingDown) {
        head.feed(port.Input());
        letEventsRun(port, head.found());
        if (m.receiveCountdown < 1)
            return false;
        if (m.receiveCountdown < 4)
            form->Text2->setEnabled(false);
    }
    fields.milliseconds = 0;
    m.receiveCountdown = kLineCountdown;

    RmcLineCollector line;
    while (!line.complete() && !m.shuttingDown) {
        line.feed(port.Input());
        letEventsRun(port, line.complete());
        if (m.receiveCountdown < 1)
            return false;
    }
    form->Timer3->setEnabled(false);

    // Longer than any real sentence: what was cut off may have held its checksum.
    if (line.truncated())
        return false;
    const RmcDecode decode = RmcDecoder::decode(head.head(), line.line());
    store(decode, fields);
    if (!decode.complete)
        return false;
    showDecoded(decode);
    form->Timer3->setEnabled(false);
    m.receiveBusy = false;
    return true;
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
    Module1 &m = m_app.module1();
    m.timeText = decode.timeText;
    m.gpsLocked = decode.locked;
    fields.month = qint16(decode.month);
    fields.day = qint16(decode.day);
    fields.year = qint16(decode.year);
    m.dateText = decode.dateText;
}

void RmcReceiver::showDecoded(const RmcDecode &decode)
{
    Form1 *form = m_app.form1();
    form->Text2->setText(decode.displayText);
    setText2Look(form->Text2, 14, false);
    form->Text2->setEnabled(true);
    form->Text2->setToolTip(decode.dateText);
    form->Image1[1]->setVisible(decode.locked);
    form->Image1[0]->setVisible(!decode.locked);
    form->menuMenuSet->setEnabled(true);
    form->Command1->setEnabled(true);
}

void RmcReceiver::notFound()
{
    Module1 &m = m_app.module1();
    Form1 *form = m_app.form1();
    form->Timer3->setEnabled(false);
    m.receiveBusy = false;
    form->Text2->setText(QStringLiteral("Not Found"));
    form->Text2->setEnabled(false);
    form->Image1[1]->setVisible(false);
    form->Image1[0]->setVisible(true);
    m.timeText.clear();
    m.gpsLocked = false;
    m.dateText.clear();
}
