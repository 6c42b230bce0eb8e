#pragma once

#include <QByteArray>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>

class Form1;
class WindowVisibility;

// The program's icon in the notification area. Its clicks reach the main window as the mouse
// codes of the tray callback, so there is one place that decides what a click does.
class TrayIcon : public QObject
{
public:
    // Mouse codes of the tray callback.
    static constexpr int kLeftButtonUp = 0x202;
    static constexpr int kLeftDoubleClick = 0x203;
    static constexpr int kRightButtonUp = 0x205;
    static constexpr int kRecordSize = 88;
    static constexpr int kTipSize = 64;

    struct Wiring
    {
        // Builds the main window on first touch.
        std::function<Form1 *()> mainWindow;
        std::function<bool()> mainWindowBuilt;
        WindowVisibility &visibility;
    };

    explicit TrayIcon(Wiring wiring);
    ~TrayIcon() override;

    // The tray record: size, window, identifier, flags, callback message, icon, then the tip,
    // NUL-terminated and filled with blanks. Numbers are little-endian 32-bit.
    static QByteArray BuildTrayIconData(quint32 window, quint32 id, quint32 flags,
        quint32 callbackMessage, quint32 icon, const QString &tip);
    // The tip text held by a record: everything before its NUL.
    static QString tipOf(const QByteArray &record);
    // The mouse code a click on the icon stands for; 0 for clicks the program does not use.
    // A StatusNotifier host (KDE, AppIndicator) has no double click: its click stands for one.
    static int mouseCodeFor(QSystemTrayIcon::ActivationReason reason, bool statusNotifier = false);
    // Whether Qt talks to a StatusNotifier host over D-Bus rather than to an XEmbed tray: it
    // does when the host's watcher is on the session bus at start. Asked once; tests decide.
    bool isStatusNotifierHost();
    void setStatusNotifierHost(std::optional<bool> host) { m_statusNotifier = host; }

    void add();
    void remove();
    bool isInstalled() const { return m_icon != nullptr; }
    // The icon on the desktop while installed, else null.
    QSystemTrayIcon *systemTrayIcon() const { return m_icon.get(); }

    // The tray callback of the main window: x carries the mouse code in twips.
    void Form_MouseMove(int button, int shift, double x, double y);

private:
    bool Shell_NotifyIconA(int message, const QByteArray &record);
    QByteArray record(quint32 callbackMessage, const QString &tip) const;
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    static void handOverNow();
    void bringMainWindowForward();

    Wiring m_w;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::optional<bool> m_statusNotifier;
};
