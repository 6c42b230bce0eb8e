#include "HistoryEntry.h"

#include "common/SystemTime.h"

#include <QList>
#include <charconv>
#include <chrono>
#include <cstdio>

namespace {
constexpr qint64 kDayMs = 24 * 3600 * 1000;

// "YYYY-MM-DD hh:mm:ss" or with ".mmm": a form spreadsheets read as a date and time.
QByteArray utcText(qint64 ms, bool withMilliseconds)
{
    using namespace std::chrono;
    const year_month_day date {sys_days {days {floorDiv(ms, kDayMs)}}};
    const qint64 inDay = floorMod(ms, kDayMs);
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d",
        int(date.year()), unsigned(date.month()), unsigned(date.day()), int(inDay / 3600000),
        int(inDay / 60000 % 60), int(inDay / 1000 % 60));
    QByteArray out(text, length);
    if (withMilliseconds)
        out += '.' + QByteArray::number(inDay % 1000).rightJustified(3, '0');
    return out;
}

// Digits of a fixed width at `at`, or -1.
int digits(QByteArrayView text, qsizetype at, qsizetype width)
{
    if (at + width > text.size())
        return -1;
    int value = 0;
    for (qsizetype i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::optional<qint64> parseUtc(QByteArrayView text)
{
    using namespace std::chrono;
    if ((text.size() != 19 && text.size() != 23) || text[4] != '-' || text[7] != '-'
        || text[10] != ' ' || text[13] != ':' || text[16] != ':')
        return {};
    const int fields[] = {digits(text, 0, 4), digits(text, 5, 2), digits(text, 8, 2),
        digits(text, 11, 2), digits(text, 14, 2), digits(text, 17, 2),
        text.size() == 23 && text[19] == '.' ? digits(text, 20, 3) : 0};
    for (int field : fields) {
        if (field < 0)
            return {};
    }
    const year_month_day date {
        year {fields[0]}, month {unsigned(fields[1])}, day {unsigned(fields[2])}};
    if (!date.ok() || fields[3] > 23 || fields[4] > 59 || fields[5] > 59)
        return {};
    const qint64 day = sys_days {date}.time_since_epoch().count();
    return day * kDayMs + fields[3] * 3600000LL + fields[4] * 60000LL + fields[5] * 1000LL
        + fields[6];
}

std::optional<qint64> parseNumber(QByteArrayView text)
{
    qint64 value = 0;
    const char *end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && at == end ? std::optional<qint64>(value) : std::nullopt;
}

QByteArray quoted(const QString &text)
{
    QByteArray out = text.toUtf8();
    out.replace('"', "\"\"");
    out.replace('\n', ' ');
    out.replace('\r', ' ');
    return '"' + out + '"';
}

QString unquoted(QByteArrayView text)
{
    QByteArray out = text.toByteArray();
    if (out.size() >= 2 && out.startsWith('"') && out.endsWith('"'))
        out = out.mid(1, out.size() - 2).replace("\"\"", "\"");
    return QString::fromUtf8(out);
}
} // namespace

HistoryEntry HistoryEntry::decode(const DecodeReading &reading)
{
    HistoryEntry entry;
    entry.computerMs = reading.computerMs;
    entry.gpsMs = reading.gpsMs;
    entry.locked = reading.locked;
    entry.offsetMs = clockMinusGpsMs(reading);
    return entry;
}

HistoryEntry HistoryEntry::sent(qint64 computerMs, qint64 namedMs)
{
    HistoryEntry entry;
    entry.kind = Kind::Sent;
    entry.computerMs = computerMs;
    entry.gpsMs = namedMs;
    return entry;
}

HistoryEntry HistoryEntry::notice(qint64 computerMs, const QString &text)
{
    HistoryEntry entry;
    entry.kind = Kind::Notice;
    entry.computerMs = computerMs;
    entry.note = text;
    return entry;
}

QByteArray HistoryEntry::csvHeader()
{
    return "event,computer_utc,gps_utc,status,clock_minus_gps_ms,step_ms,note\n";
}

QByteArray HistoryEntry::toCsvLine() const
{
    QByteArray line;
    switch (kind) {
    case Kind::Decode:
        line = "decode," + utcText(computerMs, true) + ',' + utcText(gpsMs, false)
            + (locked ? ",A," : ",V,") + QByteArray::number(offsetMs) + ','
            + (stepMs ? QByteArray::number(*stepMs) : QByteArray()) + ',';
        break;
    case Kind::Sent:
        line = "sent," + utcText(computerMs, true) + ',' + utcText(gpsMs, false) + ",,,,";
        break;
    case Kind::Notice:
        line = "notice," + utcText(computerMs, true) + ",,,,," + quoted(note);
        break;
    }
    return line + '\n';
}

std::optional<qint64> HistoryEntry::computerMsOf(QByteArrayView line)
{
    const qsizetype comma = line.indexOf(',');
    return comma < 0
        ? std::nullopt
        : parseUtc(line.sliced(comma + 1).first(std::min<qsizetype>(23, line.size() - comma - 1)));
}

std::optional<HistoryEntry> HistoryEntry::fromCsvLine(QByteArrayView line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    // Six fields, then the note, which may hold commas of its own.
    QByteArrayView fields[6];
    qsizetype start = 0;
    for (QByteArrayView &field : fields) {
        const qsizetype comma = line.indexOf(',', start);
        if (comma < 0)
            return {};
        field = line.sliced(start, comma - start);
        start = comma + 1;
    }
    const QByteArrayView note = line.sliced(start);
    const auto computerMs = parseUtc(fields[1]);
    if (!computerMs)
        return {};
    HistoryEntry entry;
    entry.computerMs = *computerMs;
    if (fields[0] == "notice") {
        entry.kind = Kind::Notice;
        entry.note = unquoted(note);
        return entry;
    }
    const auto gpsMs = parseUtc(fields[2]);
    if (!gpsMs)
        return {};
    entry.gpsMs = *gpsMs;
    if (fields[0] == "sent") {
        entry.kind = Kind::Sent;
        return entry;
    }
    const auto offset = parseNumber(fields[4]);
    if (fields[0] != "decode" || (fields[3] != "A" && fields[3] != "V") || !offset)
        return {};
    entry.locked = fields[3] == "A";
    entry.offsetMs = *offset;
    if (!fields[5].isEmpty()) {
        entry.stepMs = parseNumber(fields[5]);
        if (!entry.stepMs)
            return {};
    }
    return entry;
}
