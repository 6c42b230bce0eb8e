#pragma once

#include <ctime>
#include <string>
#include <string_view>

// One request to the clock-setting helper: a line of whole seconds since 1970 UTC. Only plain
// digits naming a moment between the program's build and the end of 2099 are accepted.
struct SetTimeRequest
{
    // The last moment accepted: 2099-12-31 23:59:59 UTC.
    static constexpr long long kLatest = 4102444799;

    // Empty when the line is a valid request; else the reason it is refused.
    static std::string check(std::string_view line, long long earliest);
    // The requested second of a line that check() accepted.
    static time_t seconds(std::string_view line);
};
