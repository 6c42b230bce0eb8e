#pragma once

// The program never runs with more rights than the user who started it: a capability given to
// its executable, or a set-user/group-id bit, would hand the right to set the clock (or more) to
// a whole GUI toolkit that loads plugins and reads settings the user controls.
namespace Privileges {

enum class Outcome { NothingHeld, Dropped };

// Drops every capability (permitted, effective, inheritable, ambient) and returns to the real
// user and group ids, unless the real user is root. Call first in main(), before any Qt object
// exists. Ends the process when a right cannot be given back.
Outcome dropAll();

} // namespace Privileges
