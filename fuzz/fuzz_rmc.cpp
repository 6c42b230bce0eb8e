// Feeds arbitrary receiver output through the receive path's pure parts, one character per
// read as the receive routine reads the port, and checks what a decode may produce.

#include "RmcDecoder.h"
#include "RmcHeadMatcher.h"
#include "RmcLineCollector.h"

#include <QTime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #condition);           \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

void checkDecode(QByteArrayView head, const QByteArray &line)
{
    const RmcDecode d = RmcDecoder::decode(head, line);
    FUZZ_CHECK(d.timeFieldsConverted >= 0 && d.timeFieldsConverted <= 3);
    if (d.timeFieldsConverted == 3) {
        FUZZ_CHECK(d.timeText.size() >= 8);
        FUZZ_CHECK(d.year >= 2000 && d.year <= 2099);
        FUZZ_CHECK(d.month >= 0 && d.month <= 99 && d.day >= 0 && d.day <= 99);
        FUZZ_CHECK(d.dateText.size() == 8);
    }
    // Exact digits, read leniently, are the digits themselves.
    if (d.exactDigits && d.timeFieldsConverted == 3) {
        const auto twoAt = [&](int i) { return (line[i] - '0') * 10 + (line[i + 1] - '0'); };
        FUZZ_CHECK(d.hour == twoAt(0) && d.minute == twoAt(2) && d.second == twoAt(4));
    }
    if (!d.complete)
        return;
    FUZZ_CHECK(d.timeFieldsConverted == 3);
    FUZZ_CHECK(QTime(d.hour, d.minute, d.second).isValid());
    FUZZ_CHECK(d.timeText.size() == 8);
    FUZZ_CHECK(!d.displayText.isEmpty());
    // Any one flipped bit of a checksummed line, the "*" aside, is caught.
    const qsizetype star = line.indexOf('*');
    if (star < 0 || line.size() > 128)
        return;
    for (qsizetype i = 0; i < line.size(); ++i) {
        QByteArray flipped = line;
        flipped[i] = char(flipped[i] ^ 1);
        FUZZ_CHECK(i == star || !RmcDecoder::decode(head, flipped).complete);
    }
}

// One receive call: returns how many characters it consumed.
qsizetype receiveOnce(QByteArrayView input)
{
    static constexpr QByteArrayView kHead = RmcHeadMatcher::kHead;
    const qsizetype headAt = input.indexOf(kHead);
    RmcHeadMatcher head;
    qsizetype i = 0;
    while (i < input.size() && !head.found())
        head.feed(input.sliced(i++, 1));
    // The head is seen exactly where it first occurs, and not before.
    FUZZ_CHECK(head.found() == (headAt >= 0));
    if (!head.found())
        return i;
    FUZZ_CHECK(i == headAt + kHead.size());
    FUZZ_CHECK(head.head() == input.sliced(headAt, kHead.size()));

    const qsizetype lineStart = i;
    const qsizetype endAt = input.indexOf("\r\n", lineStart);
    RmcLineCollector line;
    while (i < input.size() && !line.complete()) {
        line.feed(input.sliced(i++, 1));
        FUZZ_CHECK(line.line().size() <= RmcLineCollector::kMaxKept);
    }
    FUZZ_CHECK(line.complete() == (endAt >= 0));
    if (!line.complete())
        return i;
    // The line is the text up to and including the CR, cut to what is kept.
    FUZZ_CHECK(i == endAt + 2);
    const qsizetype lineLength = endAt + 1 - lineStart;
    FUZZ_CHECK(line.line()
        == input.sliced(lineStart, lineLength).first(qMin(lineLength, RmcLineCollector::kMaxKept)));
    checkDecode(head.head(), line.line());
    return i;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    // Consecutive calls of the receive routine, each taking the next sentence.
    while (!input.isEmpty())
        input = input.sliced(receiveOnce(input));
    // The decoder also sees whatever a line could hold, not only what the collector passes on.
    checkDecode(
        RmcHeadMatcher::kHead, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
