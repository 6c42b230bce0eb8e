#include "platform/ClockHelper.h"
#include "platform/SystemClock.h"
#include "serial/DevicePortFactory.h"
#include "shell/HoroluxApp.h"
#include "shell/Shutdown.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // The program lives in the tray: hiding or closing its windows never ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    SystemClock clock(ClockHelper::find(QApplication::applicationDirPath()));
    DevicePortFactory ports(QApplication::applicationDirPath());
    HoroluxApp horolux({&clock, &ports, QApplication::applicationDirPath(), QString()});
    horolux.shutdown().installSystemCloseHandlers();
    horolux.start();
    return QApplication::exec();
}
