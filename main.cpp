#include "app/HoroluxApp.h"
#include "platform/ClockHelper.h"
#include "platform/ClockMasterProbe.h"
#include "platform/DeferredIconStyle.h"
#include "platform/InstallLayout.h"
#include "platform/Privileges.h"
#include "platform/SystemClock.h"
#include "serial/DevicePortFactory.h"
#include "shell/Shutdown.h"
#include "shell/UserNotice.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Before anything else, and before Qt reads a plugin folder or variable of the user's.
    const auto privileges = Privileges::dropAll();
    QApplication application(argc, argv);
    // The program lives in the tray: hiding or closing its windows never ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(new DeferredIconStyle);
    SystemClock clock(ClockHelper::find(QApplication::applicationDirPath()));
    const QString settingsDir = InstallLayout::settingsDir(QApplication::applicationDirPath());
    DevicePortFactory ports(settingsDir);
    ClockMasterProbe clockMasters;
    HoroluxApp horolux({&clock, &ports, QApplication::applicationDirPath(), QString(),
        buildTimeMSecs(), &clockMasters, settingsDir,
        InstallLayout::stateDir(QApplication::applicationDirPath())});
    horolux.shutdown().installSystemCloseHandlers();
    horolux.start();
    if (privileges == Privileges::Outcome::Dropped)
        horolux.userNotice().report(UserNotice::Cause::RightsDropped);
    return QApplication::exec();
}
