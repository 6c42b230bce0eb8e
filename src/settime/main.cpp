// horolux-settime: the only part of Horolux that may set the system clock. It holds that right
// as a file capability, so it trusts nothing it is handed: it reads no environment, takes one
// request a line on standard input (whole seconds since 1970 UTC) and answers each on standard
// output with "ok" or "error <reason>". It ends when its input closes.
#include "SetTimeRequest.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {
// Longer than any valid request; the rest of a longer line is read and thrown away.
constexpr int kLineBuffer = 64;

// False at the end of input. tooLong is set for a line that did not fit the buffer.
bool readLine(std::string &line, bool &tooLong)
{
    char buffer[kLineBuffer];
    line.clear();
    tooLong = false;
    bool any = false;
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        any = true;
        const std::size_t length = std::strlen(buffer);
        const bool ended = length > 0 && buffer[length - 1] == '\n';
        if (!tooLong)
            line.append(buffer, ended ? length - 1 : length);
        if (line.size() >= kLineBuffer - 1)
            tooLong = true;
        if (ended)
            return true;
    }
    return any;
}

std::string answer(const std::string &line, bool tooLong)
{
    const std::string refused
        = tooLong ? "out of range" : SetTimeRequest::check(line, HOROLUX_BUILD_EPOCH);
    if (!refused.empty())
        return "error " + refused;
    timespec ts {};
    ts.tv_sec = SetTimeRequest::seconds(line);
    if (clock_settime(CLOCK_REALTIME, &ts) != 0)
        return std::string("error ") + std::strerror(errno);
    return "ok";
}
} // namespace

int main()
{
    std::string line;
    bool tooLong = false;
    while (readLine(line, tooLong)) {
        std::printf("%s\n", answer(line, tooLong).c_str());
        std::fflush(stdout);
    }
    return 0;
}
