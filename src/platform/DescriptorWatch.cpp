#include "DescriptorWatch.h"

#include <glib.h>

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <utility>

namespace {
struct WatchSource
{
    GSource base;
    std::function<void()> *onReadable;
};

gboolean dispatch(GSource *source, GSourceFunc, gpointer)
{
    (*reinterpret_cast<WatchSource *>(source)->onReadable)();
    return G_SOURCE_CONTINUE;
}

// The callback goes with the source's last reference, after a dispatch that removed it.
void finalize(GSource *source)
{
    delete reinterpret_cast<WatchSource *>(source)->onReadable;
}

GSourceFuncs watchFuncs = {nullptr, nullptr, dispatch, finalize, nullptr, nullptr};

bool loopRunsOnGlib()
{
    const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher && dispatcher->inherits("QEventDispatcherGlib");
}
} // namespace

DescriptorWatch::DescriptorWatch(int fd, std::function<void()> onReadable)
{
    if (!loopRunsOnGlib()) {
        m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(
            m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), std::move(onReadable));
        return;
    }
    m_source = g_source_new(&watchFuncs, sizeof(WatchSource));
    reinterpret_cast<WatchSource *>(m_source)->onReadable
        = new std::function<void()>(std::move(onReadable));
    g_source_add_unix_fd(m_source, fd, G_IO_IN);
    // As Qt's own sources: a handler waiting in a loop of its own still gets the next wake-up.
    g_source_set_can_recurse(m_source, TRUE);
    // The context this thread's Qt event loop iterates.
    GMainContext *context = g_main_context_ref_thread_default();
    g_source_attach(m_source, context);
    g_main_context_unref(context);
}

DescriptorWatch::~DescriptorWatch()
{
    if (m_source) {
        g_source_destroy(m_source);
        g_source_unref(m_source);
    }
}
