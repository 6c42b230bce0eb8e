#pragma once

#include <functional>

class QObject;

// The waiting step of every waiting loop: let the window system process pending events.
// Waits re-enter the program (a nested box, a tick, the exit path), so every wait goes through
// waitWhile(), which ends on shutting down and on its guarded object going away.
namespace EventPump {

// One pass over the pending events; never blocks.
void processPending();

// Blocks until at least one event has arrived and has been processed. Loops that still hold
// unread input must call processPending() instead, so they never sleep on buffered data.
void waitForEvents();

// The yield between two reads of input that is already buffered: the program's queued events
// run each time, the window system's queue too when it was last looked at over 0.2 ms ago.
void yieldBetweenReads();

// yieldBetweenReads() when moreInputWaiting, else waitForEvents().
void step(bool moreInputWaiting);

enum class WaitEnd { Condition, ShuttingDown, GuardGone };

// Each pass tests, in this order: the guard (when one is given) is still there, keepWaiting()
// holds, shuttingDown is unset; then runs pass() and one step(). pass() does the loop's work and
// returns whether input is left unread, so that the step must not sleep; without a pass every
// step sleeps until the next event.
WaitEnd waitWhile(const bool &shuttingDown, const std::function<bool()> &keepWaiting,
    const std::function<bool()> &pass = {}, const QObject *guard = nullptr);

} // namespace EventPump
