#pragma once

#include "BenchReport.h"

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <optional>
#include <poll.h>
#include <xcb/xcb.h>

// A virtual X display with a tray host, and an eye on its root window: the moment a top-level
// window is mapped, and the moment the tray host takes a window in as its icon.
class BenchDisplay
{
public:
    BenchDisplay() = default;
    ~BenchDisplay() { stop(); }
    BenchDisplay(const BenchDisplay &) = delete;
    BenchDisplay &operator=(const BenchDisplay &) = delete;

    // Empty on success, else what is missing or went wrong.
    QString start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString trayer = QStandardPaths::findExecutable(QStringLiteral("trayer"));
        if (xvfb.isEmpty() || trayer.isEmpty())
            return QStringLiteral("needs Xvfb and trayer (Debian packages xvfb, trayer)");
        // Xvfb picks a free display and names it on its standard output once it accepts clients.
        m_server.start(xvfb,
            {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp")});
        if (!m_server.waitForStarted() || !m_server.waitForReadyRead(20000))
            return QStringLiteral("Xvfb did not start");
        m_display = ':' + m_server.readLine().trimmed();
        m_connection = xcb_connect(m_display.constData(), &m_screen);
        if (xcb_connection_has_error(m_connection))
            return QStringLiteral("cannot connect to Xvfb");
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
        for (int i = 0; i < m_screen; ++i)
            xcb_screen_next(&screens);
        m_root = screens.data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(m_display));
        m_tray.setProcessEnvironment(environment);
        m_tray.setStandardOutputFile(QProcess::nullDevice());
        m_tray.setStandardErrorFile(QProcess::nullDevice());
        m_tray.start(trayer,
            {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                QStringLiteral("--width"), QStringLiteral("200"), QStringLiteral("--height"),
                QStringLiteral("24")});
        if (!m_tray.waitForStarted() || !waitForTrayOwner(20000))
            return QStringLiteral("trayer did not take the tray");
        return {};
    }

    QString display() const { return QString::fromLatin1(m_display); }

    // Forgets what happened so far: the next wait sees only what comes after this call.
    void forgetEvents()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
            free(event);
    }

    // When a window first appeared at the top level, or was taken in by the tray host.
    std::optional<Bench::Steady::time_point> waitForMappedWindow(int timeoutMs)
    {
        return waitFor(XCB_MAP_NOTIFY, timeoutMs);
    }
    std::optional<Bench::Steady::time_point> waitForDockedIcon(int timeoutMs)
    {
        return waitFor(XCB_REPARENT_NOTIFY, timeoutMs);
    }

    void stop()
    {
        if (m_connection)
            xcb_disconnect(m_connection);
        m_connection = nullptr;
        for (QProcess *process : {&m_tray, &m_server}) {
            if (process->state() == QProcess::NotRunning)
                continue;
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished(5000);
        }
    }

private:
    bool waitForTrayOwner(int timeoutMs)
    {
        const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(m_screen);
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(m_connection,
            xcb_intern_atom(m_connection, 0, uint16_t(name.size()), name.constData()), nullptr);
        if (!atom)
            return false;
        const xcb_atom_t selection = atom->atom;
        free(atom);
        const auto deadline = Bench::Steady::now() + std::chrono::milliseconds(timeoutMs);
        while (Bench::Steady::now() < deadline) {
            xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
                m_connection, xcb_get_selection_owner(m_connection, selection), nullptr);
            const bool owned = owner && owner->owner != XCB_NONE;
            free(owner);
            if (owned)
                return true;
            ::poll(nullptr, 0, 20);
        }
        return false;
    }

    bool matches(const xcb_generic_event_t *event, uint8_t type) const
    {
        if ((event->response_type & 0x7f) != type)
            return false;
        if (type == XCB_MAP_NOTIFY)
            return reinterpret_cast<const xcb_map_notify_event_t *>(event)->event == m_root;
        const auto *moved = reinterpret_cast<const xcb_reparent_notify_event_t *>(event);
        return moved->event == m_root && moved->parent != m_root;
    }

    std::optional<Bench::Steady::time_point> waitFor(uint8_t type, int timeoutMs)
    {
        const auto deadline = Bench::Steady::now() + std::chrono::milliseconds(timeoutMs);
        while (Bench::Steady::now() < deadline) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                const auto seen = Bench::Steady::now();
                const bool hit = matches(event, type);
                free(event);
                if (hit)
                    return seen;
            }
            pollfd readable {xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&readable, 1, int(Bench::msBetween(Bench::Steady::now(), deadline)) + 1);
        }
        return std::nullopt;
    }

    QProcess m_server;
    QProcess m_tray;
    QByteArray m_display;
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    int m_screen = 0;
};
