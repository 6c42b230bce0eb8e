#include "Privileges.h"

#include <cstdio>
#include <cstdlib>
#include <sys/capability.h>
#include <unistd.h>

namespace Privileges {

namespace {
bool holdsCapabilities()
{
    cap_t held = cap_get_proc();
    cap_t none = cap_init();
    const bool any = !held || !none || cap_compare(held, none) != 0;
    cap_free(held);
    cap_free(none);
    if (any)
        return true;
    for (cap_value_t cap = 0; cap <= CAP_LAST_CAP; ++cap) {
        if (cap_get_ambient(cap) > 0)
            return true;
    }
    return false;
}

[[noreturn]] void refuseToRun(const char *what)
{
    std::fprintf(
        stderr, "horolux: cannot give back %s; not starting with rights the user lacks\n", what);
    std::exit(1);
}
} // namespace

Outcome dropAll()
{
    uid_t ruid, euid, suid;
    gid_t rgid, egid, sgid;
    if (getresuid(&ruid, &euid, &suid) != 0 || getresgid(&rgid, &egid, &sgid) != 0)
        refuseToRun("the user and group ids");
    if (ruid == 0)
        return Outcome::NothingHeld;
    const bool setId = euid != ruid || suid != ruid || egid != rgid || sgid != rgid;
    if (!setId && !holdsCapabilities())
        return Outcome::NothingHeld;

    cap_t none = cap_init();
    if (cap_reset_ambient() != 0 || !none || cap_set_proc(none) != 0)
        refuseToRun("its capabilities");
    cap_free(none);
    // The group first: a set-user-id program may no longer change it once the user is back.
    if (setresgid(rgid, rgid, rgid) != 0)
        refuseToRun("the group id");
    if (setresuid(ruid, ruid, ruid) != 0)
        refuseToRun("the user id");
    if (holdsCapabilities())
        refuseToRun("its capabilities");
    std::fprintf(stderr,
        "horolux: started with rights beyond the user's; they were dropped. Only the helper "
        "horolux-settime may set the clock (see \"The right to set the clock\" in the README)\n");
    return Outcome::Dropped;
}

} // namespace Privileges
