#include "TrayIcon.h"

#include "Form1.h"
#include "WindowVisibility.h"
#include "common/Pictures.h"
#include "platform/Twips.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QMenu>
#include <QtEndian>
#include <cmath>
#include <utility>
#ifdef HOROLUX_XCB
#include <xcb/xcb.h>
#endif

namespace {
constexpr int NIM_ADD = 0;
constexpr int NIM_DELETE = 2;
constexpr quint32 kIconId = 1;
constexpr quint32 kFlags = 1 | 2 | 4; // callback message, icon and tip are valid
constexpr quint32 kMouseMove = 0x200; // the callback arrives as a mouse move of the main window
constexpr quint32 kUnusedCallback = 1;
const QString kTip = QStringLiteral("Horolux  ");
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
} // namespace

TrayIcon::TrayIcon(Wiring wiring)
    : m_w(std::move(wiring))
{ }

TrayIcon::~TrayIcon() = default;

QByteArray TrayIcon::BuildTrayIconData(quint32 window, quint32 id, quint32 flags,
    quint32 callbackMessage, quint32 icon, const QString &tip)
{
    QByteArray data(kRecordSize, ' ');
    const quint32 numbers[] = {quint32(kRecordSize), window, id, flags, callbackMessage, icon};
    char *out = data.data();
    for (quint32 number : numbers) {
        qToLittleEndian(number, out);
        out += sizeof(number);
    }
    // The tip keeps room for its NUL; a longer text is cut.
    const QByteArray text = tip.toLatin1().left(kTipSize - 1);
    std::copy(text.cbegin(), text.cend(), out);
    out[text.size()] = '\0';
    return data;
}

QString TrayIcon::tipOf(const QByteArray &record)
{
    const QByteArray tip = record.mid(kRecordSize - kTipSize);
    return QString::fromLatin1(tip.left(tip.indexOf('\0')));
}

int TrayIcon::mouseCodeFor(QSystemTrayIcon::ActivationReason reason, bool statusNotifier)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        // An XEmbed double click emits Trigger first, so only there a click is just a click.
        return statusNotifier ? kLeftDoubleClick : kLeftButtonUp;
    case QSystemTrayIcon::DoubleClick:
        return kLeftDoubleClick;
    case QSystemTrayIcon::Context:
        return kRightButtonUp;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
    return 0;
}

bool TrayIcon::isStatusNotifierHost()
{
    if (!m_statusNotifier) {
        const QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
        m_statusNotifier = bus && bus->isServiceRegistered(kWatcher).value();
    }
    return *m_statusNotifier;
}

void TrayIcon::add()
{
    Shell_NotifyIconA(NIM_ADD, record(kMouseMove, kTip));
}

void TrayIcon::remove()
{
    if (m_icon)
        Shell_NotifyIconA(NIM_DELETE, record(kUnusedCallback, QString()));
}

QByteArray TrayIcon::record(quint32 callbackMessage, const QString &tip) const
{
    // The main window's handle as it stands, 0 while it has never been shown (or, at start-up,
    // built): making one here would only delay the icon. The transmission window's icon is
    // shared, so that window need not exist either.
    const quint32 window = m_w.mainWindowBuilt() ? quint32(m_w.mainWindow()->internalWinId()) : 0;
    const quint32 icon = quint32(Pictures::transmissionWindowIcon().cacheKey());
    return BuildTrayIconData(window, kIconId, kFlags, callbackMessage, icon, tip);
}

bool TrayIcon::Shell_NotifyIconA(int message, const QByteArray &record)
{
    // The program has one icon, so the record's window and identifier always name this one.
    if (message == NIM_DELETE) {
        m_icon.reset();
        return true;
    }
    if (message != NIM_ADD || m_icon)
        return false;
    m_icon = std::make_unique<QSystemTrayIcon>(Pictures::transmissionWindowIcon());
    m_icon->setToolTip(tipOf(record));
    // On XEmbed no context menu of Qt's own: a right click is a mouse code like the others, so
    // it is ignored while the main window is disabled. A StatusNotifier host shows only an
    // exported menu; it is a child of the main window, so it is disabled with it.
    if (isStatusNotifierHost())
        m_icon->setContextMenu(m_w.mainWindow()->menuMenuMain);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
    m_icon->show();
    handOverNow();
    return true;
}

void TrayIcon::handOverNow()
{
#ifdef HOROLUX_XCB
    // An X11 tray host learns of the icon when Qt sends its request, which otherwise waits until
    // the rest of the start-up has run and the event loop flushes it. Sending is all this does:
    // no event is read or handled here.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 && x11->connection())
        xcb_flush(x11->connection());
#endif
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    const int code = mouseCodeFor(reason, isStatusNotifierHost());
    m_w.mainWindow()->Form_MouseMove(0, 0, double(code) * Twips::kPerPixel, 0);
}

void TrayIcon::Form_MouseMove(int, int, double x, double)
{
    Form1 *form = m_w.mainWindow();
    if (!form->isEnabled())
        return;
    switch (int(std::lround(x / Twips::kPerPixel))) {
    case kLeftButtonUp:
        if (WindowVisibility::isShown(form))
            form->activateWindow();
        break;
    case kLeftDoubleClick:
        bringMainWindowForward();
        m_w.visibility.menuMenuHide_Click();
        break;
    case kRightButtonUp:
        bringMainWindowForward();
        form->menuMenuMain->popup(QCursor::pos());
        break;
    default:
        break;
    }
}

void TrayIcon::bringMainWindowForward()
{
    Form1 *form = m_w.mainWindow();
    if (!WindowVisibility::isShown(form))
        return;
    form->raise();
    form->activateWindow();
}
