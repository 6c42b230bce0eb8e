#include "RmcDecoder.h"

#include <QLocale>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <limits>

namespace RmcDecoder {

namespace {
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text = text.chopped(1);
    return text;
}

bool allDigits(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The field that starts at `start`: up to its comma, the checksum's "*" or the CR.
QByteArrayView fieldAt(QByteArrayView line, qsizetype start)
{
    qsizetype end = start;
    while (end < line.size() && line[end] != ',' && line[end] != '*' && line[end] != '\r')
        ++end;
    return line.sliced(start, end - start);
}

bool exactTimeAndDate(QByteArrayView time, QByteArrayView date)
{
    const qsizetype point = time.indexOf('.');
    const QByteArrayView fraction = point < 0 ? QByteArrayView() : time.sliced(point + 1);
    if (point >= 0 && (fraction.isEmpty() || !allDigits(fraction)))
        return false;
    const QByteArrayView whole = point < 0 ? time : time.first(point);
    return whole.size() == 6 && allDigits(whole) && date.size() == 6 && allDigits(date);
}

QString twoDigits(int value)
{
    const QString digits = QString::number(std::abs(value)).rightJustified(2, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

// Positions just after the 1st and the 8th comma; empty when the line has fewer than eight.
std::optional<std::pair<qsizetype, qsizetype>> locateFields(const QByteArray &line)
{
    qsizetype position = -1;
    qsizetype statusStart = 0;
    for (int count = 1; count <= 8; ++count) {
        position = line.indexOf(',', position + 1);
        if (position < 0)
            return std::nullopt;
        if (count == 1)
            statusStart = position + 1;
    }
    return std::make_pair(statusStart, position + 1);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

quint8 xorOf(QByteArrayView text, quint8 sum = 0)
{
    for (char c : text)
        sum ^= quint8(c);
    return sum;
}
} // namespace

bool checksumAccepts(QByteArrayView head, QByteArrayView line)
{
    // Older receivers send no checksum at all; anything after a "*" must be exactly one.
    const qsizetype star = line.indexOf('*');
    if (star < 0)
        return true;
    if (line.size() != star + 4 || line.back() != '\r')
        return false;
    const int high = hexDigit(line[star + 1]);
    const int low = hexDigit(line[star + 2]);
    return high >= 0 && low >= 0 && xorOf(line.first(star), xorOf(head)) == high * 16 + low;
}

std::optional<int> toInteger(QByteArrayView text)
{
    text = trimmedBlanks(text);
    bool negative = false;
    if (!text.isEmpty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text = text.sliced(1);
    }
    const qsizetype point = text.indexOf('.');
    const QByteArrayView whole = point < 0 ? text : text.first(point);
    const QByteArrayView fraction = point < 0 ? QByteArrayView() : text.sliced(point + 1);
    if (whole.size() + fraction.size() == 0 || !allDigits(whole) || !allDigits(fraction))
        return std::nullopt;
    const double value = QByteArray(whole.data(), whole.size()).toDouble()
        + (fraction.isEmpty() ? 0.0 : QByteArray("0." + fraction.toByteArray()).toDouble());
    const double rounded = std::nearbyint(value); // half to even in the default rounding mode
    const double signedValue = negative ? -rounded : rounded;
    if (signedValue < std::numeric_limits<qint16>::min()
        || signedValue > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return int(signedValue);
}

int leadingNumber(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

RmcDecode decode(QByteArrayView head, const QByteArray &line)
{
    RmcDecode result;
    // A line damaged on its way must not set the clock: one flipped bit moves it by hours.
    if (!checksumAccepts(head, line))
        return result;
    result.checksummed = line.contains('*');
    const auto fields = locateFields(line);
    if (!fields)
        return result;
    result.exactDigits = exactTimeAndDate(fieldAt(line, 0), fieldAt(line, fields->second));
    int *const timeParts[] = {&result.hour, &result.minute, &result.second};
    for (int i = 0; i < 3; ++i) {
        const auto value = toInteger(line.mid(2 * i, 2));
        if (!value)
            return result;
        *timeParts[i] = *value;
        result.timeFieldsConverted = i + 1;
    }
    result.timeText = twoDigits(result.hour) + QLatin1Char(':') + twoDigits(result.minute)
        + QLatin1Char(':') + twoDigits(result.second);
    result.locked = line.mid(fields->first, 1) == "A";
    const qsizetype date = fields->second;
    result.month = leadingNumber(line.mid(date + 2, 2));
    result.day = leadingNumber(line.mid(date, 2));
    result.year = leadingNumber(line.mid(date + 4, 2)) + 2000;
    result.dateText = twoDigits(result.month) + QLatin1Char('/') + twoDigits(result.day)
        + QLatin1Char('/') + twoDigits(result.year - 2000);
    const QTime time(result.hour, result.minute, result.second);
    if (!time.isValid())
        return result;
    result.displayText = QLocale::c().toString(time, QStringLiteral("h:mm AP"));
    result.complete = true;
    return result;
}

} // namespace RmcDecoder
