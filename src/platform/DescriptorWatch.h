#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;
struct _GSource;

// Calls back each time a descriptor is readable, also inside nested event loops. Where Qt's
// event loop runs on glib, the descriptor is a glib source of its own and a wake-up goes straight
// to the callback; elsewhere a socket notifier delivers it, through an event and a signal.
class DescriptorWatch
{
public:
    DescriptorWatch(int fd, std::function<void()> onReadable);
    ~DescriptorWatch();
    DescriptorWatch(const DescriptorWatch &) = delete;
    DescriptorWatch &operator=(const DescriptorWatch &) = delete;

private:
    _GSource *m_source = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
