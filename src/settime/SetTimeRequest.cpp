#include "SetTimeRequest.h"

#include <algorithm>

namespace {
// More digits than any accepted moment has: longer lines are refused before they can overflow.
constexpr std::size_t kMaxDigits = 10;
} // namespace

std::string SetTimeRequest::check(std::string_view line, long long earliest)
{
    if (line.empty())
        return "empty request";
    if (!std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return "not a number of seconds";
    if (line.size() > kMaxDigits)
        return "out of range";
    const long long value = seconds(line);
    if (value < earliest || value > kLatest)
        return "out of range";
    return {};
}

time_t SetTimeRequest::seconds(std::string_view line)
{
    long long value = 0;
    for (char c : line.substr(0, kMaxDigits))
        value = value * 10 + (c - '0');
    return time_t(value);
}
