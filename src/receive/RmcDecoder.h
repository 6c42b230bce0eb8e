#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// What one sentence line (the text after "GPRMC," up to its CR) decodes to.
struct RmcDecode
{
    // How many of hour, minute and second converted before a field failed (0 to 3).
    int timeFieldsConverted = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool locked = false;
    int day = 0;
    int month = 0;
    int year = 0; // four digits: two-digit year + 2000
    QString timeText; // "hh:mm:ss"
    QString dateText; // "mm/dd/yy"
    QString displayText; // "h:mm AM/PM"
    // The line decoded to a real time of day; everything above is filled in.
    bool complete = false;
    // The line carried a checksum, and a true one.
    bool checksummed = false;
    // The time field is six digits with at most a fraction of digits after a ".", and the date
    // field exactly six digits: what the lenient reading above made of it is what was sent.
    bool exactDigits = false;
};

namespace RmcDecoder {

// head is the sentence head as received ("GPRMC,"), line the text after it up to its CR. A line
// whose checksum is missing decodes; one whose checksum is wrong or malformed decodes to nothing.
RmcDecode decode(QByteArrayView head, const QByteArray &line);

// True when the line carries no "*", or ends in "*hh" CR with hh (hex, either case) the XOR of
// every character of head and line before the "*".
bool checksumAccepts(QByteArrayView head, QByteArrayView line);

// The standard text-to-number conversion: surrounding blanks, a sign, digits and an optional
// fraction rounded half to even; anything else is no number.
std::optional<int> toInteger(QByteArrayView text);
// The leading run of decimal digits after any blanks; 0 when there is none. Never fails.
int leadingNumber(QByteArrayView text);

} // namespace RmcDecoder
