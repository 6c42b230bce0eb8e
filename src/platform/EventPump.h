#pragma once

// The waiting step of every waiting loop: let the window system process pending events.
namespace EventPump {

// One pass over the pending events; never blocks.
void processPending();

// Blocks until at least one event has arrived and has been processed. Loops that still hold
// unread input must call processPending() instead, so they never sleep on buffered data.
void waitForEvents();

// processPending() when moreInputWaiting, else waitForEvents().
void step(bool moreInputWaiting);

} // namespace EventPump
