#include "RmcSentence.h"

namespace RmcSentence {

namespace {
// Position and motion are fixed; the magnetic variation is a constant zero, easterly.
constexpr char kFix[] = ",A,3224.3425,N,09341.9247,W,0.0,000.0,";
constexpr char kVariation[] = "000.0,E";

QByteArray twoDigits(int value)
{
    return QByteArray::number(value % 100).rightJustified(2, '0');
}
} // namespace

QByteArray build(const SYSTEMTIME &utc)
{
    QByteArray body = "GPRMC,";
    body += twoDigits(utc.wHour) + twoDigits(utc.wMinute) + "30";
    body += kFix;
    body += twoDigits(utc.wDay) + twoDigits(utc.wMonth) + twoDigits(utc.wYear);
    body += ',';
    body += kVariation;
    return '$' + body + '*' + checksum(body) + "\r\n";
}

QByteArray checksum(QByteArrayView body)
{
    quint8 sum = 0;
    for (const char c : body)
        sum ^= quint8(c);
    return QByteArray::number(sum, 16).toUpper().rightJustified(2, '0');
}

} // namespace RmcSentence
